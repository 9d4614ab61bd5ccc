// The follow timer's tick through PluginWindowProc, with the timer fired by hand.
#include "docking_fixture.h"
#include "follow_pass.h"

#include <algorithm>

namespace dockplug_test {
namespace {

class FollowTickTest : public DockingTest {
protected:
    void SetUp() override {
        DockingTest::SetUp();
        dockplug::sizeCountdown = 0;
    }
    void TearDown() override {
        dockplug::sizeCountdown = 0;
        DockingTest::TearDown();
    }

    // A main-frame window (0,0,1000,800) with its content child (8,100,992,780).
    static HWND frameWithContent() {
        winsim::WindowSpec frame;
        frame.windowRect = {0, 0, 1000, 800};
        HWND handle = winsim::createWindow(frame);
        winsim::WindowSpec content;
        content.className = dockplug::kContentWindowClass;
        content.parent = handle;
        content.windowRect = {8, 100, 992, 780};
        winsim::createWindow(content);
        return handle;
    }

    void attachToFrame(const WindowChain& c, HWND frame) {
        ASSERT_TRUE(call("attachWndToMainFrame", {handleArg(c.page), handleArg(frame)}));
        ASSERT_TRUE(resultIsBool(true));
    }

    bool tick() {
        winsim::clearCalls();
        winsim::clearWindowPosCalls();
        winsim::clearPostedMessages();
        browser.clearLogs();
        return winsim::fireTimer(pluginWindow, dockplug::kFollowTimerId);
    }

    static bool lastDefWindowProcWas(HWND window, UINT message, WPARAM wParam) {
        const auto& seen = winsim::defWindowProcMessages();
        return !seen.empty() && seen.back().window == window && seen.back().message == message &&
               seen.back().wParam == wParam;
    }
};

TEST_F(FollowTickTest, TickPlacesTheDockedWindowAndHoldsAReferenceMeanwhile) {
    const WindowChain c = chain();
    const HWND frame = frameWithContent();
    attachToFrame(c, frame);
    const uint32_t referencesBefore = object->referenceCount;

    ASSERT_TRUE(tick());

    ASSERT_EQ(winsim::windowPosCalls().size(), 1u);
    const auto& placed = winsim::windowPosCalls()[0];
    EXPECT_EQ(placed.window, c.layered);
    EXPECT_EQ(placed.x, 8);
    EXPECT_EQ(placed.y, 100);
    EXPECT_EQ(placed.cx, 984);
    EXPECT_EQ(placed.cy, 672);
    EXPECT_EQ(placed.flags, 0x4014u);
    EXPECT_EQ(browser.serviceCallCount("NPN_RetainObject"), 1u);
    EXPECT_EQ(browser.serviceCallCount("NPN_ReleaseObject"), 1u);
    EXPECT_EQ(object->referenceCount, referencesBefore);
    EXPECT_TRUE(lastDefWindowProcWas(pluginWindow, WM_TIMER, dockplug::kFollowTimerId));
    EXPECT_EQ(winsim::calls().back(), "DefWindowProcW");
}

TEST_F(FollowTickTest, GoneFrameIsDroppedThenTicksOnAnEmptyMapOnlyQueryTheRecord) {
    const WindowChain c = chain();
    const HWND frame = frameWithContent();
    attachToFrame(c, frame);
    destroy(frame);

    ASSERT_TRUE(tick());
    ASSERT_EQ(winsim::postedMessages().size(), 1u);
    EXPECT_EQ(winsim::postedMessages()[0].window, c.closeTarget);
    EXPECT_EQ(winsim::postedMessages()[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_TRUE(dock().frameDockings.empty());

    ASSERT_TRUE(tick());
    EXPECT_EQ(winsim::calls(), (std::vector<std::string>{"GetWindowLongW", "DefWindowProcW"}));
    EXPECT_EQ(browser.serviceCalls(), (std::vector<std::string>{"NPN_RetainObject", "NPN_ReleaseObject"}));
    EXPECT_TRUE(lastDefWindowProcWas(pluginWindow, WM_TIMER, dockplug::kFollowTimerId));
}

TEST_F(FollowTickTest, OtherMessagesAndTimersOnlyReachDefWindowProc) {
    const WindowChain c = chain();
    attachToFrame(c, frameWithContent());
    const std::vector<std::pair<UINT, WPARAM>> messages = {{WM_TIMER, 16}, {WM_TIMER, 0}, {WM_USER, 15}};
    for (const auto& [message, wParam] : messages) {
        SCOPED_TRACE(message);
        winsim::clearCalls();
        browser.clearLogs();
        SendMessageW(pluginWindow, message, wParam, 0);
        EXPECT_EQ(winsim::calls(), (std::vector<std::string>{"SendMessageW", "DefWindowProcW"}));
        EXPECT_TRUE(browser.serviceCalls().empty());
        EXPECT_TRUE(lastDefWindowProcWas(pluginWindow, message, wParam));
    }
}

TEST_F(FollowTickTest, WindowWithoutARecordPassesTheTickStraightOn) {
    winsim::WindowSpec desc;
    desc.proc = &PluginWindowProc;
    const HWND stray = winsim::createWindow(desc);
    SetTimer(stray, dockplug::kFollowTimerId, 5, nullptr);
    winsim::clearCalls();
    browser.clearLogs();

    ASSERT_TRUE(winsim::fireTimer(stray, dockplug::kFollowTimerId));

    EXPECT_EQ(winsim::calls(), (std::vector<std::string>{"GetWindowLongW", "DefWindowProcW"}));
    EXPECT_TRUE(browser.serviceCalls().empty());
    DestroyWindow(stray);
}

TEST_F(FollowTickTest, TicksAfterTheInstanceIsGoneNoLongerRunThePass) {
    const WindowChain c = chain();
    attachToFrame(c, frameWithContent());
    destroyInstance();

    ASSERT_TRUE(tick());

    EXPECT_TRUE(winsim::windowPosCalls().empty());
    EXPECT_TRUE(browser.serviceCalls().empty());
}

}  // namespace
}  // namespace dockplug_test
