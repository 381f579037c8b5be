// The appearance settings dialog (IDD_APPEARANCE): ten of the display settings, changed in
// memory on its Done; the options dialog's Done stores them. Start argument 0.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AppearanceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
