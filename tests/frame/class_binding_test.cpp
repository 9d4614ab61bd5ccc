// The class table that binds a concrete class to the host: its shape, the
// base defaults behind it, exceptions kept from the host, and the default
// call both deliverables answer.
#include "frame_fixture.h"
#include "scriptable_object.h"
#include "test_module.h"

#include <cstring>
#include <stdexcept>

using fakehost::boolVariant;
using fakehost::doubleVariant;
using fakehost::intVariant;
using fakehost::nullVariant;
using fakehost::objectVariant;
using fakehost::stringVariant;
using fakehost::voidVariant;

namespace {

class BareObject : public ScriptablePluginObjectBase {
public:
    using ScriptablePluginObjectBase::ScriptablePluginObjectBase;
};

class ThrowingObject : public ScriptablePluginObjectBase {
public:
    using ScriptablePluginObjectBase::ScriptablePluginObjectBase;
    [[noreturn]] static void fail() { throw std::runtime_error("no"); }
    void invalidate() override { fail(); }
    bool hasMethod(NPIdentifier) override { fail(); }
    bool invoke(NPIdentifier, const NPVariant*, uint32_t, NPVariant*) override { fail(); }
    bool invokeDefault(const NPVariant*, uint32_t, NPVariant*) override { fail(); }
    bool hasProperty(NPIdentifier) override { fail(); }
    bool getProperty(NPIdentifier, NPVariant*) override { fail(); }
    bool setProperty(NPIdentifier, const NPVariant*) override { fail(); }
    bool removeProperty(NPIdentifier) override { fail(); }
    bool enumerate(NPIdentifier**, uint32_t*) override { fail(); }
    bool construct(const NPVariant*, uint32_t, NPVariant*) override { fail(); }
};

NPClass bareClass = makeScriptableClass<BareObject>();
NPClass throwingClass = makeScriptableClass<ThrowingObject>();

const NPVariant kSentinel = intVariant(0x5EED);

bool untouched(const NPVariant& variant) {
    return variant.type == NPVariantType_Int32 && variant.value.intValue == 0x5EED;
}

// Every operation a class table offers besides allocate, deallocate and
// invalidate, each with a sentinel result; true when all answered false and
// left every result as it was.
::testing::AssertionResult refusesEverything(NPObject* object) {
    NPClass* c = object->_class;
    NPIdentifier name = fakehost::FakeBrowser::identifier("alpha");
    NPVariant args[] = {intVariant(1)};
    NPVariant result = kSentinel;
    NPIdentifier* identifiers = reinterpret_cast<NPIdentifier*>(0x5EED);
    uint32_t count = 0x5EED;
    const struct {
        const char* member;
        bool answer;
    } answers[] = {
        {"hasMethod", c->hasMethod(object, name)},
        {"invoke", c->invoke(object, name, args, 1, &result)},
        {"invokeDefault", c->invokeDefault(object, args, 1, &result)},
        {"hasProperty", c->hasProperty(object, name)},
        {"getProperty", c->getProperty(object, name, &result)},
        {"setProperty", c->setProperty(object, name, &args[0])},
        {"removeProperty", c->removeProperty(object, name)},
        {"enumerate", c->enumerate(object, &identifiers, &count)},
        {"construct", c->construct(object, args, 1, &result)},
    };
    for (const auto& answer : answers)
        if (answer.answer) return ::testing::AssertionFailure() << answer.member << " answered true";
    if (!untouched(result)) return ::testing::AssertionFailure() << "a result was written";
    if (identifiers != reinterpret_cast<NPIdentifier*>(0x5EED) || count != 0x5EED)
        return ::testing::AssertionFailure() << "enumerate wrote its outputs";
    return ::testing::AssertionSuccess();
}

TEST(FrameClassTable, StructVersionThreeTwelveMembersSharedForwarders) {
    for (NPClass* table : {&bareClass, &testmodule::scriptableClass()}) {
        EXPECT_EQ(table->structVersion, 3u);
        void* members[12];
        static_assert(sizeof(NPClass) == sizeof(uint32_t) + sizeof members, "twelve members");
        std::memcpy(members, reinterpret_cast<const char*>(table) + sizeof(uint32_t), sizeof members);
        for (void* member : members) EXPECT_NE(member, nullptr);
    }
    EXPECT_NE(bareClass.allocate, testmodule::scriptableClass().allocate);
    EXPECT_EQ(bareClass.deallocate, testmodule::scriptableClass().deallocate);
    EXPECT_EQ(bareClass.construct, testmodule::scriptableClass().construct);
}

TEST(FrameClassTable, DeallocateOfNullDoesNothing) { bareClass.deallocate(nullptr); }

TEST_F(FrameTest, ClassThatOverridesNothingRefusesEverythingBeforeAndAfterInvalidate) {
    NPP instance = plugin.newInstance();
    NPObject* object = host.newObject(instance, &bareClass);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<ScriptablePluginObjectBase*>(object)->npp, instance);
    EXPECT_TRUE(refusesEverything(object));
    object->_class->invalidate(object);
    EXPECT_TRUE(refusesEverything(object));
    EXPECT_EQ(static_cast<ScriptablePluginObjectBase*>(object)->npp, instance);
    host.dropReference(object);
}

TEST_F(FrameTest, ExceptionsNeverReachTheHost) {
    NPObject* object = host.newObject(nullptr, &throwingClass);
    ASSERT_NE(object, nullptr);
    object->_class->invalidate(object);
    EXPECT_TRUE(refusesEverything(object));
    host.dropReference(object);
}

TEST_F(FrameTest, DeallocateRunsTheConcreteDestructor) {
    NPP instance = plugin.newInstance();
    NPObject* object = plugin.scriptableObject(instance);
    testmodule::ProbeObject::destroyed = 0;
    plugin.destroy(instance);
    EXPECT_EQ(testmodule::ProbeObject::destroyed, 0);
    plugin.release(object);
    EXPECT_EQ(testmodule::ProbeObject::destroyed, 1);
}

// ---- the default call ----------------------------------------------------------------------

class FrameDefaultCall : public FrameTest, public ::testing::WithParamInterface<std::vector<NPVariant>> {};

TEST_P(FrameDefaultCall, AnswersTheFixedTextInAHostBlockWhateverTheArguments) {
    NPP instance = plugin.newInstance();
    NPObject* object = plugin.scriptableObject(instance);
    {
        fakehost::CallResult answer = plugin.invokeDefault(object, GetParam());
        ASSERT_TRUE(answer.ok());
        ASSERT_EQ(answer.type(), NPVariantType_String);
        const NPString& text = answer.value().value.stringValue;
        EXPECT_EQ(text.UTF8Length, 25u);
        EXPECT_EQ(answer.text(), "default method return val");
        EXPECT_EQ(host.blockSize(text.UTF8Characters), 26u);
        EXPECT_EQ(text.UTF8Characters[25], '\0');
    }
    plugin.release(object);
}

const std::string kSomeText = "text";
INSTANTIATE_TEST_SUITE_P(
    Arguments, FrameDefaultCall,
    ::testing::Values(std::vector<NPVariant>{},
                      std::vector<NPVariant>{voidVariant(), nullVariant(), boolVariant(true), intVariant(-1),
                                             doubleVariant(2.5), stringVariant(kSomeText), objectVariant(nullptr)}),
    [](const auto& info) { return info.param.empty() ? std::string("NoArguments") : std::string("OneOfEachType"); });

TEST_F(FrameTest, DefaultCallWithoutHostMemoryFailsAndLeavesTheResult) {
    NPP instance = plugin.newInstance();
    NPObject* object = plugin.scriptableObject(instance);
    host.failAllocationsOfSize(26);
    NPVariant result = kSentinel;
    EXPECT_FALSE(object->_class->invokeDefault(object, nullptr, 0, &result));
    EXPECT_TRUE(untouched(result));
    EXPECT_EQ(host.memory().liveBlocks, 0u);
    plugin.release(object);
}

}  // namespace
