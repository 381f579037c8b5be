// The device's core library (COREDLL.dll) for the device DLL running on Wine for ARM. Most
// of its names are forwarded to Wine's libraries as they are (bridges.py writes the table);
// these are the ones where the device's function takes other data than Wine's. The rest of
// the device's behaviour (paths without a drive, shortcuts, folder listings without "." and
// "..", stretching, key deletion, numbers in boxes, TransparentImage, SHLoadDIBitmap) is
// wince/'s, compiled into this library: the same code the desktop build links in.
//
// Compiled with the CE tool chain against the desktop headers (mingw-w64's): this code calls
// Wine, and takes from the device DLL only what is declared here in the device's own layout.
#include <stddef.h>
#include <windows.h>
#include "wince/device_calls.h"

extern "C" {

// The device's WIN32_FIND_DATAW: 560 bytes, with the object store's id where the desktop
// has two reserved words, and no short name. The desktop's is 592 bytes, so Wine's own
// function would write 32 bytes past the caller's record.
struct DeviceFindData {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;
    WCHAR cFileName[MAX_PATH];
};
typedef char DeviceFindDataIs560Bytes[sizeof(DeviceFindData) == 560 ? 1 : -1];
typedef char SameUpToTheSize[offsetof(DeviceFindData, dwOID) == offsetof(WIN32_FIND_DATAW, dwReserved0) ? 1 : -1];

// The two records agree up to the file size.
static void ToDevice(const WIN32_FIND_DATAW *found, DeviceFindData *device)
{
    memcpy(device, found, offsetof(DeviceFindData, dwOID));
    device->dwOID = 0;
    memcpy(device->cFileName, found->cFileName, sizeof(device->cFileName));
}

HANDLE WINAPI Device_FindFirstFileW(LPCWSTR pattern, DeviceFindData *device)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);  // wince/'s: no "." and ".."
    if (search != INVALID_HANDLE_VALUE)
        ToDevice(&found, device);
    return search;
}

BOOL WINAPI Device_FindNextFileW(HANDLE search, DeviceFindData *device)
{
    WIN32_FIND_DATAW found;
    BOOL ok = FindNextFileW(search, &found);
    if (ok)
        ToDevice(&found, device);
    return ok;
}

// The device's colour indices carry a flag (0x40000000) that the desktop does not know.
enum { SYS_COLOR_INDEX_FLAG = 0x40000000 };

DWORD WINAPI Device_GetSysColor(int index)
{
    return GetSysColor(index & ~SYS_COLOR_INDEX_FLAG);
}

}
