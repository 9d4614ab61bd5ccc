#include "resolve_registry.h"
#include "resolve_request.h"
#include "variant.h"

#include <cstring>
#include <memory>

namespace dockplug {

void deliverResolveResult(void* data) noexcept {
    std::unique_ptr<ResolveRequest> request(static_cast<ResolveRequest*>(data));
    if (!takeForDelivery(*request)) return;  // the page went first; its callback was released then
    const uint32_t length = static_cast<uint32_t>(std::strlen(request->resultText));

    auto* argument = static_cast<NPVariant*>(NPN_MemAlloc(sizeof(NPVariant)));
    auto* characters = argument ? static_cast<char*>(NPN_MemAlloc(length + 1)) : nullptr;
    if (!characters) {
        if (argument) NPN_MemFree(argument);
        request->callback.reset();
        return;
    }
    std::memcpy(characters, request->resultText, length + 1);
    argument->type = NPVariantType_String;
    argument->value.stringValue.UTF8Characters = characters;
    argument->value.stringValue.UTF8Length = length;

    // A host may report failure without writing the result, which is released all the same.
    NPVariant result;
    setVoid(&result);
    NPN_InvokeDefault(request->instance, request->callback.get(), argument, 1, &result);
    request->callback.reset();
    NPN_ReleaseVariantValue(&result);
    NPN_ReleaseVariantValue(argument);
    NPN_MemFree(argument);
}

}  // namespace dockplug
