#include "plugin_harness.h"

#include "fake_browser.h"

#include <algorithm>
#include <cstring>

namespace fakehost {

NPVariant voidVariant() {
    NPVariant variant;
    std::memset(&variant, 0, sizeof variant);
    variant.type = NPVariantType_Void;
    return variant;
}

NPVariant nullVariant() {
    NPVariant variant = voidVariant();
    variant.type = NPVariantType_Null;
    return variant;
}

NPVariant boolVariant(bool value) {
    NPVariant variant = voidVariant();
    variant.type = NPVariantType_Bool;
    variant.value.boolValue = value;
    return variant;
}

NPVariant intVariant(int32_t value) {
    NPVariant variant = voidVariant();
    variant.type = NPVariantType_Int32;
    variant.value.intValue = value;
    return variant;
}

NPVariant doubleVariant(double value) {
    NPVariant variant = voidVariant();
    variant.type = NPVariantType_Double;
    variant.value.doubleValue = value;
    return variant;
}

NPVariant stringVariant(const char* characters, uint32_t length) {
    NPVariant variant = voidVariant();
    variant.type = NPVariantType_String;
    variant.value.stringValue.UTF8Characters = characters;
    variant.value.stringValue.UTF8Length = length;
    return variant;
}

NPVariant stringVariant(const std::string& text) {
    return stringVariant(text.data(), static_cast<uint32_t>(text.size()));
}

NPVariant objectVariant(NPObject* object) {
    NPVariant variant = voidVariant();
    variant.type = NPVariantType_Object;
    variant.value.objectValue = object;
    return variant;
}

std::string textOf(const NPVariant& variant) {
    if (variant.type != NPVariantType_String || !variant.value.stringValue.UTF8Characters) return {};
    return {variant.value.stringValue.UTF8Characters, variant.value.stringValue.UTF8Length};
}

CallResult::~CallResult() {
    if (FakeBrowser* browser = FakeBrowser::current()) browser->clearVariant(&value_);
}

CallResult::CallResult(CallResult&& other) noexcept : ok_(other.ok_), value_(other.value_) {
    other.value_ = voidVariant();
}

PluginHarness::PluginHarness(FakeBrowser& browser, EntryPoints entryPoints)
    : browser_(browser), entryPoints_(entryPoints) {
    handlers_.size = sizeof(NPPluginFuncs);
    entryPointsStatus_ = entryPoints_.getEntryPoints(&handlers_);
    initializeStatus_ = entryPoints_.initialize(&browser_.functions());
}

PluginHarness::~PluginHarness() {
    destroyAll();
    if (!shutDown_) shutdown();
}

NPP PluginHarness::newInstance(NPError* status) {
    instances_.push_back(std::make_unique<NPP_t>());
    NPP instance = instances_.back().get();
    instance->pdata = nullptr;
    instance->ndata = this;
    static char mimeType[] = "application/x-fakehost-test";
    NPError result = handlers_.newp ? handlers_.newp(mimeType, instance, NP_EMBED, 0, nullptr, nullptr, nullptr)
                                    : NPError(NPERR_INVALID_PLUGIN_ERROR);
    if (result == NPERR_NO_ERROR) live_.push_back(instance);
    if (status) *status = result;
    return instance;
}

NPError PluginHarness::setWindow(NPP instance, void* window) {
    NPWindow record{};
    record.window = window;
    record.width = 300;
    record.height = 150;
    record.clipRect = NPRect{0, 0, 150, 300};
    record.type = NPWindowTypeWindow;
    return setWindow(instance, &record);
}

NPError PluginHarness::setWindow(NPP instance, NPWindow* window) { return handlers_.setwindow(instance, window); }

NPError PluginHarness::getValue(NPP instance, NPPVariable variable, void* value) {
    return handlers_.getvalue(instance, variable, value);
}

NPObject* PluginHarness::scriptableObject(NPP instance) {
    NPObject* object = nullptr;
    if (getValue(instance, NPPVpluginScriptableNPObject, &object) != NPERR_NO_ERROR) return nullptr;
    return object;
}

NPError PluginHarness::destroy(NPP instance) {
    live_.erase(std::remove(live_.begin(), live_.end(), instance), live_.end());
    NPSavedData* saved = nullptr;
    return handlers_.destroy(instance, &saved);
}

void PluginHarness::destroyAll() {
    while (!live_.empty()) destroy(live_.back());
}

NPError PluginHarness::shutdown() {
    shutDown_ = true;
    return entryPoints_.shutdown();
}

bool PluginHarness::hasMethod(NPObject* object, const std::string& name) {
    return object->_class->hasMethod(object, FakeBrowser::identifier(name));
}

CallResult PluginHarness::invoke(NPObject* object, const std::string& name, std::initializer_list<NPVariant> args) {
    return invoke(object, name, std::vector<NPVariant>(args));
}

CallResult PluginHarness::invoke(NPObject* object, const std::string& name, const std::vector<NPVariant>& args) {
    NPVariant result = voidVariant();
    bool ok = object->_class->invoke(object, FakeBrowser::identifier(name), args.data(),
                                     static_cast<uint32_t>(args.size()), &result);
    return CallResult(ok, result);
}

CallResult PluginHarness::invokeDefault(NPObject* object, const std::vector<NPVariant>& args) {
    NPVariant result = voidVariant();
    bool ok = object->_class->invokeDefault(object, args.data(), static_cast<uint32_t>(args.size()), &result);
    return CallResult(ok, result);
}

void PluginHarness::release(NPObject* object) { browser_.dropReference(object); }

}  // namespace fakehost
