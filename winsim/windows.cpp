// Window tree, window longs, visibility, messages and placement.
#include "internal.h"

#include <algorithm>
#include <cwctype>
#include <map>

namespace winsim {
using detail::bits;
using detail::logCall;
using detail::Window;

namespace {
constexpr uint32_t firstWindow = 0x00010010;
std::map<uint32_t, Window> windows;  // live windows only; std::map keeps Window* stable
std::vector<HWND> topLevel;          // creation order
uint32_t nextWindow = firstWindow;
std::vector<Message> posted;
std::vector<Message> defMessages;
std::vector<WindowPosCall> posCalls;

LONG width(const RECT& r) { return r.right - r.left; }
LONG height(const RECT& r) { return r.bottom - r.top; }

bool destroyTree(HWND handle);

LRESULT defWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    defMessages.push_back(Message{window, message, wParam, lParam, true});
    if (message == WM_CLOSE) destroyTree(window);
    return 0;
}

LRESULT CALLBACK defaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return defWindowProc(window, message, wParam, lParam);
}

LRESULT deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = detail::liveWindow(window);
    if (!w || !w->proc) return 0;
    return w->proc(window, message, wParam, lParam);
}

// WM_DESTROY reaches the parent before its children, while all still exist.
void sendDestroy(HWND handle) {
    Window* w = detail::liveWindow(handle);
    if (!w) return;
    w->destroying = true;
    deliver(handle, WM_DESTROY, 0, 0);
    w = detail::liveWindow(handle);
    if (!w) return;
    const std::vector<HWND> children = w->children;
    for (HWND child : children) sendDestroy(child);
}

void eraseTree(HWND handle) {
    Window* w = detail::liveWindow(handle);
    if (!w) return;
    const std::vector<HWND> children = w->children;
    for (HWND child : children) eraseTree(child);
    detail::removeTimersOf(handle);
    if (w->region) detail::freeOwnedRegion(w->region);
    std::vector<HWND>* siblings = &topLevel;
    if (Window* parent = detail::liveWindow(w->parent)) siblings = &parent->children;
    siblings->erase(std::remove(siblings->begin(), siblings->end(), handle), siblings->end());
    windows.erase(bits(handle));
}

bool destroyTree(HWND handle) {
    Window* w = detail::liveWindow(handle);
    if (!w || w->destroying) return false;
    sendDestroy(handle);
    eraseTree(handle);
    return true;
}

void setVisible(Window& w, bool visible) {
    if (visible)
        w.style |= WS_VISIBLE;
    else
        w.style &= ~WS_VISIBLE;
}

void resize(Window& w, LONG cx, LONG cy) {
    const LONG borderX = width(w.windowRect) - width(w.clientRect);
    const LONG borderY = height(w.windowRect) - height(w.clientRect);
    cx = std::max<LONG>(cx, 0);
    cy = std::max<LONG>(cy, 0);
    w.windowRect.right = w.windowRect.left + cx;
    w.windowRect.bottom = w.windowRect.top + cy;
    w.clientRect = RECT{0, 0, std::max<LONG>(cx - borderX, 0), std::max<LONG>(cy - borderY, 0)};
}

bool sameClass(const std::wstring& a, LPCWSTR b) {
    size_t i = 0;
    for (; b[i] != L'\0'; ++i)
        if (i >= a.size() || std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size();
}
}  // namespace

namespace detail {
Window* liveWindow(HWND window) {
    if (!window) return nullptr;
    auto it = windows.find(bits(window));
    return it == windows.end() ? nullptr : &it->second;
}

void resetWindows() {
    windows.clear();
    topLevel.clear();
    nextWindow = firstWindow;
    posted.clear();
    defMessages.clear();
    posCalls.clear();
}
}  // namespace detail

// ---- test side ----------------------------------------------------------------

HWND createWindow(const WindowSpec& desc) {
    Window* parent = detail::liveWindow(desc.parent);
    if (desc.parent && !parent) return nullptr;
    HWND handle = detail::fromBits<HWND>(nextWindow);
    nextWindow += 4;
    Window w;
    w.handle = handle;
    w.className = desc.className;
    w.parent = desc.parent;
    w.windowRect = desc.windowRect;
    w.clientRect = desc.clientRect;
    w.style = desc.style;
    setVisible(w, desc.visible);
    w.userData = desc.userData;
    w.proc = desc.proc ? desc.proc : &defaultProc;
    windows.emplace(bits(handle), std::move(w));
    (parent ? parent->children : topLevel).push_back(handle);
    return handle;
}

void setWindowRect(HWND window, RECT rect) {
    if (Window* w = detail::liveWindow(window)) {
        w->windowRect.left = rect.left;
        w->windowRect.top = rect.top;
        resize(*w, width(rect), height(rect));
    }
}

void setClientRect(HWND window, RECT rect) {
    if (Window* w = detail::liveWindow(window)) w->clientRect = rect;
}

void setStyle(HWND window, LONG style) {
    if (Window* w = detail::liveWindow(window)) w->style = style;
}

bool isLive(HWND window) { return detail::liveWindow(window) != nullptr; }

RECT windowRect(HWND window) {
    Window* w = detail::liveWindow(window);
    return w ? w->windowRect : RECT{0, 0, 0, 0};
}

const std::vector<Message>& postedMessages() { return posted; }
void clearPostedMessages() { posted.clear(); }
const std::vector<Message>& defWindowProcMessages() { return defMessages; }
const std::vector<WindowPosCall>& windowPosCalls() { return posCalls; }
void clearWindowPosCalls() { posCalls.clear(); }

}  // namespace winsim

// ---- Win32 --------------------------------------------------------------------------

using winsim::detail::liveWindow;
using winsim::detail::logCall;

LONG WINAPI SetWindowLongW(HWND window, int index, LONG value) {
    logCall("SetWindowLongW");
    auto* w = liveWindow(window);
    if (!w) return 0;
    LONG previous = 0;
    switch (index) {
    case GWL_WNDPROC:
        previous = static_cast<LONG>(reinterpret_cast<uintptr_t>(w->proc));
        w->proc = reinterpret_cast<WNDPROC>(static_cast<uintptr_t>(static_cast<ULONG_PTR>(value)));
        break;
    case GWL_USERDATA:
        previous = w->userData;
        w->userData = value;
        break;
    case GWL_STYLE:
        previous = w->style;
        w->style = value;
        break;
    }
    return previous;
}

LONG WINAPI GetWindowLongW(HWND window, int index) {
    logCall("GetWindowLongW");
    auto* w = liveWindow(window);
    if (!w) return 0;
    switch (index) {
    case GWL_WNDPROC: return static_cast<LONG>(reinterpret_cast<uintptr_t>(w->proc));
    case GWL_USERDATA: return w->userData;
    case GWL_STYLE: return w->style;
    }
    return 0;
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    logCall("DefWindowProcW");
    return winsim::defWindowProc(window, message, wParam, lParam);
}

LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    logCall("CallWindowProcW");
    return proc ? proc(window, message, wParam, lParam) : 0;
}

BOOL WINAPI IsWindow(HWND window) {
    logCall("IsWindow");
    return liveWindow(window) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND window) {
    logCall("IsWindowVisible");
    auto* w = liveWindow(window);
    if (!w) return FALSE;
    for (; w; w = liveWindow(w->parent))
        if (!(w->style & WS_VISIBLE)) return FALSE;
    return TRUE;
}

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    logCall("PostMessageW");
    const bool live = liveWindow(window) != nullptr;
    winsim::posted.push_back(winsim::Message{window, message, wParam, lParam, live});
    return live ? TRUE : FALSE;
}

LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    logCall("SendMessageW");
    return winsim::deliver(window, message, wParam, lParam);
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    logCall("ShowWindow");
    auto* w = liveWindow(window);
    if (!w) return FALSE;
    const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE: winsim::setVisible(*w, false); break;
    case SW_MINIMIZE:
        w->style |= WS_MINIMIZE;
        winsim::setVisible(*w, true);
        break;
    case SW_RESTORE:
        w->style &= ~WS_MINIMIZE;
        winsim::setVisible(*w, true);
        break;
    default: winsim::setVisible(*w, true); break;
    }
    return wasVisible;
}

HWND WINAPI FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
    logCall("FindWindowExW");
    const std::vector<HWND>* siblings = &winsim::topLevel;
    if (parent) {
        auto* p = liveWindow(parent);
        if (!p) return nullptr;
        siblings = &p->children;
    }
    auto it = siblings->begin();
    if (childAfter) {
        it = std::find(siblings->begin(), siblings->end(), childAfter);
        if (it == siblings->end()) return nullptr;
        ++it;
    }
    // Windows here have no title: a title asked for matches only if empty.
    if (windowName && windowName[0] != L'\0') return nullptr;
    for (; it != siblings->end(); ++it) {
        auto* w = liveWindow(*it);
        if (w && (!className || winsim::sameClass(w->className, className))) return *it;
    }
    return nullptr;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    logCall("GetWindowRect");
    auto* w = liveWindow(window);
    if (!w || !rect) return FALSE;
    *rect = w->windowRect;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    logCall("GetClientRect");
    auto* w = liveWindow(window);
    if (!w || !rect) return FALSE;
    *rect = w->clientRect;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    logCall("SetWindowPos");
    winsim::posCalls.push_back(winsim::WindowPosCall{window, insertAfter, x, y, cx, cy, flags});
    auto* w = liveWindow(window);
    if (!w) return FALSE;
    if (!(flags & SWP_NOMOVE)) {
        const LONG cxNow = winsim::width(w->windowRect), cyNow = winsim::height(w->windowRect);
        w->windowRect = RECT{x, y, x + cxNow, y + cyNow};
    }
    if (!(flags & SWP_NOSIZE)) winsim::resize(*w, cx, cy);
    if (flags & SWP_SHOWWINDOW) winsim::setVisible(*w, true);
    if (flags & SWP_HIDEWINDOW) winsim::setVisible(*w, false);
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND window) {
    logCall("DestroyWindow");
    return winsim::destroyTree(window) ? TRUE : FALSE;
}
