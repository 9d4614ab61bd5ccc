#include "scriptable_object.h"

#include "browser.h"
#include "variant.h"

#include <cstring>

bool ScriptablePluginObjectBase::answerDefaultCall(NPVariant* result) {
    static const char kAnswer[] = "default method return val";
    return setStringResult(result, kAnswer, sizeof kAnswer - 1);
}

bool ScriptablePluginObjectBase::answerVoidProperty(NPVariant* result) {
    setVoid(result);
    return true;
}

// No exception may reach the host: each member answers false (or nothing) instead.
namespace class_binding {
namespace {
ScriptablePluginObjectBase* self(NPObject* object) { return ScriptablePluginObjectBase::fromNPObject(object); }

template <class Call>
bool guarded(Call call) {
    try {
        return call();
    } catch (...) {
        return false;
    }
}
}  // namespace

void NP_CALLBACK deallocate(NPObject* object) {
    if (!object) return;
    try {
        delete self(object);
    } catch (...) {
    }
}

void NP_CALLBACK invalidate(NPObject* object) {
    try {
        self(object)->invalidate();
    } catch (...) {
    }
}

bool NP_CALLBACK hasMethod(NPObject* object, NPIdentifier name) {
    return guarded([&] { return self(object)->hasMethod(name); });
}

bool NP_CALLBACK invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                        NPVariant* result) {
    return guarded([&] { return self(object)->invoke(name, args, argCount, result); });
}

bool NP_CALLBACK invokeDefault(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    return guarded([&] { return self(object)->invokeDefault(args, argCount, result); });
}

bool NP_CALLBACK hasProperty(NPObject* object, NPIdentifier name) {
    return guarded([&] { return self(object)->hasProperty(name); });
}

bool NP_CALLBACK getProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
    return guarded([&] { return self(object)->getProperty(name, result); });
}

bool NP_CALLBACK setProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
    return guarded([&] { return self(object)->setProperty(name, value); });
}

bool NP_CALLBACK removeProperty(NPObject* object, NPIdentifier name) {
    return guarded([&] { return self(object)->removeProperty(name); });
}

bool NP_CALLBACK enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) {
    return guarded([&] { return self(object)->enumerate(identifiers, count); });
}

bool NP_CALLBACK construct(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    return guarded([&] { return self(object)->construct(args, argCount, result); });
}
}  // namespace class_binding
