// Locking for the fake host. MinGW's win32 thread model has no std::mutex,
// so the Windows build uses the system primitives directly.
#pragma once

#include <chrono>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace fakehost {

#if defined(_WIN32)
class Mutex {
public:
    Mutex() { InitializeCriticalSection(&section_); }
    ~Mutex() { DeleteCriticalSection(&section_); }
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    friend class Signal;
    CRITICAL_SECTION section_;
};

// A condition to wait on while holding the Mutex.
class Signal {
public:
    Signal() { InitializeConditionVariable(&condition_); }
    void notifyAll() { WakeAllConditionVariable(&condition_); }
    // False when the timeout passed.
    bool waitFor(Mutex& locked, std::chrono::milliseconds timeout) {
        return SleepConditionVariableCS(&condition_, &locked.section_, static_cast<DWORD>(timeout.count())) != 0;
    }

private:
    CONDITION_VARIABLE condition_;
};

using ThreadToken = DWORD;
inline ThreadToken currentThread() { return GetCurrentThreadId(); }
#else
class Mutex {
public:
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

private:
    friend class Signal;
    std::mutex mutex_;
};

class Signal {
public:
    void notifyAll() { condition_.notify_all(); }
    bool waitFor(Mutex& locked, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(locked.mutex_, std::adopt_lock);
        std::cv_status status = condition_.wait_for(lock, timeout);
        lock.release();  // the caller still holds it
        return status == std::cv_status::no_timeout;
    }

private:
    std::condition_variable condition_;
};

using ThreadToken = std::thread::id;
inline ThreadToken currentThread() { return std::this_thread::get_id(); }
#endif

class Lock {
public:
    explicit Lock(Mutex& mutex) : mutex_(mutex) { mutex_.lock(); }
    ~Lock() { mutex_.unlock(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    Mutex& mutex_;
};

}  // namespace fakehost
