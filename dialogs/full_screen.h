// What the full-screen dialogs (the options dialog, the entry editor, the appearance dialog
// and the file chooser they open) do alike: their set-up, and the input panel following
// the focus of their edit boxes.
#pragma once
#include <windows.h>

// Full screen, a Done button in the title bar that sends IDOK, the input panel down, a
// scroll bar when the dialog does not fit; then the caption, and the controls' texts in the
// device's language: the templates' Japanese on a Japanese device, English elsewhere
// (resources/dialog_texts.h). Called first in WM_INITDIALOG, before the dialog puts texts
// of its own into its boxes.
void InitFullScreenDialog(HWND dialog, const WCHAR *caption);

// An edit box's notification: taking the focus raises the input panel, losing it lowers
// the panel; other notifications change nothing.
void FollowEditFocus(HWND dialog, WORD notification);
