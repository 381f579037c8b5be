// The installer's stand-in (installer.h): the CAB checked whole first, then the device's
// order of setup DLL calls, files and registry values, and the package's record.
#include "host/installer/installer.h"
#include <tlhelp32.h>
#include <algorithm>
#include <vector>
#include "host/device/log.h"
#include "host/device/paths.h"
#include "host/device/registry.h"
#include "host/installer/cabinet.h"
#include "host/installer/instructions.h"

std::wstring g_packageCab;

#define APPS_KEY L"Software\\Apps"
#define SETUP_DLL_FOLDER L"\\Windows\\AppMgr"
#define INSTRUCTIONS_NUMBER 0
#define SETUP_DLL_NUMBER 999

// The emulated device: Windows CE 5.01 (Windows Mobile 5), on the processor the emulator is
// built for (the system's processor types, which are the installer's numbers too).
#define DEVICE_MAJOR 5
#define DEVICE_MINOR 1
#define DEVICE_BUILD 14847
#if defined(__x86_64__)
#define DEVICE_PROCESSOR 8664
#else
#define DEVICE_PROCESSOR 386
#endif

// The setup DLL's entries (WINAPI; 0 goes on, Install_Init's and Uninstall_Init's 1 cancels,
// Install_Exit's 1 undoes the installation).
typedef int(WINAPI *InstallInitEntry)(HWND, BOOL, BOOL, LPCWSTR);
typedef int(WINAPI *InstallExitEntry)(HWND, LPCWSTR, WORD, WORD, WORD, WORD, WORD);
typedef int(WINAPI *UninstallInitEntry)(HWND, LPCWSTR);
typedef int(WINAPI *UninstallExitEntry)(HWND);

namespace {

struct SetupDll {
    HMODULE module = NULL;
    InstallInitEntry installInit = nullptr;
    InstallExitEntry installExit = nullptr;
    UninstallInitEntry uninstallInit = nullptr;
    UninstallExitEntry uninstallExit = nullptr;
};

// What an installation made, as the record keeps it for the removal: device paths of files,
// "ROOT\key" of keys it created, "ROOT\key|name" of values.
struct Made {
    std::vector<std::wstring> files, keys, values;
};

// What did not go in, for Install_Exit and the message.
struct Failed {
    WORD dirs = 0, files = 0, keys = 0, values = 0;
    std::wstring names;   // the files, for the message
};

std::wstring PackageKey(const std::wstring &name) { return std::wstring(APPS_KEY) + L"\\" + name; }

void AddOnce(std::vector<std::wstring> *list, const std::wstring &text)
{
    if (std::find(list->begin(), list->end(), text) == list->end())
        list->push_back(text);
}

bool ReadWholeFile(const std::wstring &path, std::string *bytes, std::wstring *error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = L"there is no file " + path;
        return false;
    }
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= (LONGLONG)CABINET_MAX_BYTES;
    DWORD read = 0;
    if (ok) {
        bytes->assign((size_t)size.QuadPart, '\0');
        ok = bytes->empty() || (ReadFile(file, &(*bytes)[0], (DWORD)bytes->size(), &read, NULL) && read == size.QuadPart);
    }
    CloseHandle(file);
    if (!ok)
        *error = L"the file " + path + L" cannot be read, or is larger than the device takes";
    return ok;
}

// The file of that number in the cabinet (its name's extension), or NULL.
const CabinetFile *FileNumbered(const std::vector<CabinetFile> &files, int number)
{
    const CabinetFile *found = nullptr;
    for (const CabinetFile &file : files) {
        size_t dot = file.name.find_last_of('.');
        if (dot != std::string::npos && file.name.size() - dot == 4
            && file.name.find_first_not_of("0123456789", dot + 1) == std::string::npos
            && atoi(file.name.c_str() + dot + 1) == number) {
            if (found)
                return nullptr;   // two files of one number: neither is the one
            found = &file;
        }
    }
    return found;
}

// Whether the package is for this device: processor, system version and build.
bool SuitsDevice(const Instructions &in, std::wstring *error)
{
    DWORD device = DEVICE_MAJOR * 100 + DEVICE_MINOR;
    DWORD lowest = in.minMajor * 100 + in.minMinor, highest = in.maxMajor * 100 + in.maxMinor;
    if (in.processor != 0 && in.processor != DEVICE_PROCESSOR)
        *error = L"it is for another processor (" + std::to_wstring(in.processor) + L")";
    else if (lowest > device || (highest && highest < device))
        *error = L"it is for another version of Windows Mobile";
    else if ((in.minBuild && in.minBuild > DEVICE_BUILD) || (in.maxBuild && in.maxBuild < DEVICE_BUILD))
        *error = L"it is for another build of Windows Mobile";
    return error->empty();
}

// The cabinet's instructions, with every file they install present in it.
bool ReadPackage(const std::vector<CabinetFile> &files, Instructions *in, std::wstring *error)
{
    const CabinetFile *instructions = FileNumbered(files, INSTRUCTIONS_NUMBER);
    if (!instructions) {
        *error = L"it holds no instruction file (.000)";
        return false;
    }
    if (!ReadInstructions((const BYTE *)instructions->bytes.data(), instructions->bytes.size(), in, error)) {
        *error = L"its instruction file is damaged: " + *error;
        return false;
    }
    for (const InstallFile &file : in->files)
        if (file.number == INSTRUCTIONS_NUMBER || file.number == SETUP_DLL_NUMBER
            || !FileNumbered(files, file.number)) {
            *error = L"it lacks file " + std::to_wstring(file.number) + L", " + file.name;
            return false;
        }
    return SuitsDevice(*in, error);
}

// A library loaded in this process from that file: the device neither replaces nor deletes it.
bool LoadedAsLibrary(const std::wstring &path)
{
    WCHAR full[MAX_PATH];
    if (!GetFullPathNameW(path.c_str(), MAX_PATH, full, NULL))
        return false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    bool loaded = false;
    for (BOOL more = Module32FirstW(snapshot, &module); more && !loaded; more = Module32NextW(snapshot, &module))
        loaded = lstrcmpiW(module.szExePath, full) == 0;
    CloseHandle(snapshot);
    return loaded;
}

bool WriteDeviceFile(const std::wstring &path, const std::string &bytes)
{
    if (LoadedAsLibrary(path))
        return false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

bool DeleteDeviceFile(const std::wstring &path)
{
    return !LoadedAsLibrary(path) && (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND);
}

// ---- The setup DLL

bool LoadSetupDll(const std::wstring &path, SetupDll *dll)
{
    dll->module = LoadLibraryW(path.c_str());
    if (!dll->module)
        return false;
    dll->installInit = (InstallInitEntry)(void *)GetProcAddress(dll->module, "Install_Init");
    dll->installExit = (InstallExitEntry)(void *)GetProcAddress(dll->module, "Install_Exit");
    dll->uninstallInit = (UninstallInitEntry)(void *)GetProcAddress(dll->module, "Uninstall_Init");
    dll->uninstallExit = (UninstallExitEntry)(void *)GetProcAddress(dll->module, "Uninstall_Exit");
    return true;
}

// Done with the setup DLL; unless the package stays installed, its kept copy goes too.
void FreeSetupDll(SetupDll *dll, const std::wstring &path, bool keep)
{
    if (dll->module)
        FreeLibrary(dll->module);
    *dll = SetupDll();
    if (!keep && !path.empty())
        DeleteFileW(path.c_str());
}

// ---- Files and values in, and out again

void InstallFiles(const Instructions &in, const std::vector<CabinetFile> &cabinet, Made *made, Failed *failed)
{
    std::vector<std::wstring> folders;
    for (const InstallFile &file : in.files)
        AddOnce(&folders, file.folder);
    for (const std::wstring &folder : folders)
        if (!CreateFolderTree(folder)) {
            failed->dirs++;
            HostLog(L"install: folder %ls cannot be made", folder.c_str());
        }
    for (const InstallFile &file : in.files) {
        std::wstring target = file.folder + L"\\" + file.name;
        if ((file.flags & INSTALL_FILE_NEVER_OVERWRITE) && GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            HostLog(L"install: %ls is there and kept", target.c_str());
            continue;
        }
        if (!WriteDeviceFile(target, FileNumbered(cabinet, file.number)->bytes)) {
            failed->files++;
            failed->names += (failed->names.empty() ? L"" : L", ") + target;
            HostLog(L"install: %ls cannot be written%ls", target.c_str(),
                    LoadedAsLibrary(target) ? L": a library in use" : L"");
            continue;
        }
        AddOnce(&made->files, target);
        HostLog(L"install: %ls written", target.c_str());
    }
}

void InstallValues(const Instructions &in, Made *made, Failed *failed)
{
    for (const InstallValue &value : in.values) {
        std::wstring key = value.rootName + L"\\" + value.key;
        HKEY handle;
        DWORD disposition = 0;
        if (RegCreateKeyExW(value.root, value.key.c_str(), 0, NULL, 0, KEY_READ | KEY_WRITE, NULL, &handle, &disposition)
            != ERROR_SUCCESS) {
            failed->keys++;
            continue;
        }
        if (disposition == REG_CREATED_NEW_KEY)
            AddOnce(&made->keys, key);
        if (value.keepExisting && RegQueryValueExW(handle, value.name.c_str(), NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
            RegCloseKey(handle);
            continue;
        }
        if (RegSetValueExW(handle, value.name.c_str(), 0, value.type, (const BYTE *)value.data.data(),
                           (DWORD)value.data.size()) == ERROR_SUCCESS)
            AddOnce(&made->values, key + L"|" + value.name);
        else
            failed->values++;
        RegCloseKey(handle);
    }
    HostLog(L"install: %u registry values written", (unsigned)made->values.size());
}

// Undoes what an installation made: files, values, then the keys it created. What stays
// (a library in use) is named in *left.
void RemoveMade(const Made &made, std::wstring *left)
{
    for (const std::wstring &file : made.files) {
        if (DeleteDeviceFile(file)) {
            HostLog(L"remove: %ls deleted", file.c_str());
        } else {
            *left += (left->empty() ? L"" : L", ") + file;
            HostLog(L"remove: %ls cannot be deleted%ls", file.c_str(), LoadedAsLibrary(file) ? L": a library in use" : L"");
        }
    }
    for (const std::wstring &entry : made.values) {
        size_t slash = entry.find(L'\\'), bar = entry.find(L'|');
        HKEY root = RegistryRootNamed(entry.substr(0, slash)), key;
        if (root && bar != std::wstring::npos
            && RegOpenKeyExW(root, entry.substr(slash + 1, bar - slash - 1).c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, entry.substr(bar + 1).c_str());
            RegCloseKey(key);
        }
    }
    for (const std::wstring &entry : made.keys) {
        size_t slash = entry.find(L'\\');
        HKEY root = RegistryRootNamed(entry.substr(0, slash));
        // A key that has come to hold keys of others stays.
        if (root && RegDeleteKeyW(root, entry.substr(slash + 1).c_str()) == ERROR_SUCCESS)
            HostLog(L"remove: key %ls deleted", entry.c_str());
    }
}

// ---- The record

struct Record {
    std::wstring name, application, installDir, setupDll;
    Made made;
};

bool ReadRecord(const std::wstring &name, Record *record)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PackageKey(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool installed = ReadNumber(key, L"Instl", 0) == 1;
    record->name = name;
    record->application = ReadText(key, L"AppName");
    record->installDir = ReadText(key, L"InstlDir");
    record->setupDll = ReadText(key, L"SetupDll");
    record->made.files = ReadTextList(key, L"Files");
    record->made.keys = ReadTextList(key, L"Keys");
    record->made.values = ReadTextList(key, L"Values");
    RegCloseKey(key);
    return installed;
}

void WriteRecord(const Record &record)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, PackageKey(record.name).c_str(), 0, NULL, 0, KEY_WRITE, NULL, &key, NULL)
        != ERROR_SUCCESS)
        return;
    SetNumber(key, L"Instl", 1);
    SetText(key, L"AppName", record.application);
    SetText(key, L"InstlDir", record.installDir);
    SetText(key, L"SetupDll", record.setupDll);
    SetTextList(key, L"Files", record.made.files);
    SetTextList(key, L"Keys", record.made.keys);
    SetTextList(key, L"Values", record.made.values);
    RegCloseKey(key);
}

// The record of the package of that application name.
bool FindRecord(const std::wstring &application, Record *record)
{
    std::vector<std::wstring> names;
    ForEachSubkey(HKEY_LOCAL_MACHINE, APPS_KEY, [&](const wchar_t *name, HKEY key) {
        if (lstrcmpiW(ReadText(key, L"AppName").c_str(), application.c_str()) == 0)
            names.push_back(name);
    });
    return !names.empty() && ReadRecord(names[0], record);
}

bool Refused(const std::wstring &path, const std::wstring &why, std::wstring *message)
{
    *message = L"The CAB cannot be installed: " + why + L".";
    HostLog(L"install %ls: refused: %ls", path.c_str(), why.c_str());
    return false;
}

std::wstring Plural(unsigned count, const wchar_t *one, const wchar_t *many)
{
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

}  // namespace

bool InstallCab(const std::wstring &path, HWND parent, std::wstring *message)
{
    std::string bytes;
    std::vector<CabinetFile> cabinet;
    Instructions in;
    std::wstring error;
    if (!ReadWholeFile(path, &bytes, &error) || !ExtractCabinet(bytes, &cabinet, &error)
        || !ReadPackage(cabinet, &in, &error))
        return Refused(path, error, message);

    Record record, previous;
    record.name = in.provider.empty() ? in.application : in.provider + L" " + in.application;
    record.application = in.application;
    record.installDir = L"\\Program Files\\" + in.application;
    bool upgrade = ReadRecord(record.name, &previous);
    HostLog(L"install %ls: %ls%ls, %u files, %u registry values", path.c_str(), record.name.c_str(),
            upgrade ? L" over the installed one" : L"", (unsigned)in.files.size(), (unsigned)in.values.size());

    // The setup DLL is kept for the removal, as the device keeps it.
    SetupDll setup;
    if (const CabinetFile *dll = FileNumbered(cabinet, SETUP_DLL_NUMBER)) {
        record.setupDll = std::wstring(SETUP_DLL_FOLDER) + L"\\" + record.name + L".dll";
        CreateFolderTree(SETUP_DLL_FOLDER);
        if (!WriteDeviceFile(record.setupDll, dll->bytes) || !LoadSetupDll(record.setupDll, &setup)) {
            FreeSetupDll(&setup, record.setupDll, upgrade);
            return Refused(path, L"its setup DLL cannot be loaded", message);
        }
    }
    if (setup.installInit) {
        int answer = setup.installInit(parent, TRUE, upgrade, record.installDir.c_str());
        HostLog(L"install: Install_Init -> %d", answer);
        if (answer != 0) {
            FreeSetupDll(&setup, record.setupDll, upgrade);
            *message = in.application + L" was not installed: its setup cancelled it.";
            return false;
        }
    }
    Failed failed;
    InstallFiles(in, cabinet, &record.made, &failed);
    InstallValues(in, &record.made, &failed);
    if (setup.installExit) {
        int answer = setup.installExit(parent, record.installDir.c_str(), failed.dirs, failed.files, failed.keys,
                                       failed.values, 0);
        HostLog(L"install: Install_Exit -> %d", answer);
        if (answer != 0) {
            std::wstring left;
            RemoveMade(record.made, &left);
            FreeSetupDll(&setup, record.setupDll, upgrade);
            *message = in.application + L" was not installed: its setup undid it.";
            return false;
        }
    }
    FreeSetupDll(&setup, record.setupDll, true);
    // An upgrade's record keeps what the earlier version made, for the removal to undo.
    for (const std::wstring &file : previous.made.files)
        AddOnce(&record.made.files, file);
    for (const std::wstring &key : previous.made.keys)
        AddOnce(&record.made.keys, key);
    for (const std::wstring &value : previous.made.values)
        AddOnce(&record.made.values, value);
    WriteRecord(record);
    *message = in.application + (upgrade ? L" upgraded" : L" installed");
    if (failed.files)
        *message += L"; " + Plural(failed.files, L"file", L"files") + L" not written: " + failed.names;
    if (failed.dirs || failed.keys || failed.values)
        *message += L"; " + Plural(failed.dirs + failed.keys + failed.values, L"folder or registry entry",
                                   L"folders or registry entries") + L" not made";
    HostLog(L"install: %ls", message->c_str());
    return true;
}

bool RemovePackage(const std::wstring &application, HWND parent, std::wstring *message)
{
    Record record;
    if (!FindRecord(application, &record)) {
        *message = application + L" is not installed.";
        HostLog(L"remove %ls: not installed", application.c_str());
        return false;
    }
    SetupDll setup;
    if (!record.setupDll.empty() && !LoadSetupDll(record.setupDll, &setup))
        HostLog(L"remove: the setup DLL %ls does not load", record.setupDll.c_str());
    if (setup.uninstallInit) {
        int answer = setup.uninstallInit(parent, record.installDir.c_str());
        HostLog(L"remove: Uninstall_Init -> %d", answer);
        if (answer != 0) {
            FreeSetupDll(&setup, record.setupDll, true);
            *message = application + L" was not removed: its setup cancelled it.";
            return false;
        }
    }
    std::wstring left;
    RemoveMade(record.made, &left);
    if (setup.uninstallExit)
        HostLog(L"remove: Uninstall_Exit -> %d", setup.uninstallExit(parent));
    FreeSetupDll(&setup, record.setupDll, false);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, PackageKey(record.name).c_str());
    *message = application + L" removed";
    if (!left.empty())
        *message += L"; in use and left behind until a soft reset: " + left;
    HostLog(L"remove: %ls", message->c_str());
    return true;
}

bool PackageInstalled(const std::wstring &application)
{
    Record record;
    return FindRecord(application, &record);
}
