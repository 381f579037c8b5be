// The file chooser dialog (resource IDD_FILE_CHOOSER): walks the folder tree from
// CurrentFolder and ends with a chosen name, or cancelled.
#include "chooser/chooser.h"
#include "dialogs/full_screen.h"
#include "dialogs/own_dialog.h"
#include "resources/texts.h"
#include "today/icons.h"

BOOL JoinChildPath(WCHAR *out, const WCHAR *folder, const WCHAR *name)
{
    if (wcslen(folder) + 1 + wcslen(name) > MAX_CHOOSER_PATH)
        return FALSE;
    wsprintfW(out, L"%s\\%s", folder, name);
    return TRUE;
}

static BOOL HasWildcard(const WCHAR *name)
{
    return wcschr(name, L'*') || wcschr(name, L'?');
}

BOOL IsFolderName(const WCHAR *folder, const WCHAR *name)
{
    WCHAR path[TEXT_CAPACITY];
    if (HasWildcard(name) || !JoinChildPath(path, folder, name))
        return 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

void FillPathCombo(HWND box, const WCHAR *folder)
{
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    LRESULT last = SendMessageW(box, CB_ADDSTRING, 0, (LPARAM)L"\\");
    if (folder[0]) {
        WCHAR component[TEXT_CAPACITY];
        const WCHAR *start = folder + 1;
        for (;;) {
            const WCHAR *end = wcschr(start, L'\\');
            size_t length = end ? (size_t)(end - start) : wcslen(start);
            memcpy(component, start, length * sizeof(WCHAR));
            component[length] = 0;
            last = SendMessageW(box, CB_ADDSTRING, 0, (LPARAM)component);
            if (!end)
                break;
            start = end + 1;
        }
    }
    SendMessageW(box, CB_SETCURSEL, last, 0);
}

BOOL PathFromComboItems(HWND box, LONG lastIndex, WCHAR *output)
{
    WCHAR path[TEXT_CAPACITY];
    size_t length = 0;
    path[0] = 0;
    for (LONG i = 1; i <= lastIndex; i++) {
        // CB_GETLBTEXT takes no capacity: measure first.
        LRESULT itemLength = SendMessageW(box, CB_GETLBTEXTLEN, i, 0);
        if (itemLength == CB_ERR || length + 1 + (size_t)itemLength > MAX_CHOOSER_PATH)
            return 0;
        path[length++] = L'\\';
        if (SendMessageW(box, CB_GETLBTEXT, i, (LPARAM)(path + length)) == CB_ERR)
            return 0;
        length += (size_t)itemLength;
        path[length] = 0;
    }
    wcscpy(output, path);
    return 1;
}

// ---- Dialog ----------------------------------------------------------------------------

static HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_CHOOSER_LIST); }

static LONG SelectedRow(HWND dialog)
{
    return (LONG)SendMessageW(List(dialog), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

// The Name text of a row: at most 254 characters, as every text passed through a control.
static void RowName(HWND dialog, LONG row, WCHAR *name)
{
    LVITEMW cell;
    cell.iSubItem = CHOOSER_COLUMN_NAME;
    cell.pszText = name;
    cell.cchTextMax = CONTROL_TEXT_CAPACITY;
    name[0] = 0;
    SendMessageW(List(dialog), LVM_GETITEMTEXTW, row, (LPARAM)&cell);
}

// Whether a row is a folder, looked up by its path now. A folder too deep to be entered
// is still a folder: its record says so.
static BOOL RowIsFolder(HWND dialog, LONG row, const WCHAR *name)
{
    WCHAR child[TEXT_CAPACITY];
    if (JoinChildPath(child, g_Chooser.CurrentFolder, name))
        return IsFolderName(g_Chooser.CurrentFolder, name);
    LVITEMW item;
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.iSubItem = 0;
    item.lParam = 0;
    SendMessageW(List(dialog), LVM_GETITEMW, 0, (LPARAM)&item);
    const FileRecord *record = (const FileRecord *)item.lParam;
    return record && !record->isFile;
}

// Moves into the child folder name; a folder whose path would not fit is not entered.
static void EnterFolder(HWND dialog, const WCHAR *name)
{
    WCHAR child[TEXT_CAPACITY];
    if (!JoinChildPath(child, g_Chooser.CurrentFolder, name))
        return;
    wcscpy(g_Chooser.CurrentFolder, child);
    SendMessageW(dialog, UM_REFRESH, 0, 0);
}

static void InsertColumns(HWND list)
{
    static const struct { const WCHAR *text; int width; int format; } kColumns[] = {
        { STR_CHOOSER_COLUMN_NAME, 150, LVCFMT_LEFT },
        { STR_CHOOSER_COLUMN_TYPE, 100, LVCFMT_LEFT },
        { STR_CHOOSER_COLUMN_SIZE, 70, LVCFMT_RIGHT },
        { STR_CHOOSER_COLUMN_DATE, 150, LVCFMT_LEFT },
    };
    for (int i = 0; i < 4; i++) {
        LVCOLUMNW column;
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[i].format;
        column.cx = kColumns[i].width;
        column.pszText = (LPWSTR)kColumns[i].text;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, (LPARAM)&column);
    }
}

static INT_PTR OnInitDialog(HWND dialog, const WCHAR *initialName)
{
    InitFullScreenDialog(dialog, STR_CHOOSER_CAPTION);
    if (initialName)
        SendDlgItemMessageW(dialog, IDC_CHOOSER_NAME, WM_SETTEXT, 0, (LPARAM)initialName);
    SendDlgItemMessageW(dialog, IDC_CHOOSER_PATH, CB_SETEXTENDEDUI, 1, 0);
    HWND list = List(dialog);
    InsertColumns(list);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)SystemImageList(TRUE));
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_ONECLICKACTIVATE);
    SendMessageW(dialog, UM_REFRESH, 0, 0);
    return TRUE;
}

// Lists CurrentFolder anew, sorted by name ascending (sort parameter 1) whatever the headers
// sorted by before; the last header tap stays stored (see ChooserState).
static INT_PTR OnRefresh(HWND dialog)
{
    HWND list = List(dialog);
    SetCursor(LoadCursorW(NULL, IDC_WAIT));
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListFolder(list);
    SendMessageW(list, LVM_SORTITEMS, 1, (LPARAM)CompareFileRecords);
    FillPathCombo(GetDlgItem(dialog, IDC_CHOOSER_PATH), g_Chooser.CurrentFolder);
    SetCursor(NULL);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    return TRUE;
}

// OK: a selected folder row is entered; otherwise the name box decides. A folder name
// there is entered, any other name ends the dialog, an empty box does nothing. A name
// with a wildcard, or one whose path would not fit the result, keeps the dialog open.
static void OnOk(HWND dialog)
{
    LONG row = SelectedRow(dialog);
    if (row >= 0) {
        WCHAR name[TEXT_CAPACITY];
        RowName(dialog, row, name);
        if (RowIsFolder(dialog, row, name)) {
            EnterFolder(dialog, name);
            return;
        }
    }
    SendDlgItemMessageW(dialog, IDC_CHOOSER_NAME, WM_GETTEXT, CONTROL_TEXT_CAPACITY,
                        (LPARAM)g_Chooser.ChosenName);
    if (!g_Chooser.ChosenName[0])
        return;
    if (IsFolderName(g_Chooser.CurrentFolder, g_Chooser.ChosenName)) {
        EnterFolder(dialog, g_Chooser.ChosenName);
        return;
    }
    WCHAR result[TEXT_CAPACITY];
    if (HasWildcard(g_Chooser.ChosenName)
        || !JoinChildPath(result, g_Chooser.CurrentFolder, g_Chooser.ChosenName))
        return;
    SendMessageW(List(dialog), LVM_DELETEALLITEMS, 0, 0);
    EndDialog(dialog, 1);
}

// Both ways out empty the list first: its rows point into the records that RunFileChooser
// frees once the dialog has ended. Cancel also destroys the list at once, as it always has;
// nothing needs that, and OK does without it: DialogBox destroys the dialog, and the list
// with it, before it returns, and nothing in between reads the list.
static void OnCancel(HWND dialog)
{
    HWND list = List(dialog);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    DestroyWindow(list);
    EndDialog(dialog, 0);
}

// Up one folder: cut at the last "\" after the first character; the root stays the root.
static void OnUp(HWND dialog)
{
    WCHAR *folder = g_Chooser.CurrentFolder;
    size_t length = wcslen(folder);
    size_t cut = 0;
    for (size_t i = length > 1 ? length - 1 : 0; i >= 1; i--)
        if (folder[i] == L'\\') {
            cut = i;
            break;
        }
    folder[cut] = 0;
    SendMessageW(dialog, UM_REFRESH, 0, 0);
}

// The path box leads only upwards: picking an ancestor moves there.
static void OnPathCloseUp(HWND dialog, HWND box)
{
    LRESULT selected = SendMessageW(box, CB_GETCURSEL, 0, 0);
    LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
    if (selected < 0 || selected >= count - 1)
        return;
    PathFromComboItems(box, (LONG)selected, g_Chooser.CurrentFolder);
    SendMessageW(dialog, UM_REFRESH, 0, 0);
}

static INT_PTR OnCommand(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    WORD code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOk(dialog);
        break;
    case IDCANCEL:
        OnCancel(dialog);
        break;
    case IDC_CHOOSER_NAME:
        FollowEditFocus(dialog, code);
        break;
    case IDC_CHOOSER_UP:
        OnUp(dialog);
        break;
    case IDC_CHOOSER_PATH:
        if (code == CBN_CLOSEUP)
            OnPathCloseUp(dialog, (HWND)lParam ? (HWND)lParam : GetDlgItem(dialog, IDC_CHOOSER_PATH));
        break;
    }
    return TRUE;
}

static INT_PTR OnListClick(HWND dialog)
{
    if (SelectedRow(dialog) >= 0)
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// A selected file puts its name into the name box; a selected folder leaves the box.
static INT_PTR OnItemChanged(HWND dialog)
{
    LONG row = SelectedRow(dialog);
    if (row < 0)
        return TRUE;
    WCHAR name[TEXT_CAPACITY];
    RowName(dialog, row, name);
    if (!RowIsFolder(dialog, row, name))
        SendDlgItemMessageW(dialog, IDC_CHOOSER_NAME, WM_SETTEXT, 0, (LPARAM)name);
    return TRUE;
}

static INT_PTR OnListKeyDown(HWND dialog, const NMLVKEYDOWN *key)
{
    if (key && key->wVKey == VK_BACK)
        SendMessageW(dialog, WM_COMMAND, IDC_CHOOSER_UP, 0);
    return TRUE;
}

INT_PTR CALLBACK FileChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, (const WCHAR *)lParam);
    case WM_COMMAND:
        return OnCommand(dialog, wParam, lParam);
    case WM_NOTIFY:
        return OnChooserNotify(dialog, (NMHDR *)lParam);
    case UM_REFRESH:
        return OnRefresh(dialog);
    case UM_LISTCLICK:
        return OnListClick(dialog);
    case UM_ITEMCHANGED:
        return OnItemChanged(dialog);
    case UM_LISTKEYDOWN:
        return OnListKeyDown(dialog, (const NMLVKEYDOWN *)lParam);
    }
    return FALSE;
}

INT_PTR RunFileChooser(HWND owner, HINSTANCE module, const WCHAR *initialName, WCHAR *result)
{
    INT_PTR answer = -1;
    RunOwnDialog(module, IDD_FILE_CHOOSER, owner, FileChooserProc, (LPARAM)initialName, &answer);
    FreeFileRecords();
    // The OK decision let the dialog end only with a result that fits.
    if (answer == 1 && !JoinChildPath(result, g_Chooser.CurrentFolder, g_Chooser.ChosenName))
        answer = 0;
    return answer;
}
