// The launch entry editor's procedure. It works on the rows of the options dialog that
// opened it: Done appends a row or rewrites the edited one; the registry is written only
// by the options dialog's Done. The "..." buttons fill the file path or the command line
// through the file chooser.
#include "options/entry_editor.h"
#include <wchar.h>
#include <aygshell.h>
#include "chooser/chooser.h"
#include "dialogs/full_screen.h"
#include "options/rows.h"
#include "resources/resource.h"
#include "resources/texts.h"
#include "today/item_state.h"

// The row being edited; -1 while a new entry is being added, until Done has inserted it.
static LONG EditRow = -1;

static const int kBoxes[OPTIONS_COLUMN_COUNT] = { IDC_EDITOR_NAME, IDC_EDITOR_FILE_PATH, IDC_EDITOR_COMMAND_LINE };

// The options dialog's rows: control IDC_OPTIONS_LIST of the editor's owner.
static HWND OwnerRows(HWND dialog)
{
    return GetDlgItem(GetParent(dialog), IDC_OPTIONS_LIST);
}

static void ReadBox(HWND dialog, int box, WCHAR *text)
{
    text[0] = 0;
    SendDlgItemMessageW(dialog, box, WM_GETTEXT, CONTROL_TEXT_CAPACITY, (LPARAM)text);
}

static void OnInitDialog(HWND dialog, LPARAM start)
{
    InitFullScreenDialog(dialog, STR_EDITOR_CAPTION);
    EditRow = (LONG)start;
    if (EditRow < 0)
        return;
    HWND rows = OwnerRows(dialog);
    for (int column = 0; column < OPTIONS_COLUMN_COUNT; column++) {
        WCHAR text[TEXT_CAPACITY];
        GetRowText(rows, EditRow, column, text);
        SendDlgItemMessageW(dialog, kBoxes[column], WM_SETTEXT, 0, (LPARAM)text);
    }
}

// The name of another row that `name` would share its registry key with; NULL when none.
// The edited row keeps its own name without a clash.
static const WCHAR *ClashingName(HWND rows, const WCHAR *name, WCHAR *other)
{
    int count = RowCount(rows);
    for (int row = 0; row < count; row++) {
        if (row == EditRow)
            continue;
        GetRowText(rows, row, OPTIONS_COLUMN_NAME, other);
        if (SameKeyName(name, other))
            return other;
    }
    return NULL;
}

// Stores the boxes into the rows and closes. An empty name or file path keeps the dialog
// open without a word; a name the registry could not keep as its own key keeps it open
// with a word of why.
static void OnDone(HWND dialog)
{
    WCHAR name[TEXT_CAPACITY], path[TEXT_CAPACITY], commandLine[TEXT_CAPACITY], other[TEXT_CAPACITY];
    ReadBox(dialog, IDC_EDITOR_NAME, name);
    ReadBox(dialog, IDC_EDITOR_FILE_PATH, path);
    if (!name[0] || !path[0])
        return;
    HWND rows = OwnerRows(dialog);
    if (RefuseEntryName(dialog, name, ClashingName(rows, name, other)))
        return;

    size_t length = wcslen(path);
    if (length > 1 && path[length - 1] == L'\\')
        path[length - 1] = 0;
    ReadBox(dialog, IDC_EDITOR_COMMAND_LINE, commandLine);

    if (EditRow < 0) {
        EditRow = InsertRow(rows, RowCount(rows), name, 0);
        if (EditRow < 0) {
            EndDialog(dialog, 0);
            return;
        }
    } else {
        SetRowText(rows, EditRow, OPTIONS_COLUMN_NAME, name);
    }
    SetRowText(rows, EditRow, OPTIONS_COLUMN_FILE_PATH, path);
    SetRowText(rows, EditRow, OPTIONS_COLUMN_COMMAND_LINE, commandLine);
    EndDialog(dialog, 1);
}

// The part of a path after its last "\", up to its first ".": my.app.exe gives my.
static void NameFromPath(const WCHAR *path, WCHAR *name)
{
    const WCHAR *file = wcsrchr(path, L'\\');
    file = file ? file + 1 : path;
    size_t length = wcscspn(file, L".");
    memcpy(name, file, length * sizeof(WCHAR));
    name[length] = 0;
}

// A chosen file goes into the file path; an empty name box takes the file's name.
static void OnBrowseFilePath(HWND dialog)
{
    WCHAR path[TEXT_CAPACITY];
    if (RunFileChooser(dialog, g_Item.ModuleHandle, NULL, path) != 1)
        return;
    SendDlgItemMessageW(dialog, IDC_EDITOR_FILE_PATH, WM_SETTEXT, 0, (LPARAM)path);
    if (SendDlgItemMessageW(dialog, IDC_EDITOR_NAME, WM_GETTEXTLENGTH, 0, 0) > 0)
        return;
    WCHAR name[TEXT_CAPACITY];
    NameFromPath(path, name);
    SendDlgItemMessageW(dialog, IDC_EDITOR_NAME, WM_SETTEXT, 0, (LPARAM)name);
}

static void OnBrowseCommandLine(HWND dialog)
{
    WCHAR commandLine[TEXT_CAPACITY];
    if (RunFileChooser(dialog, g_Item.ModuleHandle, NULL, commandLine) != 1)
        return;
    SendDlgItemMessageW(dialog, IDC_EDITOR_COMMAND_LINE, WM_SETTEXT, 0, (LPARAM)commandLine);
}

static void OnCommand(HWND dialog, WORD command, WORD notification)
{
    switch (command) {
    case IDOK:                      OnDone(dialog); break;
    case IDCANCEL:                  EndDialog(dialog, 0); break;
    case IDC_EDITOR_NAME:
    case IDC_EDITOR_FILE_PATH:
    case IDC_EDITOR_COMMAND_LINE:   FollowEditFocus(dialog, notification); break;
    case IDC_EDITOR_BROWSE_FILE:    OnBrowseFilePath(dialog); break;
    case IDC_EDITOR_BROWSE_COMMAND: OnBrowseCommandLine(dialog); break;
    }
}

INT_PTR CALLBACK EntryEditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, lParam);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
