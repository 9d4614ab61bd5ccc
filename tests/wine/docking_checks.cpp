// The docking methods in the real dockplug.dll on real windows: a page window
// names a layered window, which names a close target that counts WM_CLOSE.
// Docking, closing the displaced window, hiding, showing and band regions are
// read back from the window system itself.
#include "host_context.h"

#include <map>
#include <string>
#include <utility>

namespace {

using winehost::OwnedWindow;
using winehost::PluginSession;
using winehost::TopLevelWindow;

constexpr wchar_t kPlainClass[] = L"DockingCheckWindow";
constexpr wchar_t kCloseTargetClass[] = L"DockingCheckCloseTarget";

std::map<HWND, int> closeRequests;  // close target -> WM_CLOSE seen

LRESULT CALLBACK closeTargetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++closeRequests[window];
        return 0;  // stays open: the check counts, it does not close
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerClasses() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = kPlainClass;
        RegisterClassW(&windowClass);
        windowClass.lpfnWndProc = closeTargetProcedure;
        windowClass.lpszClassName = kCloseTargetClass;
        RegisterClassW(&windowClass);
        return true;
    }();
    (void)registered;
}

HWND popup(const wchar_t* className, DWORD exStyle, int width, int height, HWND userData) {
    registerClasses();
    HWND window = CreateWindowExW(exStyle, className, L"docking check", WS_POPUP, 40, 40, width, height, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window && userData) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(userData));
    return window;
}

// page -> layered window (client 200 x 100, shown without activation) -> close target.
struct LayeredChain {
    OwnedWindow closeTarget, layered, page;

    LayeredChain() {
        closeTarget.handle = popup(kCloseTargetClass, 0, 10, 10, nullptr);
        layered.handle =
            popup(kPlainClass, WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, 200, 100, closeTarget.handle);
        SetLayeredWindowAttributes(layered.handle, 0, 255, LWA_ALPHA);
        ShowWindow(layered.handle, SW_SHOWNOACTIVATE);
        page.handle = popup(kPlainClass, 0, 10, 10, layered.handle);
    }
    bool created() const { return closeTarget.handle && layered.handle && page.handle; }
};

NPVariant handle(HWND window) {
    return fakehost::intVariant(static_cast<int32_t>(reinterpret_cast<uintptr_t>(window)));
}

// One dockplug instance on a real plug-in window, its object held as a page holds it.
class DockingHost {
public:
    explicit DockingHost(winehost::HostContext& context) : session_(context, L"dockplug.dll") {
        if (!session_.loaded()) return;
        NPP instance = session_.newInstance();
        if (!instance || session_.harness().setWindow(instance, pluginWindow_.handle()) != NPERR_NO_ERROR) return;
        object_ = session_.harness().scriptableObject(instance);
    }
    bool ready() const { return object_ != nullptr; }

    // ok: what invoke answered; the result's type and value go to `type` and `answer`.
    bool call(const char* method, std::initializer_list<NPVariant> args, NPVariantType* type = nullptr,
              bool* answer = nullptr) {
        fakehost::CallResult result = session_.harness().invoke(object_, method, args);
        if (type) *type = result.type();
        if (answer) *answer = result.type() == NPVariantType_Bool && result.value().value.boolValue;
        return result.ok();
    }

    void finish() {
        if (object_) session_.harness().release(object_);
        object_ = nullptr;
        for (const std::string& problem : session_.finish()) CHECK_MSG(false, problem);
    }

private:
    PluginSession session_;
    TopLevelWindow pluginWindow_{L"docking plug-in window"};
    NPObject* object_ = nullptr;
};

// The window's region as read back, or null when it has none.
struct WindowRegion {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    bool present;
    explicit WindowRegion(HWND window) : present(GetWindowRgn(window, region) != ERROR) {}
    ~WindowRegion() { DeleteObject(region); }
    RECT box() const {
        RECT rect{};
        GetRgnBox(region, &rect);
        return rect;
    }
    bool contains(int x, int y) const { return PtInRegion(region, x, y) != FALSE; }
};

std::string describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

HOST_CHECK(docking_attach_closes_displaced) {
    DockingHost host(context);
    LayeredChain a, b;
    OwnedWindow tab{popup(kPlainClass, 0, 300, 200, nullptr)};
    if (!REQUIRE(host.ready() && a.created() && b.created() && tab.handle)) return host.finish();
    closeRequests.clear();

    for (const char* method : {"attachWndToTab", "attachWndToMainFrame"}) {
        NPVariantType type = NPVariantType_Void;
        bool docked = false;
        CHECK(host.call(method, {handle(a.page.handle), handle(tab.handle)}, &type, &docked));
        CHECK(type == NPVariantType_Bool && docked);
        CHECK(host.call(method, {handle(b.page.handle), handle(tab.handle), fakehost::stringVariant("extra")},
                        &type, &docked));
        CHECK(docked);
        winehost::pumpMessages(std::chrono::milliseconds(50));
        CHECK_EQ(closeRequests[a.closeTarget.handle], 1);
        CHECK_EQ(closeRequests[b.closeTarget.handle], 0);

        // The same window again displaces itself.
        CHECK(host.call(method, {handle(b.page.handle), handle(tab.handle)}, &type, &docked));
        winehost::pumpMessages(std::chrono::milliseconds(50));
        CHECK_EQ(closeRequests[b.closeTarget.handle], 1);
        closeRequests.clear();
    }
    host.finish();
}

HOST_CHECK(docking_attach_refusals) {
    DockingHost host(context);
    LayeredChain a;
    OwnedWindow tab{popup(kPlainClass, 0, 300, 200, nullptr)};
    OwnedWindow noData{popup(kPlainClass, 0, 10, 10, nullptr)};
    if (!REQUIRE(host.ready() && a.created() && tab.handle && noData.handle)) return host.finish();

    NPVariantType type = NPVariantType_Void;
    bool docked = true;
    CHECK(host.call("attachWndToTab", {handle(noData.handle), handle(tab.handle)}, &type, &docked));
    CHECK(type == NPVariantType_Bool && !docked);
    CHECK(host.call("attachWndToTab", {handle(a.page.handle), handle(nullptr)}, &type, &docked));
    CHECK(type == NPVariantType_Bool && !docked);

    const std::string digits = std::to_string(reinterpret_cast<uintptr_t>(a.page.handle));
    CHECK(!host.call("attachWndToTab", {fakehost::stringVariant(digits), handle(tab.handle)}));
    CHECK(!host.call("attachWndToMainFrame", {handle(a.page.handle)}));
    // 0.9 past the handle still names it.
    CHECK(host.call("attachWndToTab",
                    {fakehost::doubleVariant(reinterpret_cast<uintptr_t>(a.page.handle) + 0.9), handle(tab.handle)},
                    &type, &docked));
    CHECK(docked);
    host.finish();
}

HOST_CHECK(docking_hide_show) {
    DockingHost host(context);
    LayeredChain a;
    OwnedWindow noData{popup(kPlainClass, 0, 10, 10, nullptr)};
    if (!REQUIRE(host.ready() && a.created() && noData.handle)) return host.finish();
    const HWND foreground = GetForegroundWindow();

    CHECK(host.call("hideLayeredWnd", {handle(a.page.handle)}));
    CHECK(!IsWindowVisible(a.layered.handle));
    CHECK(host.call("showLayeredWnd", {handle(a.page.handle)}));
    CHECK(IsWindowVisible(a.layered.handle));
    CHECK(GetForegroundWindow() == foreground);  // shown without activation

    CHECK(!host.call("hideLayeredWnd", {}));
    CHECK(!host.call("hideLayeredWnd", {handle(a.page.handle), handle(a.page.handle)}));
    CHECK(!host.call("showLayeredWnd", {handle(noData.handle)}));
    CHECK(IsWindowVisible(a.layered.handle));
    DestroyWindow(a.layered.handle);
    CHECK(!host.call("hideLayeredWnd", {handle(a.page.handle)}));
    host.finish();
}

HOST_CHECK(docking_display_bands) {
    DockingHost host(context);
    LayeredChain a;
    if (!REQUIRE(host.ready() && a.created())) return host.finish();
    RECT client{};
    GetClientRect(a.layered.handle, &client);
    if (!REQUIRE(client.right == 200 && client.bottom == 100)) return host.finish();

    auto bands = [&](int top, int bottom) {
        return host.call("setDisplayRgn",
                         {handle(a.page.handle), fakehost::intVariant(top), fakehost::intVariant(bottom)});
    };
    const struct {
        int top, bottom;
        RECT box;
    } single[] = {{20, 0, {-1, -1, 201, 21}}, {0, 20, {-1, 79, 201, 101}}, {0, 150, {-1, -51, 201, 101}}};
    for (const auto& c : single) {
        CHECK(bands(c.top, c.bottom));
        WindowRegion region(a.layered.handle);
        const RECT box = region.box();
        CHECK_MSG(region.present && EqualRect(&box, &c.box),
                  std::to_string(c.top) + "/" + std::to_string(c.bottom) + " gave " + describe(box));
    }

    CHECK(bands(20, 20));
    {
        WindowRegion region(a.layered.handle);
        CHECK(region.present);
        for (int row : {0, 20, 79, 99}) CHECK_MSG(region.contains(100, row), "row " + std::to_string(row));
        for (int row : {21, 50, 78}) CHECK_MSG(!region.contains(100, row), "row " + std::to_string(row));
    }

    CHECK(bands(0, 0));
    CHECK(!WindowRegion(a.layered.handle).present);
    CHECK(!host.call("setDisplayRgn", {handle(a.page.handle), fakehost::intVariant(20)}));
    CHECK(!host.call("setDisplayRgn", {handle(a.page.handle), fakehost::intVariant(20), fakehost::stringVariant("20")}));
    CHECK(!WindowRegion(a.layered.handle).present);
    host.finish();
}

HOST_CHECK(docking_bands_leak_no_gdi_objects) {
    DockingHost host(context);
    LayeredChain a;
    OwnedWindow noData{popup(kPlainClass, 0, 10, 10, nullptr)};
    if (!REQUIRE(host.ready() && a.created() && noData.handle)) return host.finish();
    DestroyWindow(a.layered.handle);  // the page still names it

    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 50; ++i) {
        CHECK(host.call("setDisplayRgn", {handle(a.page.handle), fakehost::intVariant(20), fakehost::intVariant(20)}));
        CHECK(host.call("setDisplayRgn", {handle(noData.handle), fakehost::intVariant(0), fakehost::intVariant(20)}));
    }
    CHECK_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
    host.finish();
}

}  // namespace
