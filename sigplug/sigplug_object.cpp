#include "sigplug_object.h"

#include "signature.h"

namespace sigplug {

// The slots are null until the first instance fetched them; a null name
// never matches one.
bool ScriptablePluginObject::hasMethod(NPIdentifier name) {
    return name && (name == signatureId || name == getCacheFileId);
}

// "getCacheFile" is announced but has no operation behind it.
bool ScriptablePluginObject::invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    if (!name || name != signatureId) return false;
    return signature(args, argCount, result);
}

}  // namespace sigplug
