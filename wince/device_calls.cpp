// The device's behaviour for the calls that wince/device_calls.h sends here. This file is
// compiled without that header, so the calls below reach the desktop's own functions.
#include <windows.h>
#include <shellapi.h>
#include <string.h>
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

// ---- Device shortcuts
//
// A shortcut of the device is a small text file, "N#command". N is the number of characters
// after the "#" as the shortcut's maker counted them; hand-made shortcuts often carry a wrong
// count and the device follows them all the same, so the digits are a mark and no more. The
// command is the target, quoted when it holds spaces, then the target's arguments. Only the
// first line counts; blanks around the target and at the end of the line are dropped.
// A file larger than SHORTCUT_MAX_BYTES (room for a quoted target of MAX_PATH and its
// arguments), one holding control characters other than tabs and line ends (a binary file,
// a desktop shortcut among them), or one without the digits, the "#" or a target, is no
// shortcut: no program opens it, and its start fails as that of a file of an unknown type.
enum { SHORTCUT_MAX_BYTES = 1024, SHORTCUT_MAX_CHAIN = 8 };

static BOOL IsBlank(WCHAR c) { return c == L' ' || c == L'\t'; }

// A ".lnk" that is no folder; a missing one too, whose start fails as a missing file's.
static BOOL IsShortcut(LPCWSTR path)
{
    if (!HasExtension(path, L".lnk"))
        return FALSE;
    DWORD attributes = GetFileAttributesW(path);
    return attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Reads the shortcut at path (a desktop path): ERROR_SUCCESS with its target (a device path
// as written, MAX_PATH characters) and its arguments (SHORTCUT_MAX_BYTES + 1 characters);
// the file system's error when the file cannot be read; ERROR_NO_ASSOCIATION when it is no
// shortcut.
static DWORD ReadShortcut(LPCWSTR path, WCHAR *target, WCHAR *arguments)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    char bytes[SHORTCUT_MAX_BYTES + 1];
    DWORD count = 0;
    LARGE_INTEGER size;
    BOOL small = GetFileSizeEx(file, &size) && size.QuadPart <= SHORTCUT_MAX_BYTES;
    BOOL read = small && ReadFile(file, bytes, sizeof(bytes), &count, NULL);
    DWORD error = GetLastError();
    CloseHandle(file);
    if (small && !read)
        return error;
    if (!small || count > SHORTCUT_MAX_BYTES)
        return ERROR_NO_ASSOCIATION;
    for (DWORD i = 0; i < count; i++) {
        unsigned char c = (unsigned char)bytes[i];
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F)
            return ERROR_NO_ASSOCIATION;
    }

    DWORD at = 0;
    while (at < count && bytes[at] >= '0' && bytes[at] <= '9')
        at++;
    if (at == 0 || at == count || bytes[at] != '#')
        return ERROR_NO_ASSOCIATION;
    DWORD end = ++at;
    while (end < count && bytes[end] != '\r' && bytes[end] != '\n')
        end++;
    WCHAR line[SHORTCUT_MAX_BYTES + 1];
    int length = end > at ? MultiByteToWideChar(CP_ACP, 0, bytes + at, (int)(end - at), line, SHORTCUT_MAX_BYTES) : 0;
    while (length > 0 && IsBlank(line[length - 1]))
        length--;
    line[length] = 0;

    const WCHAR *first = line, *last, *rest;
    while (IsBlank(*first))
        first++;
    if (*first == L'"') {
        last = wcschr(++first, L'"');
        if (!last)
            return ERROR_NO_ASSOCIATION;
        rest = last + 1;
    } else {
        for (last = first; *last && !IsBlank(*last); last++)
            ;
        rest = last;
    }
    size_t targetLength = last - first;
    if (targetLength == 0 || targetLength >= MAX_PATH)
        return ERROR_NO_ASSOCIATION;
    memcpy(target, first, targetLength * sizeof(WCHAR));
    target[targetLength] = 0;
    while (IsBlank(*rest))
        rest++;
    lstrcpyW(arguments, rest);
    return ERROR_SUCCESS;
}

// Puts a shortcut's own arguments ahead of those gathered so far, a space between.
static void PrependArguments(WCHAR *arguments, LPCWSTR own)
{
    size_t ownLength = wcslen(own);
    if (ownLength == 0)
        return;
    size_t length = wcslen(arguments);
    if (length > 0) {
        memmove(arguments + ownLength + 1, arguments, (length + 1) * sizeof(WCHAR));
        arguments[ownLength] = L' ';
    } else {
        arguments[ownLength] = 0;
    }
    memcpy(arguments, own, ownLength * sizeof(WCHAR));
}

// Follows a shortcut (a device or desktop path) to its target, and on through every target
// that is a shortcut again, to the first that is none: target (a device path, MAX_PATH
// characters) and, unless NULL, arguments, which come in as the caller's and go out with
// each shortcut's own ahead of those of the shortcut or caller that named it; they need
// ARGUMENTS_ROOM more characters than the caller's. A chain longer than SHORTCUT_MAX_CHAIN
// (shortcuts naming each other) reaches no target: it fails as a missing target does.
enum { ARGUMENTS_ROOM = SHORTCUT_MAX_CHAIN * (SHORTCUT_MAX_BYTES + 1) + 1 };
static DWORD FollowShortcuts(LPCWSTR shortcut, WCHAR *target, WCHAR *arguments)
{
    WCHAR full[MAX_PATH], next[MAX_PATH], own[SHORTCUT_MAX_BYTES + 1];
    LPCWSTR path = DevicePathToFull(shortcut, full);
    for (int followed = 0; followed < SHORTCUT_MAX_CHAIN; followed++) {
        DWORD error = ReadShortcut(path, target, own);
        if (error != ERROR_SUCCESS)
            return error;
        if (arguments)
            PrependArguments(arguments, own);
        lstrcpyW(next, DevicePathToFull(target, full));
        path = next;
        if (!IsShortcut(path))
            return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

// A shortcut is looked up as its target, so that it shows the icon and type of what it
// starts (the file chooser's Type column names the target's type); one that leads to no
// existing target fails, as the lookup of a missing file does. A lookup by attributes alone
// touches no file and stays the desktop's.
DWORD_PTR WINAPI DeviceCall_SHGetFileInfoW(LPCWSTR path, DWORD attributes, SHFILEINFOW *info,
                                           UINT infoSize, UINT flags)
{
    if (g_failShellLookups)
        return 0;
    WCHAR full[MAX_PATH], target[MAX_PATH];
    if (!(flags & SHGFI_PIDL) && path) {
        path = DevicePathToFull(path, full);
        if (!(flags & SHGFI_USEFILEATTRIBUTES) && IsShortcut(path)) {
            if (FollowShortcuts(path, target, NULL) != ERROR_SUCCESS)
                return 0;
            path = DevicePathToFull(target, full);
            if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
                return 0;
        }
    }
    return SHGetFileInfoW(path, attributes, info, infoSize, flags);
}

// ---- Starting files

// What Wine's shell shows when a start fails (its ShellExecuteExW without
// SEE_MASK_FLAG_NO_UI): an error box with the default caption, owned by the caller's window,
// saying shell32's own sentence (string 165 of its resources) for a type no program opens,
// and otherwise the system's text of the error, which may name the file.
static void ShowStartFailure(HWND owner, DWORD error, LPCWSTR file)
{
    WCHAR text[2048];
    text[0] = 0;
    if (error == ERROR_NO_ASSOCIATION) {
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        if (!shell || !LoadStringW(shell, 165, text, 2048))
            lstrcpyW(text, L"There is no Windows program configured to open this type of file.");
    } else {
        DWORD_PTR inserts[3] = { (DWORD_PTR)file, 0, 0 };
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, NULL, error, LANG_USER_DEFAULT,
                       text, 2048, (va_list *)inserts);
    }
    MessageBoxW(owner, text, NULL, MB_ICONERROR);
}

// A start that failed: the shell's code and the error, and the shell's notice unless the
// caller asked for none.
static BOOL Failed(SHELLEXECUTEINFOW *info, DWORD error)
{
    info->hInstApp = (HINSTANCE)(INT_PTR)(error == ERROR_NO_ASSOCIATION ? SE_ERR_NOASSOC : SE_ERR_FNF);
    if (!(info->fMask & SEE_MASK_FLAG_NO_UI))
        ShowStartFailure(info->hwnd, error, info->lpFile);
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

    // The type's name, ended here whether or not the registry ended it, and the key of its
    // verb's command: a name or verb too long for the key fails the lookup.
    LPCWSTR extension = ExtensionOf(file);
    LPCWSTR verb = info->lpVerb && info->lpVerb[0] ? info->lpVerb : L"open";
    WCHAR type[MAX_PATH], command[MAX_PATH * 2];
    LONG size = sizeof(type) - sizeof(WCHAR);
    if (!extension || RegQueryValueW(HKEY_CLASSES_ROOT, extension, type, &size) != ERROR_SUCCESS)
        return FALSE;
    type[size / sizeof(WCHAR)] = 0;
    HKEY key;
    WCHAR keyPath[MAX_PATH + 32];
    if (lstrlenW(type) + lstrlenW(verb) + 16 > MAX_PATH + 32)
        return FALSE;
    wsprintfW(keyPath, L"%s\\shell\\%s\\command", type, verb);
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
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

// Starts a file that is no shortcut. The device has no environment variables and no command
// interpreter. Wine's shell expands %NAME% in the file it is given, and starts batch files
// through cmd.exe, where the parameters can start other programs. So batch files do not
// start (no program opens them), and a file whose name holds a "%" is started here, by its
// literal name, never by the desktop's shell. Every other start is the desktop shell's,
// which shows its own notice when it fails.
static BOOL StartFile(SHELLEXECUTEINFOW *info)
{
    SHELLEXECUTEINFOW resolved = *info;
    WCHAR file[MAX_PATH], directory[MAX_PATH];
    resolved.lpFile = DevicePathToFull(info->lpFile, file);
    resolved.lpDirectory = DevicePathToFull(info->lpDirectory, directory);
    BOOL batch = HasExtension(resolved.lpFile, L".bat") || HasExtension(resolved.lpFile, L".cmd");
    BOOL ok;
    if (batch || wcschr(resolved.lpFile, L'%')) {
        DWORD attributes = GetFileAttributesW(resolved.lpFile);
        DWORD missing = GetLastError();
        WCHAR *line = NULL;
        if (attributes == INVALID_FILE_ATTRIBUTES)
            ok = Failed(&resolved, missing != ERROR_SUCCESS ? missing : ERROR_FILE_NOT_FOUND);
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = Failed(&resolved, ERROR_FILE_NOT_FOUND);
        else if (batch || !(line = (WCHAR *)LocalAlloc(LMEM_FIXED, MAX_COMMAND * sizeof(WCHAR)))
                 || !CommandFor(&resolved, resolved.lpFile, line))
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

// A shortcut starts its target with the shortcut's arguments followed by the command line
// the caller gave (an entry's own): the shortcut says what to start and how, and an entry
// can add to that, a document to open for one, as it would to the program itself; an entry
// with no command line starts just what the shortcut starts. A folder opens in File
// Explorer with its path alone, as an entry's folder does.
static BOOL StartShortcut(SHELLEXECUTEINFOW *info)
{
    LPCWSTR given = info->lpParameters ? info->lpParameters : L"";
    WCHAR *arguments = (WCHAR *)LocalAlloc(LMEM_FIXED, (wcslen(given) + ARGUMENTS_ROOM) * sizeof(WCHAR));
    if (!arguments)
        return Failed(info, ERROR_NOT_ENOUGH_MEMORY);
    lstrcpyW(arguments, given);
    WCHAR target[MAX_PATH], full[MAX_PATH];
    DWORD error = FollowShortcuts(info->lpFile, target, arguments);
    BOOL ok;
    if (error != ERROR_SUCCESS) {
        ok = Failed(info, error);
    } else {
        SHELLEXECUTEINFOW start = *info;
        DWORD attributes = GetFileAttributesW(DevicePathToFull(target, full));
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            start.lpFile = SHELL_FILE_EXPLORER;
            start.lpParameters = target;
        } else {
            start.lpFile = target;
            start.lpParameters = arguments[0] ? arguments : NULL;
        }
        ok = StartFile(&start);
        info->hInstApp = start.hInstApp;
        info->hProcess = start.hProcess;
    }
    error = GetLastError();
    LocalFree(arguments);
    SetLastError(error);
    return ok;
}

// Every start that fails shows the shell's notice, unless the caller asked for none
// (SEE_MASK_FLAG_NO_UI), and leaves the shell's code in hInstApp and the error.
BOOL WINAPI DeviceCall_ShellExecuteExW(SHELLEXECUTEINFOW *info)
{
    if (!info || (info->fMask & SEE_MASK_IDLIST) || !info->lpFile)
        return ShellExecuteExW(info);
    WCHAR full[MAX_PATH];
    return IsShortcut(DevicePathToFull(info->lpFile, full)) ? StartShortcut(info) : StartFile(info);
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

// A number in a dialog's box, read as the device reads it: spaces, then a "-" where the
// number is signed, then decimal digits up to the end of the text or the first other
// character. No digit at all, or a number beyond what 32 bits hold for its kind, reads as 0
// and not translated. (Wine reads through the C runtime's strtoul and errno, which keeps an
// earlier overflow: after a box holding "99999999999", a box holding "4294967295" reads as 0.)
UINT WINAPI DeviceCall_GetDlgItemInt(HWND dialog, int id, BOOL *translated, BOOL isSigned)
{
    if (translated)
        *translated = FALSE;
    HWND box = GetDlgItem(dialog, id);
    if (!box)
        return 0;
    WCHAR small[64];
    WCHAR *text = small;
    LRESULT length = SendMessageW(box, WM_GETTEXTLENGTH, 0, 0);
    if (length >= 64 && !(text = (WCHAR *)LocalAlloc(LMEM_FIXED, (length + 1) * sizeof(WCHAR))))
        return 0;
    text[0] = 0;
    SendMessageW(box, WM_GETTEXT, text == small ? 64 : length + 1, (LPARAM)text);

    const WCHAR *p = text;
    while (*p == L' ')
        p++;
    BOOL negative = isSigned && *p == L'-';
    if (negative)
        p++;
    ULONGLONG limit = !isSigned ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull;
    ULONGLONG value = 0;
    const WCHAR *digits = p;
    while (*p >= L'0' && *p <= L'9' && value <= limit)
        value = value * 10 + (ULONGLONG)(*p++ - L'0');
    BOOL ok = p > digits && value <= limit;
    if (text != small)
        LocalFree(text);
    if (!ok)
        return 0;
    if (translated)
        *translated = TRUE;
    return negative ? 0u - (UINT)value : (UINT)value;
}

// An icon group as a module's resources hold it: a header and one entry per image.
#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroupHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

// TRUE when the module's icon group holds an image exactly size pixels wide (a width of 0
// in the group stands for 256).
static BOOL GroupHasImageOfWidth(HINSTANCE module, LPCWSTR name, int size)
{
    HRSRC found = FindResourceW(module, name, (LPCWSTR)RT_GROUP_ICON);
    if (!found)
        return FALSE;
    DWORD length = SizeofResource(module, found);
    const BYTE *group = (const BYTE *)LoadResource(module, found);
    if (!group || length < sizeof(IconGroupHeader))
        return FALSE;
    IconGroupHeader header;
    memcpy(&header, group, sizeof(header));
    for (WORD i = 0; i < header.count; i++) {
        DWORD at = sizeof(IconGroupHeader) + i * sizeof(IconGroupEntry);
        if (at + sizeof(IconGroupEntry) > length)
            break;
        IconGroupEntry entry;
        memcpy(&entry, group + at, sizeof(entry));
        if ((entry.width ? entry.width : 256) == size)
            return TRUE;
    }
    return FALSE;
}

HICON WINAPI DeviceCall_LoadIconW(HINSTANCE module, LPCWSTR name)
{
    if (module && !GroupHasImageOfWidth(module, name, GetSystemMetrics(SM_CXICON))) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return NULL;
    }
    return LoadIconW(module, name);
}

}
