#include "host_context.h"

#include <cstdio>

namespace winehost {
namespace {
int passes = 0;
int failures = 0;
std::string runningCheck;

LRESULT CALLBACK hostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// GetProcAddress gives a generic pointer; the export's real type is known here.
template <typename Function>
Function exportAs(FARPROC address) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

const wchar_t kWindowClass[] = L"NpplugHostWindow";

bool registerWindowClass() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hostWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassW(&windowClass) != 0;
}
}  // namespace

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return result;
}

void setRunningCheck(const std::string& name) { runningCheck = name; }
const std::string& runningCheckName() { return runningCheck; }

void recordPass() { ++passes; }

void recordFailure(const char* file, int line, const std::string& text) {
    ++failures;
    const char* base = file;
    for (const char* p = file; *p; ++p) {
        if (*p == '/' || *p == '\\') base = p + 1;
    }
    std::printf("FAIL [%s] %s:%d: %s\n", runningCheck.c_str(), base, line, text.c_str());
    std::fflush(stdout);
}

int passCount() { return passes; }
int failureCount() { return failures; }

bool check(bool condition, const char* file, int line, const std::string& text) {
    if (condition) {
        recordPass();
    } else {
        recordFailure(file, line, text);
    }
    return condition;
}

std::wstring HostContext::pluginPath(const std::wstring& fileName) const {
    if (distDir.empty()) return fileName;
    wchar_t last = distDir.back();
    return (last == L'\\' || last == L'/') ? distDir + fileName : distDir + L"\\" + fileName;
}

void pumpMessages(std::chrono::milliseconds duration) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(duration.count());
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

bool serveUntil(fakehost::FakeBrowser& browser, const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    for (;;) {
        browser.runAsyncCalls();
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        browser.waitForAsyncCalls(1, std::chrono::milliseconds(20));
        pumpMessages(std::chrono::milliseconds(0));
    }
}

// ---- LoadedPlugin ----

LoadedPlugin::LoadedPlugin(const std::wstring& path)
    : module_(LoadLibraryW(path.c_str())), loadError_(module_ ? 0 : GetLastError()) {
    if (!module_) return;
    entryPoints_.getEntryPoints = exportAs<fakehost::GetEntryPointsFunction>(byName("NP_GetEntryPoints"));
    entryPoints_.initialize = exportAs<fakehost::InitializeFunction>(byName("NP_Initialize"));
    entryPoints_.shutdown = exportAs<fakehost::ShutdownFunction>(byName("NP_Shutdown"));
}

LoadedPlugin::~LoadedPlugin() {
    if (module_) FreeLibrary(module_);
}

bool LoadedPlugin::ok() const {
    return module_ && entryPoints_.getEntryPoints && entryPoints_.initialize && entryPoints_.shutdown;
}

FARPROC LoadedPlugin::byName(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

FARPROC LoadedPlugin::byOrdinal(WORD ordinal) const {
    return module_ ? GetProcAddress(module_, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(ordinal))) : nullptr;
}

bool LoadedPlugin::contains(const void* address) const {
    if (!module_) return false;
    auto base = reinterpret_cast<const BYTE*>(module_);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    auto at = static_cast<const BYTE*>(address);
    return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

// ---- TopLevelWindow ----

TopLevelWindow::TopLevelWindow(const std::wstring& title, DWORD style, DWORD exStyle) {
    static const bool registered = registerWindowClass();
    (void)registered;
    window_ = CreateWindowExW(exStyle, kWindowClass, title.c_str(), style, 100, 100, 400, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
}

TopLevelWindow::~TopLevelWindow() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

WNDPROC TopLevelWindow::originalProcedure() { return hostWindowProcedure; }

// ---- PluginSession ----

PluginSession::PluginSession(const HostContext& context, const std::wstring& fileName)
    : plugin_(context.pluginPath(fileName)), browser_(std::make_unique<fakehost::FakeBrowser>()) {
    if (plugin_.ok()) harness_ = std::make_unique<fakehost::PluginHarness>(*browser_, plugin_.entryPoints());
}

PluginSession::~PluginSession() {
    harness_.reset();
    browser_.reset();
}

bool PluginSession::loaded() const { return harness_ && harness_->loaded(); }

std::vector<std::string> PluginSession::finish() {
    if (harness_) {
        harness_->destroyAll();
        harness_->shutdown();
    }
    return browser_->problems();
}

}  // namespace winehost
