#include "options/entry_editor.h"

// The editor is not built yet, nor its template; the options dialog opens it only once the
// library carries IDD_ENTRY_EDITOR.
INT_PTR CALLBACK EntryEditorDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
