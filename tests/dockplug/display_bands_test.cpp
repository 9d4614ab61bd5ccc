#include "display_region.h"

#include "docking_fixture.h"

#include <limits>

using namespace dockplug_test;
using dockplug::BandMap;

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

std::string describe(const winsim::Rects& rects) {
    std::string text;
    for (const RECT& r : rects)
        text += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                std::to_string(r.bottom) + ")";
    return text.empty() ? "no region" : text;
}

// The layered windows of these tests have a 200 x 100 client area.
TEST_F(DockingTest, BandsBecomeTheWindowRegion) {
    const struct {
        int32_t top, bottom;
        std::vector<RECT> region;  // empty: the window has no region
    } cases[] = {
        {20, 0, {{-1, -1, 201, 21}}},
        {0, 20, {{-1, 79, 201, 101}}},
        {0, 0, {}},
        {-5, 0, {}},
        {0, -5, {}},
        {-20, -20, {}},
        {20, -3, {{-1, -1, 201, 21}}},
        {150, 0, {{-1, -1, 201, 151}}},
        {0, 150, {{-1, -51, 201, 101}}},
        {kMax, 0, {{-1, -1, 201, kMax}}},
        {20, 20, {{-1, -1, 201, 21}, {-1, 79, 201, 101}}},
        {60, 60, {{-1, -1, 201, 101}}},
    };
    for (const auto& c : cases) {
        const WindowChain a = chain();
        SCOPED_TRACE(std::to_string(c.top) + "/" + std::to_string(c.bottom));
        winsim::clearCalls();
        EXPECT_TRUE(call("setDisplayRgn", {handleArg(a.page), intArg(c.top), intArg(c.bottom)}));
        EXPECT_TRUE(isUntouched(result));
        EXPECT_EQ(dock().displayBands.at(a.layered), std::make_pair(c.top, c.bottom));
        EXPECT_EQ(winsim::hasWindowRegion(a.layered), !c.region.empty());
        EXPECT_EQ(describe(winsim::windowRegion(a.layered)), describe(c.region));
        EXPECT_EQ(winsim::liveGdiObjects(), 0u);
        // One region per band; only a combined bottom band is ours to delete.
        const size_t bands = (c.top > 0) + (c.bottom > 0);
        EXPECT_EQ(winsim::callCount("CreateRectRgn"), bands);
        EXPECT_EQ(winsim::callCount("DeleteObject"), bands == 2 ? 1u : 0u);
    }
}

TEST_F(DockingTest, TwoBandsHideTheRowsBetweenThem) {
    const WindowChain a = chain();
    ASSERT_TRUE(call("setDisplayRgn", {handleArg(a.page), intArg(20), intArg(20)}));

    for (int row : {0, 20, 79, 99})
        for (int column : {0, 100, 199}) EXPECT_TRUE(winsim::windowRegionContains(a.layered, column, row)) << row;
    for (int row : {21, 50, 78}) EXPECT_FALSE(winsim::windowRegionContains(a.layered, 100, row)) << row;
}

TEST_F(DockingTest, SecondCallReplacesBandsAndShaping) {
    const WindowChain a = chain();
    ASSERT_TRUE(call("setDisplayRgn", {handleArg(a.page), intArg(20), intArg(20)}));
    ASSERT_TRUE(call("setDisplayRgn", {handleArg(a.page), doubleArg(30.7), intArg(0)}));
    EXPECT_EQ(dock().displayBands, (BandMap{{a.layered, {30, 0}}}));
    EXPECT_EQ(describe(winsim::windowRegion(a.layered)), "(-1,-1,201,31)");
    EXPECT_FALSE(winsim::windowRegionContains(a.layered, 100, 90));

    ASSERT_TRUE(call("setDisplayRgn", {handleArg(a.page), intArg(0), intArg(0)}));
    EXPECT_EQ(dock().displayBands, (BandMap{{a.layered, {0, 0}}}));
    EXPECT_FALSE(winsim::hasWindowRegion(a.layered));
    EXPECT_EQ(winsim::liveGdiObjects(), 0u);
}

TEST_F(DockingTest, ZeroWindowDataStoresBandsUnderHandleZero) {
    const HWND page = window();
    EXPECT_TRUE(call("setDisplayRgn", {handleArg(page), intArg(20), intArg(20)}));
    EXPECT_TRUE(isUntouched(result));
    EXPECT_EQ(dock().displayBands, (BandMap{{nullptr, {20, 20}}}));
    EXPECT_EQ(winsim::liveGdiObjects(), 0u);  // the refused region was not left behind
}

TEST_F(DockingTest, DeadLayeredWindowStillStoresBandsWithoutLeaking) {
    const WindowChain a = chain();
    const HWND page = a.page, layered = a.layered;
    destroy(layered);  // the page still names it

    for (auto bands : {std::make_pair(20, 20), std::make_pair(20, 0), std::make_pair(0, 20)}) {
        EXPECT_TRUE(call("setDisplayRgn", {handleArg(page), intArg(bands.first), intArg(bands.second)}));
        EXPECT_EQ(winsim::liveGdiObjects(), 0u);
    }
    EXPECT_EQ(dock().displayBands, (BandMap{{layered, {0, 20}}}));
}

TEST_F(DockingTest, SetDisplayRgnRefusesWrongCountsAndNonNumbersInOrder) {
    const WindowChain a = chain();
    const NPVariant page = handleArg(a.page), twenty = intArg(20);
    const NPVariant text = stringArg("20");
    const struct {
        const char* what;
        std::vector<NPVariant> args;
    } cases[] = {
        {"two arguments", {page, twenty}},
        {"four arguments", {page, twenty, twenty, twenty}},
        {"page not a number", {text, twenty, twenty}},
        {"top not a number", {page, typedArg(NPVariantType_Bool), twenty}},
        {"bottom not a number", {page, twenty, text}},
        {"all wrong", {typedArg(NPVariantType_Void), text, objectArg(nullptr)}},
    };
    for (const auto& c : cases) {
        std::vector<NPVariant> args = c.args;
        result = untouchedResult();
        EXPECT_FALSE(object->_class->invoke(object, fakehost::FakeBrowser::identifier("setDisplayRgn"), args.data(),
                                            static_cast<uint32_t>(args.size()), &result))
            << c.what;
        EXPECT_TRUE(isUntouched(result)) << c.what;
    }
    EXPECT_TRUE(dock().displayBands.empty());
    EXPECT_FALSE(winsim::hasWindowRegion(a.layered));
    EXPECT_EQ(winsim::callCount("CreateRectRgn"), 0u);
    EXPECT_EQ(winsim::callCount("SetWindowRgn"), 0u);
}

TEST(ApplyDisplayRegion, HandleNamingNoWindowLeaksNoRegion) {
    winsim::reset();
    for (auto bands : {std::make_pair(20, 20), std::make_pair(20, 0), std::make_pair(0, 20), std::make_pair(0, 0)}) {
        dockplug::applyDisplayRegion(handleFromBits(0xDEAD), bands.first, bands.second);
        EXPECT_EQ(winsim::liveGdiObjects(), 0u);
    }
    EXPECT_EQ(winsim::callCount("SetWindowRgn"), 4u);
}

}  // namespace
