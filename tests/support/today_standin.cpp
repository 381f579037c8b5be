#include "today_standin.h"
#include "harness.h"
#include "store/config.h"
#include "today/initialize_item.h"
#include "today/item_state.h"

static void PaintWatermark(const TestToday *today, HWND hwnd, const TODAYDRAWWATERMARKINFO *info)
{
    if (today && today->watermarkDC) {
        // The host copies the matching part of its background picture.
        POINT origin = { 0, 0 };
        MapWindowPoints(info->hwnd, hwnd, &origin, 1);
        BitBlt(info->hdc, info->rc.left, info->rc.top, info->rc.right - info->rc.left,
               info->rc.bottom - info->rc.top, today->watermarkDC, origin.x + info->rc.left,
               origin.y + info->rc.top, SRCCOPY);
        return;
    }
    HBRUSH brush = CreateSolidBrush(WATERMARK_COLOUR);
    FillRect(info->hdc, &info->rc, brush);
    DeleteObject(brush);
}

static LRESULT CALLBACK TestTodayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    TestToday *today = (TestToday *)GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    switch (message) {
    case TODAYM_DRAWWATERMARK:
        PaintWatermark(today, hwnd, (const TODAYDRAWWATERMARKINFO *)lParam);
        if (today) today->watermarkRequests++;
        return 0;
    case TODAYM_TOOKSELECTION:
        if (today) today->tookSelection++;
        return 0;
    case WM_CONTEXTMENU:
        if (today) today->contextMenus++;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A gradient of the screen's size, as Today themes have.
static void MakeGradient(TestToday *today, int width, int height)
{
    HDC screen = GetDC(NULL);
    today->watermarkDC = CreateCompatibleDC(screen);
    today->watermarkBitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    today->oldWatermark = SelectObject(today->watermarkDC, today->watermarkBitmap);
    for (int y = 0; y < height; y += 8) {
        RECT band = { 0, y, width, y + 8 };
        HBRUSH brush = CreateSolidBrush(RGB(0x20, 0x40 + y / 4, 0xC0 - y / 4));
        FillRect(today->watermarkDC, &band, brush);
        DeleteObject(brush);
    }
}

TestToday::TestToday(Watermark watermark)
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (watermark == Watermark::Gradient)
        MakeGradient(this, width, height);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TestTodayProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"TestToday";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, L"TestToday", L"Today", WS_POPUP | WS_VISIBLE, 0, 0, width, height, NULL, NULL,
                             GetModuleHandleW(NULL), NULL);
    SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)this);
    item.fEnabled = TRUE;
    item.tlit = tlitCustom;
    item.hinstDLL = GetModuleHandleW(NULL);
}

TestToday::~TestToday()
{
    if (itemWindow && IsWindow(itemWindow))
        DestroyWindow(itemWindow);
    DestroyWindow(window);
    if (watermarkDC) {
        SelectObject(watermarkDC, oldWatermark);
        DeleteObject(watermarkBitmap);
        DeleteDC(watermarkDC);
    }
}

HWND TestToday::CreateItem(int top, PFNCUSTOMINITIALIZEITEM initialize)
{
    itemWindow = (initialize ? initialize : InitializeCustomItem)(&item, window);
    if (!itemWindow)
        return NULL;
    SendMessageW(itemWindow, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&item, 0);
    SetWindowPos(itemWindow, NULL, 0, top, GetSystemMetrics(SM_CXSCREEN), (int)item.cyp,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return itemWindow;
}

void TestToday::WaitForIcons(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!g_Item.IconImageList && GetTickCount() - start < timeoutMs)
        PumpMessages(20);
}

void ResetItemState()
{
    g_Config.Settings = DefaultSettings();
    g_Config.DensityApplied = FALSE;
    g_Config.DensityDefaults = 0;
    g_Item.HighlightedEntry = InitialItemState().HighlightedEntry;
    g_Item.FocusedEntry = InitialItemState().FocusedEntry;
}
