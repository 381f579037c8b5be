#include "options/options_dialog.h"

// The options dialog is not built yet: every message goes to the default handling.
extern "C" BOOL CALLBACK CustomItemOptionsDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
