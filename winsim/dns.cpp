// DNS client answers with a ledger of handed-out record lists, and inet_ntoa.
// Workers call these, so all state is locked.
#include "internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace winsim {
namespace {
std::mutex dnsMutex;
std::map<std::string, DnsAnswer> answers;
std::vector<std::string> queries;
std::set<PDNS_RECORDA> liveLists;  // list heads
size_t badFrees = 0;

char* copyText(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void freeList(PDNS_RECORDA record) {
    while (record) {
        PDNS_RECORDA next = record->pNext;
        std::free(record->pName);
        if (record->wType == DNS_TYPE_CNAME) std::free(record->Data.CNAME.pNameHost);
        std::free(record);
        record = next;
    }
}

PDNS_RECORDA buildList(const std::vector<DnsRecord>& records) {
    PDNS_RECORDA head = nullptr;
    PDNS_RECORDA* tail = &head;
    for (const DnsRecord& source : records) {
        auto* record = static_cast<PDNS_RECORDA>(std::calloc(1, sizeof(DNS_RECORDA)));
        if (!record) break;
        record->pName = copyText(source.name);
        record->wType = source.type;
        record->dwTtl = 300;
        if (source.type == DNS_TYPE_CNAME) {
            record->Data.CNAME.pNameHost = copyText(source.target);
            record->wDataLength = sizeof(DNS_PTR_DATAA);
        } else if (source.type == DNS_TYPE_A) {
            record->Data.A.IpAddress = source.ipv4;
            record->wDataLength = sizeof(DNS_A_DATA);
        }
        *tail = record;
        tail = &record->pNext;
    }
    return head;
}
}  // namespace

namespace detail {
void resetDns() {
    std::lock_guard<std::mutex> lock(dnsMutex);
    answers.clear();
    queries.clear();
    for (PDNS_RECORDA list : liveLists) freeList(list);
    liveLists.clear();
    badFrees = 0;
}
}  // namespace detail

void setDnsAnswer(const std::string& name, const DnsAnswer& answer) {
    std::lock_guard<std::mutex> lock(dnsMutex);
    answers[name] = answer;
}
std::vector<std::string> dnsQueries() {
    std::lock_guard<std::mutex> lock(dnsMutex);
    return queries;
}
size_t liveDnsRecordLists() {
    std::lock_guard<std::mutex> lock(dnsMutex);
    return liveLists.size();
}
size_t invalidDnsFrees() {
    std::lock_guard<std::mutex> lock(dnsMutex);
    return badFrees;
}

}  // namespace winsim

DNS_STATUS WINAPI DnsQuery_UTF8(PCSTR name, WORD, DWORD, PIP4_ARRAY, PDNS_RECORDA* results, PVOID*) {
    winsim::detail::logCall("DnsQuery_UTF8");
    std::lock_guard<std::mutex> lock(winsim::dnsMutex);
    const std::string key = name ? name : "";
    winsim::queries.push_back(key);
    if (results) *results = nullptr;
    auto it = winsim::answers.find(key);
    if (it == winsim::answers.end()) return DNS_ERROR_RCODE_NAME_ERROR;
    const winsim::DnsAnswer& answer = it->second;
    if (results && !answer.nullList && !answer.records.empty()) {
        *results = winsim::buildList(answer.records);
        if (*results) winsim::liveLists.insert(*results);
    }
    return answer.status;
}

void WINAPI DnsFree(PVOID data, DNS_FREE_TYPE freeType) {
    winsim::detail::logCall("DnsFree");
    if (!data) return;
    std::lock_guard<std::mutex> lock(winsim::dnsMutex);
    auto it = winsim::liveLists.find(static_cast<PDNS_RECORDA>(data));
    if (it == winsim::liveLists.end()) {
        ++winsim::badFrees;
        return;
    }
    if (freeType != DnsFreeRecordList) return;
    winsim::liveLists.erase(it);
    winsim::freeList(static_cast<PDNS_RECORDA>(data));
}

char* WINAPI inet_ntoa(struct in_addr address) {
    winsim::detail::logCall("inet_ntoa");
    // On the heap and freed when the thread ends, as Winsock's per-thread
    // buffer is: a pointer kept past its thread is caught by ASan.
    thread_local std::unique_ptr<char[]> text(new char[16]);
    const auto& b = address.S_un.S_un_b;
    std::snprintf(text.get(), 16, "%u.%u.%u.%u", b.s_b1, b.s_b2, b.s_b3, b.s_b4);
    return text.get();
}
