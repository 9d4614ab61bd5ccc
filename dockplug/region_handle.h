// Owns a GDI region until it is deleted or handed on with release().
#pragma once

#include "platform.h"

#include <memory>
#include <type_traits>

namespace dockplug {

struct RegionDeleter {
    void operator()(HRGN region) const { DeleteObject(region); }
};
using unique_hrgn = std::unique_ptr<std::remove_pointer_t<HRGN>, RegionDeleter>;

}  // namespace dockplug
