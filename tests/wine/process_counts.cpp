#include "process_counts.h"

#include "host_context.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace winehost {
namespace {

// From the published ntdll ABI: the type record starts with the type's name.
struct CountedText {
    USHORT length;  // bytes
    USHORT maximumLength;
    PWSTR buffer;
};
constexpr int kObjectTypeInformation = 2;
using NtQueryObjectFunction = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);

// SystemExtendedHandleInformation: a count and a reserved word, then one
// entry per handle.
struct SystemHandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
constexpr int kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
using NtQuerySystemInformationFunction = LONG(NTAPI*)(int, void*, ULONG, ULONG*);

NtQueryObjectFunction ntQueryObject() {
    static const auto function = reinterpret_cast<NtQueryObjectFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    return function;
}

std::string typeName(HANDLE handle) {
    alignas(8) unsigned char buffer[1024];
    ULONG size = 0;
    NtQueryObjectFunction query = ntQueryObject();
    if (!query || query(handle, kObjectTypeInformation, buffer, sizeof buffer, &size) < 0) return "?";
    const auto& name = *reinterpret_cast<const CountedText*>(buffer);
    return narrow(std::wstring(name.buffer, name.length / sizeof(wchar_t)));
}

BOOL CALLBACK countWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

// One call lists every handle of the system with its process; walking the
// table value by value takes minutes in the emulated VM.
bool handlesFromSystemList(std::vector<HANDLE>& open) {
    static const auto query = reinterpret_cast<NtQuerySystemInformationFunction>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return false;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status;
    ULONG size = 0;
    while ((status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &size)) == kStatusInfoLengthMismatch)
        buffer.resize(std::max<size_t>(buffer.size() * 2, size + 4096));
    if (status < 0) return false;
    ULONG_PTR count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    const ULONG_PTR process = GetCurrentProcessId();
    for (ULONG_PTR i = 0; i < count; ++i)
        if (entries[i].processId == process) open.push_back(reinterpret_cast<HANDLE>(entries[i].handleValue));
    std::sort(open.begin(), open.end());
    return true;
}

}  // namespace

std::vector<HANDLE> openHandles() {
    std::vector<HANDLE> open;
    if (handlesFromSystemList(open)) return open;
    DWORD flags = 0;
    for (uintptr_t h = 4; h < 0x20000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) open.push_back(reinterpret_cast<HANDLE>(h));
    return open;
}

std::string describeNewHandles(const std::vector<HANDLE>& before, const std::vector<HANDLE>& now) {
    std::vector<HANDLE> added;
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(), std::back_inserter(added));
    std::string text;
    for (HANDLE handle : added) {
        char value[16];
        std::snprintf(value, sizeof value, "0x%lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle)));
        const std::string type = typeName(handle);
        text += (text.empty() ? "" : ", ") + std::string(value) + " " + type;
        if (type == "Thread") {
            std::snprintf(value, sizeof value, " 0x%lx", static_cast<unsigned long>(GetThreadId(handle)));
            text += value;
        }
    }
    return text.empty() ? "none" : text;
}

ProcessCounts ProcessCounts::now() {
    ProcessCounts c;
    c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    GetProcessHandleCount(GetCurrentProcess(), &c.handles);
    c.open = openHandles();
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&c.windows));
    c.freeTlsSlot = TlsAlloc();
    if (c.freeTlsSlot != TLS_OUT_OF_INDEXES) TlsFree(c.freeTlsSlot);
    return c;
}

std::string ProcessCounts::text() const {
    return "gdi " + std::to_string(gdi) + ", user " + std::to_string(user) + ", handle count " +
           std::to_string(handles) + ", live handles " + std::to_string(liveHandles()) + ", windows " +
           std::to_string(windows) + ", free TLS slot " + std::to_string(freeTlsSlot);
}

void expectCountsBack(const ProcessCounts& before, const char* what, DWORD allowedHandleGrowth) {
    const ProcessCounts after = ProcessCounts::now();
    std::printf("   %s: before %s; after %s\n", what, before.text().c_str(), after.text().c_str());
    CHECK_EQ(after.gdi, before.gdi);
    CHECK_EQ(after.user, before.user);
    // Under Wine the count is 0 throughout; on Windows it moves with the list.
    CHECK_EQ(after.handles, before.handles ? before.handles + allowedHandleGrowth : 0);
    CHECK_MSG(after.liveHandles() == before.liveHandles() + allowedHandleGrowth,
              std::string(what) + ": " + std::to_string(before.liveHandles()) + " + " +
                  std::to_string(allowedHandleGrowth) + " expected, " + std::to_string(after.liveHandles()) +
                  " live; new: " + describeNewHandles(before.open, after.open));
    CHECK_EQ(after.windows, before.windows);
    CHECK_EQ(after.freeTlsSlot, before.freeTlsSlot);
    CHECK(before.liveHandles() > 0);  // the list holds at least the process's own handles
}

}  // namespace winehost
