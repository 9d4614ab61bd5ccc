// A browser with the frame loaded into it, over a fresh simulated window
// system; every test ends by checking that the host was left clean.
#pragma once

#include "fake_browser.h"
#include "native_entry_points.h"
#include "plugin_harness.h"
#include "plugin_instance.h"
#include "winsim.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

class FrameTest : public ::testing::Test {
protected:
    FrameTest() { winsim::reset(); }

    void TearDown() override {
        plugin.destroyAll();
        EXPECT_THAT(host.problems(), ::testing::IsEmpty());
    }

    PluginInstance* record(NPP instance) { return static_cast<PluginInstance*>(instance->pdata); }

    fakehost::FakeBrowser host;
    fakehost::PluginHarness plugin{host, nativeEntryPoints()};
};
