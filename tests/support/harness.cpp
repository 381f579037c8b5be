#include "harness.h"
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>
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


bool SetScreenSize(int width, int height)
{
    if (GetSystemMetrics(SM_CXSCREEN) == width && GetSystemMetrics(SM_CYSCREEN) == height)
        return true;
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsExW(NULL, &mode, NULL, 0, NULL) != DISP_CHANGE_SUCCESSFUL)
        return false;
    PumpMessages(0);
    return GetSystemMetrics(SM_CXSCREEN) == width && GetSystemMetrics(SM_CYSCREEN) == height;
}


DeviceScreen CurrentScreen()
{
    HDC screen = GetDC(NULL);
    DeviceScreen shown = { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                           GetDeviceCaps(screen, LOGPIXELSX) };
    ReleaseDC(NULL, screen);
    return shown;
}

static const wchar_t kScreenRunMarker[] = L"TAPSHELF_SCREEN_RUN";

bool IsScreenRun()
{
    return GetEnvironmentVariableW(kScreenRunMarker, NULL, 0) != 0;
}

// Sets a registry value of the current user's, or with value NULL deletes it; answers the
// value it had (NULL when none) into *before.
static void SwapValue(const wchar_t *path, const wchar_t *name, DWORD type, const void *value, DWORD size,
                      std::vector<BYTE> *before, DWORD *beforeType)
{
    HKEY key = NULL;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    if (before) {
        DWORD length = 0;
        before->clear();
        if (RegQueryValueExW(key, name, NULL, beforeType, NULL, &length) == ERROR_SUCCESS) {
            before->resize(length + 1);
            RegQueryValueExW(key, name, NULL, beforeType, before->data(), &length);
            before->resize(length);
        } else {
            *beforeType = REG_NONE;
        }
    }
    if (value)
        RegSetValueExW(key, name, 0, type, (const BYTE *)value, size);
    else
        RegDeleteValueW(key, name);
    RegCloseKey(key);
}

bool PassesOnScreen(const DeviceScreen &screen)
{
    if (IsScreenRun()) {
        ADD_FAILURE() << "a screen run starts no other";
        return false;
    }
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    WCHAR program[MAX_PATH];
    GetModuleFileNameW(NULL, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\" --gtest_filter=" +
                           std::wstring(filter.begin(), filter.end());
    std::wstring size = std::to_wstring(screen.width) + L"x" + std::to_wstring(screen.height);
    std::wstring desktop = L"Tapshelf" + size;

    SwapValue(L"Software\\Wine\\Explorer\\Desktops", desktop.c_str(), REG_SZ, size.c_str(),
              (DWORD)((size.size() + 1) * sizeof(wchar_t)), NULL, NULL);
    std::vector<BYTE> density;
    DWORD densityType = REG_NONE;
    DWORD dpi = (DWORD)screen.dpi;
    SwapValue(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi, &density, &densityType);
    SetEnvironmentVariableW(kScreenRunMarker, size.c_str());

    STARTUPINFOW startup = { sizeof startup };
    startup.lpDesktop = &desktop[0];
    PROCESS_INFORMATION process = {};
    DWORD code = 1;
    BOOL started = CreateProcessW(NULL, &command[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    if (started) {
        if (WaitForSingleObject(process.hProcess, 45000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    SetEnvironmentVariableW(kScreenRunMarker, NULL);
    SwapValue(L"Control Panel\\Desktop", L"LogPixels", densityType,
              densityType == REG_NONE ? NULL : density.data(), (DWORD)density.size(), NULL, NULL);
    EXPECT_TRUE(started) << "the test program did not start again";
    return started && code == 0;
}
