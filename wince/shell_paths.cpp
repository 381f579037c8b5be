// Device paths have no drive letter: "\Windows" is a folder at the root of the one file
// system. Wine's shell answers SHGetFileInfo and ShellExecuteEx only for full paths, so
// this build resolves a device path against the current drive (the device's root) before
// handing it to the shell. The product calls both through their import slots; this
// library fills those slots.
#include <windows.h>
#include <shellapi.h>

// "\Windows\x" becomes "T:\Windows\x"; names without a leading "\" and UNC paths stay.
static LPCWSTR DevicePathToFull(LPCWSTR path, WCHAR *full)
{
    if (!path || path[0] != L'\\' || path[1] == L'\\')
        return path;
    DWORD length = GetFullPathNameW(path, MAX_PATH, full, NULL);
    return length > 0 && length < MAX_PATH ? full : path;
}

static FARPROC ShellFunction(const char *name)
{
    return GetProcAddress(LoadLibraryW(L"shell32.dll"), name);
}

typedef DWORD_PTR (WINAPI *GetFileInfoFunction)(LPCWSTR, DWORD, SHFILEINFOW *, UINT, UINT);

static DWORD_PTR WINAPI DeviceSHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW *info,
                                             UINT infoSize, UINT flags)
{
    static GetFileInfoFunction shell = (GetFileInfoFunction)ShellFunction("SHGetFileInfoW");
    if (!shell)
        return 0;
    WCHAR full[MAX_PATH];
    if (!(flags & SHGFI_PIDL))
        path = DevicePathToFull(path, full);
    return shell(path, attributes, info, infoSize, flags);
}

typedef BOOL (WINAPI *ExecuteFunction)(SHELLEXECUTEINFOW *);

static BOOL WINAPI DeviceShellExecuteExW(SHELLEXECUTEINFOW *info)
{
    static ExecuteFunction shell = (ExecuteFunction)ShellFunction("ShellExecuteExW");
    if (!shell)
        return FALSE;
    if (!info)
        return shell(info);
    SHELLEXECUTEINFOW resolved = *info;
    WCHAR file[MAX_PATH], directory[MAX_PATH];
    resolved.lpFile = DevicePathToFull(info->lpFile, file);
    resolved.lpDirectory = DevicePathToFull(info->lpDirectory, directory);
    BOOL ok = shell(&resolved);
    info->hInstApp = resolved.hInstApp;
    info->hProcess = resolved.hProcess;
    return ok;
}

extern "C" {
void *DeviceSHGetFileInfoSlot __asm__("__imp__SHGetFileInfoW@20") = (void *)DeviceSHGetFileInfoW;
void *DeviceShellExecuteExSlot __asm__("__imp__ShellExecuteExW@4") = (void *)DeviceShellExecuteExW;
}
