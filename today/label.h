// The name label: a small white popup that shows an entry's name.
#pragma once
#include <windows.h>

void CreateNameLabel(void);
void DestroyNameLabel(void);
void HideNameLabel(void);

// Shows the name of the highlighted entry with the label's bottom-right corner
// 2 pixels left of and above the anchor (client coordinates of the item window).
void ShowNameLabel(HWND itemWindow, LONG anchorX, LONG anchorY);

INT_PTR CALLBACK NameLabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
