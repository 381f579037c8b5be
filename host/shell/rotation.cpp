#include "host/shell/rotation.h"
#include <windows.h>
#include <vector>
#include "host/device/log.h"
#include "host/shell/bars.h"
#include "host/shell/input_panel.h"
#include "host/shell/screen.h"
#include "host/shell/today.h"

static bool SetDisplaySize(int width, int height)
{
    DEVMODEW mode = {};
    mode.dmSize = sizeof(mode);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = (DWORD)width;
    mode.dmPelsHeight = (DWORD)height;
    return ChangeDisplaySettingsExW(NULL, &mode, NULL, 0, NULL) == DISP_CHANGE_SUCCESSFUL
        && GetSystemMetrics(SM_CXSCREEN) == width && GetSystemMetrics(SM_CYSCREEN) == height;
}

struct FullScreenDialogs {
    RECT withMenuBar;      // the area between the bars
    RECT withoutMenuBar;   // from the task bar to the bottom of the screen
    std::vector<std::pair<HWND, bool>> found;   // a dialog, and whether it spares the menu bar
};

// The shell's full-screen areas of the screen as it is now.
static void FullScreenAreas(FullScreenDialogs *dialogs)
{
    SetRect(&dialogs->withMenuBar, 0, g_screen.taskBarHeight, g_screen.width, g_screen.height - g_screen.menuBarHeight);
    SetRect(&dialogs->withoutMenuBar, 0, g_screen.taskBarHeight, g_screen.width, g_screen.height);
}

// The emulator's dialogs that fill one of the full-screen areas.
static BOOL CALLBACK FindFullScreenDialog(HWND window, LPARAM context)
{
    FullScreenDialogs *dialogs = (FullScreenDialogs *)context;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    WCHAR className[16] = L"";
    GetClassNameW(window, className, 16);
    RECT rect;
    if (process != GetCurrentProcessId() || lstrcmpW(className, L"#32770") != 0 || !IsWindowVisible(window)
        || !GetWindowRect(window, &rect))
        return TRUE;
    if (EqualRect(&rect, &dialogs->withMenuBar))
        dialogs->found.push_back({ window, true });
    else if (EqualRect(&rect, &dialogs->withoutMenuBar))
        dialogs->found.push_back({ window, false });
    return TRUE;
}

// A dialog that scrolls gets a page of its new height and keeps its place as far as that
// page allows; where the place has to move (a taller page reaches past the end), its
// controls move with it, so that none stays scrolled out of reach.
static void FitScrollBar(HWND dialog)
{
    if (!(GetWindowLongW(dialog, GWL_STYLE) & WS_VSCROLL))
        return;
    RECT client;
    GetClientRect(dialog, &client);
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(dialog, SB_VERT, &info))
        return;
    int last = info.nMax - client.bottom + 1;
    int position = info.nPos > last ? (last > info.nMin ? last : info.nMin) : info.nPos;
    if (position != info.nPos)
        ScrollWindowEx(dialog, 0, info.nPos - position, NULL, NULL, NULL, NULL,
                       SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    info.fMask = SIF_PAGE | SIF_POS;
    info.nPage = (UINT)client.bottom;
    info.nPos = position;
    SetScrollInfo(dialog, SB_VERT, &info, TRUE);
}

// Top-level windows hear of the new screen as on the device.
static BOOL CALLBACK TellSettingChange(HWND window, LPARAM)
{
    DWORD_PTR result;
    SendMessageTimeoutW(window, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0, SMTO_ABORTIFHUNG, 2000, &result);
    return TRUE;
}

bool RotateScreen(std::wstring *error)
{
    int width = g_screen.height, height = g_screen.width;
    if (width == height) {
        *error = L"a square screen does not turn";
        return false;
    }
    FullScreenDialogs dialogs;
    FullScreenAreas(&dialogs);
    EnumWindows(FindFullScreenDialog, (LPARAM)&dialogs);
    if (!SetDisplaySize(width, height)) {
        *error = L"the display does not take " + std::to_wstring(width) + L"x" + std::to_wstring(height);
        SetDisplaySize(height, width);
        return false;
    }
    InitDeviceScreen();
    HostLog(L"rotate: screen %dx%d", g_screen.width, g_screen.height);
    PlaceBars();
    PlaceInputPanel();
    PlaceTodayWindow();
    FullScreenAreas(&dialogs);
    for (const auto &dialog : dialogs.found) {
        const RECT &area = dialog.second ? dialogs.withMenuBar : dialogs.withoutMenuBar;
        SetWindowPos(dialog.first, NULL, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        FitScrollBar(dialog.first);
        HostLog(L"rotate: full-screen dialog %p fitted", (void *)dialog.first);
    }
    EnumWindows(TellSettingChange, 0);
    RaiseTopmostWindows();
    RefreshBars();
    return true;
}

void RestoreScreenOrientation()
{
    DEVMODEW registry = {};
    registry.dmSize = sizeof(registry);
    if (!EnumDisplaySettingsW(NULL, ENUM_REGISTRY_SETTINGS, &registry))
        return;
    if ((int)registry.dmPelsWidth == GetSystemMetrics(SM_CXSCREEN)
        && (int)registry.dmPelsHeight == GetSystemMetrics(SM_CYSCREEN))
        return;
    ChangeDisplaySettingsExW(NULL, NULL, NULL, 0, NULL);
    HostLog(L"screen: back to %lux%lu", (unsigned long)registry.dmPelsWidth, (unsigned long)registry.dmPelsHeight);
}
