// Functions the device's core library exports and declares in its own headers,
// which desktop Win32 does not have. A device build takes them from the SDK.
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Loads a .bmp file; 0 on any failure.
HBITMAP WINAPI SHLoadDIBitmap(LPCWSTR szFileName);

// Copies (and stretches) a block, leaving out the pixels of the transparent colour.
// hSrc is a device context or a bitmap.
BOOL WINAPI TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy,
                             HANDLE hSrc, LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy,
                             COLORREF TransparentColor);

#ifdef __cplusplus
}
#endif
