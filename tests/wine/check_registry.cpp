#include "check_registry.h"

#include <algorithm>

namespace winehost {
namespace {
// A function-local table: registrations run during static initialisation of
// other files, in no fixed order.
std::vector<RegisteredCheck>& table() {
    static std::vector<RegisteredCheck> checks;
    return checks;
}
std::vector<std::string>& duplicates() {
    static std::vector<std::string> names;
    return names;
}
}  // namespace

bool registerCheck(const char* name, CheckFunction function) {
    for (const RegisteredCheck& check : table()) {
        if (check.name == name) {
            duplicates().push_back(name);
            return false;
        }
    }
    table().push_back({name, function});
    return true;
}

std::vector<RegisteredCheck> registeredChecks() {
    std::vector<RegisteredCheck> checks = table();
    std::sort(checks.begin(), checks.end(),
              [](const RegisteredCheck& a, const RegisteredCheck& b) { return a.name < b.name; });
    return checks;
}

std::vector<RegisteredCheck> selectChecks(const std::string& selector) {
    std::vector<RegisteredCheck> selected;
    for (const RegisteredCheck& check : registeredChecks()) {
        if (check.name == selector || check.name.rfind(selector + "_", 0) == 0) selected.push_back(check);
    }
    return selected;
}

std::vector<std::string> duplicateChecks() { return duplicates(); }

}  // namespace winehost
