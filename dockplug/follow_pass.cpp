#include "follow_pass.h"

#include "dockplug_object.h"

namespace dockplug {

void followFrameDockings(ScriptablePluginObject&) {}

}  // namespace dockplug
