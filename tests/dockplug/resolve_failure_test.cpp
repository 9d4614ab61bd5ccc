// Calls that are refused, and lookups whose thread, memory or callback fails:
// nothing may leak and the callback is released whatever happens.
#include "resolve_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace dockplug_test {
namespace {

TEST_F(ResolveTest, WrongArgumentsAreRefusedWithoutAThread) {
    fakehost::ScriptFunction callback(browser);
    NPObject* f = callback.object();
    browser.clearLogs();
    const std::vector<std::vector<NPVariant>> refused = {
        {objectArg(f), stringArg("a.example")},                 // the other order
        {stringArg("a.example"), objectArg(f), intArg(1)},      // a third argument
        {stringArg("a.example")},                               // no callback
        {},                                                     // nothing
        {stringArg("a.example"), stringArg("b.example")},       // callback not an object
        {intArg(1), objectArg(f)},                              // name not a string
        {typedArg(NPVariantType_Null), objectArg(f)},
    };
    for (const auto& args : refused) {
        result = untouchedResult();
        EXPECT_FALSE(object->_class->invoke(object, fakehost::FakeBrowser::identifier("dnsResolve"), args.data(),
                                            static_cast<uint32_t>(args.size()), &result));
        EXPECT_TRUE(isUntouched(result));
    }
    EXPECT_EQ(winsim::callCount("CreateThread"), 0u);
    EXPECT_EQ(winsim::callCount("GetModuleHandleExW"), 0u);
    EXPECT_EQ(browser.serviceCallCount("NPN_RetainObject"), 0u);
    EXPECT_EQ(callback.referenceCount(), 1u);
}

TEST_F(ResolveTest, ThreadThatCannotStartGivesEverythingBack) {
    winsim::failThreadCreation(true);
    fakehost::ScriptFunction callback(browser);
    browser.clearLogs();

    EXPECT_TRUE(resolve(stringArg("a.example"), callback.object())) << "the page was already answered";
    EXPECT_TRUE(isUntouched(result));
    EXPECT_EQ(callback.referenceCount(), 1u);
    EXPECT_EQ(browser.serviceCallCount("NPN_RetainObject"), 1u);
    EXPECT_EQ(browser.serviceCallCount("NPN_ReleaseObject"), 1u);
    EXPECT_EQ(winsim::moduleReferences(), referencesAtStart) << "the worker's library reference was dropped";
    EXPECT_EQ(winsim::pendingThreads(), 0u);
    EXPECT_EQ(browser.pendingAsyncCalls(), 0u);
    finishLookups();
    EXPECT_TRUE(callback.calls().empty());
}

TEST_F(ResolveTest, HostWithoutAsyncCallsStartsNoLookup) {
    browser.functions().pluginthreadasynccall = nullptr;
    ASSERT_EQ(NP_Initialize(&browser.functions()), NPERR_NO_ERROR);
    fakehost::ScriptFunction callback(browser);

    EXPECT_TRUE(resolve(stringArg("a.example"), callback.object()));
    EXPECT_EQ(winsim::callCount("CreateThread"), 0u);
    EXPECT_EQ(callback.referenceCount(), 1u);
}

// The argument's record is allocated first, its characters second.
TEST_F(ResolveTest, ArgumentWithoutMemoryReleasesTheCallbackUncalled) {
    const uint32_t sizes[] = {sizeof(NPVariant), sizeof "203.0.113.5"};
    for (uint32_t failing : sizes) {
        SCOPED_TRACE(failing);
        winsim::setDnsAnswer("m.example", {0, {aRecord("m.example", ipv4(203, 0, 113, 5))}});
        fakehost::ScriptFunction callback(browser);
        ASSERT_TRUE(resolve(stringArg("m.example"), callback.object()));
        const size_t failedBefore = browser.memory().failedAllocations;
        browser.failAllocationsOfSize(failing);
        finishLookups();
        browser.clearAllocationFailures();

        EXPECT_EQ(browser.memory().failedAllocations, failedBefore + 1);
        EXPECT_TRUE(callback.calls().empty());
        EXPECT_EQ(callback.referenceCount(), 1u);
        EXPECT_EQ(browser.memory().liveBlocks, 0u);
    }
    EXPECT_TRUE(browser.errors().empty()) << ::testing::PrintToString(browser.errors());
}

// A host that reports failure and never writes the result variant.
NPVariantType resultTypeOnEntry;
bool NP_CALLBACK failWithoutWriting(NPP, NPObject*, const NPVariant*, uint32_t, NPVariant* result) {
    resultTypeOnEntry = result->type;
    return false;
}

TEST_F(ResolveTest, CallThatFailsWithoutWritingItsResultStillReleasesEverything) {
    browser.functions().invokeDefault = &failWithoutWriting;
    ASSERT_EQ(NP_Initialize(&browser.functions()), NPERR_NO_ERROR);
    resultTypeOnEntry = NPVariantType_String;
    winsim::setDnsAnswer("f.example", {0, {aRecord("f.example", ipv4(9, 9, 9, 9))}});
    fakehost::ScriptFunction callback(browser);
    ASSERT_TRUE(resolve(stringArg("f.example"), callback.object()));
    finishLookups();

    EXPECT_EQ(resultTypeOnEntry, NPVariantType_Void) << "the result must be releasable whatever the host does";
    EXPECT_EQ(callback.referenceCount(), 1u);
    EXPECT_EQ(browser.serviceCallCount("NPN_ReleaseVariantValue"), 2u);
    EXPECT_EQ(browser.memory().liveBlocks, 0u);
    EXPECT_TRUE(browser.errors().empty()) << ::testing::PrintToString(browser.errors());
}

TEST_F(ResolveTest, FunctionThatFailsIsReleasedLikeOneThatSucceeds) {
    winsim::setDnsAnswer("g.example", {0, {aRecord("g.example", ipv4(8, 8, 4, 4))}});
    fakehost::ScriptFunction callback(browser);
    callback.failCalls(true);
    ASSERT_TRUE(resolve(stringArg("g.example"), callback.object()));
    finishLookups();

    EXPECT_EQ(callback.receivedStrings(), std::vector<std::string>{"8.8.4.4"});
    EXPECT_EQ(callback.referenceCount(), 1u);
    EXPECT_EQ(browser.memory().liveBlocks, 0u);
}

}  // namespace
}  // namespace dockplug_test
