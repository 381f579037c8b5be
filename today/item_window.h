// The Today item's window: its class and its procedure.
#pragma once
#include <windows.h>
#include <todaycmn.h>

#define ITEM_WINDOW_CLASS L"TapshelfWndClass"
#define ITEM_WINDOW_TITLE L"Tapshelf"
#define ICON_TIMER_ID 1

LRESULT CALLBACK ItemWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
