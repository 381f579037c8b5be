// The device's platform as the product's sources see it on the desktop: the device
// functions the desktop's headers do not declare (coredll_ext.h), and, where desktop Win32
// behaves unlike the device, the product's calls of these functions sent to stand-ins that
// behave as the device does. The desktop build puts this header ahead of every product
// source file (the compiler's -include); the emulator, its File Explorer and the tests are
// compiled without it and keep the desktop's own behaviour. The device build has no such
// header: its calls reach the platform itself.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include "coredll_ext.h"

#ifdef __cplusplus
extern "C" {
#endif

// Device paths have no drive letter: "\Windows\x" is resolved against the current drive,
// which stands for the device's one file system. A device shortcut (".lnk", a text file
// "N#command") is looked up as its target, and starting it starts the target. A failed
// start shows the shell's notice unless the caller asked for none (SEE_MASK_FLAG_NO_UI).
DWORD_PTR WINAPI DeviceCall_SHGetFileInfoW(LPCWSTR pszPath, DWORD dwFileAttributes,
                                           SHFILEINFOW *psfi, UINT cbFileInfo, UINT uFlags);
BOOL WINAPI DeviceCall_ShellExecuteExW(SHELLEXECUTEINFOW *pExecInfo);

// Stretching takes the nearest source pixel.
BOOL WINAPI DeviceCall_StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest,
                                  HDC hdcSrc, int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop);

// Folder listings carry no "." and ".." entries.
HANDLE WINAPI DeviceCall_FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
BOOL WINAPI DeviceCall_FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);

// Deleting a key deletes its subkeys with it.
LONG WINAPI DeviceCall_RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);

// A number in a dialog's box: digits (a "-" first where signed), and one beyond 32 bits
// reads as 0 and not translated, whatever an earlier call read.
UINT WINAPI DeviceCall_GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL *lpTranslated, BOOL bSigned);

// Common controls' classes exist in a process only once it has asked for them here; a
// structure whose size is not the structure's is refused.
BOOL WINAPI DeviceCall_InitCommonControlsEx(const INITCOMMONCONTROLSEX *lpInitCtrls);
// A module's icon comes only at the system's icon size (SM_CXICON): an icon without an image
// of exactly that width gives NULL. The system's own icons (no module) are as the desktop's.
HICON WINAPI DeviceCall_LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);

#ifdef __cplusplus
}
#endif

#undef SHGetFileInfo
#undef ShellExecuteEx
#undef FindFirstFile
#undef FindNextFile
#undef RegDeleteKey
#define SHGetFileInfoW  DeviceCall_SHGetFileInfoW
#define SHGetFileInfo   DeviceCall_SHGetFileInfoW
#define ShellExecuteExW DeviceCall_ShellExecuteExW
#define ShellExecuteEx  DeviceCall_ShellExecuteExW
#define StretchBlt      DeviceCall_StretchBlt
#define FindFirstFileW  DeviceCall_FindFirstFileW
#define FindFirstFile   DeviceCall_FindFirstFileW
#define FindNextFileW   DeviceCall_FindNextFileW
#define FindNextFile    DeviceCall_FindNextFileW
#define RegDeleteKeyW   DeviceCall_RegDeleteKeyW
#define RegDeleteKey    DeviceCall_RegDeleteKeyW
#define GetDlgItemInt   DeviceCall_GetDlgItemInt
#define InitCommonControlsEx DeviceCall_InitCommonControlsEx
#undef LoadIcon
#define LoadIconW       DeviceCall_LoadIconW
#define LoadIcon        DeviceCall_LoadIconW
