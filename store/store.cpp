// The registry layout and the value names are those of store/config.h.
#include <stdlib.h>
#include "store/store.h"

// Opens a key of the current user with full access, creating it, and any missing key on its
// path, when it does not exist: loading makes the keys too.
static HKEY CreateKeyWithFullAccess(const WCHAR *path)
{
    HKEY key = NULL;
    DWORD disposition;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, (LPWSTR)L"", 0, KEY_ALL_ACCESS, NULL, &key,
                        &disposition) != ERROR_SUCCESS)
        return NULL;
    return key;
}

// Reads a string value into a field of TEXT_CAPACITY code units. The field is changed
// only when the value fits with its terminator; a value stored without a terminator is
// terminated here, and one that fills the whole field without a terminator is too long.
static BOOL ReadString(HKEY key, const WCHAR *name, WCHAR *field)
{
    WCHAR buffer[TEXT_CAPACITY];
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(key, name, NULL, NULL, (BYTE *)buffer, &size) != ERROR_SUCCESS)
        return FALSE;
    DWORD units = size / sizeof(WCHAR);
    DWORD length = 0;
    while (length < units && buffer[length] != 0)
        length++;
    if (length >= TEXT_CAPACITY)
        return FALSE;
    memcpy(field, buffer, length * sizeof(WCHAR));
    field[length] = 0;
    return TRUE;
}

// Reads a 4-byte number; any other size is not taken.
static BOOL ReadNumber(HKEY key, const WCHAR *name, LONG *value)
{
    LONG data;
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key, name, NULL, NULL, (BYTE *)&data, &size) != ERROR_SUCCESS
        || size != sizeof(data))
        return FALSE;
    *value = data;
    return TRUE;
}

static void WriteString(HKEY key, const WCHAR *name, const WCHAR *text)
{
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)text,
                   (DWORD)((wcslen(text) + 1) * sizeof(WCHAR)));
}

static void WriteNumber(HKEY key, const WCHAR *name, LONG value)
{
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
}

// ListKeyPath "\" name, never truncated.
static void FormEntryKeyPath(WCHAR *path, const WCHAR *name)
{
    wsprintfW(path, L"%s\\%.255s", LIST_KEY_PATH, name);
}

// The first load makes the layout values the process holds, its defaults, fit the screen's
// density: a VGA screen (192 dpi) has twice the pixels to the inch of a 96-dpi one.
static void ApplyScreenDensity(void)
{
    g_Config.DensityApplied = TRUE;
    HDC screen = GetDC(NULL);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ReleaseDC(NULL, screen);
    if (dpi <= 0 || dpi == 96)
        return;
    for (int i = 0; i < NUMERIC_SETTING_COUNT; i++) {
        if (!kNumericSettings[i].followsDensity)
            continue;
        LONG *value = &(g_Config.Settings.*kNumericSettings[i].field);
        *value = (*value * dpi + 48) / 96;
        g_Config.DensityDefaults |= 1u << i;
    }
}

void LoadDisplaySettings(void)
{
    if (!g_Config.DensityApplied)
        ApplyScreenDensity();
    HKEY key = CreateKeyWithFullAccess(SETTINGS_KEY_PATH);
    if (!key)
        return;
    ReadString(key, VALUE_BACKBMPFILE, g_Config.Settings.backbmpfile);
    for (int i = 0; i < NUMERIC_SETTING_COUNT; i++)
        if (ReadNumber(key, kNumericSettings[i].name, &(g_Config.Settings.*kNumericSettings[i].field)))
            g_Config.DensityDefaults &= ~(1u << i);
    RegCloseKey(key);
}

void SaveDisplaySettings(void)
{
    HKEY key = CreateKeyWithFullAccess(SETTINGS_KEY_PATH);
    if (!key)
        return;
    WriteString(key, VALUE_BACKBMPFILE, g_Config.Settings.backbmpfile);
    for (int i = 0; i < NUMERIC_SETTING_COUNT; i++)
        if (!(g_Config.DensityDefaults & (1u << i)))
            WriteNumber(key, kNumericSettings[i].name, g_Config.Settings.*kNumericSettings[i].field);
    RegCloseKey(key);
}

void FreeLaunchList(void)
{
    if (g_Config.LaunchList)
        LocalFree(g_Config.LaunchList);
    g_Config.LaunchList = NULL;
    g_Config.LaunchCount = 0;
}

static int CompareIndex(const void *a, const void *b)
{
    LONG left = ((const LaunchEntry *)a)->Index;
    LONG right = ((const LaunchEntry *)b)->Index;
    return left < right ? -1 : left > right ? 1 : 0;
}

static void ReadEntry(HKEY listKey, DWORD i, LaunchEntry *entry)
{
    DWORD nameLength = TEXT_CAPACITY;
    if (RegEnumKeyExW(listKey, i, entry->Name, &nameLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) {
        entry->Name[0] = 0;
        return;
    }
    WCHAR path[ENTRY_KEY_PATH_CAPACITY];
    FormEntryKeyPath(path, entry->Name);
    HKEY key = CreateKeyWithFullAccess(path);
    if (!key)
        return;
    if (!ReadString(key, VALUE_FILE_NAME, entry->FileName))
        entry->FileName[0] = 0;
    if (!ReadString(key, VALUE_COMMAND_LINE, entry->CommandLine))
        entry->CommandLine[0] = 0;
    if (!ReadNumber(key, VALUE_INDEX, &entry->Index))
        entry->Index = 0;
    RegCloseKey(key);
}

void LoadLaunchList(void)
{
    FreeLaunchList();
    HKEY listKey = CreateKeyWithFullAccess(LIST_KEY_PATH);
    if (!listKey)
        return;
    DWORD count = 0;
    if (RegQueryInfoKeyW(listKey, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL, NULL)
        != ERROR_SUCCESS) {
        RegCloseKey(listKey);
        return;
    }
    LaunchEntry *entries = NULL;
    if (count > 0) {
        entries = (LaunchEntry *)LocalAlloc(LMEM_ZEROINIT, count * sizeof(LaunchEntry));
        if (!entries) {
            RegCloseKey(listKey);
            return;
        }
    }
    g_Config.LaunchList = entries;
    g_Config.LaunchCount = (LONG)count;
    for (DWORD i = 0; i < count; i++)
        ReadEntry(listKey, i, &entries[i]);
    RegCloseKey(listKey);
    if (count > 1)
        qsort(entries, count, sizeof(LaunchEntry), CompareIndex);
}

void DeleteLaunchListKeys(void)
{
    HKEY listKey = CreateKeyWithFullAccess(LIST_KEY_PATH);
    if (listKey) {
        DWORD count = 0;
        if (RegQueryInfoKeyW(listKey, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL,
                             NULL) == ERROR_SUCCESS) {
            // From the last to the first, so the indices not yet visited stay valid.
            for (DWORD i = count; i-- > 0;) {
                WCHAR name[TEXT_CAPACITY];
                DWORD nameLength = TEXT_CAPACITY;
                if (RegEnumKeyExW(listKey, i, name, &nameLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                    continue;
                WCHAR path[ENTRY_KEY_PATH_CAPACITY];
                FormEntryKeyPath(path, name);
                RegDeleteKeyW(HKEY_CURRENT_USER, path);
            }
        }
        RegCloseKey(listKey);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, LIST_KEY_PATH);
}

EntryNameFault CheckEntryName(const WCHAR *name)
{
    if (!name || !name[0])
        return ENTRY_NAME_EMPTY;
    if (wcschr(name, L'\\'))
        return ENTRY_NAME_HOLDS_PATH;
    return ENTRY_NAME_STORABLE;
}

BOOL IsStorableEntryName(const WCHAR *name)
{
    return CheckEntryName(name) == ENTRY_NAME_STORABLE;
}

void SaveLaunchList(void)
{
    DeleteLaunchListKeys();
    for (LONG i = 0; i < g_Config.LaunchCount; i++) {
        const LaunchEntry *entry = &g_Config.LaunchList[i];
        if (!IsStorableEntryName(entry->Name))
            continue;
        WCHAR path[ENTRY_KEY_PATH_CAPACITY];
        FormEntryKeyPath(path, entry->Name);
        HKEY key = CreateKeyWithFullAccess(path);
        if (!key)
            continue;
        WriteString(key, VALUE_FILE_NAME, entry->FileName);
        WriteString(key, VALUE_COMMAND_LINE, entry->CommandLine);
        WriteNumber(key, VALUE_INDEX, entry->Index);
        RegCloseKey(key);
    }
}
