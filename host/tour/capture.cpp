// Screenshots of the whole device screen as PNG files (png_writer).
#include "host/tour/capture.h"
#include <windows.h>
#include "host/device/log.h"
#include "host/device/paths.h"
#include "host/tour/png_writer.h"

std::wstring g_outDir;

bool SaveScreenPng(const std::wstring &path, std::wstring *error)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2)
        CreateFolderTree(path.substr(0, slash));

    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down rows, as the encoder takes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool saved = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        UINT stride = ((UINT)width * 3 + 3) & ~3u;
        saved = WritePng(path, width, height, (const BYTE *)bits, stride, error);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    } else if (error) {
        *error = L"no bitmap for the screenshot";
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return saved;
}

std::wstring SaveNumberedScreenshot()
{
    CreateFolderTree(g_outDir);
    for (int number = 1; number < 1000; number++) {
        wchar_t name[32];
        wsprintfW(name, L"shot-%03d.png", number);
        std::wstring path = JoinPath(g_outDir, name);
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        std::wstring error;
        if (SaveScreenPng(path, &error)) {
            HostLog(L"screenshot %ls", path.c_str());
            return path;
        }
        HostError(L"screenshot %ls: %ls", path.c_str(), error.c_str());
        return L"";
    }
    return L"";
}
