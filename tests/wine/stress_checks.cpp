// Stress of the real DLLs in one host process: many instance lives with
// docking and bands, many lookups against the local name server, and an
// unload with lookups under way. The process's handle, GDI and USER object
// counts must come back to where they stood after a warm-up round (Wine
// creates some of its own objects lazily on first use).
//   stress_*: run by with-stress.sh (the npplug.test zone of dns/npplug.conf).
// Counts: NPPLUG_STRESS_CYCLES (default 300, about 80 s under the emulated VM;
// the full 1000 takes about 4.5 min), NPPLUG_STRESS_LOOKUPS (default 2000).
#include "host_context.h"
#include "script_function.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using fakehost::ScriptFunction;
using winehost::PluginSession;
using winehost::TopLevelWindow;

int countFromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

BOOL CALLBACK countWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

// GetGuiResources and GetProcessHandleCount answer 0 under Wine, so the
// handle table is also walked and this thread's windows are counted; on
// Windows all five figures are compared.
struct ProcessCounts {
    DWORD gdi, user, handles, liveHandles, windows;
    static ProcessCounts now() {
        ProcessCounts c{GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                        GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), 0, 0, 0};
        GetProcessHandleCount(GetCurrentProcess(), &c.handles);
        DWORD flags = 0;
        for (uintptr_t h = 4; h < 0x20000; h += 4)
            c.liveHandles += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) ? 1 : 0;
        EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&c.windows));
        return c;
    }
    std::string text() const {
        return "gdi " + std::to_string(gdi) + ", user " + std::to_string(user) + ", handle count " +
               std::to_string(handles) + ", live handles " + std::to_string(liveHandles) + ", windows " +
               std::to_string(windows);
    }
};

void expectCountsBack(const ProcessCounts& before, const char* what) {
    const ProcessCounts after = ProcessCounts::now();
    std::printf("   %s: before %s; after %s\n", what, before.text().c_str(), after.text().c_str());
    CHECK_EQ(after.gdi, before.gdi);
    CHECK_EQ(after.user, before.user);
    CHECK_EQ(after.handles, before.handles);
    CHECK_EQ(after.liveHandles, before.liveHandles);
    CHECK_EQ(after.windows, before.windows);
    CHECK(before.liveHandles > 0);  // the walk sees at least the process's own handles
}

constexpr wchar_t kStressClass[] = L"StressCheckWindow";

HWND popup(DWORD exStyle, int width, int height, HWND userData) {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = kStressClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    HWND window = CreateWindowExW(exStyle, kStressClass, L"stress", WS_POPUP, 60, 60, width, height, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window && userData) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(userData));
    return window;
}

NPVariant handle(HWND window) { return fakehost::intVariant(static_cast<int32_t>(reinterpret_cast<uintptr_t>(window))); }

// One instance's life: window, object, a main-frame and a tab docking, bands,
// a few follow ticks, then everything goes again. False when a step failed.
bool instanceCycle(PluginSession& session, HWND frame) {
    fakehost::PluginHarness& harness = session.harness();
    TopLevelWindow pluginWindow(L"stress plug-in window");
    HWND closeTarget = popup(0, 10, 10, nullptr);
    HWND layered = popup(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, 200, 100, closeTarget);
    HWND page = popup(0, 10, 10, layered);
    bool ok = closeTarget && layered && page;
    NPP instance = harness.newInstance();
    ok = ok && instance && harness.setWindow(instance, pluginWindow.handle()) == NPERR_NO_ERROR;
    NPObject* object = instance ? harness.scriptableObject(instance) : nullptr;
    if (ok && object) {
        ShowWindow(layered, SW_SHOWNOACTIVATE);
        ok = harness.invoke(object, "attachWndToMainFrame", {handle(page), handle(frame)}).ok();
        ok = harness.invoke(object, "attachWndToTab", {handle(page), handle(frame)}).ok() && ok;
        ok = harness.invoke(object, "setDisplayRgn", {handle(page), fakehost::intVariant(20), fakehost::intVariant(30)}).ok() && ok;
        ok = harness.invoke(object, "hideLayeredWnd", {handle(page)}).ok() && ok;
        ok = harness.invoke(object, "showLayeredWnd", {handle(page)}).ok() && ok;
        winehost::pumpMessages(std::chrono::milliseconds(12));  // a couple of follow ticks
    } else {
        ok = false;
    }
    if (object) harness.release(object);
    if (instance) harness.destroy(instance);
    for (HWND w : {page, layered, closeTarget})
        if (w) DestroyWindow(w);
    return ok;
}

// Drains the fake host's async queue on this thread until `done` holds.
bool serveUntil(fakehost::FakeBrowser& browser, const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    for (;;) {
        browser.runAsyncCalls();
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        browser.waitForAsyncCalls(1, std::chrono::milliseconds(20));
        winehost::pumpMessages(std::chrono::milliseconds(0));
    }
}

// Lookups in waves; each callback must be called once with its name's answer
// and released by the plug-in.
int lookupWaves(PluginSession& session, NPObject* object, NPP npp, int count, int wave) {
    const char* const names[] = {"a.npplug.test", "first.npplug.test", "missing.npplug.test"};
    const char* const answers[] = {"192.0.2.10", "192.0.2.30", ""};
    int wrong = 0;
    for (int done = 0; done < count; done += wave) {
        const int n = std::min(wave, count - done);
        std::vector<std::unique_ptr<ScriptFunction>> callbacks;
        for (int i = 0; i < n; ++i) {
            callbacks.push_back(std::make_unique<ScriptFunction>(session.browser(), npp));
            const std::string name = names[(done + i) % 3];
            if (!session.harness()
                     .invoke(object, "dnsResolve",
                             {fakehost::stringVariant(name), fakehost::objectVariant(callbacks.back()->object())})
                     .ok())
                ++wrong;
        }
        auto allAnswered = [&] {
            return std::all_of(callbacks.begin(), callbacks.end(), [](const auto& f) { return !f->calls().empty(); });
        };
        if (!CHECK(serveUntil(session.browser(), allAnswered, std::chrono::seconds(120)))) return wrong + n;
        serveUntil(session.browser(), [] { return false; }, std::chrono::milliseconds(50));  // late duplicates
        for (int i = 0; i < n; ++i) {
            if (callbacks[i]->receivedStrings() != std::vector<std::string>{answers[(done + i) % 3]} ||
                callbacks[i]->referenceCount() != 1)
                ++wrong;
        }
    }
    return wrong;
}

}  // namespace

HOST_CHECK(stress_instances) {
    const int cycles = countFromEnvironment("NPPLUG_STRESS_CYCLES", 300);
    PluginSession session(context, L"dockplug.dll");
    if (!REQUIRE(session.loaded())) return;
    TopLevelWindow frame(L"stress frame");
    ShowWindow(frame.handle(), SW_SHOWNOACTIVATE);
    for (int i = 0; i < 3; ++i) instanceCycle(session, frame.handle());  // warm-up
    winehost::pumpMessages(std::chrono::milliseconds(50));
    const ProcessCounts before = ProcessCounts::now();
    const ULONGLONG start = GetTickCount64();
    int failed = 0;
    for (int i = 0; i < cycles; ++i) failed += !instanceCycle(session, frame.handle());
    winehost::pumpMessages(std::chrono::milliseconds(50));
    std::printf("   %d instance cycles in %.1f s\n", cycles, (GetTickCount64() - start) / 1000.0);
    CHECK_EQ(failed, 0);
    expectCountsBack(before, "instance cycles");
    for (const std::string& problem : session.finish()) CHECK_MSG(false, problem);
}

HOST_CHECK(stress_lookups) {
    const int lookups = countFromEnvironment("NPPLUG_STRESS_LOOKUPS", 2000);
    PluginSession session(context, L"dockplug.dll");
    if (!REQUIRE(session.loaded())) return;
    NPP npp = session.newInstance();
    NPObject* object = session.harness().scriptableObject(npp);
    if (!REQUIRE(object)) return;
    CHECK_EQ(lookupWaves(session, object, npp, 30, 30), 0);  // warm-up: Wine's DNS and thread machinery
    Sleep(500);
    winehost::pumpMessages(std::chrono::milliseconds(50));
    const ProcessCounts before = ProcessCounts::now();
    const ULONGLONG start = GetTickCount64();
    const int wrong = lookupWaves(session, object, npp, lookups, 250);
    std::printf("   %d lookups in %.1f s\n", lookups, (GetTickCount64() - start) / 1000.0);
    CHECK_EQ(wrong, 0);
    // Workers leave after their hand-back; give them time to end before counting.
    const ULONGLONG end = GetTickCount64() + 30000;
    while (ProcessCounts::now().liveHandles != before.liveHandles && GetTickCount64() < end) Sleep(100);
    expectCountsBack(before, "lookups");
    session.harness().release(object);
    for (const std::string& problem : session.finish()) CHECK_MSG(false, problem);
}

// The page and the library go while lookups are still under way: the host
// survives, no callback is called twice, and once the last worker has left
// the library is unloaded and the process's counts are back.
HOST_CHECK(stress_unload) {
    constexpr int kRounds = 5;
    constexpr int kCalls = 100;
    // The system libraries dockplug imports stay loaded across the rounds, so
    // their own start-up (handles Wine keeps per load) is not counted as ours.
    HMODULE pinned[] = {LoadLibraryW(L"dnsapi.dll"), LoadLibraryW(L"ws2_32.dll")};
    {  // warm-up
        PluginSession session(context, L"dockplug.dll");
        if (!REQUIRE(session.loaded())) return;
        NPP npp = session.newInstance();
        NPObject* object = session.harness().scriptableObject(npp);
        if (!REQUIRE(object)) return;
        lookupWaves(session, object, npp, 10, 10);
        session.harness().release(object);
        session.finish();
    }
    // What the same number of plain loads leaves behind (see stress_reload).
    const ProcessCounts plainStart = ProcessCounts::now();
    for (int round = 0; round < kRounds; ++round) {
        PluginSession session(context, L"dockplug.dll");
        session.finish();
    }
    const DWORD plainGrowth = ProcessCounts::now().liveHandles - plainStart.liveHandles;
    Sleep(500);
    const ProcessCounts before = ProcessCounts::now();
    int twice = 0, answered = 0;
    for (int round = 0; round < kRounds; ++round) {
        {
            PluginSession session(context, L"dockplug.dll");
            if (!REQUIRE(session.loaded())) return;
            NPP npp = session.newInstance();
            NPObject* object = session.harness().scriptableObject(npp);
            if (!REQUIRE(object)) return;
            std::vector<std::unique_ptr<ScriptFunction>> callbacks;
            for (int i = 0; i < kCalls; ++i) {
                callbacks.push_back(std::make_unique<ScriptFunction>(session.browser(), npp));
                const std::string name = (i % 2) ? "a.npplug.test" : "missing.npplug.test";
                CHECK(session.harness()
                          .invoke(object, "dnsResolve",
                                  {fakehost::stringVariant(name), fakehost::objectVariant(callbacks.back()->object())})
                          .ok());
            }
            // Only what is already queued is delivered; the rest is under way when the page goes.
            session.browser().runAsyncCalls();
            for (const auto& callback : callbacks) {
                answered += !callback->calls().empty();
                twice += callback->calls().size() > 1;
            }
            session.harness().release(object);
            callbacks.clear();
            // Hand-backs that arrive from now on find no current host and are dropped.
            session.finish();
        }  // FreeLibrary while workers may still hold the library
        const ULONGLONG end = GetTickCount64() + 120000;
        while (GetModuleHandleW(L"dockplug.dll") && GetTickCount64() < end) winehost::pumpMessages(std::chrono::milliseconds(50));
        CHECK_MSG(GetModuleHandleW(L"dockplug.dll") == nullptr, "the last worker unloads the library");
    }
    std::printf("   %d of %d lookups answered before their page went\n", answered, kRounds * kCalls);
    CHECK_EQ(twice, 0);
    const ULONGLONG end = GetTickCount64() + 30000;
    while (ProcessCounts::now().liveHandles > before.liveHandles + plainGrowth && GetTickCount64() < end) Sleep(100);
    const ProcessCounts after = ProcessCounts::now();
    std::printf("   unload rounds: live handles %lu -> %lu (plain loads leave %lu)\n",
                static_cast<unsigned long>(before.liveHandles), static_cast<unsigned long>(after.liveHandles),
                static_cast<unsigned long>(plainGrowth));
    CHECK(after.liveHandles <= before.liveHandles + plainGrowth);
    CHECK_EQ(after.windows, before.windows);
    CHECK_EQ(after.gdi, before.gdi);
    CHECK_EQ(after.user, before.user);
    for (HMODULE module : pinned)
        if (module) FreeLibrary(module);
}

// Loading and unloading the libraries alone, without lookups: what a browser
// does when a page with the plug-in comes and goes.
HOST_CHECK(stress_reload) {
    for (const wchar_t* library : {L"sigplug.dll", L"dockplug.dll"}) {
        {
            PluginSession warmUp(context, library);
            warmUp.finish();
        }
        const ProcessCounts before = ProcessCounts::now();
        for (int round = 0; round < 10; ++round) {
            PluginSession session(context, library);
            if (!REQUIRE(session.loaded())) return;
            NPObject* object = session.harness().scriptableObject(session.newInstance());
            if (object) session.harness().release(object);
            for (const std::string& problem : session.finish()) CHECK_MSG(false, problem);
        }
        // Under Wine every load and unload leaves a few handles behind even for
        // sigplug, which starts no thread: reported, not held against the plug-in.
        const ProcessCounts after = ProcessCounts::now();
        std::printf("   %s: 10 loads, live handles %lu -> %lu\n", winehost::narrow(library).c_str(),
                    static_cast<unsigned long>(before.liveHandles), static_cast<unsigned long>(after.liveHandles));
        CHECK_EQ(after.windows, before.windows);
        CHECK_EQ(after.gdi, before.gdi);
        CHECK_EQ(after.user, before.user);
    }
}
