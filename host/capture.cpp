// Screenshots of the whole device screen, encoded as PNG by the platform's imaging
// component (WIC).
#include "capture.h"
#include <windows.h>
#include "log.h"
#include "paths.h"
#include <wincodec.h>

std::wstring g_outDir;

template <class T> static void Release(T *&object)
{
    if (object)
        object->Release();
    object = NULL;
}

static bool EncodePng(const std::wstring &path, int width, int height, const BYTE *bits, UINT stride,
                      std::wstring *error)
{
    IWICImagingFactory *factory = NULL;
    IWICStream *stream = NULL;
    IWICBitmapEncoder *encoder = NULL;
    IWICBitmapFrameEncode *frame = NULL;
    IPropertyBag2 *properties = NULL;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  (void **)&factory);
    const wchar_t *stage = L"imaging factory";
    if (SUCCEEDED(hr)) { stage = L"stream"; hr = factory->CreateStream(&stream); }
    if (SUCCEEDED(hr)) { stage = L"file"; hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE); }
    if (SUCCEEDED(hr)) { stage = L"encoder"; hr = factory->CreateEncoder(GUID_ContainerFormatPng, NULL, &encoder); }
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) { stage = L"frame"; hr = encoder->CreateNewFrame(&frame, &properties); }
    if (SUCCEEDED(hr)) hr = frame->Initialize(properties);
    if (SUCCEEDED(hr)) hr = frame->SetSize((UINT)width, (UINT)height);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) { stage = L"pixel format"; hr = frame->SetPixelFormat(&format); }
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        hr = E_FAIL;
    if (SUCCEEDED(hr)) { stage = L"pixels"; hr = frame->WritePixels((UINT)height, stride, stride * (UINT)height, (BYTE *)bits); }
    if (SUCCEEDED(hr)) { stage = L"commit"; hr = frame->Commit(); }
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    Release(properties);
    Release(frame);
    Release(encoder);
    Release(stream);
    Release(factory);
    if (FAILED(hr) && error) {
        wchar_t text[128];
        wsprintfW(text, L"PNG encoding failed at the %s (0x%08lX)", stage, (unsigned long)hr);
        *error = text;
    }
    return SUCCEEDED(hr);
}

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
        saved = EncodePng(path, width, height, (const BYTE *)bits, stride, error);
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
