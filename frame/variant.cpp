#include "variant.h"

#include "browser.h"

bool setStringResult(NPVariant* result, const char* text, uint32_t length) {
    auto* block = static_cast<char*>(NPN_MemAlloc(length + 1));
    if (!block) return false;
    std::memcpy(block, text, length);
    block[length] = '\0';
    result->type = NPVariantType_String;
    result->value.stringValue.UTF8Characters = block;
    result->value.stringValue.UTF8Length = length;
    return true;
}
