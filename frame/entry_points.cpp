#include "entry_points.h"

#include "browser.h"
#include "plugin_instance.h"
#include "plugin_module.h"

#include <cstring>

extern "C" NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pluginFuncs) {
    if (!pluginFuncs || pluginFuncs->size < kPluginFuncsMinSize) return NPERR_INVALID_FUNCTABLE_ERROR;
    // size, version, javaClass and everything after setvalue stay as the host set them
    pluginFuncs->newp = NPP_New;
    pluginFuncs->destroy = NPP_Destroy;
    pluginFuncs->setwindow = NPP_SetWindow;
    pluginFuncs->newstream = NPP_NewStream;
    pluginFuncs->destroystream = NPP_DestroyStream;
    pluginFuncs->asfile = NPP_StreamAsFile;
    pluginFuncs->writeready = NPP_WriteReady;
    pluginFuncs->write = NPP_Write;
    pluginFuncs->print = NPP_Print;
    pluginFuncs->event = NPP_HandleEvent;
    pluginFuncs->urlnotify = NPP_URLNotify;
    pluginFuncs->getvalue = NPP_GetValue;
    pluginFuncs->setvalue = NPP_SetValue;
    return NPERR_NO_ERROR;
}

extern "C" NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browserFuncs) {
    if (!browserFuncs) return NPERR_INVALID_FUNCTABLE_ERROR;
    if ((browserFuncs->version >> 8) != 0) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    if (browserFuncs->size < kNetscapeFuncsMinSize) return NPERR_INVALID_FUNCTABLE_ERROR;

    // Copy the host's record up to pluginthreadasynccall only; later entries stay null.
    NPNetscapeFuncs copy{};
    std::memcpy(&copy, browserFuncs, offsetof(NPNetscapeFuncs, construct));
    copy.getJavaEnv = nullptr;
    copy.getJavaPeer = nullptr;
    copy.pushpopupsenabledstate = nullptr;
    copy.poppopupsenabledstate = nullptr;
    copy.enumerate = nullptr;
    BrowserFunctionTable = copy;
    return NPERR_NO_ERROR;
}

extern "C" NPError NP_EXPORT_CALL NP_Shutdown() {
    try {
        if (thisPluginModule.onShutdown) thisPluginModule.onShutdown();
    } catch (...) {
        // shutting down cannot fail
    }
    return NPERR_NO_ERROR;
}
