// What the callback receives for each kind of DNS answer, how the host name
// is read, and how independent calls stay apart.
#include "resolve_fixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace dockplug_test {
namespace {

using winsim::DnsAnswer;

struct AnswerCase {
    const char* label;
    DnsAnswer answer;
    bool known;  // false: the name has no answer at all (name error)
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const AnswerCase& c) { return out << c.label; }

const char kName[] = "host.example";

std::vector<AnswerCase> answerCases() {
    return {
        {"first A record", {0, {aRecord(kName, ipv4(93, 184, 216, 34))}}, true, "93.184.216.34"},
        {"first of two A records",
         {0, {aRecord(kName, ipv4(10, 0, 0, 1)), aRecord(kName, ipv4(10, 0, 0, 2))}},
         true,
         "10.0.0.1"},
        {"two CNAMEs ahead of the A records",
         {0,
          {cnameRecord(kName, "mid.example"), cnameRecord("mid.example", "end.example"),
           aRecord("end.example", ipv4(192, 0, 2, 7)), aRecord("end.example", ipv4(192, 0, 2, 8))}},
         true,
         "192.0.2.7"},
        {"widest address", {0, {aRecord(kName, ipv4(255, 255, 255, 255))}}, true, "255.255.255.255"},
        {"zero address", {0, {aRecord(kName, ipv4(0, 0, 0, 0))}}, true, "0.0.0.0"},
        {"CNAME without A record", {0, {cnameRecord(kName, "elsewhere.example")}}, true, ""},
        {"other record type only", {0, {{DNS_TYPE_AAAA, kName, 0, {}}}}, true, ""},
        {"name does not exist", {}, false, ""},
        {"failed query", {ERROR_TIMEOUT, {}}, true, ""},
        // The list of a failed query is not read, but it is freed.
        {"failed query with records", {DNS_ERROR_RCODE_NAME_ERROR, {aRecord(kName, ipv4(1, 2, 3, 4))}}, true, ""},
        {"success without a list", {0, {aRecord(kName, ipv4(1, 2, 3, 4))}, true}, true, ""},
        {"success with an empty answer", {0, {}}, true, ""},
    };
}

class ResolveAnswerTest : public ResolveTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(ResolveAnswerTest, CallbackReceivesTheFirstAddressOrEmptyText) {
    const AnswerCase& c = GetParam();
    if (c.known) winsim::setDnsAnswer(kName, c.answer);
    fakehost::ScriptFunction callback(browser);

    ASSERT_TRUE(resolve(stringArg(kName), callback.object()));
    EXPECT_TRUE(isUntouched(result));
    EXPECT_EQ(winsim::threadsCreated(), 1u);
    EXPECT_TRUE(callback.calls().empty()) << "answered before the lookup ran";
    EXPECT_EQ(callback.referenceCount(), 2u) << "the request holds the callback";
    EXPECT_EQ(winsim::moduleReferences(), referencesAtStart + 1) << "the worker holds the library";

    finishLookups();
    EXPECT_EQ(winsim::dnsQueries(), std::vector<std::string>{kName});
    ASSERT_EQ(callback.calls().size(), 1u);
    ASSERT_EQ(callback.calls()[0].size(), 1u);
    EXPECT_EQ(callback.calls()[0][0].type, NPVariantType_String);
    EXPECT_EQ(callback.receivedStrings()[0], c.expected);
    EXPECT_EQ(callback.referenceCount(), 1u);
    EXPECT_EQ(winsim::liveDnsRecordLists(), 0u);
    EXPECT_EQ(winsim::moduleReferences(), referencesAtStart);
    EXPECT_EQ(browser.memory().liveBlocks, 0u);
}

INSTANTIATE_TEST_SUITE_P(Answers, ResolveAnswerTest, ::testing::ValuesIn(answerCases()),
                         [](const auto& info) {
                             std::string name;
                             for (const char* p = info.param.label; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

// ---- the host name as the page gave it ---------------------------------------------

TEST_F(ResolveTest, HostNameIsReadUpToItsFirstNulOrItsLength) {
    static const char embeddedNul[] = "a.example\0b.example";
    static const char longer[] = "a.example.org";
    struct Case {
        NPVariant name;
        std::string looked;
    } cases[] = {
        {stringArg(embeddedNul, sizeof embeddedNul - 1), "a.example"},
        {stringArg(longer, 9), "a.example"},
        {stringArg("", 0), ""},
        {stringArg(nullptr, 0), ""},
    };
    for (const Case& c : cases) {
        fakehost::ScriptFunction callback(browser);
        ASSERT_TRUE(resolve(c.name, callback.object()));
        finishLookups();
        ASSERT_FALSE(winsim::dnsQueries().empty());
        EXPECT_EQ(winsim::dnsQueries().back(), c.looked);
        EXPECT_EQ(callback.receivedStrings(), std::vector<std::string>{""});
    }
}

TEST_F(ResolveTest, UnterminatedHostNameIsNotReadPastItsLength) {
    // Exactly the name's bytes on the heap, no NUL: any read beyond is caught by ASan.
    const std::string text = "edge.example";
    auto buffer = std::make_unique<char[]>(text.size());
    std::memcpy(buffer.get(), text.data(), text.size());
    winsim::setDnsAnswer(text, {0, {aRecord(text, ipv4(198, 51, 100, 9))}});
    fakehost::ScriptFunction callback(browser);

    ASSERT_TRUE(resolve(stringArg(buffer.get(), static_cast<uint32_t>(text.size())), callback.object()));
    buffer.reset();  // the request keeps its own copy
    finishLookups();
    EXPECT_EQ(winsim::dnsQueries(), std::vector<std::string>{text});
    EXPECT_EQ(callback.receivedStrings(), std::vector<std::string>{"198.51.100.9"});
}

// ---- the hand-back ----------------------------------------------------------------------

TEST_F(ResolveTest, WorkerOnlyQueriesAndHandsBackAndThePluginThreadDoesTheRest) {
    winsim::setDnsAnswer("h.example", {0, {aRecord("h.example", ipv4(1, 2, 3, 4))}});
    fakehost::ScriptFunction callback(browser);
    callback.returnString("the function's own answer");  // released and dropped
    ASSERT_TRUE(resolve(stringArg("h.example"), callback.object()));
    browser.clearLogs();
    winsim::clearCalls();

    winsim::runPendingThreads();
    EXPECT_EQ(browser.serviceCalls(), std::vector<std::string>{"NPN_PluginThreadAsyncCall"});
    EXPECT_EQ(winsim::callCount("DnsQuery_UTF8"), 1u);
    EXPECT_EQ(winsim::callCount("DnsFree"), 1u);
    EXPECT_EQ(winsim::callCount("FreeLibraryAndExitThread"), 1u);
    ASSERT_EQ(browser.pendingAsyncCalls(), 1u);
    EXPECT_EQ(browser.queuedAsyncCalls()[0].instance, &npp);

    browser.clearLogs();
    browser.runAsyncCalls();
    EXPECT_EQ(browser.serviceCalls(),
              (std::vector<std::string>{"NPN_MemAlloc", "NPN_MemAlloc", "NPN_InvokeDefault", "NPN_ReleaseObject",
                                        "NPN_ReleaseVariantValue", "NPN_ReleaseVariantValue", "NPN_MemFree"}));
    // The argument's record, then "1.2.3.4" and its NUL; the function's own answer follows.
    const std::vector<uint32_t> sizes = browser.allocationSizes();
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], sizeof(NPVariant));
    EXPECT_EQ(sizes[1], 8u);
    EXPECT_EQ(callback.receivedStrings(), std::vector<std::string>{"1.2.3.4"});
    EXPECT_EQ(browser.memory().liveBlocks, 0u);
}

TEST_F(ResolveTest, ScriptCallOnlyStartsTheWorker) {
    fakehost::ScriptFunction callback(browser);
    winsim::clearCalls();
    ASSERT_TRUE(resolve(stringArg("quick.example"), callback.object()));
    EXPECT_EQ(winsim::callCount("DnsQuery_UTF8"), 0u);
    EXPECT_EQ(winsim::callCount("CreateThread"), 1u);
    EXPECT_EQ(winsim::callCount("CloseHandle"), 1u) << "the thread handle is not kept";
    EXPECT_EQ(winsim::pendingThreads(), 1u);
}

TEST_F(ResolveTest, CallbackDroppedByThePageIsStillCalled) {
    winsim::setDnsAnswer("gone.example", {0, {aRecord("gone.example", ipv4(5, 6, 7, 8))}});
    std::optional<fakehost::ScriptFunction> callback(std::in_place, browser);
    NPObject* function = callback->object();
    ASSERT_TRUE(resolve(stringArg("gone.example"), function));
    callback.reset();
    ASSERT_TRUE(browser.isLiveObject(function));

    finishLookups();
    EXPECT_EQ(browser.serviceCallCount("NPN_InvokeDefault"), 1u);
    EXPECT_FALSE(browser.isLiveObject(function)) << "the request's reference was the last";
}

// ---- several calls ---------------------------------------------------------------------------

TEST_F(ResolveTest, TwoCallsAreAnsweredIndependentlyInTheOrderTheirLookupsEnd) {
    winsim::setDnsAnswer("one.example", {0, {aRecord("one.example", ipv4(10, 1, 1, 1))}});
    fakehost::ScriptFunction first(browser);
    fakehost::ScriptFunction second(browser);
    ASSERT_TRUE(resolve(stringArg("one.example"), first.object()));
    ASSERT_TRUE(resolve(stringArg("two.example"), second.object()));
    EXPECT_EQ(winsim::threadsCreated(), 2u);
    EXPECT_EQ(winsim::moduleReferences(), referencesAtStart + 2);

    finishLookups();
    EXPECT_EQ(first.receivedStrings(), std::vector<std::string>{"10.1.1.1"});
    EXPECT_EQ(second.receivedStrings(), std::vector<std::string>{""});
    EXPECT_EQ(first.referenceCount(), 1u);
    EXPECT_EQ(second.referenceCount(), 1u);
}

TEST_F(ResolveTest, ConcurrentWorkersEachAnswerTheirOwnCallbackOnce) {
    constexpr int kCalls = 16;
    winsim::setThreadMode(winsim::ThreadMode::Immediate);
    std::vector<std::string> names;
    std::vector<std::unique_ptr<fakehost::ScriptFunction>> callbacks;
    for (int i = 0; i < kCalls; ++i) {
        names.push_back("n" + std::to_string(i) + ".example");
        // Every third name has no answer, so empty and full texts interleave.
        if (i % 3) winsim::setDnsAnswer(names.back(), {0, {aRecord(names.back(), ipv4(10, 0, 0, uint8_t(i)))}});
        callbacks.push_back(std::make_unique<fakehost::ScriptFunction>(browser));
    }
    for (int i = 0; i < kCalls; ++i) ASSERT_TRUE(resolve(stringArg(names[i].c_str()), callbacks[i]->object()));

    winsim::joinThreads();
    ASSERT_TRUE(browser.waitForAsyncCalls(kCalls, std::chrono::seconds(30)));
    EXPECT_EQ(browser.runAsyncCalls(), size_t(kCalls));
    for (int i = 0; i < kCalls; ++i) {
        const std::string expected = i % 3 ? "10.0.0." + std::to_string(i) : "";
        EXPECT_EQ(callbacks[i]->receivedStrings(), std::vector<std::string>{expected}) << names[i];
        EXPECT_EQ(callbacks[i]->referenceCount(), 1u);
    }
    EXPECT_EQ(winsim::liveDnsRecordLists(), 0u);
    EXPECT_EQ(winsim::moduleReferences(), referencesAtStart);
    EXPECT_TRUE(browser.errors().empty()) << ::testing::PrintToString(browser.errors());
}

}  // namespace
}  // namespace dockplug_test
