// pthread_once for the runtime linked into the DLL (the link wraps every
// call of it to here).
//
// The posix-flavour runtime's own pthread_once gives the calling thread a
// thread record (an event and a duplicate of the thread's handle) that is
// only released when that thread ends. The unwinder's set-up calls it while
// the DLL loads, so every load left both handles (and a TLS slot) on the
// browser's thread, which outlives any number of unloads.
#include "platform.h"

#include <pthread.h>

#include <cerrno>

namespace {
enum : LONG { kNotRun = 0, kDone = 1, kRunning = 2 };
}

extern "C" int __wrap_pthread_once(pthread_once_t* once, void (*init)(void)) {
    if (!once || !init) return EINVAL;
    for (;;) {
        const LONG state = InterlockedCompareExchange(once, kRunning, kNotRun);
        if (state == kDone) return 0;
        if (state == kNotRun) break;
        Sleep(1);  // another thread is running `init`
    }
    try {
        init();
    } catch (...) {
        // As if never called, so a later call tries again.
        InterlockedExchange(once, kNotRun);
        throw;
    }
    InterlockedExchange(once, kDone);
    return 0;
}
