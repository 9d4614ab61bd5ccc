// The scriptable-object base: NPObject with virtual operations named after
// the NPClass members, and the class table that forwards to them.
#pragma once

#include "npapi.h"

#include <new>

class ScriptablePluginObjectBase : public NPObject {
public:
    explicit ScriptablePluginObjectBase(NPP instance) : NPObject{nullptr, 0}, npp(instance) {}
    virtual ~ScriptablePluginObjectBase() = default;
    ScriptablePluginObjectBase(const ScriptablePluginObjectBase&) = delete;
    ScriptablePluginObjectBase& operator=(const ScriptablePluginObjectBase&) = delete;

    virtual void invalidate() {}
    virtual bool hasMethod(NPIdentifier) { return false; }
    virtual bool invoke(NPIdentifier, const NPVariant*, uint32_t, NPVariant*) { return false; }
    virtual bool invokeDefault(const NPVariant*, uint32_t, NPVariant*) { return false; }
    virtual bool hasProperty(NPIdentifier) { return false; }
    virtual bool getProperty(NPIdentifier, NPVariant*) { return false; }
    virtual bool setProperty(NPIdentifier, const NPVariant*) { return false; }
    virtual bool removeProperty(NPIdentifier) { return false; }
    virtual bool enumerate(NPIdentifier**, uint32_t*) { return false; }
    virtual bool construct(const NPVariant*, uint32_t, NPVariant*) { return false; }

    static ScriptablePluginObjectBase* fromNPObject(NPObject* object) {
        return static_cast<ScriptablePluginObjectBase*>(object);
    }

    const NPP npp;

protected:
    // What both deliverables answer to a call of the object itself.
    static bool answerDefaultCall(NPVariant* result);
    // Both deliverables have no properties: every read yields void.
    static bool answerVoidProperty(NPVariant* result);
};

// The eleven members every class table shares; only allocate differs per class.
namespace class_binding {
void NP_CALLBACK deallocate(NPObject* object);
void NP_CALLBACK invalidate(NPObject* object);
bool NP_CALLBACK hasMethod(NPObject* object, NPIdentifier name);
bool NP_CALLBACK invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                        NPVariant* result);
bool NP_CALLBACK invokeDefault(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result);
bool NP_CALLBACK hasProperty(NPObject* object, NPIdentifier name);
bool NP_CALLBACK getProperty(NPObject* object, NPIdentifier name, NPVariant* result);
bool NP_CALLBACK setProperty(NPObject* object, NPIdentifier name, const NPVariant* value);
bool NP_CALLBACK removeProperty(NPObject* object, NPIdentifier name);
bool NP_CALLBACK enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count);
bool NP_CALLBACK construct(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result);

template <class Object>
NPObject* NP_CALLBACK allocate(NPP npp, NPClass*) {
    try {
        return new (std::nothrow) Object(npp);
    } catch (...) {
        return nullptr;
    }
}
}  // namespace class_binding

// The class table of one concrete class, structVersion 3, no member null.
template <class Object>
NPClass makeScriptableClass() {
    using namespace class_binding;
    return NPClass{NP_CLASS_STRUCT_VERSION_CTOR,
                   &allocate<Object>,
                   &deallocate,
                   &class_binding::invalidate,
                   &class_binding::hasMethod,
                   &class_binding::invoke,
                   &class_binding::invokeDefault,
                   &class_binding::hasProperty,
                   &class_binding::getProperty,
                   &class_binding::setProperty,
                   &class_binding::removeProperty,
                   &class_binding::enumerate,
                   &class_binding::construct};
}
