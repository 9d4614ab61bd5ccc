// Stress of the real DLLs in one host process: many instance lives with
// docking and bands, many lookups against the local name server, unloads with
// lookups under way, and plain reloads. The process's handle, GDI, USER and
// TLS figures must come back exactly to where they stood after a warm-up
// round (Wine makes some objects of its own on first use); per load, only
// what loading a do-nothing DLL leaves (the loader's share) is allowed.
//   stress_*: run by with-stress.sh (the npplug.test zone of dns/npplug.conf).
// Counts: NPPLUG_STRESS_CYCLES (default 1000, about 2.5 min in the emulated VM),
// NPPLUG_STRESS_LOOKUPS (default 2000).
#include "host_context.h"
#include "process_counts.h"
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
using winehost::ProcessCounts;
using winehost::serveUntil;
using winehost::TopLevelWindow;

int countFromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

double secondsSince(ULONGLONG start) { return static_cast<double>(GetTickCount64() - start) / 1000.0; }

// Runs the message loop until `done` holds; false when `limit` passed first.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        winehost::pumpMessages(std::chrono::milliseconds(1));
    }
    return true;
}

// Waits for the figures to come back (workers end, the last one unloads the
// library, after their hand-back), then checks them.
void expectCountsBackWithin(const ProcessCounts& before, const char* what, DWORD allowedHandleGrowth,
                            std::chrono::milliseconds limit) {
    pumpUntil([&] { return ProcessCounts::now().liveHandles() == before.liveHandles() + allowedHandleGrowth; }, limit);
    winehost::expectCountsBack(before, what, allowedHandleGrowth);
}

// The figures once the live handles have held still for a moment (workers
// leave after their hand-back).
ProcessCounts settledCounts() {
    ProcessCounts last = ProcessCounts::now();
    for (int i = 0; i < 50; ++i) {
        winehost::pumpMessages(std::chrono::milliseconds(100));
        ProcessCounts now = ProcessCounts::now();
        const bool still = now.liveHandles() == last.liveHandles();
        last = std::move(now);
        if (still) break;
    }
    return last;
}

std::wstring besideHost(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + fileName;
}

// The live handles `loads` loads and unloads of the do-nothing control DLL
// leave: the loader's own share, allowed to the plug-ins per load. -1 when
// the control cannot be loaded.
long controlGrowth(int loads) {
    const std::wstring path = besideHost(L"loadcontrol.dll");
    // Neither the first load's one-time work nor the first count's is per load.
    FreeLibrary(LoadLibraryW(path.c_str()));
    ProcessCounts::now();
    const ProcessCounts before = ProcessCounts::now();
    for (int i = 0; i < loads; ++i) {
        HMODULE control = LoadLibraryW(path.c_str());
        if (!control || !GetProcAddress(control, "loadControlAnswer")) return -1;
        FreeLibrary(control);
    }
    const ProcessCounts after = ProcessCounts::now();
    std::printf("   control DLL: %d loads, live handles %lu -> %lu (new: %s)\n", loads,
                static_cast<unsigned long>(before.liveHandles()), static_cast<unsigned long>(after.liveHandles()),
                winehost::describeNewHandles(before.open, after.open).c_str());
    return static_cast<long>(after.liveHandles()) - static_cast<long>(before.liveHandles());
}

constexpr wchar_t kStressClass[] = L"StressCheckWindow";

// A top-level window (no parent) or, as a browser's plug-in and page windows
// are, a child of `parent`; its window data names `userData`.
HWND stressWindow(HWND parent, DWORD exStyle, int width, int height, HWND userData) {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = kStressClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    HWND window = CreateWindowExW(exStyle, kStressClass, L"stress", style, 60, 60, width, height, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window && userData) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(userData));
    return window;
}

NPVariant handle(HWND window) { return fakehost::intVariant(static_cast<int32_t>(reinterpret_cast<uintptr_t>(window))); }

bool answeredTrue(const fakehost::CallResult& call) {
    return call.ok() && call.type() == NPVariantType_Bool && call.value().value.boolValue;
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// One instance's life: window, object, a main-frame and a tab docking, bands,
// hide and show, the follow timer placing the overlay at least once, then
// everything goes again. Only the overlay is a top-level window (the costly
// kind under Wine). False when a step failed.
bool instanceCycle(PluginSession& session, HWND frame) {
    fakehost::PluginHarness& harness = session.harness();
    winehost::OwnedWindow pluginWindow(stressWindow(frame, 0, 10, 10, nullptr));
    winehost::OwnedWindow closeTarget(stressWindow(frame, 0, 10, 10, nullptr));
    winehost::OwnedWindow layered(
        stressWindow(nullptr, WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, 200, 100, closeTarget.handle));
    winehost::OwnedWindow page(stressWindow(frame, 0, 10, 10, layered.handle));
    bool ok = pluginWindow.handle && closeTarget.handle && layered.handle && page.handle;
    NPP instance = harness.newInstance();
    ok = ok && instance && harness.setWindow(instance, pluginWindow.handle) == NPERR_NO_ERROR;
    NPObject* object = instance ? harness.scriptableObject(instance) : nullptr;
    if (ok && object) {
        ShowWindow(layered.handle, SW_SHOWNOACTIVATE);
        const RECT made = windowRect(layered.handle);
        ok = answeredTrue(harness.invoke(object, "attachWndToMainFrame", {handle(page.handle), handle(frame)}));
        ok = answeredTrue(harness.invoke(object, "attachWndToTab", {handle(page.handle), handle(frame)})) && ok;
        ok = harness.invoke(object, "setDisplayRgn", {handle(page.handle), fakehost::intVariant(20), fakehost::intVariant(30)}).ok() && ok;
        ok = harness.invoke(object, "hideLayeredWnd", {handle(page.handle)}).ok() && ok;
        ok = harness.invoke(object, "showLayeredWnd", {handle(page.handle)}).ok() && ok;
        // Nothing but a follow pass moves the overlay off where it was made.
        const auto moved = [&] {
            const RECT now = windowRect(layered.handle);
            return !EqualRect(&now, &made);
        };
        ok = pumpUntil(moved, std::chrono::seconds(5)) && ok;
    } else {
        ok = false;
    }
    if (object) harness.release(object);
    if (instance) harness.destroy(instance);
    return ok;
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
    const int cycles = countFromEnvironment("NPPLUG_STRESS_CYCLES", 1000);
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
    std::printf("   %d instance cycles in %.1f s\n", cycles, secondsSince(start));
    winehost::pumpMessages(std::chrono::milliseconds(50));  // the close targets' WM_CLOSE and the like
    CHECK_EQ(failed, 0);
    winehost::expectCountsBack(before, "instance cycles");
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
    const ProcessCounts before = settledCounts();
    const ULONGLONG start = GetTickCount64();
    const int wrong = lookupWaves(session, object, npp, lookups, 250);
    std::printf("   %d lookups in %.1f s\n", lookups, secondsSince(start));
    CHECK_EQ(wrong, 0);
    expectCountsBackWithin(before, "lookups", 0, std::chrono::seconds(30));
    session.harness().release(object);
    for (const std::string& problem : session.finish()) CHECK_MSG(false, problem);
}

// The page and then the library go while lookups are still under way. The
// host survives; every callback is called at most once and never after its
// page went, and then the plug-in holds none of them, called or not; once the
// last worker has left, the library is unloaded and the figures are back.
HOST_CHECK(stress_unload) {
    constexpr int kRounds = 5;
    constexpr int kCalls = 100;
    // The system libraries dockplug imports stay loaded across the rounds, as
    // in a browser, so their own start-up is not counted per round.
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
    pumpUntil([] { return GetModuleHandleW(L"dockplug.dll") == nullptr; }, std::chrono::seconds(30));
    const long loaderShare = controlGrowth(kRounds);
    if (!REQUIRE(loaderShare >= 0)) return;
    const ProcessCounts before = settledCounts();
    int answeredFirst = 0, queued = 0, twice = 0, late = 0, held = 0;
    for (int round = 0; round < kRounds; ++round) {
        {
            PluginSession session(context, L"dockplug.dll");
            if (!REQUIRE(session.loaded())) return;
            NPP npp = session.newInstance();
            NPObject* object = session.harness().scriptableObject(npp);
            if (!REQUIRE(object)) return;
            std::vector<std::unique_ptr<ScriptFunction>> callbacks;
            const auto resolve = [&](int i) {
                callbacks.push_back(std::make_unique<ScriptFunction>(session.browser(), npp));
                const std::string name = (i % 2) ? "a.npplug.test" : "missing.npplug.test";
                CHECK(session.harness()
                          .invoke(object, "dnsResolve",
                                  {fakehost::stringVariant(name), fakehost::objectVariant(callbacks.back()->object())})
                          .ok());
            };
            // The first half's answers that are back are delivered while the page
            // is there; the second half's are queued or under way when it goes.
            for (int i = 0; i < kCalls / 2; ++i) resolve(i);
            session.browser().runAsyncCalls();
            for (int i = kCalls / 2; i < kCalls; ++i) resolve(i);
            std::vector<size_t> callsBefore;
            for (const auto& callback : callbacks) callsBefore.push_back(callback->calls().size());
            queued += static_cast<int>(session.browser().pendingAsyncCalls());
            session.harness().release(object);
            session.harness().destroy(npp);
            // Hand-backs queued before the page went are still run, as some browsers do.
            session.browser().runAsyncCalls();
            for (size_t i = 0; i < callbacks.size(); ++i) {
                const size_t calls = callbacks[i]->calls().size();
                answeredFirst += callsBefore[i] == 1;
                twice += calls > 1;
                late += calls != callsBefore[i];
                held += callbacks[i]->referenceCount() != 1;  // the plug-in still holds it
            }
            callbacks.clear();
            for (const std::string& problem : session.finish()) CHECK_MSG(false, problem);
        }  // FreeLibrary while workers may still hold the library
        CHECK_MSG(pumpUntil([] { return GetModuleHandleW(L"dockplug.dll") == nullptr; }, std::chrono::seconds(120)),
                  "the last worker unloads the library");
    }
    std::printf("   %d lookups: %d answered while their page was there, %d handed back and %d under way when it went\n",
                kRounds * kCalls, answeredFirst, queued, kRounds * kCalls - answeredFirst - queued);
    CHECK_EQ(twice, 0);
    CHECK_EQ(late, 0);
    CHECK_EQ(held, 0);
    expectCountsBackWithin(before, "unload rounds", static_cast<DWORD>(loaderShare), std::chrono::seconds(30));
    for (HMODULE module : pinned)
        if (module) FreeLibrary(module);
}

// Loading and unloading the libraries alone, without lookups: what a browser
// does when a page with the plug-in comes and goes.
HOST_CHECK(stress_reload) {
    constexpr int kLoads = 10;
    const long loaderShare = controlGrowth(kLoads);
    if (!REQUIRE(loaderShare >= 0)) return;
    for (const wchar_t* library : {L"sigplug.dll", L"dockplug.dll"}) {
        {
            PluginSession warmUp(context, library);
            warmUp.finish();
        }
        const ProcessCounts before = ProcessCounts::now();
        for (int round = 0; round < kLoads; ++round) {
            PluginSession session(context, library);
            if (!REQUIRE(session.loaded())) return;
            NPObject* object = session.harness().scriptableObject(session.newInstance());
            if (object) session.harness().release(object);
            for (const std::string& problem : session.finish()) CHECK_MSG(false, problem);
        }
        const std::string what = winehost::narrow(library) + ": " + std::to_string(kLoads) + " loads";
        winehost::expectCountsBack(before, what.c_str(), static_cast<DWORD>(loaderShare));
    }
}
