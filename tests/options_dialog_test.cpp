// The options dialog as the Today settings run it: template 500 of the built tapshelf.dll
// with export 241 as its procedure, driven through its buttons, list selection and message
// boxes; what it leaves in the registry is read back afterwards. Also the texts of the four
// full-screen dialogs, this one and those it opens, in the device's language.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <map>
#include <string>
#include <vector>
#include "dialog_script.h"
#include "list_rows.h"
#include "resources/dialog_texts.h"
#include "platform/shell_windows.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "store/store.h"
#include "harness.h"
#include "pixels.h"
#include "sandbox.h"
#include "todaycmn.h"

namespace {

const wchar_t kTodayItemKey[] = TODAY_ITEMS_KEY L"\\Tapshelf";

using Row = ListRow;

std::vector<Row> ReadRows(HWND dialog) { return ReadListRows(GetDlgItem(dialog, IDC_OPTIONS_LIST)); }

std::vector<std::wstring> Names(const std::vector<Row> &rows)
{
    std::vector<std::wstring> names;
    for (const Row &row : rows)
        names.push_back(row.name);
    return names;
}

// Image i of the list view's row icons drawn on white, as one string of pixels.
std::vector<COLORREF> RowIcon(HWND dialog, int image)
{
    HIMAGELIST icons = (HIMAGELIST)SendDlgItemMessageW(dialog, IDC_OPTIONS_LIST, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    DibCanvas canvas(16, 16, RGB(255, 255, 255));
    if (!icons || !ImageList_Draw(icons, image, canvas.dc, 0, 0, ILD_NORMAL))
        return {};
    Pixels pixels = canvas.Read();
    return std::vector<COLORREF>(pixels.bits.begin(), pixels.bits.end());
}

// Selects exactly the given rows; the focus goes to `focus` (-1: no row has it).
void Select(HWND dialog, std::vector<int> rows, int focus)
{
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_LIST);
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
    state.stateMask = state.state = LVIS_SELECTED;
    for (int row : rows)
        SendMessageW(list, LVM_SETITEMSTATE, row, (LPARAM)&state);
    if (focus >= 0) {
        state.stateMask = state.state = LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, focus, (LPARAM)&state);
    }
}

std::wstring ReadString(HKEY root, const std::wstring &key, const wchar_t *name)
{
    WCHAR text[1024] = L"";
    DWORD size = sizeof(text);
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, NULL, text, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

LONG ReadNumber(const std::wstring &key, const wchar_t *name)
{
    DWORD value = 0xDEADBEEF, size = 4;
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, NULL, &value, &size);
    return (LONG)value;
}

class OptionsDialog : public testing::Test {
protected:
    HMODULE dll = NULL;
    DLGPROC procedure = NULL;
    std::wstring folder;
    HWND dialog = NULL;   // the options dialog once it is open

    void SetUp() override
    {
        ResetRegistry();
        folder = SandboxFolder();
        CreateDirectoryW((folder + L"\\Games").c_str(), NULL);
        WriteFileText(folder + L"\\notes.txt", "hello");
        std::string path = TestProgramFolder() + "\\..\\bin\\tapshelf.dll";
        dll = LoadLibraryA(path.c_str());
        ASSERT_NE(nullptr, dll) << path;
        procedure = (DLGPROC)(void *)GetProcAddress(dll, MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC));
        ASSERT_NE(nullptr, procedure);
    }
    void TearDown() override
    {
        if (dll)
            FreeLibrary(dll);
        ResetRegistry();
    }

    // Three entries of three kinds of icon, stored out of order.
    void StoreThreeEntries()
    {
        WriteEntryKey(L"Notes", folder + L"\\notes.txt", L"/n", 1);
        WriteEntryKey(L"Games", folder + L"\\Games", L"", 0);
        WriteEntryKey(L"Gone", folder + L"\\gone.exe", L"-x", 2);
    }

    // Opens the dialog as the host does; the script's first step sees it open.
    INT_PTR Run(DialogScript &script)
    {
        return script.Run([&] { return DialogBoxParamW(dll, MAKEINTRESOURCEW(IDD_OPTIONS), NULL, procedure, 0); });
    }
    DialogScript::Step Grab()
    {
        return [this](HWND d) { dialog = d; };
    }
    // The step that reads the rows into `rows`.
    DialogScript::Step Read(std::vector<Row> &rows)
    {
        return [&rows](HWND d) { rows = ReadRows(d); };
    }

    struct RefusedCase { std::vector<std::wstring> added, named; size_t selected; };
    // Over the three stored entries, Gone moved up a row (Games, Gone, Notes), the rows of
    // `added` put in the list after them, as an editor or a hand-edited registry may leave
    // them. Done must refuse them with a message box naming `named`: the dialog stays open,
    // keeps every row, selects the row `selected` alone and stores nothing. Once the added
    // rows are deleted through the dialog, Done stores the rest.
    void ExpectDoneRefuses(const RefusedCase &c)
    {
        SCOPED_TRACE(Narrow(c.added[0].substr(0, 8)) + " added");
        ResetRegistry();
        StoreThreeEntries();
        std::vector<Row> rows;
        DialogScript script;
        script.SelectRow(IDC_OPTIONS_LIST, 2).Click(IDC_OPTIONS_UP).Do([&](HWND d) {
            HWND list = GetDlgItem(d, IDC_OPTIONS_LIST);
            for (const std::wstring &name : c.added) {
                LVITEMW item = {};
                item.mask = LVIF_TEXT;
                item.iItem = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
                item.pszText = (LPWSTR)name.c_str();
                SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
            }
        });
        script.Click(IDOK).Do([&](HWND box) {
            WCHAR caption[64];
            GetWindowTextW(box, caption, 64);
            EXPECT_STREQ(L"Tapshelf", caption);
            EXPECT_EQ(3u, SubkeyCount(LIST_KEY_PATH)) << "nothing written while refused";
            EXPECT_EQ(2, ReadNumber(std::wstring(LIST_KEY_PATH) + L"\\Gone", L"Index")) << "nothing written";
        });
        script.AnswerMessageBox(IDOK).Do(Read(rows)).Do([](HWND d) { Select(d, { 3, 4 }, 3); });   // the added rows
        script.Click(IDC_OPTIONS_DELETE).AnswerMessageBox(IDYES).Click(IDOK);
        EXPECT_EQ(1, Run(script));
        ASSERT_EQ(2u, script.messageBoxTexts.size());   // the refusal, then the Delete question
        for (const std::wstring &name : c.named)
            EXPECT_NE(std::wstring::npos, script.messageBoxTexts[0].find(name)) << Narrow(script.messageBoxTexts[0]);
        ASSERT_EQ(3u + c.added.size(), rows.size()) << "no row dropped";
        for (size_t i = 0; i < rows.size(); i++)
            EXPECT_EQ(i == c.selected, rows[i].selected) << "row " << i;
        EXPECT_EQ(3u, SubkeyCount(LIST_KEY_PATH)) << "stored once the rows were deleted";
        EXPECT_EQ(1, ReadNumber(std::wstring(LIST_KEY_PATH) + L"\\Gone", L"Index"));
    }
};

TEST_F(OptionsDialog, OpensTheStoredListFromItsTemplateWithOneIconPerRow)
{
    StoreThreeEntries();
    std::vector<Row> rows;
    std::vector<std::wstring> classes, headers;
    std::vector<int> ids, widths;
    LONG listStyle = 0;
    RECT area = {};
    DialogScript script;
    script.Do(Grab()).Do(Read(rows)).Do([&](HWND d) {
        GetWindowRect(d, &area);
        listStyle = GetWindowLongW(GetDlgItem(d, IDC_OPTIONS_LIST), GWL_STYLE);
        for (HWND child = GetWindow(d, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            WCHAR name[64];
            GetClassNameW(child, name, 64);
            classes.push_back(name);
            ids.push_back(GetDlgCtrlID(child));
        }
        for (int column = 0; column < 4; column++) {
            WCHAR text[64] = L"";
            LVCOLUMNW header = {};
            header.mask = LVCF_TEXT | LVCF_WIDTH;
            header.pszText = text;
            header.cchTextMax = 64;
            if (!SendDlgItemMessageW(d, IDC_OPTIONS_LIST, LVM_GETCOLUMNW, column, (LPARAM)&header))
                break;
            headers.push_back(text);
            widths.push_back(header.cx);
        }
    });
    script.Click(IDOK);
    EXPECT_EQ(1, Run(script));

    EXPECT_EQ((std::vector<int>{ 1000, 1002, 1003, 1004, 1005, 1006, 1008, 1007 }), ids);
    // The buttons' texts, in the device's language: dialog_texts_test.cpp.
    EXPECT_EQ(L"SysListView32", classes[0]);
    EXPECT_EQ(LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
              listStyle & (LVS_TYPEMASK | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_SINGLESEL));
    EXPECT_EQ((std::vector<std::wstring>{ L"Name", L"File path", L"Command line" }), headers);
    EXPECT_EQ((std::vector<int>{ 150, 150, 100 }), widths);
    // Full screen: no task bar or soft-key bar in this test.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), area.right - area.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), area.bottom - area.top);

    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ((std::vector<std::wstring>{ L"Games", L"Notes", L"Gone" }), Names(rows));
    EXPECT_EQ(folder + L"\\notes.txt", rows[1].file);
    EXPECT_EQ(L"/n", rows[1].command);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(i, rows[i].image);
}

// The icon the library shows for a missing file, as a 16-pixel row icon.
std::vector<COLORREF> DefaultRowIcon(HMODULE dll)
{
    HIMAGELIST list = ImageList_Create(16, 16, ILC_MASK, 1, 1);
    ImageList_SetBkColor(list, GetSysColor(COLOR_WINDOW));
    HICON icon = LoadIconW(dll, MAKEINTRESOURCEW(IDI_TAPSHELF));
    ImageList_ReplaceIcon(list, -1, icon);
    DestroyIcon(icon);
    DibCanvas canvas(16, 16, RGB(255, 255, 255));
    ImageList_Draw(list, 0, canvas.dc, 0, 0, ILD_NORMAL);
    ImageList_Destroy(list);
    Pixels pixels = canvas.Read();
    return std::vector<COLORREF>(pixels.bits.begin(), pixels.bits.end());
}

TEST_F(OptionsDialog, RowIconsFollowTheirRowsThroughMovesAndDeletes)
{
    StoreThreeEntries();
    WriteEntryKey(L"Root", L"\\", L"", 3);
    std::map<std::wstring, std::vector<COLORREF>> iconOf;   // by name, as first shown
    std::vector<Row> opened, afterDown, afterUp, unmoved, afterNo, afterYes;
    DialogScript script;
    script.Do(Grab()).Do(Read(opened)).Do([&](HWND d) {
        for (const Row &row : ReadRows(d))
            iconOf[row.name] = RowIcon(d, row.image);
    });
    // Rows 1 and 3 selected: Down moves row 1 only, and it takes the focus.
    script.Do([](HWND d) { Select(d, { 1, 3 }, 3); }).Click(IDC_OPTIONS_DOWN).Do(Read(afterDown));
    script.Click(IDC_OPTIONS_UP).Do(Read(afterUp));
    // Nothing moves past either end.
    script.Do([](HWND d) { Select(d, { 0, 2 }, 2); }).Click(IDC_OPTIONS_UP);
    script.Do([](HWND d) { Select(d, { 3 }, 3); }).Click(IDC_OPTIONS_DOWN).Do(Read(unmoved));
    // Delete: one question for all selected rows; No keeps them.
    script.Do([](HWND d) { Select(d, {}, -1); }).Click(IDC_OPTIONS_DELETE);
    script.Do([](HWND d) { Select(d, { 0, 2 }, 0); }).Click(IDC_OPTIONS_DELETE).AnswerMessageBox(IDNO);
    script.Do(Read(afterNo)).Click(IDC_OPTIONS_DELETE).AnswerMessageBox(IDYES).Do(Read(afterYes));
    script.Do([&](HWND d) {
        for (const Row &row : ReadRows(d))
            EXPECT_EQ(iconOf[row.name], RowIcon(d, row.image)) << Narrow(row.name) << " after the delete";
    });
    script.Click(IDOK);
    EXPECT_EQ(1, Run(script));

    ASSERT_EQ(4u, opened.size());
    EXPECT_EQ(DefaultRowIcon(dll), iconOf[L"Gone"]);
    EXPECT_NE(iconOf[L"Games"], iconOf[L"Notes"]);
    EXPECT_NE(iconOf[L"Games"], iconOf[L"Gone"]);
    EXPECT_NE(iconOf[L"Notes"], iconOf[L"Gone"]);

    EXPECT_EQ((std::vector<std::wstring>{ L"Games", L"Gone", L"Notes", L"Root" }), Names(afterDown));
    EXPECT_TRUE(afterDown[2].selected && afterDown[2].focused);
    EXPECT_TRUE(afterDown[3].selected && !afterDown[3].focused);
    EXPECT_FALSE(afterDown[0].selected || afterDown[1].selected);
    EXPECT_EQ((std::vector<std::wstring>{ L"Games", L"Notes", L"Gone", L"Root" }), Names(afterUp));
    EXPECT_TRUE(afterUp[1].selected && afterUp[1].focused && afterUp[3].selected);
    EXPECT_EQ(Names(afterUp), Names(unmoved));
    for (const std::vector<Row> *rows : { &afterDown, &afterUp }) {
        for (const Row &row : *rows) {
            EXPECT_EQ(opened[row.image].name, row.name) << "image index kept through the move";
            EXPECT_EQ(opened[row.image].file, row.file);
        }
    }
    EXPECT_EQ(2u, script.messageBoxTexts.size());   // none for Delete without a selection
    for (const std::wstring &text : script.messageBoxTexts)
        EXPECT_EQ(L"Delete select item?", text);
    EXPECT_EQ(Names(unmoved), Names(afterNo));
    EXPECT_EQ((std::vector<std::wstring>{ L"Notes", L"Root" }), Names(afterYes));

    EXPECT_EQ(2u, SubkeyCount(LIST_KEY_PATH));
    EXPECT_EQ(0, ReadNumber(std::wstring(LIST_KEY_PATH) + L"\\Notes", L"Index"));
    EXPECT_EQ(1, ReadNumber(std::wstring(LIST_KEY_PATH) + L"\\Root", L"Index"));
}

TEST_F(OptionsDialog, DoneStoresTheRowsInTheirOrderCutTo254WithAllElevenSettings)
{
    StoreThreeEntries();
    std::wstring longName(255, L'N'), longPath(255, L'p'), longCommand(255, L'c');
    WriteEntryKey(longName, longPath, longCommand, 3);
    WriteSettingNumber(L"IconSize", 32);
    WriteSettingString(L"backbmpfile", L"\\bg.bmp");
    DialogScript script;
    script.SelectRow(IDC_OPTIONS_LIST, 2).Click(IDC_OPTIONS_UP).Click(IDOK);
    EXPECT_EQ(1, Run(script));

    const std::wstring list = LIST_KEY_PATH;
    ASSERT_EQ(4u, SubkeyCount(list));
    const wchar_t *order[] = { L"Games", L"Gone", L"Notes" };
    for (LONG i = 0; i < 3; i++)
        EXPECT_EQ(i, ReadNumber(list + L"\\" + order[i], L"Index")) << Narrow(order[i]);
    EXPECT_EQ(folder + L"\\gone.exe", ReadString(HKEY_CURRENT_USER, list + L"\\Gone", L"FileName"));
    EXPECT_EQ(L"-x", ReadString(HKEY_CURRENT_USER, list + L"\\Gone", L"CommnadLine"));
    std::wstring cut = list + L"\\" + longName.substr(0, 254);
    EXPECT_FALSE(KeyExists(list + L"\\" + longName));
    EXPECT_EQ(3, ReadNumber(cut, L"Index"));
    EXPECT_EQ(longPath.substr(0, 254), ReadString(HKEY_CURRENT_USER, cut, L"FileName"));
    EXPECT_EQ(longCommand.substr(0, 254), ReadString(HKEY_CURRENT_USER, cut, L"CommnadLine"));

    EXPECT_EQ(L"\\bg.bmp", ReadString(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, L"backbmpfile"));
    const std::pair<const wchar_t *, LONG> numbers[] = {
        { L"stretch_backbmp", 0 }, { L"CtrlUpDown", 1 }, { L"IconSize", 32 }, { L"HMargin", 2 },
        { L"VMargin", 2 }, { L"WinLeftMargin", 0 }, { L"WinTopMargin", 0 }, { L"WinRightMargin", 13 },
        { L"WinBottomMargin", 5 }, { L"ShowIconSec", 1 },
    };
    for (const auto &number : numbers)
        EXPECT_EQ(number.second, ReadNumber(SETTINGS_KEY_PATH, number.first)) << Narrow(number.first);
}

TEST_F(OptionsDialog, EmptyListAndButtonsWithNothingToActOn)
{
    std::vector<Row> rows;
    int images = -1;
    bool attached = false;
    DialogScript script;
    script.Do(Grab()).Do(Read(rows)).Do([&](HWND d) {
        HIMAGELIST icons = (HIMAGELIST)SendDlgItemMessageW(d, IDC_OPTIONS_LIST, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
        attached = icons != NULL;
        images = ImageList_GetImageCount(icons);
    });
    // Nothing to act on: no question, no dialog, and IDCANCEL is no command of this dialog.
    // (Add and Options open their dialogs whatever the rows: the editor's tests.)
    for (int command : { IDC_OPTIONS_EDIT, IDC_OPTIONS_DELETE, IDC_OPTIONS_UP, IDC_OPTIONS_DOWN, IDCANCEL }) {
        script.Click(command).Do([&, command](HWND d) {
            EXPECT_EQ(dialog, d) << "command " << command << " opened a window";
        });
    }
    script.Click(IDOK);
    EXPECT_EQ(1, Run(script));
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(attached);
    EXPECT_EQ(0, images);
    EXPECT_EQ(0, script.cancelledByScript);
    EXPECT_EQ(0u, SubkeyCount(LIST_KEY_PATH));
    EXPECT_EQ(16, ReadNumber(SETTINGS_KEY_PATH, L"IconSize"));
    EXPECT_EQ(1, ReadNumber(SETTINGS_KEY_PATH, L"ShowIconSec"));
}

TEST_F(OptionsDialog, DoneWithoutRowsRemovesEveryStoredEntry)
{
    StoreThreeEntries();
    DialogScript script;
    script.Do([](HWND d) { Select(d, { 0, 1, 2 }, 0); }).Click(IDC_OPTIONS_DELETE).AnswerMessageBox(IDYES);
    script.Click(IDOK);
    EXPECT_EQ(1, Run(script));
    EXPECT_EQ(0u, SubkeyCount(LIST_KEY_PATH));
    EXPECT_EQ(16, ReadNumber(SETTINGS_KEY_PATH, L"IconSize"));
}

// Two rows the registry would store under one key name: both are named, and the earlier
// of the two is the row selected (case and letters aside, and beyond 254 characters).
TEST_F(OptionsDialog, DoneRefusesTwoRowsOfOneKeyNameAndSelectsTheEarlier)
{
    std::wstring longA = std::wstring(254, L'L') + L"a", longB = std::wstring(254, L'L') + L"b";
    for (const RefusedCase &c : { RefusedCase{ { L"notes" }, { L"\"Notes\"", L"\"notes\"" }, 2 },
                                  RefusedCase{ { L"Games" }, { L"Games" }, 0 },
                                  RefusedCase{ { longA, longB }, { longA.substr(0, 254) }, 3 } })
        ExpectDoneRefuses(c);
}

TEST_F(OptionsDialog, DoneRefusesANameNoKeyCanHoldAndSelectsItsRow)
{
    for (const RefusedCase &c : { RefusedCase{ { L"a\\b" }, { L"a\\b" }, 3 }, RefusedCase{ { L"" }, {}, 3 } })
        ExpectDoneRefuses(c);
}

// Runs once the library carries the entry editor: only a row both focused and selected
// is edited; the editor's cancel leaves the rows and their icons as they were.
TEST_F(OptionsDialog, EditOpensTheEditorOnlyForTheFocusedSelectedRow)
{
    ASSERT_NE(nullptr, FindResourceW(dll, MAKEINTRESOURCEW(IDD_ENTRY_EDITOR), (LPCWSTR)RT_DIALOG));
    StoreThreeEntries();
    std::vector<HWND> innermost, owners;
    auto note = [&](HWND d) {
        innermost.push_back(d);
        owners.push_back(GetWindow(d, GW_OWNER));   // asked while the window exists
    };
    std::vector<Row> before, after;
    DialogScript script;
    script.Do(Grab()).Do(Read(before));
    script.Do([](HWND d) { Select(d, { 0 }, 1); }).Click(IDC_OPTIONS_EDIT).Do(note);
    script.Do([](HWND d) { Select(d, { 0 }, -1); }).Click(IDC_OPTIONS_EDIT).Do(note);
    script.Do([](HWND d) { Select(d, { 0, 1 }, 1); }).Click(IDC_OPTIONS_EDIT).Do(note).Click(IDCANCEL);
    script.Do(note).Do(Read(after)).Click(IDOK);
    EXPECT_EQ(1, Run(script));
    ASSERT_EQ(4u, innermost.size());
    EXPECT_EQ(dialog, innermost[0]);
    EXPECT_EQ(dialog, innermost[1]);
    EXPECT_NE(dialog, innermost[2]);
    EXPECT_EQ(dialog, owners[2]);
    EXPECT_EQ(dialog, innermost[3]);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < after.size(); i++) {
        EXPECT_EQ(before[i].name, after[i].name);
        EXPECT_EQ((int)i, after[i].image);
    }
}

// Each pair of answers: what is removed, whether the notice comes, and that the rows'
// edits (here a deleted row) are never stored.
TEST_F(OptionsDialog, UninstallAnswersRemoveWhatTheyNameAndStoreNothing)
{
    struct Case {
        int first, second;
    };
    for (Case answers : { Case{ IDNO, IDNO }, Case{ IDYES, IDNO }, Case{ IDNO, IDYES }, Case{ IDYES, IDYES } }) {
        SCOPED_TRACE(std::to_string(answers.first) + "," + std::to_string(answers.second));
        ResetRegistry();
        StoreThreeEntries();
        WriteSettingNumber(L"IconSize", 32);
        HKEY today;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTodayItemKey, 0, NULL, 0, KEY_ALL_ACCESS,
                                                 NULL, &today, NULL));
        RegCloseKey(today);

        std::vector<std::wstring> captions;
        auto caption = [&](HWND d) {
            WCHAR text[64];
            GetWindowTextW(d, text, 64);
            captions.push_back(text);
        };
        DialogScript script;
        script.SelectRow(IDC_OPTIONS_LIST, 0).Click(IDC_OPTIONS_DELETE).AnswerMessageBox(IDYES);
        script.Click(IDC_OPTIONS_UNINSTALL).Do(caption).AnswerMessageBox(answers.first);
        script.Do(caption).AnswerMessageBox(answers.second);
        if (answers.second == IDYES)
            script.Do(caption).AnswerMessageBox(IDOK);
        EXPECT_EQ(1, Run(script));
        EXPECT_EQ(0, script.cancelledByScript);

        std::vector<std::wstring> texts(script.messageBoxTexts.begin() + 1, script.messageBoxTexts.end());
        std::vector<std::wstring> expected = { L"Delete Tapshelf information?", L"Delete today information?" };
        std::vector<std::wstring> expectedCaptions = { L"Uninstall", L"Uninstall" };
        if (answers.second == IDYES) {
            expected.push_back(L"Information was deleted. Please uninstall.");
            expectedCaptions.push_back(L"Info");
        }
        EXPECT_EQ(expected, texts);
        EXPECT_EQ(expectedCaptions, captions);

        bool dataKept = answers.first == IDNO;
        EXPECT_EQ(dataKept, KeyExists(SETTINGS_KEY_PATH));
        EXPECT_EQ(dataKept ? 3u : 0u, SubkeyCount(LIST_KEY_PATH)) << "the deleted row is not stored";
        if (dataKept)
            EXPECT_EQ(32, ReadNumber(SETTINGS_KEY_PATH, L"IconSize"));
        EXPECT_EQ(answers.second == IDNO, KeyExists(kTodayItemKey, HKEY_LOCAL_MACHINE));
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTodayItemKey);
}

// ---- The texts in the device's language
//
// A Japanese device shows every text of the templates as it is; any other device shows
// English in place of each Japanese text, and every text fits its control at 96 and at 192
// dots per inch. (The Japanese texts are the templates' own whatever the device: how they
// fit is the templates' affair and the Japanese font's, and this machine's font is not the
// device's.) tests/CMakeLists.txt runs this case twice: with the device's language English,
// and Japanese (the process's locale; Wine takes the UI language from it).

using Texts = std::vector<std::wstring>;

// The static and button texts of each template, in template order.
const Texts kOptionsTexts = { L"追加", L"編集", L"削除", L"▲", L"▼", L"ｵﾌﾟｼｮﾝ", L"ｱﾝｲﾝｽﾄｰﾙ" };
const Texts kEditorTexts = { L"名称:", L"ﾌｧｲﾙﾊﾟｽ:", L"...", L"ｺﾏﾝﾄﾞﾗｲﾝ:", L"...", L"ｷｬﾝｾﾙ" };
const Texts kChooserTexts = { L"ファイル", L"..", L"ｷｬﾝｾﾙ" };
const Texts kAppearanceTexts = {
    L"背景ﾋﾞｯﾄﾏｯﾌﾟ:", L"...", L"領域に合わせてﾋﾞｯﾄﾏｯﾌﾟを伸縮する",
    L"ｱｲｺﾝ ｻｲｽﾞ:", L"ｱｲｺﾝ間隔 よこ:", L"ｱｲｺﾝ間隔 たて:",
    L"ｳｲﾝﾄﾞｳ 左ﾏｰｼﾞﾝ:", L"ｳｲﾝﾄﾞｳ 上ﾏｰｼﾞﾝ:", L"ｳｲﾝﾄﾞｳ 右ﾏｰｼﾞﾝ:", L"ｳｲﾝﾄﾞｳ 下ﾏｰｼﾞﾝ:",
    L"Tapshelf version " TAPSHELF_VERSION_TEXT "\nA launcher for the Today screen",
    L"(c) the Tapshelf authors",
    L"上下キーのみで項目を操作",
};

// The device language this run was started with: the locale's messages category, as the
// C library reads it (LC_ALL before LC_MESSAGES before LANG).
bool RunIsJapanese()
{
    for (const wchar_t *name : { L"LC_ALL", L"LC_MESSAGES", L"LANG" }) {
        WCHAR value[64] = L"";
        if (GetEnvironmentVariableW(name, value, 64) && value[0])
            return wcsncmp(value, L"ja", 2) == 0;
    }
    return false;
}

std::wstring English(const std::wstring &japanese)
{
    for (int i = 0; i < kEnglishDialogTextCount; i++)
        if (japanese == kEnglishDialogTexts[i].japanese)
            return kEnglishDialogTexts[i].english;
    return japanese;
}

// Kana, kanji and the half-width forms: what a device without Japanese glyphs shows as boxes.
bool HasJapanese(const std::wstring &text)
{
    for (wchar_t c : text)
        if (c >= 0x3000)
            return true;
    return false;
}

bool IsClass(HWND window, const wchar_t *name)
{
    WCHAR found[32] = L"";
    GetClassNameW(window, found, 32);
    return _wcsicmp(found, name) == 0;
}

std::wstring WindowText(HWND window)
{
    WCHAR text[128] = L"";
    GetWindowTextW(window, text, 128);
    return text;
}

// The labels, check boxes and buttons of a dialog in template order.
std::vector<HWND> Labelled(HWND dialog)
{
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsClass(child, L"Static") || IsClass(child, L"Button"))
            controls.push_back(child);
    return controls;
}

Texts TextsOf(HWND dialog)
{
    Texts texts;
    for (HWND control : Labelled(dialog))
        texts.push_back(WindowText(control));
    return texts;
}

// The dialog manager's base units for a font: the average width of the alphabet and the
// height of a line.
SIZE BaseUnits(HDC dc)
{
    static const wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SIZE alphabet;
    GetTextExtentPoint32W(dc, kAlphabet, 52, &alphabet);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    return { (alphabet.cx / 26 + 1) / 2, metrics.tmHeight };
}

// Each control whose text is wider or taller than the room its control has for it, with
// the dialog's font made for `dpi` dots per inch and the control at the size its dialog
// units give there: a push button keeps its edges and as much again clear on either side,
// a check box its box and a character's width after it; a label breaks its text at "\n".
Texts Overflows(HWND dialog, int dpi)
{
    HFONT shown = (HFONT)SendMessageW(dialog, WM_GETFONT, 0, 0);
    LOGFONTW face;
    GetObjectW(shown, sizeof face, &face);
    HDC dc = GetDC(dialog);
    int points = MulDiv(-face.lfHeight, 72, GetDeviceCaps(dc, LOGPIXELSY));
    HGDIOBJ old = SelectObject(dc, shown);
    SIZE shownUnits = BaseUnits(dc);
    face.lfHeight = -MulDiv(points, dpi, 72);
    HFONT font = CreateFontIndirectW(&face);
    SelectObject(dc, font);
    SIZE units = BaseUnits(dc);
    Texts overflows;
    for (HWND control : Labelled(dialog)) {
        EXPECT_EQ(shown, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0)) << "the dialog's font";
        RECT client;
        GetClientRect(control, &client);
        int room = MulDiv(MulDiv(client.right, 4, shownUnits.cx), units.cx, 4);
        int height = MulDiv(MulDiv(client.bottom, 8, shownUnits.cy), units.cy, 8);
        LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        if (IsClass(control, L"Button") && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
            room -= 4 * GetSystemMetrics(SM_CXEDGE) * dpi / 96;
        else if (IsClass(control, L"Button"))
            room -= GetSystemMetrics(SM_CXMENUCHECK) * dpi / 96 + units.cx;
        std::wstring text = WindowText(control);
        int widest = 0, lines = 0;
        for (size_t start = 0; start <= text.size(); lines++) {
            size_t end = std::min(text.find(L'\n', start), text.size());
            SIZE line;
            GetTextExtentPoint32W(dc, text.c_str() + start, (int)(end - start), &line);
            widest = std::max(widest, (int)line.cx);
            start = end + 1;
        }
        if (widest > room || lines * units.cy > height)
            overflows.push_back(text + L": " + std::to_wstring(widest) + L" wide in " + std::to_wstring(room) +
                                L", " + std::to_wstring(lines) + L" line(s) in " + std::to_wstring(height) + L" px");
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(dialog, dc);
    return overflows;
}

// The shell's bars around a full-screen dialog, as the device has them: the task bar above
// and the soft-key bar below, 26 pixels high at 96 dpi.
struct ShellBars {
    HWND taskBar = NULL, softKeys = NULL;
    explicit ShellBars(int dpi)
    {
        for (const wchar_t *name : { SHELL_TASKBAR_CLASS, SHELL_MENUBAR_CLASS }) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(NULL);
            wc.lpszClassName = name;
            RegisterClassW(&wc);
        }
        int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN), bar = 26 * dpi / 96;
        taskBar = CreateWindowExW(0, SHELL_TASKBAR_CLASS, L"", WS_POPUP | WS_VISIBLE, 0, 0, width, bar, NULL, NULL,
                                  GetModuleHandleW(NULL), NULL);
        softKeys = CreateWindowExW(0, SHELL_MENUBAR_CLASS, L"", WS_POPUP | WS_VISIBLE, 0, height - bar, width, bar,
                                   NULL, NULL, GetModuleHandleW(NULL), NULL);
    }
    ~ShellBars()
    {
        DestroyWindow(taskBar);
        DestroyWindow(softKeys);
    }
};

std::wstring Named(HWND control)
{
    std::wstring text = WindowText(control);
    return L"control " + std::to_wstring(GetDlgCtrlID(control)) + (text.empty() ? L"" : L" \"" + text + L"\"");
}

// Each control of a dialog that lies beyond its width (under the scroll bar, when it has
// one), above its top or below what scrolling reaches, or that overlaps another control.
Texts Misplaced(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    LONG reach = client.bottom;
    SCROLLINFO scroll = { sizeof scroll, SIF_ALL };
    if ((GetWindowLongW(dialog, GWL_STYLE) & WS_VSCROLL) && GetScrollInfo(dialog, SB_VERT, &scroll)
        && scroll.nMax >= (int)scroll.nPage)
        reach = scroll.nMax + 1;
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(NULL, dialog, (POINT *)&rect, 2);
        controls.push_back({ child, rect });
    }
    Texts faults;
    for (size_t i = 0; i < controls.size(); i++) {
        const RECT &r = controls[i].second;
        std::wstring where = L" at " + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"-" +
                             std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom);
        if (r.left < 0 || r.right > client.right)
            faults.push_back(Named(controls[i].first) + where + L": beyond the width " + std::to_wstring(client.right));
        if (r.top < 0 || r.bottom > reach)
            faults.push_back(Named(controls[i].first) + where + L": beyond the reach " + std::to_wstring(reach));
        for (size_t j = i + 1; j < controls.size(); j++) {
            RECT both;
            if (IntersectRect(&both, &r, &controls[j].second))
                faults.push_back(Named(controls[i].first) + where + L": overlaps " + Named(controls[j].first));
        }
    }
    return faults;
}

TEST_F(OptionsDialog, AndTheDialogsItOpensSpeakTheDeviceLanguageInTheirControls)
{
    bool japanese = RunIsJapanese();
    ASSERT_EQ(japanese ? LANG_JAPANESE : LANG_ENGLISH, PRIMARYLANGID(GetUserDefaultUILanguage()))
        << "Wine did not take the device's language from the locale: is the locale generated (make bootstrap)?";

    struct Shown { const char *name; Texts templateTexts, texts, overflows; };
    std::vector<Shown> shown = { { "options", kOptionsTexts }, { "entry editor", kEditorTexts },
                                 { "file chooser", kChooserTexts }, { "appearance", kAppearanceTexts } };
    auto note = [&shown, japanese](size_t which) {
        return [&shown, japanese, which](HWND dialog) {
            shown[which].texts = TextsOf(dialog);
            for (int dpi : { 96, 192 })
                for (const std::wstring &overflow : japanese ? Texts() : Overflows(dialog, dpi))
                    shown[which].overflows.push_back(std::to_wstring(dpi) + L" dpi: " + overflow);
        };
    };
    DialogScript script;
    script.Do(note(0)).Click(IDC_OPTIONS_ADD).Do(note(1)).Click(IDC_EDITOR_BROWSE_FILE).Do(note(2));
    script.Click(IDCANCEL).Click(IDCANCEL).Click(IDC_OPTIONS_APPEARANCE).Do(note(3)).Click(IDOK).Click(IDOK);
    EXPECT_EQ(1, Run(script));
    EXPECT_EQ(0, script.cancelledByScript);

    for (const Shown &dialog : shown) {
        SCOPED_TRACE(dialog.name);
        Texts expected = dialog.templateTexts;
        if (!japanese)
            for (std::wstring &text : expected)
                text = English(text);
        EXPECT_EQ(expected, dialog.texts);
        for (const std::wstring &text : dialog.texts)
            EXPECT_TRUE(japanese || !HasJapanese(text)) << Narrow(text) << " has no English";
        for (const std::wstring &overflow : dialog.overflows)
            ADD_FAILURE() << Narrow(overflow);
    }
}

// Every screen of a Windows Mobile device, at its density: the four dialogs between the
// shell's bars, each control inside the dialog's width and within its reach (the dialog, or
// its scroll range where it scrolls), none over another or under the scroll bar, and no text
// cut. Densities other than this process's run in processes of their own.
TEST_F(OptionsDialog, AndTheDialogsItOpensLieWholeOnEveryScreen)
{
    if (!IsScreenRun()) {
        const DeviceScreen screens[] = { { 240, 320, 96 }, { 320, 240, 96 }, { 240, 240, 96 },
                                         { 480, 640, 192 }, { 640, 480, 192 }, { 480, 480, 192 },
                                         { 480, 800, 192 }, { 320, 320, 128 } };
        for (const DeviceScreen &screen : screens)
            EXPECT_TRUE(PassesOnScreen(screen)) << screen.width << "x" << screen.height << " at " << screen.dpi
                                                << " dpi";
        return;
    }
    int dpi = CurrentScreen().dpi;
    bool japanese = RunIsJapanese();
    ShellBars bars(dpi);
    Texts faults;
    // TAPSHELF_DIALOG_PICTURES=<folder> keeps a picture of each dialog on each screen there.
    WCHAR pictures[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"TAPSHELF_DIALOG_PICTURES", pictures, MAX_PATH);
    std::wstring prefix = std::wstring(pictures) + L"\\" + std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L"x" +
                          std::to_wstring(GetSystemMetrics(SM_CYSCREEN)) + (japanese ? L"-ja-" : L"-en-");
    auto check = [&faults, dpi, japanese, pictures, prefix](const wchar_t *dialogName) {
        return [&faults, dpi, japanese, pictures, prefix, dialogName](HWND dialog) {
            if (pictures[0]) {
                ShowWindow(dialog, SW_SHOW);
                RedrawWindow(dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
                SavePng(CaptureWindow(NULL), prefix + dialogName + L".png");
            }
            for (const std::wstring &fault : Misplaced(dialog))
                faults.push_back(std::wstring(dialogName) + L": " + fault);
            for (const std::wstring &fault : japanese ? Texts() : Overflows(dialog, dpi))
                faults.push_back(std::wstring(dialogName) + L": cut: " + fault);
        };
    };
    DialogScript script;
    script.Do(check(L"options")).Click(IDC_OPTIONS_ADD).Do(check(L"entry editor"));
    script.Click(IDC_EDITOR_BROWSE_FILE).Do(check(L"file chooser")).Click(IDCANCEL).Click(IDCANCEL);
    script.Click(IDC_OPTIONS_APPEARANCE).Do(check(L"appearance")).Click(IDOK).Click(IDOK);
    EXPECT_EQ(1, Run(script));
    EXPECT_EQ(0, script.cancelledByScript);
    for (const std::wstring &fault : faults)
        ADD_FAILURE() << Narrow(fault);
}
}  // namespace
