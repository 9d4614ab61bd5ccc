#include "sigplug_fixture.h"
#include "sigplug_object.h"

#include <memory>

namespace {

using fakehost::FakeBrowser;
using fakehost::stringVariant;
using sigplug_test::expectedSignature;
using sigplug_test::Outcome;
using sigplug_test::SigplugTest;

TEST_F(SigplugTest, EveryInstanceFetchesBothIdentifiersInOrder) {
    harness.newInstance();
    EXPECT_EQ(browser.identifierRequests(), (std::vector<std::string>{"signature", "getCacheFile"}));
    EXPECT_EQ(sigplug::signatureId, FakeBrowser::identifier("signature"));
    EXPECT_EQ(sigplug::getCacheFileId, FakeBrowser::identifier("getCacheFile"));
}

TEST_F(SigplugTest, WorkedExampleGivesOneHostBlockOf33Bytes) {
    const std::string expected = expectedSignature("abc", "host.exe");
    EXPECT_EQ(sign("abc"), expected);
    EXPECT_EQ(browser.allocationSizes(), std::vector<uint32_t>{33});
    EXPECT_EQ(winsim::callCount("GetModuleFileNameA"), 1u);
    EXPECT_EQ(expected.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST_F(SigplugTest, CaseOfThePathMakesNoDifference) {
    for (const char* text : {"", "abc", "Hello, World"}) {
        std::vector<std::string> results;
        for (const char* path : {"C:\\Apps\\Host.EXE", "C:\\APPS\\HOST.EXE", "c:\\apps\\host.exe"}) {
            winsim::setModuleFileName(path);
            results.push_back(sign(text));
        }
        EXPECT_EQ(results, std::vector<std::string>(3, expectedSignature(text, "host.exe"))) << '"' << text << '"';
    }
}

TEST_F(SigplugTest, ASlashAnywhereWinsOverBackslashes) {
    winsim::setModuleFileName("C:\\Apps/Tools\\Host.exe");
    EXPECT_EQ(sign("abc"), expectedSignature("abc", "tools\\host.exe"));
}

TEST_F(SigplugTest, TextEndsAtNulOrUtf8LengthAndNullCharactersAreEmpty) {
    EXPECT_EQ(sign(std::string("a\0b", 3)), expectedSignature("a", "host.exe"));
    EXPECT_EQ(sign(""), expectedSignature("", "host.exe"));
    EXPECT_EQ(sign({stringVariant(nullptr, 12)}), expectedSignature("", "host.exe"));
    std::unique_ptr<char[]> unterminated(new char[5]);
    std::memcpy(unterminated.get(), "hello", 5);  // ASan guards the byte after
    EXPECT_EQ(sign({stringVariant(unterminated.get(), 5)}), expectedSignature("hello", "host.exe"));
    const std::string big(1 << 20, 'b');
    EXPECT_EQ(sign(big), expectedSignature(big, "host.exe"));
}

TEST_F(SigplugTest, TheFirstOfTwoStringsIsSigned) {
    EXPECT_EQ(sign({stringVariant("first"), stringVariant("second")}), expectedSignature("first", "host.exe"));
    EXPECT_EQ(sign({stringVariant("first"), fakehost::intVariant(1)}), expectedSignature("first", "host.exe"));
}

// Argument checks come first: a refused call has not even read the path.
TEST_F(SigplugTest, WrongArgumentsFailUntouchedBeforeAnythingElse) {
    NPObject* other = harness.scriptableObject(harness.newInstance());
    browser.clearLogs();
    const std::vector<std::vector<NPVariant>> argumentLists = {
        {},
        {fakehost::intVariant(5)},
        {fakehost::doubleVariant(2.5)},
        {fakehost::boolVariant(true)},
        {fakehost::nullVariant()},
        {fakehost::voidVariant()},
        {fakehost::objectVariant(other), stringVariant("text")},
    };
    for (size_t i = 0; i < argumentLists.size(); ++i) EXPECT_EQ(sign(argumentLists[i]), "failed") << "list " << i;
    EXPECT_EQ(winsim::callCount("GetModuleFileNameA"), 0u);
    EXPECT_EQ(browser.memory().allocations, 0u);
    harness.release(other);
}

TEST_F(SigplugTest, PathsWithoutANameFailUntouchedWithNothingAllocated) {
    for (const char* path : {"C:\\Apps\\", "C:\\Apps/", "Host.exe"}) {
        winsim::setModuleFileName(path);
        EXPECT_EQ(sign("abc"), "failed") << path;
    }
    winsim::setModuleFileName("C:\\Apps\\Host.EXE");
    winsim::failModuleFileName(true);
    EXPECT_EQ(sign("abc"), "failed") << "GetModuleFileNameA returned 0";
    EXPECT_EQ(browser.memory().allocations, 0u);
}

TEST_F(SigplugTest, OverlongPathIsUsedCutUnlessItLacksItsNul) {
    winsim::setModuleFileName("C:\\" + std::string(400, 'L') + "\\Host.exe");
    EXPECT_EQ(sign("abc"), expectedSignature("abc", std::string(MAX_PATH - 4, 'l')));
    winsim::moduleFileNameWithoutNul(true);
    EXPECT_EQ(sign("abc"), "failed");
    EXPECT_EQ(browser.memory().allocations, 1u);
}

TEST_F(SigplugTest, NoHostMemoryFailsUntouchedAndTheNextCallWorks) {
    browser.failAllocations(1);
    EXPECT_EQ(sign("abc"), "failed");
    EXPECT_EQ(browser.memory().failedAllocations, 1u);
    EXPECT_EQ(sign("abc"), expectedSignature("abc", "host.exe"));
}

TEST_F(SigplugTest, GetCacheFileIsAnnouncedButAlwaysFails) {
    EXPECT_TRUE(harness.hasMethod(object, "getCacheFile"));
    EXPECT_TRUE(harness.hasMethod(object, "signature"));
    const std::vector<std::vector<NPVariant>> argumentLists = {{}, {stringVariant("abc")}, {fakehost::intVariant(1)}};
    for (const auto& args : argumentLists) {
        Outcome outcome = call("getCacheFile", args);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.untouched());
    }
    Outcome unknown = call("toString", {stringVariant("abc")});
    EXPECT_FALSE(unknown.ok);
    EXPECT_TRUE(unknown.untouched());
    EXPECT_EQ(browser.memory().allocations, 0u);
}

TEST_F(SigplugTest, OtherNamesAreNoMethodsCaseVariantsIncluded) {
    for (const char* name : {"Signature", "SIGNATURE", "getcachefile", "GetCacheFile", "signatures", "", "toString"})
        EXPECT_FALSE(harness.hasMethod(object, name)) << '"' << name << '"';
    EXPECT_FALSE(object->_class->hasMethod(object, nullptr));
}

TEST_F(SigplugTest, NoPropertiesAndEveryReadIsVoid) {
    for (const char* name : {"signature", "length", "anything"}) {
        NPIdentifier id = FakeBrowser::identifier(name);
        EXPECT_FALSE(object->_class->hasProperty(object, id)) << name;
        NPVariant result = Outcome::sentinel();
        EXPECT_TRUE(object->_class->getProperty(object, id, &result)) << name;
        EXPECT_EQ(result.type, NPVariantType_Void);
        EXPECT_EQ(result.value.objectValue, nullptr);
    }
    NPVariant value = stringVariant("x");
    EXPECT_FALSE(object->_class->setProperty(object, FakeBrowser::identifier("x"), &value));
    EXPECT_FALSE(object->_class->removeProperty(object, FakeBrowser::identifier("x")));
    NPIdentifier* names = nullptr;
    uint32_t count = 0;
    EXPECT_FALSE(object->_class->enumerate(object, &names, &count));
    Outcome constructed{false, Outcome::sentinel()};
    constructed.ok = object->_class->construct(object, nullptr, 0, &constructed.result);
    EXPECT_FALSE(constructed.ok);
    EXPECT_TRUE(constructed.untouched());
}

TEST_F(SigplugTest, DefaultCallAnswersTheFixedText) {
    for (const auto& args : std::vector<std::vector<NPVariant>>{{}, {stringVariant("abc"), fakehost::intVariant(3)}}) {
        fakehost::CallResult result = harness.invokeDefault(object, args);
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(result.text(), "default method return val");
        EXPECT_EQ(browser.blockSize(result.value().value.stringValue.UTF8Characters), 26u);
    }
}

TEST_F(SigplugTest, InvalidateChangesNothing) {
    object->_class->invalidate(object);
    EXPECT_TRUE(harness.hasMethod(object, "signature"));
    EXPECT_EQ(sign("abc"), expectedSignature("abc", "host.exe"));
}

TEST_F(SigplugTest, TwoInstancesAgree) {
    NPObject* second = harness.scriptableObject(harness.newInstance());
    ASSERT_NE(second, object);
    EXPECT_EQ(sign({stringVariant("same text")}, second), sign("same text"));
    harness.release(second);
}

}  // namespace
