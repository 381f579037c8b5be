#include "host/tour/png_writer.h"
#include <wincodec.h>

template <class T> static void Release(T *&object)
{
    if (object)
        object->Release();
    object = NULL;
}

// The imaging component's class and interface ids are the SDK's (libuuid, windowscodecs).
// COM is started for the call, and a thread that has it already keeps it as it is.
bool WritePng(const std::wstring &path, int width, int height, const BYTE *rows, UINT stride, std::wstring *error)
{
    HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
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
    // The encoder by its class first: Wine's component enumeration may not list it.
    if (SUCCEEDED(hr)) {
        stage = L"encoder";
        if (FAILED(CoCreateInstance(CLSID_WICPngEncoder, NULL, CLSCTX_INPROC_SERVER, IID_IWICBitmapEncoder,
                                    (void **)&encoder)))
            hr = factory->CreateEncoder(GUID_ContainerFormatPng, NULL, &encoder);
    }
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) { stage = L"frame"; hr = encoder->CreateNewFrame(&frame, &properties); }
    if (SUCCEEDED(hr)) hr = frame->Initialize(properties);
    if (SUCCEEDED(hr)) hr = frame->SetSize((UINT)width, (UINT)height);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) { stage = L"pixel format"; hr = frame->SetPixelFormat(&format); }
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        hr = E_FAIL;
    if (SUCCEEDED(hr)) { stage = L"pixels"; hr = frame->WritePixels((UINT)height, stride, stride * (UINT)height, (BYTE *)rows); }
    if (SUCCEEDED(hr)) { stage = L"commit"; hr = frame->Commit(); }
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    Release(properties);
    Release(frame);
    Release(encoder);
    Release(stream);
    Release(factory);
    if (SUCCEEDED(com))
        CoUninitialize();
    if (FAILED(hr) && error) {
        wchar_t text[128];
        wsprintfW(text, L"PNG encoding failed at the %s (0x%08lX)", stage, (unsigned long)hr);
        *error = text;
    }
    return SUCCEEDED(hr);
}
