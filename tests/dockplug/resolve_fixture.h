// "dnsResolve" through the docking object, with winsim's DNS client and
// threads and the fake host's async-call queue under the test's control.
#pragma once

#include "docking_fixture.h"
#include "script_function.h"

#include <string>

namespace dockplug_test {

// An IPv4 address as the DNS client stores it: network byte order.
inline IP4_ADDRESS ipv4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return static_cast<IP4_ADDRESS>(a) | static_cast<IP4_ADDRESS>(b) << 8 | static_cast<IP4_ADDRESS>(c) << 16 |
           static_cast<IP4_ADDRESS>(d) << 24;
}

inline winsim::DnsRecord aRecord(const std::string& name, IP4_ADDRESS address) {
    return {DNS_TYPE_A, name, address, {}};
}

inline winsim::DnsRecord cnameRecord(const std::string& name, const std::string& target) {
    return {DNS_TYPE_CNAME, name, 0, target};
}

inline NPVariant stringArg(const char* characters, uint32_t length) {
    NPVariant v{};
    v.type = NPVariantType_String;
    v.value.stringValue = NPString{characters, length};
    return v;
}

class ResolveTest : public DockingTest {
protected:
    void SetUp() override {
        DockingTest::SetUp();
        referencesAtStart = winsim::moduleReferences();
    }

    // Every request must have come home by the end: no thread, list, module
    // reference or async call left over (the base checks the host's ledgers).
    void TearDown() override {
        finishLookups();
        EXPECT_EQ(winsim::liveDnsRecordLists(), 0u);
        EXPECT_EQ(winsim::invalidDnsFrees(), 0u);
        EXPECT_EQ(winsim::moduleReferences(), referencesAtStart);
        DockingTest::TearDown();
    }

    bool resolve(const NPVariant& hostName, NPObject* callback) {
        return call("dnsResolve", {hostName, objectArg(callback)});
    }

    // Runs the workers to their end, then the hand-backs on this (the plug-in) thread.
    void finishLookups() {
        winsim::runPendingThreads();
        winsim::joinThreads();
        browser.runAsyncCalls();
    }

    long referencesAtStart = 0;
};

}  // namespace dockplug_test
