// One <embed> element of the demo page: the plug-in DLL loaded as a browser
// loads it, one instance on the element's window, and the element's
// scriptable object that the page's script calls. Several share one browser.
#pragma once

#include "host_context.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace demo {

class EmbeddedPlugin {
public:
    EmbeddedPlugin(fakehost::FakeBrowser& browser, const std::wstring& path, HWND elementWindow);
    ~EmbeddedPlugin();
    EmbeddedPlugin(const EmbeddedPlugin&) = delete;
    EmbeddedPlugin& operator=(const EmbeddedPlugin&) = delete;

    bool ready() const { return object_ != nullptr; }
    // What went wrong when not ready.
    const std::string& problem() const { return problem_; }
    fakehost::PluginHarness& harness() { return *harness_; }
    NPObject* object() const { return object_; }

    bool hasMethod(const std::string& name) { return harness_->hasMethod(object_, name); }
    fakehost::CallResult call(const std::string& method, std::initializer_list<NPVariant> args) {
        return harness_->invoke(object_, method, args);
    }
    fakehost::CallResult callElement() { return harness_->invokeDefault(object_); }

    // Gives the object back, destroys the instance and shuts the library down.
    void unload();

private:
    winehost::LoadedPlugin plugin_;
    std::unique_ptr<fakehost::PluginHarness> harness_;
    NPP instance_ = nullptr;
    NPObject* object_ = nullptr;
    std::string problem_;
};

// A window handle as the page's script passes it: a number.
inline NPVariant windowNumber(HWND window) {
    return fakehost::intVariant(static_cast<int32_t>(reinterpret_cast<uintptr_t>(window)));
}

}  // namespace demo
