// placeWindow: the move, the held-back size and the process-wide countdown.
#include "follow_pass.h"
#include "winsim.h"

#include <gtest/gtest.h>

#include <vector>

namespace dockplug {
namespace {

struct PlaceCase {
    const char* name;
    RECT current;
    int x, y, width, height;
    UINT flags;
    int32_t countdownBefore;
    bool expectCall;
    int expectX, expectY;
    UINT expectFlags;
    int32_t countdownAfter;
};

constexpr RECT kAt10x20{10, 20, 110, 70};  // 100 x 50

TEST(PlaceWindow, DecidesMoveSizeAndCountdown) {
    const std::vector<PlaceCase> cases = {
        {"nothing changes", kAt10x20, 10, 20, 100, 50, 0x4014, 2, false, 0, 0, 0, 2},
        {"right place, size not wanted", kAt10x20, 10, 20, 300, 300, 0x4015, 2, false, 0, 0, 0, 2},
        {"right place, size held at 2", kAt10x20, 10, 20, 300, 300, 0x4014, 2, true, 10, 20, 0x4015, 1},
        {"right place, size held at 1", kAt10x20, 10, 20, 300, 300, 0x4014, 1, true, 10, 20, 0x4015, 0},
        {"size through at 0", kAt10x20, 10, 20, 300, 300, 0x4014, 0, true, 10, 20, 0x4014, 2},
        {"move with right size resets", kAt10x20, 40, 60, 100, 50, 0x4014, 1, true, 40, 60, 0x4015, 0},
        {"move, size not wanted", kAt10x20, 40, 60, 300, 300, 0x4015, 1, true, 40, 60, 0x4015, 1},
        {"clamped move", kAt10x20, -40000, -50000, 100, 50, 0x4014, 2, true, -32768, -32768, 0x4015, 0},
        {"already at the clamp", {-32768, -32768, -32668, -32718}, -40000, -32769, 100, 50, 0x4014, 2, false, 0, 0,
         0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::reset();
        winsim::WindowSpec desc;
        desc.windowRect = c.current;
        HWND window = winsim::createWindow(desc);
        winsim::clearCalls();
        sizeCountdown = c.countdownBefore;
        const bool expectHeld = (c.expectFlags & SWP_NOSIZE) != 0;
        // Seeded with the opposite of what a write would store, so an untouched flag shows.
        bool held = c.expectCall ? !expectHeld : false;

        const BOOL result = placeWindow(window, c.x, c.y, c.width, c.height, c.flags, &held);

        EXPECT_EQ(result, TRUE);
        EXPECT_EQ(sizeCountdown, c.countdownAfter);
        if (!c.expectCall) {
            EXPECT_EQ(winsim::callCount("SetWindowPos"), 0u);
            EXPECT_EQ(winsim::calls().size(), 1u);  // the rectangle query only
            EXPECT_FALSE(held);
            continue;
        }
        ASSERT_EQ(winsim::windowPosCalls().size(), 1u);
        const auto& call = winsim::windowPosCalls()[0];
        EXPECT_EQ(call.window, window);
        EXPECT_EQ(call.insertAfter, nullptr);
        EXPECT_EQ(call.x, c.expectX);
        EXPECT_EQ(call.y, c.expectY);
        EXPECT_EQ(call.cx, c.width);
        EXPECT_EQ(call.cy, c.height);
        EXPECT_EQ(call.flags, c.expectFlags);
        EXPECT_EQ(held, expectHeld);
        const RECT now = winsim::windowRect(window);
        EXPECT_EQ(now.right - now.left, expectHeld ? 100 : c.width);
    }
    sizeCountdown = 0;
}

TEST(PlaceWindow, GoneWindowUsesZeroRectAndReportsTheFailedRequest) {
    winsim::reset();
    HWND gone = winsim::createWindow();
    DestroyWindow(gone);
    sizeCountdown = 0;

    EXPECT_EQ(placeWindow(gone, 0, 0, 0, 0, 0x4014, nullptr), TRUE);  // zeros already match
    EXPECT_TRUE(winsim::windowPosCalls().empty());

    EXPECT_EQ(placeWindow(gone, 5, 5, 10, 10, 0x4014, nullptr), FALSE);
    ASSERT_EQ(winsim::windowPosCalls().size(), 1u);
    EXPECT_EQ(winsim::windowPosCalls()[0].flags, 0x4014u);
    EXPECT_EQ(sizeCountdown, 2);
    sizeCountdown = 0;
}

}  // namespace
}  // namespace dockplug
