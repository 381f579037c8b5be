#include "today/paint.h"
#include "today/layout.h"
#include "today/item_state.h"
#include <todaycmn.h>
#include "platform/device_sdk.h"

// The size of the list's images. The list was sized by the IconSize of its build (large when
// that reaches the average of the two system sizes); the options dialog can change the setting
// while a live window keeps its icons, so the list itself is asked.
static int ImageSizeOf(HIMAGELIST list)
{
    int cx = 0, cy = 0;
    if (ImageList_GetIconSize(list, &cx, &cy) && cx > 0)
        return cx;
    int largeSize = GetSystemMetrics(SM_CXICON);
    int smallSize = GetSystemMetrics(SM_CXSMICON);
    return g_Config.Settings.IconSize >= (largeSize + smallSize) / 2 ? largeSize : smallSize;
}

BOOL DrawEntryIcon(HIMAGELIST list, int i, HDC dc, int x, int y, int width, int height)
{
    if (!list)
        return 0;
    // At the images' own size (one of the two system sizes) the icon is drawn as it is.
    int m = ImageSizeOf(list);
    if (width == m)
        return ImageList_Draw(list, i, dc, x, y, ILD_NORMAL);

    // Scaled: the icon on a magenta square, stretched with magenta left out.
    HDC square = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, m, m);
    HGDIOBJ oldBitmap = SelectObject(square, bitmap);
    RECT all = { 0, 0, m, m };
    HBRUSH magenta = CreateSolidBrush(MAGENTA_KEY);
    FillRect(square, &all, magenta);
    DeleteObject(magenta);
    ImageList_DrawEx(list, i, square, 0, 0, m, m, MAGENTA_KEY, CLR_NONE, ILD_NORMAL);
    TransparentImage(dc, x, y, width, height, square, 0, 0, m, m, MAGENTA_KEY);
    SelectObject(square, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(square);
    return 1;
}

static void DrawWatermark(HWND hwnd, HDC memory)
{
    TODAYDRAWWATERMARKINFO info;
    info.hdc = memory;
    GetClientRect(hwnd, &info.rc);
    info.hwnd = hwnd;
    SendMessageW(GetParent(hwnd), TODAYM_DRAWWATERMARK, 0, (LPARAM)&info);
}

static void DrawBackground(HDC dc, HDC memory, HBITMAP background, LONG width, LONG height)
{
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, background);
    if (!g_Config.Settings.stretch_backbmp) {
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    } else {
        BITMAP bm;
        GetObjectW(background, sizeof(bm), &bm);
        StretchBlt(memory, 0, 0, width, height, source, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

// Draws the entries whose cell or icon meets the visible rectangle; the others cost nothing
// but their step of the walk.
static void DrawEntries(HDC memory, const RECT *visible)
{
    const DisplaySettings &s = g_Config.Settings;
    LONG cellHeight = s.IconSize + 2 * s.VMargin;
    CellWalk walk;
    BeginCellWalk(&walk);
    for (LONG i = 0; i < g_Config.LaunchCount; i++) {
        RECT cell, icon, seen;
        NextCell(&walk, &cell);
        SetRect(&icon, cell.left + s.HMargin, cell.top + s.VMargin, cell.left + s.HMargin + s.IconSize,
                cell.top + s.VMargin + s.IconSize);
        // Rows only go down: once a row starts below the visible part, so do all after it.
        if (cellHeight > 0 && cell.top >= visible->bottom && icon.top >= visible->bottom)
            break;
        if (i == g_Item.HighlightedEntry && IntersectRect(&seen, &cell, visible)) {
            HBRUSH highlight = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
            FillRect(memory, &cell, highlight);
            DeleteObject(highlight);
        }
        if (IntersectRect(&seen, &icon, visible))
            DrawEntryIcon(g_Item.IconImageList, i, memory, icon.left, icon.top, s.IconSize, s.IconSize);
    }
}

void PaintItem(HWND hwnd, HDC dc, const PAINTSTRUCT *ps, HBITMAP background)
{
    RECT client;
    GetClientRect(hwnd, &client);
    LONG width = client.right;
    LONG height = client.bottom;

    HDC memory = CreateCompatibleDC(dc);
    HBITMAP offscreen = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ oldBitmap = SelectObject(memory, offscreen);

    DrawWatermark(hwnd, memory);
    if (background)
        DrawBackground(dc, memory, background, width, height);
    // Only what the copy below takes needs drawing.
    RECT visible;
    if (IntersectRect(&visible, &ps->rcPaint, &client))
        DrawEntries(memory, &visible);

    const RECT &r = ps->rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, r.left, r.top, SRCCOPY);

    SelectObject(memory, oldBitmap);
    DeleteObject(offscreen);
    DeleteDC(memory);
}
