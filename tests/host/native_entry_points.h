// The linked library's exports, for native tests that drive it in-process.
#pragma once

#include "entry_points.h"
#include "plugin_harness.h"

inline fakehost::EntryPoints nativeEntryPoints() { return {&NP_GetEntryPoints, &NP_Initialize, &NP_Shutdown}; }
