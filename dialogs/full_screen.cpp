#include "dialogs/full_screen.h"
#include <aygshell.h>
#include "platform/device_sdk.h"
#include "resources/dialog_texts.h"

// A text longer than every Japanese text of the templates, so that a longer one is never
// cut down to a match.
#define MATCHED_TEXT_CAPACITY 64

// The templates' texts are Japanese, and only a Japanese device has the glyphs to show
// them. Elsewhere every control whose text is one of them shows its English instead.
static void ShowTextsInDeviceLanguage(HWND dialog)
{
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE)
        return;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR text[MATCHED_TEXT_CAPACITY];
        if (GetWindowTextW(child, text, MATCHED_TEXT_CAPACITY) == 0)
            continue;
        for (int i = 0; i < kEnglishDialogTextCount; i++)
            if (wcscmp(text, kEnglishDialogTexts[i].japanese) == 0) {
                SetWindowTextW(child, kEnglishDialogTexts[i].english);
                break;
            }
    }
}

static RECT ChildRect(HWND dialog, HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, dialog, (POINT *)&rect, 2);
    return rect;
}

// The height a control is given: a combo box's includes its drop-down list.
static int GivenHeight(HWND child, const RECT &shown)
{
    WCHAR name[16];
    RECT dropped;
    if (GetClassNameW(child, name, 16) && lstrcmpiW(name, L"combobox") == 0
        && SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&dropped) && dropped.bottom > shown.top)
        return dropped.bottom - dropped.top;
    return shown.bottom - shown.top;
}

// The templates are as wide as a 240-pixel screen. On a square screen a dialog that scrolls
// has less room, the scroll bar's width less, and a control at the right edge would lie
// under the bar: there the controls are drawn together from the left, every x scaled by the
// room over the width they take. Their order and the gaps between them stay.
static void FitControlsToWidth(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    LONG widest = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = ChildRect(dialog, child);
        if (rect.right > widest)
            widest = rect.right;
    }
    if (widest <= client.right || client.right <= 0)
        return;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = ChildRect(dialog, child);
        LONG left = rect.left * client.right / widest;
        LONG right = rect.right * client.right / widest;
        SetWindowPos(child, NULL, left, rect.top, right - left, GivenHeight(child, rect),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void InitFullScreenDialog(HWND dialog, const WCHAR *caption)
{
    SHINITDLGINFO init;
    init.dwMask = SHIDIM_FLAGS;
    init.hDlg = dialog;
    init.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_WANTSCROLLBAR;
    SHInitDialog(&init);
    FitControlsToWidth(dialog);
    SetWindowTextW(dialog, caption);
    ShowTextsInDeviceLanguage(dialog);
}

void FollowEditFocus(HWND dialog, WORD notification)
{
    if (notification == EN_SETFOCUS)
        SHSipPreference(dialog, SIP_UP);
    else if (notification == EN_KILLFOCUS)
        SHSipPreference(dialog, SIP_DOWN);
}
