// Feature checks register themselves by name; the host program runs the ones
// named on its command line. A new check is a new *_checks.cpp file in this
// folder (picked up by the build) with HOST_CHECK bodies; main stays as it is.
#pragma once

#include <string>
#include <vector>

namespace winehost {

struct HostContext;
using CheckFunction = void (*)(HostContext& context);

struct RegisteredCheck {
    std::string name;
    CheckFunction function;
};

// Adds a check; names are unique (a duplicate is reported at start-up).
bool registerCheck(const char* name, CheckFunction function);
// Every check, sorted by name.
std::vector<RegisteredCheck> registeredChecks();
// The checks a selector names: the check of that name, or every check whose
// name starts with "<selector>_" (so "frame" runs frame_exports, frame_instance...).
std::vector<RegisteredCheck> selectChecks(const std::string& selector);
// Names registered twice.
std::vector<std::string> duplicateChecks();

}  // namespace winehost

#define HOST_CHECK(name)                                                                   \
    static void name(::winehost::HostContext& context);                                    \
    static const bool name##_registered = ::winehost::registerCheck(#name, &name);         \
    static void name([[maybe_unused]] ::winehost::HostContext& context)
