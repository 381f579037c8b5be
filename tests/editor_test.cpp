// The launch entry editor and the appearance dialog as a user meets them: opened from the
// options dialog's buttons, filled by typing and by browsing through the real file chooser
// on sandbox files, closed with Done or cancel; what reaches the rows, the settings and the
// registry is read back afterwards, and a new entry is started from the Today item.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <string>
#include <vector>
#include "chooser/chooser.h"
#include "dialog_script.h"
#include "list_rows.h"
#include "options/appearance_dialog.h"
#include "options/options_dialog.h"
#include "resources/resource.h"
#include "store/store.h"
#include "harness.h"
#include "launch_log.h"
#include "pixels.h"
#include "sandbox.h"
#include "today_standin.h"
#include "today/layout.h"
#include "today/item_state.h"
#include "wince_testing.h"

namespace {

using Row = ListRow;

std::vector<Row> ReadRows(HWND options) { return ReadListRows(GetDlgItem(options, IDC_OPTIONS_LIST)); }

// Image i of the options dialog's row icons drawn on white.
std::vector<DWORD> RowIcon(HWND options, int image)
{
    HIMAGELIST icons = (HIMAGELIST)SendDlgItemMessageW(options, IDC_OPTIONS_LIST, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    DibCanvas canvas(16, 16, RGB(255, 255, 255));
    if (!icons || !ImageList_Draw(icons, image, canvas.dc, 0, 0, ILD_NORMAL))
        return {};
    return canvas.Read().bits;
}

std::wstring Caption(HWND window)
{
    WCHAR text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring ReadStoredString(const std::wstring &key, const wchar_t *name)
{
    WCHAR text[1024] = L"";
    DWORD size = sizeof(text);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, NULL, text, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

DWORD ReadStoredNumber(const wchar_t *name)
{
    DWORD value = 0xDEADBEEF, size = 4;
    RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, name, RRF_RT_REG_DWORD, NULL, &value, &size);
    return value;
}

// The dialogs run from the test program's own copy of the library's templates and code,
// so that the settings, the chooser's folder and the input panel's log are at hand.
class OptionDialogs : public testing::Test {
protected:
    std::wstring folder;   // the sandbox; the chooser opens there
    HWND options = NULL;

    void SetUp() override
    {
        ResetRegistry();
        ResetItemState();
        folder = SandboxFolder();
        for (const wchar_t *name : { L"my.app.exe", L"notes", L".profile", L"back.bmp" })
            WriteFileText(folder + L"\\" + name, "x");
        CreateDirectoryW((folder + L"\\Games").c_str(), NULL);
        wcscpy(g_Chooser.CurrentFolder, folder.c_str());
    }
    void TearDown() override { ResetRegistry(); }

    INT_PTR RunOptions(DialogScript &script)
    {
        return script.Run([] {
            return DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_OPTIONS), NULL,
                                   (DLGPROC)CustomItemOptionsDlgProc, 0);
        });
    }
    DialogScript::Step GrabOptions()
    {
        return [this](HWND d) { options = d; };
    }
    DialogScript::Step Read(std::vector<Row> &rows)
    {
        return [this, &rows](HWND) { rows = ReadRows(options); };
    }
    // Steps of a pen tap on a file's row in the open chooser: the row is selected (its name
    // goes into the name box) and the tap ends the chooser with it.
    static void Choose(DialogScript &script, const std::wstring &name)
    {
        script.Do([name](HWND chooser) {
            HWND list = GetDlgItem(chooser, IDC_CHOOSER_LIST);
            int rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
            for (int i = 0; i < rows; i++)
                if (CellText(list, i, 0) == name) {
                    LVITEMW state = {};
                    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
                    SendMessageW(list, LVM_SETITEMSTATE, i, (LPARAM)&state);
                    return;
                }
            ADD_FAILURE() << "no row " << Narrow(name) << " in the chooser";
        });
        script.Notify(IDC_CHOOSER_LIST, NM_CLICK);
    }
    // A step that notes the caption of the innermost open dialog.
    static DialogScript::Step NoteCaption(std::vector<std::wstring> &captions)
    {
        return [&captions](HWND d) { captions.push_back(Caption(d)); };
    }
};

using EntryEditor = OptionDialogs;
using Appearance = OptionDialogs;

TEST_F(EntryEditor, DoneNeedsANameAndAPathAndCutsOneTrailingSeparator)
{
    WriteEntryKey(L"Old", L"\\old.exe", L"-o", 0);
    std::vector<std::wstring> captions;
    std::vector<Row> rows;
    DialogScript script;
    script.Do(GrabOptions());
    // Every box empty, then a name alone, then a path alone: the editor stays open, silent.
    script.Click(IDC_OPTIONS_ADD).Do(NoteCaption(captions));
    script.Click(IDOK).Do(NoteCaption(captions));
    script.SetText(IDC_EDITOR_NAME, L"Tool").Click(IDOK).Do(NoteCaption(captions));
    script.SetText(IDC_EDITOR_NAME, L"").SetText(IDC_EDITOR_FILE_PATH, L"\\x").Click(IDOK).Do(NoteCaption(captions));
    // Name and path with an empty command line: a new last row.
    script.SetText(IDC_EDITOR_NAME, L"Tool").SetText(IDC_EDITOR_FILE_PATH, L"\\Tools\\").Click(IDOK);
    // Two trailing separators lose one; "\" alone stays; texts past 254 characters are cut.
    script.Click(IDC_OPTIONS_ADD).SetText(IDC_EDITOR_NAME, L"Two").SetText(IDC_EDITOR_FILE_PATH, L"\\a\\\\");
    script.SetText(IDC_EDITOR_COMMAND_LINE, L"-v").Click(IDOK);
    script.Click(IDC_OPTIONS_ADD).SetText(IDC_EDITOR_NAME, L"Root").SetText(IDC_EDITOR_FILE_PATH, L"\\").Click(IDOK);
    script.Click(IDC_OPTIONS_ADD).SetText(IDC_EDITOR_NAME, std::wstring(300, L'n'));
    script.SetText(IDC_EDITOR_FILE_PATH, L"\\" + std::wstring(299, L'p'));
    script.SetText(IDC_EDITOR_COMMAND_LINE, std::wstring(300, L'c')).Click(IDOK);
    script.Do(Read(rows)).Do(NoteCaption(captions)).Click(IDOK);
    EXPECT_EQ(1, RunOptions(script));
    EXPECT_EQ(0, script.cancelledByScript);

    EXPECT_EQ((std::vector<std::wstring>{ L"File", L"File", L"File", L"File", L"Tapshelf" }), captions);
    ASSERT_EQ(5u, rows.size());
    EXPECT_EQ(L"Old", rows[0].name);
    EXPECT_EQ(L"Tool", rows[1].name);
    EXPECT_EQ(L"\\Tools", rows[1].file);
    EXPECT_EQ(L"", rows[1].command);
    EXPECT_EQ(L"\\a\\", rows[2].file);
    EXPECT_EQ(L"-v", rows[2].command);
    EXPECT_EQ(L"\\", rows[3].file);
    EXPECT_EQ(std::wstring(254, L'n'), rows[4].name);
    EXPECT_EQ(L"\\" + std::wstring(253, L'p'), rows[4].file);
    EXPECT_EQ(std::wstring(254, L'c'), rows[4].command);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(i, rows[i].image) << "icons rebuilt after each editor";

    // Stored by the options dialog's Done, in row order.
    std::wstring list = LIST_KEY_PATH;
    EXPECT_EQ(L"\\Tools", ReadStoredString(list + L"\\Tool", L"FileName"));
    EXPECT_EQ(L"", ReadStoredString(list + L"\\Tool", L"CommnadLine"));
    EXPECT_EQ(L"\\", ReadStoredString(list + L"\\Root", L"FileName"));
    EXPECT_EQ(5u, SubkeyCount(list));
}

TEST_F(EntryEditor, EditRewritesTheRowInPlaceAndCancelLeavesItAlone)
{
    WriteEntryKey(L"Games", folder + L"\\Games", L"", 0);
    WriteEntryKey(L"Notes", folder + L"\\notes", L"/n", 1);
    WriteEntryKey(L"Gone", folder + L"\\gone.exe", L"-x", 2);
    std::vector<Row> before, afterEdit, afterCancel;
    std::vector<std::wstring> shown;
    std::vector<DWORD> folderIcon, notesIconBefore, notesIconAfter;
    std::wstring browsedPath, browsedName;
    DialogScript script;
    script.Do(GrabOptions()).Do(Read(before)).Do([&](HWND) {
        folderIcon = RowIcon(options, before[0].image);
        notesIconBefore = RowIcon(options, before[1].image);
        LVITEMW state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendDlgItemMessageW(options, IDC_OPTIONS_LIST, LVM_SETITEMSTATE, 1, (LPARAM)&state);
    });
    // The editor shows the row's three texts; the row becomes a folder entry.
    script.Click(IDC_OPTIONS_EDIT).Do([&](HWND editor) {
        for (int id : { IDC_EDITOR_NAME, IDC_EDITOR_FILE_PATH, IDC_EDITOR_COMMAND_LINE })
            shown.push_back(DialogItemText(editor, id));
    });
    script.SetText(IDC_EDITOR_NAME, L"Play").SetText(IDC_EDITOR_FILE_PATH, folder + L"\\Games\\").Click(IDOK);
    script.Do(Read(afterEdit)).Do([&](HWND) { notesIconAfter = RowIcon(options, afterEdit[1].image); });
    // Browsing changes the boxes; cancel drops them.
    script.Click(IDC_OPTIONS_EDIT).Click(IDC_EDITOR_BROWSE_FILE);
    Choose(script, L"my.app.exe");
    script.Do([&](HWND editor) {
        browsedPath = DialogItemText(editor, IDC_EDITOR_FILE_PATH);
        browsedName = DialogItemText(editor, IDC_EDITOR_NAME);
    });
    script.Click(IDCANCEL).Do(Read(afterCancel)).Click(IDOK);
    EXPECT_EQ(1, RunOptions(script));
    EXPECT_EQ(0, script.cancelledByScript);

    EXPECT_EQ((std::vector<std::wstring>{ L"Notes", folder + L"\\notes", L"/n" }), shown);

    ASSERT_EQ(3u, afterEdit.size());
    EXPECT_EQ(before[0], afterEdit[0]);
    EXPECT_EQ(before[2], afterEdit[2]);
    Row edited = { L"Play", folder + L"\\Games", L"/n", 1, true, true };
    EXPECT_EQ(edited, afterEdit[1]) << "same place, still selected and focused";
    ASSERT_FALSE(folderIcon.empty());
    EXPECT_NE(notesIconBefore, folderIcon);
    EXPECT_EQ(folderIcon, notesIconAfter) << "the row's icon follows its new path";

    EXPECT_EQ(folder + L"\\my.app.exe", browsedPath);
    EXPECT_EQ(L"Play", browsedName) << "a name in the box is kept";
    EXPECT_EQ(afterEdit, afterCancel);
    EXPECT_EQ(folder + L"\\Games", ReadStoredString(std::wstring(LIST_KEY_PATH) + L"\\Play", L"FileName"));
    EXPECT_FALSE(KeyExists(std::wstring(LIST_KEY_PATH) + L"\\Notes"));
}

TEST_F(EntryEditor, BrowsingFillsThePathsAndNamesAnEmptyNameBoxAfterTheFile)
{
    std::vector<std::wstring> names, paths;
    std::vector<Row> rows;
    auto note = [&](HWND editor) {
        names.push_back(DialogItemText(editor, IDC_EDITOR_NAME));
        paths.push_back(DialogItemText(editor, IDC_EDITOR_FILE_PATH));
    };
    DialogScript script;
    script.Do(GrabOptions()).Click(IDC_OPTIONS_ADD);
    for (const wchar_t *file : { L"my.app.exe", L"notes", L".profile" }) {
        script.SetText(IDC_EDITOR_NAME, L"").Click(IDC_EDITOR_BROWSE_FILE);
        Choose(script, file);
        script.Do(note);
    }
    // A typed name stays; cancelling the chooser changes nothing.
    script.SetText(IDC_EDITOR_NAME, L"Mine").Click(IDC_EDITOR_BROWSE_FILE);
    Choose(script, L"notes");
    script.Do(note).Click(IDC_EDITOR_BROWSE_FILE).Click(IDCANCEL).Do(note);
    // The command line takes the whole chosen path, replacing what it held.
    script.SetText(IDC_EDITOR_COMMAND_LINE, L"old").Click(IDC_EDITOR_BROWSE_COMMAND);
    Choose(script, L"my.app.exe");
    script.Click(IDOK).Do(Read(rows)).Click(IDOK);
    EXPECT_EQ(1, RunOptions(script));
    EXPECT_EQ(0, script.cancelledByScript);

    EXPECT_EQ((std::vector<std::wstring>{ L"my", L"notes", L"", L"Mine", L"Mine" }), names);
    std::wstring notes = folder + L"\\notes";
    EXPECT_EQ((std::vector<std::wstring>{ folder + L"\\my.app.exe", notes, folder + L"\\.profile", notes, notes }),
              paths);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(L"Mine", rows[0].name);
    EXPECT_EQ(notes, rows[0].file);
    EXPECT_EQ(folder + L"\\my.app.exe", rows[0].command);
}

TEST_F(EntryEditor, NamesTheStoreCannotKeepAreRefusedWithAWord)
{
    WriteEntryKey(L"Notes", L"\\notes", L"", 0);
    WriteEntryKey(L"Games", L"\\Games", L"", 1);
    std::vector<std::wstring> captions;
    std::vector<Row> rows;
    DialogScript script;
    script.Do(GrabOptions()).Click(IDC_OPTIONS_ADD);
    script.SetText(IDC_EDITOR_NAME, L"NOTES").SetText(IDC_EDITOR_FILE_PATH, L"\\x").Click(IDOK);
    script.AnswerMessageBox(IDOK).Do(NoteCaption(captions));
    script.SetText(IDC_EDITOR_NAME, L"a\\b").Click(IDOK).AnswerMessageBox(IDOK).Do(NoteCaption(captions));
    script.SetText(IDC_EDITOR_NAME, L"New").Click(IDOK);
    // Editing a row: its own name, in any letter case, is its own; another row's is not.
    script.Do([&](HWND) {
        LVITEMW state = {};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendDlgItemMessageW(options, IDC_OPTIONS_LIST, LVM_SETITEMSTATE, 0, (LPARAM)&state);
    });
    script.Click(IDC_OPTIONS_EDIT).SetText(IDC_EDITOR_NAME, L"games").Click(IDOK).AnswerMessageBox(IDOK);
    script.Do(NoteCaption(captions)).SetText(IDC_EDITOR_NAME, L"notes").Click(IDOK);
    script.Do(Read(rows)).Click(IDOK);
    EXPECT_EQ(1, RunOptions(script));
    EXPECT_EQ(0, script.cancelledByScript);

    ASSERT_EQ(3u, script.messageBoxTexts.size());
    EXPECT_NE(std::wstring::npos, script.messageBoxTexts[0].find(L"\"NOTES\"")) << Narrow(script.messageBoxTexts[0]);
    EXPECT_NE(std::wstring::npos, script.messageBoxTexts[0].find(L"\"Notes\""));
    EXPECT_NE(std::wstring::npos, script.messageBoxTexts[1].find(L"\\")) << Narrow(script.messageBoxTexts[1]);
    EXPECT_NE(std::wstring::npos, script.messageBoxTexts[2].find(L"\"Games\""));
    EXPECT_EQ((std::vector<std::wstring>{ L"File", L"File", L"File" }), captions) << "the editor stayed open";
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ(L"notes", rows[0].name);
    EXPECT_EQ(L"Games", rows[1].name);
    EXPECT_EQ(L"New", rows[2].name);
    EXPECT_EQ(L"\\x", rows[2].file);
    EXPECT_TRUE(KeyExists(std::wstring(LIST_KEY_PATH) + L"\\New"));
    EXPECT_EQ(3u, SubkeyCount(LIST_KEY_PATH));
}

TEST_F(EntryEditor, EditBoxesOfBothDialogsRaiseTheInputPanelWhileFocused)
{
    const int editorBoxes[] = { IDC_EDITOR_NAME, IDC_EDITOR_FILE_PATH, IDC_EDITOR_COMMAND_LINE };
    const int appearanceBoxes[] = { IDC_APPEARANCE_BITMAP, IDC_APPEARANCE_ICON_SIZE, IDC_APPEARANCE_HMARGIN,
                                    IDC_APPEARANCE_VMARGIN, IDC_APPEARANCE_LEFT_MARGIN, IDC_APPEARANCE_TOP_MARGIN,
                                    IDC_APPEARANCE_RIGHT_MARGIN, IDC_APPEARANCE_BOTTOM_MARGIN };
    std::vector<std::wstring> failures;
    // Each box in turn takes the focus from a button and gives it back.
    auto visit = [&](HWND dialog, int box, int button) {
        const WinceSipLog *log = WinceGetSipLog();
        SetFocus(GetDlgItem(dialog, button));
        LONG up = log->upCalls, down = log->downCalls;
        SetFocus(GetDlgItem(dialog, box));
        bool raised = log->upCalls == up + 1 && log->lastState == SIP_UP;
        SetFocus(GetDlgItem(dialog, button));
        bool lowered = log->downCalls == down + 1 && log->lastState == SIP_DOWN;
        if (!raised || !lowered)
            failures.push_back(std::to_wstring(box) + (raised ? L" not lowered" : L" not raised"));
    };
    LONG downAtStart = 0;
    DialogScript script;
    script.Do(GrabOptions()).Click(IDC_OPTIONS_ADD).Do([&](HWND editor) {
        for (int box : editorBoxes)
            visit(editor, box, IDCANCEL);
    });
    script.Click(IDCANCEL).Do([&](HWND) { downAtStart = WinceGetSipLog()->downCalls; });
    script.Click(IDC_OPTIONS_APPEARANCE).Do([&](HWND appearance) {
        EXPECT_EQ(downAtStart + 1, WinceGetSipLog()->downCalls) << "the panel is lowered as the dialog opens";
        for (int box : appearanceBoxes)
            visit(appearance, box, IDC_APPEARANCE_BROWSE);
    });
    script.Click(IDOK).Click(IDOK);
    EXPECT_EQ(1, RunOptions(script));
    EXPECT_EQ(0, script.cancelledByScript);
    EXPECT_TRUE(failures.empty()) << Narrow(failures.empty() ? L"" : failures[0]);
    EXPECT_EQ(SIP_DOWN, WinceGetSipLog()->lastState);
}

// ---- Appearance dialog

INT_PTR RunAppearance(DialogScript &script)
{
    return script.Run([] {
        return DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_APPEARANCE), NULL, AppearanceDialogProc, 0);
    });
}

TEST_F(Appearance, DoneWithoutChangesKeepsEveryValueNegativeOnesIncluded)
{
    DisplaySettings stored = { L"\\My Documents\\back.bmp", 1, 0, 32, 0, 7, -1, 3, 40, -2147483647 - 1, 9 };
    g_Config.Settings = stored;
    std::vector<std::wstring> texts, captions;
    bool stretchChecked = false, updownChecked = true;
    DialogScript script;
    script.Do([&](HWND d) {
        for (int id : { IDC_APPEARANCE_BITMAP, IDC_APPEARANCE_ICON_SIZE, IDC_APPEARANCE_HMARGIN,
                        IDC_APPEARANCE_VMARGIN, IDC_APPEARANCE_LEFT_MARGIN, IDC_APPEARANCE_TOP_MARGIN,
                        IDC_APPEARANCE_RIGHT_MARGIN, IDC_APPEARANCE_BOTTOM_MARGIN })
            texts.push_back(DialogItemText(d, id));
        stretchChecked = IsDlgButtonChecked(d, IDC_APPEARANCE_STRETCH) == BST_CHECKED;
        updownChecked = IsDlgButtonChecked(d, IDC_APPEARANCE_UPDOWN) == BST_CHECKED;
    });
    // There is no cancel: IDCANCEL leaves the dialog open.
    script.Click(IDCANCEL).Do(NoteCaption(captions)).Click(IDOK);
    EXPECT_EQ(1, RunAppearance(script));

    EXPECT_EQ((std::vector<std::wstring>{ L"\\My Documents\\back.bmp", L"32", L"0", L"7", L"4294967295", L"3",
                                          L"40", L"2147483648" }),
              texts);
    EXPECT_TRUE(stretchChecked);
    EXPECT_FALSE(updownChecked);
    EXPECT_EQ((std::vector<std::wstring>{ L"Options" }), captions);
    EXPECT_EQ(0, memcmp(&stored, &g_Config.Settings, sizeof(stored)));
}

// A box reads as the device reads it: spaces, then digits; anything else, or a number beyond
// 32 bits, gives 0. Done reads the boxes in this order: an overflow in one box must not
// spoil the largest number in the next.
TEST_F(Appearance, BoxesReadAsTheDeviceReadsThemAndChecksAsZeroOrOne)
{
    g_Config.Settings.ShowIconSec = 4;
    const struct {
        int id;
        const wchar_t *text;
        LONG DisplaySettings::*setting;
        LONG value;
    } kBoxes[] = {
        { IDC_APPEARANCE_ICON_SIZE,     L"",            &DisplaySettings::IconSize,        0 },
        { IDC_APPEARANCE_HMARGIN,       L"99999999999", &DisplaySettings::HMargin,         0 },
        { IDC_APPEARANCE_VMARGIN,       L"4294967295",  &DisplaySettings::VMargin,         -1 },
        { IDC_APPEARANCE_LEFT_MARGIN,   L"x1",          &DisplaySettings::WinLeftMargin,   0 },
        { IDC_APPEARANCE_TOP_MARGIN,    L"4294967296",  &DisplaySettings::WinTopMargin,    0 },
        { IDC_APPEARANCE_RIGHT_MARGIN,  L"  12",        &DisplaySettings::WinRightMargin,  12 },
        { IDC_APPEARANCE_BOTTOM_MARGIN, L"-1",          &DisplaySettings::WinBottomMargin, 0 },
    };
    DialogScript script;
    for (const auto &box : kBoxes)
        script.SetText(box.id, box.text);
    script.SetText(IDC_APPEARANCE_BITMAP, std::wstring(300, L'b'));
    script.Do([](HWND d) {
        CheckDlgButton(d, IDC_APPEARANCE_STRETCH, BST_CHECKED);
        CheckDlgButton(d, IDC_APPEARANCE_UPDOWN, BST_UNCHECKED);
    });
    script.Click(IDOK);
    EXPECT_EQ(1, RunAppearance(script));
    const DisplaySettings &s = g_Config.Settings;
    for (const auto &box : kBoxes)
        EXPECT_EQ(box.value, s.*box.setting) << "box " << box.id << " \"" << Narrow(box.text) << "\"";
    EXPECT_EQ(std::wstring(254, L'b'), s.backbmpfile);
    EXPECT_EQ(1, s.stretch_backbmp);
    EXPECT_EQ(0, s.CtrlUpDown);
    EXPECT_EQ(4, s.ShowIconSec);
}

TEST_F(Appearance, ABrowsedBitmapAndNewSizeReachTheRegistryOnlyAtTheOptionsDone)
{
    WriteSettingNumber(L"ShowIconSec", 3);
    WriteSettingString(L"backbmpfile", L"\\old.bmp");
    std::wstring boxAfterCancel, boxAfterBrowse, storedBeforeDone, inMemory;
    DialogScript script;
    script.Click(IDC_OPTIONS_APPEARANCE).Click(IDC_APPEARANCE_BROWSE).Click(IDCANCEL);
    script.Do([&](HWND d) { boxAfterCancel = DialogItemText(d, IDC_APPEARANCE_BITMAP); });
    script.Click(IDC_APPEARANCE_BROWSE);
    Choose(script, L"back.bmp");
    script.Do([&](HWND d) { boxAfterBrowse = DialogItemText(d, IDC_APPEARANCE_BITMAP); });
    script.SetText(IDC_APPEARANCE_ICON_SIZE, L"32").Click(IDOK);
    script.Do([&](HWND) {
        storedBeforeDone = ReadStoredString(SETTINGS_KEY_PATH, L"backbmpfile");
        inMemory = g_Config.Settings.backbmpfile;
    });
    script.Click(IDOK);
    EXPECT_EQ(1, RunOptions(script));
    EXPECT_EQ(0, script.cancelledByScript);

    EXPECT_EQ(L"\\old.bmp", boxAfterCancel);
    EXPECT_EQ(folder + L"\\back.bmp", boxAfterBrowse);
    EXPECT_EQ(L"\\old.bmp", storedBeforeDone);
    EXPECT_EQ(folder + L"\\back.bmp", inMemory);
    EXPECT_EQ(folder + L"\\back.bmp", ReadStoredString(SETTINGS_KEY_PATH, L"backbmpfile"));
    EXPECT_EQ(32u, ReadStoredNumber(L"IconSize"));
    EXPECT_EQ(3u, ReadStoredNumber(L"ShowIconSec"));
    EXPECT_EQ(13u, ReadStoredNumber(L"WinRightMargin"));
}

// Whatever the dialog stores (it refuses no number), the item reports a height a window can
// have, paints and hit-tests, in bounded time.
TEST_F(Appearance, EveryValueTheDialogCanStoreLeavesTheItemSound)
{
    struct Case {
        std::vector<std::pair<const wchar_t *, DWORD>> values;
        LONG height;   // -1: any height in range
    };
    const DWORD kMax = 4294967295u;
    const std::vector<Case> cases = {
        { { { L"IconSize", 0 } }, 0 + 4 + 5 },
        { { { L"WinLeftMargin", 1000 }, { L"WinRightMargin", 1000 } }, 3 * 20 + 20 + 5 },   // a row per cell
        { { { L"IconSize", 2147483647 } }, MAX_ITEM_HEIGHT },
        { { { L"IconSize", kMax }, { L"HMargin", kMax }, { L"VMargin", kMax } }, -1 },
        { { { L"WinTopMargin", 2147483647 }, { L"WinBottomMargin", 2147483647 } }, MAX_ITEM_HEIGHT },
        { { { L"WinLeftMargin", kMax }, { L"WinTopMargin", kMax }, { L"WinRightMargin", kMax },
            { L"WinBottomMargin", kMax } }, -1 },
        { { { L"IconSize", 100000 }, { L"VMargin", 2147483647 } }, -1 },
    };
    for (size_t c = 0; c < cases.size(); c++) {
        ResetRegistry();
        ResetItemState();
        for (int i = 0; i < 3; i++)
            WriteEntryKey(L"E" + std::to_wstring(i), folder + L"\notes", L"", i);
        WriteSettingNumber(L"ShowIconSec", 0);   // icons at once
        for (const auto &value : cases[c].values)
            WriteSettingNumber(value.first, value.second);
        TestToday today;
        DWORD start = GetTickCount();
        HWND item = today.CreateItem();
        ASSERT_NE(nullptr, item) << "case " << c;
        LONG height = (LONG)today.item.cyp;
        EXPECT_GE(height, 0) << "case " << c;
        EXPECT_LE(height, MAX_ITEM_HEIGHT) << "case " << c;
        if (cases[c].height >= 0)
            EXPECT_EQ(cases[c].height, height) << "case " << c;
        today.WaitForIcons();
        EXPECT_NE(nullptr, g_Item.IconImageList) << "case " << c;
        RenderItem(item);
        for (LONG y : { -5, 0, 10, 100 })
            for (LONG x : { -5, 0, 10, 200 })
                EXPECT_LT(HitTestEntry(x, y), 3) << "case " << c;
        EXPECT_LT(GetTickCount() - start, 5000u) << "case " << c;
        DestroyWindow(item);
        today.itemWindow = NULL;
    }
}

// ---- From the editor to the Today item

TEST_F(EntryEditor, AnEntryAddedThroughTheChooserShowsOnTheItemAndStartsWhenTapped)
{
    StartLaunchLog();
    std::string recorder = TestProgramFolder() + "\\recorder.exe";
    std::wstring program = folder + L"\\starter.exe";
    ASSERT_TRUE(CopyFileW(std::wstring(recorder.begin(), recorder.end()).c_str(), (L"T:" + program).c_str(), FALSE));
    WriteEntryKey(L"First", folder + L"\\notes", L"", 0);

    DialogScript script;
    script.Do(GrabOptions()).Click(IDC_OPTIONS_ADD).Click(IDC_EDITOR_BROWSE_FILE);
    // A folder up, and back by typing the sandbox's name.
    script.Do([](HWND chooser) { SendMessageW(chooser, WM_COMMAND, IDC_CHOOSER_UP, 0); });
    script.Do([this](HWND chooser) {
        std::wstring leaf = folder.substr(folder.rfind(L'\\') + 1);
        SetDlgItemTextW(chooser, IDC_CHOOSER_NAME, leaf.c_str());
        SendMessageW(chooser, WM_COMMAND, IDOK, 0);
        SetDlgItemTextW(chooser, IDC_CHOOSER_NAME, L"");
    });
    Choose(script, L"starter.exe");
    script.SetText(IDC_EDITOR_COMMAND_LINE, L"from the editor").Click(IDOK).Click(IDOK);
    ASSERT_EQ(1, RunOptions(script));
    ASSERT_EQ(0, script.cancelledByScript);
    EXPECT_EQ(program, ReadStoredString(std::wstring(LIST_KEY_PATH) + L"\\starter", L"FileName"));

    TestToday today;
    HWND item = today.CreateItem();
    ASSERT_NE(nullptr, item);
    ASSERT_EQ(2, g_Config.LaunchCount);
    EXPECT_STREQ(L"starter", g_Config.LaunchList[1].Name);
    // The second cell of the first row (icon 16, spacing 2: cells 20 pixels wide).
    PostMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
    SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 10));
    PumpMessages(30);
    std::vector<std::string> lines = WaitForLaunches(1);
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("starter.exe")) << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find("from the editor")) << lines[0];
    DestroyWindow(item);
    today.itemWindow = NULL;
}

}  // namespace
