#include "resolver.h"

#include "resolve_registry.h"
#include "resolve_request.h"
#include "variant.h"

#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace dockplug {
namespace {

struct LibraryReferenceDrop {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using LibraryReference = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryReferenceDrop>;

DWORD WINAPI resolveThreadMain(LPVOID parameter);

// Taken before the thread exists: the host may unload the library between
// CreateThread and the worker's first instruction.
LibraryReference referenceThisLibrary() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&resolveThreadMain),
                            &module))
        return nullptr;
    return LibraryReference(module);
}

// Not noexcept: FreeLibraryAndExitThread may end the thread by unwinding it.
DWORD WINAPI resolveThreadMain(LPVOID parameter) {
    std::unique_ptr<ResolveRequest> request(static_cast<ResolveRequest*>(parameter));
    const HMODULE module = request->module;  // the request may be freed as soon as it is handed back
    resolveWorker(std::move(request));
    if (module) FreeLibraryAndExitThread(module, 0);
    return 0;
}

void storeAddressText(ResolveRequest& request, IP4_ADDRESS address) {
    in_addr inAddress{};
    inAddress.s_addr = address;
    const char* text = inet_ntoa(inAddress);
    if (!text) return;
    // Longer text than any dotted IPv4 address is no address; the answer stays empty.
    size_t length = 0;
    while (length < sizeof request.resultText && text[length]) ++length;
    if (length < sizeof request.resultText) std::memcpy(request.resultText, text, length + 1);
}

std::unique_ptr<ResolveRequest> makeRequest(NPP instance, const NPString& hostName, NPObject* callback) {
    RetainedObject retained(callback);  // released again if the request cannot be made
    try {
        auto request = std::make_unique<ResolveRequest>();
        request->instance = instance;
        request->hostName.assign(boundedText(hostName));
        request->callback = std::move(retained);
        return request;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

void resolveWorker(std::unique_ptr<ResolveRequest> request) noexcept {
    PDNS_RECORDA list = nullptr;
    const DNS_STATUS status =
        DnsQuery_UTF8(request->hostName.c_str(), DNS_TYPE_A, DNS_QUERY_STANDARD, nullptr, &list, nullptr);
    if (status == 0) {
        for (PDNS_RECORDA record = list; record; record = record->pNext) {
            if (record->wType == DNS_TYPE_A) {
                storeAddressText(*request, record->Data.A.IpAddress);
                break;
            }
        }
    }
    // A failed query may still hand out records (a name error can carry the authority's).
    if (list) DnsFree(list, DnsFreeRecordList);
    handBack(std::move(request));
}

void startResolve(NPP instance, const NPString& hostName, NPObject* callback) {
    // Without a callback, or a way back to the plug-in thread, an answer could never be delivered.
    if (!callback || !BrowserFunctionTable.pluginthreadasynccall) return;

    std::unique_ptr<ResolveRequest> request = makeRequest(instance, hostName, callback);
    if (!request) return;
    LibraryReference library = referenceThisLibrary();
    request->module = library.get();

    trackRequest(*request);  // before the worker can hand it back
    const HANDLE thread = CreateThread(nullptr, 0, &resolveThreadMain, request.get(), 0, nullptr);
    if (!thread) {
        untrackRequest(*request);
        return;  // the reference, the request and the callback go with the locals
    }
    // Both now belong to the worker.
    library.release();
    request.release();
    CloseHandle(thread);
}

}  // namespace dockplug
