// The icon image list: sizes, the per-entry icon rule and the failure of the system list.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>
#include "today/icons.h"
#include "resources/resource.h"
#include "wince_testing.h"
#include "harness.h"
#include "pixels.h"
#include "sandbox.h"

namespace {

// The pixels of an icon drawn at its own size on a white background.
std::vector<COLORREF> Pixels(HIMAGELIST list, int i, HICON icon = NULL)
{
    int size = 32;
    if (list) {
        int cy;
        ImageList_GetIconSize(list, &size, &cy);
    }
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = { 0, 0, size, size };
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    if (list)
        ImageList_Draw(list, i, dc, 0, 0, ILD_NORMAL);
    else
        DrawIconEx(dc, 0, 0, icon, size, size, 0, NULL, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    return pixels;
}

// The default icon (resource 102) at a given size, as an image list holds it.
std::vector<COLORREF> DefaultIconPixels(int size)
{
    HIMAGELIST list = ImageList_Create(size, size, ILC_MASK, 1, 1);
    HICON icon = LoadIconW(g_Item.ModuleHandle, MAKEINTRESOURCEW(IDI_TAPSHELF));
    ImageList_ReplaceIcon(list, -1, icon);
    std::vector<COLORREF> pixels = Pixels(list, 0);
    ImageList_Destroy(list);
    return pixels;
}

// The shell's icon for a path, as an image list of that size holds it.
std::vector<COLORREF> ShellIconPixels(const std::wstring &path, bool small)
{
    // The tests call the desktop's shell, which needs a drive letter: "\x" names the current drive's x.
    WCHAR full[MAX_PATH];
    GetFullPathNameW(path.c_str(), MAX_PATH, full, NULL);
    SHFILEINFOW info = {};
    HIMAGELIST system = (HIMAGELIST)SHGetFileInfoW(full, 0, &info, sizeof(info),
                                                   SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : 0));
    int size = small ? GetSystemMetrics(SM_CXSMICON) : GetSystemMetrics(SM_CXICON);
    HIMAGELIST list = ImageList_Create(size, size, ILC_MASK, 1, 1);
    HICON icon = ImageList_GetIcon(system, info.iIcon, ILD_NORMAL);
    ImageList_ReplaceIcon(list, -1, icon);
    DestroyIcon(icon);
    std::vector<COLORREF> pixels = Pixels(list, 0);
    ImageList_Destroy(list);
    return pixels;
}

class Icons : public testing::Test {
protected:
    std::vector<LaunchEntry> entries;

    void Add(const std::wstring &path)
    {
        LaunchEntry entry = {};
        wcscpy(entry.Name, L"x");
        wcsncpy(entry.FileName, path.c_str(), TEXT_CAPACITY - 1);
        entries.push_back(entry);
    }
    BOOL Build(LONG iconSize) { return BuildIconImageList(entries.data(), (LONG)entries.size(), iconSize); }
    int ImageSize()
    {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(g_Item.IconImageList, &cx, &cy);
        EXPECT_EQ(cx, cy);
        return cx;
    }
    void TearDown() override
    {
        if (g_Item.IconImageList)
            ImageList_Destroy(g_Item.IconImageList);
        g_Item.IconImageList = NULL;
    }
};

TEST_F(Icons, ImageSizeSwitchesAtTheAverageOfTheSystemSizes)
{
    ASSERT_EQ(32, GetSystemMetrics(SM_CXICON));
    ASSERT_EQ(16, GetSystemMetrics(SM_CXSMICON));
    Add(L"");
    const LONG smallSizes[] = { -40, -1, 0, 16, 20, 23 };
    for (LONG size : smallSizes) {
        ASSERT_TRUE(Build(size));
        EXPECT_EQ(16, ImageSize()) << "IconSize " << size;
    }
    const LONG largeSizes[] = { 24, 32, 48, 1000 };
    for (LONG size : largeSizes) {
        ASSERT_TRUE(Build(size));
        EXPECT_EQ(32, ImageSize()) << "IconSize " << size;
    }
}

TEST_F(Icons, MissingAndEmptyPathsGetTheDefaultIcon)
{
    std::wstring folder = SandboxFolder();
    Add(L"");
    Add(folder + L"\\no such file.exe");
    Add(L"\\nowhere\\at\\all");
    ASSERT_TRUE(Build(16));
    ASSERT_EQ(3, ImageList_GetImageCount(g_Item.IconImageList));
    std::vector<COLORREF> expected = DefaultIconPixels(16);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(expected, Pixels(g_Item.IconImageList, i)) << "image " << i;

    ASSERT_TRUE(Build(32));
    EXPECT_EQ(DefaultIconPixels(32), Pixels(g_Item.IconImageList, 1));
}

TEST_F(Icons, ExistingFoldersAndFilesGetTheShellsIconInListOrder)
{
    std::wstring folder = SandboxFolder();
    CreateDirectoryW((folder + L"\\Games").c_str(), NULL);
    WriteFileText(folder + L"\\notes.txt", "hello");
    WriteFileText(folder + L"\\data.unknown", "?");
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring program = folder + L"\\winemine.exe";
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\winemine.exe").c_str(), program.c_str(), FALSE));
    Add(L"");
    Add(folder + L"\\Games");
    Add(folder + L"\\notes.txt");
    Add(program);
    Add(folder + L"\\data.unknown");
    ASSERT_TRUE(Build(16));
    ASSERT_EQ(5, ImageList_GetImageCount(g_Item.IconImageList));
    std::vector<COLORREF> folderIcon = ShellIconPixels(folder + L"\\Games", true);
    EXPECT_NE(DefaultIconPixels(16), folderIcon);
    EXPECT_EQ(DefaultIconPixels(16), Pixels(g_Item.IconImageList, 0));
    EXPECT_EQ(folderIcon, Pixels(g_Item.IconImageList, 1));
    EXPECT_EQ(ShellIconPixels(folder + L"\\notes.txt", true), Pixels(g_Item.IconImageList, 2));
    EXPECT_EQ(ShellIconPixels(program, true), Pixels(g_Item.IconImageList, 3));

    // A program shows its own icon, at both sizes: never the blank page of a file of no
    // known type, which is all a prefix without the shell's ".exe" gives it.
    for (LONG size : { 16, 32 }) {
        ASSERT_TRUE(Build(size));
        EXPECT_NE(Pixels(g_Item.IconImageList, 4), Pixels(g_Item.IconImageList, 3)) << "size " << size;
        EXPECT_NE(DefaultIconPixels(size), Pixels(g_Item.IconImageList, 3)) << "size " << size;
    }
}

// A device shortcut ("N#command") shows its target's icon; one whose target is missing, and
// a file that is no shortcut, show the default icon, as a missing file does.
TEST_F(Icons, ShortcutsShowTheirTargetsIconAndBrokenOnesTheDefault)
{
    std::wstring folder = SandboxFolder();
    std::string device = Narrow(folder);
    CreateDirectoryW((folder + L"\\Games").c_str(), NULL);
    WriteFileText(folder + L"\\notes.txt", "hello");
    const struct { const wchar_t *name; std::string text; } kShortcuts[] = {
        { L"notes.lnk", "2#" + device + "\\notes.txt" },
        { L"games.lnk", "40#\"" + device + "\\Games\" -x\r\n" },
        { L"chain.lnk", "1#" + device + "\\notes.lnk" },
        { L"gone.lnk", "30#" + device + "\\gone.txt" },
        { L"text.lnk", "notes.txt" },
    };
    for (const auto &shortcut : kShortcuts) {
        WriteFileText(folder + L"\\" + shortcut.name, shortcut.text);
        Add(folder + L"\\" + shortcut.name);
    }
    ASSERT_TRUE(Build(16));
    std::vector<COLORREF> notes = ShellIconPixels(folder + L"\\notes.txt", true);
    EXPECT_EQ(notes, Pixels(g_Item.IconImageList, 0));
    EXPECT_EQ(ShellIconPixels(folder + L"\\Games", true), Pixels(g_Item.IconImageList, 1));
    EXPECT_EQ(notes, Pixels(g_Item.IconImageList, 2));
    EXPECT_EQ(DefaultIconPixels(16), Pixels(g_Item.IconImageList, 3));
    EXPECT_EQ(DefaultIconPixels(16), Pixels(g_Item.IconImageList, 4));
}

TEST_F(Icons, TheRootShowsTheWindowsFolder)
{
    CreateDirectoryW(L"\\windows", NULL);
    Add(L"\\");
    Add(L"\\windows");
    ASSERT_TRUE(Build(32));
    EXPECT_EQ(Pixels(g_Item.IconImageList, 1), Pixels(g_Item.IconImageList, 0));
    EXPECT_NE(DefaultIconPixels(32), Pixels(g_Item.IconImageList, 0));
}

TEST_F(Icons, EmptyListBuildsAnEmptyImageList)
{
    ASSERT_TRUE(BuildIconImageList(NULL, 0, 16));
    ASSERT_NE(nullptr, g_Item.IconImageList);
    EXPECT_EQ(0, ImageList_GetImageCount(g_Item.IconImageList));
}

TEST_F(Icons, WithoutTheSystemImageListNoListRemains)
{
    Add(L"");
    ASSERT_TRUE(Build(16));
    ASSERT_NE(nullptr, g_Item.IconImageList);

    WinceFailShellLookups(TRUE);
    BOOL built = Build(16);
    WinceFailShellLookups(FALSE);

    EXPECT_FALSE(built);
    EXPECT_EQ(nullptr, g_Item.IconImageList);
}

}  // namespace
