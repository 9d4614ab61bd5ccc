// What sigplug's and dockplug's objects answer alike; built once against each,
// with SHARED_ANSWERS naming the suite after the deliverable.
#include "fake_browser.h"
#include "native_entry_points.h"
#include "plugin_harness.h"
#include "winsim.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

using fakehost::boolVariant;
using fakehost::doubleVariant;
using fakehost::intVariant;
using fakehost::nullVariant;
using fakehost::stringVariant;
using fakehost::voidVariant;

namespace {

const NPVariant kSentinel = intVariant(0x5EED);

bool untouched(const NPVariant& variant) {
    return variant.type == NPVariantType_Int32 && variant.value.intValue == 0x5EED;
}

class SHARED_ANSWERS : public ::testing::Test {
protected:
    SHARED_ANSWERS() { winsim::reset(); }
    void SetUp() override {
        instance = plugin.newInstance();
        object = plugin.scriptableObject(instance);
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override {
        if (object) plugin.release(object);
        plugin.destroyAll();
        EXPECT_THAT(host.problems(), ::testing::IsEmpty());
    }
    NPIdentifier id(const char* name) { return fakehost::FakeBrowser::identifier(name); }

    fakehost::FakeBrowser host;
    fakehost::PluginHarness plugin{host, nativeEntryPoints()};
    NPP instance = nullptr;
    NPObject* object = nullptr;
};

TEST_F(SHARED_ANSWERS, ClassTableHasStructVersionThreeAndNoNullMember) {
    const NPClass* table = object->_class;
    EXPECT_EQ(table->structVersion, 3u);
    void* members[12];
    std::memcpy(members, reinterpret_cast<const char*>(table) + sizeof(uint32_t), sizeof members);
    for (void* member : members) EXPECT_NE(member, nullptr);
}

TEST_F(SHARED_ANSWERS, DefaultCallAnswersTheFixedText) {
    const std::string text = "x";
    for (const auto& args : {std::vector<NPVariant>{},
                             std::vector<NPVariant>{voidVariant(), nullVariant(), boolVariant(false), intVariant(3),
                                                    doubleVariant(1e300), stringVariant(text)}}) {
        fakehost::CallResult answer = plugin.invokeDefault(object, args);
        ASSERT_TRUE(answer.ok());
        EXPECT_EQ(answer.text(), "default method return val");
        EXPECT_EQ(answer.value().value.stringValue.UTF8Length, 25u);
        EXPECT_EQ(host.blockSize(answer.value().value.stringValue.UTF8Characters), 26u);
        EXPECT_EQ(answer.value().value.stringValue.UTF8Characters[25], '\0');
    }
}

TEST_F(SHARED_ANSWERS, DefaultCallWithoutHostMemoryFailsAndLeavesTheResult) {
    host.failAllocations(1);
    NPVariant result = kSentinel;
    EXPECT_FALSE(object->_class->invokeDefault(object, nullptr, 0, &result));
    EXPECT_TRUE(untouched(result));
}

TEST_F(SHARED_ANSWERS, NoPropertiesEveryReadIsVoid) {
    for (const char* name : {"signature", "dnsResolve", "length", ""}) {
        EXPECT_FALSE(object->_class->hasProperty(object, id(name))) << name;
        NPVariant result = kSentinel;
        EXPECT_TRUE(object->_class->getProperty(object, id(name), &result)) << name;
        EXPECT_EQ(result.type, NPVariantType_Void) << name;
        EXPECT_EQ(result.value.intValue, 0) << name;
    }
}

TEST_F(SHARED_ANSWERS, WritingRemovingEnumeratingAndConstructingFail) {
    NPVariant value = intVariant(1);
    NPVariant result = kSentinel;
    NPIdentifier* identifiers = nullptr;
    uint32_t count = 0x5EED;
    for (int pass = 0; pass < 2; ++pass) {  // and the same after invalidate
        EXPECT_FALSE(object->_class->setProperty(object, id("signature"), &value));
        EXPECT_FALSE(object->_class->removeProperty(object, id("signature")));
        EXPECT_FALSE(object->_class->enumerate(object, &identifiers, &count));
        EXPECT_FALSE(object->_class->construct(object, &value, 1, &result));
        EXPECT_TRUE(untouched(result));
        EXPECT_EQ(identifiers, nullptr);
        EXPECT_EQ(count, 0x5EEDu);
        object->_class->invalidate(object);
    }
    fakehost::CallResult answer = plugin.invokeDefault(object);
    EXPECT_EQ(answer.text(), "default method return val");
}

}  // namespace
