#include "dockplug_object.h"

#include "plugin_instance.h"

namespace dockplug {

bool ScriptablePluginObject::hasMethod(NPIdentifier name) {
    for (NPIdentifier method : methodIdentifiers)
        if (name == method) return true;
    return false;
}

bool ScriptablePluginObject::invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    if (name == attachWndToTabId) return attach(tabDockings, args, argCount, result);
    if (name == attachWndToMainFrameId) return attach(frameDockings, args, argCount, result);
    if (name == hideLayeredWndId) return showLayered(SW_HIDE, args, argCount);
    if (name == showLayeredWndId) return showLayered(SW_SHOWNA, args, argCount);
    if (name == setDisplayRgnId) return setDisplayRgn(args, argCount);
    if (name == dnsResolveId) return dnsResolve(args, argCount);
    return false;
}

void ScriptablePluginObject::startFollowTimer() {
    if (followTimerStarted) return;
    // The instance may be gone (its destroy clears pdata) or have no window yet.
    const PluginInstance* instance = instanceOf(npp);
    SetTimer(instance ? instance->window : nullptr, kFollowTimerId, kFollowTimerPeriodMs, nullptr);
    followTimerStarted = true;
}

}  // namespace dockplug
