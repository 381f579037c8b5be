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

void InitFullScreenDialog(HWND dialog, const WCHAR *caption)
{
    SHINITDLGINFO init;
    init.dwMask = SHIDIM_FLAGS;
    init.hDlg = dialog;
    init.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_WANTSCROLLBAR;
    SHInitDialog(&init);
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
