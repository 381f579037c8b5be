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

// The extension of the last component, from its last "."; NULL when it has none.
static LPCWSTR ExtensionOf(LPCWSTR file)
{
    LPCWSTR dot = NULL;
    for (LPCWSTR p = file; *p; p++)
        if (*p == L'.')
            dot = p;
        else if (*p == L'\\')
            dot = NULL;
    return dot;
}

static BOOL HasExtension(LPCWSTR file, LPCWSTR extension)
{
    LPCWSTR dot = ExtensionOf(file);
    return dot && lstrcmpiW(dot, extension) == 0;
}

static BOOL Failed(SHELLEXECUTEINFOW *info, DWORD error)
{
    info->hInstApp = (HINSTANCE)(INT_PTR)(error == ERROR_NO_ASSOCIATION ? SE_ERR_NOASSOC : SE_ERR_FNF);
    SetLastError(error);
    return FALSE;
}

// Starts a command line as a process, as the shell would have, filling in what the
// caller asked to get back.
static BOOL StartProcess(SHELLEXECUTEINFOW *info, WCHAR *commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = (WORD)info->nShow;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, info->lpDirectory, &startup, &process))
        return Failed(info, GetLastError());
    CloseHandle(process.hThread);
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
        info->hProcess = process.hProcess;
    else
        CloseHandle(process.hProcess);
    info->hInstApp = (HINSTANCE)(INT_PTR)33;
    return TRUE;
}

// Appends text to a command line of MAX_COMMAND code units; FALSE when it does not fit.
enum { MAX_COMMAND = 32768 };
static BOOL Append(WCHAR *line, size_t *length, LPCWSTR text, size_t count)
{
    if (*length + count >= MAX_COMMAND)
        return FALSE;
    memcpy(line + *length, text, count * sizeof(WCHAR));
    *length += count;
    line[*length] = 0;
    return TRUE;
}

// The command that starts a file: a program itself, a document through the command its
// type names ("%1" the document, "%*" the parameters).
static BOOL CommandFor(SHELLEXECUTEINFOW *info, LPCWSTR file, WCHAR *line)
{
    LPCWSTR parameters = info->lpParameters ? info->lpParameters : L"";
    size_t length = 0;
    line[0] = 0;
    if (HasExtension(file, L".exe"))
        return Append(line, &length, L"\"", 1) && Append(line, &length, file, wcslen(file))
            && Append(line, &length, L"\" ", 2) && Append(line, &length, parameters, wcslen(parameters));

    LPCWSTR extension = ExtensionOf(file);
    WCHAR type[MAX_PATH], command[MAX_PATH * 2];
    LONG size = sizeof(type);
    if (!extension || RegQueryValueW(HKEY_CLASSES_ROOT, extension, type, &size) != ERROR_SUCCESS)
        return FALSE;
    HKEY key;
    WCHAR keyPath[MAX_PATH + 32];
    wsprintfW(keyPath, L"%s\\shell\\%s\\command", type, info->lpVerb ? info->lpVerb : L"open");
    if (lstrlenW(type) >= MAX_PATH || RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    DWORD bytes = sizeof(command) - sizeof(WCHAR);
    LONG read = RegQueryValueExW(key, NULL, NULL, NULL, (BYTE *)command, &bytes);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS)
        return FALSE;
    command[bytes / sizeof(WCHAR)] = 0;
    for (LPCWSTR p = command; *p; p++) {
        BOOL ok;
        if (p[0] == L'%' && (p[1] == L'1' || p[1] == L'L' || p[1] == L'l'))
            ok = Append(line, &length, file, wcslen(file)), p++;
        else if (p[0] == L'%' && p[1] == L'*')
            ok = Append(line, &length, parameters, wcslen(parameters)), p++;
        else
            ok = Append(line, &length, p, 1);
        if (!ok)
            return FALSE;
    }
    return TRUE;
}

// The device has no environment variables and no command interpreter. Wine's shell
// expands %NAME% in the file it is given, and starts batch files through cmd.exe, where
// the parameters can start other programs. So batch files do not start, and a file whose
// name holds a "%" is started here, by its literal name, never by the desktop's shell.
BOOL WINAPI DeviceCall_ShellExecuteExW(SHELLEXECUTEINFOW *info)
{
    if (!info || (info->fMask & SEE_MASK_IDLIST) || !info->lpFile)
        return ShellExecuteExW(info);
    SHELLEXECUTEINFOW resolved = *info;
    WCHAR file[MAX_PATH], directory[MAX_PATH];
    resolved.lpFile = DevicePathToFull(info->lpFile, file);
    resolved.lpDirectory = DevicePathToFull(info->lpDirectory, directory);
    BOOL ok;
    if (HasExtension(resolved.lpFile, L".bat") || HasExtension(resolved.lpFile, L".cmd")) {
        ok = Failed(&resolved, ERROR_NO_ASSOCIATION);
    } else if (wcschr(resolved.lpFile, L'%')) {
        DWORD attributes = GetFileAttributesW(resolved.lpFile);
        WCHAR *line = (WCHAR *)LocalAlloc(LMEM_FIXED, MAX_COMMAND * sizeof(WCHAR));
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            ok = Failed(&resolved, ERROR_FILE_NOT_FOUND);
        else if (!line || !CommandFor(&resolved, resolved.lpFile, line))
            ok = Failed(&resolved, ERROR_NO_ASSOCIATION);
        else
            ok = StartProcess(&resolved, line);
        if (line)
            LocalFree(line);
    } else {
        ok = ShellExecuteExW(&resolved);
    }
    DWORD error = GetLastError();
    info->hInstApp = resolved.hInstApp;
    info->hProcess = resolved.hProcess;
    SetLastError(error);
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
