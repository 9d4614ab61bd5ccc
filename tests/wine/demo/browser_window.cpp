#include "browser_window.h"

#include <algorithm>
#include <cstdio>

namespace demo {
namespace {

constexpr wchar_t kFrameClass[] = L"DemoBrowserFrame";
constexpr wchar_t kContentClass[] = L"KX_BrennicMDIClient";
constexpr wchar_t kPageClass[] = L"DemoPageView";
constexpr wchar_t kEmbedClass[] = L"DemoEmbed";
constexpr wchar_t kOverlayClass[] = L"DemoOverlay";
constexpr wchar_t kCloseTargetClass[] = L"DemoCloseTarget";

constexpr int kToolbarHeight = 36;
constexpr int kSideMargin = 6;
constexpr COLORREF kOverlayColour = RGB(255, 128, 0);
constexpr COLORREF kPageColour = RGB(224, 238, 255);

int closeRequestCount = 0;

void fill(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void text(HDC dc, int x, int y, const wchar_t* line, COLORREF colour) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    TextOutW(dc, x, y, line, static_cast<int>(wcslen(line)));
}

template <typename Paint>
LRESULT paintWith(HWND window, Paint paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    paint(dc, client);
    EndPaint(window, &ps);
    return 0;
}

LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        HWND content = FindWindowExW(window, nullptr, kContentClass, nullptr);
        const int width = LOWORD(lParam), height = HIWORD(lParam);
        if (content) {
            MoveWindow(content, kSideMargin, kToolbarHeight, std::max(0, width - 2 * kSideMargin),
                       std::max(0, height - kToolbarHeight - kSideMargin), TRUE);
        }
        return 0;
    }
    if (message == WM_PAINT) {
        return paintWith(window, [](HDC dc, const RECT& client) {
            fill(dc, client, RGB(200, 200, 200));
            RECT address{90, 7, client.right - 10, kToolbarHeight - 7};
            fill(dc, address, RGB(255, 255, 255));
            text(dc, 12, 10, L"<  >  ", RGB(0, 0, 0));
            text(dc, 96, 10, L"demo://both-plug-ins.page", RGB(0, 0, 120));
        });
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK contentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        HWND page = FindWindowExW(window, nullptr, kPageClass, nullptr);
        if (page) MoveWindow(page, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK pageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        return paintWith(window, [](HDC dc, const RECT& client) {
            fill(dc, client, kPageColour);
            text(dc, 16, 12, L"A page that embeds both plug-ins", RGB(0, 0, 0));
            wchar_t line[64];
            for (int y = 160, n = 1; y < client.bottom; y += 24, ++n) {
                RECT stripe{0, y - 4, client.right, y - 2};
                fill(dc, stripe, RGB(160, 190, 230));
                swprintf(line, 64, L"page content, line %d", n);
                text(dc, 16, y, line, RGB(40, 40, 90));
            }
        });
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK embedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        return paintWith(window, [window](HDC dc, const RECT& client) {
            fill(dc, client, RGB(90, 90, 90));
            wchar_t title[128] = L"";
            GetWindowTextW(window, title, 128);
            text(dc, 8, 8, title, RGB(255, 255, 255));
        });
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK overlayProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        return paintWith(window, [](HDC dc, const RECT& client) {
            fill(dc, client, kOverlayColour);
            RECT edge = client;
            FrameRect(dc, &edge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            text(dc, 12, 8, L"overlay: top band", RGB(0, 0, 0));
            text(dc, 12, client.bottom / 2, L"overlay: middle (cut away by setDisplayRgn)", RGB(0, 0, 0));
            text(dc, 12, client.bottom - 26, L"overlay: bottom band", RGB(0, 0, 0));
        });
    }
    if (message == WM_SIZE) InvalidateRect(window, nullptr, TRUE);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK closeTargetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++closeRequestCount;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerClasses() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        const struct {
            const wchar_t* name;
            WNDPROC procedure;
        } classes[] = {{kFrameClass, frameProcedure},     {kContentClass, contentProcedure},
                       {kPageClass, pageProcedure},       {kEmbedClass, embedProcedure},
                       {kOverlayClass, overlayProcedure}, {kCloseTargetClass, closeTargetProcedure}};
        // The plug-ins subclass their element windows and paint nothing but this background.
        static HBRUSH embedBackground = CreateSolidBrush(RGB(90, 90, 90));
        for (const auto& entry : classes) {
            windowClass.lpszClassName = entry.name;
            windowClass.lpfnWndProc = entry.procedure;
            windowClass.hbrBackground = entry.procedure == embedProcedure ? embedBackground : nullptr;
            RegisterClassW(&windowClass);
        }
        return true;
    }();
    (void)registered;
}

HWND create(DWORD exStyle, const wchar_t* windowClass, const wchar_t* title, DWORD style, int x, int y, int width,
            int height, HWND parent) {
    return CreateWindowExW(exStyle, windowClass, title, style, x, y, width, height, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

Box windowBox(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::string describe(const Box& box) {
    char line[96];
    std::snprintf(line, sizeof line, "at (%ld, %ld) size %ld x %ld", static_cast<long>(box.x), static_cast<long>(box.y),
                  static_cast<long>(box.width), static_cast<long>(box.height));
    return line;
}

BrowserWindow::BrowserWindow() {
    registerClasses();
    frame_ = create(0, kFrameClass, L"Demo browser - main frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 800,
                    560, nullptr);
    RECT client{};
    GetClientRect(frame_, &client);
    content_ = create(0, kContentClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, kSideMargin, kToolbarHeight,
                      client.right - 2 * kSideMargin, client.bottom - kToolbarHeight - kSideMargin, frame_);
    page_ = create(0, kPageClass, L"page", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                   client.right - 2 * kSideMargin, client.bottom - kToolbarHeight - kSideMargin, content_);
    signatureEmbed_ = create(0, kEmbedClass, L"<embed type=sigplug>", WS_CHILD | WS_VISIBLE, 16, 76, 240, 60, page_);
    dockingEmbed_ = create(0, kEmbedClass, L"<embed type=dockplug>", WS_CHILD | WS_VISIBLE, 272, 76, 240, 60, page_);
    closeTarget_ = create(0, kCloseTargetClass, L"overlay's close target", WS_POPUP, 0, 0, 10, 10, nullptr);
    overlay_ = create(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, kOverlayClass, L"overlay",
                      WS_POPUP, 880, 60, 360, 260, nullptr);
    SetLayeredWindowAttributes(overlay_, 0, 255, LWA_ALPHA);
    // The chain the docking methods read; the plug-in never writes it.
    SetWindowLongW(overlay_, GWL_USERDATA, static_cast<LONG>(reinterpret_cast<UINT_PTR>(closeTarget_)));
    SetWindowLongW(page_, GWL_USERDATA, static_cast<LONG>(reinterpret_cast<UINT_PTR>(overlay_)));
    ShowWindow(frame_, SW_SHOWNORMAL);
    ShowWindow(overlay_, SW_SHOWNOACTIVATE);
    UpdateWindow(frame_);
    UpdateWindow(overlay_);
}

BrowserWindow::~BrowserWindow() {
    for (HWND window : {overlay_, closeTarget_, frame_}) {
        if (window && IsWindow(window)) DestroyWindow(window);
    }
}

bool BrowserWindow::created() const {
    return frame_ && content_ && page_ && signatureEmbed_ && dockingEmbed_ && overlay_ && closeTarget_;
}

void BrowserWindow::placeFrame(const Box& box) {
    SetWindowPos(frame_, nullptr, box.x, box.y, box.width, box.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

Box BrowserWindow::overlayPlace() const {
    const Box outer = windowBox(frame_), inner = windowBox(content_);
    const LONG margin = std::min(inner.x - outer.x, (outer.x + outer.width) - (inner.x + inner.width));
    return {outer.x + margin, inner.y, outer.width - 2 * margin, inner.height - margin};
}

int BrowserWindow::closeRequests() { return closeRequestCount; }

void BrowserWindow::closeFrame() {
    if (frame_ && IsWindow(frame_)) DestroyWindow(frame_);
}

}  // namespace demo
