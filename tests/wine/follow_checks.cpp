// The follow timer in the real dockplug.dll: a layered window docked onto a
// real frame sits over the frame's content child, parks while the frame is
// hidden, keeps its size while the frame is minimised, gets its bands again
// after a resize, and its close target hears WM_CLOSE when the frame goes.
// follow_cpu_time prints what one and 16 overlays at rest cost against none.
#include "host_context.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace {

using winehost::OwnedWindow;
using winehost::PluginSession;
using winehost::TopLevelWindow;

constexpr wchar_t kContentClass[] = L"KX_BrennicMDIClient";
constexpr wchar_t kOverlayClass[] = L"FollowCheckOverlay";
constexpr wchar_t kCloseTargetClass[] = L"FollowCheckCloseTarget";
constexpr auto kDeadline = std::chrono::milliseconds(3000);

int closeRequests = 0;

LRESULT CALLBACK closeTargetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++closeRequests;
        return 0;  // the check decides when the window goes
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerClasses() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = kContentClass;
        RegisterClassW(&windowClass);
        windowClass.lpszClassName = kOverlayClass;
        RegisterClassW(&windowClass);
        windowClass.lpfnWndProc = closeTargetProcedure;
        windowClass.lpszClassName = kCloseTargetClass;
        RegisterClassW(&windowClass);
        return true;
    }();
    (void)registered;
}

int32_t handleNumber(HWND window) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(window)); }

struct Box {
    LONG x, y, width, height;
    bool operator==(const Box& other) const {
        return x == other.x && y == other.y && width == other.width && height == other.height;
    }
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "(" << box.x << ", " << box.y << ", " << box.width << " x " << box.height << ")";
}

Box boxOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// Where the overlay belongs, from the frame's and its content child's rectangles now.
Box contentPlacement(HWND frame) {
    RECT content{}, outer{};
    GetWindowRect(FindWindowExW(frame, nullptr, kContentClass, nullptr), &content);
    GetWindowRect(frame, &outer);
    const LONG margin = std::min(content.left - outer.left, outer.right - content.right);
    return {std::max<LONG>(outer.left + margin, -32768), std::max<LONG>(content.top, -32768),
            (outer.right - outer.left) - 2 * margin, (content.bottom - content.top) - margin};
}

// Pumps messages (so the plug-in's timer runs) until the condition holds or the deadline passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = kDeadline) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(deadline.count());
    while (!condition()) {
        if (GetTickCount64() >= end) return false;
        winehost::pumpMessages(std::chrono::milliseconds(10));
    }
    return true;
}

// A visible main-frame window with its content child inset 6 pixels left and
// right, a visible layered overlay naming its close target, and a page window
// naming the overlay.
struct FrameDocking {
    OwnedWindow frame;
    OwnedWindow content;
    OwnedWindow closeTarget;
    OwnedWindow overlay;
    OwnedWindow page;

    explicit FrameDocking(int index) {
        registerClasses();
        HINSTANCE module = GetModuleHandleW(nullptr);
        frame.handle = CreateWindowExW(0, kOverlayClass, L"follow frame", WS_OVERLAPPEDWINDOW, 100 + 20 * index,
                                       80 + 10 * index, 800, 600, nullptr, nullptr, module, nullptr);
        RECT client{};
        GetClientRect(frame.handle, &client);
        content.handle = CreateWindowExW(0, kContentClass, L"", WS_CHILD | WS_VISIBLE, 6, 40, client.right - 12,
                                         client.bottom - 46, frame.handle, nullptr, module, nullptr);
        ShowWindow(frame.handle, SW_SHOWNOACTIVATE);
        closeTarget.handle = CreateWindowExW(0, kCloseTargetClass, L"close target", WS_POPUP, 0, 0, 10, 10, nullptr,
                                             nullptr, module, nullptr);
        overlay.handle = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kOverlayClass,
                                         L"overlay", WS_POPUP, 10, 10, 50, 40, nullptr, nullptr, module, nullptr);
        SetLayeredWindowAttributes(overlay.handle, 0, 255, LWA_ALPHA);
        SetWindowLongPtrW(overlay.handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(closeTarget.handle));
        ShowWindow(overlay.handle, SW_SHOWNOACTIVATE);
        page.handle = CreateWindowExW(0, kOverlayClass, L"page", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, module,
                                      nullptr);
        SetWindowLongPtrW(page.handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(overlay.handle));
    }

    bool created() const { return frame.handle && content.handle && closeTarget.handle && overlay.handle && page.handle; }
    bool placed() const { return boxOf(overlay.handle) == contentPlacement(frame.handle); }
};

// One dockplug instance on a real plug-in window, its object held as a page holds it.
class DockingHost {
public:
    explicit DockingHost(winehost::HostContext& context) : session_(context, L"dockplug.dll") {
        if (!session_.loaded()) return;
        instance_ = session_.newInstance();
        if (!instance_ || session_.harness().setWindow(instance_, pluginWindow_.handle()) != NPERR_NO_ERROR) return;
        object_ = session_.harness().scriptableObject(instance_);
    }

    bool ready() const { return object_ != nullptr; }
    HWND pluginWindow() const { return pluginWindow_.handle(); }

    bool call(const char* method, std::initializer_list<NPVariant> args, bool* answer = nullptr) {
        fakehost::CallResult result = session_.harness().invoke(object_, method, args);
        if (answer) *answer = result.type() == NPVariantType_Bool && result.value().value.boolValue;
        return result.ok();
    }

    bool attach(const FrameDocking& docking) {
        bool docked = false;
        return call("attachWndToMainFrame",
                    {fakehost::intVariant(handleNumber(docking.page.handle)),
                     fakehost::intVariant(handleNumber(docking.frame.handle))},
                    &docked) &&
               docked;
    }

    // Gives everything back; the host's ledger must be clean afterwards.
    void finish() {
        if (object_) session_.harness().release(object_);
        object_ = nullptr;
        const std::vector<std::string> problems = session_.finish();
        for (const std::string& problem : problems) CHECK_MSG(false, problem);
    }

private:
    PluginSession session_;
    TopLevelWindow pluginWindow_{L"follow plug-in window"};
    NPP instance_ = nullptr;
    NPObject* object_ = nullptr;
};

HOST_CHECK(follow_geometry_and_bands) {
    DockingHost host(context);
    FrameDocking docking(0);
    if (!REQUIRE(host.ready() && docking.created())) return host.finish();
    if (!REQUIRE(host.attach(docking))) return host.finish();
    CHECK_MSG(waitFor([&] { return docking.placed(); }),
              "overlay at " + winehost::describe(boxOf(docking.overlay.handle)) + ", wanted " +
                  winehost::describe(contentPlacement(docking.frame.handle)));

    CHECK(host.call("setDisplayRgn", {fakehost::intVariant(handleNumber(docking.page.handle)),
                                      fakehost::intVariant(20), fakehost::intVariant(10)}));
    // A larger frame: the overlay grows with it and its bands are cut again for the new height.
    SetWindowPos(docking.frame.handle, nullptr, 60, 50, 900, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(docking.frame.handle, &client);
    MoveWindow(docking.content.handle, 6, 40, client.right - 12, client.bottom - 46, TRUE);
    CHECK_MSG(waitFor([&] { return docking.placed(); }),
              "overlay at " + winehost::describe(boxOf(docking.overlay.handle)) + ", wanted " +
                  winehost::describe(contentPlacement(docking.frame.handle)));

    const Box placed = boxOf(docking.overlay.handle);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (CHECK(GetWindowRgn(docking.overlay.handle, region) != ERROR)) {
        CHECK(PtInRegion(region, 5, 5));
        CHECK(PtInRegion(region, 5, 20));
        CHECK(!PtInRegion(region, 5, placed.height / 2));
        CHECK(PtInRegion(region, 5, placed.height - 3));
        CHECK(!PtInRegion(region, 5, placed.height - 20));
    }
    DeleteObject(region);
    host.finish();
}

HOST_CHECK(follow_hidden_frame_parks) {
    DockingHost host(context);
    FrameDocking docking(0);
    if (!REQUIRE(host.ready() && docking.created() && host.attach(docking))) return host.finish();
    CHECK(waitFor([&] { return docking.placed(); }));

    ShowWindow(docking.frame.handle, SW_HIDE);
    const Box parked{30000, 30000, 1, 1};
    CHECK_MSG(waitFor([&] { return boxOf(docking.overlay.handle) == parked; }),
              "overlay at " + winehost::describe(boxOf(docking.overlay.handle)));

    ShowWindow(docking.frame.handle, SW_SHOWNOACTIVATE);
    CHECK_MSG(waitFor([&] { return docking.placed(); }),
              "overlay at " + winehost::describe(boxOf(docking.overlay.handle)) + ", wanted " +
                  winehost::describe(contentPlacement(docking.frame.handle)));
    host.finish();
}

HOST_CHECK(follow_minimised_frame_keeps_size) {
    DockingHost host(context);
    FrameDocking docking(0);
    if (!REQUIRE(host.ready() && docking.created() && host.attach(docking))) return host.finish();
    CHECK(waitFor([&] { return docking.placed(); }));
    const Box before = boxOf(docking.overlay.handle);

    ShowWindow(docking.frame.handle, SW_SHOWMINNOACTIVE);
    CHECK(IsIconic(docking.frame.handle));
    auto movedKeepingSize = [&] {
        const Box now = boxOf(docking.overlay.handle);
        const Box wanted = contentPlacement(docking.frame.handle);
        return now.x == wanted.x && now.y == wanted.y && now.width == before.width && now.height == before.height;
    };
    CHECK_MSG(waitFor(movedKeepingSize), "overlay at " + winehost::describe(boxOf(docking.overlay.handle)) +
                                             ", wanted position of " +
                                             winehost::describe(contentPlacement(docking.frame.handle)));
    winehost::pumpMessages(std::chrono::milliseconds(100));
    CHECK_EQ(boxOf(docking.overlay.handle).width, before.width);
    CHECK_EQ(boxOf(docking.overlay.handle).height, before.height);

    ShowWindow(docking.frame.handle, SW_SHOWNOACTIVATE);
    ShowWindow(docking.frame.handle, SW_RESTORE);
    CHECK(waitFor([&] { return docking.placed(); }));
    host.finish();
}

HOST_CHECK(follow_destroyed_frame_closes_target) {
    DockingHost host(context);
    FrameDocking docking(0);
    if (!REQUIRE(host.ready() && docking.created() && host.attach(docking))) return host.finish();
    CHECK(waitFor([&] { return docking.placed(); }));

    closeRequests = 0;
    DestroyWindow(docking.frame.handle);
    CHECK(waitFor([] { return closeRequests > 0; }));
    // The entry went with the first notice: no further WM_CLOSE follows.
    winehost::pumpMessages(std::chrono::milliseconds(100));
    CHECK_EQ(closeRequests, 1);
    host.finish();
}

double processCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// What pumping messages for a while cost the process, and how many follow
// ticks it dispatched meanwhile.
struct Spent {
    double cpuSeconds = 0;
    int ticks = 0;
};

Spent spentOver(std::chrono::seconds duration, HWND pluginWindow) {
    const double start = processCpuSeconds();
    Spent spent;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(duration.count()) * 1000;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_TIMER && message.hwnd == pluginWindow && message.wParam == 15) ++spent.ticks;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
    spent.cpuSeconds = processCpuSeconds() - start;
    return spent;
}

// Not a pass/fail figure: it prints what the follow timer costs with one and
// with 16 overlays at rest, against the same windows undocked.
HOST_CHECK(follow_cpu_time) {
    constexpr int kOverlays = 16;
    constexpr auto kSpan = std::chrono::seconds(10);
    const Spent idle = spentOver(kSpan, nullptr);

    DockingHost host(context);
    std::vector<std::unique_ptr<FrameDocking>> dockings;
    for (int i = 0; i < kOverlays; ++i) dockings.push_back(std::make_unique<FrameDocking>(i));
    if (!REQUIRE(host.ready())) return host.finish();
    for (const auto& docking : dockings) REQUIRE(docking->created());
    // The same windows undocked: what they cost by themselves, without the timer.
    const Spent undocked = spentOver(kSpan, host.pluginWindow());
    // A bare timer of the same period on a window of the host's own: what
    // Wine's delivery of the ticks costs before any plug-in code runs.
    Spent bare;
    {
        TopLevelWindow clock(L"bare timer");
        SetTimer(clock.handle(), 15, 5, nullptr);
        bare = spentOver(kSpan, clock.handle());
        KillTimer(clock.handle(), 15);
    }

    auto allPlaced = [&](size_t count) {
        return waitFor([&] {
            return std::all_of(dockings.begin(), dockings.begin() + count, [](const auto& d) { return d->placed(); });
        });
    };
    CHECK(host.attach(*dockings.front()));
    CHECK(allPlaced(1));
    const Spent one = spentOver(kSpan, host.pluginWindow());
    for (size_t i = 1; i < dockings.size(); ++i) CHECK(host.attach(*dockings[i]));
    CHECK(allPlaced(dockings.size()));
    const Spent all = spentOver(kSpan, host.pluginWindow());
    // Overlays at rest make no placement request, so nothing should have moved.
    CHECK(allPlaced(dockings.size()));

    const double span = static_cast<double>(kSpan.count());
    auto share = [&](double seconds) { return 100.0 * seconds / span; };
    const double timer = all.cpuSeconds - undocked.cpuSeconds;
    const double perTick = all.ticks ? 1e6 * timer / all.ticks : 0;
    const double perEntry =
        (one.ticks && all.ticks) ? 1e6 * (all.cpuSeconds / all.ticks - one.cpuSeconds / one.ticks) / (kOverlays - 1) : 0;
    const double delivery = bare.cpuSeconds - undocked.cpuSeconds;
    std::printf("   CPU over %.0f s: nothing %.3f s; %d frames and overlays undocked %.3f s; a bare 5 ms timer %.3f s "
                "(%d ticks); 1 docked %.3f s (%d ticks); %d docked at rest %.3f s (%d ticks)\n",
                span, idle.cpuSeconds, kOverlays, undocked.cpuSeconds, bare.cpuSeconds, bare.ticks, one.cpuSeconds,
                one.ticks, kOverlays, all.cpuSeconds, all.ticks);
    std::printf("   follow timer with %d overlays at rest: %.3f s = %.2f%% of one core (%.1f us a tick, %.1f us an "
                "entry); of that, Wine's delivery of the ticks %.2f%% and the plug-in's handling %.2f%%\n",
                kOverlays, timer, share(timer), perTick, perEntry, share(delivery), share(timer - delivery));
    host.finish();
}

}  // namespace
