// The process's handle, GDI and USER object counts, for checks that must
// leave the process as they found it. GetGuiResources and
// GetProcessHandleCount answer 0 under Wine, so the process's handles are
// also listed and this thread's windows counted; on Windows every figure is
// compared. The lowest free TLS index shows a slot that a load kept.
#pragma once

#include "windows_sdk.h"

#include <string>
#include <vector>

namespace winehost {

// The handle values open in this process now, in ascending order.
std::vector<HANDLE> openHandles();
// The handles in `now` that are not in `before`, each as "0x1c Event" or
// "0x20 Thread 0x2a" (the thread's id), for failure lines.
std::string describeNewHandles(const std::vector<HANDLE>& before, const std::vector<HANDLE>& now);

struct ProcessCounts {
    DWORD gdi = 0, user = 0, handles = 0, windows = 0, freeTlsSlot = 0;
    std::vector<HANDLE> open;  // the walk's handles; its size is the live count

    static ProcessCounts now();
    DWORD liveHandles() const { return static_cast<DWORD>(open.size()); }
    std::string text() const;
};

// Checks that every figure now equals the one of `before` (live handles and
// the handle count plus `allowedHandleGrowth`) and prints both; names the
// new handles when their count is off.
void expectCountsBack(const ProcessCounts& before, const char* what, DWORD allowedHandleGrowth = 0);

}  // namespace winehost
