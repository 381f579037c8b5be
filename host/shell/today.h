// The Today window: the screen between the bars that stacks the items, owns their
// selection and the navigation keys, and opens the options of the selected item.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

extern HWND g_today;
HWND CreateTodayWindow(HINSTANCE instance);
// What the Menu's Screenshot calls: saves one and returns its path (empty on failure).
void SetTodayScreenshot(std::wstring (*save)());
// What the Menu's Rotate calls.
void SetTodayRotation(void (*rotate)());
// Between the bars again, the items as wide as the screen, after the screen turned.
void PlaceTodayWindow();
void LoadTodayItems();
void UnloadTodayItems();

bool IsTodayKey(UINT vk);
void TodayKey(UINT vk);
// Dispatches a message, keeping count of item code on the stack.
void DispatchHostMessage(const MSG &msg);

// The item whose options the soft key opens, and whether it has an options dialog.
bool OptionsAvailable(std::wstring *itemName, std::wstring *reason);
bool InOptionsDialog();
// The Today background (the watermark) at a screen point; false outside the Today window.
bool TodayBackgroundAt(POINT screen, COLORREF *colour);

// The items as the script sees them.
struct ItemView {
    std::wstring name;
    bool builtIn;
    bool selected;
    HWND window;
    RECT screenRect;
};
std::vector<ItemView> TodayItemViews();
bool TodayItemRect(const std::wstring &name, RECT *screenRect);
