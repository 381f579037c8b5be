// The item window's procedure: creation, teardown, the host's height query and the
// icon timer; painting and input go to their own handlers.
#include "today/item_window.h"
#include <shellapi.h>
#include "today/bitmap_file.h"
#include "today/icons.h"
#include "today/input.h"
#include "today/label.h"
#include "today/layout.h"
#include "today/paint.h"
#include "store/store.h"
#include "today/item_state.h"

static void DeleteBackgroundBitmap(void)
{
    if (g_Item.BackgroundBitmap) {
        DeleteObject(g_Item.BackgroundBitmap);
        g_Item.BackgroundBitmap = NULL;
    }
}

static LRESULT OnCreate(void)
{
    if (!g_Item.NameLabel)
        CreateNameLabel();
    DeleteBackgroundBitmap();
    // A file whose headers do not fit it means no background, as a missing one does.
    if (g_Config.Settings.backbmpfile[0] && IsWholeBitmapFile(g_Config.Settings.backbmpfile))
        g_Item.BackgroundBitmap = SHLoadDIBitmap(g_Config.Settings.backbmpfile);
    return 0;
}

static LRESULT OnDestroy(void)
{
    DestroyNameLabel();
    DeleteBackgroundBitmap();
    if (g_Item.IconImageList) {
        ImageList_Destroy(g_Item.IconImageList);
        g_Item.IconImageList = NULL;
    }
    FreeLaunchList();
    return 0;
}

static LRESULT OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    PaintItem(hwnd, dc, &ps, g_Item.BackgroundBitmap);
    EndPaint(hwnd, &ps);
    return 0;
}

// The wait before the icons are fetched. A stored value that no timer can hold (negative,
// or more milliseconds than 31 bits, some 24 days) waits the default instead.
static UINT IconDelay(void)
{
    const LONG longest = 0x7FFFFFFF / 1000;
    LONG seconds = g_Config.Settings.ShowIconSec;
    if (seconds < 0 || seconds > longest)
        seconds = DefaultSettings().ShowIconSec;
    return (UINT)seconds * 1000;
}

static void ReportHeight(TODAYLISTITEM *item)
{
    LONG height = ContentHeight(&g_Item.ReportedScreenWidth);
    if (item)
        item->cyp = (DWORD)height;
}

// The host asks for the height every few seconds. The first query after creation answers
// it and starts the icon timer; after that the height is reported again only once the
// screen has turned to another width, since rows then wrap elsewhere and the old height
// would hide a row or leave an empty one.
static LRESULT OnQueryRefreshCache(HWND hwnd, TODAYLISTITEM *item)
{
    if (!g_Item.FirstRefreshPending) {
        if (GetSystemMetrics(SM_CXSCREEN) == g_Item.ReportedScreenWidth)
            return 0;
        ReportHeight(item);
        return 1;
    }
    g_Item.FirstRefreshPending = 0;
    ReportHeight(item);
    SetTimer(hwnd, ICON_TIMER_ID, IconDelay(), NULL);
    return 1;
}

// The icons are fetched from the timer, not at creation; a failed build retries each tick.
static LRESULT OnTimer(HWND hwnd, WPARAM id)
{
    if (id != ICON_TIMER_ID)
        return 0;
    if (BuildIconImageList(g_Config.LaunchList, g_Config.LaunchCount, g_Config.Settings.IconSize)) {
        KillTimer(hwnd, ICON_TIMER_ID);
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }
    return 0;
}

// A hold sends this besides showing the name; the name is all a hold does here, so the
// request stops at the item instead of rising to the Today screen.
static LRESULT OnContextMenu(void)
{
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
    case WM_CONTEXTMENU:
        return OnContextMenu();
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
