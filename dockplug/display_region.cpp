#include "display_region.h"

#include "region_handle.h"

#include <algorithm>

namespace dockplug {
namespace {

// Heights come from script and may be huge: add in 64 bits and clamp, so an
// edge never wraps around.
int edge(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

HRGN topBand(const RECT& client, int32_t height) {
    return CreateRectRgn(edge(int64_t{client.left} - 1), edge(int64_t{client.top} - 1),
                         edge(int64_t{client.right} + 1), edge(int64_t{client.top} + height + 1));
}

HRGN bottomBand(const RECT& client, int32_t height) {
    return CreateRectRgn(edge(int64_t{client.left} - 1), edge(int64_t{client.bottom} - height - 1),
                         edge(int64_t{client.right} + 1), edge(int64_t{client.bottom} + 1));
}

}  // namespace

void applyDisplayRegion(HWND window, int32_t topBandHeight, int32_t bottomBandHeight) {
    RECT client{0, 0, 0, 0};
    GetClientRect(window, &client);

    unique_hrgn region;
    if (topBandHeight > 0) {
        region.reset(topBand(client, topBandHeight));
        if (bottomBandHeight > 0) {
            unique_hrgn bottom(bottomBand(client, bottomBandHeight));
            // Union: both bands show, the rows between them are cut away.
            CombineRgn(region.get(), region.get(), bottom.get(), RGN_OR);
        }
    } else if (bottomBandHeight > 0) {
        region.reset(bottomBand(client, bottomBandHeight));
    }

    // The window owns the region only when it accepts it; a refused one is ours to delete.
    if (SetWindowRgn(window, region.get(), TRUE)) region.release();
}

}  // namespace dockplug
