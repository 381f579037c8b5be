// The options dialog the Today settings open for the item (export ordinal 241, dialog
// IDD_OPTIONS).
#pragma once
#include <windows.h>

extern "C" BOOL CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
