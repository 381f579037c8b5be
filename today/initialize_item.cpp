// The plug-in entry the Today host calls by ordinal 240.
#include "today/initialize_item.h"
#include "today/item_window.h"
#include "store/store.h"
#include "today/item_state.h"
#include "dialogs/own_dialog.h"

BOOL HandleLoadNotification(HINSTANCE module, DWORD reason)
{
    g_Item.ModuleHandle = module;
    if (reason == DLL_PROCESS_ATTACH)
        RegisterDialogControls();
    return TRUE;
}

extern "C" HWND InitializeCustomItem(TODAYLISTITEM *item, HWND parent)
{
    if (!item || !item->fEnabled)
        return NULL;
    g_Item.ModuleHandle = item->hinstDLL;

    LoadDisplaySettings();
    LoadLaunchList();

    WNDCLASSW wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ItemWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = item->hinstDLL;
    wc.hIcon = NULL;
    wc.hCursor = NULL;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = ITEM_WINDOW_CLASS;
    // Drop a registration left from an earlier call.
    UnregisterClassW(ITEM_WINDOW_CLASS, item->hinstDLL);
    RegisterClassW(&wc);

    g_Item.FirstRefreshPending = 1;
    // Visible from the start, but with no area and at (0x1001F, 0x1001F): off any screen, and
    // past the 16 bits that a pen point's coordinates have, so nothing of it shows or takes a
    // tap until the host places and sizes it, after asking for its height
    // (WM_TODAYCUSTOM_QUERYREFRESHCACHE).
    return CreateWindowExW(0, ITEM_WINDOW_CLASS, ITEM_WINDOW_TITLE, WS_CHILD | WS_VISIBLE,
                           0x1001F, 0x1001F, 0, 0, parent, NULL, item->hinstDLL, NULL);
}
