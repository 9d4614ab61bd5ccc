// The per-instance record, the instance handlers stored by NP_GetEntryPoints,
// and the procedure that takes over the plug-in window.
#pragma once

#include "npapi.h"
#include "platform.h"

struct PluginInstance {
    NPP npp;
    HWND window = nullptr;
    bool windowSubclassed = false;
    NPObject* scriptableObject = nullptr;
    // What this instance's own subclassing displaced; written back on destroy so
    // that plug-in windows of different classes never swap procedures.
    LONG_PTR displacedWindowProc = 0;

    explicit PluginInstance(NPP instance) : npp(instance) {}
};

// The procedure most recently displaced by any subclassing.
extern LONG_PTR savedWindowProc;

// One reference for the caller, or null; creates the object on first use.
NPObject* getScriptableObject(PluginInstance& instance);

// The instance record behind a handle, or null.
PluginInstance* instanceOf(NPP npp);

LRESULT CALLBACK PluginWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

extern const char kPluginName[];
extern const char kPluginDescription[];

NPError NP_CALLBACK NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[],
                            char* argv[], NPSavedData* saved);
NPError NP_CALLBACK NPP_Destroy(NPP instance, NPSavedData** save);
NPError NP_CALLBACK NPP_SetWindow(NPP instance, NPWindow* window);
NPError NP_CALLBACK NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
NPError NP_CALLBACK NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NP_CALLBACK NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fname);
int32_t NP_CALLBACK NPP_WriteReady(NPP instance, NPStream* stream);
int32_t NP_CALLBACK NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
void NP_CALLBACK NPP_Print(NPP instance, NPPrint* platformPrint);
int16_t NP_CALLBACK NPP_HandleEvent(NPP instance, void* event);
void NP_CALLBACK NPP_URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
NPError NP_CALLBACK NPP_GetValue(NPP instance, NPPVariable variable, void* value);
NPError NP_CALLBACK NPP_SetValue(NPP instance, NPNVariable variable, void* value);
