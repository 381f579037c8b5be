// What the full-screen dialogs (the options dialog, the entry editor, the appearance dialog
// and the file chooser they open) do alike: their set-up, and the input panel following
// the focus of their edit boxes.
#pragma once
#include <windows.h>

// Full screen, a Done button in the title bar that sends IDOK, the input panel down, a
// scroll bar when the dialog does not fit; then the caption.
void InitFullScreenDialog(HWND dialog, const WCHAR *caption);

// An edit box's notification: taking the focus raises the input panel, losing it lowers
// the panel; other notifications change nothing.
void FollowEditFocus(HWND dialog, WORD notification);
