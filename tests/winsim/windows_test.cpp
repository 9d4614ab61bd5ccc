#include "winsim_fixture.h"

#include <vector>

namespace {

using WinsimWindows = WinsimTest;

winsim::WindowSpec child(HWND parent, const wchar_t* className = L"Child", bool visible = true) {
    winsim::WindowSpec desc;
    desc.className = className;
    desc.parent = parent;
    desc.visible = visible;
    return desc;
}

TEST_F(WinsimWindows, VisibleOnlyWhenAllAncestorsAre) {
    HWND top = winsim::createWindow();
    HWND middle = winsim::createWindow(child(top));
    HWND leaf = winsim::createWindow(child(middle));
    EXPECT_TRUE(IsWindowVisible(leaf));

    EXPECT_TRUE(ShowWindow(top, SW_HIDE));  // answers the previous visibility
    EXPECT_FALSE(IsWindowVisible(leaf));
    EXPECT_EQ(GetWindowLongW(leaf, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);  // its own bit is untouched

    EXPECT_FALSE(ShowWindow(top, SW_SHOWNA));
    EXPECT_TRUE(IsWindowVisible(leaf));

    ShowWindow(top, SW_MINIMIZE);
    EXPECT_TRUE(GetWindowLongW(top, GWL_STYLE) & WS_MINIMIZE);
    ShowWindow(top, SW_RESTORE);
    EXPECT_FALSE(GetWindowLongW(top, GWL_STYLE) & WS_MINIMIZE);
}

TEST_F(WinsimWindows, FindWindowExSearchesDirectChildrenByClass) {
    HWND frame = winsim::createWindow();
    HWND other = winsim::createWindow(child(frame, L"Other"));
    HWND first = winsim::createWindow(child(frame, L"KX_BrennicMDIClient"));
    HWND second = winsim::createWindow(child(frame, L"kx_brennicmdiclient"));
    winsim::createWindow(child(other, L"KX_BrennicMDIClient"));  // grandchild: not searched

    EXPECT_EQ(FindWindowExW(frame, nullptr, L"KX_BRENNICMDICLIENT", nullptr), first);
    EXPECT_EQ(FindWindowExW(frame, first, L"KX_BrennicMDIClient", nullptr), second);
    EXPECT_EQ(FindWindowExW(frame, second, L"KX_BrennicMDIClient", nullptr), nullptr);
    EXPECT_EQ(FindWindowExW(frame, nullptr, L"KX_Brennic", nullptr), nullptr);
    EXPECT_EQ(FindWindowExW(nullptr, nullptr, L"WinsimWindow", nullptr), frame);

    ASSERT_TRUE(DestroyWindow(first));
    EXPECT_EQ(FindWindowExW(frame, nullptr, L"KX_BrennicMDIClient", nullptr), second);
}

std::vector<UINT> seen;
WNDPROC previous = nullptr;
LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(message);
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

TEST_F(WinsimWindows, CloseThroughDefWindowProcDestroysTreeWithTimersAndRegions) {
    seen.clear();
    HWND window = winsim::createWindow();
    HWND inner = winsim::createWindow(child(window));
    previous = reinterpret_cast<WNDPROC>(
        SetWindowLongW(window, GWL_WNDPROC, static_cast<LONG>(reinterpret_cast<uintptr_t>(&recordingProc))));
    ASSERT_NE(previous, nullptr);
    ASSERT_EQ(SetTimer(inner, 15, 5, nullptr), 15u);
    SetWindowRgn(inner, CreateRectRgn(0, 0, 1, 1), TRUE);

    SendMessageW(window, WM_CLOSE, 0, 0);

    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(inner));
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(winsim::fireTimer(inner, 15));
    EXPECT_TRUE(winsim::timers().empty());
    EXPECT_EQ(winsim::ownedRegions(), 0u);
    EXPECT_EQ(winsim::callCount("DefWindowProcW"), 0u);  // the default procedure is not the plug-in's call
    ASSERT_GE(winsim::defWindowProcMessages().size(), 1u);
    EXPECT_EQ(winsim::defWindowProcMessages().front().message, WM_CLOSE);
}

TEST_F(WinsimWindows, DeadWindowsAnswerZeroAndChangeNothing) {
    HWND window = winsim::createWindow({L"W", nullptr, {0, 0, 10, 10}, {0, 0, 10, 10}, true, 0, 42});
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetWindowLongW(window, GWL_USERDATA), 0);
    EXPECT_EQ(SetWindowLongW(window, GWL_USERDATA, 7), 0);
    RECT rect{1, 2, 3, 4};
    EXPECT_FALSE(GetWindowRect(window, &rect));
    EXPECT_FALSE(GetClientRect(window, &rect));
    EXPECT_EQ(rect, (RECT{1, 2, 3, 4}));
    EXPECT_EQ(SetTimer(window, 15, 5, nullptr), 0u);

    EXPECT_FALSE(PostMessageW(window, WM_CLOSE, 0, 0));
    ASSERT_EQ(winsim::postedMessages().size(), 1u);
    EXPECT_FALSE(winsim::postedMessages()[0].delivered);
    EXPECT_FALSE(SetWindowPos(window, nullptr, 1, 1, 1, 1, 0));
    EXPECT_EQ(winsim::windowPosCalls().size(), 1u);

    EXPECT_NE(winsim::createWindow(), window);  // handles are not reused
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(WinsimWindows, SetWindowPosKeepsTheBorderBetweenWindowAndClient) {
    HWND window = winsim::createWindow({L"W", nullptr, {100, 100, 300, 250}, {0, 0, 190, 120}});
    ASSERT_TRUE(SetWindowPos(window, nullptr, 10, 20, 400, 300, SWP_NOZORDER));
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect, (RECT{10, 20, 410, 320}));
    GetClientRect(window, &rect);
    EXPECT_EQ(rect, (RECT{0, 0, 390, 270}));

    SetWindowPos(window, nullptr, -5000, -5000, 1, 1, SWP_NOSIZE);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect, (RECT{-5000, -5000, -4600, -4700}));
    SetWindowPos(window, nullptr, 0, 0, 50, 60, SWP_NOMOVE);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect, (RECT{-5000, -5000, -4950, -4940}));
}

std::vector<std::pair<UINT, WPARAM>> ticks;
LRESULT CALLBACK tickProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    ticks.emplace_back(message, wParam);
    return 0;
}

TEST_F(WinsimWindows, TimersReplaceByIdAndFireThroughTheCurrentProcedure) {
    ticks.clear();
    winsim::WindowSpec desc;
    desc.proc = &tickProc;
    HWND window = winsim::createWindow(desc);
    EXPECT_EQ(SetTimer(window, 15, 5, nullptr), 15u);
    EXPECT_EQ(SetTimer(window, 15, 10, nullptr), 15u);
    ASSERT_EQ(winsim::timers().size(), 1u);
    EXPECT_EQ(winsim::timers()[0].elapse, 10u);

    EXPECT_TRUE(winsim::fireTimer(window, 15));
    EXPECT_FALSE(winsim::fireTimer(window, 16));
    EXPECT_EQ(ticks, (std::vector<std::pair<UINT, WPARAM>>{{WM_TIMER, 15}}));

    EXPECT_NE(SetTimer(nullptr, 15, 5, nullptr), 0u);  // a thread timer gets an id of its own
    EXPECT_TRUE(KillTimer(window, 15));
    EXPECT_FALSE(KillTimer(window, 15));
    EXPECT_FALSE(winsim::fireTimer(window, 15));
}

}  // namespace
