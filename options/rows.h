// The rows of the options dialog's list view (IDC_OPTIONS_LIST): the launch list as it is
// edited, one row per entry, until the options dialog's Done stores it. The entry editor
// works on the same rows as control IDC_OPTIONS_LIST of its owner.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Columns (sub-items) of a row.
#define COLUMN_NAME         0
#define COLUMN_FILE_PATH    1
#define COLUMN_COMMAND_LINE 2
#define COLUMN_COUNT        3

// Every text passed through a dialog control or a list view cell: 255 code units with the
// terminator, so at most 254 characters pass.
#define ROW_TEXT_CAPACITY   255

int RowCount(HWND list);
// Reads a cell into text (room for ROW_TEXT_CAPACITY code units); empty when there is none.
void GetRowText(HWND list, int row, int column, WCHAR *text);
void SetRowText(HWND list, int row, int column, const WCHAR *text);
// Inserts a row with its name and image at row; answers the new row's index, -1 on failure.
int InsertRow(HWND list, int row, const WCHAR *name, int image);

// Whether two entry names would be stored under one registry key: the registry tells no
// letter case apart, and only the first 254 characters pass the dialogs.
BOOL SameKeyName(const WCHAR *a, const WCHAR *b);
// Refuses a name that cannot be stored as an entry's registry key, telling the user why in
// a message box owned by owner: an empty name (no key), a name holding "\" (a key path),
// and a name that `clash` (NULL: none) shares its key with. TRUE when refused.
BOOL RefuseEntryName(HWND owner, const WCHAR *name, const WCHAR *clash);
