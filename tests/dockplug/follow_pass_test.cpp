// The layout pass over frameDockings, driven directly on a docking object.
#include "dockplug_object.h"
#include "follow_pass.h"
#include "winsim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace dockplug {
namespace {

constexpr UINT kFlags = 0x4014;
constexpr UINT kFlagsNoSize = 0x4015;

struct Docking {
    HWND frame;
    HWND content;
    HWND layered;
    HWND closeTarget;
};

struct Placement {
    int x, y, cx, cy;
    UINT flags;
};

class FollowPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        winsim::reset();
        sizeCountdown = 0;
    }
    void TearDown() override { sizeCountdown = 0; }

    static HWND window(RECT rect, HWND parent = nullptr, const wchar_t* className = L"Plain", LONG userData = 0,
                       LONG style = 0) {
        winsim::WindowSpec desc;
        desc.className = className;
        desc.parent = parent;
        desc.windowRect = rect;
        desc.clientRect = RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
        desc.style = style;
        desc.userData = userData;
        return winsim::createWindow(desc);
    }

    // A main-frame window with a content child, a layered window naming its
    // close target, and the entry that docks the one onto the other.
    Docking dock(RECT frameRect = {0, 0, 1000, 800}, RECT contentRect = {8, 100, 992, 780},
                 RECT layeredRect = {500, 500, 600, 560}) {
        Docking d{};
        d.frame = window(frameRect);
        d.content = window(contentRect, d.frame, kContentWindowClass);
        d.closeTarget = window({0, 0, 10, 10});
        d.layered = window(layeredRect, nullptr, L"Layered", static_cast<LONG>(handleBits(d.closeTarget)));
        object.frameDockings[d.frame] = d.layered;
        return d;
    }

    void pass() {
        winsim::clearCalls();
        winsim::clearPostedMessages();
        winsim::clearWindowPosCalls();
        followFrameDockings(object);
    }

    static std::vector<Placement> placementsOf(HWND layered) {
        std::vector<Placement> out;
        for (const auto& call : winsim::windowPosCalls()) {
            EXPECT_EQ(call.window, layered);
            EXPECT_EQ(call.insertAfter, nullptr);
            out.push_back({call.x, call.y, call.cx, call.cy, call.flags});
        }
        return out;
    }

    ScriptablePluginObject object{nullptr};
};

void expectPlacement(const Placement& actual, const Placement& expected) {
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.cx, expected.cx);
    EXPECT_EQ(actual.cy, expected.cy);
    EXPECT_EQ(actual.flags, expected.flags);
}

TEST_F(FollowPassTest, EmptyMapMakesNoWindowCall) {
    pass();
    EXPECT_TRUE(winsim::calls().empty());
}

TEST_F(FollowPassTest, GoneFrameClosesTargetAndLaterEntriesAreStillHandled) {
    const Docking gone = dock();
    const Docking kept = dock();
    ASSERT_LT(handleBits(gone.frame), handleBits(kept.frame));
    DestroyWindow(gone.frame);

    pass();

    ASSERT_EQ(winsim::postedMessages().size(), 1u);
    const auto& post = winsim::postedMessages()[0];
    EXPECT_EQ(post.window, gone.closeTarget);
    EXPECT_EQ(post.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(post.wParam, 0u);
    EXPECT_EQ(post.lParam, 0);
    EXPECT_EQ(object.frameDockings.count(gone.frame), 0u);
    EXPECT_EQ(object.frameDockings.count(kept.frame), 1u);
    ASSERT_EQ(placementsOf(kept.layered).size(), 1u);
}

TEST_F(FollowPassTest, GoneFrameAndGoneLayeredPostToTheZeroItReads) {
    const Docking d = dock();
    DestroyWindow(d.frame);
    DestroyWindow(d.layered);

    pass();

    ASSERT_EQ(winsim::postedMessages().size(), 1u);
    EXPECT_EQ(winsim::postedMessages()[0].window, nullptr);
    EXPECT_EQ(winsim::postedMessages()[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_TRUE(object.frameDockings.empty());
}

TEST_F(FollowPassTest, GoneLayeredWindowIsDroppedSilentlyAndKeepsItsBands) {
    const Docking gone = dock();
    const Docking kept = dock();
    object.displayBands[gone.layered] = {20, 10};
    DestroyWindow(gone.layered);

    pass();

    EXPECT_TRUE(winsim::postedMessages().empty());
    EXPECT_EQ(object.frameDockings.count(gone.frame), 0u);
    EXPECT_EQ(object.displayBands.count(gone.layered), 1u);
    EXPECT_EQ(placementsOf(kept.layered).size(), 1u);
}

struct VisibilityCase {
    const char* name;
    bool frameVisible;
    bool frameMinimised;
    bool layeredVisible;
    std::vector<Placement> placements;
    bool bandsApplied;
};

TEST_F(FollowPassTest, VisibilityDecidesPlacementParkingOrNothing) {
    const std::vector<VisibilityCase> cases = {
        {"both visible", true, false, true, {{8, 100, 984, 672, kFlags}}, true},
        {"frame hidden parks", false, false, true, {{30000, 30000, 1, 1, kFlags}}, false},
        {"minimised keeps size", true, true, true, {{8, 100, 984, 672, kFlagsNoSize}}, false},
        {"layered hidden", true, false, false, {}, false},
        {"both hidden", false, false, false, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        object.frameDockings.clear();
        object.displayBands.clear();
        const Docking d = dock();
        object.displayBands[d.layered] = {20, 10};
        if (!c.frameVisible) ShowWindow(d.frame, SW_HIDE);
        if (c.frameMinimised) winsim::setStyle(d.frame, WS_VISIBLE | WS_MINIMIZE);
        if (!c.layeredVisible) ShowWindow(d.layered, SW_HIDE);

        pass();

        const auto placements = placementsOf(d.layered);
        ASSERT_EQ(placements.size(), c.placements.size());
        for (size_t i = 0; i < placements.size(); ++i) expectPlacement(placements[i], c.placements[i]);
        EXPECT_EQ(winsim::hasWindowRegion(d.layered), c.bandsApplied);
        EXPECT_EQ(winsim::callCount("SetWindowRgn"), c.bandsApplied ? 1u : 0u);
        EXPECT_EQ(object.frameDockings.count(d.frame), 1u);
        EXPECT_TRUE(winsim::postedMessages().empty());
    }
}

TEST_F(FollowPassTest, ParkedWindowLandsOffScreenAtOneByOne) {
    const Docking d = dock();
    ShowWindow(d.frame, SW_HIDE);
    pass();
    const RECT r = winsim::windowRect(d.layered);
    EXPECT_EQ(r.left, 30000);
    EXPECT_EQ(r.top, 30000);
    EXPECT_EQ(r.right, 30001);
    EXPECT_EQ(r.bottom, 30001);
}

struct GeometryCase {
    const char* name;
    RECT frame;
    bool hasContent;
    RECT content;
    bool decoyChildFirst;
    Placement expected;
};

TEST_F(FollowPassTest, GeometryOverTheContentWindow) {
    const std::vector<GeometryCase> cases = {
        {"even margins", {0, 0, 1000, 800}, true, {8, 100, 992, 780}, false, {8, 100, 984, 672, kFlags}},
        {"left nearer", {0, 0, 1000, 800}, true, {3, 100, 990, 780}, false, {3, 100, 994, 677, kFlags}},
        {"right nearer", {0, 0, 1000, 800}, true, {10, 100, 997, 780}, false, {3, 100, 994, 677, kFlags}},
        {"offset frame", {200, 50, 1200, 850}, true, {208, 150, 1192, 830}, false, {208, 150, 984, 672, kFlags}},
        {"other child class first", {0, 0, 1000, 800}, true, {8, 100, 992, 780}, true, {8, 100, 984, 672, kFlags}},
        // No content window: the all-zero rectangle goes through the formulas.
        {"no content window", {100, 50, 900, 650}, false, {}, false, {0, 0, 1000, 100, kFlags}},
        {"clamped x and y",
         {-40000, -40000, -39000, -39200},
         true,
         {-39992, -39900, -39008, -39220},
         false,
         {-32768, -32768, 984, 672, kFlags}},
        {"clamped x only", {-33000, 0, -32000, 800}, true, {-32992, 100, -32008, 780}, false,
         {-32768, 100, 984, 672, kFlags}},
        {"just above the lowest x", {-32775, 0, -31775, 800}, true, {-32767, 100, -31783, 780}, false,
         {-32767, 100, 984, 672, kFlags}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        object.frameDockings.clear();
        Docking d{};
        d.frame = window(c.frame);
        if (c.decoyChildFirst) window(c.frame, d.frame, L"KX_Other");
        if (c.hasContent) d.content = window(c.content, d.frame, kContentWindowClass);
        d.layered = window({1, 2, 3, 4}, nullptr, L"Layered");
        object.frameDockings[d.frame] = d.layered;

        pass();

        const auto placements = placementsOf(d.layered);
        ASSERT_EQ(placements.size(), 1u);
        expectPlacement(placements[0], c.expected);
    }
}

TEST_F(FollowPassTest, WindowAtRestCostsOnlyTheQueries) {
    const Docking d = dock({0, 0, 1000, 800}, {8, 100, 992, 780}, {8, 100, 992, 772});
    object.displayBands[d.layered] = {20, 10};

    pass();

    EXPECT_TRUE(winsim::windowPosCalls().empty());
    const std::vector<std::pair<std::string, size_t>> expected = {
        {"IsWindow", 2},      {"IsWindowVisible", 2}, {"FindWindowExW", 1},
        {"GetWindowLongW", 1}, {"GetWindowRect", 3},
    };
    size_t total = 0;
    for (const auto& [function, count] : expected) {
        EXPECT_EQ(winsim::callCount(function), count) << function;
        total += count;
    }
    EXPECT_EQ(winsim::calls().size(), total);
    EXPECT_EQ(sizeCountdown, 0);
}

TEST_F(FollowPassTest, SizeGoesThroughOnFirstAndFourthOfFourTicks) {
    const Docking d = dock();
    object.displayBands[d.layered] = {20, 10};
    const std::vector<UINT> expectedFlags = {kFlags, kFlagsNoSize, kFlagsNoSize, kFlags};
    const std::vector<int32_t> expectedCountdown = {2, 1, 0, 2};
    for (size_t tick = 0; tick < expectedFlags.size(); ++tick) {
        SCOPED_TRACE(tick + 1);
        winsim::setWindowRect(d.layered, {8, 100, 58, 150});  // right place, wrong size
        pass();
        const auto placements = placementsOf(d.layered);
        ASSERT_EQ(placements.size(), 1u);
        expectPlacement(placements[0], {8, 100, 984, 672, expectedFlags[tick]});
        EXPECT_EQ(sizeCountdown, expectedCountdown[tick]);
        EXPECT_EQ(winsim::callCount("SetWindowRgn"), expectedFlags[tick] == kFlags ? 1u : 0u);
    }
}

TEST_F(FollowPassTest, RightSizeResetsCountdownSoNextDifferenceGoesThrough) {
    const Docking d = dock();
    winsim::setWindowRect(d.layered, {8, 100, 58, 150});
    pass();
    ASSERT_EQ(sizeCountdown, 2);

    winsim::setWindowRect(d.layered, {0, 0, 984, 672});  // right size, wrong place
    pass();
    ASSERT_EQ(placementsOf(d.layered).size(), 1u);
    expectPlacement(placementsOf(d.layered)[0], {8, 100, 984, 672, kFlagsNoSize});
    EXPECT_EQ(sizeCountdown, 0);

    winsim::setWindowRect(d.layered, {8, 100, 58, 150});
    pass();
    ASSERT_EQ(placementsOf(d.layered).size(), 1u);
    EXPECT_EQ(placementsOf(d.layered)[0].flags, kFlags);
    EXPECT_EQ(sizeCountdown, 2);
}

TEST_F(FollowPassTest, DockingsShareOneCountdownInKeyOrder) {
    const Docking first = dock();
    const Docking second = dock();
    ASSERT_LT(handleBits(first.frame), handleBits(second.frame));

    pass();

    ASSERT_EQ(winsim::windowPosCalls().size(), 2u);
    EXPECT_EQ(winsim::windowPosCalls()[0].window, first.layered);
    EXPECT_EQ(winsim::windowPosCalls()[0].flags, kFlags);
    EXPECT_EQ(winsim::windowPosCalls()[1].window, second.layered);
    EXPECT_EQ(winsim::windowPosCalls()[1].flags, kFlagsNoSize);
    EXPECT_EQ(sizeCountdown, 1);
}

TEST_F(FollowPassTest, BandsFollowASizeChangeThatWentThrough) {
    const Docking d = dock();
    object.displayBands[d.layered] = {20, 10};

    pass();

    // Union of the top band (rows 0..20) and the bottom band (rows 661..671) of a 984 x 672 client.
    ASSERT_TRUE(winsim::hasWindowRegion(d.layered));
    EXPECT_TRUE(winsim::windowRegionContains(d.layered, 0, 0));
    EXPECT_TRUE(winsim::windowRegionContains(d.layered, 983, 20));
    EXPECT_FALSE(winsim::windowRegionContains(d.layered, 400, 21));
    EXPECT_FALSE(winsim::windowRegionContains(d.layered, 400, 660));
    EXPECT_TRUE(winsim::windowRegionContains(d.layered, 400, 661));
    // The shaping comes right after the placement request.
    const auto& calls = winsim::calls();
    auto placed = std::find(calls.begin(), calls.end(), "SetWindowPos");
    ASSERT_NE(placed, calls.end());
    ASSERT_NE(placed + 1, calls.end());
    EXPECT_EQ(*(placed + 1), "GetClientRect");
}

TEST_F(FollowPassTest, SizeChangeWithoutBandsShapesNothing) {
    const Docking d = dock();
    pass();
    EXPECT_EQ(placementsOf(d.layered).size(), 1u);
    EXPECT_EQ(winsim::callCount("GetClientRect"), 0u);
    EXPECT_EQ(winsim::callCount("SetWindowRgn"), 0u);
    EXPECT_FALSE(winsim::hasWindowRegion(d.layered));
}

}  // namespace
}  // namespace dockplug
