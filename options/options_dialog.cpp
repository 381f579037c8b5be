// The options dialog's procedure. While the dialog is open its list view is the working
// copy of the launch list; nothing reaches the registry before Done, which stores the rows
// in their order with the display settings. Uninstall removes the registry data and closes
// without storing anything. There is no cancel.
#include "options/options_dialog.h"
#include "dialogs/full_screen.h"
#include "dialogs/own_dialog.h"
#include <aygshell.h>
#include "options/appearance_dialog.h"
#include "options/entry_editor.h"
#include "options/rows.h"
#include "resources/resource.h"
#include "resources/texts.h"
#include "store/store.h"
#include "today/icons.h"
#include "today/item_state.h"

struct ColumnHeader {
    const WCHAR *text;
    int width;
};

static const ColumnHeader kColumns[OPTIONS_COLUMN_COUNT] = {
    { STR_OPTIONS_COLUMN_NAME, 150 },
    { STR_OPTIONS_COLUMN_FILE_PATH, 150 },
    { STR_OPTIONS_COLUMN_COMMAND_LINE, 100 },
};

static HWND RowList(HWND dialog)
{
    return GetDlgItem(dialog, IDC_OPTIONS_LIST);
}

static void SelectOnly(HWND list, int row)
{
    LVITEMW state;
    state.stateMask = LVIS_SELECTED;
    state.state = 0;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&state);
    SendMessageW(list, LVM_ENSUREVISIBLE, (WPARAM)row, 1);
}

// Refills the row icons from the rows' file paths: row i shows icon i afterwards.
static void RebuildRowIcons(HWND list)
{
    HIMAGELIST icons = (HIMAGELIST)SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    if (!icons) {
        icons = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), ILC_MASK,
                                 0, 0);
        // Attached at once, so that the list view releases it with itself whatever follows.
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)icons);
    } else {
        ImageList_Remove(icons, -1);
    }
    ImageList_SetBkColor(icons, GetSysColor(COLOR_WINDOW));

    HIMAGELIST systemList = SystemImageList(TRUE);
    if (!systemList)
        return;

    int rows = RowCount(list);
    for (int row = 0; row < rows; row++) {
        WCHAR path[CONTROL_TEXT_CAPACITY];
        GetRowText(list, row, OPTIONS_COLUMN_FILE_PATH, path);
        AddEntryIcon(icons, systemList, path);
        LVITEMW item;
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = 0;
        item.iImage = row;
        SendMessageW(list, LVM_SETITEMW, 0, (LPARAM)&item);
    }
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)icons);
}

// Moves a row by delta places with its texts (the first `columns`, at most three) and its
// image, then selects, focuses and shows it. Other rows keep their states.
static void MoveRow(HWND list, int row, int delta, int columns)
{
    WCHAR texts[OPTIONS_COLUMN_COUNT][CONTROL_TEXT_CAPACITY] = {};
    if (columns > OPTIONS_COLUMN_COUNT)
        columns = OPTIONS_COLUMN_COUNT;
    for (int column = 0; column < columns; column++)
        GetRowText(list, row, column, texts[column]);
    LVITEMW item;
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = 0;
    item.iImage = 0;
    SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item);

    SendMessageW(list, LVM_DELETEITEM, (WPARAM)row, 0);
    int target = InsertRow(list, row + delta, texts[0], item.iImage);
    if (target < 0)
        return;
    for (int column = 1; column < columns; column++)
        SetRowText(list, target, column, texts[column]);
    LVITEMW state;
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)target, (LPARAM)&state);
    SendMessageW(list, LVM_ENSUREVISIBLE, (WPARAM)target, 1);
}

static void OnInitDialog(HWND dialog)
{
    InitFullScreenDialog(dialog, STR_OPTIONS_CAPTION);

    LoadDisplaySettings();
    LoadLaunchList();

    HWND list = RowList(dialog);
    for (int column = 0; column < OPTIONS_COLUMN_COUNT; column++) {
        LVCOLUMNW header;
        header.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        header.fmt = LVCFMT_LEFT;
        header.cx = kColumns[column].width;
        header.pszText = (LPWSTR)kColumns[column].text;
        header.iSubItem = column;
        SendMessageW(list, LVM_INSERTCOLUMNW, (WPARAM)column, (LPARAM)&header);
    }
    for (LONG i = 0; i < g_Config.LaunchCount; i++) {
        const LaunchEntry *entry = &g_Config.LaunchList[i];
        int row = InsertRow(list, RowCount(list), entry->Name, 0);
        if (row < 0)
            continue;
        SetRowText(list, row, OPTIONS_COLUMN_FILE_PATH, entry->FileName);
        SetRowText(list, row, OPTIONS_COLUMN_COMMAND_LINE, entry->CommandLine);
    }
    RebuildRowIcons(list);
}

// The first entry whose name the registry cannot store, or cannot keep apart from a later
// entry's, is refused with a word to the user; -1 when every entry can be stored.
static int RefuseUnstorableEntry(HWND dialog, const LaunchEntry *entries, int count)
{
    for (int i = 0; i < count; i++) {
        const WCHAR *clash = NULL;
        for (int j = i + 1; j < count && !clash; j++)
            if (SameKeyName(entries[i].Name, entries[j].Name))
                clash = entries[j].Name;
        if (RefuseEntryName(dialog, entries[i].Name, clash))
            return i;
    }
    return -1;
}

// The rows become the launch list, in their order, and are stored with the display
// settings. A row that could not be stored, or would overwrite another, is shown to the
// user instead, and the dialog stays open with nothing changed.
static void OnDone(HWND dialog)
{
    HWND list = RowList(dialog);
    int rows = RowCount(list);
    LaunchEntry *entries = NULL;
    if (rows > 0) {
        entries = (LaunchEntry *)LocalAlloc(LMEM_ZEROINIT, rows * sizeof(LaunchEntry));
        if (!entries)
            return;
    }
    for (int row = 0; row < rows; row++) {
        GetRowText(list, row, OPTIONS_COLUMN_NAME, entries[row].Name);
        GetRowText(list, row, OPTIONS_COLUMN_FILE_PATH, entries[row].FileName);
        GetRowText(list, row, OPTIONS_COLUMN_COMMAND_LINE, entries[row].CommandLine);
        entries[row].Index = row;
    }
    int refused = RefuseUnstorableEntry(dialog, entries, rows);
    if (refused >= 0) {
        LocalFree(entries);
        SelectOnly(list, refused);
        return;
    }

    FreeLaunchList();
    g_Config.LaunchList = entries;
    g_Config.LaunchCount = rows;
    SaveLaunchList();
    SaveDisplaySettings();

    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    // Detached first: a list view destroys the image lists it still holds.
    HIMAGELIST icons = (HIMAGELIST)SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    if (icons)
        ImageList_Destroy(icons);
    EndDialog(dialog, 1);
}

static void OnAdd(HWND dialog)
{
    if (!RunOwnDialog(g_Item.ModuleHandle, IDD_ENTRY_EDITOR, dialog, EntryEditorDialogProc, -1, NULL))
        return;
    RebuildRowIcons(RowList(dialog));
    SHSipPreference(dialog, SIP_DOWN);
}

// Edits the row that is both focused and selected; none, nothing opens.
static void OnEdit(HWND dialog)
{
    HWND list = RowList(dialog);
    int row = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED | LVNI_SELECTED);
    if (row < 0)
        return;
    if (!RunOwnDialog(g_Item.ModuleHandle, IDD_ENTRY_EDITOR, dialog, EntryEditorDialogProc, row, NULL))
        return;
    RebuildRowIcons(list);
    SHSipPreference(dialog, SIP_DOWN);
}

// Deletes every selected row after one question. The other rows keep their icons.
static void OnDelete(HWND dialog)
{
    HWND list = RowList(dialog);
    if (SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        return;
    if (MessageBoxW(dialog, STR_DELETE_QUESTION, STR_DELETE_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    for (;;) {
        int row = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
        if (row < 0 || !SendMessageW(list, LVM_DELETEITEM, (WPARAM)row, 0))
            break;
    }
}

// Up and Down move the selected row with the lowest index.
static void OnMove(HWND dialog, int delta)
{
    HWND list = RowList(dialog);
    int row = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (row < 0 || row + delta < 0 || row + delta >= RowCount(list))
        return;
    MoveRow(list, row, delta, OPTIONS_COLUMN_COUNT);
}

// Two questions, each answered on its own, then the dialog closes without storing the rows.
static void OnUninstall(HWND dialog)
{
    if (MessageBoxW(dialog, STR_UNINSTALL_SETTINGS_QUESTION, STR_UNINSTALL_CAPTION, MB_YESNO | MB_ICONHAND) == IDYES) {
        DeleteLaunchListKeys();
        RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_KEY_PATH);
    }
    if (MessageBoxW(dialog, STR_UNINSTALL_TODAY_QUESTION, STR_UNINSTALL_CAPTION, MB_YESNO | MB_ICONHAND) == IDYES) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY_PATH);
        MessageBoxW(dialog, STR_UNINSTALL_DONE, STR_UNINSTALL_DONE_CAPTION, MB_OK | MB_ICONINFORMATION);
    }
    EndDialog(dialog, 1);
}

// The appearance dialog changes the settings in memory only; Done stores them.
static void OnAppearance(HWND dialog)
{
    if (!RunOwnDialog(g_Item.ModuleHandle, IDD_APPEARANCE, dialog, AppearanceDialogProc, 0, NULL))
        return;
    SHSipPreference(dialog, SIP_DOWN);
}

static void OnCommand(HWND dialog, WORD command)
{
    switch (command) {
    case IDOK:                   OnDone(dialog); break;
    case IDC_OPTIONS_ADD:        OnAdd(dialog); break;
    case IDC_OPTIONS_EDIT:       OnEdit(dialog); break;
    case IDC_OPTIONS_DELETE:     OnDelete(dialog); break;
    case IDC_OPTIONS_UP:         OnMove(dialog, -1); break;
    case IDC_OPTIONS_DOWN:       OnMove(dialog, +1); break;
    case IDC_OPTIONS_UNINSTALL:  OnUninstall(dialog); break;
    case IDC_OPTIONS_APPEARANCE: OnAppearance(dialog); break;
    }
}

extern "C" INT_PTR CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
