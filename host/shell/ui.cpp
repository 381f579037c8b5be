#include "host/shell/ui.h"

void FillSolid(HDC dc, const RECT &rect, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, NULL, 0, NULL);
}

void FillRows(HDC dc, const RECT &rect, const std::function<COLORREF(int y)> &colourOfRow)
{
    for (int y = rect.top; y < rect.bottom; y++) {
        RECT row = { rect.left, y, rect.right, y + 1 };
        FillSolid(dc, row, colourOfRow(y));
    }
}

void FillGradient(HDC dc, const RECT &rect, COLORREF top, COLORREF bottom)
{
    int height = rect.bottom - rect.top;
    FillRows(dc, rect, [&](int y) {
        int t = height > 1 ? (y - rect.top) * 255 / (height - 1) : 0;
        return RGB(GetRValue(top) + (GetRValue(bottom) - GetRValue(top)) * t / 255,
                   GetGValue(top) + (GetGValue(bottom) - GetGValue(top)) * t / 255,
                   GetBValue(top) + (GetBValue(bottom) - GetBValue(top)) * t / 255);
    });
}

HFONT CreateScreenFont(int pixelHeight, bool bold)
{
    return CreateFontW(-pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                       DEFAULT_QUALITY, 0, L"Tahoma");
}

// The painter's changes to the DC are undone before the buffer goes.
void PaintBuffered(HWND hwnd, void (*painter)(HWND, HDC, const RECT &))
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    int saved = SaveDC(memory);
    painter(hwnd, memory, paint.rcPaint);
    RestoreDC(memory, saved);
    const RECT &r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, r.left, r.top, SRCCOPY);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(hwnd, &paint);
}

LRESULT ScreenWindowDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                            void (*painter)(HWND, HDC, const RECT &))
{
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintBuffered(hwnd, painter);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterScreenClass(HINSTANCE instance, const wchar_t *name, WNDPROC procedure, HBRUSH background)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}
