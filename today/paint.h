// Painting the icon grid.
#pragma once
#include <windows.h>
#include <commctrl.h>

#define MAGENTA_KEY RGB(255, 0, 255)

// Composes watermark, background bitmap, highlight and icons off-screen and copies
// the paint rectangle to dc.
void PaintItem(HWND hwnd, HDC dc, const PAINTSTRUCT *ps, HBITMAP background);

// Draws image i at (x, y), scaled to width x height unless width is a system icon size.
// 0 when there is no image list.
BOOL DrawEntryIcon(HIMAGELIST list, int i, HDC dc, int x, int y, int width, int height);
