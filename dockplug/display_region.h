// Cuts a layered window down to a top band and a bottom band of its client area.
#pragma once

#include "platform.h"

#include <cstdint>

namespace dockplug {

void applyDisplayRegion(HWND window, int32_t topBandHeight, int32_t bottomBandHeight);

}  // namespace dockplug
