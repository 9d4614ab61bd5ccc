// The follow timer's layout pass: keeps layered windows over their frame's content area.
#pragma once

#include "platform.h"

#include <cstdint>

namespace dockplug {

class ScriptablePluginObject;

void followFrameDockings(ScriptablePluginObject& object);

}  // namespace dockplug
