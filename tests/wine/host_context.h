// What a feature check of the Windows host program works with: counting
// assertions, the folder of the real DLLs, a DLL loaded by LoadLibraryW with
// its three exports, a real top-level window, and a plug-in session that
// drives a loaded DLL through the fake browser.
//
// A check file registers itself (see check_registry.h):
//
//     HOST_CHECK(docking_attach) {   // run as: npplug_host.exe <dist> docking_attach
//         PluginSession session(context, L"dockplug.dll");
//         if (!REQUIRE(session.loaded())) return;
//         TopLevelWindow window(L"page");
//         CHECK_EQ(session.harness().setWindow(session.newInstance(), window.handle()), NPERR_NO_ERROR);
//     }
#pragma once

#include "check_registry.h"

#include "fake_browser.h"
#include "plugin_harness.h"

#include "windows_sdk.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace winehost {

// ---- text ----
std::string narrow(const std::wstring& text);  // UTF-8
std::wstring widen(const std::string& text);   // from UTF-8

// ---- assertions: count passes, print one line per failure ----
void setRunningCheck(const std::string& name);  // names the failure lines
const std::string& runningCheckName();
void recordPass();
void recordFailure(const char* file, int line, const std::string& text);
int passCount();
int failureCount();

template <typename T>
std::string describe(const T& value) {
    std::ostringstream out;
    if constexpr (std::is_same_v<T, std::wstring>) {
        out << '"' << narrow(value) << '"';
    } else if constexpr (std::is_same_v<T, std::string>) {
        out << '"' << value << '"';
    } else if constexpr (std::is_pointer_v<T>) {
        out << reinterpret_cast<const void*>(value);
    } else if constexpr (std::is_enum_v<T>) {
        out << static_cast<long long>(value);
    } else if constexpr (std::is_integral_v<T> && sizeof(T) == 1) {
        out << static_cast<int>(value);
    } else {
        out << value;
    }
    return out.str();
}

// True when the condition held; the caller may stop on false.
bool check(bool condition, const char* file, int line, const std::string& text);

template <typename A, typename B>
bool checkEqual(const A& actual, const B& expected, const char* file, int line, const char* actualText,
                const char* expectedText) {
    if (actual == expected) {
        recordPass();
        return true;
    }
    recordFailure(file, line,
                  std::string(actualText) + " == " + expectedText + ": got " + describe(actual) + ", expected " +
                      describe(expected));
    return false;
}

// ---- the running program ----
struct HostContext {
    std::wstring distDir;     // where sigplug.dll and dockplug.dll are
    std::string currentCheck;

    std::wstring pluginPath(const std::wstring& fileName) const;
};

// Runs the thread's message loop (timers, posted messages) for about `duration`.
void pumpMessages(std::chrono::milliseconds duration);
// Runs the fake host's queued async calls on this thread, pumping messages,
// until `done` holds; false when `limit` passed first.
bool serveUntil(fakehost::FakeBrowser& browser, const std::function<bool()>& done, std::chrono::milliseconds limit);

// ---- a DLL loaded as a browser loads it ----
class LoadedPlugin {
public:
    explicit LoadedPlugin(const std::wstring& path);
    ~LoadedPlugin();  // FreeLibrary
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    HMODULE module() const { return module_; }
    DWORD loadError() const { return loadError_; }
    // The module is loaded and all three exports were found by name.
    bool ok() const;
    fakehost::EntryPoints entryPoints() const { return entryPoints_; }
    FARPROC byName(const char* name) const;
    FARPROC byOrdinal(WORD ordinal) const;
    // Whether `address` lies inside the module's mapped image.
    bool contains(const void* address) const;

private:
    HMODULE module_;
    DWORD loadError_;
    fakehost::EntryPoints entryPoints_{};
};

// ---- a real top-level window, destroyed with the object ----
class TopLevelWindow {
public:
    explicit TopLevelWindow(const std::wstring& title = L"npplug host window", DWORD style = WS_OVERLAPPEDWINDOW,
                            DWORD exStyle = 0);
    ~TopLevelWindow();
    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    HWND handle() const { return window_; }
    // The class's window procedure, the one a subclassing displaces.
    static WNDPROC originalProcedure();

private:
    HWND window_;
};

// ---- a window a check made, destroyed with the object unless already gone ----
struct OwnedWindow {
    HWND handle = nullptr;
    OwnedWindow() = default;
    explicit OwnedWindow(HWND window) : handle(window) {}
    ~OwnedWindow() {
        if (handle && IsWindow(handle)) DestroyWindow(handle);
    }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
};

// ---- one plug-in DLL driven through the fake browser ----
// Construction loads the DLL, creates the browser and runs NP_GetEntryPoints
// and NP_Initialize; finish() destroys what is left, shuts down and returns
// the host's ledger problems; the destructor frees the library.
class PluginSession {
public:
    PluginSession(const HostContext& context, const std::wstring& fileName);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // The DLL loaded and the browser's NP_GetEntryPoints and NP_Initialize succeeded.
    bool loaded() const;
    LoadedPlugin& plugin() { return plugin_; }
    fakehost::FakeBrowser& browser() { return *browser_; }
    fakehost::PluginHarness& harness() { return *harness_; }
    NPP newInstance(NPError* status = nullptr) { return harness_->newInstance(status); }

    // Destroys remaining instances, runs NP_Shutdown; then the leaked blocks,
    // live objects, unexpected calls and errors the host recorded.
    std::vector<std::string> finish();

private:
    LoadedPlugin plugin_;
    std::unique_ptr<fakehost::FakeBrowser> browser_;
    std::unique_ptr<fakehost::PluginHarness> harness_;
};

}  // namespace winehost

#define CHECK(condition) ::winehost::check(static_cast<bool>(condition), __FILE__, __LINE__, #condition)
// CHECK with a note (std::string) on the failure line.
#define CHECK_MSG(condition, note) \
    ::winehost::check(static_cast<bool>(condition), __FILE__, __LINE__, std::string(#condition) + ": " + (note))
#define CHECK_EQ(actual, expected) \
    ::winehost::checkEqual((actual), (expected), __FILE__, __LINE__, #actual, #expected)
// Same as CHECK; reads as "stop this check when it fails": if (!REQUIRE(x)) return;
#define REQUIRE(condition) CHECK(condition)
