// The task bar across the top (start flag, the active window's title, a clock, and "ok"
// for a dialog that asked for the Done button) and the soft-key bar at the bottom.
// The bars know the Today window only as the home window they post their commands to
// (messages.h) and ask whether the Options soft key is enabled, and the input panel only
// as a window.
#pragma once
#include <windows.h>
#include <string>

extern HWND g_taskBar;
extern HWND g_menuBar;
HWND CreateTaskBar(HINSTANCE instance);
HWND CreateMenuBar(HINSTANCE instance);
// Both bars across the screen again, after it turned.
void PlaceBars();
// The Today window, and the question whether its Options soft key is enabled now.
void SetBarsHome(HWND home, bool (*optionsEnabled)());
// The input panel: the keyboard button shows whether it is up, and it stays on top of the
// display with the task bar.
void SetBarsInputPanel(HWND panel);

// Re-reads the active window and the soft keys' state and repaints what changed.
void RefreshBars();
// The task bar and a shown input panel back on top of the display.
void RaiseTopmostWindows();
// The "ok" button of the task bar in screen coordinates, when it is shown.
bool TaskBarOkRect(RECT *screen);
std::wstring TaskBarTitle();
// The soft-key bar's keyboard button in screen coordinates, when there is an input panel.
bool MenuBarKeyboardRect(RECT *screen);
bool TaskBarShowsClose();   // the "X" for another program's window
void ShowNotice(const std::wstring &text);
// Whether the task bar owns the window: an item's name label, which stays above the Today
// screen; not a window the task bar speaks for.
bool IsOwnedByTaskBar(HWND window);
