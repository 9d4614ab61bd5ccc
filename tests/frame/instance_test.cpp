// Instance records: creation, value queries, the scriptable object's
// references, destruction, and the handlers that only acknowledge.
#include "frame_fixture.h"
#include "nothrow_new_failure.h"
#include "test_module.h"

#include <cstring>
#include <string>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const NPP kNoInstance = nullptr;

// ---- NPP_New --------------------------------------------------------------------------

TEST_F(FrameTest, NewRefusesNullHandle) {
    EXPECT_EQ(plugin.handlers().newp(nullptr, kNoInstance, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_TRUE(host.serviceCalls().empty());
}

TEST_F(FrameTest, NewStoresAFreshRecordAndFetchesIdentifiersInOrder) {
    NPError status = NPERR_GENERIC_ERROR;
    NPP instance = plugin.newInstance(&status);
    ASSERT_EQ(status, NPERR_NO_ERROR);
    PluginInstance* made = record(instance);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->npp, instance);
    EXPECT_EQ(made->window, nullptr);
    EXPECT_FALSE(made->windowSubclassed);
    EXPECT_EQ(made->scriptableObject, nullptr);

    EXPECT_THAT(host.identifierRequests(), ElementsAre("alpha", "beta", "gamma"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(testmodule::methodIdentifiers[i], fakehost::FakeBrowser::identifier(testmodule::kMethodNames[i]));
    EXPECT_THAT(winsim::calls(), IsEmpty());
}

TEST_F(FrameTest, EveryNewInstanceFetchesTheSameIdentifiersAgain) {
    plugin.newInstance();
    testmodule::methodIdentifiers[1] = nullptr;  // must be written again
    plugin.newInstance();
    EXPECT_THAT(host.identifierRequests(), ElementsAre("alpha", "beta", "gamma", "alpha", "beta", "gamma"));
    EXPECT_EQ(testmodule::methodIdentifiers[1], fakehost::FakeBrowser::identifier("beta"));
}

TEST_F(FrameTest, NewWithoutMemoryReportsItAndLeavesPdata) {
    NPP_t instance{reinterpret_cast<void*>(0x5EED), nullptr};
    testmodule::failNothrowAllocations(1);
    NPError status = plugin.handlers().newp(nullptr, &instance, NP_EMBED, 0, nullptr, nullptr, nullptr);
    testmodule::failNothrowAllocations(0);
    EXPECT_EQ(status, NPERR_OUT_OF_MEMORY_ERROR);
    EXPECT_EQ(instance.pdata, reinterpret_cast<void*>(0x5EED));
}

// ---- NPP_GetValue ----------------------------------------------------------------------

TEST_F(FrameTest, GetValueReportsTheConstantNameAndDescription) {
    NPP instance = plugin.newInstance();
    const char* name = nullptr;
    const char* description = nullptr;
    EXPECT_EQ(plugin.getValue(instance, NPPVpluginNameString, &name), NPERR_NO_ERROR);
    EXPECT_EQ(plugin.getValue(instance, NPPVpluginDescriptionString, &description), NPERR_NO_ERROR);
    EXPECT_STREQ(name, "REVurozazOvez");
    EXPECT_STREQ(description, "NPRuntime scriptability API test plugin");
    EXPECT_FALSE(host.isLiveBlock(name));  // constants, not host memory
    EXPECT_EQ(host.memory().allocations, 0u);
}

class FrameGetValueRefused : public FrameTest, public ::testing::WithParamInterface<NPPVariable> {};

TEST_P(FrameGetValueRefused, AnswersGenericErrorAndLeavesTheResult) {
    NPP instance = plugin.newInstance();
    void* result = reinterpret_cast<void*>(0x5EED);
    EXPECT_EQ(plugin.getValue(instance, GetParam(), &result), NPERR_GENERIC_ERROR);
    EXPECT_EQ(result, reinterpret_cast<void*>(0x5EED));
}

INSTANTIATE_TEST_SUITE_P(Variables, FrameGetValueRefused,
                         ::testing::Values(NPPVpluginNeedsXEmbed, NPPVpluginWindowBool, NPPVpluginTransparentBool,
                                           NPPVpluginScriptableInstance, NPPVformValue),
                         [](const auto& info) { return "Variable" + std::to_string(info.param); });

TEST_F(FrameTest, GetValueWithoutInstanceOrRecord) {
    const char* result = nullptr;
    EXPECT_EQ(plugin.getValue(kNoInstance, NPPVpluginNameString, &result), NPERR_INVALID_INSTANCE_ERROR);
    NPP_t bare{nullptr, nullptr};
    EXPECT_EQ(plugin.getValue(&bare, NPPVpluginNameString, &result), NPERR_GENERIC_ERROR);
    EXPECT_EQ(result, nullptr);
}

TEST_F(FrameTest, ScriptableObjectIsCreatedOnceWithOneReferencePerHandOut) {
    NPP instance = plugin.newInstance();
    NPObject* first = plugin.scriptableObject(instance);
    NPObject* second = plugin.scriptableObject(instance);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->_class, &testmodule::scriptableClass());
    EXPECT_EQ(static_cast<ScriptablePluginObjectBase*>(first)->npp, instance);
    EXPECT_EQ(first->referenceCount, 3u);
    EXPECT_EQ(host.serviceCallCount("NPN_CreateObject"), 1u);

    testmodule::ProbeObject::destroyed = 0;
    EXPECT_EQ(plugin.destroy(instance), NPERR_NO_ERROR);
    EXPECT_EQ(first->referenceCount, 2u);  // the page's references keep it
    plugin.release(first);
    plugin.release(second);
    EXPECT_EQ(testmodule::ProbeObject::destroyed, 1);
    EXPECT_EQ(host.liveObjects(), 0u);
}

TEST_F(FrameTest, FailedCreationHandsOutNullAndTheNextQueryTriesAgain) {
    NPP instance = plugin.newInstance();
    NPObject* object = reinterpret_cast<NPObject*>(0x5EED);
    testmodule::failNothrowAllocations(1);
    EXPECT_EQ(plugin.getValue(instance, NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
    testmodule::failNothrowAllocations(0);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(record(instance)->scriptableObject, nullptr);

    object = plugin.scriptableObject(instance);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->referenceCount, 2u);
    plugin.release(object);
}

// ---- NPP_Destroy -----------------------------------------------------------------------

TEST_F(FrameTest, DestroyWithoutWindowTouchesNoWindowAndClearsPdata) {
    NPP instance = plugin.newInstance();
    NPSavedData* saved = reinterpret_cast<NPSavedData*>(0x5EED);
    winsim::clearCalls();
    EXPECT_EQ(plugin.handlers().destroy(instance, &saved), NPERR_NO_ERROR);
    EXPECT_THAT(winsim::calls(), IsEmpty());
    EXPECT_EQ(instance->pdata, nullptr);
    EXPECT_EQ(saved, reinterpret_cast<NPSavedData*>(0x5EED));
}

TEST_F(FrameTest, DestroyWithoutInstanceOrRecord) {
    EXPECT_EQ(plugin.handlers().destroy(kNoInstance, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    NPP_t bare{nullptr, nullptr};
    EXPECT_EQ(plugin.handlers().destroy(&bare, nullptr), NPERR_NO_ERROR);
}

TEST_F(FrameTest, DestroyTwiceIsHarmless) {
    NPP instance = plugin.newInstance();
    NPObject* object = plugin.scriptableObject(instance);
    EXPECT_EQ(plugin.destroy(instance), NPERR_NO_ERROR);
    EXPECT_EQ(plugin.destroy(instance), NPERR_NO_ERROR);  // pdata was cleared: nothing released twice
    EXPECT_EQ(object->referenceCount, 1u);
    plugin.release(object);
}

// ---- handlers that only acknowledge -----------------------------------------------------

TEST_F(FrameTest, StreamAndEventHandlersAcknowledge) {
    NPP instance = plugin.newInstance();
    const NPPluginFuncs& f = plugin.handlers();
    NPStream stream{};
    uint16_t streamType = 0x5EED;
    char data[8] = {};
    host.clearLogs();
    winsim::clearCalls();

    EXPECT_EQ(f.newstream(instance, nullptr, &stream, 0, &streamType), NPERR_NO_ERROR);
    EXPECT_EQ(streamType, 0x5EED);
    EXPECT_EQ(f.destroystream(instance, &stream, NPRES_DONE), NPERR_NO_ERROR);
    EXPECT_EQ(f.setvalue(instance, NPNVprivateModeBool, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(f.writeready(instance, &stream), 0x0FFFFFFF);
    for (int32_t length : {0, 1, 8, 0x7FFFFFFF}) EXPECT_EQ(f.write(instance, &stream, 0, length, data), length);
    EXPECT_EQ(f.event(instance, data), 0);
    f.asfile(instance, &stream, "file");
    f.print(instance, nullptr);
    f.urlnotify(instance, "url", NPRES_DONE, nullptr);

    EXPECT_THAT(host.serviceCalls(), IsEmpty());
    EXPECT_THAT(winsim::calls(), IsEmpty());
}

TEST_F(FrameTest, StreamAndEventHandlersWithoutInstance) {
    const NPPluginFuncs& f = plugin.handlers();
    uint16_t streamType = 0x5EED;
    EXPECT_EQ(f.newstream(kNoInstance, nullptr, nullptr, 0, &streamType), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.destroystream(kNoInstance, nullptr, NPRES_DONE), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.setvalue(kNoInstance, NPNVprivateModeBool, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.writeready(kNoInstance, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.write(kNoInstance, nullptr, 0, 8, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(f.event(kNoInstance, nullptr), 0);
    f.asfile(kNoInstance, nullptr, nullptr);
    f.print(kNoInstance, nullptr);
    f.urlnotify(kNoInstance, nullptr, NPRES_DONE, nullptr);
    EXPECT_EQ(streamType, 0x5EED);
}

}  // namespace
