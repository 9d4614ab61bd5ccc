// The host's function table as copied by NP_Initialize, and the host services
// the plug-ins call through it.
#pragma once

#include "npapi.h"

extern NPNetscapeFuncs BrowserFunctionTable;

// A host may leave entries null; a missing service answers like a failed one.
NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name);
NPObject* NPN_CreateObject(NPP npp, NPClass* aClass);
NPObject* NPN_RetainObject(NPObject* object);
void NPN_ReleaseObject(NPObject* object);
void* NPN_MemAlloc(uint32_t size);
void NPN_MemFree(void* block);
bool NPN_InvokeDefault(NPP npp, NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result);
void NPN_ReleaseVariantValue(NPVariant* variant);
void NPN_PluginThreadAsyncCall(NPP npp, void (*function)(void*), void* userData);
