#include "variant_number.h"

#include <cmath>
#include <limits>

namespace dockplug {

std::optional<int32_t> variantToInt32(const NPVariant& argument) {
    switch (argument.type) {
    case NPVariantType_Int32:
        return argument.value.intValue;
    case NPVariantType_Double: {
        const double value = argument.value.doubleValue;
        if (std::isnan(value)) return 0;
        // Bounds chosen so that everything strictly between them truncates into range.
        if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
        if (value <= -2147483649.0) return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(value);
    }
    default:
        return std::nullopt;
    }
}

}  // namespace dockplug
