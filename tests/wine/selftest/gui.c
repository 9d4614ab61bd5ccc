/* Window + timer + region round trip: the user32/gdi32 paths the plug-ins use. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static int timer_ticks;

static LRESULT CALLBACK wnd_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:
        if (++timer_ticks >= 5) {
            KillTimer(hwnd, 1);
            PostQuitMessage(0);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HBRUSH b = CreateSolidBrush(RGB(200, 30, 30));
        FillRect(dc, &ps.rcPaint, b);
        DeleteObject(b);
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int main(void)
{
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = wnd_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "selftest";
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    if (!RegisterClassA(&wc)) { printf("FAIL RegisterClass %lu\n", GetLastError()); return 1; }

    HWND hwnd = CreateWindowExA(0, "selftest", "selftest", WS_POPUP | WS_VISIBLE,
                                100, 100, 200, 120, NULL, NULL, wc.hInstance, NULL);
    if (!hwnd) { printf("FAIL CreateWindow %lu\n", GetLastError()); return 1; }
    UpdateWindow(hwnd);

    HRGN set = CreateRectRgn(0, 0, 150, 80);
    if (!SetWindowRgn(hwnd, set, TRUE)) { printf("FAIL SetWindowRgn\n"); return 1; }
    HRGN got = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(hwnd, got);
    RECT box;
    GetRgnBox(got, &box);
    printf("GetWindowRgn kind=%d box=%ld,%ld,%ld,%ld\n", kind, box.left, box.top, box.right, box.bottom);
    if (kind != SIMPLEREGION || box.right != 150 || box.bottom != 80) { printf("FAIL region\n"); return 1; }

    if (!SetTimer(hwnd, 1, 100, NULL)) { printf("FAIL SetTimer\n"); return 1; }
    DWORD start = GetTickCount();
    MSG m;
    for (;;) {
        /* Bounded wait: a missing WM_TIMER must fail, not hang the suite. */
        if (GetTickCount() - start > 20000) { printf("FAIL no WM_TIMER after 20s (%d)\n", timer_ticks); return 1; }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 500, QS_ALLINPUT);
        BOOL quit = FALSE;
        while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) { quit = TRUE; break; }
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        if (quit) break;
    }
    printf("WM_TIMER ticks=%d in %lu ms\n", timer_ticks, GetTickCount() - start);
    if (getenv("SELFTEST_HOLD")) Sleep(atoi(getenv("SELFTEST_HOLD")));
    DestroyWindow(hwnd);
    printf("gui ok\n");
    return 0;
}
