// The Today item: the plug-in entry (export ordinal 240) and the item window.
#pragma once
#include <windows.h>
#include "todaycmn.h"

#define ITEM_WINDOW_CLASS L"TapshelfWndClass"
#define ITEM_WINDOW_TITLE L"Tapshelf"
#define ICON_TIMER_ID 1

extern "C" HWND InitializeCustomItem(TODAYLISTITEM *item, HWND parent);

LRESULT CALLBACK ItemWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
