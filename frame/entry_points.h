// The three exports a host resolves by name (and by ordinals 1, 2, 3).
#pragma once

#include "npapi.h"

extern "C" {
NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pluginFuncs);
NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browserFuncs);
NPError NP_EXPORT_CALL NP_Shutdown();
}
