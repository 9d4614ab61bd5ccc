// The follow timer's layout pass: keeps layered windows over their frame's content area.
#pragma once

#include "platform.h"

#include <cstdint>

namespace dockplug {

class ScriptablePluginObject;

// Shared by every placement of every instance: while a size keeps differing,
// only one size change in three is let through.
extern int32_t sizeCountdown;

constexpr wchar_t kContentWindowClass[] = L"KX_BrennicMDIClient";
constexpr UINT kPlacementFlags = SWP_ASYNCWINDOWPOS | SWP_NOACTIVATE | SWP_NOZORDER;  // 0x4014
constexpr int kParkingPosition = 30000;
constexpr int kLowestPosition = -32768;
constexpr int32_t kSizeCountdownReload = 3;

// Moves `window` to (x, y) and, as sizeCountdown allows, sizes it. `sizeHeld`
// (optional) tells whether the request went out with SWP_NOSIZE; it is left
// alone when no request was needed.
BOOL placeWindow(HWND window, int x, int y, int width, int height, UINT flags, bool* sizeHeld);

void followFrameDockings(ScriptablePluginObject& object);

}  // namespace dockplug
