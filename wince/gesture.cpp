// SHRecognizeGesture: decides whether the pen stays down long enough for a
// tap-and-hold. Called while the window handles its WM_LBUTTONDOWN; it watches
// the thread's queue for what the pen does next and never swallows a pen-up.
// A recognised hold also sends WM_CONTEXTMENU to the window, as the device's shell does;
// a window that leaves it to DefWindowProc passes it on to its parent.
#include <stdlib.h>
#include "aygshell.h"
#include "wince_testing.h"

static DWORD g_holdMs = 500;

extern "C" void WinceSetHoldTime(DWORD ms) { g_holdMs = ms; }
extern "C" DWORD WinceGetHoldTime(void) { return g_holdMs; }

// The pen counts as still while it stays this close to where it went down.
static BOOL NearPoint(const MSG *msg, POINT screenDown)
{
    POINT pt = { (short)LOWORD(msg->lParam), (short)HIWORD(msg->lParam) };
    if (msg->hwnd) ClientToScreen(msg->hwnd, &pt);
    int tolerance = GetSystemMetrics(SM_CXDRAG);
    if (tolerance < 2) tolerance = 2;
    return abs(pt.x - screenDown.x) <= tolerance && abs(pt.y - screenDown.y) <= tolerance;
}

extern "C" DWORD WINAPI SHRecognizeGesture(SHRGINFO *shrg)
{
    if (!shrg || shrg->cbSize != sizeof(SHRGINFO) || !IsWindow(shrg->hwndClient))
        return 0;

    DWORD hold = g_holdMs;
    if (shrg->dwFlags & SHRG_LONGDELAY) hold *= 2;
    POINT screenDown = shrg->ptDown;
    ClientToScreen(shrg->hwndClient, &screenDown);

    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        // A pen-up ends the wait; it stays queued for the window it belongs to.
        if (PeekMessageW(&msg, NULL, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE | PM_NOYIELD))
            return 0;
        // Small movements are the pen's jitter and are dropped; moving away ends the wait
        // and leaves that movement queued.
        while (PeekMessageW(&msg, NULL, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE | PM_NOYIELD)) {
            if (!NearPoint(&msg, screenDown))
                return 0;
            PeekMessageW(&msg, msg.hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE | PM_NOYIELD);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= hold) {
            SendMessageW(shrg->hwndClient, WM_CONTEXTMENU, (WPARAM)shrg->hwndClient,
                         MAKELPARAM(screenDown.x, screenDown.y));
            return GN_CONTEXTMENU;
        }
        // Wake for pen input, and for posted messages too: a pen-up or move can also arrive
        // posted (by the host, or by tests) and must end the wait just as soon.
        MsgWaitForMultipleObjects(0, NULL, FALSE, hold - elapsed,
                                  QS_MOUSEBUTTON | QS_MOUSEMOVE | QS_POSTMESSAGE);
    }
}
