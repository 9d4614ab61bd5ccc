#include "resolve_registry.h"

#include "resolve_request.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace dockplug {
namespace {

// Held for a few pointer moves, or for one browser call: a spin needs no
// system object, so the library leaves nothing behind when it goes.
class SpinLock {
public:
    void lock() noexcept {
        while (flag_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    void unlock() noexcept { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};

SpinLock registryLock;
ResolveRequest* firstRequest = nullptr;

void link(ResolveRequest& request) {
    request.previous = nullptr;
    request.next = firstRequest;
    if (firstRequest) firstRequest->previous = &request;
    firstRequest = &request;
}

void unlink(ResolveRequest& request) {
    (request.previous ? request.previous->next : firstRequest) = request.next;
    if (request.next) request.next->previous = request.previous;
    request.previous = request.next = nullptr;
}

// A request not yet handed back goes to its worker, which frees it; one that
// is queued with the browser stays listed until its hand-back or shutdown.
void abandonLocked(NPP instance) {
    for (ResolveRequest* request = firstRequest; request;) {
        ResolveRequest* const next = request->next;
        if (!request->abandoned && (!instance || request->instance == instance)) {
            request->abandoned = true;
            // Released while locked: the worker may free an unlisted request at once.
            request->callback.reset();
            if (!request->handedBack) unlink(*request);
        }
        request = next;
    }
}

}  // namespace

void trackRequest(ResolveRequest& request) {
    std::lock_guard<SpinLock> lock(registryLock);
    link(request);
}

void untrackRequest(ResolveRequest& request) {
    std::lock_guard<SpinLock> lock(registryLock);
    unlink(request);
}

void handBack(std::unique_ptr<ResolveRequest> request) {
    {
        std::lock_guard<SpinLock> lock(registryLock);
        if (!request->abandoned) {
            // Queued under the lock, so the page cannot go between the check and the call.
            request->handedBack = true;
            NPN_PluginThreadAsyncCall(request->instance, deliverResolveResult, request.get());
            request.release();
        }
    }
    // An abandoned request is already unlisted and its callback released.
}

bool takeForDelivery(ResolveRequest& request) {
    std::lock_guard<SpinLock> lock(registryLock);
    unlink(request);
    return !request.abandoned;
}

void abandonRequests(NPP instance) {
    std::lock_guard<SpinLock> lock(registryLock);
    abandonLocked(instance);
}

void abandonAllRequests() {
    ResolveRequest* dropped = nullptr;
    {
        std::lock_guard<SpinLock> lock(registryLock);
        abandonLocked(nullptr);
        // Only hand-backs queued with the browser are left, which it runs no more.
        dropped = firstRequest;
        firstRequest = nullptr;
    }
    while (dropped) {
        std::unique_ptr<ResolveRequest> request(dropped);
        dropped = request->next;
    }
}

}  // namespace dockplug
