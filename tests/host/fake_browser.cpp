#include "fake_browser.h"

#include "browser_table.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace fakehost {
namespace {

std::atomic<FakeBrowser*> currentBrowser{nullptr};

// Guards the hand-over of `currentBrowser` against late worker threads.
Mutex& registryMutex() {
    static Mutex mutex;
    return mutex;
}

// Identifiers live for the process, as in a browser: one record per name, its
// address is the identifier.
struct IdentifierTable {
    Mutex mutex;
    std::map<std::string, std::unique_ptr<std::string>> byName;
    std::unordered_map<const void*, const std::string*> byIdentifier;

    NPIdentifier get(const std::string& name) {
        Lock lock(mutex);
        auto& slot = byName[name];
        if (!slot) {
            slot = std::make_unique<std::string>(name);
            byIdentifier[slot.get()] = slot.get();
        }
        return static_cast<NPIdentifier>(slot.get());
    }

    const std::string* find(NPIdentifier identifier) {
        Lock lock(mutex);
        auto it = byIdentifier.find(identifier);
        return it == byIdentifier.end() ? nullptr : it->second;
    }
};

IdentifierTable& identifiers() {
    static IdentifierTable table;
    return table;
}

}  // namespace

FakeBrowser::FakeBrowser(uint16_t version) : table_(buildBrowserTable(version)), pluginThread_(currentThread()) {
    Lock lock(registryMutex());
    FakeBrowser* expected = nullptr;
    if (!currentBrowser.compare_exchange_strong(expected, this)) std::abort();  // one host at a time
}

FakeBrowser::~FakeBrowser() {
    {
        Lock lock(registryMutex());
        currentBrowser = nullptr;
    }
    // Leaks were reported through problems(); give the memory back quietly.
    for (auto& block : blocks_) std::free(const_cast<void*>(block.first));
    for (auto& object : objects_)
        if (object.second) std::free(const_cast<NPObject*>(object.first));
}

FakeBrowser* FakeBrowser::current() { return currentBrowser.load(); }

void FakeBrowser::postToCurrent(NPP instance, void (*function)(void*), void* userData) {
    Lock lock(registryMutex());
    if (FakeBrowser* browser = currentBrowser.load()) browser->pluginThreadAsyncCall(instance, function, userData);
}

NPNetscapeFuncs FakeBrowser::completeTable(uint16_t version) { return buildBrowserTable(version); }

void FakeBrowser::setPluginThread() { pluginThread_ = currentThread(); }

// ---- bookkeeping ---------------------------------------------------------------

void FakeBrowser::logService(const char* name) {
    Lock lock(mutex_);
    serviceCalls_.emplace_back(name);
}

void FakeBrowser::recordError(const std::string& text) {
    Lock lock(mutex_);
    errors_.push_back(text);
}

void FakeBrowser::checkThread(const char* name) {
    if (currentThread() != pluginThread_) recordError(std::string(name) + " called off the plug-in thread");
}

void FakeBrowser::unexpectedCall(const char* name) {
    Lock lock(mutex_);
    serviceCalls_.emplace_back(name);
    unexpected_.emplace_back(name);
}

std::vector<std::string> FakeBrowser::serviceCalls() const {
    Lock lock(mutex_);
    return serviceCalls_;
}

size_t FakeBrowser::serviceCallCount(const std::string& name) const {
    Lock lock(mutex_);
    size_t count = 0;
    for (const auto& call : serviceCalls_) count += call == name;
    return count;
}

std::vector<std::string> FakeBrowser::identifierRequests() const {
    Lock lock(mutex_);
    return identifierRequests_;
}

void FakeBrowser::clearLogs() {
    Lock lock(mutex_);
    serviceCalls_.clear();
    identifierRequests_.clear();
    allocationSizes_.clear();
}

std::vector<std::string> FakeBrowser::unexpectedCalls() const {
    Lock lock(mutex_);
    return unexpected_;
}

std::vector<std::string> FakeBrowser::errors() const {
    Lock lock(mutex_);
    return errors_;
}

std::vector<std::string> FakeBrowser::problems() const {
    Lock lock(mutex_);
    std::vector<std::string> lines;
    for (const auto& block : blocks_)
        lines.push_back("leaked NPN_MemAlloc block of " + std::to_string(block.second) + " bytes");
    for (const auto& object : objects_)
        lines.push_back("live object with " + std::to_string(object.first->referenceCount) + " reference(s)");
    for (const auto& name : unexpected_) lines.push_back("unexpected call of " + name);
    for (const auto& error : errors_) lines.push_back(error);
    if (!asyncCalls_.empty()) lines.push_back(std::to_string(asyncCalls_.size()) + " async call(s) never run");
    return lines;
}

// ---- identifiers -----------------------------------------------------------------

NPIdentifier FakeBrowser::identifier(const std::string& name) { return identifiers().get(name); }

std::string FakeBrowser::nameOf(NPIdentifier identifier) {
    const std::string* name = identifiers().find(identifier);
    return name ? *name : std::string();
}

NPIdentifier FakeBrowser::getStringIdentifier(const NPUTF8* name) {
    logService("NPN_GetStringIdentifier");
    checkThread("NPN_GetStringIdentifier");
    if (!name) {
        recordError("NPN_GetStringIdentifier with a null name");
        return nullptr;
    }
    {
        Lock lock(mutex_);
        identifierRequests_.emplace_back(name);
    }
    return identifiers().get(name);
}

bool FakeBrowser::identifierIsString(NPIdentifier identifier) {
    logService("NPN_IdentifierIsString");
    return identifiers().find(identifier) != nullptr;
}

NPUTF8* FakeBrowser::utf8FromIdentifier(NPIdentifier identifier) {
    logService("NPN_UTF8FromIdentifier");
    const std::string* name = identifiers().find(identifier);
    if (!name) return nullptr;
    // As published: a copy from NPN_MemAlloc that the caller frees.
    auto* copy = static_cast<NPUTF8*>(allocateBlock(static_cast<uint32_t>(name->size() + 1)));
    if (copy) std::memcpy(copy, name->c_str(), name->size() + 1);
    return copy;
}

// ---- objects -----------------------------------------------------------------------

NPObject* FakeBrowser::createObject(NPP npp, NPClass* aClass) {
    logService("NPN_CreateObject");
    checkThread("NPN_CreateObject");
    return newObject(npp, aClass);
}

NPObject* FakeBrowser::newObject(NPP npp, NPClass* aClass) {
    if (!aClass) return nullptr;
    bool plain = !aClass->allocate;
    NPObject* object = plain ? static_cast<NPObject*>(std::malloc(sizeof(NPObject))) : aClass->allocate(npp, aClass);
    if (!object) return nullptr;
    object->_class = aClass;
    object->referenceCount = 1;
    Lock lock(mutex_);
    objects_[object] = plain;
    return object;
}

NPObject* FakeBrowser::retainObject(NPObject* object) {
    logService("NPN_RetainObject");
    checkThread("NPN_RetainObject");
    if (!object) return nullptr;
    Lock lock(mutex_);
    if (objects_.count(object))
        ++object->referenceCount;
    else
        errors_.emplace_back("NPN_RetainObject of an object that is not live");
    return object;
}

void FakeBrowser::releaseObject(NPObject* object) {
    logService("NPN_ReleaseObject");
    checkThread("NPN_ReleaseObject");
    dropReference(object);
}

void FakeBrowser::dropReference(NPObject* object) {
    if (!object) return;
    bool plain = false;
    {
        Lock lock(mutex_);
        auto it = objects_.find(object);
        if (it == objects_.end()) {
            errors_.emplace_back("NPN_ReleaseObject of an object that is not live");
            return;
        }
        if (--object->referenceCount > 0) return;
        plain = it->second;
        objects_.erase(it);
    }
    NPClass* aClass = object->_class;
    if (!plain && aClass && aClass->deallocate)
        aClass->deallocate(object);
    else
        std::free(object);
}

size_t FakeBrowser::liveObjects() const {
    Lock lock(mutex_);
    return objects_.size();
}

bool FakeBrowser::isLiveObject(const NPObject* object) const {
    Lock lock(mutex_);
    return objects_.count(object) != 0;
}

bool FakeBrowser::invokeDefault(NPP npp, NPObject* object, const NPVariant* args, uint32_t argCount,
                                NPVariant* result) {
    logService("NPN_InvokeDefault");
    checkThread("NPN_InvokeDefault");
    if (!object) return false;
    if (!isLiveObject(object)) {
        recordError("NPN_InvokeDefault on an object that is not live");
        return false;
    }
    if (!object->_class || !object->_class->invokeDefault) return false;
    (void)npp;
    return object->_class->invokeDefault(object, args, argCount, result);
}

// ---- memory ----------------------------------------------------------------------------

void* FakeBrowser::memAlloc(uint32_t size) {
    logService("NPN_MemAlloc");
    checkThread("NPN_MemAlloc");
    return allocateBlock(size);
}

void* FakeBrowser::allocateBlock(uint32_t size) {
    Lock lock(mutex_);
    allocationSizes_.push_back(size);
    if (failNext_ > 0 || failSizes_.count(size)) {
        if (failNext_ > 0) --failNext_;
        ++ledger_.failedAllocations;
        return nullptr;
    }
    void* block = std::malloc(size ? size : 1);
    if (!block) return nullptr;
    blocks_[block] = size;
    ++ledger_.allocations;
    ++ledger_.liveBlocks;
    ledger_.bytesAllocated += size;
    ledger_.liveBytes += size;
    return block;
}

void FakeBrowser::memFree(void* block) {
    logService("NPN_MemFree");
    checkThread("NPN_MemFree");
    freeBlock(block);
}

void FakeBrowser::freeBlock(void* block) {
    if (!block) return;
    Lock lock(mutex_);
    auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        // Not freed: a double free or a block the host never gave out.
        errors_.emplace_back("NPN_MemFree of a block that is not live");
        return;
    }
    ++ledger_.frees;
    --ledger_.liveBlocks;
    ledger_.liveBytes -= it->second;
    blocks_.erase(it);
    std::free(block);
}

MemoryLedger FakeBrowser::memory() const {
    Lock lock(mutex_);
    return ledger_;
}

bool FakeBrowser::isLiveBlock(const void* block) const {
    Lock lock(mutex_);
    return blocks_.count(block) != 0;
}

size_t FakeBrowser::blockSize(const void* block) const {
    Lock lock(mutex_);
    auto it = blocks_.find(block);
    return it == blocks_.end() ? 0 : it->second;
}

std::vector<uint32_t> FakeBrowser::allocationSizes() const {
    Lock lock(mutex_);
    return allocationSizes_;
}

void FakeBrowser::failAllocations(size_t count) {
    Lock lock(mutex_);
    failNext_ = count;
}

void FakeBrowser::failAllocationsOfSize(uint32_t size) {
    Lock lock(mutex_);
    failSizes_.insert(size);
}

void FakeBrowser::clearAllocationFailures() {
    Lock lock(mutex_);
    failNext_ = 0;
    failSizes_.clear();
}

// ---- variants ------------------------------------------------------------------------------

void FakeBrowser::releaseVariantValue(NPVariant* variant) {
    logService("NPN_ReleaseVariantValue");
    checkThread("NPN_ReleaseVariantValue");
    clearVariant(variant);
}

void FakeBrowser::clearVariant(NPVariant* variant) {
    if (!variant) return;
    if (variant->type == NPVariantType_String) {
        freeBlock(const_cast<NPUTF8*>(variant->value.stringValue.UTF8Characters));
    } else if (variant->type == NPVariantType_Object) {
        dropReference(variant->value.objectValue);
    }
    variant->type = NPVariantType_Void;
    std::memset(&variant->value, 0, sizeof variant->value);
}

// ---- async calls -----------------------------------------------------------------------------

void FakeBrowser::pluginThreadAsyncCall(NPP instance, void (*function)(void*), void* userData) {
    Lock lock(mutex_);
    serviceCalls_.emplace_back("NPN_PluginThreadAsyncCall");
    asyncCalls_.push_back(AsyncCall{instance, function, userData});
    asyncQueued_.notifyAll();
}

size_t FakeBrowser::pendingAsyncCalls() const {
    Lock lock(mutex_);
    return asyncCalls_.size();
}

std::vector<AsyncCall> FakeBrowser::queuedAsyncCalls() const {
    Lock lock(mutex_);
    return {asyncCalls_.begin(), asyncCalls_.end()};
}

size_t FakeBrowser::runAsyncCalls() {
    size_t ran = 0;
    for (;;) {
        AsyncCall call{};
        {
            Lock lock(mutex_);
            if (asyncCalls_.empty()) return ran;
            call = asyncCalls_.front();
            asyncCalls_.pop_front();
        }
        if (call.function) call.function(call.userData);
        ++ran;
    }
}

bool FakeBrowser::waitForAsyncCalls(size_t count, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    Lock lock(mutex_);
    while (asyncCalls_.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        asyncQueued_.waitFor(mutex_, left);
    }
    return true;
}

}  // namespace fakehost
