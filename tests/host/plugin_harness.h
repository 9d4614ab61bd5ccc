// Drives one plug-in library the way a browser does: entry points, instances,
// the window, the scriptable object and script calls. The library's three
// exports come in as function pointers, so a Windows host can pass what
// GetProcAddress found and the native tests the linked functions.
#pragma once

#include "npapi.h"

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace fakehost {

class FakeBrowser;

typedef NPError(NP_EXPORT_CALL* GetEntryPointsFunction)(NPPluginFuncs*);
typedef NPError(NP_EXPORT_CALL* InitializeFunction)(NPNetscapeFuncs*);
typedef NPError(NP_EXPORT_CALL* ShutdownFunction)();

struct EntryPoints {
    GetEntryPointsFunction getEntryPoints;
    InitializeFunction initialize;
    ShutdownFunction shutdown;
};

// ---- argument builders; a string variant points into the caller's text ----
NPVariant voidVariant();
NPVariant nullVariant();
NPVariant boolVariant(bool value);
NPVariant intVariant(int32_t value);
NPVariant doubleVariant(double value);
NPVariant stringVariant(const char* characters, uint32_t length);
NPVariant stringVariant(const std::string& text);  // `text` must outlive the call
NPVariant objectVariant(NPObject* object);

// The text of a string variant (exactly UTF8Length bytes); empty otherwise.
std::string textOf(const NPVariant& variant);

// What a script call returned. Owns the result: a string or object in it is
// released through the host when this goes.
class CallResult {
public:
    CallResult(bool ok, const NPVariant& value) : ok_(ok), value_(value) {}
    ~CallResult();
    CallResult(CallResult&& other) noexcept;
    CallResult& operator=(CallResult&&) = delete;
    CallResult(const CallResult&) = delete;

    bool ok() const { return ok_; }
    const NPVariant& value() const { return value_; }
    NPVariantType type() const { return value_.type; }
    std::string text() const { return textOf(value_); }

private:
    bool ok_;
    NPVariant value_;
};

class PluginHarness {
public:
    // Runs NP_GetEntryPoints, then NP_Initialize with the browser's table.
    PluginHarness(FakeBrowser& browser, EntryPoints entryPoints);
    // Destroys the instances still alive and shuts the library down.
    ~PluginHarness();
    PluginHarness(const PluginHarness&) = delete;
    PluginHarness& operator=(const PluginHarness&) = delete;

    NPError entryPointsStatus() const { return entryPointsStatus_; }
    NPError initializeStatus() const { return initializeStatus_; }
    bool loaded() const { return entryPointsStatus_ == NPERR_NO_ERROR && initializeStatus_ == NPERR_NO_ERROR; }
    const NPPluginFuncs& handlers() const { return handlers_; }

    // A new NPP (owned by the harness) passed to NPP_New; `status` gets its result.
    NPP newInstance(NPError* status = nullptr);
    NPError setWindow(NPP instance, void* window);  // an NPWindow for that handle
    NPError setWindow(NPP instance, NPWindow* window);
    NPError getValue(NPP instance, NPPVariable variable, void* value);
    // NPPVpluginScriptableNPObject; the caller owns one reference (release()).
    NPObject* scriptableObject(NPP instance);
    NPError destroy(NPP instance);
    void destroyAll();
    NPError shutdown();

    // Script calls through the object's class table, as a browser makes them.
    bool hasMethod(NPObject* object, const std::string& name);
    CallResult invoke(NPObject* object, const std::string& name, std::initializer_list<NPVariant> args = {});
    CallResult invoke(NPObject* object, const std::string& name, const std::vector<NPVariant>& args);
    CallResult invokeDefault(NPObject* object, const std::vector<NPVariant>& args = {});
    void release(NPObject* object);

private:
    FakeBrowser& browser_;
    EntryPoints entryPoints_;
    NPPluginFuncs handlers_{};
    NPError entryPointsStatus_;
    NPError initializeStatus_;
    bool shutDown_ = false;
    std::deque<std::unique_ptr<NPP_t>> instances_;
    std::vector<NPP> live_;
};

}  // namespace fakehost
