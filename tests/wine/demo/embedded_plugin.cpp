#include "embedded_plugin.h"

namespace demo {

EmbeddedPlugin::EmbeddedPlugin(fakehost::FakeBrowser& browser, const std::wstring& path, HWND elementWindow)
    : plugin_(path) {
    if (!plugin_.ok()) {
        problem_ = "LoadLibrary failed (error " + std::to_string(plugin_.loadError()) + ") or exports missing";
        return;
    }
    harness_ = std::make_unique<fakehost::PluginHarness>(browser, plugin_.entryPoints());
    if (!harness_->loaded()) {
        problem_ = "NP_GetEntryPoints or NP_Initialize refused the browser";
        return;
    }
    NPError status = NPERR_NO_ERROR;
    instance_ = harness_->newInstance(&status);
    if (status != NPERR_NO_ERROR) {
        problem_ = "NPP_New answered " + std::to_string(status);
        return;
    }
    status = harness_->setWindow(instance_, elementWindow);
    if (status != NPERR_NO_ERROR) {
        problem_ = "NPP_SetWindow answered " + std::to_string(status);
        return;
    }
    object_ = harness_->scriptableObject(instance_);
    if (!object_) problem_ = "no scriptable object";
}

EmbeddedPlugin::~EmbeddedPlugin() { unload(); }

void EmbeddedPlugin::unload() {
    if (!harness_) return;
    if (object_) harness_->release(object_);
    object_ = nullptr;
    harness_->destroyAll();
    harness_->shutdown();
    harness_.reset();
}

}  // namespace demo
