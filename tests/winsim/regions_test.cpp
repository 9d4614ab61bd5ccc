#include "winsim_fixture.h"

namespace {

struct CombineCase {
    const char* name;
    RECT a, b;
    int mode;
    int type;
    winsim::Rects expected;  // canonical band order
};

void PrintTo(const CombineCase& c, std::ostream* os) { *os << c.name; }

class WinsimCombine : public WinsimTest, public testing::WithParamInterface<CombineCase> {};

// The result is read back through a window region, the way the plug-in's
// shaping becomes visible.
TEST_P(WinsimCombine, GivesExactBandsAndType) {
    const CombineCase& c = GetParam();
    HRGN dst = CreateRectRgn(c.a.left, c.a.top, c.a.right, c.a.bottom);
    HRGN other = CreateRectRgn(c.b.left, c.b.top, c.b.right, c.b.bottom);
    EXPECT_EQ(CombineRgn(dst, dst, other, c.mode), c.type);
    HWND window = winsim::createWindow();
    ASSERT_NE(SetWindowRgn(window, dst, TRUE), 0);
    EXPECT_EQ(winsim::windowRegion(window), c.expected);
    EXPECT_TRUE(DeleteObject(other));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WinsimCombine,
    testing::Values(
        CombineCase{"And", {0, 0, 10, 10}, {5, 5, 15, 15}, RGN_AND, SIMPLEREGION, {{5, 5, 10, 10}}},
        CombineCase{"Or", {0, 0, 10, 10}, {5, 5, 15, 15}, RGN_OR, COMPLEXREGION,
                    {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
        CombineCase{"Diff", {0, 0, 10, 10}, {5, 5, 15, 15}, RGN_DIFF, COMPLEXREGION, {{0, 0, 10, 5}, {0, 5, 5, 10}}},
        CombineCase{"Xor", {0, 0, 10, 10}, {5, 5, 15, 15}, RGN_XOR, COMPLEXREGION,
                    {{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}},
        CombineCase{"Copy", {0, 0, 10, 10}, {5, 5, 15, 15}, RGN_COPY, SIMPLEREGION, {{0, 0, 10, 10}}},
        // Top and bottom bands of a window, as display shaping builds them.
        CombineCase{"TwoBands", {0, 0, 200, 30}, {0, 170, 200, 200}, RGN_OR, COMPLEXREGION,
                    {{0, 0, 200, 30}, {0, 170, 200, 200}}},
        CombineCase{"TouchingBandsMerge", {0, 0, 10, 5}, {0, 5, 10, 10}, RGN_OR, SIMPLEREGION, {{0, 0, 10, 10}}},
        CombineCase{"DisjointAndIsEmpty", {0, 0, 5, 5}, {5, 5, 10, 10}, RGN_AND, NULLREGION, {}},
        CombineCase{"DiffToNothing", {2, 2, 4, 4}, {0, 0, 10, 10}, RGN_DIFF, NULLREGION, {}}),
    [](const testing::TestParamInfo<CombineCase>& info) { return std::string(info.param.name); });

using WinsimRegions = WinsimTest;

TEST_F(WinsimRegions, CreateRectRgnNormalisesEdges) {
    RECT box{};
    EXPECT_EQ(GetRgnBox(CreateRectRgn(10, 20, 0, 5), &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 5, 10, 20}));
    EXPECT_EQ(GetRgnBox(CreateRectRgn(3, 0, 3, 10), &box), NULLREGION);
    EXPECT_EQ(box, (RECT{0, 0, 0, 0}));
}

TEST_F(WinsimRegions, BadHandlesGiveError) {
    HRGN live = CreateRectRgn(0, 0, 1, 1);
    HRGN gone = CreateRectRgn(0, 0, 1, 1);
    ASSERT_TRUE(DeleteObject(gone));
    EXPECT_EQ(CombineRgn(live, live, gone, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(gone, live, live, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(live, live, live, 99), ERROR);
    EXPECT_FALSE(DeleteObject(gone));
    RECT box{7, 7, 7, 7};
    EXPECT_EQ(GetRgnBox(gone, &box), ERROR);
    EXPECT_EQ(box, (RECT{7, 7, 7, 7}));
}

TEST_F(WinsimRegions, WindowOwnsItsRegionAndFreesThePreviousOne) {
    HWND window = winsim::createWindow();
    HRGN first = CreateRectRgn(0, 0, 10, 10);
    HRGN second = CreateRectRgn(0, 0, 20, 20);
    EXPECT_EQ(winsim::liveGdiObjects(), 2u);

    ASSERT_NE(SetWindowRgn(window, first, TRUE), 0);
    EXPECT_FALSE(DeleteObject(first));  // the window's now
    EXPECT_EQ(winsim::liveGdiObjects(), 1u);

    ASSERT_NE(SetWindowRgn(window, second, TRUE), 0);
    EXPECT_EQ(winsim::ownedRegions(), 1u);
    RECT box{};
    EXPECT_EQ(GetRgnBox(first, &box), ERROR);  // freed by the window
    EXPECT_TRUE(winsim::windowRegionContains(window, 15, 15));

    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(window, copy), SIMPLEREGION);
    EXPECT_EQ(GetRgnBox(copy, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 0, 20, 20}));
    EXPECT_TRUE(DeleteObject(copy));

    ASSERT_NE(SetWindowRgn(window, nullptr, TRUE), 0);
    EXPECT_FALSE(winsim::hasWindowRegion(window));
    EXPECT_EQ(GetWindowRgn(window, CreateRectRgn(0, 0, 1, 1)), ERROR);
    EXPECT_EQ(winsim::ownedRegions(), 0u);
}

TEST_F(WinsimRegions, DestroyedWindowFreesItsRegion) {
    HWND parent = winsim::createWindow();
    HWND child = winsim::createWindow({L"Child", parent});
    HRGN region = CreateRectRgn(0, 0, 5, 5);
    ASSERT_NE(SetWindowRgn(child, region, FALSE), 0);
    ASSERT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(winsim::ownedRegions(), 0u);
    EXPECT_EQ(winsim::liveGdiObjects(), 0u);
    EXPECT_FALSE(DeleteObject(region));
}

TEST_F(WinsimRegions, SetWindowRgnOnDeadWindowLeavesRegionWithCaller) {
    HWND window = winsim::createWindow();
    ASSERT_TRUE(DestroyWindow(window));
    HRGN region = CreateRectRgn(0, 0, 5, 5);
    EXPECT_EQ(SetWindowRgn(window, region, TRUE), 0);
    EXPECT_EQ(winsim::liveGdiObjects(), 1u);  // a leak unless the caller deletes it
    EXPECT_TRUE(DeleteObject(region));
    EXPECT_EQ(winsim::liveGdiObjects(), 0u);
}

TEST_F(WinsimRegions, PtInRegionExcludesRightAndBottomEdges) {
    HRGN region = CreateRectRgn(0, 0, 10, 10);
    EXPECT_TRUE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 9, 9));
    EXPECT_FALSE(PtInRegion(region, 10, 5));
    EXPECT_FALSE(PtInRegion(region, 5, 10));
}

}  // namespace
