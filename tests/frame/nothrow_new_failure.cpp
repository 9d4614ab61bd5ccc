#include "nothrow_new_failure.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace testmodule {
namespace {
std::atomic<int> refusals{0};
}
void failNothrowAllocations(int count) { refusals = count; }
}  // namespace testmodule

// Replaces the library's nothrow new; the memory still comes from the
// ordinary new so that delete matches it.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (testmodule::refusals > 0) {
        --testmodule::refusals;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
