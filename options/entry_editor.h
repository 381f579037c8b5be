// The launch entry editor (IDD_ENTRY_EDITOR): one entry's name, file path and command line,
// written into the rows of its owner, the options dialog. Start argument: -1 for a new
// entry, otherwise the row to edit.
#pragma once
#include <windows.h>

INT_PTR CALLBACK EntryEditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
