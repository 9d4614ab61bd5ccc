#include "script_function.h"

#include "fake_browser.h"

#include <cstring>

namespace fakehost {
namespace {

struct FunctionObject : NPObject {
    mutable Mutex mutex;
    std::vector<ReceivedCall> calls;
    bool fail = false;
    bool answerString = false;
    std::string answer;
};

ReceivedValue copyOf(const NPVariant& variant) {
    ReceivedValue value;
    value.type = variant.type;
    switch (variant.type) {
    case NPVariantType_Bool: value.boolValue = variant.value.boolValue; break;
    case NPVariantType_Int32: value.intValue = variant.value.intValue; break;
    case NPVariantType_Double: value.doubleValue = variant.value.doubleValue; break;
    case NPVariantType_String:
        if (variant.value.stringValue.UTF8Characters)
            value.text.assign(variant.value.stringValue.UTF8Characters, variant.value.stringValue.UTF8Length);
        break;
    case NPVariantType_Object: value.object = variant.value.objectValue; break;
    default: break;
    }
    return value;
}

NPObject* NP_CALLBACK allocate(NPP, NPClass*) { return new FunctionObject; }

void NP_CALLBACK deallocate(NPObject* object) { delete static_cast<FunctionObject*>(object); }

bool NP_CALLBACK invokeDefault(NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    auto* function = static_cast<FunctionObject*>(object);
    bool answerString;
    std::string answer;
    {
        Lock lock(function->mutex);
        ReceivedCall call;
        for (uint32_t i = 0; i < argCount; ++i) call.push_back(copyOf(args[i]));
        function->calls.push_back(std::move(call));
        if (function->fail) return false;
        answerString = function->answerString;
        answer = function->answer;
    }
    if (!result) return true;
    result->type = NPVariantType_Void;
    std::memset(&result->value, 0, sizeof result->value);
    if (answerString) {
        FakeBrowser* browser = FakeBrowser::current();
        auto* block = static_cast<NPUTF8*>(browser ? browser->allocateBlock(uint32_t(answer.size() + 1)) : nullptr);
        if (!block) return false;
        std::memcpy(block, answer.c_str(), answer.size() + 1);
        result->type = NPVariantType_String;
        result->value.stringValue.UTF8Characters = block;
        result->value.stringValue.UTF8Length = static_cast<uint32_t>(answer.size());
    }
    return true;
}

NPClass functionClass{NP_CLASS_STRUCT_VERSION, &allocate, &deallocate, nullptr, nullptr, nullptr, &invokeDefault,
                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

FunctionObject& state(NPObject* object) { return *static_cast<FunctionObject*>(object); }

}  // namespace

ScriptFunction::ScriptFunction(FakeBrowser& browser, NPP npp)
    : browser_(browser), object_(browser.newObject(npp, &functionClass)) {}

ScriptFunction::~ScriptFunction() { browser_.dropReference(object_); }

std::vector<ReceivedCall> ScriptFunction::calls() const {
    Lock lock(state(object_).mutex);
    return state(object_).calls;
}

std::vector<std::string> ScriptFunction::receivedStrings() const {
    std::vector<std::string> strings;
    for (const auto& call : calls())
        strings.push_back(!call.empty() && call[0].type == NPVariantType_String ? call[0].text : "<not a string>");
    return strings;
}

void ScriptFunction::failCalls(bool fail) {
    Lock lock(state(object_).mutex);
    state(object_).fail = fail;
}

void ScriptFunction::returnString(const std::string& text) {
    Lock lock(state(object_).mutex);
    state(object_).answerString = true;
    state(object_).answer = text;
}

}  // namespace fakehost
