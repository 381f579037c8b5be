// The configuration store on the real (Wine) registry.
#include <gtest/gtest.h>
#include <string>
#include "store/store.h"
#include "harness.h"

namespace {

class Store : public testing::Test {
protected:
    void SetUp() override { ResetRegistry(); }
    void TearDown() override
    {
        FreeLaunchList();
        ResetRegistry();
    }
};

std::wstring Repeat(wchar_t c, size_t n) { return std::wstring(n, c); }

std::wstring EntryPath(const std::wstring &name) { return std::wstring(LIST_KEY_PATH) + L"\\" + name; }

TEST_F(Store, FirstRunKeepsDefaultsAndCreatesEmptyKeys)
{
    LoadDisplaySettings();
    LoadLaunchList();
    const DisplaySettings &s = g_Config.Settings;
    EXPECT_STREQ(L"", s.backbmpfile);
    EXPECT_EQ(0, s.stretch_backbmp);
    EXPECT_EQ(1, s.CtrlUpDown);
    EXPECT_EQ(16, s.IconSize);
    EXPECT_EQ(2, s.HMargin);
    EXPECT_EQ(2, s.VMargin);
    EXPECT_EQ(0, s.WinLeftMargin);
    EXPECT_EQ(0, s.WinTopMargin);
    EXPECT_EQ(13, s.WinRightMargin);
    EXPECT_EQ(5, s.WinBottomMargin);
    EXPECT_EQ(1, s.ShowIconSec);
    EXPECT_EQ(0, g_Config.LaunchCount);
    EXPECT_EQ(nullptr, g_Config.LaunchList);
    EXPECT_TRUE(KeyExists(SETTINGS_KEY_PATH));
    EXPECT_TRUE(KeyExists(LIST_KEY_PATH));
    EXPECT_EQ(0u, SubkeyCount(LIST_KEY_PATH));
}

TEST_F(Store, SettingsRoundTripInTheirStoredForm)
{
    wcscpy(g_Config.Settings.backbmpfile, L"\\My Documents\\back.bmp");
    g_Config.Settings.stretch_backbmp = 1;
    g_Config.Settings.CtrlUpDown = 0;
    g_Config.Settings.IconSize = 24;
    g_Config.Settings.HMargin = -3;
    g_Config.Settings.WinBottomMargin = 7;
    g_Config.Settings.ShowIconSec = 0;
    SaveDisplaySettings();

    // Stored as REG_SZ with the terminator and 4-byte REG_DWORDs.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_READ, &key));
    DWORD type = 0, size = 0;
    RegQueryValueExW(key, VALUE_BACKBMPFILE, NULL, &type, NULL, &size);
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ((wcslen(L"\\My Documents\\back.bmp") + 1) * 2, size);
    RegQueryValueExW(key, VALUE_HMARGIN, NULL, &type, NULL, &size);
    EXPECT_EQ((DWORD)REG_DWORD, type);
    EXPECT_EQ(4u, size);
    DWORD values = 0;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    EXPECT_EQ(11u, values);
    RegCloseKey(key);

    g_Config.Settings.backbmpfile[0] = 0;
    g_Config.Settings.IconSize = 16;
    g_Config.Settings.HMargin = 2;
    LoadDisplaySettings();
    EXPECT_STREQ(L"\\My Documents\\back.bmp", g_Config.Settings.backbmpfile);
    EXPECT_EQ(24, g_Config.Settings.IconSize);
    EXPECT_EQ(-3, g_Config.Settings.HMargin);
    EXPECT_EQ(0, g_Config.Settings.CtrlUpDown);
    EXPECT_EQ(0, g_Config.Settings.ShowIconSec);
}

TEST_F(Store, MissingOrOversizedSettingsKeepTheValueHeld)
{
    g_Config.Settings.IconSize = 20;
    g_Config.Settings.HMargin = 4;
    wcscpy(g_Config.Settings.backbmpfile, L"\\held.bmp");
    ULONGLONG eight = 32;
    WriteRawValue(SETTINGS_KEY_PATH, VALUE_ICONSIZE, REG_QWORD, &eight, 8);
    WriteSettingString(VALUE_BACKBMPFILE, Repeat(L'b', 256));
    WriteSettingNumber(VALUE_VMARGIN, 9);
    LoadDisplaySettings();
    EXPECT_EQ(20, g_Config.Settings.IconSize);          // 8 bytes: not taken
    EXPECT_STREQ(L"\\held.bmp", g_Config.Settings.backbmpfile);  // 256 units + terminator: too long
    EXPECT_EQ(4, g_Config.Settings.HMargin);             // missing: kept
    EXPECT_EQ(9, g_Config.Settings.VMargin);

    // 255 code units fit with the terminator.
    WriteSettingString(VALUE_BACKBMPFILE, Repeat(L'c', 255));
    LoadDisplaySettings();
    EXPECT_EQ(Repeat(L'c', 255), std::wstring(g_Config.Settings.backbmpfile));
}

TEST_F(Store, UnterminatedStringsEndInsideTheirField)
{
    // 256 code units with no terminator fill the whole buffer: not taken.
    std::wstring full = Repeat(L'x', 256);
    WriteRawValue(SETTINGS_KEY_PATH, VALUE_BACKBMPFILE, REG_SZ, full.data(), 512);
    wcscpy(g_Config.Settings.backbmpfile, L"kept");
    LoadDisplaySettings();
    EXPECT_STREQ(L"kept", g_Config.Settings.backbmpfile);

    // A shorter value stored without its terminator is read as the text it holds.
    std::wstring part = L"\\short.bmp";
    WriteRawValue(SETTINGS_KEY_PATH, VALUE_BACKBMPFILE, REG_SZ, part.data(), (DWORD)part.size() * 2);
    LoadDisplaySettings();
    EXPECT_STREQ(L"\\short.bmp", g_Config.Settings.backbmpfile);

    // The same for the entry values.
    WriteEntryKey(L"A", L"", L"", 0);
    WriteRawValue(EntryPath(L"A"), VALUE_FILE_NAME, REG_SZ, full.data(), 512);
    std::wstring args = L"-x";
    WriteRawValue(EntryPath(L"A"), VALUE_COMMAND_LINE, REG_SZ, args.data(), 4);
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_STREQ(L"", g_Config.LaunchList[0].FileName);
    EXPECT_STREQ(L"-x", g_Config.LaunchList[0].CommandLine);
}

TEST_F(Store, ShortNumbersAreNotMixedIntoTheHeldValue)
{
    g_Config.Settings.IconSize = 0x12345678;
    WORD two = 0x0020;
    WriteRawValue(SETTINGS_KEY_PATH, VALUE_ICONSIZE, REG_BINARY, &two, 2);
    LoadDisplaySettings();
    EXPECT_EQ(0x12345678, g_Config.Settings.IconSize);
}

TEST_F(Store, ListLoadsSortedByIndex)
{
    WriteEntryKey(L"Alpha", L"\\a.exe", L"", 2);
    WriteEntryKey(L"Bravo", L"\\b.exe", L"-b", 0);
    WriteEntryKey(L"Charlie", L"\\c.exe", L"", 1);
    WriteEntryKey(L"Delta", L"\\d.exe", L"", -5);
    LoadLaunchList();
    ASSERT_EQ(4, g_Config.LaunchCount);
    EXPECT_STREQ(L"Delta", g_Config.LaunchList[0].Name);
    EXPECT_STREQ(L"Bravo", g_Config.LaunchList[1].Name);
    EXPECT_STREQ(L"Charlie", g_Config.LaunchList[2].Name);
    EXPECT_STREQ(L"Alpha", g_Config.LaunchList[3].Name);
    EXPECT_STREQ(L"\\b.exe", g_Config.LaunchList[1].FileName);
    EXPECT_STREQ(L"-b", g_Config.LaunchList[1].CommandLine);
    EXPECT_EQ(-5, g_Config.LaunchList[0].Index);
}

TEST_F(Store, LongestNamesPathsAndCommandLinesRoundTripWhole)
{
    std::wstring name = Repeat(L'n', 255);
    std::wstring file = L"\\" + Repeat(L'f', 254);
    std::wstring args = Repeat(L'a', 255);
    WriteEntryKey(name, file, args, 0);
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_EQ(name, std::wstring(g_Config.LaunchList[0].Name));
    EXPECT_EQ(file, std::wstring(g_Config.LaunchList[0].FileName));
    EXPECT_EQ(args, std::wstring(g_Config.LaunchList[0].CommandLine));

    // Saved under the full 282-unit key path, not a truncated one.
    SaveLaunchList();
    EXPECT_TRUE(KeyExists(EntryPath(name)));
    EXPECT_EQ(282u, EntryPath(name).size());
    EXPECT_EQ(1u, SubkeyCount(LIST_KEY_PATH));
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_EQ(args, std::wstring(g_Config.LaunchList[0].CommandLine));
}

TEST_F(Store, OverlongEntryValuesLoadEmpty)
{
    WriteEntryKey(L"Long", Repeat(L'p', 256), Repeat(L'q', 300), 3);
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_STREQ(L"", g_Config.LaunchList[0].FileName);
    EXPECT_STREQ(L"", g_Config.LaunchList[0].CommandLine);
    EXPECT_EQ(3, g_Config.LaunchList[0].Index);
}

TEST_F(Store, EntryWithoutValuesLoadsByItsName)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, EntryPath(L"Bare").c_str(), 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    RegCloseKey(key);
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_STREQ(L"Bare", g_Config.LaunchList[0].Name);
    EXPECT_STREQ(L"", g_Config.LaunchList[0].FileName);
    EXPECT_STREQ(L"", g_Config.LaunchList[0].CommandLine);
    EXPECT_EQ(0, g_Config.LaunchList[0].Index);
}

TEST_F(Store, SaveReplacesTheStoredListWhole)
{
    WriteEntryKey(L"Old", L"\\old.exe", L"", 0);
    LoadLaunchList();
    LaunchEntry *entries = (LaunchEntry *)LocalAlloc(LMEM_ZEROINIT, 3 * sizeof(LaunchEntry));
    const wchar_t *names[] = { L"Mail", L"Notes", L"Games" };
    for (int i = 0; i < 3; i++) {
        wcscpy(entries[i].Name, names[i]);
        wsprintfW(entries[i].FileName, L"\\Windows\\%s.exe", names[i]);
        entries[i].Index = i;
    }
    wcscpy(entries[1].CommandLine, L"/new");
    FreeLaunchList();
    g_Config.LaunchList = entries;
    g_Config.LaunchCount = 3;
    SaveLaunchList();

    EXPECT_FALSE(KeyExists(EntryPath(L"Old")));
    EXPECT_EQ(3u, SubkeyCount(LIST_KEY_PATH));
    LoadLaunchList();
    ASSERT_EQ(3, g_Config.LaunchCount);
    for (int i = 0; i < 3; i++)
        EXPECT_STREQ(names[i], g_Config.LaunchList[i].Name);
    EXPECT_STREQ(L"/new", g_Config.LaunchList[1].CommandLine);
    EXPECT_STREQ(L"\\Windows\\Games.exe", g_Config.LaunchList[2].FileName);
}

// An empty name would put an entry's values on the list key itself, and one with "\\" a
// nested key that the next load reads as an empty entry: neither is written.
TEST_F(Store, NamesThatCannotBeSubkeysAreNotWritten)
{
    WriteEntryKey(L"Keep", L"\\keep.exe", L"", 0);
    WriteEntryKey(L"Two", L"\\two.exe", L"", 3);
    LoadLaunchList();
    ASSERT_EQ(2, g_Config.LaunchCount);
    wcscpy(g_Config.LaunchList[1].Name, L"a\\b");
    SaveLaunchList();
    EXPECT_FALSE(KeyExists(EntryPath(L"a")));
    wcscpy(g_Config.LaunchList[1].Name, L"");
    SaveLaunchList();
    HKEY list;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, LIST_KEY_PATH, 0, KEY_READ, &list));
    DWORD values = 99;
    RegQueryInfoKeyW(list, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(list);
    EXPECT_EQ(0u, values) << "nothing written on the list key itself";
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_STREQ(L"Keep", g_Config.LaunchList[0].Name);
    EXPECT_TRUE(IsStorableEntryName(L"x"));
    EXPECT_FALSE(IsStorableEntryName(L"") || IsStorableEntryName(L"\\x") || IsStorableEntryName(NULL));
}

TEST_F(Store, NamesTheRegistryTreatsAsEqualCollapseIntoOneEntry)
{
    LaunchEntry *entries = (LaunchEntry *)LocalAlloc(LMEM_ZEROINIT, 2 * sizeof(LaunchEntry));
    wcscpy(entries[0].Name, L"Notes");
    wcscpy(entries[0].FileName, L"\\first.exe");
    entries[0].Index = 0;
    wcscpy(entries[1].Name, L"NOTES");
    wcscpy(entries[1].FileName, L"\\second.exe");
    entries[1].Index = 1;
    g_Config.LaunchList = entries;
    g_Config.LaunchCount = 2;
    SaveLaunchList();
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_STREQ(L"\\second.exe", g_Config.LaunchList[0].FileName);
    EXPECT_EQ(1, g_Config.LaunchList[0].Index);
}

TEST_F(Store, SavingAnEmptyListRemovesTheListKeyAndLoadingRecreatesIt)
{
    WriteEntryKey(L"One", L"\\1.exe", L"", 0);
    LoadLaunchList();
    FreeLaunchList();
    SaveLaunchList();
    EXPECT_FALSE(KeyExists(LIST_KEY_PATH));
    EXPECT_TRUE(KeyExists(SETTINGS_KEY_PATH));
    LoadLaunchList();
    EXPECT_EQ(0, g_Config.LaunchCount);
    EXPECT_TRUE(KeyExists(LIST_KEY_PATH));
}

TEST_F(Store, DeletingTheListRemovesEveryEntryKey)
{
    for (int i = 0; i < 300; i++) {
        wchar_t name[32];
        wsprintfW(name, L"Entry %03d", i);
        WriteEntryKey(name, L"\\x.exe", L"", i);
    }
    EXPECT_EQ(300u, SubkeyCount(LIST_KEY_PATH));
    DeleteLaunchListKeys();
    EXPECT_FALSE(KeyExists(LIST_KEY_PATH));
    EXPECT_FALSE(KeyExists(EntryPath(L"Entry 000")));
    EXPECT_FALSE(KeyExists(EntryPath(L"Entry 299")));
    EXPECT_TRUE(KeyExists(SETTINGS_KEY_PATH));

    // Nothing there: still quiet.
    DeleteLaunchListKeys();
    EXPECT_FALSE(KeyExists(LIST_KEY_PATH));
}

// As on the device, a deleted key takes its subkeys with it: an entry key that somebody
// gave a subkey is not left behind to come back with the next save.
TEST_F(Store, EntryKeysWithSubkeysGoWithTheList)
{
    WriteEntryKey(L"Keep", L"\\keep.exe", L"", 0);
    WriteEntryKey(L"Nested", L"\\nested.exe", L"", 1);
    HKEY deep;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (EntryPath(L"Nested") + L"\\a\\b").c_str(),
                                             0, NULL, 0, KEY_ALL_ACCESS, NULL, &deep, NULL));
    RegCloseKey(deep);

    LoadLaunchList();
    ASSERT_EQ(2, g_Config.LaunchCount);
    g_Config.LaunchCount = 1;   // the list without "Nested", as a save after deleting it
    SaveLaunchList();
    EXPECT_FALSE(KeyExists(EntryPath(L"Nested")));
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_STREQ(L"Keep", g_Config.LaunchList[0].Name);

    DeleteLaunchListKeys();
    EXPECT_FALSE(KeyExists(LIST_KEY_PATH));
}

TEST_F(Store, LoadingReplacesTheHeldList)
{
    WriteEntryKey(L"A", L"\\a", L"", 0);
    WriteEntryKey(L"B", L"\\b", L"", 1);
    LoadLaunchList();
    ASSERT_EQ(2, g_Config.LaunchCount);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, EntryPath(L"A").c_str()));
    LoadLaunchList();
    ASSERT_EQ(1, g_Config.LaunchCount);
    EXPECT_STREQ(L"B", g_Config.LaunchList[0].Name);
}

}  // namespace
