// Turning the screen between portrait and landscape while everything runs, as a device
// does: the display's width and height swap, the shell's windows take the new size, the
// full-screen dialogs are fitted to their new area, and every top-level window hears
// WM_SETTINGCHANGE with SETTINGCHANGE_RESET. The Today window keeps asking the items for
// their heights every two seconds.
#pragma once
#include <string>

// The device SDK's wParam of WM_SETTINGCHANGE after the screen turned (winuser.h of CE).
#ifndef SETTINGCHANGE_RESET
#define SETTINGCHANGE_RESET 0x3002
#endif

// Turns the screen by a quarter; false, with why, where the display cannot take the new
// size (a square screen has nothing to turn).
bool RotateScreen(std::wstring *error);
// The display as it was when the emulator started: at start-up, from a run that ended
// turned, and at the end.
void RestoreScreenOrientation();
