// What dockplug hands the shared frame.
#include "dockplug_object.h"
#include "follow_pass.h"
#include "plugin_module.h"
#include "resolve_registry.h"

namespace dockplug {
NPIdentifier methodIdentifiers[6];
namespace {
const char* const kMethodNames[] = {"attachWndToTab", "attachWndToMainFrame", "hideLayeredWnd",
                                    "showLayeredWnd", "setDisplayRgn",        "dnsResolve"};
NPClass scriptableClass = makeScriptableClass<ScriptablePluginObject>();

void onFollowTimer(NPObject* object) {
    followFrameDockings(*static_cast<ScriptablePluginObject*>(ScriptablePluginObjectBase::fromNPObject(object)));
}
}  // namespace
}  // namespace dockplug

const PluginModule thisPluginModule{dockplug::kMethodNames,     dockplug::methodIdentifiers, 6,
                                    &dockplug::scriptableClass, dockplug::kFollowTimerId,    &dockplug::onFollowTimer,
                                    &dockplug::abandonRequests, &dockplug::abandonAllRequests};
