// Test-side control of the simulated window system: build windows, fire
// timers, read back what the plug-in did (call log, posted messages,
// SetWindowPos requests, window regions, live GDI objects, DNS lists, threads).
#pragma once

#include "win32_api.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace winsim {

// Forget every window, region, timer, log, DNS answer and setting.
void reset();

// ---- windows ---------------------------------------------------------------
struct WindowSpec {
    std::wstring className = L"WinsimWindow";
    HWND parent = nullptr;
    RECT windowRect{0, 0, 100, 100};  // screen coordinates
    RECT clientRect{0, 0, 100, 100};  // origin 0,0 as GetClientRect gives it
    bool visible = true;
    LONG style = 0;                   // WS_VISIBLE is kept in step with `visible`
    LONG userData = 0;
    WNDPROC proc = nullptr;           // null: a procedure that calls DefWindowProcW
};
HWND createWindow(const WindowSpec& spec = {});
void setWindowRect(HWND window, RECT rect);  // keeps the client size in step
void setClientRect(HWND window, RECT rect);
void setStyle(HWND window, LONG style);
bool isLive(HWND window);
RECT windowRect(HWND window);

// ---- call log ----------------------------------------------------------------
// Every Win32 call the plug-in makes, by function name, in order.
const std::vector<std::string>& calls();
size_t callCount(const std::string& function);
void clearCalls();

// ---- messages ----------------------------------------------------------------
struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
const std::vector<Message>& postedMessages();  // PostMessageW, in order; never delivered
void clearPostedMessages();
// Messages that reached DefWindowProcW, in order.
const std::vector<Message>& defWindowProcMessages();

// ---- timers --------------------------------------------------------------------
struct Timer {
    HWND window;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
};
std::vector<Timer> timers();  // live timers (a destroyed window's timers go)
// Delivers WM_TIMER(id) through the window's current procedure; false when the
// window has no such timer.
bool fireTimer(HWND window, UINT_PTR id);

// ---- placement -------------------------------------------------------------------
struct WindowPosCall {
    HWND window;
    HWND insertAfter;
    int x, y, cx, cy;
    UINT flags;
};
const std::vector<WindowPosCall>& windowPosCalls();
void clearWindowPosCalls();

// ---- regions -----------------------------------------------------------------------
// A region as a set of rectangles (right and bottom edges excluded).
using Rects = std::vector<RECT>;
bool hasWindowRegion(HWND window);
Rects windowRegion(HWND window);  // empty when the window has none
bool windowRegionContains(HWND window, int x, int y);
size_t liveGdiObjects();  // regions created and not yet deleted nor owned by a live window

// ---- module file name -----------------------------------------------------------------
void setModuleFileName(const std::string& path);  // what GetModuleFileNameA copies
void failModuleFileName(bool fail);               // GetModuleFileNameA returns 0

// ---- DNS client --------------------------------------------------------------------------
struct DnsRecord {
    WORD type;                // DNS_TYPE_A, DNS_TYPE_CNAME, ...
    std::string name;
    IP4_ADDRESS ipv4 = 0;     // network byte order, for A records
    std::string target;       // for CNAME records
};
struct DnsAnswer {
    DNS_STATUS status = 0;
    std::vector<DnsRecord> records;
    bool nullList = false;    // success with no list at all
};
void setDnsAnswer(const std::string& name, const DnsAnswer& answer);  // unknown names: DNS_ERROR_RCODE_NAME_ERROR
std::vector<std::string> dnsQueries();  // names asked, in order
size_t liveDnsRecordLists();            // lists handed out and not yet freed with DnsFree

// ---- threads and module references -----------------------------------------------------------
// Deferred (default): CreateThread queues the start; runPendingThreads() runs
// each queued thread to its end (on a real thread, joined before returning).
// Immediate: CreateThread starts a real thread at once; joinThreads() waits.
enum class ThreadMode { Deferred, Immediate };
void setThreadMode(ThreadMode mode);
void failThreadCreation(bool fail);  // CreateThread returns null
size_t threadsCreated();
size_t pendingThreads();
size_t runPendingThreads();
void joinThreads();
// GetModuleHandleExW adds one, FreeLibraryAndExitThread drops one.
long moduleReferences();

}  // namespace winsim
