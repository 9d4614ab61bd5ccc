// Script argument values as a host would pass them.
#pragma once

#include "npapi.h"
#include "platform.h"

#include <cstdint>
#include <cstring>

namespace dockplug_test {

inline NPVariant intArg(int32_t value) {
    NPVariant v{};
    v.type = NPVariantType_Int32;
    v.value.intValue = value;
    return v;
}

inline NPVariant doubleArg(double value) {
    NPVariant v{};
    v.type = NPVariantType_Double;
    v.value.doubleValue = value;
    return v;
}

// Literal texts only: the variant points at them.
inline NPVariant stringArg(const char* text) {
    NPVariant v{};
    v.type = NPVariantType_String;
    v.value.stringValue = NPString{text, static_cast<uint32_t>(std::strlen(text))};
    return v;
}

inline NPVariant objectArg(NPObject* object) {
    NPVariant v{};
    v.type = NPVariantType_Object;
    v.value.objectValue = object;
    return v;
}

inline NPVariant typedArg(NPVariantType type) {
    NPVariant v{};
    v.type = type;
    return v;
}

inline NPVariant handleArg(HWND window) { return intArg(static_cast<int32_t>(handleBits(window))); }

// A result variant the plug-in must leave alone unless it answers.
inline NPVariant untouchedResult() {
    NPVariant v{};
    v.type = NPVariantType_Int32;
    v.value.intValue = 0x5EED;
    return v;
}

inline bool isUntouched(const NPVariant& v) { return v.type == NPVariantType_Int32 && v.value.intValue == 0x5EED; }

}  // namespace dockplug_test
