// The fake host is what every plug-in test trusts; these pin down the parts
// whose failure would hide plug-in faults (ledgers, error recording, threads).
#include "fake_browser.h"
#include "plugin_harness.h"
#include "script_function.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace fakehost;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class FakeBrowserTest : public ::testing::Test {
protected:
    FakeBrowser host;
    NPNetscapeFuncs& table = host.functions();
};

TEST_F(FakeBrowserTest, TableIsCompleteWithEveryEntrySet) {
    EXPECT_EQ(table.size, sizeof(NPNetscapeFuncs));
    EXPECT_EQ(table.version, 27);
    const size_t entries = (sizeof(NPNetscapeFuncs) - offsetof(NPNetscapeFuncs, geturl)) / sizeof(void*);
    EXPECT_EQ(entries, 55u);
    for (size_t i = 0; i < entries; ++i) {
        void* entry;
        std::memcpy(&entry, reinterpret_cast<const char*>(&table) + offsetof(NPNetscapeFuncs, geturl) + i * sizeof(void*),
                    sizeof entry);
        EXPECT_NE(entry, nullptr) << "entry " << i;
    }
}

TEST_F(FakeBrowserTest, OtherEntriesRecordAnUnexpectedCallByName) {
    EXPECT_EQ(table.geturl(nullptr, "x", nullptr), NPERR_GENERIC_ERROR);
    table.setexception(nullptr, "boom");
    EXPECT_EQ(table.uagent(nullptr), nullptr);
    EXPECT_THAT(host.unexpectedCalls(), ElementsAre("NPN_GetURL", "NPN_SetException", "NPN_UserAgent"));
    EXPECT_THAT(host.problems(), ElementsAre(HasSubstr("NPN_GetURL"), HasSubstr("NPN_SetException"),
                                             HasSubstr("NPN_UserAgent")));
}

TEST_F(FakeBrowserTest, IdentifiersAreOnePerNameAndReadBack) {
    NPIdentifier a = table.getstringidentifier("signature");
    NPIdentifier b = table.getstringidentifier("getCacheFile");
    EXPECT_EQ(table.getstringidentifier("signature"), a);
    EXPECT_NE(a, b);
    EXPECT_EQ(FakeBrowser::identifier("signature"), a);
    EXPECT_TRUE(table.identifierisstring(a));
    EXPECT_FALSE(table.identifierisstring(&host));
    NPUTF8* name = table.utf8fromidentifier(b);
    EXPECT_STREQ(name, "getCacheFile");
    EXPECT_TRUE(host.isLiveBlock(name));
    table.memfree(name);
    EXPECT_THAT(host.identifierRequests(), ElementsAre("signature", "getCacheFile", "signature"));
    EXPECT_THAT(host.problems(), IsEmpty());
}

TEST_F(FakeBrowserTest, MemoryLedgerCountsBlocksAndReportsLeaks) {
    void* a = table.memalloc(26);
    void* b = table.memalloc(4);
    EXPECT_EQ(host.blockSize(a), 26u);
    table.memfree(a);
    MemoryLedger ledger = host.memory();
    EXPECT_EQ(ledger.allocations, 2u);
    EXPECT_EQ(ledger.bytesAllocated, 30u);
    EXPECT_EQ(ledger.frees, 1u);
    EXPECT_EQ(ledger.liveBlocks, 1u);
    EXPECT_EQ(ledger.liveBytes, 4u);
    EXPECT_THAT(host.problems(), ElementsAre(HasSubstr("leaked NPN_MemAlloc block of 4 bytes")));
    table.memfree(b);
    EXPECT_THAT(host.problems(), IsEmpty());
}

TEST_F(FakeBrowserTest, DoubleAndForeignFreesAreErrorsNotCrashes) {
    static char notFromHost[4];
    void* block = table.memalloc(8);
    table.memfree(block);
    table.memfree(block);
    table.memfree(notFromHost);
    table.memfree(nullptr);
    EXPECT_EQ(host.errors().size(), 2u);
    EXPECT_EQ(host.memory().frees, 1u);
}

TEST_F(FakeBrowserTest, AllocationFailuresByCountAndBySize) {
    host.failAllocations(2);
    EXPECT_EQ(table.memalloc(1), nullptr);
    EXPECT_EQ(table.memalloc(1), nullptr);
    void* third = table.memalloc(1);
    EXPECT_NE(third, nullptr);
    table.memfree(third);

    host.failAllocationsOfSize(26);
    EXPECT_EQ(table.memalloc(26), nullptr);
    void* other = table.memalloc(27);
    EXPECT_NE(other, nullptr);
    table.memfree(other);
    host.clearAllocationFailures();
    void* now = table.memalloc(26);
    EXPECT_NE(now, nullptr);
    table.memfree(now);
    EXPECT_EQ(host.memory().failedAllocations, 3u);
    EXPECT_THAT(host.allocationSizes(), ElementsAre(1u, 1u, 1u, 26u, 27u, 26u));
}

struct CountingObject : NPObject {
    static int allocated;
    static int deallocated;
};
int CountingObject::allocated = 0;
int CountingObject::deallocated = 0;

NPObject* NP_CALLBACK allocateCounting(NPP, NPClass*) {
    ++CountingObject::allocated;
    return new CountingObject;
}
void NP_CALLBACK deallocateCounting(NPObject* object) {
    ++CountingObject::deallocated;
    delete static_cast<CountingObject*>(object);
}

TEST_F(FakeBrowserTest, ObjectsAreCountedAndDeallocatedAtZero) {
    CountingObject::allocated = CountingObject::deallocated = 0;
    NPClass counting{};
    counting.structVersion = NP_CLASS_STRUCT_VERSION;
    counting.allocate = &allocateCounting;
    counting.deallocate = &deallocateCounting;
    NPObject* object = table.createobject(nullptr, &counting);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->_class, &counting);
    EXPECT_EQ(object->referenceCount, 1u);
    EXPECT_EQ(table.retainobject(object), object);
    EXPECT_EQ(object->referenceCount, 2u);
    table.releaseobject(object);
    EXPECT_EQ(CountingObject::deallocated, 0);
    EXPECT_EQ(host.liveObjects(), 1u);
    table.releaseobject(object);
    EXPECT_EQ(CountingObject::deallocated, 1);
    EXPECT_EQ(host.liveObjects(), 0u);

    NPClass plain{};  // no allocate: the host makes a bare NPObject
    NPObject* bare = table.createobject(nullptr, &plain);
    ASSERT_NE(bare, nullptr);
    EXPECT_THAT(host.problems(), ElementsAre(HasSubstr("live object with 1 reference")));
    table.releaseobject(bare);
    table.releaseobject(bare);  // a release too many
    EXPECT_THAT(host.errors(), ElementsAre(HasSubstr("NPN_ReleaseObject")));
}

TEST_F(FakeBrowserTest, ReleaseVariantValueFreesWhatTheVariantHolds) {
    auto* characters = static_cast<NPUTF8*>(table.memalloc(3));
    std::memcpy(characters, "ok", 3);
    NPVariant text = stringVariant(characters, 2);
    table.releasevariantvalue(&text);
    EXPECT_EQ(text.type, NPVariantType_Void);
    EXPECT_FALSE(host.isLiveBlock(characters));

    NPClass plain{};  // no allocate: the host makes a bare NPObject
    NPVariant object = objectVariant(table.createobject(nullptr, &plain));
    table.releasevariantvalue(&object);
    EXPECT_EQ(object.type, NPVariantType_Void);
    EXPECT_THAT(host.problems(), IsEmpty());
}

TEST_F(FakeBrowserTest, ScriptFunctionRecordsArgumentsAndCanFail) {
    ScriptFunction function(host);
    const std::string answer = "192.0.2.1";
    NPVariant args[] = {stringVariant(answer), intVariant(7)};
    NPVariant result = intVariant(99);
    EXPECT_TRUE(table.invokeDefault(nullptr, function.object(), args, 2, &result));
    EXPECT_EQ(result.type, NPVariantType_Void);

    function.failCalls(true);
    NPVariant untouched = intVariant(99);
    EXPECT_FALSE(table.invokeDefault(nullptr, function.object(), args, 1, &untouched));
    EXPECT_EQ(untouched.type, NPVariantType_Int32);
    EXPECT_EQ(untouched.value.intValue, 99);

    function.failCalls(false);
    function.returnString("done");
    NPVariant text = voidVariant();
    EXPECT_TRUE(table.invokeDefault(nullptr, function.object(), nullptr, 0, &text));
    EXPECT_EQ(textOf(text), "done");
    EXPECT_EQ(host.memory().liveBlocks, 1u);  // the caller's to release
    table.releasevariantvalue(&text);

    ASSERT_EQ(function.calls().size(), 3u);
    EXPECT_EQ(function.calls()[0][1].intValue, 7);
    EXPECT_THAT(function.receivedStrings(), ElementsAre("192.0.2.1", "192.0.2.1", "<not a string>"));
}

void bump(void* counter) { ++*static_cast<int*>(counter); }

TEST_F(FakeBrowserTest, AsyncCallsQueueFromAnyThreadAndRunOnTheCaller) {
    int counter = 0;
    std::thread worker([&] {
        table.pluginthreadasynccall(nullptr, &bump, &counter);
        table.pluginthreadasynccall(nullptr, &bump, &counter);
    });
    EXPECT_TRUE(host.waitForAsyncCalls(2, std::chrono::seconds(20)));
    worker.join();
    EXPECT_EQ(counter, 0);
    EXPECT_THAT(host.problems(), ElementsAre(HasSubstr("2 async call(s) never run")));
    EXPECT_EQ(host.runAsyncCalls(), 2u);
    EXPECT_EQ(counter, 2);
    EXPECT_FALSE(host.waitForAsyncCalls(1, std::chrono::milliseconds(10)));
    EXPECT_THAT(host.problems(), IsEmpty());
}

TEST_F(FakeBrowserTest, OtherServicesOffThePluginThreadAreErrors) {
    std::thread worker([&] { table.memfree(table.memalloc(1)); });
    worker.join();
    EXPECT_THAT(host.errors(), ElementsAre(HasSubstr("NPN_MemAlloc called off the plug-in thread"),
                                           HasSubstr("NPN_MemFree called off the plug-in thread")));
}

}  // namespace
