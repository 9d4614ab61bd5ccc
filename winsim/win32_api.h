// The Win32 names the plug-ins use, declared for a Linux -m32 build with the
// Windows data model (LONG and pointers are 32 bits). winsim implements them.
// C++ linkage on purpose: the names must not collide with libc's.
#pragma once

#include <cstddef>
#include <cstdint>

static_assert(sizeof(long) == 4 && sizeof(void*) == 4, "winsim models 32-bit Windows");

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned int UINT;
typedef int INT;
typedef unsigned int UINT_PTR;
typedef long LONG_PTR;
typedef unsigned long ULONG_PTR;
typedef ULONG_PTR SIZE_T;
typedef ULONG_PTR DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* PVOID;
typedef void* LPVOID;
typedef char CHAR;
typedef char* LPSTR;
typedef char* PSTR;
typedef const char* LPCSTR;
typedef const char* PCSTR;
typedef wchar_t WCHAR;
typedef const wchar_t* LPCWSTR;
typedef DWORD* LPDWORD;
typedef BYTE* PBYTE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define DECLARE_WINSIM_HANDLE(name) \
    struct name##__;                \
    typedef name##__* name
DECLARE_WINSIM_HANDLE(HWND);
DECLARE_WINSIM_HANDLE(HRGN);
DECLARE_WINSIM_HANDLE(HINSTANCE);
#undef DECLARE_WINSIM_HANDLE
typedef void* HANDLE;
typedef void* HGDIOBJ;
typedef HINSTANCE HMODULE;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT, *LPRECT;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

// Window longs, messages, styles, show commands.
#define GWL_WNDPROC (-4)
#define GWL_STYLE (-16)
#define GWL_USERDATA (-21)
#define GWLP_WNDPROC GWL_WNDPROC
#define GWLP_USERDATA GWL_USERDATA
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WS_VISIBLE 0x10000000L
#define WS_MINIMIZE 0x20000000L
#define WS_CHILD 0x40000000L
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWNA 8
#define SW_RESTORE 9

// SetWindowPos flags.
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_ASYNCWINDOWPOS 0x4000

// Regions.
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

#define MAX_PATH 260

// Window manager and GDI.
LONG WINAPI SetWindowLongW(HWND window, int index, LONG value);
LONG WINAPI GetWindowLongW(HWND window, int index);
// As in the 32-bit SDK, the pointer-sized forms are the same calls.
#define SetWindowLongPtrW SetWindowLongW
#define GetWindowLongPtrW GetWindowLongW
LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI IsWindow(HWND window);
BOOL WINAPI IsWindowVisible(HWND window);
BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI ShowWindow(HWND window, int command);
HWND WINAPI FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName);
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL WINAPI KillTimer(HWND window, UINT_PTR id);
BOOL WINAPI DestroyWindow(HWND window);
HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom);
int WINAPI CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
BOOL WINAPI DeleteObject(HGDIOBJ object);
int WINAPI SetWindowRgn(HWND window, HRGN region, BOOL redraw);
int WINAPI GetWindowRgn(HWND window, HRGN region);
int WINAPI GetRgnBox(HRGN region, LPRECT rect);
BOOL WINAPI PtInRegion(HRGN region, int x, int y);

// Modules and threads.
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
BOOL WINAPI GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module);
BOOL WINAPI FreeLibrary(HMODULE module);
[[noreturn]] void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId);
BOOL WINAPI CloseHandle(HANDLE handle);
DWORD WINAPI GetLastError();

// DNS client and address text.
typedef long DNS_STATUS;
typedef DWORD IP4_ADDRESS;
#define DNS_TYPE_A 0x0001
#define DNS_TYPE_CNAME 0x0005
#define DNS_TYPE_AAAA 0x001c
#define DNS_QUERY_STANDARD 0x00000000
#define DNS_ERROR_RCODE_NAME_ERROR 9003L
#define DNS_INFO_NO_RECORDS 9501L
#define ERROR_TIMEOUT 1460L

typedef enum { DnsFreeFlat = 0, DnsFreeRecordList = 1, DnsFreeParsedMessageFields = 2 } DNS_FREE_TYPE;
typedef struct { IP4_ADDRESS IpAddress; } DNS_A_DATA;
typedef struct { PSTR pNameHost; } DNS_PTR_DATAA;
typedef struct _IP4_ARRAY* PIP4_ARRAY;

typedef struct _DnsRecordA {
    struct _DnsRecordA* pNext;
    PSTR pName;
    WORD wType;
    WORD wDataLength;
    union {
        DWORD DW;
    } Flags;
    DWORD dwTtl;
    DWORD dwReserved;
    union {
        DNS_A_DATA A;
        DNS_PTR_DATAA PTR, Ptr, CNAME, Cname;
        BYTE raw[16];
    } Data;
} DNS_RECORDA, *PDNS_RECORDA, DNS_RECORD, *PDNS_RECORD;

DNS_STATUS WINAPI DnsQuery_UTF8(PCSTR name, WORD type, DWORD options, PIP4_ARRAY servers, PDNS_RECORDA* results,
                                PVOID* reserved);
void WINAPI DnsFree(PVOID data, DNS_FREE_TYPE freeType);

typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned long u_long;
struct in_addr {
    union {
        struct {
            u_char s_b1, s_b2, s_b3, s_b4;
        } S_un_b;
        struct {
            u_short s_w1, s_w2;
        } S_un_w;
        u_long S_addr;
    } S_un;
};
#define s_addr S_un.S_addr
char* WINAPI inet_ntoa(struct in_addr address);
