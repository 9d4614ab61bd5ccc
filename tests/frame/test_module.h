// A deliverable made only for testing the frame alone: three method names,
// a probe object that counts its destruction, and a timer hook that records
// each tick.
#pragma once

#include "npapi.h"
#include "platform.h"
#include "scriptable_object.h"

#include <cstdint>
#include <vector>

namespace testmodule {

extern NPIdentifier methodIdentifiers[3];
extern const char* const kMethodNames[3];
constexpr UINT_PTR kTimerId = 42;

class ProbeObject : public ScriptablePluginObjectBase {
public:
    explicit ProbeObject(NPP instance) : ScriptablePluginObjectBase(instance) {}
    ~ProbeObject() override { ++destroyed; }

    bool invokeDefault(const NPVariant*, uint32_t, NPVariant* result) override { return answerDefaultCall(result); }
    bool hasProperty(NPIdentifier) override { return false; }
    bool getProperty(NPIdentifier, NPVariant* result) override { return answerVoidProperty(result); }

    static int destroyed;
};

struct TimerTick {
    NPObject* object;
    uint32_t referenceCount;  // while the hook ran
};

// Ticks seen by the hook since the last clear.
std::vector<TimerTick>& timerTicks();
// Makes the hook throw after recording its tick.
extern bool throwFromTimer;

NPClass& scriptableClass();

}  // namespace testmodule
