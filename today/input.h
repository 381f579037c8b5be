// Tap, hold, the host's selection and navigation messages, and starting entries.
#pragma once
#include <windows.h>

LRESULT OnPenDown(HWND hwnd, LPARAM point);
LRESULT OnPenUp(HWND hwnd, LPARAM point);
LRESULT OnReceivedSelection(HWND hwnd, WPARAM key);
LRESULT OnLostSelection(void);
LRESULT OnUserNavigation(HWND hwnd, WPARAM key);
LRESULT OnAction(void);

// Starts a program or document with its command line; folders open in "fexplore.exe".
void LaunchFile(const WCHAR *path, const WCHAR *commandLine);
