#include "tours.h"

#include <cstdio>
#include <vector>

namespace demo {
namespace {

void printPlacement(const BrowserWindow& browser) {
    std::printf("  frame   %s\n", describe(windowBox(browser.frame())).c_str());
    std::printf("  content %s\n", describe(windowBox(browser.content())).c_str());
}

// Waits for the follow timer to lay the overlay over the content area.
bool overlayFollows(const BrowserWindow& browser) {
    const bool placed = pumpUntil([&] { return windowBox(browser.overlay()) == browser.overlayPlace(); });
    std::printf("  overlay %s%s\n", describe(windowBox(browser.overlay())).c_str(),
                placed ? "  (over the content area)" : "  (NOT over the content area)");
    return placed;
}

// The overlay's window region in its own coordinates, one rectangle a line.
void printRegion(HWND overlay) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(overlay, region) == ERROR) {
        std::printf("  overlay region: none, the whole window shows\n");
    } else {
        DWORD size = GetRegionData(region, 0, nullptr);
        std::vector<BYTE> data(size);
        auto* header = reinterpret_cast<RGNDATA*>(data.data());
        if (size && GetRegionData(region, size, header)) {
            auto* rects = reinterpret_cast<const RECT*>(header->Buffer);
            for (DWORD i = 0; i < header->rdh.nCount; ++i) {
                std::printf("  overlay region: rows %ld to %ld, columns %ld to %ld\n", static_cast<long>(rects[i].top),
                            static_cast<long>(rects[i].bottom - 1), static_cast<long>(rects[i].left),
                            static_cast<long>(rects[i].right - 1));
            }
        }
    }
    DeleteObject(region);
}

bool callsOk(EmbeddedPlugin& plugin, const char* method, std::initializer_list<NPVariant> args,
             const char* shown) {
    fakehost::CallResult result = plugin.call(method, args);
    std::printf("%s(%s) %s\n", method, shown, result.ok() ? "done" : "failed");
    return result.ok();
}

}  // namespace

bool dockingTour(EmbeddedPlugin& plugin, BrowserWindow& browser, Pictures& pictures) {
    bool good = true;
    HWND page = browser.page(), frame = browser.frame(), overlay = browser.overlay();
    std::printf("Windows: main frame 0x%08lx, its content area 0x%08lx (class KX_BrennicMDIClient), page 0x%08lx,\n"
                "  overlay 0x%08lx (layered; the page's window data names it), its close target 0x%08lx\n",
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(frame)),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(browser.content())),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(page)),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(overlay)),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(browser.closeTarget())));
    printPlacement(browser);
    std::printf("  overlay %s  (not docked yet)\n", describe(windowBox(overlay)).c_str());
    pictures.take("demo-1-undocked");

    fakehost::CallResult attach = plugin.call("attachWndToMainFrame", {windowNumber(page), windowNumber(frame)});
    const bool docked = attach.ok() && attach.type() == NPVariantType_Bool && attach.value().value.boolValue;
    std::printf("attachWndToMainFrame(page, frame) = %s\n", docked ? "true" : "false");
    good = docked && overlayFollows(browser) && good;
    pictures.take("demo-2-docked");

    good = callsOk(plugin, "setDisplayRgn", {windowNumber(page), fakehost::intVariant(60), fakehost::intVariant(80)},
                   "page, 60, 80") && good;
    std::printf("  a top band of 60 pixels and a bottom band of 80 show; the middle is cut away\n");
    printRegion(overlay);
    pictures.take("demo-3-bands");

    const Box moves[] = {{160, 120, 800, 560}, {100, 60, 1000, 700}, {300, 200, 640, 480}};
    for (const Box& box : moves) {
        browser.placeFrame(box);
        std::printf("frame moved and resized: %s\n", describe(box).c_str());
        printPlacement(browser);
        good = overlayFollows(browser) && good;
    }
    printRegion(overlay);
    pictures.take("demo-4-moved");

    ShowWindow(frame, SW_HIDE);
    std::printf("frame hidden\n");
    const Box parked{30000, 30000, 1, 1};
    const bool wentAway = pumpUntil([&] { return windowBox(overlay) == parked; });
    std::printf("  overlay %s%s\n", describe(windowBox(overlay)).c_str(),
                wentAway ? "  (parked off-screen)" : "  (NOT parked)");
    good = wentAway && good;

    ShowWindow(frame, SW_SHOWNOACTIVATE);
    std::printf("frame shown again\n");
    printPlacement(browser);
    good = overlayFollows(browser) && good;
    printRegion(overlay);

    good = callsOk(plugin, "hideLayeredWnd", {windowNumber(page)}, "page") && good;
    std::printf("  overlay visible: %s\n", IsWindowVisible(overlay) ? "yes" : "no");
    good = !IsWindowVisible(overlay) && good;
    good = callsOk(plugin, "showLayeredWnd", {windowNumber(page)}, "page") && good;
    std::printf("  overlay visible: %s\n", IsWindowVisible(overlay) ? "yes" : "no");
    good = IsWindowVisible(overlay) && overlayFollows(browser) && good;
    pictures.take("demo-5-shown-again");
    return good;
}

}  // namespace demo
