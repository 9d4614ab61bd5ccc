// Script numbers (window handles, pixel heights) as 32-bit integers.
#pragma once

#include "npapi.h"

#include <cstdint>
#include <optional>

namespace dockplug {

// Int32 as is; Double truncated toward zero, NaN as 0 and out-of-range values
// saturated so that no conversion is undefined. Any other type: no value.
std::optional<int32_t> variantToInt32(const NPVariant& argument);

}  // namespace dockplug
