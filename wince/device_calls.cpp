// The device's behaviour for the calls that wince/device_calls.h sends here. This file is
// compiled without that header, so the calls below reach the desktop's own functions.
#include <windows.h>
#include <shellapi.h>
#include "wince_testing.h"

extern "C" {

static BOOL g_failShellLookups;

void WinceFailShellLookups(BOOL fail) { g_failShellLookups = fail; }

// "\Windows\x" becomes "T:\Windows\x" when T: is the current drive; names without a
// leading "\" and UNC paths stay as they are.
static LPCWSTR DevicePathToFull(LPCWSTR path, WCHAR *full)
{
    if (!path || path[0] != L'\\' || path[1] == L'\\')
        return path;
    DWORD length = GetFullPathNameW(path, MAX_PATH, full, NULL);
    return length > 0 && length < MAX_PATH ? full : path;
}

DWORD_PTR WINAPI DeviceCall_SHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW *info,
                                           UINT infoSize, UINT flags)
{
    if (g_failShellLookups)
        return 0;
    WCHAR full[MAX_PATH];
    if (!(flags & SHGFI_PIDL))
        path = DevicePathToFull(path, full);
    return SHGetFileInfoW(path, attributes, info, infoSize, flags);
}

BOOL WINAPI DeviceCall_ShellExecuteExW(SHELLEXECUTEINFOW *info)
{
    if (!info)
        return ShellExecuteExW(info);
    SHELLEXECUTEINFOW resolved = *info;
    WCHAR file[MAX_PATH], directory[MAX_PATH];
    resolved.lpFile = DevicePathToFull(info->lpFile, file);
    resolved.lpDirectory = DevicePathToFull(info->lpDirectory, directory);
    BOOL ok = ShellExecuteExW(&resolved);
    info->hInstApp = resolved.hInstApp;
    info->hProcess = resolved.hProcess;
    return ok;
}

// Desktop GDI starts every device context in BLACKONWHITE mode, which ANDs the dropped
// pixels into their neighbours and darkens a shrunk picture; the device has no
// SetStretchBltMode to ask otherwise.
BOOL WINAPI DeviceCall_StretchBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int sx, int sy,
                                  int scx, int scy, DWORD rop)
{
    int oldMode = SetStretchBltMode(dest, COLORONCOLOR);
    BOOL ok = StretchBlt(dest, x, y, cx, cy, src, sx, sy, scx, scy, rop);
    if (oldMode)
        SetStretchBltMode(dest, oldMode);
    return ok;
}

static BOOL IsDotEntry(const WIN32_FIND_DATAW *data)
{
    const WCHAR *name = data->cFileName;
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

BOOL WINAPI DeviceCall_FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data)
{
    BOOL found;
    while ((found = FindNextFileW(search, data)) && IsDotEntry(data))
        ;
    return found;
}

HANDLE WINAPI DeviceCall_FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data)
{
    HANDLE search = FindFirstFileW(pattern, data);
    if (search == INVALID_HANDLE_VALUE || !IsDotEntry(data) || DeviceCall_FindNextFileW(search, data))
        return search;
    FindClose(search);
    SetLastError(ERROR_NO_MORE_FILES);
    return INVALID_HANDLE_VALUE;
}

static void DeleteSubkeys(HKEY key)
{
    WCHAR name[256];
    DWORD length = 256;
    // Always the first subkey: each deletion moves the next one to the front.
    while (RegEnumKeyExW(key, 0, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        HKEY child;
        if (RegOpenKeyExW(key, name, 0, KEY_ALL_ACCESS, &child) == ERROR_SUCCESS) {
            DeleteSubkeys(child);
            RegCloseKey(child);
        }
        if (RegDeleteKeyW(key, name) != ERROR_SUCCESS)
            return;
        length = 256;
    }
}

LONG WINAPI DeviceCall_RegDeleteKeyW(HKEY key, LPCWSTR subKey)
{
    HKEY doomed;
    if (subKey && subKey[0] && RegOpenKeyExW(key, subKey, 0, KEY_ALL_ACCESS, &doomed) == ERROR_SUCCESS) {
        DeleteSubkeys(doomed);
        RegCloseKey(doomed);
    }
    return RegDeleteKeyW(key, subKey);
}

}
