#include "resolver.h"

namespace dockplug {

void startResolve(NPP, const NPString&, NPObject*) {}

}  // namespace dockplug
