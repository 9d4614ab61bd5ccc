#include "dockplug_object.h"

namespace dockplug {

bool ScriptablePluginObject::hasMethod(NPIdentifier) { return false; }

bool ScriptablePluginObject::invoke(NPIdentifier, const NPVariant*, uint32_t, NPVariant*) { return false; }

}  // namespace dockplug
