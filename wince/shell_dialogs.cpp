// SHInitDialog and SHSipPreference: the full-screen dialog conventions of the Pocket PC shell.
#include "aygshell.h"
#include "wince_testing.h"
#include "platform/shell_windows.h"

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

// ---- The scroll bar of a dialog taller than its area

#define SCROLL_OLD_PROC_PROP L"SHScrollOldProc"

// How far the dialog's controls reach below its client top. The scroll range is theirs, not
// the template's height: a template taller than its controls scrolls no further than them.
static int ContentHeight(HWND dlg)
{
    int bottom = 0;
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(NULL, dlg, (POINT *)&rect, 2);
        if (rect.bottom > bottom)
            bottom = rect.bottom;
    }
    return bottom;
}

static void ScrollTo(HWND dlg, int position)
{
    SCROLLINFO info = { sizeof(info), SIF_ALL };
    GetScrollInfo(dlg, SB_VERT, &info);
    int last = info.nMax - (int)info.nPage + 1;
    if (position > last)
        position = last;
    if (position < 0)
        position = 0;
    if (position == info.nPos)
        return;
    ScrollWindowEx(dlg, 0, info.nPos - position, NULL, NULL, NULL, NULL,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(dlg, SB_VERT, &info, TRUE);
}

static void OnScroll(HWND dlg, WORD request)
{
    SCROLLINFO info = { sizeof(info), SIF_ALL };
    GetScrollInfo(dlg, SB_VERT, &info);
    int line = 10 * GetSystemMetrics(SM_CYSCREEN) / 320;
    switch (request) {
    case SB_LINEUP:        ScrollTo(dlg, info.nPos - line); break;
    case SB_LINEDOWN:      ScrollTo(dlg, info.nPos + line); break;
    case SB_PAGEUP:        ScrollTo(dlg, info.nPos - (int)info.nPage); break;
    case SB_PAGEDOWN:      ScrollTo(dlg, info.nPos + (int)info.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollTo(dlg, info.nTrackPos); break;
    case SB_TOP:           ScrollTo(dlg, 0); break;
    case SB_BOTTOM:        ScrollTo(dlg, info.nMax); break;
    }
}

// Ahead of the dialog's own procedure: the requests of the scroll bar.
static LRESULT CALLBACK ScrollingDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC old = (WNDPROC)GetPropW(dlg, SCROLL_OLD_PROC_PROP);
    switch (message) {
    case WM_VSCROLL:
        if (!lParam) {
            OnScroll(dlg, LOWORD(wParam));
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(dlg, GWLP_WNDPROC, (LONG_PTR)old);
        RemovePropW(dlg, SCROLL_OLD_PROC_PROP);
        break;
    }
    return CallWindowProcW(old, dlg, message, wParam, lParam);
}

// Gives a dialog whose controls reach below its client area a vertical scroll bar over their
// range. As the device's SetScrollInfo removes a bar whose range fits its page, a dialog whose
// controls all fit gets none.
static void AddScrollBarWhenNeeded(HWND dlg)
{
    RECT client;
    GetClientRect(dlg, &client);
    int content = ContentHeight(dlg);
    if (content <= client.bottom)
        return;
    SetWindowLongW(dlg, GWL_STYLE, GetWindowLongW(dlg, GWL_STYLE) | WS_VSCROLL);
    SetWindowPos(dlg, NULL, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    GetClientRect(dlg, &client);
    SCROLLINFO info = { sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, content - 1, (UINT)client.bottom, 0, 0 };
    SetScrollInfo(dlg, SB_VERT, &info, TRUE);
    if (!GetPropW(dlg, SCROLL_OLD_PROC_PROP)) {
        SetPropW(dlg, SCROLL_OLD_PROC_PROP, (HANDLE)GetWindowLongPtrW(dlg, GWLP_WNDPROC));
        SetWindowLongPtrW(dlg, GWLP_WNDPROC, (LONG_PTR)ScrollingDialogProc);
    }
}

// ----

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
        // A full-screen dialog has no frame: its caption shows in the task bar, and its
        // client area is the whole area.
        LONG style = GetWindowLongW(dlg, GWL_STYLE) & ~(WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
        SetWindowLongW(dlg, GWL_STYLE, style);
        SetWindowLongW(dlg, GWL_EXSTYLE,
                       GetWindowLongW(dlg, GWL_EXSTYLE) & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE));
        SetWindowPos(dlg, NULL, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    if (flags & SHIDIF_WANTSCROLLBAR)
        AddScrollBarWhenNeeded(dlg);
    if (flags & SHIDIF_SIPDOWN)
        SHSipPreference(dlg, SIP_DOWN);
    return TRUE;
}

// The shell's input panel window of this process, or NULL (no shell around, as in tests).
static HWND InputPanel(void)
{
    HWND panel = FindWindowW(SHELL_INPUT_PANEL_CLASS, NULL);
    DWORD process = 0;
    if (panel)
        GetWindowThreadProcessId(panel, &process);
    return process == GetCurrentProcessId() ? panel : NULL;
}

extern "C" BOOL WINAPI SHSipPreference(HWND hwnd, SIPSTATE st)
{
    if (hwnd && !IsWindow(hwnd))
        return FALSE;
    HWND panel = InputPanel();
    if (st == SIP_UP || st == SIP_INPUTDIALOG) {
        InterlockedIncrement(&g_sip.upCalls);
        if (panel && !IsWindowVisible(panel))
            ShowWindow(panel, SW_SHOWNA);
    } else if (st == SIP_DOWN || st == SIP_FORCEDOWN) {
        InterlockedIncrement(&g_sip.downCalls);
        if (panel && IsWindowVisible(panel))
            ShowWindow(panel, SW_HIDE);
    }
    g_sip.lastState = st;
    return TRUE;
}
