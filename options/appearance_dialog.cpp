// The appearance dialog's procedure. It shows the values in effect, the layout defaults made
// for the screen's density among them; Done copies the controls into the display settings in
// memory; the options dialog's Done stores them. There is no cancel: Done is the only way
// out. The show-icon delay has no control and is left as it is.
#include "options/appearance_dialog.h"
#include "chooser/chooser.h"
#include "dialogs/full_screen.h"
#include "resources/resource.h"
#include "resources/texts.h"
#include "today/item_state.h"

struct NumberBox {
    int id;
    LONG DisplaySettings::*setting;
};

#define NUMBER_BOX_COUNT 7
static const NumberBox kNumberBoxes[NUMBER_BOX_COUNT] = {
    { IDC_APPEARANCE_ICON_SIZE,     &DisplaySettings::IconSize },
    { IDC_APPEARANCE_HMARGIN,       &DisplaySettings::HMargin },
    { IDC_APPEARANCE_VMARGIN,       &DisplaySettings::VMargin },
    { IDC_APPEARANCE_LEFT_MARGIN,   &DisplaySettings::WinLeftMargin },
    { IDC_APPEARANCE_TOP_MARGIN,    &DisplaySettings::WinTopMargin },
    { IDC_APPEARANCE_RIGHT_MARGIN,  &DisplaySettings::WinRightMargin },
    { IDC_APPEARANCE_BOTTOM_MARGIN, &DisplaySettings::WinBottomMargin },
};

static void OnInitDialog(HWND dialog)
{
    InitFullScreenDialog(dialog, STR_APPEARANCE_CAPTION);
    DisplaySettings &s = g_Config.Settings;
    SendDlgItemMessageW(dialog, IDC_APPEARANCE_BITMAP, WM_SETTEXT, 0, (LPARAM)s.backbmpfile);
    SendDlgItemMessageW(dialog, IDC_APPEARANCE_STRETCH, BM_SETCHECK, (WPARAM)s.stretch_backbmp, 0);
    SendDlgItemMessageW(dialog, IDC_APPEARANCE_UPDOWN, BM_SETCHECK, (WPARAM)s.CtrlUpDown, 0);
    // Shown as unsigned numbers: a stored -1 reads 4294967295, and reads back as -1.
    for (int i = 0; i < NUMBER_BOX_COUNT; i++)
        SetDlgItemInt(dialog, kNumberBoxes[i].id, (UINT)(s.*kNumberBoxes[i].setting), FALSE);
}

static LONG CheckState(HWND dialog, int id)
{
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

// Every control into the settings: an empty box or one that holds no unsigned 32-bit
// number gives 0, and no value is refused.
static void OnDone(HWND dialog)
{
    DisplaySettings &s = g_Config.Settings;
    s.backbmpfile[0] = 0;
    SendDlgItemMessageW(dialog, IDC_APPEARANCE_BITMAP, WM_GETTEXT, CONTROL_TEXT_CAPACITY, (LPARAM)s.backbmpfile);
    s.stretch_backbmp = CheckState(dialog, IDC_APPEARANCE_STRETCH);
    s.CtrlUpDown = CheckState(dialog, IDC_APPEARANCE_UPDOWN);
    for (int i = 0; i < NUMBER_BOX_COUNT; i++)
        s.*kNumberBoxes[i].setting = (LONG)GetDlgItemInt(dialog, kNumberBoxes[i].id, NULL, FALSE);
    // The owner has seen and kept the values in effect: from now on they are his, to be stored.
    g_Config.DensityDefaults = 0;
    EndDialog(dialog, 1);
}

// A chosen file goes into the bitmap box; the setting changes only at Done.
static void OnBrowse(HWND dialog)
{
    WCHAR path[TEXT_CAPACITY];
    if (RunFileChooser(dialog, g_Item.ModuleHandle, NULL, path) == 1)
        SendDlgItemMessageW(dialog, IDC_APPEARANCE_BITMAP, WM_SETTEXT, 0, (LPARAM)path);
}

static void OnCommand(HWND dialog, WORD command, WORD notification)
{
    switch (command) {
    case IDOK:
        OnDone(dialog);
        break;
    case IDC_APPEARANCE_BROWSE:
        OnBrowse(dialog);
        break;
    case IDC_APPEARANCE_BITMAP:
    case IDC_APPEARANCE_ICON_SIZE:
    case IDC_APPEARANCE_HMARGIN:
    case IDC_APPEARANCE_VMARGIN:
    case IDC_APPEARANCE_LEFT_MARGIN:
    case IDC_APPEARANCE_TOP_MARGIN:
    case IDC_APPEARANCE_RIGHT_MARGIN:
    case IDC_APPEARANCE_BOTTOM_MARGIN:
        FollowEditFocus(dialog, notification);
        break;
    }
}

INT_PTR CALLBACK AppearanceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
