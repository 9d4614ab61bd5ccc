// One sigplug instance in the fake host, its object handed out as a page gets
// it, running in a process whose executable is C:\Apps\Host.EXE.
#pragma once

#include "fake_browser.h"
#include "native_entry_points.h"
#include "plugin_harness.h"
#include "reference_md5.h"
#include "winsim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace sigplug_test {

// What a call did to a result variant that started as `sentinel()`.
struct Outcome {
    bool ok;
    NPVariant result;
    bool untouched() const {
        NPVariant s = sentinel();
        return std::memcmp(&result, &s, sizeof s) == 0;
    }
    static NPVariant sentinel() {
        NPVariant variant;
        std::memset(&variant, 0x5a, sizeof variant);
        variant.type = NPVariantType_Int32;
        return variant;
    }
};

class SigplugTest : public ::testing::Test {
protected:
    void SetUp() override {
        winsim::reset();
        winsim::setModuleFileName("C:\\Apps\\Host.EXE");
        ASSERT_TRUE(harness.loaded());
        npp = harness.newInstance();
        object = harness.scriptableObject(npp);
        ASSERT_NE(object, nullptr);
        browser.clearLogs();
        winsim::clearCalls();
    }

    void TearDown() override {
        harness.release(object);
        harness.destroyAll();
        EXPECT_TRUE(browser.problems().empty()) << ::testing::PrintToString(browser.problems());
    }

    // Calls through the class table as the host does; a string result is
    // checked for its 33-byte block and handed back to the host.
    Outcome call(NPObject* target, const std::string& name, const std::vector<NPVariant>& args) {
        Outcome outcome{false, Outcome::sentinel()};
        outcome.ok = target->_class->invoke(target, fakehost::FakeBrowser::identifier(name), args.data(),
                                            static_cast<uint32_t>(args.size()), &outcome.result);
        return outcome;
    }
    Outcome call(const std::string& name, const std::vector<NPVariant>& args) { return call(object, name, args); }

    // The signature's text, "failed", or a note of what is wrong with the result.
    std::string sign(const std::vector<NPVariant>& args, NPObject* target = nullptr) {
        Outcome outcome = call(target ? target : object, "signature", args);
        if (!outcome.ok) return outcome.untouched() ? "failed" : "failed, result touched";
        const NPString& s = outcome.result.value.stringValue;
        std::string text = outcome.result.type == NPVariantType_String ? std::string(s.UTF8Characters, s.UTF8Length)
                                                                       : "not a string";
        if (browser.blockSize(s.UTF8Characters) != 33 || s.UTF8Characters[32] != '\0') text += " (bad block)";
        browser.clearVariant(&outcome.result);
        return text;
    }
    std::string sign(const std::string& text) { return sign({fakehost::stringVariant(text)}); }

    fakehost::FakeBrowser browser;
    fakehost::PluginHarness harness{browser, nativeEntryPoints()};
    NPP npp = nullptr;
    NPObject* object = nullptr;
};

}  // namespace sigplug_test
