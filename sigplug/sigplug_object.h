// The scriptable object pages get from an element of sigplug's MIME type.
#pragma once

#include "npapi.h"
#include "scriptable_object.h"

namespace sigplug {

// Process-wide identifier slots, fetched by every new instance in this order.
extern NPIdentifier methodIdentifiers[2];
inline NPIdentifier& signatureId = methodIdentifiers[0];
inline NPIdentifier& getCacheFileId = methodIdentifiers[1];

class ScriptablePluginObject : public ScriptablePluginObjectBase {
public:
    explicit ScriptablePluginObject(NPP instance) : ScriptablePluginObjectBase(instance) {}
    ~ScriptablePluginObject() override = default;

    bool hasMethod(NPIdentifier name) override;
    bool invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount, NPVariant* result) override;
    bool invokeDefault(const NPVariant*, uint32_t, NPVariant* result) override { return answerDefaultCall(result); }
    bool hasProperty(NPIdentifier) override { return false; }
    bool getProperty(NPIdentifier, NPVariant* result) override { return answerVoidProperty(result); }
};

}  // namespace sigplug
