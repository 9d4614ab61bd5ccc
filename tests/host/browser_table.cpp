// The function table's entries: plain functions with the NPAPI calling
// convention that forward to the current FakeBrowser.
#include "browser_table.h"

#include "fake_browser.h"

#include <type_traits>

namespace fakehost {
namespace {

template <class Tag, class Entry>
struct Unexpected;

// NP_CALLBACK is the default convention on i686, so the plain pointer pattern matches.
template <class Tag, class R, class... Args>
struct Unexpected<Tag, R (*)(Args...)> {
    static R NP_CALLBACK call(Args...) {
        if (FakeBrowser* browser = FakeBrowser::current()) browser->unexpectedCall(Tag::name);
        if constexpr (std::is_same_v<R, NPError>)
            return NPERR_GENERIC_ERROR;
        else if constexpr (!std::is_void_v<R>)
            return R{};
    }
};

#define FAKEHOST_UNEXPECTED(field, label) \
    struct Tag_##field {                   \
        static constexpr char name[] = label; \
    };
#define FAKEHOST_UNEXPECTED_ENTRIES(X)                             \
    X(geturl, "NPN_GetURL")                                        \
    X(posturl, "NPN_PostURL")                                      \
    X(requestread, "NPN_RequestRead")                              \
    X(newstream, "NPN_NewStream")                                  \
    X(write, "NPN_Write")                                          \
    X(destroystream, "NPN_DestroyStream")                          \
    X(status, "NPN_Status")                                        \
    X(uagent, "NPN_UserAgent")                                     \
    X(memflush, "NPN_MemFlush")                                    \
    X(reloadplugins, "NPN_ReloadPlugins")                          \
    X(getJavaEnv, "NPN_GetJavaEnv")                                \
    X(getJavaPeer, "NPN_GetJavaPeer")                              \
    X(geturlnotify, "NPN_GetURLNotify")                            \
    X(posturlnotify, "NPN_PostURLNotify")                          \
    X(getvalue, "NPN_GetValue")                                    \
    X(setvalue, "NPN_SetValue")                                    \
    X(invalidaterect, "NPN_InvalidateRect")                        \
    X(invalidateregion, "NPN_InvalidateRegion")                    \
    X(forceredraw, "NPN_ForceRedraw")                              \
    X(getstringidentifiers, "NPN_GetStringIdentifiers")            \
    X(getintidentifier, "NPN_GetIntIdentifier")                    \
    X(intfromidentifier, "NPN_IntFromIdentifier")                  \
    X(invoke, "NPN_Invoke")                                        \
    X(evaluate, "NPN_Evaluate")                                    \
    X(getproperty, "NPN_GetProperty")                              \
    X(setproperty, "NPN_SetProperty")                              \
    X(removeproperty, "NPN_RemoveProperty")                        \
    X(hasproperty, "NPN_HasProperty")                              \
    X(hasmethod, "NPN_HasMethod")                                  \
    X(setexception, "NPN_SetException")                            \
    X(pushpopupsenabledstate, "NPN_PushPopupsEnabledState")        \
    X(poppopupsenabledstate, "NPN_PopPopupsEnabledState")          \
    X(enumerate, "NPN_Enumerate")                                  \
    X(construct, "NPN_Construct")                                  \
    X(getvalueforurl, "NPN_GetValueForURL")                        \
    X(setvalueforurl, "NPN_SetValueForURL")                        \
    X(getauthenticationinfo, "NPN_GetAuthenticationInfo")          \
    X(scheduletimer, "NPN_ScheduleTimer")                          \
    X(unscheduletimer, "NPN_UnscheduleTimer")                      \
    X(popupcontextmenu, "NPN_PopUpContextMenu")                    \
    X(convertpoint, "NPN_ConvertPoint")                            \
    X(handleevent, "NPN_HandleEvent")                              \
    X(unfocusinstance, "NPN_UnfocusInstance")                      \
    X(urlredirectresponse, "NPN_URLRedirectResponse")

FAKEHOST_UNEXPECTED_ENTRIES(FAKEHOST_UNEXPECTED)
#undef FAKEHOST_UNEXPECTED

NPIdentifier NP_CALLBACK getStringIdentifier(const NPUTF8* name) {
    FakeBrowser* browser = FakeBrowser::current();
    return browser ? browser->getStringIdentifier(name) : nullptr;
}

bool NP_CALLBACK identifierIsString(NPIdentifier identifier) {
    FakeBrowser* browser = FakeBrowser::current();
    return browser ? browser->identifierIsString(identifier) : false;
}

NPUTF8* NP_CALLBACK utf8FromIdentifier(NPIdentifier identifier) {
    FakeBrowser* browser = FakeBrowser::current();
    return browser ? browser->utf8FromIdentifier(identifier) : nullptr;
}

NPObject* NP_CALLBACK createObject(NPP npp, NPClass* aClass) {
    FakeBrowser* browser = FakeBrowser::current();
    return browser ? browser->createObject(npp, aClass) : nullptr;
}

NPObject* NP_CALLBACK retainObject(NPObject* object) {
    FakeBrowser* browser = FakeBrowser::current();
    return browser ? browser->retainObject(object) : object;
}

void NP_CALLBACK releaseObject(NPObject* object) {
    if (FakeBrowser* browser = FakeBrowser::current()) browser->releaseObject(object);
}

void* NP_CALLBACK memAlloc(uint32_t size) {
    FakeBrowser* browser = FakeBrowser::current();
    return browser ? browser->memAlloc(size) : nullptr;
}

void NP_CALLBACK memFree(void* block) {
    if (FakeBrowser* browser = FakeBrowser::current()) browser->memFree(block);
}

bool NP_CALLBACK invokeDefault(NPP npp, NPObject* object, const NPVariant* args, uint32_t argCount,
                               NPVariant* result) {
    FakeBrowser* browser = FakeBrowser::current();
    return browser ? browser->invokeDefault(npp, object, args, argCount, result) : false;
}

void NP_CALLBACK releaseVariantValue(NPVariant* variant) {
    if (FakeBrowser* browser = FakeBrowser::current()) browser->releaseVariantValue(variant);
}

void NP_CALLBACK pluginThreadAsyncCall(NPP instance, void (*function)(void*), void* userData) {
    // May come from any thread, also while the browser goes away.
    FakeBrowser::postToCurrent(instance, function, userData);
}

}  // namespace

NPNetscapeFuncs buildBrowserTable(uint16_t version) {
    NPNetscapeFuncs table{};
    table.size = sizeof(NPNetscapeFuncs);
    table.version = version;
#define FAKEHOST_ASSIGN(field, label) table.field = &Unexpected<Tag_##field, decltype(table.field)>::call;
    FAKEHOST_UNEXPECTED_ENTRIES(FAKEHOST_ASSIGN)
#undef FAKEHOST_ASSIGN
    table.getstringidentifier = &getStringIdentifier;
    table.identifierisstring = &identifierIsString;
    table.utf8fromidentifier = &utf8FromIdentifier;
    table.createobject = &createObject;
    table.retainobject = &retainObject;
    table.releaseobject = &releaseObject;
    table.memalloc = &memAlloc;
    table.memfree = &memFree;
    table.invokeDefault = &invokeDefault;
    table.releasevariantvalue = &releaseVariantValue;
    table.pluginthreadasynccall = &pluginThreadAsyncCall;
    return table;
}

}  // namespace fakehost
