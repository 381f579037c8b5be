// The rows of a report-mode list view as a user sees them: texts, icon, selection, focus.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct ListRow {
    std::wstring name, file, command;   // the first three columns
    int image = -1;
    bool selected = false, focused = false;
    bool operator==(const ListRow &o) const
    {
        return name == o.name && file == o.file && command == o.command && image == o.image
               && selected == o.selected && focused == o.focused;
    }
};

// One cell's text, asked with a buffer of `capacity` code units.
std::wstring CellText(HWND list, int row, int column, int capacity = 1024);
std::vector<ListRow> ReadListRows(HWND list);
