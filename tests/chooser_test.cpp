// The file chooser: listing a folder into rows, the rows' texts and icons, sorting by the
// column headers, and the dialog's navigation, OK decision and result, driven through the
// real template on sandbox folders (the device's "\" is the sandbox drive).
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include "chooser/chooser.h"
#include <shellapi.h>
#include "dialog_script.h"
#include "list_rows.h"
#include "harness.h"
#include "pixels.h"
#include "sandbox.h"
#include "platform/shell_windows.h"
#include "wince_testing.h"

namespace {

const ULONGLONG kGiB = 1ull << 30;
typedef std::vector<std::wstring> Names;

// Device paths may run past MAX_PATH: sandbox entries are made through the long-path form.
std::wstring LongForm(const std::wstring &devicePath) { return L"\\\\?\\T:" + devicePath; }

// Closes an open file or folder, written in `year` when given.
void CloseWrittenIn(HANDLE handle, WORD year)
{
    SYSTEMTIME st = { year, 6, 0, 15, 12, 0, 0, 0 };
    FILETIME time;
    if (year && SystemTimeToFileTime(&st, &time))
        SetFileTime(handle, NULL, NULL, &time);
    CloseHandle(handle);
}

void MakeFolder(const std::wstring &path, WORD year = 0)
{
    ASSERT_TRUE(CreateDirectoryW(LongForm(path).c_str(), NULL)) << Narrow(path);
    CloseWrittenIn(CreateFileW(LongForm(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL), year);
}

// A file of that many bytes (sparse beyond the first), written in `year` when given.
void MakeFile(const std::wstring &path, ULONGLONG size = 0, WORD year = 0)
{
    HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << Narrow(path);
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)size;
    SetFilePointerEx(file, end, NULL, FILE_BEGIN);
    SetEndOfFile(file);
    CloseWrittenIn(file, year);
}

HINSTANCE Module() { return GetModuleHandleW(NULL); }   // the tests carry the library's resources


Names ColumnTexts(HWND list, int column = CHOOSER_COLUMN_NAME)
{
    Names texts;
    int rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < rows; i++)
        texts.push_back(CellText(list, i, column));
    return texts;
}

int RowOf(HWND list, const std::wstring &name)
{
    Names names = ColumnTexts(list);
    auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : (int)(found - names.begin());
}

const FileRecord *RecordOf(HWND list, int row)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item);
    return (const FileRecord *)item.lParam;
}

// A row's icon as the list reports it; 12345 when nothing answers.
int RowImage(HWND list, int row)
{
    LVITEMW image = {};
    image.mask = LVIF_IMAGE;
    image.iItem = row;
    image.iImage = 12345;
    SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&image);
    return image.iImage;
}

// The shell's small icon for a file or a folder it cannot look up.
int GenericIcon(DWORD attributes)
{
    SHFILEINFOW info = {};
    SHGetFileInfoW(L"file", attributes, &info, sizeof(info),
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
}

// Selects the row of a name, as a pen tap selects it before the list reports the click.
void SelectName(HWND list, const std::wstring &name)
{
    int row = RowOf(list, name);
    ASSERT_GE(row, 0) << Narrow(name);
    LVITEMW state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, (LPARAM)&state);
}

Names ComboItems(HWND box)
{
    Names items;
    int count = (int)SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        WCHAR text[TEXT_CAPACITY];
        SendMessageW(box, CB_GETLBTEXT, i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}

bool Has(const Names &texts, const std::wstring &text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The chooser created modeless from its template, for checks between messages.
struct OpenChooser {
    HWND dialog = NULL, list = NULL, nameBox = NULL, pathBox = NULL;

    explicit OpenChooser(const std::wstring &folder, bool visible = false)
    {
        wcscpy(g_Chooser.CurrentFolder, folder.c_str());
        HRSRC resource = FindResourceW(Module(), MAKEINTRESOURCEW(IDD_FILE_CHOOSER), (LPCWSTR)RT_DIALOG);
        dialog = CreateDialogIndirectParamW(Module(), (LPCDLGTEMPLATEW)LoadResource(Module(), resource),
                                            NULL, FileChooserProc, 0);
        list = GetDlgItem(dialog, IDC_CHOOSER_LIST);
        nameBox = GetDlgItem(dialog, IDC_CHOOSER_NAME);
        pathBox = GetDlgItem(dialog, IDC_CHOOSER_PATH);
        if (visible) {
            ShowWindow(dialog, SW_SHOW);
            UpdateWindow(dialog);
        }
    }
    ~OpenChooser()
    {
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        DestroyWindow(dialog);
        FreeFileRecords();
    }
    std::vector<std::wstring> Names() const { return ColumnTexts(list); }
    void Command(int id, WORD code = 0) const
    {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(dialog, id));
    }
    // A real pen tap on a column header: the header tells the list, the list its parent.
    void TapHeader(int column) const
    {
        HWND header = (HWND)SendMessageW(list, LVM_GETHEADER, 0, 0);
        RECT r, client;
        SendMessageW(header, HDM_GETITEMRECT, column, (LPARAM)&r);
        GetClientRect(header, &client);
        int shift = r.right > client.right ? r.left : 0;   // scrolled into view first
        SendMessageW(list, LVM_SCROLL, shift, 0);
        SendMessageW(header, HDM_GETITEMRECT, column, (LPARAM)&r);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
        SendMessageW(list, LVM_SCROLL, -shift, 0);
    }
    // Closes the path box's drop-down on an item.
    void PickPath(int index) const
    {
        SendMessageW(pathBox, CB_SETCURSEL, index, 0);
        Command(IDC_CHOOSER_PATH, CBN_CLOSEUP);
    }
    void Backspace() const
    {
        SendMessageW(list, WM_KEYDOWN, VK_BACK, 1);
        SendMessageW(list, WM_KEYUP, VK_BACK, 0xC0000001);
    }
    // The screen once the dialog has painted itself anew.
    Pixels Shown() const
    {
        SetForegroundWindow(dialog);
        PumpMessages(100);
        RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(50);
        return CaptureWindow(NULL);
    }
    // How many pixels of a row's icon on the screen differ from the list's background.
    int IconPixels(const Pixels &screen, int row) const
    {
        RECT icon = {};
        icon.left = LVIR_ICON;
        SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&icon);
        MapWindowPoints(list, NULL, (POINT *)&icon, 2);
        COLORREF background = (COLORREF)SendMessageW(list, LVM_GETBKCOLOR, 0, 0);
        int differing = 0;
        for (int y = icon.top; y < icon.bottom; y++)
            for (int x = icon.left; x < icon.right; x++)
                differing += screen.Contains(x, y) && screen.At(x, y) != background;
        return differing;
    }
};

// ---- Listing, row texts and icons --------------------------------------------------------

const struct { const wchar_t *name; ULONGLONG size; const wchar_t *text; } kSizes[] = {
    { L"s0.bin", 0, L"0 KB" },         { L"s1.bin", 1, L"1 KB" },
    { L"s1024.bin", 1024, L"1 KB" },   { L"s1025.bin", 1025, L"1 KB" },
    { L"s2047.bin", 2047, L"1 KB" },   { L"s2048.bin", 2048, L"2 KB" },
    { L"s1m.bin", 1048576, L"1024 KB" },
    { L"s2g.bin", 2 * kGiB, L"2097152 KB" },          // beyond a signed 32-bit count
    { L"s5g.bin", 5 * kGiB + 1536, L"5242881 KB" },   // beyond 32 bits altogether
};

// A chooser open on 13 entries: files of the sizes above, a folder of 2003, an empty
// folder, and a file and a folder that a test may remove once they are listed.
class ChooserRows : public testing::Test {
protected:
    std::wstring folder = SandboxFolder();
    std::unique_ptr<OpenChooser> chooser;
    HWND list = NULL;

    void SetUp() override
    {
        for (const auto &s : kSizes)
            MakeFile(folder + L"\\" + s.name, s.size);
        MakeFolder(folder + L"\\sub", 2003);
        MakeFolder(folder + L"\\empty");
        MakeFile(folder + L"\\gone.txt", 10);
        MakeFolder(folder + L"\\gone");
        chooser.reset(new OpenChooser(folder));
        list = chooser->list;
    }
};

TEST_F(ChooserRows, ListsOneRowPerEntryAndLooksNothingUpBeforeTheListAsks)
{
    ASSERT_EQ(13, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) << "no \".\" or \"..\" rows";
    ASSERT_EQ(13, g_Chooser.FileRecordCount);
    for (int i = 0; i < 13; i++) {
        EXPECT_EQ(-1, g_Chooser.FileRecords[i].iconIndex);
        EXPECT_EQ(L'\0', g_Chooser.FileRecords[i].typeName[0]);
    }
}

TEST_F(ChooserRows, SizesAreWholeKilobytesBeyond32BitsAndAFolderHasNone)
{
    for (const auto &s : kSizes)
        EXPECT_EQ(s.text, CellText(list, RowOf(list, s.name), CHOOSER_COLUMN_SIZE)) << Narrow(s.name);
    EXPECT_EQ(L"", CellText(list, RowOf(list, L"sub"), CHOOSER_COLUMN_SIZE));
}

TEST_F(ChooserRows, AFolderShowsItsDateInTheUsersFormatsAndTheShellsTypeAndIcon)
{
    int sub = RowOf(list, L"sub");
    ASSERT_GE(sub, 0);
    const FileRecord *record = RecordOf(list, sub);
    SYSTEMTIME st;
    FileTimeToSystemTime(&record->lastWriteTime, &st);
    EXPECT_EQ(2003, st.wYear);
    WCHAR date[255], clock[255];
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, NULL, date, 255);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, NULL, clock, 255);
    EXPECT_EQ(std::wstring(date) + L" " + clock, CellText(list, sub, CHOOSER_COLUMN_DATE));
    SHFILEINFOW expected = {};
    SHGetFileInfoW((L"T:" + folder + L"\\sub").c_str(), 0, &expected, sizeof(expected),
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME);
    EXPECT_EQ(expected.szTypeName, CellText(list, sub, CHOOSER_COLUMN_TYPE));
    EXPECT_EQ(-1, record->iconIndex) << "a Type or Date text fetches no icon";
    EXPECT_EQ(expected.iIcon, RowImage(list, sub));
    EXPECT_EQ(expected.iIcon, record->iconIndex);
}

TEST_F(ChooserRows, EntriesGoneSinceTheListingShowGenericIconsAndNoType)
{
    ASSERT_TRUE(DeleteFileW((folder + L"\\gone.txt").c_str()));
    ASSERT_TRUE(RemoveDirectoryW((folder + L"\\gone").c_str()));
    EXPECT_EQ(GenericIcon(FILE_ATTRIBUTE_NORMAL), RowImage(list, RowOf(list, L"gone.txt")));
    EXPECT_EQ(GenericIcon(FILE_ATTRIBUTE_DIRECTORY), RowImage(list, RowOf(list, L"gone")));
    for (const wchar_t *name : { L"gone.txt", L"gone" })
        EXPECT_EQ(L"", CellText(list, RowOf(list, name), CHOOSER_COLUMN_TYPE)) << Narrow(name);
}

TEST_F(ChooserRows, TextsLongerThanTheListsBufferAreCutToItAndTerminated)
{
    EXPECT_EQ(L"s102", CellText(list, RowOf(list, L"s1024.bin"), CHOOSER_COLUMN_NAME, 5));
    EXPECT_EQ(L"524", CellText(list, RowOf(list, L"s5g.bin"), CHOOSER_COLUMN_SIZE, 4));
    WCHAR small[8] = L"#######";
    LVITEMW ask = {};
    ask.mask = LVIF_TEXT;
    ask.iSubItem = CHOOSER_COLUMN_DATE;
    ask.pszText = small;
    ask.cchTextMax = 3;
    ask.lParam = (LPARAM)RecordOf(list, RowOf(list, L"sub"));
    GetRecordDisplayInfo(&ask);
    EXPECT_EQ(0, small[2]);
    EXPECT_EQ(L'#', small[3]) << "nothing written past the buffer";
    ask.lParam = 0;
    GetRecordDisplayInfo(&ask);   // a row without a record: nothing to do
}

TEST_F(ChooserRows, EmptyAndMissingFoldersListNothingAndTheRootListsItsEntries)
{
    for (const wchar_t *name : { L"\\empty", L"\\missing" }) {
        wcscpy(g_Chooser.CurrentFolder, folder.c_str());
        ASSERT_EQ(1, ListFolder(list));   // rows to replace
        wcscat(g_Chooser.CurrentFolder, name);
        EXPECT_EQ(0, ListFolder(list)) << Narrow(name);
        EXPECT_EQ(0, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) << Narrow(name);
        EXPECT_EQ(0, g_Chooser.FileRecordCount) << Narrow(name);
    }
    // The root: listed by "\*", its entries looked up by "\" and the name.
    g_Chooser.CurrentFolder[0] = 0;
    EXPECT_EQ(1, ListFolder(list));
    Names root = ColumnTexts(list);
    EXPECT_TRUE(Has(root, L"tests") && Has(root, L".tapshelf-device"));
    EXPECT_FALSE(Has(root, L".") || Has(root, L".."));
    SHFILEINFOW tests = {};
    SHGetFileInfoW(L"T:\\tests", 0, &tests, sizeof(tests), SHGFI_TYPENAME);
    EXPECT_EQ(tests.szTypeName, CellText(list, RowOf(list, L"tests"), CHOOSER_COLUMN_TYPE));
}

// A device shortcut's row shows its target's icon and type (the type of what it starts);
// a broken one shows the generic file icon and no type, as a file that cannot be looked up.
TEST(ChooserList, ShortcutRowsShowTheirTargetsIconAndType)
{
    std::wstring folder = SandboxFolder();
    MakeFile(folder + L"\\notes.txt", 10);
    MakeFolder(folder + L"\\sub");
    const struct { const wchar_t *name, *target; std::string text; } kShortcuts[] = {
        { L"Notes.lnk", L"notes.txt", "17#\"" + Narrow(folder) + "\\notes.txt\"" },
        { L"Sub.lnk", L"sub", "3#" + Narrow(folder) + "\\sub" },
        { L"Gone.lnk", NULL, "3#" + Narrow(folder) + "\\gone.txt" },
    };
    for (const auto &shortcut : kShortcuts)
        WriteFileText(folder + L"\\" + shortcut.name, shortcut.text);

    OpenChooser chooser(folder);
    for (const auto &shortcut : kShortcuts) {
        SHFILEINFOW expected = {};
        expected.iIcon = GenericIcon(FILE_ATTRIBUTE_NORMAL);
        if (shortcut.target)
            SHGetFileInfoW((L"T:" + folder + L"\\" + shortcut.target).c_str(), 0, &expected, sizeof(expected),
                           SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME);
        int row = RowOf(chooser.list, shortcut.name);
        ASSERT_GE(row, 0) << Narrow(shortcut.name);
        EXPECT_EQ(expected.szTypeName, CellText(chooser.list, row, CHOOSER_COLUMN_TYPE)) << Narrow(shortcut.name);
        EXPECT_EQ(expected.iIcon, RowImage(chooser.list, row)) << Narrow(shortcut.name);
    }
}

// The program's import slot of FindFirstFileW: a test can step in before a search.
typedef HANDLE(WINAPI *FindFirstFunction)(LPCWSTR, LPWIN32_FIND_DATAW);
#ifdef _WIN64
extern "C" FindFirstFunction FindFirstSlot __asm__("__imp_FindFirstFileW");
#else
extern "C" FindFirstFunction FindFirstSlot __asm__("__imp__FindFirstFileW@8");
#endif
FindFirstFunction g_realFindFirst;
int g_searches;
std::function<void()> g_beforeSecondSearch;

HANDLE WINAPI SteppingFindFirst(LPCWSTR pattern, LPWIN32_FIND_DATAW found)
{
    if (++g_searches == 2 && g_beforeSecondSearch)
        g_beforeSecondSearch();
    return g_realFindFirst(pattern, found);
}

void SetFindFirstSlot(FindFirstFunction function)
{
    DWORD old;
    VirtualProtect(&FindFirstSlot, sizeof(FindFirstSlot), PAGE_READWRITE, &old);
    FindFirstSlot = function;
    VirtualProtect(&FindFirstSlot, sizeof(FindFirstSlot), old, &old);
}

TEST(ChooserList, AFolderChangingBetweenThePassesShowsOnlyEntriesTheSecondPassFound)
{
    std::wstring folder = SandboxFolder();
    for (int i = 0; i < 6; i++)
        MakeFile(folder + L"\\f" + std::to_wstring(i), 1);
    OpenChooser chooser(folder);
    auto listChanging = [&](std::function<void()> change) {
        g_searches = 0;
        g_beforeSecondSearch = change;
        g_realFindFirst = FindFirstSlot;
        SetFindFirstSlot(SteppingFindFirst);
        BOOL listed = ListFolder(chooser.list);
        SetFindFirstSlot(g_realFindFirst);
        EXPECT_EQ(2, g_searches) << "the listing searches twice";
        return listed;
    };
    auto expectRowsNamed = [&](int rows) {
        ASSERT_EQ(rows, SendMessageW(chooser.list, LVM_GETITEMCOUNT, 0, 0));
        EXPECT_EQ(rows, g_Chooser.FileRecordCount);
        for (const std::wstring &name : chooser.Names())
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\" + name).c_str())) << Narrow(name);
    };

    EXPECT_EQ(1, listChanging([&] {   // fewer: no empty rows from the zero-filled tail
        for (int i = 0; i < 4; i++)
            DeleteFileW((folder + L"\\f" + std::to_wstring(i)).c_str());
    }));
    expectRowsNamed(2);
    EXPECT_EQ(1, listChanging([&] {   // more: nothing beyond the block counted first
        for (int i = 10; i < 15; i++)
            MakeFile(folder + L"\\f" + std::to_wstring(i), 1);
    }));
    expectRowsNamed(2);
    EXPECT_EQ(0, listChanging([&] {   // gone: no rows at all
        for (int i = 0; i < 15; i++)
            DeleteFileW((folder + L"\\f" + std::to_wstring(i)).c_str());
        RemoveDirectoryW(folder.c_str());
    }));
    expectRowsNamed(0);
}

// ---- Sorting -----------------------------------------------------------------------------

// Two folders and three files, each of its own date, two of them beyond 2 GiB.
class ChooserSort : public testing::Test {
protected:
    std::wstring folder = SandboxFolder();
    const Names byName = { L"alpha", L"Beta", L"a.zzb", L"b.zza", L"c.zzc" };
    const Names byType = { L"alpha", L"Beta", L"b.zza", L"a.zzb", L"c.zzc" };   // the shell's descriptions

    void SetUp() override
    {
        MakeFolder(folder + L"\\Beta", 2001);
        MakeFolder(folder + L"\\alpha", 2003);
        MakeFile(folder + L"\\a.zzb", 10, 2004);
        MakeFile(folder + L"\\b.zza", 5 * kGiB, 2002);
        MakeFile(folder + L"\\c.zzc", 3 * kGiB, 2000);
    }
    // The folders compare equal by type and by size: either order of the two is right there.
    static void ExpectOrder(const Names &shown, Names expected, int column, const char *what)
    {
        auto at = [&expected](const wchar_t *name) { return std::find(expected.begin(), expected.end(), name); };
        if ((column == CHOOSER_COLUMN_TYPE || column == CHOOSER_COLUMN_SIZE) && shown != expected)
            std::iter_swap(at(L"alpha"), at(L"Beta"));
        EXPECT_EQ(expected, shown) << what;
    }
};

// A new column sorts ascending, the same one again reverses; ascending puts folders first.
TEST_F(ChooserSort, HeaderTapsSortAscendingThenReverseWithFoldersFirstWhenAscending)
{
    OpenChooser chooser(folder);
    const struct { int column; Names order; const char *what; } kTaps[] = {
        { CHOOSER_COLUMN_NAME, byName, "first tap: ascending" },
        { CHOOSER_COLUMN_NAME, { L"c.zzc", L"b.zza", L"a.zzb", L"Beta", L"alpha" }, "again: descending, files first" },
        { CHOOSER_COLUMN_NAME, byName, "a third time: ascending" },
        { CHOOSER_COLUMN_SIZE, { L"alpha", L"Beta", L"a.zzb", L"c.zzc", L"b.zza" }, "size, beyond 2 GiB whole" },
        { CHOOSER_COLUMN_SIZE, { L"b.zza", L"c.zzc", L"a.zzb", L"alpha", L"Beta" }, "size descending" },
        { CHOOSER_COLUMN_DATE, { L"Beta", L"alpha", L"c.zzc", L"b.zza", L"a.zzb" }, "date" },
        { CHOOSER_COLUMN_TYPE, byType, "type ascending, types fetched for the sort" },
    };
    for (const auto &tap : kTaps) {
        if (tap.column == CHOOSER_COLUMN_TYPE)   // the dialog was never shown: no row has fetched its type
            for (int i = 0; i < g_Chooser.FileRecordCount; i++)
                EXPECT_EQ(L'\0', g_Chooser.FileRecords[i].typeName[0]);
        chooser.TapHeader(tap.column);
        ExpectOrder(chooser.Names(), tap.order, tap.column, tap.what);
    }
    EXPECT_EQ(CHOOSER_COLUMN_TYPE, g_Chooser.SortColumn);
    EXPECT_EQ(1, g_Chooser.SortDirection);
}

// A move to another folder, and the next run, list by name but keep the last tap: the same
// header tapped next reverses the direction stored, not the name order shown.
TEST_F(ChooserSort, MovesAndRunsListByNameAndTheNextTapReversesTheStoredDirection)
{
    {
        OpenChooser chooser(folder);
        EXPECT_EQ(byName, chooser.Names()) << "opened";
        EXPECT_EQ(-1, g_Chooser.SortColumn);
        chooser.TapHeader(CHOOSER_COLUMN_TYPE);   // ascending
        chooser.Command(IDC_CHOOSER_UP);   // out, and back in by the folder's name
        SetWindowTextW(chooser.nameBox, folder.substr(7).c_str());
        chooser.Command(IDOK);
        EXPECT_EQ(byName, chooser.Names()) << "after a move";
        chooser.TapHeader(CHOOSER_COLUMN_TYPE);
        ExpectOrder(chooser.Names(), { L"c.zzc", L"a.zzb", L"b.zza", L"Beta", L"alpha" }, CHOOSER_COLUMN_TYPE,
                    "type descending after a move");
    }
    OpenChooser nextRun(folder);
    nextRun.TapHeader(CHOOSER_COLUMN_TYPE);
    EXPECT_EQ(1, g_Chooser.SortDirection) << "the next run reverses the state again";
    ExpectOrder(nextRun.Names(), byType, CHOOSER_COLUMN_TYPE, "type ascending in the next run");
}

// ---- The dialog --------------------------------------------------------------------------

// The template of IDD_FILE_CHOOSER as the dialog manager reads it: a line for the dialog
// (style, size, font) and one per control (style, place, size, id, class, text).
Names ChooserTemplate()
{
    HRSRC resource = FindResourceW(Module(), MAKEINTRESOURCEW(IDD_FILE_CHOOSER), (LPCWSTR)RT_DIALOG);
    const DLGTEMPLATE *dialog = (const DLGTEMPLATE *)LoadResource(Module(), resource);
    const WORD *p = (const WORD *)(dialog + 1);
    auto text = [&p] {   // a string, or an ordinal (a class atom)
        static const wchar_t *kAtoms[] = { L"BUTTON", L"EDIT", L"STATIC", L"LISTBOX", L"SCROLLBAR", L"COMBOBOX" };
        std::wstring out = *p != 0xFFFF ? std::wstring((const wchar_t *)p)
                           : p[1] >= 0x80 && p[1] <= 0x85 ? kAtoms[p[1] - 0x80] : std::to_wstring(p[1]);
        p += *p == 0xFFFF ? 2 : out.size() + 1;
        return out;
    };
    std::wstring menu = text(), windowClass = text(), caption = text();
    std::wostringstream head;
    head << std::hex << dialog->style << std::dec << L" " << dialog->cx << L"x" << dialog->cy << L" " << *p++;
    head << L" " << text() << (caption.empty() && menu.empty() ? L"" : L" caption or menu!");
    Names lines = { head.str() };
    for (int i = 0; i < dialog->cdit; i++) {
        const DLGITEMTEMPLATE *item = (const DLGITEMTEMPLATE *)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
        p = (const WORD *)(item + 1);
        std::wstring className = text(), title = text();
        p += 1 + *p / 2;   // creation data
        std::transform(className.begin(), className.end(), className.begin(), ::towupper);
        std::wostringstream line;
        line << std::hex << item->style << std::dec << L" " << item->x << L"," << item->y << L" " << item->cx
             << L"x" << item->cy << L" " << item->id << L" " << className << L" \"" << title << L"\"";
        lines.push_back(line.str());
    }
    return lines;
}

TEST(ChooserDialog, TemplateHoldsSixControlsInTahomaAndWithoutItNoRunStarts)
{
    EXPECT_EQ((Names{ L"80800040 162x167 8 Tahoma",
                      L"5081004d 0,31 161x133 1000 SYSLISTVIEW32 \"List1\"",
                      L"50020000 1,3 24x8 65535 STATIC \"ファイル\"",
                      L"50810080 26,1 133x12 1003 EDIT \"\"",
                      L"50010000 1,15 16x13 1005 BUTTON \"..\"",
                      L"50210003 19,15 106x155 1014 COMBOBOX \"\"",
                      L"50010000 126,15 34x13 2 BUTTON \"ｷｬﾝｾﾙ\"" }),
              ChooserTemplate());
    WCHAR buffer[TEXT_CAPACITY] = L"untouched";
    EXPECT_EQ(-1, RunFileChooser(NULL, GetModuleHandleW(L"kernel32.dll"), NULL, buffer)) << "no template";
    EXPECT_STREQ(L"untouched", buffer);
}

// The first run of the process opens full screen at the root, with the caller's name in the
// box; every later run opens where the last one ended.
TEST(ChooserDialog, OpensFullScreenAtTheRootAndCarriesTheFolderFromRunToRun)
{
    std::wstring folder = SandboxFolder();
    MakeFolder(folder + L"\\sub");
    WCHAR buffer[TEXT_CAPACITY];
    LONG sipDownBefore = WinceGetSipLog()->downCalls;
    DialogScript first;
    first.Do([&](HWND dialog) {
        WCHAR caption[64];
        GetWindowTextW(dialog, caption, 64);
        EXPECT_STREQ(L"Select file", caption);
        RECT r;
        GetWindowRect(dialog, &r);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right - r.left) << "full screen";
        EXPECT_TRUE(GetPropW(dialog, SHELL_DONE_BUTTON_PROP) != NULL) << "the Done button";
        EXPECT_GT(WinceGetSipLog()->downCalls, sipDownBefore) << "input panel down at start";
        EXPECT_EQ(L"start.txt", DialogItemText(dialog, IDC_CHOOSER_NAME));
        HWND pathBox = GetDlgItem(dialog, IDC_CHOOSER_PATH);
        EXPECT_EQ(Names{ L"\\" }, ComboItems(pathBox));
        EXPECT_EQ(0, SendMessageW(pathBox, CB_GETCURSEL, 0, 0));
        EXPECT_TRUE(SendMessageW(pathBox, CB_GETEXTENDEDUI, 0, 0));
        EXPECT_TRUE(Has(ColumnTexts(GetDlgItem(dialog, IDC_CHOOSER_LIST)), L"tests"));
    }).Click(IDOK);
    EXPECT_EQ(1, first.Run([&] { return RunFileChooser(NULL, Module(), L"start.txt", buffer); }));
    EXPECT_STREQ(L"\\start.txt", buffer) << "a name chosen at the root";
    EXPECT_EQ(NULL, g_Chooser.FileRecords);
    EXPECT_EQ(0, g_Chooser.FileRecordCount);
    EXPECT_EQ(0, first.cancelledByScript);

    // Typed components lead into the sandbox; cancel there leaves the buffer.
    wcscpy(buffer, L"untouched");
    DialogScript second;
    second.SetText(IDC_CHOOSER_NAME, folder.substr(1)).Click(IDOK).Click(IDCANCEL);
    EXPECT_EQ(0, second.Run([&] { return RunFileChooser(NULL, Module(), NULL, buffer); }));
    EXPECT_STREQ(L"untouched", buffer);
    EXPECT_EQ(folder, g_Chooser.CurrentFolder);
    EXPECT_EQ(NULL, g_Chooser.FileRecords);

    DialogScript third;
    third.Do([&](HWND dialog) {
        EXPECT_EQ(Names{ L"sub" }, ColumnTexts(GetDlgItem(dialog, IDC_CHOOSER_LIST)));
        EXPECT_EQ(L"", DialogItemText(dialog, IDC_CHOOSER_NAME)) << "no name given this time";
    });
    EXPECT_EQ(0, third.Run([&] { return RunFileChooser(NULL, Module(), NULL, buffer); }));
    EXPECT_EQ(1, third.cancelledByScript);
    EXPECT_EQ(folder, g_Chooser.CurrentFolder);
}

DialogScript &Select(DialogScript &script, const std::wstring &name)
{
    return script.Do([name](HWND dialog) { SelectName(GetDlgItem(dialog, IDC_CHOOSER_LIST), name); });
}

DialogScript &Tap(DialogScript &script, const std::wstring &name)
{
    return Select(script, name).Notify(IDC_CHOOSER_LIST, NM_CLICK);
}

// Checks, from inside the dialog, that it is still open in `folder`; after a move no row
// is selected.
DialogScript &ExpectOpenIn(DialogScript &script, const std::wstring &folder, const char *what,
                           bool moved = true)
{
    return script.Do([folder, what, moved](HWND dialog) {
        EXPECT_TRUE(IsWindowVisible(dialog)) << what;
        EXPECT_EQ(folder, g_Chooser.CurrentFolder) << what;
        if (moved)
            EXPECT_EQ(-1, SendDlgItemMessageW(dialog, IDC_CHOOSER_LIST, LVM_GETNEXTITEM, (WPARAM)-1,
                                              LVNI_SELECTED))
                << what << ": no row selected after a move";
    });
}

TEST(ChooserDialog, OkEntersFoldersEndsWithTheNameBoxAndRefusesWildcards)
{
    std::wstring folder = SandboxFolder();
    MakeFolder(folder + L"\\sub");
    MakeFile(folder + L"\\a.txt", 3);
    MakeFile(folder + L"\\sub\\inner.txt", 3);
    WCHAR buffer[TEXT_CAPACITY];
    auto run = [&](DialogScript &script) {
        wcscpy(g_Chooser.CurrentFolder, folder.c_str());
        wcscpy(buffer, L"untouched");
        return script.Run([&] { return RunFileChooser(NULL, Module(), NULL, buffer); });
    };

    DialogScript folderRow;   // OK on a folder row enters it; OK with an empty box then does nothing
    Select(folderRow, L"sub").Click(IDOK);
    ExpectOpenIn(folderRow, folder + L"\\sub", "folder row");
    folderRow.Click(IDOK);
    ExpectOpenIn(folderRow, folder + L"\\sub", "empty box").Click(IDCANCEL);
    EXPECT_EQ(0, run(folderRow));
    EXPECT_STREQ(L"untouched", buffer);

    DialogScript fileRow;   // a selected file fills the box, and OK chooses it
    Select(fileRow, L"a.txt").Do([](HWND dialog) {
        EXPECT_EQ(L"a.txt", DialogItemText(dialog, IDC_CHOOSER_NAME));
    }).Click(IDOK);
    EXPECT_EQ(1, run(fileRow));
    EXPECT_EQ(folder + L"\\a.txt", buffer);

    DialogScript edited;   // the box, not the row, is the chosen name
    Select(edited, L"a.txt").SetText(IDC_CHOOSER_NAME, L"b.txt").Click(IDOK);
    EXPECT_EQ(1, run(edited));
    EXPECT_EQ(folder + L"\\b.txt", buffer);

    DialogScript typed;   // a typed folder name enters it; a typed missing name is chosen there
    typed.SetText(IDC_CHOOSER_NAME, L"sub").Click(IDOK);
    ExpectOpenIn(typed, folder + L"\\sub", "typed folder").SetText(IDC_CHOOSER_NAME, L"missing.txt").Click(IDOK);
    EXPECT_EQ(1, run(typed));
    EXPECT_EQ(folder + L"\\sub\\missing.txt", buffer);

    DialogScript wildcards;   // a pattern is no name: it neither enters a folder it matches nor ends
    wildcards.SetText(IDC_CHOOSER_NAME, L"su?").Click(IDOK).SetText(IDC_CHOOSER_NAME, L"*.txt").Click(IDOK);
    ExpectOpenIn(wildcards, folder, "wildcards", false).Click(IDCANCEL);
    EXPECT_EQ(0, run(wildcards));
    EXPECT_STREQ(L"untouched", buffer);

    DialogScript taps;   // a tap on a folder row opens it, a tap on a file row chooses the file
    Tap(taps, L"sub");
    ExpectOpenIn(taps, folder + L"\\sub", "tap on a folder");
    Tap(taps, L"inner.txt");
    EXPECT_EQ(1, run(taps));
    EXPECT_EQ(folder + L"\\sub\\inner.txt", buffer);
    EXPECT_EQ(0, taps.cancelledByScript);
}

// Every move shows the new folder at once: its rows by name, folders first, none selected,
// drawn on the screen, and its path in the path box with the folder itself picked.
TEST(ChooserDialog, UpBackspaceAndThePathBoxLeadUpwardsToTheRoot)
{
    std::wstring folder = SandboxFolder();
    for (const wchar_t *name : { L"\\A", L"\\A\\B", L"\\A\\B\\C", L"\\A\\B\\d" })
        MakeFolder(folder + name);
    MakeFile(folder + L"\\A\\B\\b.txt");
    MakeFile(folder + L"\\A\\B\\A.txt");
    OpenChooser chooser(folder + L"\\A\\B\\C", true);
    std::wstring suite = folder.substr(7);   // after "\tests\"
    const Names path = { L"\\", L"tests", suite, L"A", L"B", L"C" };
    auto expectIn = [&](const std::wstring &at, size_t depth, const char *what) {
        EXPECT_EQ(at, g_Chooser.CurrentFolder) << what;
        EXPECT_EQ(Names(path.begin(), path.begin() + depth), ComboItems(chooser.pathBox)) << what;
        EXPECT_EQ((LRESULT)depth - 1, SendMessageW(chooser.pathBox, CB_GETCURSEL, 0, 0)) << what;
        EXPECT_EQ(-1, SendMessageW(chooser.list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED)) << what;
    };
    expectIn(folder + L"\\A\\B\\C", 6, "opened");

    chooser.Command(IDC_CHOOSER_UP);
    expectIn(folder + L"\\A\\B", 5, "up");
    EXPECT_EQ((Names{ L"C", L"d", L"A.txt", L"b.txt" }), chooser.Names());
    EXPECT_GT(chooser.IconPixels(chooser.Shown(), 0), 20) << "the list draws its new rows";

    SelectName(chooser.list, L"b.txt");
    chooser.Backspace();
    expectIn(folder + L"\\A", 4, "Backspace");
    EXPECT_EQ(Names{ L"B" }, chooser.Names());
    chooser.PickPath(3);   // the current folder itself: nothing
    expectIn(folder + L"\\A", 4, "the current folder picked");
    chooser.PickPath(1);
    expectIn(L"\\tests", 2, "\\tests picked");
    EXPECT_TRUE(Has(chooser.Names(), suite));
    chooser.Command(IDC_CHOOSER_UP);
    expectIn(L"", 1, "up from \\tests is the root");

    // At the root, up and Backspace list the root again.
    for (int i = 0; i < 2; i++) {
        SendMessageW(chooser.list, LVM_DELETEALLITEMS, 0, 0);
        if (i) chooser.Backspace(); else chooser.Command(IDC_CHOOSER_UP);
        expectIn(L"", 1, i ? "Backspace at the root" : "up at the root");
        EXPECT_TRUE(Has(chooser.Names(), L"tests"));
    }
    SetWindowTextW(chooser.nameBox, (folder.substr(1) + L"\\A\\B").c_str());
    chooser.Command(IDOK);
    expectIn(folder + L"\\A\\B", 5, "typed");
    chooser.PickPath(0);
    expectIn(L"", 1, "\"\\\" in the path box is the root");

    // The name box raises the input panel while it has the focus.
    LONG up = WinceGetSipLog()->upCalls, down = WinceGetSipLog()->downCalls;
    SetForegroundWindow(chooser.dialog);
    SetFocus(chooser.nameBox);
    SetFocus(chooser.list);
    EXPECT_EQ(up + 1, WinceGetSipLog()->upCalls);
    EXPECT_EQ(down + 1, WinceGetSipLog()->downCalls);
}

TEST(ChooserDialog, NeverMovesOrEndsBeyond255Characters)
{
    // A folder whose path is 250 characters long, a subfolder too deep to enter.
    std::wstring deep = SandboxFolder();
    while (deep.size() < 250) {
        deep += L"\\" + std::wstring(std::min<size_t>(60, 250 - deep.size() - 1), L'd');
        MakeFolder(deep);
    }
    ASSERT_EQ(250u, deep.size());
    MakeFolder(deep + L"\\abcdef");   // 257 characters
    MakeFile(deep + L"\\abcdefgh", 1);
    wcscpy(g_Chooser.CurrentFolder, deep.c_str());
    WCHAR buffer[TEXT_CAPACITY] = L"untouched";
    DialogScript script;
    Tap(script, L"abcdef");
    ExpectOpenIn(script, deep, "a tap on a folder too deep", false);
    script.SelectRow(IDC_CHOOSER_LIST, -1).SetText(IDC_CHOOSER_NAME, L"abcdef").Click(IDOK);
    ExpectOpenIn(script, deep, "a typed folder too deep", false);
    script.SetText(IDC_CHOOSER_NAME, L"abcde").Click(IDOK);   // a result of 256 characters
    ExpectOpenIn(script, deep, "a result too long", false);
    script.SetText(IDC_CHOOSER_NAME, L"abcd").Click(IDOK);   // 255: fits
    EXPECT_EQ(1, script.Run([&] { return RunFileChooser(NULL, Module(), NULL, buffer); }));
    EXPECT_EQ(deep + L"\\abcd", buffer);
    EXPECT_EQ(0, script.cancelledByScript);
    EXPECT_EQ(255u, wcslen(buffer));
}

TEST(ChooserDialog, ShowsFoldersWithShellIconsAndFourColumnsOnTheDeviceScreen)
{
    std::wstring folder = SandboxFolder();
    MakeFolder(folder + L"\\My Documents", 2004);
    MakeFolder(folder + L"\\Program Files", 2004);
    MakeFolder(folder + L"\\Windows", 2004);
    MakeFile(folder + L"\\readme.txt", 2500, 2005);
    MakeFile(folder + L"\\wallpaper.bmp", 230454, 2005);
    OpenChooser chooser(folder, true);
    const struct { const wchar_t *text; int width; int format; } kColumns[] = {
        { L"Name", 150, LVCFMT_LEFT }, { L"Type", 100, LVCFMT_LEFT },
        { L"Size", 70, LVCFMT_RIGHT }, { L"Date", 150, LVCFMT_LEFT } };
    for (int i = 0; i < 4; i++) {
        WCHAR text[32];
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 32;
        ASSERT_TRUE(SendMessageW(chooser.list, LVM_GETCOLUMNW, i, (LPARAM)&column));
        EXPECT_STREQ(kColumns[i].text, text);
        EXPECT_EQ(kColumns[i].width, column.cx);
        EXPECT_EQ(kColumns[i].format, column.fmt & LVCFMT_JUSTIFYMASK);
    }
    EXPECT_TRUE(SendMessageW(chooser.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_ONECLICKACTIVATE);
    SHFILEINFOW info = {};
    EXPECT_EQ((HIMAGELIST)SendMessageW(chooser.list, LVM_GETIMAGELIST, LVSIL_SMALL, 0),
              (HIMAGELIST)SHGetFileInfoW(L"", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));

    Pixels screen = chooser.Shown();
    EXPECT_EQ(240, screen.width);
    EXPECT_EQ(320, screen.height);
    EXPECT_GT(chooser.IconPixels(screen, 0), 20) << "a folder icon is drawn in the first row";
    EXPECT_EQ(L"My Documents", CellText(chooser.list, 0, CHOOSER_COLUMN_NAME));
    if (const char *path = getenv("TAPSHELF_SNAPSHOT")) {
        std::string p(path);
        EXPECT_TRUE(SavePng(screen, std::wstring(p.begin(), p.end()))) << path;
    }
}

}  // namespace
