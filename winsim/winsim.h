// Test-side control of the simulated window system: build windows, fire
// timers, read back what the plug-in did (call log, posted messages,
// SetWindowPos requests, window regions, live GDI objects, DNS lists, threads).
// Windows, regions and timers belong to the plug-in thread, as in the real
// plug-ins, and take no lock; the call log, module, thread and DNS functions
// may be called from worker threads.
#pragma once

#include "win32_api.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace winsim {

// Forget every window, region, timer, log, DNS answer and setting. Immediate
// threads are joined first; queued (Deferred) starts are dropped unrun and
// their parameters are not freed. Handle numbering starts again.
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
HWND createWindow(const WindowSpec& desc = {});
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
    // PostMessageW: true when the window was live and the message was queued;
    // false when PostMessageW failed (dead or null window). Always true for
    // defWindowProcMessages().
    bool delivered = true;
};
// Every PostMessageW attempt, in order, failed ones included (see
// Message::delivered). Queued messages are never dispatched.
const std::vector<Message>& postedMessages();
void clearPostedMessages();
// Messages that reached DefWindowProcW, in order. A window created without a
// procedure passes its messages to DefWindowProcW too; those are recorded
// here but not in calls(), since the plug-in did not make that call.
const std::vector<Message>& defWindowProcMessages();

// ---- timers --------------------------------------------------------------------
struct Timer {
    HWND window;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
};
std::vector<Timer> timers();  // live timers (a destroyed window's timers go)
// Delivers WM_TIMER(wParam = id, lParam = proc) through the window's current
// procedure, or calls the timer's TIMERPROC when it has one, as
// DispatchMessage does. A thread timer (SetTimer with a null window) fires
// with window null and needs a TIMERPROC. False when there is no such timer.
bool fireTimer(HWND window, UINT_PTR id);

// ---- placement -------------------------------------------------------------------
struct WindowPosCall {
    HWND window;
    HWND insertAfter;
    int x, y, cx, cy;
    UINT flags;
};
// Every SetWindowPos call, failed ones (dead window) included. x and y are
// taken as screen coordinates, also for child windows.
const std::vector<WindowPosCall>& windowPosCalls();
void clearWindowPosCalls();

// ---- regions -----------------------------------------------------------------------
// A region as a set of rectangles (right and bottom edges excluded), in
// canonical band order: sorted by top, then left; rectangles of one band
// share top and bottom; vertically adjacent bands with equal spans merged.
// Window regions are in window coordinates (origin at the window's top left).
using Rects = std::vector<RECT>;
bool hasWindowRegion(HWND window);
Rects windowRegion(HWND window);  // empty when the window has none
bool windowRegionContains(HWND window, int x, int y);
// Regions the caller still owns: created and neither deleted nor handed to a
// live window with SetWindowRgn. A region a window owns is freed with the
// window and is not a leak, so it is not counted here.
size_t liveGdiObjects();
size_t ownedRegions();  // regions currently owned by live windows

// ---- module file name -----------------------------------------------------------------
void setModuleFileName(const std::string& path);  // what GetModuleFileNameA copies
void failModuleFileName(bool fail);               // GetModuleFileNameA returns 0
// Default (Vista and later): a path that does not fit is cut to size-1 chars
// plus NUL and size is returned. With true, the older behaviour: `size` chars
// are copied with no terminating NUL and size is returned.
void moduleFileNameWithoutNul(bool withoutNul);

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
// DnsFree calls with a pointer that is not a live list head (double free,
// foreign pointer). Nothing is freed for them. DnsFree with a free type
// other than DnsFreeRecordList frees nothing and the list stays live.
size_t invalidDnsFrees();
// inet_ntoa answers in a per-thread buffer that is freed when its thread ends,
// so text kept past a worker's end (rather than copied) reads freed memory.

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
// GetModuleHandleExW adds one (unless UNCHANGED_REFCOUNT), FreeLibrary and
// FreeLibraryAndExitThread drop one. FreeLibraryAndExitThread ends the calling thread with
// pthread_exit, which unwinds by a forced unwind: code on that path must not
// swallow it with catch (...) without rethrowing. Called outside a thread
// started by CreateThread it aborts the process.
long moduleReferences();
HMODULE moduleHandle();  // the one module handle GetModuleHandleExW hands out

}  // namespace winsim
