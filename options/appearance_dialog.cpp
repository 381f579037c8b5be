#include "options/appearance_dialog.h"

// The dialog is not built yet, nor its template; the options dialog opens it only once the
// library carries IDD_APPEARANCE.
INT_PTR CALLBACK AppearanceDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
