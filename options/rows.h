// The rows of the options dialog's list view (IDC_OPTIONS_LIST): the launch list as it is
// edited, one row per entry, until the options dialog's Done stores it. The entry editor
// works on the same rows as control IDC_OPTIONS_LIST of its owner.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "store/config.h"

// Columns (sub-items) of a row.
#define OPTIONS_COLUMN_NAME         0
#define OPTIONS_COLUMN_FILE_PATH    1
#define OPTIONS_COLUMN_COMMAND_LINE 2
#define OPTIONS_COLUMN_COUNT        3

int RowCount(HWND list);
// Reads a cell into text (room for CONTROL_TEXT_CAPACITY code units); empty when there is none.
void GetRowText(HWND list, int row, int column, WCHAR *text);
void SetRowText(HWND list, int row, int column, const WCHAR *text);
// Inserts a row with its name and image at row; answers the new row's index, -1 on failure.
int InsertRow(HWND list, int row, const WCHAR *name, int image);

// Whether two entry names would be stored under one registry key: the registry tells no
// letter case apart, and only the first 254 characters pass the dialogs.
BOOL SameKeyName(const WCHAR *a, const WCHAR *b);
// Refuses a name that cannot be stored as an entry's registry key, telling the user why in
// a message box owned by owner: a name the store's rule refuses (CheckEntryName: empty, or
// holding "\"), and a name that `clash` (NULL: none) shares its key with. TRUE when refused.
BOOL RefuseEntryName(HWND owner, const WCHAR *name, const WCHAR *clash);
