// A page's script function as the plug-in sees it: an object whose default
// call records its arguments. Made through the host, so its references are in
// the host's object ledger.
#pragma once

#include "npapi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fakehost {

class FakeBrowser;

// A copy of one argument, taken during the call.
struct ReceivedValue {
    NPVariantType type = NPVariantType_Void;
    bool boolValue = false;
    int32_t intValue = 0;
    double doubleValue = 0;
    std::string text;  // a string's UTF8Length bytes
    NPObject* object = nullptr;
};
using ReceivedCall = std::vector<ReceivedValue>;

class ScriptFunction {
public:
    explicit ScriptFunction(FakeBrowser& browser, NPP npp = nullptr);
    ~ScriptFunction();  // gives up the test's reference; the plug-in may hold more
    ScriptFunction(const ScriptFunction&) = delete;
    ScriptFunction& operator=(const ScriptFunction&) = delete;

    NPObject* object() const { return object_; }
    uint32_t referenceCount() const { return object_->referenceCount; }

    std::vector<ReceivedCall> calls() const;
    // The first argument of every call, when it was a string ("<not a string>" otherwise).
    std::vector<std::string> receivedStrings() const;

    // Make later calls answer false without writing the result.
    void failCalls(bool fail);
    // Make later calls answer a string from NPN_MemAlloc (the caller must
    // release it); by default they answer void.
    void returnString(const std::string& text);

private:
    FakeBrowser& browser_;
    NPObject* object_;
};

}  // namespace fakehost
