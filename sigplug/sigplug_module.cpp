// What sigplug hands the shared frame.
#include "plugin_module.h"
#include "sigplug_object.h"

namespace sigplug {
NPIdentifier methodIdentifiers[2];
namespace {
const char* const kMethodNames[] = {"signature", "getCacheFile"};
NPClass scriptableClass = makeScriptableClass<ScriptablePluginObject>();
}  // namespace
}  // namespace sigplug

const PluginModule thisPluginModule{sigplug::kMethodNames, sigplug::methodIdentifiers, 2, &sigplug::scriptableClass,
                                    0, nullptr, nullptr, nullptr};
