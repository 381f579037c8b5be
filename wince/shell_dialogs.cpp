// SHInitDialog and SHSipPreference: the full-screen dialog conventions of the Pocket PC shell.
#include "aygshell.h"
#include "wince_testing.h"
#include "shell_windows.h"

static WinceSipLog g_sip = { 0, 0, SIP_UNCHANGED };

extern "C" const WinceSipLog *WinceGetSipLog(void) { return &g_sip; }

// The area a full-screen dialog gets: below the task bar, above the soft-key bar.
static RECT FullScreenArea(void)
{
    RECT area = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    RECT bar;
    HWND taskBar = FindWindowW(SHELL_TASKBAR_CLASS, NULL);
    if (taskBar && IsWindowVisible(taskBar) && GetWindowRect(taskBar, &bar) && bar.bottom > area.top)
        area.top = bar.bottom;
    HWND menuBar = FindWindowW(SHELL_MENUBAR_CLASS, NULL);
    if (menuBar && IsWindowVisible(menuBar) && GetWindowRect(menuBar, &bar) && bar.top < area.bottom
        && bar.top > area.top)
        area.bottom = bar.top;
    return area;
}

extern "C" BOOL WINAPI SHInitDialog(PSHINITDLGINFO pshidi)
{
    if (!pshidi || !IsWindow(pshidi->hDlg))
        return FALSE;
    if (!(pshidi->dwMask & SHIDIM_FLAGS))
        return TRUE;

    HWND dlg = pshidi->hDlg;
    DWORD flags = pshidi->dwFlags;
    if (flags & SHIDIF_DONEBUTTON)
        SetPropW(dlg, SHELL_DONE_BUTTON_PROP, (HANDLE)1);
    if (flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG | SHIDIF_FULLSCREENNOMENUBAR)) {
        RECT area = FullScreenArea();
        if (flags & SHIDIF_FULLSCREENNOMENUBAR)
            area.bottom = GetSystemMetrics(SM_CYSCREEN);
        SetWindowPos(dlg, NULL, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (flags & SHIDIF_SIPDOWN)
        SHSipPreference(dlg, SIP_DOWN);
    return TRUE;
}

extern "C" BOOL WINAPI SHSipPreference(HWND hwnd, SIPSTATE st)
{
    if (hwnd && !IsWindow(hwnd))
        return FALSE;
    if (st == SIP_UP || st == SIP_INPUTDIALOG)
        InterlockedIncrement(&g_sip.upCalls);
    else if (st == SIP_DOWN || st == SIP_FORCEDOWN)
        InterlockedIncrement(&g_sip.downCalls);
    g_sip.lastState = st;
    return TRUE;
}
