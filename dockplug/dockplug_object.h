// The scriptable object pages get from an element of dockplug's MIME type.
#pragma once

#include "npapi.h"
#include "platform.h"
#include "scriptable_object.h"

#include <cstdint>
#include <map>
#include <utility>

namespace dockplug {

// Process-wide identifier slots, fetched by every new instance in this order.
extern NPIdentifier methodIdentifiers[6];
inline NPIdentifier& attachWndToTabId = methodIdentifiers[0];
inline NPIdentifier& attachWndToMainFrameId = methodIdentifiers[1];
inline NPIdentifier& hideLayeredWndId = methodIdentifiers[2];
inline NPIdentifier& showLayeredWndId = methodIdentifiers[3];
inline NPIdentifier& setDisplayRgnId = methodIdentifiers[4];
inline NPIdentifier& dnsResolveId = methodIdentifiers[5];

constexpr UINT_PTR kFollowTimerId = 15;
constexpr UINT kFollowTimerPeriodMs = 5;

// Window handles ordered as unsigned 32-bit values.
struct HandleOrder {
    bool operator()(HWND a, HWND b) const { return handleBits(a) < handleBits(b); }
};
using DockingMap = std::map<HWND, HWND, HandleOrder>;
using BandMap = std::map<HWND, std::pair<int32_t, int32_t>, HandleOrder>;  // (top, bottom) heights

class ScriptablePluginObject : public ScriptablePluginObjectBase {
public:
    explicit ScriptablePluginObject(NPP instance) : ScriptablePluginObjectBase(instance) {}
    ~ScriptablePluginObject() override = default;

    bool hasMethod(NPIdentifier name) override;
    bool invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result) override;
    bool invokeDefault(const NPVariant*, uint32_t, NPVariant* result) override { return answerDefaultCall(result); }
    bool hasProperty(NPIdentifier) override { return false; }
    bool getProperty(NPIdentifier, NPVariant* result) override { return answerVoidProperty(result); }

    // Requests timer 15 (5 ms) on the instance's plug-in window, once per object.
    void startFollowTimer();

    DockingMap tabDockings;
    bool followTimerStarted = false;
    DockingMap frameDockings;
    BandMap displayBands;

private:
    // The script methods behind invoke (docking_methods.cpp).
    bool attach(DockingMap& dockings, const NPVariant* args, uint32_t argCount, NPVariant* result);
    bool showLayered(int command, const NPVariant* args, uint32_t argCount);
    bool setDisplayRgn(const NPVariant* args, uint32_t argCount);
    bool dnsResolve(const NPVariant* args, uint32_t argCount);
};

}  // namespace dockplug
