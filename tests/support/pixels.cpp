#include "pixels.h"
#include <windows.h>
#include "host/tour/png_writer.h"
#include "today/item_state.h"
#include "today/paint.h"

COLORREF Pixels::At(int x, int y) const
{
    DWORD p = bits[(size_t)y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// The format of Pixels: 32 bits, rows from the top.
static BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

DibCanvas::DibCanvas(int w, int h, COLORREF fill) : width(w), height(h)
{
    BITMAPINFO info = TopDown32(w, h);
    HDC screen = GetDC(NULL);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    void *raw = NULL;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, NULL, 0);
    bits = (DWORD *)raw;
    previous = SelectObject(dc, bitmap);
    DWORD value = ((DWORD)GetRValue(fill) << 16) | ((DWORD)GetGValue(fill) << 8) | GetBValue(fill);
    for (int i = 0; i < w * h; i++)
        bits[i] = value;
}

DibCanvas::~DibCanvas()
{
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

Pixels DibCanvas::Read() const
{
    GdiFlush();
    Pixels out;
    out.width = width;
    out.height = height;
    out.bits.resize((size_t)width * height);
    for (size_t i = 0; i < out.bits.size(); i++)
        out.bits[i] = bits[i] & 0xFFFFFF;
    return out;
}

Pixels RenderItem(HWND item, const RECT *paint, COLORREF fill)
{
    RECT client;
    GetClientRect(item, &client);
    DibCanvas canvas(client.right, client.bottom, fill);
    PAINTSTRUCT ps = {};
    ps.hdc = canvas.dc;
    ps.rcPaint = paint ? *paint : client;
    PaintItem(item, canvas.dc, &ps, g_Item.BackgroundBitmap);
    return canvas.Read();
}

Pixels CaptureWindow(HWND window)
{
    RECT area;
    if (window)
        GetClientRect(window, &area);
    else
        SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    DibCanvas canvas(area.right, area.bottom, RGB(0, 0, 0));
    HDC source = GetDC(window);
    BitBlt(canvas.dc, 0, 0, area.right, area.bottom, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    return canvas.Read();
}

Pixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height)
{
    Pixels out;
    out.width = width;
    out.height = height;
    out.bits.resize((size_t)width * height);
    BITMAPINFO info = TopDown32(width, height);
    GetDIBits(dc, bitmap, 0, height, out.bits.data(), &info, DIB_RGB_COLORS);
    for (DWORD &pixel : out.bits)
        pixel &= 0xFFFFFF;
    return out;
}

bool SavePng(const Pixels &picture, const std::wstring &path)
{
    UINT stride = (UINT)picture.width * 3;
    std::vector<BYTE> rows((size_t)stride * picture.height);
    for (size_t i = 0; i < picture.bits.size(); i++) {
        rows[i * 3] = (BYTE)picture.bits[i];
        rows[i * 3 + 1] = (BYTE)(picture.bits[i] >> 8);
        rows[i * 3 + 2] = (BYTE)(picture.bits[i] >> 16);
    }
    return WritePng(path, picture.width, picture.height, rows.data(), stride, NULL);
}
