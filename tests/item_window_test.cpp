// The plug-in entry and the item window: creation, the height query, the icon timer, teardown.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "store/store.h"
#include "today/icons.h"
#include "today/bitmap_file.h"
#include "today/initialize_item.h"
#include "today/item_window.h"
#include "today/item_state.h"
#include "today/layout.h"
#include "harness.h"
#include "pixels.h"
#include "sandbox.h"
#include "today_standin.h"

namespace {

class ItemWindow : public testing::Test {
protected:
    void SetUp() override { ResetRegistry(); }
    void TearDown() override { ResetRegistry(); }

    void WriteEntries(int n)
    {
        for (int i = 0; i < n; i++) {
            wchar_t name[16];
            wsprintfW(name, L"Entry %02d", i);
            WriteEntryKey(name, L"\\missing.exe", L"", i);
        }
    }

    // The height the first query reports for n entries with the current registry settings.
    DWORD FirstHeight(int n)
    {
        ResetRegistry();
        WriteEntries(n);
        return QueryHeight();
    }

    void DestroyItem(HWND item, TestToday &today)
    {
        DestroyWindow(item);
        today.itemWindow = NULL;
    }

    bool ValueStored(const wchar_t *name)
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        bool found = RegQueryValueExW(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
        RegCloseKey(key);
        return found;
    }

    DWORD QueryHeight()
    {
        TestToday today;
        today.item.cyp = 0xDEAD;
        HWND item = InitializeCustomItem(&today.item, today.window);
        EXPECT_NE(nullptr, item);
        EXPECT_EQ(1, SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&today.item, 0));
        DestroyWindow(item);
        return today.item.cyp;
    }
};

TEST_F(ItemWindow, DisabledItemGetsNoWindowAndReadsNothing)
{
    WriteSettingNumber(VALUE_ICONSIZE, 30);
    WriteEntries(3);
    TestToday today;
    today.item.fEnabled = FALSE;
    EXPECT_EQ(nullptr, InitializeCustomItem(&today.item, today.window));
    EXPECT_EQ(16, g_Config.Settings.IconSize);
    EXPECT_EQ(0, g_Config.LaunchCount);
    EXPECT_EQ(nullptr, FindWindowExW(today.window, NULL, ITEM_WINDOW_CLASS, NULL));
}

TEST_F(ItemWindow, EntryLoadsConfigurationAndCreatesTheWindow)
{
    WriteSettingNumber(VALUE_ICONSIZE, 32);
    WriteEntries(2);
    TestToday today;
    HWND item = InitializeCustomItem(&today.item, today.window);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(32, g_Config.Settings.IconSize);
    EXPECT_EQ(2, g_Config.LaunchCount);
    EXPECT_EQ(today.item.hinstDLL, g_Item.ModuleHandle);
    EXPECT_EQ(1, g_Item.FirstRefreshPending);

    wchar_t text[64];
    GetClassNameW(item, text, 64);
    EXPECT_STREQ(ITEM_WINDOW_CLASS, text);
    GetWindowTextW(item, text, 64);
    EXPECT_STREQ(L"Tapshelf", text);
    EXPECT_EQ((LONG)(WS_CHILD | WS_VISIBLE), GetWindowLongW(item, GWL_STYLE) & ~WS_CLIPSIBLINGS);
    EXPECT_EQ(0, GetWindowLongW(item, GWL_EXSTYLE));
    EXPECT_EQ(today.window, GetParent(item));
    RECT client;
    GetClientRect(item, &client);
    EXPECT_EQ(0, client.right);
    EXPECT_EQ(0, client.bottom);

    WNDCLASSW wc;
    ASSERT_TRUE(GetClassInfoW(today.item.hinstDLL, ITEM_WINDOW_CLASS, &wc));
    EXPECT_EQ((UINT)(CS_HREDRAW | CS_VREDRAW), wc.style);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), wc.hbrBackground);
    EXPECT_EQ(nullptr, wc.hCursor);

    // The label exists, hidden, from creation on.
    ASSERT_NE(nullptr, g_Item.NameLabel);
    EXPECT_FALSE(IsWindowVisible(g_Item.NameLabel));
    EXPECT_EQ(1, SendMessageW(item, WM_ERASEBKGND, 0, 0));
    EXPECT_EQ(0, SendMessageW(item, WM_TODAYCUSTOM_CLEARCACHE, 0, 0));
    DestroyWindow(item);
}

TEST_F(ItemWindow, HeightFollowsTheCellWalkOnA240PixelScreen)
{
    ASSERT_EQ(240, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(25u, FirstHeight(0));
    EXPECT_EQ(25u, FirstHeight(1));
    EXPECT_EQ(25u, FirstHeight(11));
    EXPECT_EQ(45u, FirstHeight(12));
    EXPECT_EQ(45u, FirstHeight(22));
    EXPECT_EQ(65u, FirstHeight(23));
}

TEST_F(ItemWindow, HeightUsesEveryMargin)
{
    // Cells 32 + 2*4 = 40 wide, 32 + 2*1 = 34 high; room from 10 to 240 - 30 = 210: 5 cells a row.
    WriteSettingNumber(VALUE_ICONSIZE, 32);
    WriteSettingNumber(VALUE_HMARGIN, 4);
    WriteSettingNumber(VALUE_VMARGIN, 1);
    WriteSettingNumber(VALUE_WINLEFTMARGIN, 10);
    WriteSettingNumber(VALUE_WINTOPMARGIN, 3);
    WriteSettingNumber(VALUE_WINRIGHTMARGIN, 30);
    WriteSettingNumber(VALUE_WINBOTTOMMARGIN, 8);
    WriteEntries(5);
    EXPECT_EQ(3u + 34 + 8, QueryHeight());
    WriteEntries(6);
    EXPECT_EQ(3u + 34 + 34 + 8, QueryHeight());
}

TEST_F(ItemWindow, CellWiderThanTheRowGivesEachEntryARowStartingOneLower)
{
    WriteSettingNumber(VALUE_ICONSIZE, 300);
    WriteEntries(3);
    // Every cell wraps, the first one too: y = 304 * 3, plus one row and the bottom margin.
    EXPECT_EQ(304u * 3 + 304 + 5, QueryHeight());
}

TEST_F(ItemWindow, OnlyTheFirstHeightQueryAnswers)
{
    WriteEntries(3);
    TestToday today;
    HWND item = today.CreateItem();
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(25u, today.item.cyp);

    // The list grows under the window: the height stays as reported.
    WriteEntries(20);
    LoadLaunchList();
    today.item.cyp = 77;
    EXPECT_EQ(0, SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&today.item, 0));
    EXPECT_EQ(77u, today.item.cyp);
    EXPECT_EQ(0, g_Item.FirstRefreshPending);
}

// The screen turns under a live item (the Today screen keeps asking for the height): the
// first query after the width changed reports the height the rows now take, once; the
// last icon then lies inside the reported height, painted and hit.
TEST_F(ItemWindow, TurnedScreenReportsTheNewHeightAndKeepsTheLastIconReachable)
{
    if (!IsScreenRun()) {
        EXPECT_TRUE(PassesOnScreen({ 240, 320, 96 })) << "on a desktop of its own, turned at will";
        return;
    }
    struct Case { int entries; SIZE from, to; DWORD before, after; };
    const Case cases[] = {
        { 12, { 320, 240 }, { 240, 320 }, 25, 45 },   // 15 cells a row, then 11: a second row
        { 12, { 240, 320 }, { 320, 240 }, 45, 25 },   // and back: no empty row left
        { 5, { 320, 240 }, { 240, 320 }, 25, 25 },    // the rows stay as they were
        { 5, { 240, 320 }, { 320, 240 }, 25, 25 },
    };
    WriteSettingNumber(VALUE_SHOWICONSEC, 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.entries) + " entries, turned to " + std::to_string(c.to.cx));
        ASSERT_TRUE(SetScreenSize(c.from.cx, c.from.cy)) << "Wine's desktop did not take the size";
        ResetRegistry();
        WriteSettingNumber(VALUE_SHOWICONSEC, 0);
        WriteEntries(c.entries);
        TestToday today;
        HWND item = today.CreateItem(0);
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(c.before, today.item.cyp);
        EXPECT_EQ(0, SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&today.item, 0));
        today.WaitForIcons(1000);

        ASSERT_TRUE(SetScreenSize(c.to.cx, c.to.cy));
        PumpMessages(0);
        today.item.cyp = 0xDEAD;
        EXPECT_EQ(1, SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&today.item, 0));
        EXPECT_EQ(c.after, today.item.cyp);
        EXPECT_EQ(0, SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&today.item, 0))
            << "reported once per turn";
        EXPECT_EQ(c.after, today.item.cyp);

        // The host places the item at the new width and height.
        SetWindowPos(item, NULL, 0, 0, c.to.cx, (int)today.item.cyp, SWP_NOZORDER | SWP_NOACTIVATE);
        LONG last = c.entries - 1;
        int perRow = (c.to.cx - 13) / 20;
        POINT centre = { (LONG)(last % perRow) * 20 + 10, (LONG)(last / perRow) * 20 + 10 };
        EXPECT_EQ(last, HitTestEntry(centre.x, centre.y));
        EXPECT_LT(centre.y + 10, (LONG)today.item.cyp) << "the last row lies inside the item";
        Pixels shown = RenderItem(item);
        int drawn = 0;
        for (int y = centre.y - 8; y < centre.y + 8; y++)
            for (int x = centre.x - 8; x < centre.x + 8; x++)
                drawn += shown.At(x, y) != WATERMARK_COLOUR;
        EXPECT_GT(drawn, 16) << "the last icon is painted";
        DestroyWindow(item);
        today.itemWindow = NULL;
    }
}

// How many pixels of image i differ from white when drawn on white.
int DrawnPixels(HIMAGELIST list, int i)
{
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    DibCanvas canvas(cx, cy, RGB(255, 255, 255));
    ImageList_Draw(list, i, canvas.dc, 0, 0, ILD_NORMAL);
    Pixels shown = canvas.Read();
    int drawn = 0;
    for (DWORD pixel : shown.bits)
        drawn += (pixel & 0xFFFFFF) != 0xFFFFFF;
    return drawn;
}

// A VGA Pocket PC (192 dpi, whose system icons are 64 and 32 pixels and whose LoadIcon gives
// only a 64-pixel image): the unstored layout values are twice the 96-dpi defaults and stay
// unstored, a stored one is used as stored, the grid is the 240-pixel screen's doubled, the
// default icon comes, and an entry that gets no icon at all still takes its own image.
TEST_F(ItemWindow, OnAVgaScreenTheDefaultsDoubleAndEveryEntryKeepsItsOwnImage)
{
    if (!IsScreenRun()) {
        EXPECT_TRUE(PassesOnScreen({ 480, 640, 192 }));
        return;
    }
    ASSERT_EQ(192, CurrentScreen().dpi);
    ASSERT_EQ(480, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(64, GetSystemMetrics(SM_CXICON));
    ASSERT_EQ(32, GetSystemMetrics(SM_CXSMICON));
    WriteSettingNumber(VALUE_SHOWICONSEC, 0);
    WriteEntries(12);
    TestToday today;
    HWND item = today.CreateItem(0);
    ASSERT_NE(nullptr, item);
    const DisplaySettings &s = g_Config.Settings;
    EXPECT_EQ(32, s.IconSize);
    EXPECT_EQ(4, s.HMargin);
    EXPECT_EQ(4, s.VMargin);
    EXPECT_EQ(0, s.WinLeftMargin);
    EXPECT_EQ(26, s.WinRightMargin);
    EXPECT_EQ(10, s.WinBottomMargin);
    EXPECT_EQ(1, s.CtrlUpDown) << "what is no size stays as it is";
    EXPECT_EQ(90u, today.item.cyp) << "11 cells of 40 a row, as 11 of 20 on a 240-pixel screen";

    today.WaitForIcons(2000);
    ASSERT_NE(nullptr, g_Item.IconImageList);
    ASSERT_EQ(12, ImageList_GetImageCount(g_Item.IconImageList)) << "the default icon came for every entry";
    EXPECT_GT(DrawnPixels(g_Item.IconImageList, 11), 100);
    DestroyItem(item, today);

    // Saving writes none of the unstored sizes; a stored one is taken, and kept when saved.
    SaveDisplaySettings();
    EXPECT_FALSE(ValueStored(VALUE_ICONSIZE));
    EXPECT_FALSE(ValueStored(VALUE_WINRIGHTMARGIN));
    EXPECT_TRUE(ValueStored(VALUE_CTRLUPDOWN));
    WriteSettingNumber(VALUE_ICONSIZE, 20);
    LoadDisplaySettings();
    EXPECT_EQ(20, s.IconSize);
    EXPECT_EQ(4, s.HMargin);
    SaveDisplaySettings();
    EXPECT_TRUE(ValueStored(VALUE_ICONSIZE));
    EXPECT_FALSE(ValueStored(VALUE_HMARGIN));

    // Neither the shell nor the default icon gives the middle entry one: it takes a blank
    // image, and the folder after it keeps its own.
    std::wstring folder = SandboxFolder();
    CreateDirectoryW((folder + L"\\Games").c_str(), NULL);
    LaunchEntry entries[3] = {};
    wcscpy(entries[0].FileName, (folder + L"\\Games").c_str());
    wcscpy(entries[1].FileName, L"\\missing.exe");
    wcscpy(entries[2].FileName, (folder + L"\\Games").c_str());
    HINSTANCE module = g_Item.ModuleHandle;
    g_Item.ModuleHandle = GetModuleHandleW(L"kernel32.dll");   // no icon 102 there
    ASSERT_TRUE(BuildIconImageList(entries, 3, 32));
    g_Item.ModuleHandle = module;
    ASSERT_EQ(3, ImageList_GetImageCount(g_Item.IconImageList));
    EXPECT_EQ(0, DrawnPixels(g_Item.IconImageList, 1));
    EXPECT_GT(DrawnPixels(g_Item.IconImageList, 2), 100);
    ImageList_Destroy(g_Item.IconImageList);
    g_Item.IconImageList = NULL;
}

TEST_F(ItemWindow, IconsComeFromTheTimerAfterShowIconSec)
{
    WriteSettingNumber(VALUE_SHOWICONSEC, 0);
    WriteEntries(4);
    TestToday today;
    HWND item = InitializeCustomItem(&today.item, today.window);
    ASSERT_NE(nullptr, item);
    PumpMessages(50);
    EXPECT_EQ(nullptr, g_Item.IconImageList);   // creation fetches no icons

    SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&today.item, 0);
    today.WaitForIcons(1000);
    HIMAGELIST built = g_Item.IconImageList;
    ASSERT_NE(nullptr, built);
    EXPECT_EQ(4, ImageList_GetImageCount(built));

    // The timer stopped: no rebuild replaces the list.
    PumpMessages(100);
    EXPECT_EQ(built, g_Item.IconImageList);
    DestroyWindow(item);
}

// A delay no timer can hold (negative, or more milliseconds than 31 bits) waits the
// default second instead of wrapping into a wait that never ends.
TEST_F(ItemWindow, ShowIconSecBeyondATimersRangeWaitsTheDefaultSecond)
{
    WriteEntries(2);
    for (DWORD stored : { 0xFFFFFFFFu, 2147483647u, 2147484u }) {
        WriteSettingNumber(VALUE_SHOWICONSEC, stored);
        TestToday today;
        HWND item = today.CreateItem();
        ASSERT_NE(nullptr, item);
        today.WaitForIcons(2500);
        EXPECT_NE(nullptr, g_Item.IconImageList) << stored;
        DestroyWindow(item);
        today.itemWindow = NULL;
    }
}

TEST_F(ItemWindow, EmptyListStillBuildsAnEmptyIconList)
{
    WriteSettingNumber(VALUE_SHOWICONSEC, 0);
    TestToday today;
    HWND item = today.CreateItem();
    ASSERT_NE(nullptr, item);
    today.WaitForIcons(1000);
    ASSERT_NE(nullptr, g_Item.IconImageList);
    EXPECT_EQ(0, ImageList_GetImageCount(g_Item.IconImageList));
}

static int g_foreignTimerCalls;
static void CALLBACK ForeignTimerProc(HWND, UINT, UINT_PTR, DWORD) { g_foreignTimerCalls++; }

TEST_F(ItemWindow, OtherTimersAreIgnored)
{
    WriteEntries(2);
    TestToday today;
    HWND item = InitializeCustomItem(&today.item, today.window);
    ASSERT_NE(nullptr, item);
    // The default handling would call a timer procedure given in lParam.
    EXPECT_EQ(0, SendMessageW(item, WM_TIMER, 2, (LPARAM)ForeignTimerProc));
    EXPECT_EQ(0, g_foreignTimerCalls);
    EXPECT_EQ(nullptr, g_Item.IconImageList);
    DestroyWindow(item);
}

TEST_F(ItemWindow, DestroyReleasesEverythingButSettingsAndSelection)
{
    WriteSettingNumber(VALUE_SHOWICONSEC, 0);
    WriteSettingNumber(VALUE_HMARGIN, 3);
    WriteEntries(3);
    TestToday today;
    HWND item = today.CreateItem();
    ASSERT_NE(nullptr, item);
    today.WaitForIcons(1000);
    ASSERT_NE(nullptr, g_Item.IconImageList);
    g_Item.FocusedEntry = 2;
    g_Item.HighlightedEntry = 1;
    HWND label = g_Item.NameLabel;

    DestroyWindow(item);
    today.itemWindow = NULL;
    EXPECT_EQ(nullptr, g_Item.NameLabel);
    EXPECT_FALSE(IsWindow(label));
    EXPECT_EQ(nullptr, g_Item.IconImageList);
    EXPECT_EQ(nullptr, g_Item.BackgroundBitmap);
    EXPECT_EQ(nullptr, g_Config.LaunchList);
    EXPECT_EQ(0, g_Config.LaunchCount);
    EXPECT_EQ(3, g_Config.Settings.HMargin);
    EXPECT_EQ(2, g_Item.FocusedEntry);
    EXPECT_EQ(1, g_Item.HighlightedEntry);

    // A second window in the same process: class registered again, a fresh label, list reloaded.
    HWND again = today.CreateItem();
    ASSERT_NE(nullptr, again);
    EXPECT_NE(nullptr, g_Item.NameLabel);
    EXPECT_EQ(3, g_Config.LaunchCount);
    EXPECT_EQ(25u, today.item.cyp);
}

// A 4x2 24-bit bitmap file, blue, as bytes; a test may spoil it before writing it.
static std::string BitmapFileBytes()
{
    std::string file(54 + 4 * 2 * 3, '\0');
    BITMAPFILEHEADER *fh = (BITMAPFILEHEADER *)&file[0];
    BITMAPINFOHEADER *ih = (BITMAPINFOHEADER *)&file[14];
    fh->bfType = 0x4D42;
    fh->bfSize = (DWORD)file.size();
    fh->bfOffBits = 54;
    ih->biSize = 40;
    ih->biWidth = 4;
    ih->biHeight = 2;
    ih->biPlanes = 1;
    ih->biBitCount = 24;
    for (size_t i = 54; i < file.size(); i += 3)
        file[i] = (char)0xFF;
    return file;
}

static void WriteBitmapFile(const std::wstring &path) { WriteFileText(path, BitmapFileBytes()); }

// Both kinds of header lie 14 bytes into the file, two bytes off a word boundary; the
// library's x86_64 build traps a misaligned read there as the device's processor does
// (the test program then ends with a message), so reading them must not make one.
TEST_F(ItemWindow, BitmapHeadersAreReadWithoutMisalignedReads)
{
    std::wstring path = SandboxFolder() + L"\\back.bmp";
    WriteBitmapFile(path);
    EXPECT_TRUE(IsWholeBitmapFile(path.c_str())) << "the 40-byte info header";

    // The same picture with the 12-byte core header: 4x2 pixels, 24 bits.
    std::string core(26 + 4 * 2 * 3, '\0');
    const unsigned char head[26] = { 'B', 'M', (unsigned char)core.size(), 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0,
                                     12, 0, 0, 0, 4, 0, 2, 0, 1, 0, 24, 0 };
    core.replace(0, sizeof(head), (const char *)head, sizeof(head));
    WriteFileText(path, core);
    EXPECT_TRUE(IsWholeBitmapFile(path.c_str())) << "the 12-byte core header";
    core.resize(core.size() - 1);
    WriteFileText(path, core);
    EXPECT_FALSE(IsWholeBitmapFile(path.c_str())) << "a core-header file one byte short";
}

LONG g_accessViolations;
LONG CALLBACK CountAccessViolations(EXCEPTION_POINTERS *e)
{
    if (e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        InterlockedIncrement(&g_accessViolations);
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST_F(ItemWindow, BackgroundBitmapLoadsAtCreationAndAMissingOneIsSkipped)
{
    std::wstring folder = SandboxFolder();
    WriteBitmapFile(folder + L"\\back.bmp");
    WriteSettingString(VALUE_BACKBMPFILE, folder + L"\\back.bmp");
    TestToday today;
    HWND item = InitializeCustomItem(&today.item, today.window);
    ASSERT_NE(nullptr, item);
    ASSERT_NE(nullptr, g_Item.BackgroundBitmap);
    BITMAP bm;
    ASSERT_EQ((int)sizeof(bm), GetObjectW(g_Item.BackgroundBitmap, sizeof(bm), &bm));
    EXPECT_EQ(4, bm.bmWidth);
    EXPECT_EQ(2, bm.bmHeight);
    DestroyWindow(item);
    EXPECT_EQ(nullptr, g_Item.BackgroundBitmap);

    WriteSettingString(VALUE_BACKBMPFILE, folder + L"\\nothere.bmp");
    item = InitializeCustomItem(&today.item, today.window);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(nullptr, g_Item.BackgroundBitmap);
    DestroyWindow(item);
}

// A file whose headers claim more than it holds is never handed to the loader, which would
// read past its end: no background, no fault, and the item works.
TEST_F(ItemWindow, ABitmapFileThatLiesAboutItsSizeGivesNoBackground)
{
    std::wstring folder = SandboxFolder();
    auto spoiled = [](void (*spoil)(std::string &)) {
        std::string file = BitmapFileBytes();
        spoil(file);
        return file;
    };
    std::vector<std::pair<const char *, std::string>> files = {
        { "truncated pixels", spoiled([](std::string &f) { f.resize(f.size() - 10); }) },
        { "cut inside the header", spoiled([](std::string &f) { f.resize(30); }) },
        { "taller than its pixels", spoiled([](std::string &f) { ((BITMAPINFOHEADER *)&f[14])->biHeight = 100000; }) },
        { "pixels beyond the end", spoiled([](std::string &f) { ((BITMAPFILEHEADER *)&f[0])->bfOffBits = 0x7FFFFFF0; }) },
        { "larger than the file", spoiled([](std::string &f) { ((BITMAPFILEHEADER *)&f[0])->bfSize = 1 << 30; }) },
        { "colour table beyond the end", spoiled([](std::string &f) {
              BITMAPINFOHEADER *ih = (BITMAPINFOHEADER *)&f[14];
              ih->biBitCount = 8;
              ih->biClrUsed = 256;
          }) },
    };
    PVOID handler = AddVectoredExceptionHandler(1, CountAccessViolations);
    TestToday today;
    for (auto &[what, bytes] : files) {
        g_accessViolations = 0;
        WriteFileText(folder + L"\\bad.bmp", bytes);
        WriteSettingString(VALUE_BACKBMPFILE, folder + L"\\bad.bmp");
        HWND item = InitializeCustomItem(&today.item, today.window);
        ASSERT_NE(nullptr, item) << what;
        EXPECT_EQ(nullptr, g_Item.BackgroundBitmap) << what;
        EXPECT_EQ(0, g_accessViolations) << what;
        UpdateWindow(item);
        DestroyWindow(item);
    }
    RemoveVectoredExceptionHandler(handler);
}

}  // namespace
