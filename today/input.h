// Tap, hold, and the host's selection and navigation messages.
#pragma once
#include <windows.h>

LRESULT OnPenDown(HWND hwnd, LPARAM point);
LRESULT OnPenUp(HWND hwnd, LPARAM point);
LRESULT OnReceivedSelection(HWND hwnd, WPARAM key);
LRESULT OnLostSelection(void);
LRESULT OnUserNavigation(HWND hwnd, WPARAM key);
LRESULT OnAction(void);
