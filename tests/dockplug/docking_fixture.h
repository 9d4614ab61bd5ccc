// A dockplug instance in the fake host with a plug-in window in winsim, its
// scriptable object handed out as a page would get it, and window chains
// page -> layered -> close target.
#pragma once

#include "dockplug_object.h"
#include "entry_points.h"
#include "fake_browser.h"
#include "plugin_instance.h"
#include "script_values.h"
#include "winsim.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace dockplug_test {

struct WindowChain {
    HWND closeTarget;
    HWND layered;  // client area 200 x 100
    HWND page;
};

class DockingTest : public ::testing::Test {
protected:
    void SetUp() override {
        winsim::reset();
        ASSERT_EQ(NP_Initialize(&browser.functions()), NPERR_NO_ERROR);
        char mime[] = "application/quorvia-npruntime-dockplug-plugin";
        ASSERT_EQ(NPP_New(mime, &npp, 1, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
        if (givesPluginWindow()) {
            pluginWindow = winsim::createWindow();
            NPWindow window{};
            window.window = pluginWindow;
            ASSERT_EQ(NPP_SetWindow(&npp, &window), NPERR_NO_ERROR);
        }
        ASSERT_EQ(NPP_GetValue(&npp, NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
        ASSERT_NE(object, nullptr);
        winsim::clearCalls();
    }

    void TearDown() override {
        browser.releaseObject(object);
        if (instanceLive) NPP_Destroy(&npp, nullptr);
        NP_Shutdown();
        EXPECT_EQ(winsim::liveGdiObjects(), 0u) << "a region leaked";
        EXPECT_TRUE(browser.problems().empty()) << ::testing::PrintToString(browser.problems());
    }

    virtual bool givesPluginWindow() const { return true; }

    void destroyInstance() {
        NPP_Destroy(&npp, nullptr);
        instanceLive = false;
    }

    static HWND window(HWND userData = nullptr, RECT client = {0, 0, 100, 100}) {
        winsim::WindowSpec desc;
        desc.userData = static_cast<LONG>(handleBits(userData));
        desc.clientRect = client;
        desc.windowRect = client;
        return winsim::createWindow(desc);
    }

    static WindowChain chain() {
        WindowChain c{};
        c.closeTarget = window();
        c.layered = window(c.closeTarget, RECT{0, 0, 200, 100});
        c.page = window(c.layered);
        return c;
    }

    static void destroy(HWND window) {
        DestroyWindow(window);
        winsim::clearCalls();
    }

    // Calls a method as the host does, through the class table; the answer
    // lands in `result`, which starts out untouched.
    bool call(const char* method, std::initializer_list<NPVariant> args) {
        std::vector<NPVariant> arguments(args);
        result = untouchedResult();
        return object->_class->invoke(object, fakehost::FakeBrowser::identifier(method), arguments.data(),
                                      static_cast<uint32_t>(arguments.size()), &result);
    }

    dockplug::ScriptablePluginObject& dock() {
        return static_cast<dockplug::ScriptablePluginObject&>(*ScriptablePluginObjectBase::fromNPObject(object));
    }

    bool resultIsBool(bool value) const { return result.type == NPVariantType_Bool && result.value.boolValue == value; }

    fakehost::FakeBrowser browser;
    NPP_t npp{};
    HWND pluginWindow = nullptr;
    NPObject* object = nullptr;
    bool instanceLive = true;
    NPVariant result = untouchedResult();
};

}  // namespace dockplug_test
