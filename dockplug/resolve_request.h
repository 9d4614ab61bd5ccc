// One accepted "dnsResolve" call, from the script call to the callback's answer.
#pragma once

#include "browser.h"
#include "npapi.h"
#include "platform.h"

#include <memory>
#include <string>
#include <utility>

namespace dockplug {

// One reference on a script object. Browser calls are plug-in thread only,
// so it is released there and never by a worker.
class RetainedObject {
public:
    RetainedObject() = default;
    explicit RetainedObject(NPObject* object) : object_(object ? NPN_RetainObject(object) : nullptr) {}
    RetainedObject(RetainedObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    RetainedObject& operator=(RetainedObject&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ~RetainedObject() { reset(); }

    NPObject* get() const { return object_; }
    void reset() {
        if (object_) NPN_ReleaseObject(std::exchange(object_, nullptr));
    }

private:
    NPObject* object_ = nullptr;
};

struct ResolveRequest {
    NPP instance = nullptr;
    std::string hostName;
    RetainedObject callback;
    // Sized for "255.255.255.255"; a fixed buffer keeps the worker free of allocation.
    char resultText[16] = {};
    // The worker's reference on this library; null when none could be taken.
    HMODULE module = nullptr;

    // Under the registry's lock (resolve_registry.cpp).
    ResolveRequest* previous = nullptr;
    ResolveRequest* next = nullptr;
    bool abandoned = false;   // the page went: no hand-back, no call
    bool handedBack = false;  // queued with the browser
};

// Worker thread: the lookup, then the hand-back, which takes the request.
void resolveWorker(std::unique_ptr<ResolveRequest> request) noexcept;
// Plug-in thread, through NPN_PluginThreadAsyncCall: calls the callback and frees the request.
void deliverResolveResult(void* request) noexcept;

}  // namespace dockplug
