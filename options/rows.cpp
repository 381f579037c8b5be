#include "options/rows.h"
#include <wchar.h>

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
    item.cchTextMax = ROW_TEXT_CAPACITY;
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
    for (int i = 0; i < ROW_TEXT_CAPACITY - 1; i++) {
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
    WCHAR message[2 * ROW_TEXT_CAPACITY + 100];
    if (!name[0])
        wcscpy(message, L"An entry without a name cannot be saved.");
    else if (wcschr(name, L'\\'))
        wsprintfW(message, L"\"%.254s\" cannot be saved: a name cannot contain \"\\\".", name);
    else if (clash)
        wsprintfW(message, L"\"%.254s\" cannot be saved beside \"%.254s\": names must differ in more than letter case.",
                  name, clash);
    else
        return FALSE;
    MessageBoxW(owner, message, L"Tapshelf", MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
}
