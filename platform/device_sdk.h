// Declarations of the Pocket PC SDK (Windows Mobile 5) that the device cross tool chain's
// older headers lack. Both builds include this after <windows.h>: the device build needs it,
// and on the desktop it declares the same as the stand-ins do.
#pragma once
#include <windows.h>

// aygshell.h, SHInitDialog: a vertical scroll bar when the dialog does not fit its area.
#ifndef SHIDIF_WANTSCROLLBAR
#define SHIDIF_WANTSCROLLBAR 0x0040
#endif

// aygshell.h, SHRecognizeGesture: answer the gesture instead of notifying, without the
// animated circle; the answer for a tap-and-hold.
#ifndef SHRG_RETURNCMD
#define SHRG_RETURNCMD 0x00000001
#endif
#ifndef SHRG_NOANIMATION
#define SHRG_NOANIMATION 0x00000010
#endif
#ifndef GN_CONTEXTMENU
#define GN_CONTEXTMENU 1000
#endif

#ifdef __cplusplus
extern "C" {
#endif

// wingdi.h: copies (and stretches) a block, leaving out the pixels of the transparent
// colour. hSrc is a device context or a bitmap.
BOOL WINAPI TransparentImage(HDC hdcDest, LONG DstX, LONG DstY, LONG DstCx, LONG DstCy,
                             HANDLE hSrc, LONG SrcX, LONG SrcY, LONG SrcCx, LONG SrcCy,
                             COLORREF TransparentColor);

// winuser.h: the device's coredll exports SendMessageTimeout under that name alone (its
// arguments carry no text); the tool chain's header names it SendMessageTimeoutW.
#ifdef _WIN32_WCE
#undef SendMessageTimeout
LRESULT WINAPI SendMessageTimeout(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                  UINT uTimeout, DWORD_PTR *lpdwResult);
#endif

// winnls.h: the language of the user interface (coredll has it since CE 4.0; the tool
// chain's header declares it for desktop versions from 5.0 on only).
WINBASEAPI LANGID WINAPI GetUserDefaultUILanguage(void);

#ifdef __cplusplus
}
#endif
