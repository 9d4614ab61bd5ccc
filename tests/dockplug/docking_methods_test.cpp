#include "docking_fixture.h"

#include "script_function.h"

#include <string>

using namespace dockplug_test;
using dockplug::DockingMap;

namespace {

size_t closeRequestsTo(HWND window) {
    size_t count = 0;
    for (const auto& m : winsim::postedMessages())
        if (m.window == window && m.message == WM_CLOSE && m.wParam == 0 && m.lParam == 0) ++count;
    return count;
}

// Both attach methods behave alike on their own map.
struct AttachMethod {
    const char* name;
    DockingMap dockplug::ScriptablePluginObject::*map;
};
void PrintTo(const AttachMethod& method, std::ostream* out) { *out << method.name; }
const AttachMethod kAttachMethods[] = {
    {"attachWndToTab", &dockplug::ScriptablePluginObject::tabDockings},
    {"attachWndToMainFrame", &dockplug::ScriptablePluginObject::frameDockings},
};

class AttachTest : public DockingTest, public ::testing::WithParamInterface<AttachMethod> {
protected:
    bool attach(std::initializer_list<NPVariant> args) { return call(GetParam().name, args); }
    DockingMap& dockings() { return dock().*GetParam().map; }
    DockingMap& otherDockings() {
        auto other = GetParam().map == &dockplug::ScriptablePluginObject::tabDockings
                         ? &dockplug::ScriptablePluginObject::frameDockings
                         : &dockplug::ScriptablePluginObject::tabDockings;
        return dock().*other;
    }
};

TEST_P(AttachTest, DocksTheLayeredWindowAndStartsTheTimer) {
    const WindowChain a = chain();
    const HWND target = window();

    EXPECT_TRUE(attach({handleArg(a.page), handleArg(target)}));
    EXPECT_TRUE(resultIsBool(true));
    EXPECT_EQ(dockings(), (DockingMap{{target, a.layered}}));
    EXPECT_TRUE(otherDockings().empty());
    EXPECT_TRUE(winsim::postedMessages().empty());
    ASSERT_EQ(winsim::timers().size(), 1u);
    EXPECT_EQ(winsim::timers()[0].window, pluginWindow);
    EXPECT_EQ(winsim::timers()[0].id, 15u);
    EXPECT_EQ(winsim::timers()[0].elapse, 5u);
    EXPECT_EQ(winsim::timers()[0].proc, nullptr);
    EXPECT_TRUE(dock().followTimerStarted);
}

TEST_P(AttachTest, DisplacedLayeredWindowIsToldToClose) {
    const WindowChain a = chain(), b = chain();
    const HWND target = window();

    ASSERT_TRUE(attach({handleArg(a.page), handleArg(target)}));
    ASSERT_TRUE(attach({handleArg(b.page), handleArg(target)}));
    EXPECT_TRUE(resultIsBool(true));
    EXPECT_EQ(closeRequestsTo(a.closeTarget), 1u);
    EXPECT_EQ(closeRequestsTo(b.closeTarget), 0u);
    EXPECT_EQ(dockings(), (DockingMap{{target, b.layered}}));

    // Docking the same window again still closes what it displaces: itself.
    winsim::clearPostedMessages();
    ASSERT_TRUE(attach({handleArg(b.page), handleArg(target)}));
    EXPECT_EQ(winsim::postedMessages().size(), 1u);
    EXPECT_EQ(closeRequestsTo(b.closeTarget), 1u);
    EXPECT_EQ(dockings(), (DockingMap{{target, b.layered}}));
}

TEST_P(AttachTest, DisplacedWindowThatIsGoneStillGetsThePostTried) {
    const WindowChain a = chain(), b = chain();
    const HWND target = window();
    ASSERT_TRUE(attach({handleArg(a.page), handleArg(target)}));
    destroy(a.layered);  // its window data now reads 0

    ASSERT_TRUE(attach({handleArg(b.page), handleArg(target)}));
    ASSERT_EQ(winsim::postedMessages().size(), 1u);
    EXPECT_EQ(winsim::postedMessages()[0].window, nullptr);
    EXPECT_EQ(dockings(), (DockingMap{{target, b.layered}}));
}

TEST_P(AttachTest, FailedWindowCheckAnswersFalseAndChangesNothing) {
    const WindowChain live = chain();
    const HWND target = window();
    const HWND noData = window();
    const WindowChain deadPage = chain();
    destroy(deadPage.page);
    const WindowChain deadLayered = chain();
    destroy(deadLayered.layered);
    const HWND deadTarget = window();
    destroy(deadTarget);

    const struct {
        const char* what;
        HWND page, target;
    } cases[] = {
        {"page window gone", deadPage.page, target},
        {"page window data zero", noData, target},
        {"layered window gone", deadLayered.page, target},
        {"target gone", live.page, deadTarget},
        {"null target", live.page, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(attach({handleArg(c.page), handleArg(c.target)})) << c.what;
        EXPECT_TRUE(resultIsBool(false)) << c.what;
    }
    EXPECT_TRUE(dockings().empty());
    EXPECT_TRUE(winsim::postedMessages().empty());
    EXPECT_EQ(winsim::callCount("SetTimer"), 0u);
    EXPECT_FALSE(dock().followTimerStarted);
}

TEST_P(AttachTest, CountOrTypeFailureAnswersFalseWithResultUntouched) {
    const WindowChain a = chain();
    const HWND target = window();
    // The digits name live windows: only the type is refused.
    const std::string pageDigits = std::to_string(handleBits(a.page));
    const std::string targetDigits = std::to_string(handleBits(target));
    const NPVariant page = handleArg(a.page), tab = handleArg(target);

    const struct {
        const char* what;
        std::vector<NPVariant> args;
    } cases[] = {
        {"no arguments", {}},
        {"one argument", {page}},
        {"page as digit string", {stringArg(pageDigits.c_str()), tab}},
        {"target as digit string", {page, stringArg(targetDigits.c_str())}},
        {"page bool", {typedArg(NPVariantType_Bool), tab}},
        {"target null", {page, typedArg(NPVariantType_Null)}},
        {"target void", {page, typedArg(NPVariantType_Void)}},
        {"page object", {objectArg(object), tab}},
    };
    for (const auto& c : cases) {
        std::vector<NPVariant> args = c.args;
        result = untouchedResult();
        EXPECT_FALSE(object->_class->invoke(object, fakehost::FakeBrowser::identifier(GetParam().name), args.data(),
                                            static_cast<uint32_t>(args.size()), &result))
            << c.what;
        EXPECT_TRUE(isUntouched(result)) << c.what;
    }
    EXPECT_TRUE(dockings().empty());
    EXPECT_EQ(winsim::callCount("SetTimer"), 0u);
}

TEST_P(AttachTest, NumbersAsDoublesAreTruncatedAndExtraArgumentsIgnored) {
    const WindowChain a = chain();
    const HWND target = window();

    EXPECT_TRUE(attach({doubleArg(handleBits(a.page) + 0.9), doubleArg(handleBits(target) + 0.5),
                        stringArg("ignored"), objectArg(nullptr)}));
    EXPECT_TRUE(resultIsBool(true));
    EXPECT_EQ(dockings(), (DockingMap{{target, a.layered}}));
}

INSTANTIATE_TEST_SUITE_P(BothMaps, AttachTest, ::testing::ValuesIn(kAttachMethods),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DockingTest, TimerIsRequestedOnceAcrossBothMaps) {
    const WindowChain a = chain(), b = chain();
    const HWND tab = window(), frame = window();

    EXPECT_TRUE(call("attachWndToTab", {handleArg(a.page), handleArg(tab)}));
    EXPECT_TRUE(call("attachWndToMainFrame", {handleArg(b.page), handleArg(frame)}));
    EXPECT_TRUE(call("attachWndToTab", {handleArg(b.page), handleArg(frame)}));
    EXPECT_EQ(winsim::callCount("SetTimer"), 1u);
    EXPECT_EQ(winsim::timers().size(), 1u);
}

TEST_F(DockingTest, FailedAttachBeforeTheFirstSuccessDoesNotCountAsStart) {
    const WindowChain a = chain();
    const HWND tab = window();
    ASSERT_TRUE(call("attachWndToTab", {handleArg(a.page), handleArg(nullptr)}));
    EXPECT_EQ(winsim::callCount("SetTimer"), 0u);
    ASSERT_TRUE(call("attachWndToTab", {handleArg(a.page), handleArg(tab)}));
    EXPECT_EQ(winsim::callCount("SetTimer"), 1u);
}

class DockingWithoutWindowTest : public DockingTest {
    bool givesPluginWindow() const override { return false; }
};

TEST_F(DockingWithoutWindowTest, FirstAttachRequestsTheTimerWithNullWindowOnce) {
    const WindowChain a = chain();
    const HWND tab = window(), frame = window();

    ASSERT_TRUE(call("attachWndToTab", {handleArg(a.page), handleArg(tab)}));
    ASSERT_TRUE(call("attachWndToMainFrame", {handleArg(a.page), handleArg(frame)}));
    EXPECT_EQ(winsim::callCount("SetTimer"), 1u);
    ASSERT_EQ(winsim::timers().size(), 1u);
    EXPECT_EQ(winsim::timers()[0].window, nullptr);
    EXPECT_TRUE(dock().followTimerStarted);
}

TEST_F(DockingTest, ObjectOutlivingItsInstanceStillAttaches) {
    const WindowChain a = chain();
    const HWND tab = window();
    destroyInstance();

    EXPECT_TRUE(call("attachWndToTab", {handleArg(a.page), handleArg(tab)}));
    EXPECT_TRUE(resultIsBool(true));
    EXPECT_EQ(winsim::callCount("SetTimer"), 1u);
    EXPECT_TRUE(dock().followTimerStarted);
}

TEST(DockingMapOrder, KeysCompareAsUnsigned32BitHandles) {
    DockingMap map;
    for (uint32_t bits : {0x80000000u, 0xFFFFFFFFu, 1u, 0x7FFFFFFFu, 0u}) map[handleFromBits(bits)] = nullptr;
    std::vector<uint32_t> order;
    for (const auto& entry : map) order.push_back(handleBits(entry.first));
    EXPECT_EQ(order, (std::vector<uint32_t>{0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}));
}

// ---- hide and show -------------------------------------------------------------

TEST_F(DockingTest, HideAndShowActOnTheLayeredWindow) {
    const WindowChain a = chain();

    EXPECT_TRUE(call("hideLayeredWnd", {handleArg(a.page)}));
    EXPECT_TRUE(isUntouched(result));
    EXPECT_FALSE(IsWindowVisible(a.layered));
    EXPECT_TRUE(IsWindowVisible(a.page));

    EXPECT_TRUE(call("showLayeredWnd", {doubleArg(handleBits(a.page) + 0.25)}));
    EXPECT_TRUE(isUntouched(result));
    EXPECT_TRUE(IsWindowVisible(a.layered));
    EXPECT_TRUE(dock().tabDockings.empty() && dock().frameDockings.empty() && dock().displayBands.empty());
}

TEST_F(DockingTest, HideAndShowRefuseWrongCountsTypesAndMissingLayeredWindows) {
    const WindowChain a = chain();
    const WindowChain deadLayered = chain();
    destroy(deadLayered.layered);
    const HWND noData = window();
    const WindowChain deadPage = chain();
    destroy(deadPage.page);  // its data can no longer be read
    const std::string pageDigits = std::to_string(handleBits(a.page));

    const struct {
        const char* what;
        std::vector<NPVariant> args;
    } cases[] = {
        {"no argument", {}},
        {"two arguments", {handleArg(a.page), handleArg(a.page)}},
        {"string", {stringArg(pageDigits.c_str())}},
        {"bool", {typedArg(NPVariantType_Bool)}},
        {"page data zero", {handleArg(noData)}},
        {"layered window gone", {handleArg(deadLayered.page)}},
        {"page window gone", {handleArg(deadPage.page)}},
    };
    for (const char* method : {"hideLayeredWnd", "showLayeredWnd"}) {
        for (const auto& c : cases) {
            std::vector<NPVariant> args = c.args;
            result = untouchedResult();
            EXPECT_FALSE(object->_class->invoke(object, fakehost::FakeBrowser::identifier(method), args.data(),
                                                static_cast<uint32_t>(args.size()), &result))
                << method << ": " << c.what;
            EXPECT_TRUE(isUntouched(result)) << method << ": " << c.what;
        }
    }
    EXPECT_EQ(winsim::callCount("ShowWindow"), 0u);
    EXPECT_TRUE(IsWindowVisible(a.layered));
}

// ---- names, properties, dnsResolve checks -------------------------------------

TEST_F(DockingTest, AnswersForItsSixMethodsOnly) {
    for (const char* name : {"attachWndToTab", "attachWndToMainFrame", "hideLayeredWnd", "showLayeredWnd",
                             "setDisplayRgn", "dnsResolve"})
        EXPECT_TRUE(object->_class->hasMethod(object, fakehost::FakeBrowser::identifier(name))) << name;
    for (const char* name : {"signature", "attachwndtotab", ""})
        EXPECT_FALSE(object->_class->hasMethod(object, fakehost::FakeBrowser::identifier(name))) << name;

    EXPECT_FALSE(call("signature", {stringArg("x")}));
    EXPECT_TRUE(isUntouched(result));

    const NPIdentifier anyName = fakehost::FakeBrowser::identifier("width");
    EXPECT_FALSE(object->_class->hasProperty(object, anyName));
    result = untouchedResult();
    EXPECT_TRUE(object->_class->getProperty(object, anyName, &result));
    EXPECT_EQ(result.type, NPVariantType_Void);
}

TEST_F(DockingTest, DnsResolveChecksCountThenTypesInOrder) {
    fakehost::ScriptFunction callback(browser, &npp);
    const NPVariant name = stringArg("example.test"), function = objectArg(callback.object());

    const struct {
        const char* what;
        std::vector<NPVariant> args;
    } cases[] = {
        {"no arguments", {}},
        {"one argument", {name}},
        {"three arguments", {name, function, function}},
        {"wrong order", {function, name}},
        {"name as number", {intArg(1), function}},
        {"callback as string", {name, stringArg("f")}},
        {"callback null", {name, typedArg(NPVariantType_Null)}},
    };
    for (const auto& c : cases) {
        std::vector<NPVariant> args = c.args;
        result = untouchedResult();
        EXPECT_FALSE(object->_class->invoke(object, fakehost::FakeBrowser::identifier("dnsResolve"), args.data(),
                                            static_cast<uint32_t>(args.size()), &result))
            << c.what;
        EXPECT_TRUE(isUntouched(result)) << c.what;
    }
    EXPECT_EQ(winsim::threadsCreated(), 0u);

    EXPECT_TRUE(call("dnsResolve", {name, function}));
    EXPECT_TRUE(isUntouched(result));
    // Let whatever the resolution started finish, so the host ends clean.
    winsim::runPendingThreads();
    browser.runAsyncCalls();
}

}  // namespace
