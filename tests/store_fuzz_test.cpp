// Whatever the registry holds, loading and showing it must not crash or corrupt the heap.
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "store/store.h"
#include "today/layout.h"
#include "harness.h"
#include "today_standin.h"

namespace {

const wchar_t *kSettingNames[] = { VALUE_BACKBMPFILE, VALUE_STRETCH_BACKBMP, VALUE_CTRLUPDOWN, VALUE_ICONSIZE,
                                   VALUE_HMARGIN, VALUE_VMARGIN, VALUE_WINLEFTMARGIN, VALUE_WINTOPMARGIN,
                                   VALUE_WINRIGHTMARGIN, VALUE_WINBOTTOMMARGIN, VALUE_SHOWICONSEC };
const wchar_t *kEntryValueNames[] = { VALUE_FILE_NAME, VALUE_COMMAND_LINE, VALUE_INDEX };

std::vector<BYTE> RandomData(std::mt19937 &random, size_t maxSize)
{
    std::vector<BYTE> data(random() % (maxSize + 1));
    for (BYTE &b : data)
        b = (BYTE)random();
    // Now and then plausible text, sometimes without a terminator.
    if (data.size() >= 4 && random() % 3 == 0)
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            data[i] = (BYTE)('a' + random() % 26);
            data[i + 1] = 0;
        }
    return data;
}

void WriteRandomValue(std::mt19937 &random, const std::wstring &key, const wchar_t *name)
{
    static const DWORD types[] = { REG_SZ, REG_DWORD, REG_BINARY, REG_QWORD, REG_MULTI_SZ, REG_EXPAND_SZ };
    DWORD type = types[random() % 6];
    std::vector<BYTE> data = RandomData(random, random() % 4 == 0 ? 1200 : 16);
    WriteRawValue(key, name, type, data.empty() ? NULL : data.data(), (DWORD)data.size());
}

// Every text field ends inside its buffer.
void ExpectTerminated(const WCHAR *field)
{
    bool found = false;
    for (int i = 0; i < TEXT_CAPACITY && !found; i++)
        found = field[i] == 0;
    EXPECT_TRUE(found);
}

void FillRandomRegistry(unsigned seed, int entries)
{
    std::mt19937 random(seed);
    for (const wchar_t *name : kSettingNames)
        if (random() % 4 != 0)
            WriteRandomValue(random, SETTINGS_KEY_PATH, name);
    for (int i = 0; i < entries; i++) {
        std::wstring name;
        size_t length = 1 + random() % (random() % 8 == 0 ? 255 : 12);
        for (size_t c = 0; c < length; c++)
            name += (wchar_t)(random() % 3 == 0 ? 0x3041 + random() % 80 : L'A' + random() % 26);
        std::wstring key = std::wstring(LIST_KEY_PATH) + L"\\" + name;
        HKEY created;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &created, NULL)
            != ERROR_SUCCESS)
            continue;
        RegCloseKey(created);
        for (const wchar_t *value : kEntryValueNames)
            if (random() % 5 != 0)
                WriteRandomValue(random, key, value);
    }
}

class StoreFuzz : public testing::TestWithParam<unsigned> {
protected:
    void SetUp() override { ResetRegistry(); }
    void TearDown() override { ResetRegistry(); }
};

TEST_P(StoreFuzz, RandomContentLoadsAndPaintsSafely)
{
    unsigned seed = GetParam();
    FillRandomRegistry(seed, seed % 2 ? 40 : 400);
    LoadDisplaySettings();
    LoadLaunchList();
    ExpectTerminated(g_Config.Settings.backbmpfile);
    EXPECT_EQ((LONG)SubkeyCount(LIST_KEY_PATH), g_Config.LaunchCount);
    for (LONG i = 0; i < g_Config.LaunchCount; i++) {
        ExpectTerminated(g_Config.LaunchList[i].Name);
        ExpectTerminated(g_Config.LaunchList[i].FileName);
        ExpectTerminated(g_Config.LaunchList[i].CommandLine);
        if (i > 0)
            EXPECT_LE(g_Config.LaunchList[i - 1].Index, g_Config.LaunchList[i].Index);
    }

    // Keep the random layout within what one paint can allocate; the walk itself takes any value.
    g_Config.Settings.ShowIconSec = 0;
    TestToday today;
    HWND item = today.CreateItem();
    ASSERT_NE(nullptr, item);
    today.WaitForIcons();
    for (int y = 0; y < 200; y += 7)
        for (int x = 0; x < 240; x += 11)
            HitTestEntry(x, y);
    UpdateWindow(item);
    PumpMessages(10);
    DestroyWindow(item);
    EXPECT_EQ(0, g_Config.LaunchCount);
}

class StoreVolume : public testing::Test {
protected:
    void SetUp() override { ResetRegistry(); }
    void TearDown() override { ResetRegistry(); }
};

TEST_F(StoreVolume, ThousandsOfEntriesLoadAndSave)
{
    for (int i = 0; i < 3000; i++) {
        wchar_t name[32];
        wsprintfW(name, L"e%05d", i);
        WriteEntryKey(name, L"\\Windows\\x.exe", L"", 2999 - i);
    }
    LoadLaunchList();
    ASSERT_EQ(3000, g_Config.LaunchCount);
    EXPECT_STREQ(L"e02999", g_Config.LaunchList[0].Name);
    EXPECT_STREQ(L"e00000", g_Config.LaunchList[2999].Name);
    SaveLaunchList();
    EXPECT_EQ(3000u, SubkeyCount(LIST_KEY_PATH));
    FreeLaunchList();
}

INSTANTIATE_TEST_SUITE_P(Seeds, StoreFuzz, testing::Values(1u, 2u, 3u, 4u, 5u, 6u, 11u, 12u));

}  // namespace
