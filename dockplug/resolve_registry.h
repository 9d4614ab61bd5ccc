// The lookups under way, so that a page's end can release their callbacks on
// the plug-in thread and keep their workers from handing answers back to an
// instance that is gone (a browser reads the instance it is given; after
// NPP_Destroy or NP_Shutdown that is freed memory).
#pragma once

#include "npapi.h"

#include <memory>

namespace dockplug {

struct ResolveRequest;

// Plug-in thread, before the worker exists.
void trackRequest(ResolveRequest& request);
// Plug-in thread, when the worker could not be started.
void untrackRequest(ResolveRequest& request);

// Worker: queues the hand-back with the browser, or frees the request when
// its page went first (its callback was released then).
void handBack(std::unique_ptr<ResolveRequest> request);
// Plug-in thread, in the hand-back: false when the page went first and the
// callback must not be called; either way the request is no longer tracked.
bool takeForDelivery(ResolveRequest& request);

// Plug-in thread: releases the callbacks of `instance`'s lookups (all of them
// when null) and stops their hand-backs.
void abandonRequests(NPP instance);
// Plug-in thread, NP_Shutdown: all lookups are abandoned, and requests whose
// hand-back the browser dropped are freed (it calls nothing after shutdown).
void abandonAllRequests();

}  // namespace dockplug
