// The Today-screen emulator: a Pocket PC Today host of our own that loads Today item
// libraries the way the device's shell does. Shared declarations of its parts.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Private messages of the Today window, posted by the bars and the script.
#define WM_HOST_OPTIONS   (WM_APP + 1)   // open the options of the selected item
#define WM_HOST_RECREATE  (WM_APP + 2)   // unload and load all items again
#define WM_HOST_SCREENSHOT (WM_APP + 3)  // save a numbered screenshot into the output folder

// The emulated screen. 240x320 and 320x240 are scale 1, 480x640 scale 2.
struct DeviceScreen {
    int width;
    int height;
    int scale;
    int taskBarHeight;
    int menuBarHeight;
};
extern DeviceScreen g_screen;
void InitDeviceScreen();

// Event log: one UTF-8 line per event, when --log names a file.
void OpenHostLog(const std::wstring &path);
void HostLog(const wchar_t *format, ...);
// A script or start-up error: logged and written to stderr.
void HostError(const wchar_t *format, ...);

// Where screenshots go (Windows path, no trailing backslash).
extern std::wstring g_outDir;
std::wstring JoinPath(const std::wstring &folder, const std::wstring &name);
bool CreateFolderTree(const std::wstring &path);

// ---- Today window and its items (today.cpp)
extern HWND g_today;
HWND CreateTodayWindow(HINSTANCE instance);
void LoadTodayItems();
void UnloadTodayItems();
void TodayKey(UINT vk);
// Dispatches a message, keeping count of item code on the stack.
void DispatchHostMessage(const MSG &msg);
bool IsTodayKey(UINT vk);
// The item whose options the soft key opens, and whether it has an options dialog.
bool OptionsAvailable(std::wstring *itemName, std::wstring *reason);
bool InOptionsDialog();
// The Today background (the watermark) at a screen point; false outside the Today window.
bool TodayBackgroundAt(POINT screen, COLORREF *colour);

struct ItemView {
    std::wstring name;
    bool builtIn;
    bool selected;
    HWND window;
    RECT screenRect;
};
std::vector<ItemView> TodayItemViews();
bool TodayItemRect(const std::wstring &name, RECT *screenRect);

// ---- Task bar and soft-key bar (bars.cpp)
extern HWND g_taskBar;
extern HWND g_menuBar;
HWND CreateTaskBar(HINSTANCE instance);
HWND CreateMenuBar(HINSTANCE instance);
// Paints a window through an off-screen bitmap (WM_PAINT); the painter draws into it.
void PaintBuffered(HWND hwnd, void (*painter)(HWND, HDC, const RECT &paintRect));
// Re-reads the active window and the soft keys' state and repaints what changed.
void RefreshBars();
void RaiseTaskBar();
// The "ok" button of the task bar in screen coordinates, when it is shown.
bool TaskBarOkRect(RECT *screen);
std::wstring TaskBarTitle();
bool TaskBarShowsClose();   // the "X" for another program's window
void ShowNotice(const std::wstring &text);
// Our topmost open dialog (not the name label), or NULL.
HWND FindOpenDialog();
bool IsOwnedByTaskBar(HWND window);

// ---- Screenshots (capture.cpp)
bool SaveScreenPng(const std::wstring &path, std::wstring *error);
// Saves shot-NNN.png into g_outDir; returns the path or an empty string.
std::wstring SaveNumberedScreenshot();

// ---- Device storage and registry (device.cpp)
bool PrepareDeviceRoot(const std::wstring &drive);
void EnsureDocumentAssociation();
void RegisterTapshelfItem(const std::wstring &dllPath);
void WriteDemoListIfMissing();

// ---- Scripted mode (script.cpp)
bool LoadScript(const std::wstring &path, std::wstring *error);
void StartScript(bool stayOpen);
bool ScriptRunning();
