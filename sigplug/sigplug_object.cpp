#include "sigplug_object.h"

namespace sigplug {

bool ScriptablePluginObject::hasMethod(NPIdentifier) { return false; }

bool ScriptablePluginObject::invoke(NPIdentifier, const NPVariant*, uint32_t, NPVariant*) { return false; }

}  // namespace sigplug
