// What a deliverable hands the shared frame: its method names (and the
// process-wide identifier slots they are fetched into), the class table of its
// scriptable object, and optional hooks: a timer run from the window
// procedure, an instance's end and the library's shutdown.
#pragma once

#include "npapi.h"
#include "platform.h"

#include <cstddef>

struct PluginModule {
    const char* const* methodNames;
    NPIdentifier* methodIdentifiers;  // one slot per name, same order
    size_t methodCount;
    NPClass* scriptableClass;
    UINT_PTR timerId;                 // WM_TIMER id that runs onTimer; unused when onTimer is null
    void (*onTimer)(NPObject* scriptableObject);
    void (*onInstanceDestroy)(NPP instance);  // NPP_Destroy, while the instance is still valid
    void (*onShutdown)();                     // NP_Shutdown
};

// Defined once by each deliverable (and by tests that build the frame alone).
extern const PluginModule thisPluginModule;
