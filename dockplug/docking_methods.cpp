// The script methods of the docking object.
#include "display_region.h"
#include "dockplug_object.h"
#include "resolver.h"
#include "variant.h"
#include "variant_number.h"

namespace dockplug {
namespace {

HWND windowData(HWND window) { return handleFromBits(static_cast<uint32_t>(GetWindowLongPtrW(window, GWLP_USERDATA))); }

HWND asHandle(int32_t number) { return handleFromBits(static_cast<uint32_t>(number)); }

// The layered window a page window names, when it exists.
HWND liveLayeredWindow(HWND page) {
    HWND layered = windowData(page);
    return layered && IsWindow(layered) ? layered : nullptr;
}

}  // namespace

bool ScriptablePluginObject::attach(DockingMap& dockings, const NPVariant* args, uint32_t argCount,
                                    NPVariant* result) {
    if (argCount < 2) return false;
    const auto pageNumber = variantToInt32(args[0]);
    if (!pageNumber) return false;
    const auto targetNumber = variantToInt32(args[1]);
    if (!targetNumber) return false;

    const HWND page = asHandle(*pageNumber);
    const HWND layered = IsWindow(page) ? liveLayeredWindow(page) : nullptr;
    const HWND target = asHandle(*targetNumber);
    if (!layered || !IsWindow(target)) {
        setBool(result, false);
        return true;
    }

    auto [entry, inserted] = dockings.try_emplace(target, layered);
    if (!inserted) {
        // The displaced layered window (even the same one) is told to close.
        PostMessageW(windowData(entry->second), WM_CLOSE, 0, 0);
        entry->second = layered;
    }
    startFollowTimer();
    setBool(result, true);
    return true;
}

bool ScriptablePluginObject::showLayered(int command, const NPVariant* args, uint32_t argCount) {
    if (argCount != 1) return false;
    const auto pageNumber = variantToInt32(args[0]);
    if (!pageNumber) return false;
    const HWND layered = liveLayeredWindow(asHandle(*pageNumber));
    if (!layered) return false;
    ShowWindow(layered, command);
    return true;
}

bool ScriptablePluginObject::setDisplayRgn(const NPVariant* args, uint32_t argCount) {
    if (argCount != 3) return false;
    const auto pageNumber = variantToInt32(args[0]);
    if (!pageNumber) return false;
    const auto topHeight = variantToInt32(args[1]);
    if (!topHeight) return false;
    const auto bottomHeight = variantToInt32(args[2]);
    if (!bottomHeight) return false;

    const HWND layered = windowData(asHandle(*pageNumber));
    displayBands[layered] = {*topHeight, *bottomHeight};
    applyDisplayRegion(layered, *topHeight, *bottomHeight);
    return true;
}

bool ScriptablePluginObject::dnsResolve(const NPVariant* args, uint32_t argCount) {
    if (argCount != 2) return false;
    if (args[0].type != NPVariantType_String) return false;
    if (args[1].type != NPVariantType_Object) return false;
    startResolve(npp, args[0].value.stringValue, args[1].value.objectValue);
    return true;
}

}  // namespace dockplug
