// A stand-in for the host browser: a complete NPNetscapeFuncs whose nine
// services the plug-ins use behave as NPAPI publishes them, with ledgers of
// memory, objects and calls that tests read back. Every other entry only
// records an unexpected call.
//
// The table's entries are plain functions reaching the one current
// FakeBrowser (the plug-in keeps the table process-wide), so only one may
// exist at a time.
#pragma once

#include "npapi.h"

#include "host_sync.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fakehost {

struct MemoryLedger {
    size_t liveBlocks = 0;
    size_t liveBytes = 0;
    size_t allocations = 0;     // successful NPN_MemAlloc calls
    size_t bytesAllocated = 0;  // over all successful calls
    size_t frees = 0;
    size_t failedAllocations = 0;  // refused on purpose
};

struct AsyncCall {
    NPP instance;
    void (*function)(void*);
    void* userData;
};

class FakeBrowser {
public:
    explicit FakeBrowser(uint16_t version = 27);
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    static FakeBrowser* current();
    // NPN_PluginThreadAsyncCall from any thread; dropped when no browser is current.
    static void postToCurrent(NPP instance, void (*function)(void*), void* userData);

    // The table handed to NP_Initialize; tests may alter size, version or entries.
    NPNetscapeFuncs& functions() { return table_; }
    // A copy with every entry as built, for restoring or comparing.
    static NPNetscapeFuncs completeTable(uint16_t version = 27);

    // The thread the services expect to be called on (the constructing thread
    // until changed). Calls from other threads are recorded as errors, except
    // NPN_PluginThreadAsyncCall.
    void setPluginThread();

    // ---- identifiers (process-wide and stable, like a browser's) ----
    // Test-side lookup; not logged as a plug-in request.
    static NPIdentifier identifier(const std::string& name);
    static std::string nameOf(NPIdentifier identifier);  // empty for unknown
    // Names the plug-in asked for with NPN_GetStringIdentifier, in order.
    std::vector<std::string> identifierRequests() const;

    // ---- call log: every service entry the plug-in called, by NPN_ name ----
    std::vector<std::string> serviceCalls() const;
    size_t serviceCallCount(const std::string& name) const;
    void clearLogs();

    // ---- memory ----
    MemoryLedger memory() const;
    bool isLiveBlock(const void* block) const;
    size_t blockSize(const void* block) const;  // 0 when not a live block
    std::vector<uint32_t> allocationSizes() const;  // every request, in order
    void failAllocations(size_t count);  // the next `count` requests return null
    void failAllocationsOfSize(uint32_t size);  // every request of this size returns null
    void clearAllocationFailures();

    // ---- objects ----
    size_t liveObjects() const;
    bool isLiveObject(const NPObject* object) const;

    // ---- async calls ----
    size_t pendingAsyncCalls() const;
    std::vector<AsyncCall> queuedAsyncCalls() const;
    // Runs the queued calls (and any they queue) on the calling thread; returns how many ran.
    size_t runAsyncCalls();
    // Waits until at least `count` calls are queued; false on timeout.
    bool waitForAsyncCalls(size_t count, std::chrono::milliseconds timeout);

    // ---- faults and teardown checks ----
    std::vector<std::string> unexpectedCalls() const;  // entry names, in order
    std::vector<std::string> errors() const;  // double/foreign frees, unknown objects, wrong thread
    // Human-readable lines for every leaked block, live object, unexpected
    // call and error; empty when the plug-in left the host clean.
    std::vector<std::string> problems() const;

    // ---- test-side doings of the host: same ledgers, not in the call log ----
    NPObject* newObject(NPP npp, NPClass* aClass);
    void dropReference(NPObject* object);
    void* allocateBlock(uint32_t size);
    void freeBlock(void* block);
    void clearVariant(NPVariant* variant);  // NPN_ReleaseVariantValue without the log

    // ---- services (the table's entries call these) ----
    NPIdentifier getStringIdentifier(const NPUTF8* name);
    bool identifierIsString(NPIdentifier identifier);
    NPUTF8* utf8FromIdentifier(NPIdentifier identifier);
    NPObject* createObject(NPP npp, NPClass* aClass);
    NPObject* retainObject(NPObject* object);
    void releaseObject(NPObject* object);
    void* memAlloc(uint32_t size);
    void memFree(void* block);
    bool invokeDefault(NPP npp, NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result);
    void releaseVariantValue(NPVariant* variant);
    void pluginThreadAsyncCall(NPP instance, void (*function)(void*), void* userData);
    void unexpectedCall(const char* name);

private:
    void logService(const char* name);
    void recordError(const std::string& text);
    void checkThread(const char* name);

    NPNetscapeFuncs table_;
    ThreadToken pluginThread_;

    mutable Mutex mutex_;
    Signal asyncQueued_;
    std::vector<std::string> serviceCalls_;
    std::vector<std::string> identifierRequests_;
    std::vector<std::string> unexpected_;
    std::vector<std::string> errors_;
    std::map<const void*, size_t> blocks_;
    MemoryLedger ledger_;
    std::vector<uint32_t> allocationSizes_;
    size_t failNext_ = 0;
    std::set<uint32_t> failSizes_;
    std::map<const NPObject*, bool> objects_;  // live object -> made by the host itself (no allocate)
    std::deque<AsyncCall> asyncCalls_;
};

}  // namespace fakehost
