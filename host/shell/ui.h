// The drawing helpers of the emulator's windows (the bars, the Today screen, File
// Explorer): plain fills, row-by-row gradients, the screen's font, flicker-free painting
// and window classes.
#pragma once
#include <windows.h>
#include <functional>

void FillSolid(HDC dc, const RECT &rect, COLORREF colour);
// Fills rect one row at a time, each row y (in dc's coordinates) with colourOfRow(y).
// Both leave the DC's background colour at the last colour they used.
void FillRows(HDC dc, const RECT &rect, const std::function<COLORREF(int y)> &colourOfRow);
// A vertical gradient across rect, from top to bottom.
void FillGradient(HDC dc, const RECT &rect, COLORREF top, COLORREF bottom);

// Tahoma, the device's font, pixelHeight pixels high (already scaled).
HFONT CreateScreenFont(int pixelHeight, bool bold);

// Paints a window through an off-screen bitmap (WM_PAINT) so that it never flickers; the
// painter draws into it, and only the paint rectangle reaches the screen.
void PaintBuffered(HWND hwnd, void (*painter)(HWND, HDC, const RECT &paintRect));

// The rest of the procedure of a window that belongs to the screen itself (the bars, the
// input panel): it never activates, paints through PaintBuffered with painter, and leaves
// everything else to DefWindowProc.
LRESULT ScreenWindowDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                            void (*painter)(HWND, HDC, const RECT &paintRect));

// A window class with the arrow cursor.
void RegisterScreenClass(HINSTANCE instance, const wchar_t *name, WNDPROC procedure, HBRUSH background = NULL);
