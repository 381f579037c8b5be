// The device's storage and registry as the emulator prepares them: the root "\" with
// \Windows (a few programs, the Start menu's shortcuts), \My Documents and \Program Files,
// the Today item key of the item under test (the installer's, resources/today_item.reg),
// and the first-run registry data (demo.reg).
#include "host/device/device.h"
#include "host/device/log.h"
#include "host/device/registry.h"
#include "todaycmn.h"
#include "platform/shell_windows.h"

// The roots the emulator has filled are named in its own registry key, not marked by a file
// in them: the device's root holds what a device's does. Emulators of earlier days left a
// marker file in "\", which goes.
#define EMULATOR_KEY L"Software\\Tapshelf Emulator"
#define DEVICE_ROOT_VALUE L"Device root"
#define OLD_DEVICE_MARKER L"\\.tapshelf-device"

static bool Exists(const wchar_t *path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// The root's folder itself, whichever drive letter names it: its volume and its number
// there; empty when it cannot be opened.
static std::wstring RootIdentity(const std::wstring &root)
{
    HANDLE folder = CreateFileW(root.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (folder == INVALID_HANDLE_VALUE)
        return L"";
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(folder, &information) != 0;
    CloseHandle(folder);
    if (!known)
        return L"";
    wchar_t identity[64];
    wsprintfW(identity, L"%08lx:%08lx%08lx", (unsigned long)information.dwVolumeSerialNumber,
              (unsigned long)information.nFileIndexHigh, (unsigned long)information.nFileIndexLow);
    return identity;
}

static std::wstring RecordedRoot()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, EMULATOR_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"";
    std::wstring recorded = ReadText(key, DEVICE_ROOT_VALUE);
    RegCloseKey(key);
    return recorded;
}

static void RecordRoot(const std::wstring &identity)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, EMULATOR_KEY, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    SetText(key, DEVICE_ROOT_VALUE, identity);
    RegCloseKey(key);
}

// Only a root of our own is filled: an empty one, or one filled by an earlier run. Any
// other folder (the machine's real root above all) is left as it is.
static bool RootIsOurs(const std::wstring &identity)
{
    if (Exists(OLD_DEVICE_MARKER)) {
        DeleteFileW(OLD_DEVICE_MARKER);
        return true;
    }
    if (!identity.empty() && _wcsicmp(identity.c_str(), RecordedRoot().c_str()) == 0)
        return true;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do {
        if (lstrcmpW(found.cFileName, L".") != 0 && lstrcmpW(found.cFileName, L"..") != 0)
            empty = false;
    } while (empty && FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

static void WriteTextFile(const wchar_t *path, const char *text)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, text, (DWORD)strlen(text), &written, NULL);
    CloseHandle(file);
}

// A device shortcut: "N#command", N the number of characters after the "#". Written once;
// one that is there is left as it is.
static void WriteShortcut(const std::wstring &path, const std::string &command)
{
    WriteTextFile(path.c_str(), (std::to_string(command.size()) + "#" + command).c_str());
}

// The Start menu, as a device's: its programs by shortcut, the games in a folder of their own.
static void MakeStartMenu()
{
    const std::wstring programs = SHELL_START_MENU_PROGRAMS;
    CreateDirectoryW(L"\\Windows\\Start Menu", NULL);
    CreateDirectoryW(programs.c_str(), NULL);
    CreateDirectoryW((programs + L"\\Games").c_str(), NULL);
    WriteShortcut(programs + L"\\Clock.lnk", "\"\\Windows\\clock.exe\"");
    WriteShortcut(programs + L"\\Notepad.lnk", "\"\\Windows\\notepad.exe\"");
    WriteShortcut(programs + L"\\Games\\Minesweeper.lnk", "\"\\Windows\\winemine.exe\"");
}

static const char WELCOME_TEXT[] =
    "Welcome to the Tapshelf emulator.\r\n"
    "\r\n"
    "This document lives in \\My Documents of the emulated device.\r\n"
    "Tap an icon on the Today screen to start its entry; hold the pen\r\n"
    "on it to see its name.\r\n";

bool PrepareDeviceRoot(const std::wstring &drive)
{
    std::wstring root = drive + L"\\";
    if (!SetCurrentDirectoryW(root.c_str())) {
        HostError(L"the device drive %ls is not mapped", drive.c_str());
        return false;
    }
    std::wstring identity = RootIdentity(root);
    if (!RootIsOurs(identity)) {
        HostLog(L"device: \\ = %ls, not a device folder of ours: left as it is", root.c_str());
        return true;
    }
    bool fresh = !Exists(L"\\Windows");
    RecordRoot(identity);
    CreateDirectoryW(L"\\Windows", NULL);
    CreateDirectoryW(L"\\My Documents", NULL);
    CreateDirectoryW(L"\\My Documents\\Personal", NULL);
    CreateDirectoryW(L"\\Program Files", NULL);
    CreateDirectoryW(L"\\Temp", NULL);
    // A few programs for \Windows: Wine's own, which run anywhere.
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const wchar_t *programs[] = { L"clock.exe", L"notepad.exe", L"winemine.exe" };
    for (const wchar_t *program : programs) {
        std::wstring target = std::wstring(L"\\Windows\\") + program;
        if (!Exists(target.c_str()))
            CopyFileW((std::wstring(system) + L"\\" + program).c_str(), target.c_str(), TRUE);
    }
    MakeStartMenu();
    WriteTextFile(L"\\My Documents\\Welcome.txt", WELCOME_TEXT);
    HostLog(L"device: \\ = %ls%ls", root.c_str(), fresh ? L", folders made" : L"");
    return true;
}

// The next free Order among the items already listed.
static DWORD NextOrder()
{
    DWORD next = 0;
    ForEachSubkey(HKEY_LOCAL_MACHINE, TODAY_ITEMS_KEY, [&](const wchar_t *, HKEY item) {
        DWORD order = ReadNumber(item, L"Order", (DWORD)-1);   // none: -1 + 1 counts for nothing
        if (order + 1 > next)
            next = order + 1;
    });
    return next;
}

// The text of one of the emulator's RCDATA resources; empty when it is missing.
static std::string ResourceText(const wchar_t *name)
{
    HRSRC resource = FindResourceW(NULL, name, (LPCWSTR)RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(NULL, resource) : NULL;
    if (!loaded)
        return std::string();
    return std::string((const char *)LockResource(loaded), SizeofResource(NULL, resource));
}

void RegisterTodayItem(const std::wstring &dllPath)
{
    std::wstring itemKey = std::wstring(TODAY_ITEMS_KEY) + L"\\" + TAPSHELF_ITEM_NAME;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, itemKey.c_str(), 0, KEY_READ | KEY_WRITE, &key) == ERROR_SUCCESS) {
        // A key left by a build folder that has moved names a library that is gone.
        WCHAR current[MAX_PATH + 1] = L"";
        DWORD type = 0, size = sizeof(current) - sizeof(WCHAR);
        if (RegQueryValueExW(key, L"DLL", NULL, &type, (BYTE *)current, &size) == ERROR_SUCCESS && type == REG_SZ
            && !Exists(current) && Exists(dllPath.c_str())) {
            SetText(key, L"DLL", dllPath);
            HostLog(L"registry: Today item %ls named %ls, which is gone; now %ls", TAPSHELF_ITEM_NAME, current,
                    dllPath.c_str());
        }
        RegCloseKey(key);
        return;
    }
    // The installer's registration, as the device gets it; the library is the built one
    // here, and the host gives the item its place among the others.
    DWORD order = NextOrder();
    ApplyRegistryIfMissing(ResourceText(L"TODAY_ITEM_REGISTRY"));
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, itemKey.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) {
        HostError(L"the Today item registration does not make the key of %ls", TAPSHELF_ITEM_NAME);
        return;
    }
    SetText(key, L"DLL", dllPath);
    SetNumber(key, L"Order", order);
    RegCloseKey(key);
    HostLog(L"registry: Today item %ls registered, %ls", TAPSHELF_ITEM_NAME, dllPath.c_str());
}

void DropDirectRegistration()
{
    std::wstring itemKey = std::wstring(TODAY_ITEMS_KEY) + L"\\" + TAPSHELF_ITEM_NAME;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, itemKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    std::wstring dll = ReadText(key, L"DLL");
    RegCloseKey(key);
    if (dll.size() >= 2 && dll[1] == L':' && RegDeleteKeyW(HKEY_LOCAL_MACHINE, itemKey.c_str()) == ERROR_SUCCESS)
        HostLog(L"registry: Today item %ls of %ls, listed without the installer, dropped", TAPSHELF_ITEM_NAME,
                dll.c_str());
}

void ApplyFirstRunRegistry()
{
    std::string text = ResourceText(L"DEMO_REGISTRY");
    if (text.empty()) {
        HostError(L"the first-run registry data is missing");
        return;
    }
    int written = ApplyRegistryIfMissing(text);
    if (written == -2)
        HostError(L"the first-run registry data cannot be read");
    else if (written >= 0)
        HostLog(L"registry: first-run data written (%d keys)", written);
}
