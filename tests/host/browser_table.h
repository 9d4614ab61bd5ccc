// The complete host function table the fake browser hands to NP_Initialize.
#pragma once

#include "npapi.h"

#include <cstdint>

namespace fakehost {

// Size sizeof(NPNetscapeFuncs), the given version, every entry set.
NPNetscapeFuncs buildBrowserTable(uint16_t version);

}  // namespace fakehost
