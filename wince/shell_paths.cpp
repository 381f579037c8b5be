// Device paths have no drive letter: "\Windows" is a folder at the root of the one file
// system. Wine's shell answers SHGetFileInfo only for full paths, so this build resolves
// a device path against the current drive (the device's root) before asking the shell.
// The product calls SHGetFileInfoW through its import slot; this library fills that slot.
#include <windows.h>
#include <shellapi.h>

typedef DWORD_PTR (WINAPI *GetFileInfoFunction)(LPCWSTR, DWORD, SHFILEINFOW *, UINT, UINT);

static DWORD_PTR WINAPI DeviceSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW *info,
                                             UINT infoSize, UINT flags)
{
    static GetFileInfoFunction shell;
    if (!shell)
        shell = (GetFileInfoFunction)GetProcAddress(LoadLibraryW(L"shell32.dll"), "SHGetFileInfoW");
    if (!shell)
        return 0;
    WCHAR full[MAX_PATH];
    if (!(flags & SHGFI_PIDL) && path && path[0] == L'\\' && path[1] != L'\\'
        && GetFullPathNameW(path, MAX_PATH, full, NULL) > 0)
        path = full;
    return shell(path, attributes, info, infoSize, flags);
}

extern "C" {
void *DeviceSHGetFileInfoSlot __asm__("__imp__SHGetFileInfoW@20") = (void *)DeviceSHGetFileInfoW;
}
