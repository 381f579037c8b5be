// The options dialog the Today settings open for the item (export ordinal 241).
#pragma once
#include <windows.h>

#define OPTIONS_DIALOG_ID 500

extern "C" BOOL CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
