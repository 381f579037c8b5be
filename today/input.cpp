#include "today/input.h"
#include "today/label.h"
#include "today/launch.h"
#include "today/layout.h"
#include "today/item_state.h"
#include <todaycmn.h>
#include <aygshell.h>
#include "platform/device_sdk.h"

static void RepaintNow(HWND hwnd)
{
    InvalidateRect(hwnd, NULL, FALSE);
    UpdateWindow(hwnd);
}

// The entry under a pen point. With the pen captured, a release can lie left of or
// above the window, where the 16-bit coordinates wrap; such a point hits nothing.
static LONG EntryAtPen(LPARAM point)
{
    LONG x = (short)LOWORD(point);
    LONG y = (short)HIWORD(point);
    if (x < 0 || y < 0)
        return -1;
    return HitTestEntry(x, y);
}

LRESULT OnPenDown(HWND hwnd, LPARAM point)
{
    LONG x = LOWORD(point);
    LONG y = HIWORD(point);
    g_Item.HighlightedEntry = HitTestEntry(x, y);
    // The pressed icon shows highlighted before the hold is decided.
    RepaintNow(hwnd);
    if (g_Item.HighlightedEntry != -1) {
        SHRGINFO gesture;
        gesture.cbSize = sizeof(gesture);
        gesture.hwndClient = hwnd;
        gesture.ptDown.x = x;
        gesture.ptDown.y = y;
        gesture.dwFlags = SHRG_RETURNCMD | SHRG_NOANIMATION;
        if (SHRecognizeGesture(&gesture) == GN_CONTEXTMENU)
            ShowNameLabel(hwnd, x, y);
    }
    SetCapture(hwnd);
    SendMessageW(GetParent(hwnd), TODAYM_TOOKSELECTION, 0, 0);
    return 0;
}

LRESULT OnPenUp(HWND hwnd, LPARAM point)
{
    HideNameLabel();
    ReleaseCapture();
    LONG hit = EntryAtPen(point);
    if (hit != -1 && hit == g_Item.HighlightedEntry) {
        const LaunchEntry *entry = &g_Config.LaunchList[hit];
        LaunchFile(entry->FileName, entry->CommandLine);
        g_Item.FocusedEntry = hit;
    }
    g_Item.HighlightedEntry = -1;
    RepaintNow(hwnd);
    return 0;
}

LRESULT OnReceivedSelection(HWND hwnd, WPARAM key)
{
    LONG index = key == VK_UP ? g_Config.LaunchCount - 1 : 0;
    g_Item.HighlightedEntry = index;
    g_Item.FocusedEntry = index;
    if (DesignatesEntry(g_Item.HighlightedEntry))
        ShowNameLabel(hwnd, 0, 0);
    return 1;
}

LRESULT OnLostSelection(void)
{
    g_Item.HighlightedEntry = -1;
    HideNameLabel();
    return 1;
}

LRESULT OnUserNavigation(HWND hwnd, WPARAM key)
{
    BOOL upDown = g_Config.Settings.CtrlUpDown != 0;
    UINT back = upDown ? VK_UP : VK_LEFT;
    UINT forward = upDown ? VK_DOWN : VK_RIGHT;
    LONG index;
    if (key == back) {
        // A focus left beyond the end of a list that has since shrunk steps back onto
        // the last entry, not through indices that no longer hold one.
        LONG focus = g_Item.FocusedEntry < g_Config.LaunchCount ? g_Item.FocusedEntry : g_Config.LaunchCount;
        if (focus <= 0)
            return 0;
        index = focus - 1;
    } else if (key == forward) {
        if (g_Item.FocusedEntry >= g_Config.LaunchCount - 1)
            return 0;
        index = g_Item.FocusedEntry + 1;
    } else {
        return 0;
    }
    g_Item.FocusedEntry = index;
    if (index != g_Item.HighlightedEntry) {
        g_Item.HighlightedEntry = index;
        if (DesignatesEntry(index))
            ShowNameLabel(hwnd, 0, 0);
        RepaintNow(hwnd);
    }
    return 1;
}

LRESULT OnAction(void)
{
    if (DesignatesEntry(g_Item.HighlightedEntry)) {
        const LaunchEntry *entry = &g_Config.LaunchList[g_Item.HighlightedEntry];
        LaunchFile(entry->FileName, entry->CommandLine);
    }
    return 1;
}
