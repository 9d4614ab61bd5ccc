// State shared between the winsim translation units. Windows, regions and
// timers belong to the plug-in thread and take no lock; the call log, DNS,
// threads and module references are reached from workers and lock.
#pragma once

#include "winsim.h"

#include <cstdint>
#include <string>
#include <vector>

namespace winsim::detail {

inline uint32_t bits(const void* handle) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)); }
template <typename Handle>
Handle fromBits(uint32_t value) {
    return reinterpret_cast<Handle>(static_cast<uintptr_t>(value));
}

void logCall(const char* function);

struct Window {
    HWND handle = nullptr;
    std::wstring className;
    HWND parent = nullptr;
    std::vector<HWND> children;  // creation order
    RECT windowRect{};
    RECT clientRect{};
    LONG style = 0;
    LONG userData = 0;
    WNDPROC proc = nullptr;
    HRGN region = nullptr;  // owned window region, null when none
    bool destroying = false;
};
Window* liveWindow(HWND window);  // null for null, unknown or destroyed windows

// Regions side of window destruction and SetWindowRgn.
void freeOwnedRegion(HRGN region);
void removeTimersOf(HWND window);

// Thread side: whether the caller runs on a thread CreateThread started, and
// the per-thread GetLastError value.
bool onSimulatedThread();
void setLastError(DWORD error);

void resetLog();
void resetWindows();
void resetTimers();
void resetRegions();
void resetModule();
void resetDns();
void resetThreads();

}  // namespace winsim::detail
