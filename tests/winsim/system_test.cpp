#include "winsim_fixture.h"

#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// ---- module file name ----------------------------------------------------------

struct FileNameCase {
    const char* name;
    DWORD size;
    bool withoutNul;
    DWORD result;
    std::string copied;  // bytes written, NUL included if any
};

void PrintTo(const FileNameCase& c, std::ostream* os) { *os << c.name; }

class WinsimFileName : public WinsimTest, public testing::WithParamInterface<FileNameCase> {};

TEST_P(WinsimFileName, CopiesAndTruncatesLikeWindows) {
    const FileNameCase& c = GetParam();
    winsim::setModuleFileName("C:\\B\\x.exe");  // 10 chars
    winsim::moduleFileNameWithoutNul(c.withoutNul);
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, c.size), c.result);
    EXPECT_EQ(std::string(buffer, c.copied.size()), c.copied);
    EXPECT_EQ(buffer[c.copied.size()], '#');  // nothing written past it
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, WinsimFileName,
    testing::Values(FileNameCase{"Fits", 32, false, 10, std::string("C:\\B\\x.exe\0", 11)},
                    FileNameCase{"FitsOld", 32, true, 10, std::string("C:\\B\\x.exe\0", 11)},
                    FileNameCase{"NoRoomForNul", 10, false, 10, std::string("C:\\B\\x.ex\0", 10)},
                    FileNameCase{"NoRoomForNulOld", 10, true, 10, "C:\\B\\x.exe"},
                    FileNameCase{"Short", 4, false, 4, std::string("C:\\\0", 4)},
                    FileNameCase{"ShortOld", 4, true, 4, "C:\\B"}),
    [](const testing::TestParamInfo<FileNameCase>& info) { return std::string(info.param.name); });

using WinsimSystem = WinsimTest;

TEST_F(WinsimSystem, FailingModuleFileNameGivesZero) {
    winsim::failModuleFileName(true);
    char buffer[8] = "keep";
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "keep");
}

// ---- DNS -------------------------------------------------------------------------

TEST_F(WinsimSystem, DnsListsAreBuiltFreshAndLedgered) {
    winsim::DnsAnswer answer;
    answer.records = {{DNS_TYPE_CNAME, "www.example.test", 0, "cdn.example.test"},
                      {DNS_TYPE_A, "cdn.example.test", 0x0100007F, ""}};
    winsim::setDnsAnswer("www.example.test", answer);

    PDNS_RECORDA first = nullptr, second = nullptr;
    ASSERT_EQ(DnsQuery_UTF8("www.example.test", DNS_TYPE_A, DNS_QUERY_STANDARD, nullptr, &first, nullptr), 0);
    ASSERT_EQ(DnsQuery_UTF8("www.example.test", DNS_TYPE_A, DNS_QUERY_STANDARD, nullptr, &second, nullptr), 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(winsim::liveDnsRecordLists(), 2u);

    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->wType, DNS_TYPE_CNAME);
    EXPECT_STREQ(first->Data.CNAME.pNameHost, "cdn.example.test");
    ASSERT_NE(first->pNext, nullptr);
    EXPECT_EQ(first->pNext->wType, DNS_TYPE_A);
    EXPECT_STREQ(first->pNext->pName, "cdn.example.test");
    in_addr address{};
    address.s_addr = first->pNext->Data.A.IpAddress;
    EXPECT_STREQ(inet_ntoa(address), "127.0.0.1");
    EXPECT_EQ(first->pNext->pNext, nullptr);

    DnsFree(first, DnsFreeRecordList);
    DnsFree(first, DnsFreeRecordList);  // a double free is caught, not performed
    EXPECT_EQ(winsim::invalidDnsFrees(), 1u);
    EXPECT_EQ(winsim::liveDnsRecordLists(), 1u);  // `second` is still out
    DnsFree(second, DnsFreeRecordList);
    EXPECT_EQ(winsim::liveDnsRecordLists(), 0u);
    EXPECT_EQ(winsim::dnsQueries(), (std::vector<std::string>{"www.example.test", "www.example.test"}));
}

TEST_F(WinsimSystem, DnsFailuresHandOutNoList) {
    winsim::DnsAnswer empty;
    empty.nullList = true;
    winsim::setDnsAnswer("empty.test", empty);
    winsim::DnsAnswer timeout;
    timeout.status = ERROR_TIMEOUT;
    winsim::setDnsAnswer("slow.test", timeout);

    PDNS_RECORDA list = reinterpret_cast<PDNS_RECORDA>(1);
    EXPECT_EQ(DnsQuery_UTF8("empty.test", DNS_TYPE_A, 0, nullptr, &list, nullptr), 0);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(DnsQuery_UTF8("slow.test", DNS_TYPE_A, 0, nullptr, &list, nullptr), ERROR_TIMEOUT);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(DnsQuery_UTF8("unknown.test", DNS_TYPE_A, 0, nullptr, &list, nullptr), DNS_ERROR_RCODE_NAME_ERROR);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(winsim::liveDnsRecordLists(), 0u);
}

void* otherThreadText(void* text) {
    in_addr address{};
    address.S_un.S_un_b = {10, 0, 0, 2};
    *static_cast<char**>(text) = inet_ntoa(address);
    return nullptr;
}

TEST_F(WinsimSystem, InetNtoaBufferIsPerThread) {
    in_addr address{};
    address.S_un.S_un_b = {192, 168, 1, 20};
    char* mine = inet_ntoa(address);
    char* theirs = nullptr;
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, nullptr, &otherThreadText, &theirs), 0);
    pthread_join(thread, nullptr);
    EXPECT_NE(mine, theirs);
    EXPECT_STREQ(mine, "192.168.1.20");
#if defined(__SANITIZE_ADDRESS__)
    // Text kept past its thread, instead of copied, is a fault ASan reports.
    EXPECT_DEATH(std::printf("%s\n", theirs), "heap-use-after-free");
#endif
}

// ---- threads and module references --------------------------------------------------

std::atomic<int> runs{0};
std::atomic<bool> pastExit{false};

DWORD WINAPI countingThread(LPVOID) {
    ++runs;
    return 0;
}

// A worker that pins the module and unloads it on its way out.
DWORD WINAPI unloadingThread(LPVOID) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&unloadingThread),
                       &module);
    ++runs;
    FreeLibraryAndExitThread(module, 0);
    pastExit = true;  // never reached
}

TEST_F(WinsimSystem, DeferredThreadsRunOnlyWhenAsked) {
    runs = 0;
    HANDLE thread = CreateThread(nullptr, 0, &countingThread, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(winsim::pendingThreads(), 1u);
    EXPECT_EQ(winsim::runPendingThreads(), 1u);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(winsim::pendingThreads(), 0u);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
}

TEST_F(WinsimSystem, ImmediateThreadsStartAtOnce) {
    runs = 0;
    winsim::setThreadMode(winsim::ThreadMode::Immediate);
    for (int i = 0; i < 3; ++i) CloseHandle(CreateThread(nullptr, 0, &countingThread, nullptr, 0, nullptr));
    winsim::joinThreads();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(winsim::threadsCreated(), 3u);
    EXPECT_EQ(winsim::pendingThreads(), 0u);
}

TEST_F(WinsimSystem, FailedCreationStartsNothing) {
    winsim::failThreadCreation(true);
    EXPECT_EQ(CreateThread(nullptr, 0, &countingThread, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(winsim::threadsCreated(), 0u);
    EXPECT_EQ(winsim::pendingThreads(), 0u);
}

TEST_F(WinsimSystem, ModuleReferenceTakenByWorkerIsDroppedAtItsExit) {
    runs = 0;
    pastExit = false;
    CloseHandle(CreateThread(nullptr, 0, &unloadingThread, nullptr, 0, nullptr));
    EXPECT_EQ(winsim::runPendingThreads(), 1u);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(pastExit);
    EXPECT_EQ(winsim::moduleReferences(), 0);
    EXPECT_EQ(winsim::callCount("FreeLibraryAndExitThread"), 1u);

    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCWSTR>(&unloadingThread), &module));
    EXPECT_EQ(module, winsim::moduleHandle());
    EXPECT_EQ(winsim::moduleReferences(), 0);
}

}  // namespace
