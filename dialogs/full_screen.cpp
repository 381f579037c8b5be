#include "dialogs/full_screen.h"
#include <aygshell.h>
#include "platform/device_sdk.h"

void InitFullScreenDialog(HWND dialog, const WCHAR *caption)
{
    SHINITDLGINFO init;
    init.dwMask = SHIDIM_FLAGS;
    init.hDlg = dialog;
    init.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_WANTSCROLLBAR;
    SHInitDialog(&init);
    SetWindowTextW(dialog, caption);
}

void FollowEditFocus(HWND dialog, WORD notification)
{
    if (notification == EN_SETFOCUS)
        SHSipPreference(dialog, SIP_UP);
    else if (notification == EN_KILLFOCUS)
        SHSipPreference(dialog, SIP_DOWN);
}
