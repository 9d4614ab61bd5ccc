// The plug-in window: subclassing on the first real NPP_SetWindow, the
// procedure written back by NPP_Destroy, and PluginWindowProc's messages and
// timer hook, all read back from the simulated window system.
#include "frame_fixture.h"
#include "nothrow_new_failure.h"
#include "test_module.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

LRESULT CALLBACK procA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}
LRESULT CALLBACK procB(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

LONG asLong(WNDPROC proc) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(proc)); }
LONG asLong(const void* pointer) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(pointer)); }

class FrameWindowTest : public FrameTest {
protected:
    HWND makeWindow(WNDPROC proc) {
        winsim::WindowSpec desc;
        desc.proc = proc;
        return winsim::createWindow(desc);
    }
    bool subclassedBy(HWND window, NPP instance) {
        return GetWindowLongW(window, GWL_WNDPROC) == asLong(&PluginWindowProc) &&
               GetWindowLongW(window, GWL_USERDATA) == asLong(instance->pdata);
    }
};

// ---- NPP_SetWindow ----------------------------------------------------------------------

TEST_F(FrameWindowTest, FirstWindowIsSubclassedWithTheRecordAsUserData) {
    HWND window = makeWindow(&procA);
    NPP instance = plugin.newInstance();
    winsim::clearCalls();

    EXPECT_EQ(plugin.setWindow(instance, window), NPERR_NO_ERROR);

    EXPECT_TRUE(subclassedBy(window, instance));
    EXPECT_EQ(record(instance)->window, window);
    EXPECT_TRUE(record(instance)->windowSubclassed);
    EXPECT_EQ(savedWindowProc, asLong(&procA));
    EXPECT_EQ(winsim::callCount("SetWindowLongW"), 2u);
}

TEST_F(FrameWindowTest, LaterCallsAreIgnoredEvenWithAnotherWindow) {
    HWND first = makeWindow(&procA);
    HWND second = makeWindow(&procB);
    NPP instance = plugin.newInstance();
    plugin.setWindow(instance, first);
    winsim::clearCalls();

    EXPECT_EQ(plugin.setWindow(instance, second), NPERR_NO_ERROR);
    EXPECT_EQ(plugin.setWindow(instance, first), NPERR_NO_ERROR);
    EXPECT_EQ(plugin.setWindow(instance, static_cast<void*>(nullptr)), NPERR_NO_ERROR);

    EXPECT_THAT(winsim::calls(), IsEmpty());
    EXPECT_EQ(GetWindowLongW(second, GWL_WNDPROC), asLong(&procB));
    EXPECT_EQ(record(instance)->window, first);
    EXPECT_EQ(savedWindowProc, asLong(&procA));
}

TEST_F(FrameWindowTest, NullWindowHandleRecordsNothingAndALaterHandleSubclasses) {
    HWND window = makeWindow(&procA);
    NPP instance = plugin.newInstance();
    winsim::clearCalls();

    EXPECT_EQ(plugin.setWindow(instance, static_cast<void*>(nullptr)), NPERR_NO_ERROR);
    EXPECT_THAT(winsim::calls(), IsEmpty());
    EXPECT_EQ(record(instance)->window, nullptr);
    EXPECT_FALSE(record(instance)->windowSubclassed);

    EXPECT_EQ(plugin.setWindow(instance, window), NPERR_NO_ERROR);
    EXPECT_TRUE(subclassedBy(window, instance));
}

TEST_F(FrameWindowTest, RefusedCalls) {
    NPP instance = plugin.newInstance();
    HWND window = makeWindow(&procA);
    NPWindow record{};
    record.window = window;
    NPP_t bare{nullptr, nullptr};
    winsim::clearCalls();

    EXPECT_EQ(plugin.setWindow(instance, static_cast<NPWindow*>(nullptr)), NPERR_GENERIC_ERROR);
    EXPECT_EQ(plugin.setWindow(nullptr, &record), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(plugin.setWindow(&bare, &record), NPERR_GENERIC_ERROR);
    EXPECT_THAT(winsim::calls(), IsEmpty());

    plugin.setWindow(instance, window);
    EXPECT_EQ(plugin.setWindow(instance, static_cast<NPWindow*>(nullptr)), NPERR_GENERIC_ERROR);
    EXPECT_TRUE(subclassedBy(window, instance));
}

// ---- NPP_Destroy writes the displaced procedure back ----------------------------------------

TEST_F(FrameWindowTest, DestroyWritesBackTheProcedureAndForgetsTheWindow) {
    HWND window = makeWindow(&procA);
    NPP instance = plugin.newInstance();
    plugin.setWindow(instance, window);

    EXPECT_EQ(plugin.destroy(instance), NPERR_NO_ERROR);

    EXPECT_EQ(GetWindowLongW(window, GWL_WNDPROC), asLong(&procA));
    EXPECT_EQ(instance->pdata, nullptr);
}

TEST_F(FrameWindowTest, EachInstanceGetsBackItsOwnWindowsProcedure) {
    HWND windowA = makeWindow(&procA);
    HWND windowB = makeWindow(&procB);
    NPP first = plugin.newInstance();
    NPP second = plugin.newInstance();
    plugin.setWindow(first, windowA);
    plugin.setWindow(second, windowB);
    EXPECT_EQ(savedWindowProc, asLong(&procB));  // the most recent subclassing

    plugin.destroy(first);
    EXPECT_EQ(GetWindowLongW(windowA, GWL_WNDPROC), asLong(&procA));
    EXPECT_TRUE(subclassedBy(windowB, second));

    plugin.destroy(second);
    EXPECT_EQ(GetWindowLongW(windowB, GWL_WNDPROC), asLong(&procB));
}

TEST_F(FrameWindowTest, DestroyAfterTheWindowIsGoneIsQuiet) {
    HWND window = makeWindow(&procA);
    NPP instance = plugin.newInstance();
    plugin.setWindow(instance, window);
    DestroyWindow(window);
    EXPECT_EQ(plugin.destroy(instance), NPERR_NO_ERROR);
    EXPECT_FALSE(winsim::isLive(window));
}

// ---- PluginWindowProc ---------------------------------------------------------------------

class FrameWindowProcTest : public FrameWindowTest {
protected:
    void SetUp() override {
        testmodule::timerTicks().clear();
        testmodule::throwFromTimer = false;
        window = makeWindow(nullptr);
        instance = plugin.newInstance();
        plugin.setWindow(instance, window);
        SetTimer(window, testmodule::kTimerId, 5, nullptr);
        SetTimer(window, 7, 5, nullptr);
        winsim::clearCalls();
    }
    void TearDown() override {
        testmodule::throwFromTimer = false;
        FrameWindowTest::TearDown();
    }

    size_t defWindowProcCount() { return winsim::defWindowProcMessages().size(); }

    HWND window = nullptr;
    NPP instance = nullptr;
};

TEST_F(FrameWindowProcTest, MessagesGoToDefWindowProcUnchanged) {
    size_t before = defWindowProcCount();
    SendMessageW(window, WM_USER + 5, 0x1234, 0x5678);
    ASSERT_EQ(defWindowProcCount(), before + 1);
    const winsim::Message& seen = winsim::defWindowProcMessages().back();
    EXPECT_EQ(seen.window, window);
    EXPECT_EQ(seen.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(seen.wParam, 0x1234u);
    EXPECT_EQ(seen.lParam, 0x5678);
    EXPECT_THAT(testmodule::timerTicks(), IsEmpty());
}

TEST_F(FrameWindowProcTest, ModuleTimerRunsTheHookWithAReferenceHeldForIt) {
    ASSERT_TRUE(winsim::fireTimer(window, testmodule::kTimerId));

    // No object yet: the tick creates it, holds one more reference while the hook runs, then drops it.
    ASSERT_EQ(testmodule::timerTicks().size(), 1u);
    NPObject* object = record(instance)->scriptableObject;
    EXPECT_EQ(testmodule::timerTicks()[0].object, object);
    EXPECT_EQ(testmodule::timerTicks()[0].referenceCount, 2u);
    EXPECT_EQ(object->referenceCount, 1u);
    EXPECT_EQ(winsim::defWindowProcMessages().back().message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(winsim::defWindowProcMessages().back().wParam, testmodule::kTimerId);

    NPObject* handedOut = plugin.scriptableObject(instance);
    winsim::fireTimer(window, testmodule::kTimerId);
    EXPECT_EQ(testmodule::timerTicks()[1].referenceCount, 3u);
    EXPECT_EQ(object->referenceCount, 2u);
    plugin.release(handedOut);
}

TEST_F(FrameWindowProcTest, OtherTimersAndWindowsWithoutRecordSkipTheHook) {
    size_t before = defWindowProcCount();
    winsim::fireTimer(window, 7);
    HWND stranger = makeWindow(nullptr);
    PluginWindowProc(stranger, WM_TIMER, testmodule::kTimerId, 0);
    EXPECT_THAT(testmodule::timerTicks(), IsEmpty());
    EXPECT_EQ(defWindowProcCount(), before + 2);
    EXPECT_EQ(host.liveObjects(), 0u);
}

TEST_F(FrameWindowProcTest, AHookThatThrowsStillGivesItsReferenceBack) {
    NPObject* handedOut = plugin.scriptableObject(instance);
    testmodule::throwFromTimer = true;
    size_t before = defWindowProcCount();

    winsim::fireTimer(window, testmodule::kTimerId);

    EXPECT_EQ(testmodule::timerTicks().size(), 1u);
    EXPECT_EQ(handedOut->referenceCount, 2u);
    EXPECT_EQ(defWindowProcCount(), before + 1);
    plugin.release(handedOut);
}

TEST_F(FrameWindowProcTest, NoObjectNoHook) {
    testmodule::failNothrowAllocations(1);
    winsim::fireTimer(window, testmodule::kTimerId);
    testmodule::failNothrowAllocations(0);
    EXPECT_THAT(testmodule::timerTicks(), IsEmpty());
    EXPECT_EQ(host.serviceCallCount("NPN_ReleaseObject"), 0u);
}

}  // namespace
