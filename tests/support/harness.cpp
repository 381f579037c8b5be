#include "harness.h"
#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <commctrl.h>
#include "store/store.h"
#include "today/item_state.h"
#include "today/initialize_item.h"
#include "wince_testing.h"

// Set-up that cannot be made leaves nothing to measure or test: say so and stop.
static void SetUpFailed(const char *what, const std::wstring &where)
{
    fprintf(stderr, "set-up failed: %s %ls\n", what, where.c_str());
    abort();
}

bool EnterDeviceRoot()
{
    return SetCurrentDirectoryW(L"T:\\")
        && GetFileAttributesW(L"T:\\.tapshelf-device") != INVALID_FILE_ATTRIBUTES;
}

bool RequireDeviceRoot(const char *makeTarget)
{
    if (EnterDeviceRoot())
        return true;
    fprintf(stderr, "The sandbox drive T: (with .tapshelf-device) is missing: run this program through "
                    "'make %s'.\n", makeTarget);
    return false;
}

void StartPluginProcess()
{
    WinceRequireControlRegistration();
    HandleLoadNotification(GetModuleHandleW(NULL), DLL_PROCESS_ATTACH);
}

void ResetRegistry()
{
    SHDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_KEY_PATH);
}

void WriteRawValue(const std::wstring &keyPath, const wchar_t *name, DWORD type, const void *data,
                   DWORD size)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL)
        != ERROR_SUCCESS)
        SetUpFailed("cannot create the key", keyPath);
    if (RegSetValueExW(key, name, 0, type, (const BYTE *)data, size) != ERROR_SUCCESS)
        SetUpFailed("cannot write a value of", keyPath);
    RegCloseKey(key);
}

void WriteEntryKey(const std::wstring &name, const std::wstring &file, const std::wstring &commandLine,
                   LONG index)
{
    std::wstring path = std::wstring(LIST_KEY_PATH) + L"\\" + name;
    WriteRawValue(path, VALUE_FILE_NAME, REG_SZ, file.c_str(), (DWORD)(file.size() + 1) * 2);
    WriteRawValue(path, VALUE_COMMAND_LINE, REG_SZ, commandLine.c_str(), (DWORD)(commandLine.size() + 1) * 2);
    WriteRawValue(path, VALUE_INDEX, REG_DWORD, &index, 4);
}

void WriteSettingNumber(const wchar_t *name, DWORD value)
{
    WriteRawValue(SETTINGS_KEY_PATH, name, REG_DWORD, &value, 4);
}

void WriteSettingString(const wchar_t *name, const std::wstring &value)
{
    WriteRawValue(SETTINGS_KEY_PATH, name, REG_SZ, value.c_str(), (DWORD)(value.size() + 1) * 2);
}

bool KeyExists(const std::wstring &path, HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

DWORD SubkeyCount(const std::wstring &path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD count = 0;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return count;
}

void WriteFileText(const std::wstring &path, const std::string &content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        SetUpFailed("cannot write the file", path);
    DWORD written;
    WriteFile(file, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(file);
}

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

