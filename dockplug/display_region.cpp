#include "display_region.h"

namespace dockplug {

void applyDisplayRegion(HWND, int32_t, int32_t) {}

}  // namespace dockplug
