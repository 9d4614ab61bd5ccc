// "dnsResolve": looks a host name up on a worker thread and hands the dotted
// IPv4 text (or "") to a script function on the plug-in thread. When the page
// goes first, the function is released there uncalled (resolve_registry.h).
#pragma once

#include "npapi.h"

namespace dockplug {

// Called on the plug-in thread after the argument checks; never blocks.
void startResolve(NPP instance, const NPString& hostName, NPObject* callback);

}  // namespace dockplug
