// Lookups whose page goes first: the callback is released on the plug-in
// thread, never called, and the browser is not handed anything for the gone
// instance; another instance's lookups carry on.
#include "resolve_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dockplug_test {
namespace {

TEST_F(ResolveTest, PageThatGoesDuringTheLookupReleasesTheCallbackAndGetsNoHandBack) {
    winsim::setDnsAnswer("slow.example", {0, {aRecord("slow.example", ipv4(1, 2, 3, 4))}});
    fakehost::ScriptFunction callback(browser);
    ASSERT_TRUE(resolve(stringArg("slow.example"), callback.object()));
    ASSERT_EQ(callback.referenceCount(), 2u);

    browser.clearLogs();
    destroyInstance();
    EXPECT_EQ(callback.referenceCount(), 1u) << "released when the page went";

    browser.clearLogs();
    winsim::runPendingThreads();
    EXPECT_EQ(winsim::callCount("DnsQuery_UTF8"), 1u);
    EXPECT_TRUE(browser.serviceCalls().empty()) << ::testing::PrintToString(browser.serviceCalls());
    EXPECT_EQ(browser.pendingAsyncCalls(), 0u);
    EXPECT_TRUE(callback.calls().empty());
}

TEST_F(ResolveTest, HandBackQueuedBeforeThePageWentCallsNothingWhenItRuns) {
    winsim::setDnsAnswer("quick.example", {0, {aRecord("quick.example", ipv4(5, 6, 7, 8))}});
    fakehost::ScriptFunction callback(browser);
    ASSERT_TRUE(resolve(stringArg("quick.example"), callback.object()));
    winsim::runPendingThreads();
    ASSERT_EQ(browser.pendingAsyncCalls(), 1u);

    destroyInstance();
    EXPECT_EQ(callback.referenceCount(), 1u);
    browser.clearLogs();
    EXPECT_EQ(browser.runAsyncCalls(), 1u);
    EXPECT_TRUE(browser.serviceCalls().empty()) << ::testing::PrintToString(browser.serviceCalls());
    EXPECT_TRUE(callback.calls().empty());
    EXPECT_EQ(browser.memory().liveBlocks, 0u);
}

TEST_F(ResolveTest, ShutdownReleasesWhatIsStillUnderWay) {
    fakehost::ScriptFunction callback(browser);
    ASSERT_TRUE(resolve(stringArg("late.example"), callback.object()));
    // A browser may shut the library down without destroying every instance first.
    browser.clearLogs();
    NP_Shutdown();
    EXPECT_EQ(callback.referenceCount(), 1u);
    EXPECT_EQ(browser.serviceCallCount("NPN_ReleaseObject"), 1u);
    browser.clearLogs();
    winsim::runPendingThreads();
    EXPECT_TRUE(browser.serviceCalls().empty()) << ::testing::PrintToString(browser.serviceCalls());
    EXPECT_TRUE(callback.calls().empty());
}

TEST_F(ResolveTest, AnotherPageKeepsItsLookupsWhenOneGoes) {
    winsim::setDnsAnswer("both.example", {0, {aRecord("both.example", ipv4(9, 9, 9, 9))}});
    NPP_t other{};
    char mime[] = "application/quorvia-npruntime-dockplug-plugin";
    ASSERT_EQ(NPP_New(mime, &other, 1, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
    NPObject* otherObject = nullptr;
    ASSERT_EQ(NPP_GetValue(&other, NPPVpluginScriptableNPObject, &otherObject), NPERR_NO_ERROR);

    fakehost::ScriptFunction staying(browser);
    fakehost::ScriptFunction going(browser);
    NPVariant args[] = {stringArg("both.example"), objectArg(staying.object())};
    NPVariant answer = untouchedResult();
    ASSERT_TRUE(otherObject->_class->invoke(otherObject, fakehost::FakeBrowser::identifier("dnsResolve"), args, 2,
                                            &answer));
    ASSERT_TRUE(resolve(stringArg("both.example"), going.object()));

    destroyInstance();
    finishLookups();
    EXPECT_EQ(staying.receivedStrings(), std::vector<std::string>{"9.9.9.9"});
    EXPECT_EQ(staying.referenceCount(), 1u);
    EXPECT_TRUE(going.calls().empty());
    EXPECT_EQ(going.referenceCount(), 1u);

    browser.releaseObject(otherObject);
    NPP_Destroy(&other, nullptr);
}

}  // namespace
}  // namespace dockplug_test
