// The library's own dialogs, made from the templates it carries (resources/resource.h
// numbers them): run modally, as the full-screen dialogs are, or created modeless, as the
// name label is.
#pragma once
#include <windows.h>

// Runs the dialog of template templateId in module modally, owned by owner; start is its
// procedure's WM_INITDIALOG argument. FALSE, and nothing shown, when module carries no such
// template; otherwise TRUE, with DialogBox's answer in *result where result is not NULL.
BOOL RunOwnDialog(HINSTANCE module, int templateId, HWND owner, DLGPROC procedure, LPARAM start,
                  INT_PTR *result);

// Creates the dialog of template templateId in module modeless, owned by owner; start is its
// procedure's WM_INITDIALOG argument. NULL when module carries no such template.
HWND CreateOwnDialog(HINSTANCE module, int templateId, HWND owner, DLGPROC procedure, LPARAM start);

// Registers the common controls the library's templates hold (the list views of the options
// dialog and the file chooser, with their headers) for the process. A device process has
// none until it asks, and the settings host creates the options dialog from the library's
// template, before any of its code runs but the load notification: that is where this is
// called. FALSE when the platform refuses.
BOOL RegisterDialogControls();
