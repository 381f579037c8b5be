#include "options/rows.h"
#include <wchar.h>
#include "resources/texts.h"
#include "store/store.h"

int RowCount(HWND list)
{
    return (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
}

void GetRowText(HWND list, int row, int column, WCHAR *text)
{
    text[0] = 0;
    LVITEMW item;
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = CONTROL_TEXT_CAPACITY;
    SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)row, (LPARAM)&item);
}

void SetRowText(HWND list, int row, int column, const WCHAR *text)
{
    LVITEMW item;
    item.iSubItem = column;
    item.pszText = (LPWSTR)text;
    SendMessageW(list, LVM_SETITEMTEXTW, (WPARAM)row, (LPARAM)&item);
}

int InsertRow(HWND list, int row, const WCHAR *name, int image)
{
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = 0;
    item.pszText = (LPWSTR)name;
    item.iImage = image;
    return (int)SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
}

// The platform's upper case of a character; plain ASCII is mapped here, without a call.
static WCHAR UpperCase(WCHAR c)
{
    if (c < 0x80)
        return c >= L'a' && c <= L'z' ? (WCHAR)(c - L'a' + L'A') : c;
    return (WCHAR)(UINT_PTR)CharUpperW((LPWSTR)(UINT_PTR)c);
}

BOOL SameKeyName(const WCHAR *a, const WCHAR *b)
{
    for (int i = 0; i < CONTROL_TEXT_CAPACITY - 1; i++) {
        WCHAR x = a[i], y = b[i];
        if (x != y && (!x || !y || UpperCase(x) != UpperCase(y)))
            return FALSE;
        if (!x)
            return TRUE;
    }
    return TRUE;
}

BOOL RefuseEntryName(HWND owner, const WCHAR *name, const WCHAR *clash)
{
    WCHAR message[2 * CONTROL_TEXT_CAPACITY + 100];
    EntryNameFault fault = CheckEntryName(name);
    if (fault == ENTRY_NAME_EMPTY)
        wcscpy(message, STR_NAME_EMPTY);
    else if (fault == ENTRY_NAME_HOLDS_PATH)
        wsprintfW(message, STR_NAME_PATH, name);
    else if (clash)
        wsprintfW(message, STR_NAME_CLASH, name, clash);
    else
        return FALSE;
    MessageBoxW(owner, message, STR_NAME_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
}
