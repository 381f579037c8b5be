#include "list_rows.h"
#include <commctrl.h>

std::wstring CellText(HWND list, int row, int column, int capacity)
{
    // Filled beyond the capacity, so a text that is not cut and terminated shows.
    std::vector<WCHAR> text(capacity + 1, L'#');
    text[capacity] = 0;
    LVITEMW cell = {};
    cell.iSubItem = column;
    cell.pszText = text.data();
    cell.cchTextMax = capacity;
    SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&cell);
    return text.data();
}

std::vector<ListRow> ReadListRows(HWND list)
{
    std::vector<ListRow> rows;
    int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        ListRow row;
        row.name = CellText(list, i, 0);
        row.file = CellText(list, i, 1);
        row.command = CellText(list, i, 2);
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_STATE;
        item.iItem = i;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item);
        row.image = item.iImage;
        row.selected = (item.state & LVIS_SELECTED) != 0;
        row.focused = (item.state & LVIS_FOCUSED) != 0;
        rows.push_back(row);
    }
    return rows;
}
