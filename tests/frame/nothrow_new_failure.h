// Lets a test refuse the frame's next nothrow allocations (its records and
// scriptable objects are made with new (std::nothrow)).
#pragma once

namespace testmodule {
// The next `count` nothrow allocations of the process return null.
void failNothrowAllocations(int count);
}  // namespace testmodule
