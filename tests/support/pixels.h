// Pictures read back from GDI: what the item paints, what a window shows, a bitmap's
// pixels; saving them as PNG.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A 32-bit top-down picture; At() answers a COLORREF.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> bits;   // 0x00RRGGBB per pixel
    COLORREF At(int x, int y) const;
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// A memory DC with a 32-bit DIB section selected, filled with one colour.
struct DibCanvas {
    HDC dc = NULL;
    HBITMAP bitmap = NULL;
    HGDIOBJ previous = NULL;
    DWORD *bits = NULL;
    int width = 0;
    int height = 0;
    DibCanvas(int w, int h, COLORREF fill);
    ~DibCanvas();
    Pixels Read() const;
};

// Runs the item's PaintItem into a fresh canvas of its client size, prefilled with
// `fill`; rcPaint is `paint` or the whole client area.
Pixels RenderItem(HWND item, const RECT *paint = NULL, COLORREF fill = RGB(1, 2, 3));
// What a window shows on screen: its client area (or the whole screen for NULL).
Pixels CaptureWindow(HWND window);
// The pixels of a bitmap of any format, read through dc.
Pixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height);
// Writes a picture as a PNG file (the emulator's writer, host/tour/png_writer.h).
bool SavePng(const Pixels &picture, const std::wstring &path);
