// The plug-in's entry: the call the Today host makes by export ordinal 240.
#pragma once
#include <windows.h>
#include <todaycmn.h>

// Loads the configuration and makes the item window (hidden off-screen with no area; the
// host places and sizes it). NULL for a missing or switched-off item.
extern "C" HWND InitializeCustomItem(TODAYLISTITEM *item, HWND parent);
