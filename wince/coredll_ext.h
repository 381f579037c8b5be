// SHLoadDIBitmap, which the device's core library exports and its shellapi.h declares, and
// desktop Win32 lacks. TransparentImage, the other such function the product calls, is
// declared by platform/device_sdk.h for both builds.
#pragma once
#include <windows.h>
#include "platform/device_sdk.h"

#ifdef __cplusplus
extern "C" {
#endif

// Loads a .bmp file; 0 on any failure.
HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR szFileName);

#ifdef __cplusplus
}
#endif
