// Small helpers for reading script arguments and writing results.
#pragma once

#include "npapi.h"

#include <cstdint>
#include <cstring>
#include <string_view>

inline void setVoid(NPVariant* variant) {
    variant->type = NPVariantType_Void;
    std::memset(&variant->value, 0, sizeof variant->value);
}

inline void setBool(NPVariant* variant, bool value) {
    variant->type = NPVariantType_Bool;
    variant->value.boolValue = value;
}

// The text of a string argument: up to its first NUL, and never past the
// UTF8Length bytes the host gave. Null characters read as the empty text.
inline std::string_view boundedText(const NPString& string) {
    if (!string.UTF8Characters) return {};
    const void* nul = std::memchr(string.UTF8Characters, '\0', string.UTF8Length);
    size_t length = nul ? static_cast<const char*>(nul) - string.UTF8Characters : string.UTF8Length;
    return {string.UTF8Characters, length};
}

// Copies `length` bytes and a NUL into a block from NPN_MemAlloc and makes it
// the result; false (result untouched) when the host has no memory.
bool setStringResult(NPVariant* result, const char* text, uint32_t length);
