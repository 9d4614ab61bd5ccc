// npplug_host.exe <dist-dir> [check-or-group...]
// Runs the named feature checks (all when none is named) against the real
// plug-in DLLs in <dist-dir>; "--list" prints the check names. Ends with
// "N passed, M failed"; exit code 0 only when nothing failed.
#include "host_context.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

using namespace winehost;

namespace {

// A crash in a plug-in or a check ends the run with one line instead of
// starting a debugger that waits forever.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    wchar_t modulePath[MAX_PATH] = L"?";
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(record->ExceptionAddress), &module)) {
        GetModuleFileNameW(module, modulePath, MAX_PATH);
    }
    std::printf("CRASH [%s] exception 0x%08lx at %p (%s+0x%lx)", runningCheckName().c_str(),
                static_cast<unsigned long>(record->ExceptionCode), record->ExceptionAddress,
                narrow(modulePath).c_str(),
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(record->ExceptionAddress) -
                                           reinterpret_cast<ULONG_PTR>(module)));
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2) {
        std::printf(", %s of %p", record->ExceptionInformation[0] ? "write" : "read",
                    reinterpret_cast<void*>(record->ExceptionInformation[1]));
    }
    std::printf("\n%d passed, %d failed\n", passCount(), failureCount() + 1);
    std::fflush(stdout);
    ExitProcess(3);
}

int usage() {
    std::printf("usage: npplug_host.exe <dist-dir> [check-or-group...]\n       npplug_host.exe --list\n");
    return 2;
}

void runOne(const RegisteredCheck& check, HostContext& context) {
    std::printf("== %s\n", check.name.c_str());
    std::fflush(stdout);
    context.currentCheck = check.name;
    setRunningCheck(check.name);
    int failuresBefore = failureCount();
    try {
        check.function(context);
    } catch (const std::exception& error) {
        recordFailure(__FILE__, __LINE__, std::string("exception: ") + error.what());
    } catch (...) {
        recordFailure(__FILE__, __LINE__, "unknown exception");
    }
    std::printf("   %s\n", failureCount() == failuresBefore ? "ok" : "FAILED");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // A crashing plug-in must end the run, not open an error dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(reportCrash);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    if (argc < 2) return usage();
    std::string first = argv[1];
    if (first == "--list") {
        for (const RegisteredCheck& check : registeredChecks()) std::printf("%s\n", check.name.c_str());
        return 0;
    }

    HostContext context;
    context.distDir = widen(first);
    setRunningCheck("setup");
    for (const std::string& name : duplicateChecks()) recordFailure(__FILE__, __LINE__, "check registered twice: " + name);

    std::vector<RegisteredCheck> selected;
    if (argc == 2) {
        selected = registeredChecks();
    } else {
        for (int i = 2; i < argc; ++i) {
            std::vector<RegisteredCheck> matches = selectChecks(argv[i]);
            if (matches.empty()) recordFailure(__FILE__, __LINE__, std::string("no check named ") + argv[i]);
            for (const RegisteredCheck& match : matches) {
                bool already = false;
                for (const RegisteredCheck& chosen : selected) already = already || chosen.name == match.name;
                if (!already) selected.push_back(match);
            }
        }
    }
    if (selected.empty() && failureCount() == 0) recordFailure(__FILE__, __LINE__, "no checks to run");

    for (const RegisteredCheck& check : selected) runOne(check, context);

    std::printf("%d passed, %d failed\n", passCount(), failureCount());
    return failureCount() == 0 ? 0 : 1;
}
