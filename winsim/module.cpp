// Module file name, module references and GetLastError.
#include "internal.h"

#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace winsim {
namespace {
constexpr const char* defaultPath = "C:\\Program Files\\Browser\\browser.exe";
constexpr DWORD errorInsufficientBuffer = 122;
constexpr DWORD errorInvalidParameter = 87;
const HMODULE fakeModule = detail::fromBits<HMODULE>(0x10000000);

std::mutex moduleMutex;
std::string path = defaultPath;
bool failPath = false;
bool oldTruncation = false;
long references = 0;
thread_local DWORD lastError = 0;
}  // namespace

namespace detail {
void setLastError(DWORD error) { lastError = error; }
void resetModule() {
    std::lock_guard<std::mutex> lock(moduleMutex);
    path = defaultPath;
    failPath = false;
    oldTruncation = false;
    references = 0;
}
}  // namespace detail

void setModuleFileName(const std::string& newPath) {
    std::lock_guard<std::mutex> lock(moduleMutex);
    path = newPath;
}
void failModuleFileName(bool fail) {
    std::lock_guard<std::mutex> lock(moduleMutex);
    failPath = fail;
}
void moduleFileNameWithoutNul(bool withoutNul) {
    std::lock_guard<std::mutex> lock(moduleMutex);
    oldTruncation = withoutNul;
}
long moduleReferences() {
    std::lock_guard<std::mutex> lock(moduleMutex);
    return references;
}
HMODULE moduleHandle() { return fakeModule; }

}  // namespace winsim

using winsim::detail::logCall;

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size) {
    logCall("GetModuleFileNameA");
    std::lock_guard<std::mutex> lock(winsim::moduleMutex);
    if (winsim::failPath || !fileName || size == 0) {
        winsim::detail::setLastError(winsim::errorInvalidParameter);
        return 0;
    }
    const std::string& p = winsim::path;
    if (p.size() < size) {
        std::memcpy(fileName, p.c_str(), p.size() + 1);
        winsim::detail::setLastError(0);
        return static_cast<DWORD>(p.size());
    }
    if (winsim::oldTruncation) {
        std::memcpy(fileName, p.data(), size);
    } else {
        std::memcpy(fileName, p.data(), size - 1);
        fileName[size - 1] = '\0';
    }
    winsim::detail::setLastError(winsim::errorInsufficientBuffer);
    return size;
}

BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR, HMODULE* module) {
    logCall("GetModuleHandleExW");
    if (!module) {
        winsim::detail::setLastError(winsim::errorInvalidParameter);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(winsim::moduleMutex);
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) ++winsim::references;
    *module = winsim::fakeModule;
    return TRUE;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    logCall("FreeLibrary");
    std::lock_guard<std::mutex> lock(winsim::moduleMutex);
    if (module != winsim::fakeModule || winsim::references == 0) {
        winsim::detail::setLastError(winsim::errorInvalidParameter);
        return FALSE;
    }
    --winsim::references;
    return TRUE;
}

void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD) {
    logCall("FreeLibraryAndExitThread");
    {
        std::lock_guard<std::mutex> lock(winsim::moduleMutex);
        if (module == winsim::fakeModule) --winsim::references;
    }
    if (!winsim::detail::onSimulatedThread()) {
        std::fputs("winsim: FreeLibraryAndExitThread called outside a CreateThread thread\n", stderr);
        std::abort();
    }
    pthread_exit(nullptr);
}

DWORD WINAPI GetLastError() { return winsim::lastError; }
