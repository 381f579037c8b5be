// The item window's procedure: creation, teardown, the host's height query and the
// icon timer; painting and input go to their own handlers.
#include "today/item_window.h"
#include "today/icons.h"
#include "today/input.h"
#include "today/label.h"
#include "today/layout.h"
#include "today/paint.h"
#include "store/store.h"
#include "coredll_ext.h"

static void DeleteBackgroundBitmap(void)
{
    if (g_State.BackgroundBitmap) {
        DeleteObject(g_State.BackgroundBitmap);
        g_State.BackgroundBitmap = NULL;
    }
}

static LRESULT OnCreate(void)
{
    if (!g_State.NameLabel)
        CreateNameLabel();
    DeleteBackgroundBitmap();
    if (g_State.Settings.backbmpfile[0])
        g_State.BackgroundBitmap = SHLoadDIBitmap(g_State.Settings.backbmpfile);
    return 0;
}

static LRESULT OnDestroy(void)
{
    DestroyNameLabel();
    DeleteBackgroundBitmap();
    if (g_State.IconImageList) {
        ImageList_Destroy(g_State.IconImageList);
        g_State.IconImageList = NULL;
    }
    FreeLaunchList();
    return 0;
}

static LRESULT OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintItem(hwnd, dc, &ps, g_State.BackgroundBitmap);
    EndPaint(hwnd, &ps);
    return 0;
}

// The host asks for the height; only the first query after creation answers it.
static LRESULT OnQueryRefreshCache(HWND hwnd, TODAYLISTITEM *item)
{
    if (!g_State.FirstRefreshPending)
        return 0;
    g_State.FirstRefreshPending = 0;
    if (item)
        item->cyp = (DWORD)ContentHeight();
    SetTimer(hwnd, ICON_TIMER_ID, (UINT)(g_State.Settings.ShowIconSec * 1000), NULL);
    return 1;
}

// The icons are fetched from the timer, not at creation; a failed build retries each tick.
static LRESULT OnTimer(HWND hwnd, WPARAM id)
{
    if (id != ICON_TIMER_ID)
        return 0;
    if (BuildIconImageList(g_State.LaunchList, g_State.LaunchCount, g_State.Settings.IconSize)) {
        KillTimer(hwnd, ICON_TIMER_ID);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }
    return 0;
}

LRESULT CALLBACK ItemWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_DESTROY:
        return OnDestroy();
    case WM_PAINT:
        return OnPaint(hwnd);
    case WM_ERASEBKGND:
        return 1;   // painting covers the whole area
    case WM_TIMER:
        return OnTimer(hwnd, wParam);
    case WM_LBUTTONDOWN:
        return OnPenDown(hwnd, lParam);
    case WM_LBUTTONUP:
        return OnPenUp(hwnd, lParam);
    case WM_TODAYCUSTOM_CLEARCACHE:
        return 0;
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE:
        return OnQueryRefreshCache(hwnd, (TODAYLISTITEM *)wParam);
    case WM_TODAYCUSTOM_RECEIVEDSELECTION:
        return OnReceivedSelection(hwnd, wParam);
    case WM_TODAYCUSTOM_LOSTSELECTION:
        return OnLostSelection();
    case WM_TODAYCUSTOM_USERNAVIGATION:
        return OnUserNavigation(hwnd, wParam);
    case WM_TODAYCUSTOM_ACTION:
        return OnAction();
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
