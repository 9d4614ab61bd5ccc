#include "test_module.h"

#include "plugin_module.h"

#include <stdexcept>

namespace testmodule {

NPIdentifier methodIdentifiers[3];
const char* const kMethodNames[3] = {"alpha", "beta", "gamma"};
int ProbeObject::destroyed = 0;
bool throwFromTimer = false;

std::vector<TimerTick>& timerTicks() {
    static std::vector<TimerTick> ticks;
    return ticks;
}

NPClass& scriptableClass() {
    static NPClass table = makeScriptableClass<ProbeObject>();
    return table;
}

namespace {
void onTimer(NPObject* object) {
    timerTicks().push_back(TimerTick{object, object->referenceCount});
    if (throwFromTimer) throw std::runtime_error("tick failed");
}
}  // namespace

}  // namespace testmodule

const PluginModule thisPluginModule{testmodule::kMethodNames, testmodule::methodIdentifiers, 3,
                                    &testmodule::scriptableClass(), testmodule::kTimerId, &testmodule::onTimer,
                                    nullptr, nullptr};
