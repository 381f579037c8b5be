// The input panel: the on-screen keyboard above the soft-key bar. It starts down; a
// program raises and lowers it with SHSipPreference (the full-screen dialogs do so as an
// edit box takes and loses the focus), and the soft-key bar's keyboard button toggles it.
// A tap on a key types into the window that has the focus; the panel never takes it.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

extern HWND g_inputPanel;
HWND CreateInputPanel(HINSTANCE instance);
// Across the screen above the soft-key bar again, after the screen turned.
void PlaceInputPanel();
bool InputPanelIsUp();

// The keys that type ch, in the order they are tapped: {"shift", "q"} for 'Q', {"q"}
// for 'q'. A key is named by what it types unshifted, or by its name: "shift",
// "backspace", "enter", "space", "left", "right". False when no key types ch.
bool InputPanelKeysFor(wchar_t ch, std::vector<std::wstring> *keys);
bool InputPanelHasKey(const std::wstring &key);
// The key's rectangle on the screen; false for a key the panel does not have.
bool InputPanelKeyRect(const std::wstring &key, RECT *screen);

// A key press as the device's keys give one: WM_KEYDOWN and WM_KEYUP posted to target.
void PostKeyPress(HWND target, UINT vk);
