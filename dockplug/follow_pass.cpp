#include "follow_pass.h"

#include "display_region.h"
#include "dockplug_object.h"

namespace dockplug {

int32_t sizeCountdown = 0;

namespace {

// Foreign rectangles can hold anything; the formulas wrap as 32-bit values
// instead of overflowing.
int32_t wrap32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

RECT windowRectOrZeros(HWND window) {
    RECT rect{0, 0, 0, 0};
    GetWindowRect(window, &rect);
    return rect;
}

void placeOverContent(const ScriptablePluginObject& object, HWND frame, HWND layered) {
    HWND content = FindWindowExW(frame, nullptr, kContentWindowClass, nullptr);
    const LONG style = GetWindowLongW(frame, GWL_STYLE);
    const RECT r = windowRectOrZeros(content);
    const RECT w = windowRectOrZeros(frame);

    const int32_t leftGap = wrap32(int64_t{r.left} - w.left);
    const int32_t rightGap = wrap32(int64_t{w.right} - r.right);
    const int32_t margin = leftGap < rightGap ? leftGap : rightGap;
    const int32_t x = wrap32(int64_t{w.left} + margin);
    const int32_t y = r.top;
    const int32_t width = wrap32(int64_t{w.right} - w.left - 2 * int64_t{margin});
    const int32_t height = wrap32(int64_t{r.bottom} - r.top - margin);
    const UINT flags = (style & WS_MINIMIZE) ? (kPlacementFlags | SWP_NOSIZE) : kPlacementFlags;

    bool sizeHeld = true;
    placeWindow(layered, x, y, width, height, flags, &sizeHeld);
    if (sizeHeld) return;
    auto bands = object.displayBands.find(layered);
    if (bands != object.displayBands.end()) applyDisplayRegion(layered, bands->second.first, bands->second.second);
}

}  // namespace

BOOL placeWindow(HWND window, int x, int y, int width, int height, UINT flags, bool* sizeHeld) {
    const RECT current = windowRectOrZeros(window);
    const int32_t currentWidth = wrap32(int64_t{current.right} - current.left);
    const int32_t currentHeight = wrap32(int64_t{current.bottom} - current.top);
    if (x < kLowestPosition) x = kLowestPosition;
    if (y < kLowestPosition) y = kLowestPosition;

    const bool sizeRight = currentWidth == width && currentHeight == height;
    if (current.left == x && current.top == y && ((flags & SWP_NOSIZE) || sizeRight)) return TRUE;

    if (sizeRight) {
        flags |= SWP_NOSIZE;
        sizeCountdown = 0;
    } else if (!(flags & SWP_NOSIZE)) {
        if (sizeCountdown != 0)
            flags |= SWP_NOSIZE;
        else
            sizeCountdown = kSizeCountdownReload;
        --sizeCountdown;
    }
    if (sizeHeld) *sizeHeld = (flags & SWP_NOSIZE) != 0;
    return SetWindowPos(window, nullptr, x, y, width, height, flags);
}

void followFrameDockings(ScriptablePluginObject& object) {
    DockingMap& dockings = object.frameDockings;
    // The walk goes by key, not by iterator: a window call that re-enters the
    // plug-in and changes the map cannot leave the pass on a dead iterator.
    for (auto entry = dockings.begin(); entry != dockings.end();) {
        const HWND frame = entry->first;
        const HWND layered = entry->second;
        if (!IsWindow(frame)) {
            HWND closeTarget = handleFromBits(static_cast<uint32_t>(GetWindowLongPtrW(layered, GWLP_USERDATA)));
            PostMessageW(closeTarget, WM_CLOSE, 0, 0);
            dockings.erase(frame);
        } else if (!IsWindow(layered)) {
            dockings.erase(frame);
        } else {
            const bool frameVisible = IsWindowVisible(frame) != FALSE;
            const bool layeredVisible = IsWindowVisible(layered) != FALSE;
            if (frameVisible && layeredVisible)
                placeOverContent(object, frame, layered);
            else if (layeredVisible)
                placeWindow(layered, kParkingPosition, kParkingPosition, 1, 1, kPlacementFlags, nullptr);
        }
        entry = dockings.upper_bound(frame);
    }
}

}  // namespace dockplug
