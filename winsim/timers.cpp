// Window and thread timers; they fire only when a test says so.
#include "internal.h"

#include <algorithm>

namespace winsim {
namespace {
constexpr UINT_PTR firstThreadTimer = 0x7FF0;  // ids SetTimer(null, ...) hands out
std::vector<Timer> live;                       // creation order
UINT_PTR nextThreadTimer = firstThreadTimer;

std::vector<Timer>::iterator findTimer(HWND window, UINT_PTR id) {
    return std::find_if(live.begin(), live.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
}
}  // namespace

namespace detail {
void removeTimersOf(HWND window) {
    live.erase(std::remove_if(live.begin(), live.end(), [&](const Timer& t) { return t.window == window; }),
               live.end());
}
void resetTimers() {
    live.clear();
    nextThreadTimer = firstThreadTimer;
}
}  // namespace detail

std::vector<Timer> timers() { return live; }

bool fireTimer(HWND window, UINT_PTR id) {
    auto it = findTimer(window, id);
    if (it == live.end()) return false;
    const Timer timer = *it;
    if (timer.proc) {
        timer.proc(window, WM_TIMER, id, 0);
        return true;
    }
    detail::Window* w = detail::liveWindow(window);
    if (!w || !w->proc) return false;
    w->proc(window, WM_TIMER, id, 0);
    return true;
}

}  // namespace winsim

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    winsim::detail::logCall("SetTimer");
    if (!window) {
        const UINT_PTR threadId = winsim::nextThreadTimer++;
        winsim::live.push_back(winsim::Timer{nullptr, threadId, elapse, proc});
        return threadId;
    }
    if (!winsim::detail::liveWindow(window)) return 0;
    auto it = winsim::findTimer(window, id);
    if (it != winsim::live.end())
        *it = winsim::Timer{window, id, elapse, proc};
    else
        winsim::live.push_back(winsim::Timer{window, id, elapse, proc});
    // Windows answers 1 for id 0 on a window, the id otherwise.
    return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    winsim::detail::logCall("KillTimer");
    auto it = winsim::findTimer(window, id);
    if (it == winsim::live.end()) return FALSE;
    winsim::live.erase(it);
    return TRUE;
}
