#include "options/options_dialog.h"
#include "resources/resource.h"
#include "todaycmn.h"

static_assert(IDD_OPTIONS == IDD_TODAY_CUSTOM, "the Today settings open the options dialog by its number");

// The options dialog is not built yet: every message goes to the default handling.
extern "C" BOOL CALLBACK CustomItemOptionsDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}
