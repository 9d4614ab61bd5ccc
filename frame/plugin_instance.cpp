#include "plugin_instance.h"

#include "browser.h"
#include "plugin_module.h"

#include <new>

LONG_PTR savedWindowProc = 0;

const char kPluginName[] = "REVurozazOvez";
const char kPluginDescription[] = "NPRuntime scriptability API test plugin";

PluginInstance* instanceOf(NPP npp) { return npp ? static_cast<PluginInstance*>(npp->pdata) : nullptr; }

NPObject* getScriptableObject(PluginInstance& instance) {
    if (!instance.scriptableObject)
        instance.scriptableObject = NPN_CreateObject(instance.npp, thisPluginModule.scriptableClass);
    if (instance.scriptableObject) NPN_RetainObject(instance.scriptableObject);
    return instance.scriptableObject;
}

LRESULT CALLBACK PluginWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && thisPluginModule.onTimer && wParam == thisPluginModule.timerId) {
        try {
            if (auto* instance = reinterpret_cast<PluginInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
                if (NPObject* object = getScriptableObject(*instance)) {
                    try {
                        thisPluginModule.onTimer(object);
                    } catch (...) {
                        // the reference taken for the tick goes back all the same
                    }
                    NPN_ReleaseObject(object);
                }
            }
        } catch (...) {
            // a tick that fails is dropped; the next one tries again
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

NPError NP_CALLBACK NPP_New(NPMIMEType, NPP instance, uint16_t, int16_t, char*[], char*[], NPSavedData*) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    try {
        auto* record = new (std::nothrow) PluginInstance(instance);
        if (!record) return NPERR_OUT_OF_MEMORY_ERROR;
        for (size_t i = 0; i < thisPluginModule.methodCount; ++i)
            thisPluginModule.methodIdentifiers[i] = NPN_GetStringIdentifier(thisPluginModule.methodNames[i]);
        instance->pdata = record;
        return NPERR_NO_ERROR;
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}

NPError NP_CALLBACK NPP_Destroy(NPP instance, NPSavedData**) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* record = instanceOf(instance);
    if (!record) return NPERR_NO_ERROR;
    try {
        if (thisPluginModule.onInstanceDestroy) thisPluginModule.onInstanceDestroy(instance);
        if (record->window) SetWindowLongPtrW(record->window, GWLP_WNDPROC, record->displacedWindowProc);
        record->window = nullptr;
        record->windowSubclassed = false;
        if (record->scriptableObject) NPN_ReleaseObject(record->scriptableObject);
    } catch (...) {
        // the record goes regardless
    }
    // An object that outlives its instance must find no record rather than a freed one.
    instance->pdata = nullptr;
    delete record;
    return NPERR_NO_ERROR;
}

NPError NP_CALLBACK NPP_SetWindow(NPP instance, NPWindow* window) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    if (!window) return NPERR_GENERIC_ERROR;
    PluginInstance* record = instanceOf(instance);
    if (!record) return NPERR_GENERIC_ERROR;
    if (record->windowSubclassed) return NPERR_NO_ERROR;
    HWND handle = static_cast<HWND>(window->window);
    if (!handle) return NPERR_NO_ERROR;
    try {
        record->window = handle;
        record->displacedWindowProc =
            SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PluginWindowProc));
        savedWindowProc = record->displacedWindowProc;
        SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        record->windowSubclassed = true;
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
    return NPERR_NO_ERROR;
}

NPError NP_CALLBACK NPP_GetValue(NPP instance, NPPVariable variable, void* value) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* record = instanceOf(instance);
    if (!record) return NPERR_GENERIC_ERROR;
    try {
        switch (variable) {
        case NPPVpluginNameString:
            *static_cast<const char**>(value) = kPluginName;
            return NPERR_NO_ERROR;
        case NPPVpluginDescriptionString:
            *static_cast<const char**>(value) = kPluginDescription;
            return NPERR_NO_ERROR;
        case NPPVpluginScriptableNPObject:
            *static_cast<NPObject**>(value) = getScriptableObject(*record);
            return NPERR_NO_ERROR;
        default:
            return NPERR_GENERIC_ERROR;
        }
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}

NPError NP_CALLBACK NPP_NewStream(NPP instance, NPMIMEType, NPStream*, NPBool, uint16_t*) {
    return instance ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

NPError NP_CALLBACK NPP_DestroyStream(NPP instance, NPStream*, NPReason) {
    return instance ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

NPError NP_CALLBACK NPP_SetValue(NPP instance, NPNVariable, void*) {
    return instance ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

int32_t NP_CALLBACK NPP_WriteReady(NPP instance, NPStream*) {
    return instance ? 0x0FFFFFFF : NPERR_INVALID_INSTANCE_ERROR;
}

int32_t NP_CALLBACK NPP_Write(NPP instance, NPStream*, int32_t, int32_t len, void*) {
    return instance ? len : NPERR_INVALID_INSTANCE_ERROR;
}

void NP_CALLBACK NPP_StreamAsFile(NPP, NPStream*, const char*) {}
void NP_CALLBACK NPP_Print(NPP, NPPrint*) {}
int16_t NP_CALLBACK NPP_HandleEvent(NPP, void*) { return 0; }
void NP_CALLBACK NPP_URLNotify(NPP, const char*, NPReason, void*) {}
