// The setup DLL that the Pocket PC's installer runs from the CAB (its file 999). While the
// Today item is enabled, the Today screen keeps tapshelf.dll loaded, and the installer can
// neither replace nor delete it. So before an upgrade replaces the files, and before a
// removal deletes them, the item is switched off and the Today screen reloads its items,
// which frees the library; after an install or an upgrade the item is switched on and the
// Today screen reloads again, and the icons appear. No soft reset, no question asked.
//
// The owner's launch list and settings (HKEY_CURRENT_USER\Software\Tapshelf) are left as
// they are: they outlive an upgrade and a removal alike. The options' Uninstall button is
// the way to wipe them.
#include <windows.h>
#include "platform/device_sdk.h"
#include "platform/shell_windows.h"
#include "store/config.h"

// How long the Today screen may take to reload before the installer goes on regardless.
#define RELOAD_TIMEOUT_MS 5000
#define VALUE_ENABLED L"Enabled"

// What the four entries answer: go on (Install_Init, Uninstall_Init) and done
// (Install_Exit, Uninstall_Exit). Their other answers, cancel and uninstall, are never given.
#define SETUP_CONTINUE 0
#define SETUP_DONE 0

// Switches the registered item on or off; nothing when it is not registered.
static void SetItemEnabled(DWORD enabled)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY_PATH, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, VALUE_ENABLED, 0, REG_DWORD, (const BYTE *)&enabled, sizeof(enabled));
    RegCloseKey(key);
}

// Has the Today screen, where it runs, reload its items. The screen is found by its class
// alone: its title is no part of the contract.
static void ReloadTodayItems()
{
    HWND today = FindWindowW(SHELL_TODAY_CLASS, NULL);
    if (!today)
        return;
    DWORD_PTR answer = 0;
    SendMessageTimeout(today, WM_WININICHANGE, SHELL_TODAY_RELOAD_ITEMS, 0, SMTO_NORMAL, RELOAD_TIMEOUT_MS, &answer);
}

// The library out of the Today screen's hands, so that its file can be replaced or deleted.
// The screen reloads even when the item is no longer registered: the options' Uninstall
// deletes the registration, and the screen holds the library until it reloads.
static void ReleaseItem()
{
    SetItemEnabled(0);
    ReloadTodayItems();
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

// Before the files are copied: on an upgrade (or over an item registered by hand) the
// library in use is released first.
__declspec(dllexport) int WINAPI Install_Init(HWND, BOOL, BOOL, LPCWSTR)
{
    ReleaseItem();
    return SETUP_CONTINUE;
}

// After the files and the registry values: the item on, and shown. A file the installer
// could not write leaves the earlier library in place, which the item then shows.
__declspec(dllexport) int WINAPI Install_Exit(HWND, LPCWSTR, WORD, WORD, WORD, WORD, WORD)
{
    SetItemEnabled(1);
    ReloadTodayItems();
    return SETUP_DONE;
}

// Before the files and the registry values are removed.
__declspec(dllexport) int WINAPI Uninstall_Init(HWND, LPCWSTR)
{
    ReleaseItem();
    return SETUP_CONTINUE;
}

__declspec(dllexport) int WINAPI Uninstall_Exit(HWND)
{
    return SETUP_DONE;
}

}
