#include "browser.h"

NPNetscapeFuncs BrowserFunctionTable;

NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name) {
    auto* entry = BrowserFunctionTable.getstringidentifier;
    return entry ? entry(name) : nullptr;
}

NPObject* NPN_CreateObject(NPP npp, NPClass* aClass) {
    auto* entry = BrowserFunctionTable.createobject;
    return entry ? entry(npp, aClass) : nullptr;
}

NPObject* NPN_RetainObject(NPObject* object) {
    auto* entry = BrowserFunctionTable.retainobject;
    return entry ? entry(object) : object;
}

void NPN_ReleaseObject(NPObject* object) {
    if (auto* entry = BrowserFunctionTable.releaseobject) entry(object);
}

void* NPN_MemAlloc(uint32_t size) {
    auto* entry = BrowserFunctionTable.memalloc;
    return entry ? entry(size) : nullptr;
}

void NPN_MemFree(void* block) {
    if (auto* entry = BrowserFunctionTable.memfree) entry(block);
}

bool NPN_InvokeDefault(NPP npp, NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    auto* entry = BrowserFunctionTable.invokeDefault;
    return entry ? entry(npp, object, args, argCount, result) : false;
}

void NPN_ReleaseVariantValue(NPVariant* variant) {
    if (auto* entry = BrowserFunctionTable.releasevariantvalue) entry(variant);
}

void NPN_PluginThreadAsyncCall(NPP npp, void (*function)(void*), void* userData) {
    if (auto* entry = BrowserFunctionTable.pluginthreadasynccall) entry(npp, function, userData);
}
