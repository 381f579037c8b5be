// The options dialog the Today settings open for the item (export ordinal 241, dialog
// IDD_OPTIONS): the launch list in a list view, edited there and stored on Done.
#pragma once
#include <windows.h>

extern "C" INT_PTR CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
