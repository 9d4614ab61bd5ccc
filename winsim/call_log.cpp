// The call log and reset(): workers log too, so appends lock.
#include "internal.h"

#include <algorithm>
#include <mutex>

// Leak checking stops the world with ptrace, which qemu user-mode emulation
// (how -m32 tests run on hosts without 32-bit support) lacks: the check hangs
// at exit. Off by default here, in the one object every simulated call pulls
// in; ASAN_OPTIONS=detect_leaks=1 turns it back on where 32-bit programs run
// natively. liveGdiObjects() and liveDnsRecordLists() still catch leaks of
// what winsim hands out.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace winsim {
namespace {
std::mutex logMutex;
std::vector<std::string> log;
}  // namespace

namespace detail {
void logCall(const char* function) {
    std::lock_guard<std::mutex> lock(logMutex);
    log.emplace_back(function);
}
void resetLog() {
    std::lock_guard<std::mutex> lock(logMutex);
    log.clear();
}
}  // namespace detail

const std::vector<std::string>& calls() { return log; }

size_t callCount(const std::string& function) {
    std::lock_guard<std::mutex> lock(logMutex);
    return static_cast<size_t>(std::count(log.begin(), log.end(), function));
}

void clearCalls() { detail::resetLog(); }

void reset() {
    // Threads first: a running worker may still touch the rest.
    detail::resetThreads();
    detail::resetTimers();
    detail::resetWindows();
    detail::resetRegions();
    detail::resetModule();
    detail::resetDns();
    detail::resetLog();
}

}  // namespace winsim
