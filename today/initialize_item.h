// The plug-in's entry: the call the Today host makes by export ordinal 240.
#pragma once
#include <windows.h>
#include <todaycmn.h>

// Loads the configuration and makes the item window (hidden off-screen with no area; the
// host places and sizes it). NULL for a missing or switched-off item.
extern "C" HWND InitializeCustomItem(TODAYLISTITEM *item, HWND parent);

// The load notification's work, for every call the platform makes of the library's entry
// point: the module remembered; when the library comes into a process, the controls of its
// dialogs registered there. Always TRUE: the library never refuses to load.
BOOL HandleLoadNotification(HINSTANCE module, DWORD reason);
