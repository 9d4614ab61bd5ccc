// CreateThread on pthreads (not std::thread, so pthread_exit ends a worker
// cleanly), deferred or immediate.
#include "internal.h"

#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <set>

namespace winsim {
namespace {
constexpr uint32_t firstThreadHandle = 0x08000000;
constexpr DWORD errorNotEnoughMemory = 8;

struct Start {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
};

std::mutex threadMutex;
ThreadMode mode = ThreadMode::Deferred;
bool failCreation = false;
size_t created = 0;
std::deque<Start> pending;
std::vector<pthread_t> running;  // Immediate threads not yet joined
std::set<uint32_t> openHandles;
uint32_t nextHandle = firstThreadHandle;
DWORD nextThreadId = 0x100;
thread_local bool simulated = false;

void* threadMain(void* argument) {
    std::unique_ptr<Start> start(static_cast<Start*>(argument));
    simulated = true;
    start->routine(start->parameter);
    return nullptr;
}

pthread_t launch(const Start& start) {
    pthread_t thread;
    if (pthread_create(&thread, nullptr, &threadMain, new Start(start)) != 0) {
        std::fputs("winsim: pthread_create failed\n", stderr);
        std::abort();
    }
    return thread;
}
}  // namespace

namespace detail {
bool onSimulatedThread() { return simulated; }
void resetThreads() {
    joinThreads();
    std::lock_guard<std::mutex> lock(threadMutex);
    mode = ThreadMode::Deferred;
    failCreation = false;
    created = 0;
    pending.clear();
    openHandles.clear();
    nextHandle = firstThreadHandle;
    nextThreadId = 0x100;
}
}  // namespace detail

void setThreadMode(ThreadMode newMode) {
    std::lock_guard<std::mutex> lock(threadMutex);
    mode = newMode;
}
void failThreadCreation(bool fail) {
    std::lock_guard<std::mutex> lock(threadMutex);
    failCreation = fail;
}
size_t threadsCreated() {
    std::lock_guard<std::mutex> lock(threadMutex);
    return created;
}
size_t pendingThreads() {
    std::lock_guard<std::mutex> lock(threadMutex);
    return pending.size();
}

size_t runPendingThreads() {
    size_t ran = 0;
    for (;;) {
        Start start;
        {
            std::lock_guard<std::mutex> lock(threadMutex);
            if (pending.empty()) break;
            start = pending.front();
            pending.pop_front();
        }
        pthread_join(launch(start), nullptr);
        ++ran;
    }
    return ran;
}

void joinThreads() {
    for (;;) {
        std::vector<pthread_t> batch;
        {
            std::lock_guard<std::mutex> lock(threadMutex);
            batch.swap(running);
        }
        if (batch.empty()) break;
        for (pthread_t thread : batch) pthread_join(thread, nullptr);
    }
}

}  // namespace winsim

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD,
                           LPDWORD threadId) {
    winsim::detail::logCall("CreateThread");
    std::lock_guard<std::mutex> lock(winsim::threadMutex);
    if (winsim::failCreation || !start) {
        winsim::detail::setLastError(winsim::errorNotEnoughMemory);
        return nullptr;
    }
    const winsim::Start s{start, parameter};
    if (winsim::mode == winsim::ThreadMode::Immediate)
        winsim::running.push_back(winsim::launch(s));
    else
        winsim::pending.push_back(s);
    ++winsim::created;
    const uint32_t handle = winsim::nextHandle;
    winsim::nextHandle += 4;
    winsim::openHandles.insert(handle);
    if (threadId) *threadId = winsim::nextThreadId++;
    return winsim::detail::fromBits<HANDLE>(handle);
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    winsim::detail::logCall("CloseHandle");
    std::lock_guard<std::mutex> lock(winsim::threadMutex);
    return winsim::openHandles.erase(winsim::detail::bits(handle)) ? TRUE : FALSE;
}
