// The task bar across the top (start flag, the active window's title, a clock, and "ok"
// for a dialog that asked for the Done button) and the soft-key bar at the bottom.
#include "host/shell/bars.h"
#include "host/device/log.h"
#include "host/shell/messages.h"
#include "host/shell/screen.h"
#include "host/shell/ui.h"
#include "wince_testing.h"
#include "platform/shell_windows.h"
#include "aygshell.h"
#include <shellapi.h>
#include <algorithm>
#include <vector>

#define STATE_TIMER 1
#define NOTICE_TIMER 2
#define NOTICE_MS 3000

HWND g_taskBar;
HWND g_menuBar;
static HWND g_home;
static bool (*g_optionsEnabled)();
static HWND g_panel;

enum class TaskButton { None, Ok, Close };

struct TaskBarState {
    HWND active = NULL;
    std::wstring title;
    std::wstring clock;
    TaskButton button = TaskButton::None;
    bool operator==(const TaskBarState &o) const
    {
        return active == o.active && title == o.title && clock == o.clock && button == o.button;
    }
};

struct MenuBarState {
    bool optionsEnabled = false;
    bool panelUp = false;
    std::wstring notice;
    bool operator==(const MenuBarState &o) const
    {
        return optionsEnabled == o.optionsEnabled && panelUp == o.panelUp && notice == o.notice;
    }
};

static TaskBarState g_task;
static MenuBarState g_menu;
static std::wstring g_notice;
static HFONT g_titleFont;
static HFONT g_smallFont;
static HFONT g_keyFont;

void SetBarsHome(HWND home, bool (*optionsEnabled)())
{
    g_home = home;
    g_optionsEnabled = optionsEnabled;
}

void SetBarsInputPanel(HWND panel) { g_panel = panel; }

bool IsOwnedByTaskBar(HWND window)
{
    return window && g_taskBar && GetWindow(window, GW_OWNER) == g_taskBar;
}

static bool OurProcess(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

static bool PanelIsUp() { return g_panel && IsWindowVisible(g_panel); }

// The window the task bar speaks for: the foreground one, or the Today window when the
// foreground is one of the screen's own parts (or nothing).
static HWND ActiveWindow()
{
    HWND window = GetForegroundWindow();
    if (!window || window == GetDesktopWindow() || !IsWindowVisible(window) || window == g_taskBar
        || window == g_menuBar || IsOwnedByTaskBar(window))
        return g_home;
    WCHAR className[64] = L"";
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, L"#32769") == 0 || lstrcmpW(className, L"Progman") == 0)
        return g_home;
    return window;
}

static TaskBarState ReadTaskBarState()
{
    TaskBarState state;
    state.active = ActiveWindow();
    WCHAR text[256] = L"";
    if (state.active)
        GetWindowTextW(state.active, text, 256);
    state.title = text;
    WCHAR clock[32] = L"";
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, NULL, NULL, clock, 32);
    state.clock = clock;
    if (state.active && GetPropW(state.active, SHELL_DONE_BUTTON_PROP))
        state.button = TaskButton::Ok;
    else if (state.active && state.active != g_home && !OurProcess(state.active))
        state.button = TaskButton::Close;
    return state;
}

static MenuBarState ReadMenuBarState()
{
    MenuBarState state;
    state.optionsEnabled = g_optionsEnabled && g_optionsEnabled();
    state.panelUp = PanelIsUp();
    state.notice = g_notice;
    return state;
}

static void RaiseTopmost(HWND window)
{
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Wine's virtual desktop lets a window that is raised later (another program's, or a
// dialog shown after the input panel came up) cover even a topmost window on the display,
// though not in the window manager's order; the task bar and the input panel take their
// places on top again.
void RaiseTopmostWindows()
{
    RaiseTopmost(g_taskBar);
    if (PanelIsUp())
        RaiseTopmost(g_panel);
}

void RefreshBars()
{
    if (g_taskBar) {
        TaskBarState task = ReadTaskBarState();
        if (task.active != g_task.active || (task.active && !OurProcess(task.active)))
            RaiseTopmostWindows();
        if (!(task == g_task)) {
            g_task = task;
            InvalidateRect(g_taskBar, NULL, FALSE);
        }
    }
    if (g_menuBar && g_home) {
        MenuBarState menu = ReadMenuBarState();
        if (!(menu == g_menu)) {
            g_menu = menu;
            InvalidateRect(g_menuBar, NULL, FALSE);
        }
    }
}

std::wstring TaskBarTitle() { return g_task.title; }
bool TaskBarShowsClose() { return g_task.button == TaskButton::Close; }

static RECT FlagRect() { return { 0, 0, Scaled(26), g_screen.taskBarHeight }; }

// The keyboard button in the middle of the soft-key bar, between the two soft keys.
static RECT KeyboardRect()
{
    int half = Scaled(16);
    return { g_screen.width / 2 - half, 0, g_screen.width / 2 + half, g_screen.menuBarHeight };
}

bool MenuBarKeyboardRect(RECT *screen)
{
    if (!g_menuBar || !g_panel)
        return false;
    *screen = KeyboardRect();
    MapWindowPoints(g_menuBar, NULL, (POINT *)screen, 2);
    return true;
}

static RECT ButtonRect()
{
    return { g_screen.width - Scaled(28), 0, g_screen.width, g_screen.taskBarHeight };
}

bool TaskBarOkRect(RECT *screen)
{
    RefreshBars();
    if (g_task.button != TaskButton::Ok)
        return false;
    *screen = ButtonRect();
    MapWindowPoints(g_taskBar, NULL, (POINT *)screen, 2);
    return true;
}

void ShowNotice(const std::wstring &text)
{
    g_notice = text;
    if (g_menuBar)
        SetTimer(g_menuBar, NOTICE_TIMER, NOTICE_MS, NULL);
    RefreshBars();
}

// ---- Painting

// The start flag: four coloured panes.
static void DrawFlag(HDC dc, const RECT &area)
{
    int pane = Scaled(6), gap = Scaled(1);
    int left = area.left + (area.right - area.left - 2 * pane - gap) / 2;
    int top = area.top + (area.bottom - area.top - 2 * pane - gap) / 2;
    const COLORREF colours[4] = { RGB(229, 57, 53), RGB(67, 160, 71), RGB(30, 136, 229), RGB(253, 216, 53) };
    for (int i = 0; i < 4; i++) {
        int x = left + (i % 2) * (pane + gap), y = top + (i / 2) * (pane + gap);
        RECT r = { x, y, x + pane, y + pane };
        FillSolid(dc, r, colours[i]);
    }
}

static void DrawRoundButton(HDC dc, const RECT &area, const wchar_t *text)
{
    int size = Scaled(20);
    int left = area.left + (area.right - area.left - size) / 2;
    int top = area.top + (area.bottom - area.top - size) / 2;
    HPEN pen = CreatePen(PS_SOLID, Scaled(1) + 1, RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, left, top, left + size, top + size);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    RECT textRect = { left, top, left + size, top + size };
    SelectObject(dc, g_titleFont);
    DrawTextW(dc, text, -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

static void PaintTaskBar(HWND hwnd, HDC dc, const RECT &)
{
    RECT client;
    GetClientRect(hwnd, &client);
    FillGradient(dc, client, RGB(40, 70, 140), RGB(8, 22, 66));
    DrawFlag(dc, FlagRect());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT button = ButtonRect();
    int right = g_task.button == TaskButton::None ? client.right - Scaled(4) : button.left - Scaled(2);
    SelectObject(dc, g_smallFont);
    SIZE clockSize = {};
    GetTextExtentPoint32W(dc, g_task.clock.c_str(), (int)g_task.clock.size(), &clockSize);
    RECT clock = { right - clockSize.cx - Scaled(2), 0, right, client.bottom };
    DrawTextW(dc, g_task.clock.c_str(), -1, &clock, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    RECT title = { FlagRect().right + Scaled(2), 0, clock.left - Scaled(4), client.bottom };
    SelectObject(dc, g_titleFont);
    DrawTextW(dc, g_task.title.c_str(), -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (g_task.button == TaskButton::Ok)
        DrawRoundButton(dc, button, L"ok");
    else if (g_task.button == TaskButton::Close)
        DrawRoundButton(dc, button, L"X");
}

// The keyboard button: a small keyboard, lit while the input panel is up.
static void DrawKeyboardButton(HDC dc, const RECT &area, bool up)
{
    COLORREF ink = up ? RGB(8, 22, 66) : RGB(255, 255, 255);
    if (up) {
        RECT lit = area;
        InflateRect(&lit, -Scaled(2), -Scaled(3));
        FillSolid(dc, lit, RGB(255, 255, 255));
    }
    int width = Scaled(20), height = Scaled(12);
    int left = (area.left + area.right - width) / 2, top = (area.top + area.bottom - height) / 2;
    RECT edges[4] = { { left, top, left + width, top + 1 }, { left, top + height - 1, left + width, top + height },
                      { left, top, left + 1, top + height }, { left + width - 1, top, left + width, top + height } };
    for (const RECT &edge : edges)
        FillSolid(dc, edge, ink);
    // Two rows of keys and the space bar.
    int key = Scaled(2), step = Scaled(3);
    for (int row = 0; row < 2; row++)
        for (int x = left + Scaled(2); x + key <= left + width - Scaled(2); x += step) {
            RECT dot = { x, top + Scaled(2) + row * step, x + key, top + Scaled(2) + row * step + key };
            FillSolid(dc, dot, ink);
        }
    RECT space = { left + Scaled(5), top + height - Scaled(4), left + width - Scaled(5), top + height - Scaled(2) };
    FillSolid(dc, space, ink);
}

static void PaintMenuBar(HWND hwnd, HDC dc, const RECT &)
{
    RECT client;
    GetClientRect(hwnd, &client);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, g_keyFont);
    if (!g_menu.notice.empty()) {
        FillGradient(dc, client, RGB(255, 236, 160), RGB(236, 200, 90));
        SetTextColor(dc, RGB(40, 30, 0));
        RECT text = client;
        InflateRect(&text, -Scaled(4), 0);
        DrawTextW(dc, g_menu.notice.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        return;
    }
    FillGradient(dc, client, RGB(40, 70, 140), RGB(8, 22, 66));
    RECT keyboard = KeyboardRect();
    RECT left = { 0, 0, keyboard.left, client.bottom };
    RECT right = { keyboard.right, 0, client.right, client.bottom };
    DrawKeyboardButton(dc, keyboard, g_menu.panelUp);
    SetTextColor(dc, g_menu.optionsEnabled ? RGB(255, 255, 255) : RGB(120, 135, 170));
    DrawTextW(dc, L"Options", -1, &left, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextW(dc, L"Menu", -1, &right, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---- Start menu and the soft keys

// Starts a program, document or device shortcut as the device's shell does: through the
// stand-in that the product's starts reach too.
extern "C" BOOL WINAPI DeviceCall_ShellExecuteExW(SHELLEXECUTEINFOW *info);

static void Launch(const std::wstring &program, const std::wstring &parameters)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.lpFile = program.c_str();
    info.lpParameters = parameters.empty() ? NULL : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    BOOL started = DeviceCall_ShellExecuteExW(&info);
    HostLog(L"start menu: %ls %ls -> %ls", program.c_str(), parameters.c_str(), started ? L"started" : L"failed");
}

// The names in a folder of the Start menu, sorted: its subfolders, or its shortcuts.
static std::vector<std::wstring> StartMenuNames(const std::wstring &folder, bool folders)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + (folders ? L"\\*" : L"\\*.lnk")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder == folders && found.cFileName[0] != L'.')
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found) && names.size() < 40);
    FindClose(search);
    std::sort(names.begin(), names.end(), [](const std::wstring &a, const std::wstring &b) {
        return lstrcmpiW(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

// Appends a folder of the Start menu: its subfolders as submenus, then its shortcuts by
// name; a shortcut's command is CMD_FIRST_SHORTCUT + its place in shortcuts.
enum { CMD_TODAY = 1, CMD_EXPLORER = 2, CMD_FIRST_SHORTCUT = 100 };
static void AppendStartMenuFolder(HMENU menu, const std::wstring &folder, std::vector<std::wstring> *shortcuts)
{
    for (const std::wstring &name : StartMenuNames(folder, true)) {
        HMENU submenu = CreatePopupMenu();
        AppendStartMenuFolder(submenu, folder + L"\\" + name, shortcuts);
        AppendMenuW(menu, MF_POPUP, (UINT_PTR)submenu, name.c_str());
    }
    for (const std::wstring &name : StartMenuNames(folder, false)) {
        AppendMenuW(menu, MF_STRING, CMD_FIRST_SHORTCUT + shortcuts->size(), name.substr(0, name.size() - 4).c_str());
        shortcuts->push_back(folder + L"\\" + name);
    }
}

static void ShowStartMenu()
{
    std::vector<std::wstring> shortcuts;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, CMD_TODAY, L"Today");
    AppendMenuW(menu, MF_SEPARATOR, 0, NULL);
    AppendStartMenuFolder(menu, SHELL_START_MENU_PROGRAMS, &shortcuts);
    AppendMenuW(menu, MF_STRING, CMD_EXPLORER, L"File Explorer");
    SetForegroundWindow(g_home);
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, 0, g_screen.taskBarHeight, 0,
                                 g_home, NULL);
    DestroyMenu(menu);
    if (command == CMD_TODAY)
        SetForegroundWindow(g_home);
    else if (command == CMD_EXPLORER)
        Launch(SHELL_FILE_EXPLORER, L"\\");
    else if (command >= CMD_FIRST_SHORTCUT && command < CMD_FIRST_SHORTCUT + (int)shortcuts.size())
        Launch(shortcuts[command - CMD_FIRST_SHORTCUT], L"");
}

static void OnTaskBarTap(POINT point)
{
    RefreshBars();
    RECT flag = FlagRect(), button = ButtonRect();
    if (PtInRect(&flag, point)) {
        ShowStartMenu();
    } else if (PtInRect(&button, point) && g_task.button == TaskButton::Ok) {
        // The device's "ok": IDOK to the dialog that asked for the Done button.
        HWND dialog = g_task.active;
        WCHAR title[128] = L"";
        GetWindowTextW(dialog, title, 128);
        HostLog(L"task bar: ok -> IDOK to '%ls'", title);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else if (PtInRect(&button, point) && g_task.button == TaskButton::Close) {
        HostLog(L"task bar: close '%ls'", g_task.title.c_str());
        PostMessageW(g_task.active, WM_CLOSE, 0, 0);
    }
    RefreshBars();
}

static void ShowMainMenu()
{
    enum { CMD_REFRESH = 1, CMD_ROTATE, CMD_SCREENSHOT, CMD_EXIT };
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, CMD_REFRESH, L"Refresh items");
    AppendMenuW(menu, MF_STRING, CMD_ROTATE, L"Rotate");
    AppendMenuW(menu, MF_STRING, CMD_SCREENSHOT, L"Screenshot");
    AppendMenuW(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuW(menu, MF_STRING, CMD_EXIT, L"Exit emulator");
    SetForegroundWindow(g_home);
    RECT bar;
    GetWindowRect(g_menuBar, &bar);
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, bar.right, bar.top, 0,
                                 g_home, NULL);
    DestroyMenu(menu);
    if (command == CMD_REFRESH)
        PostMessageW(g_home, WM_HOST_RECREATE, 0, 0);
    else if (command == CMD_ROTATE)
        PostMessageW(g_home, WM_HOST_ROTATE, 0, 0);
    else if (command == CMD_SCREENSHOT)
        PostMessageW(g_home, WM_HOST_SCREENSHOT, 0, 0);
    else if (command == CMD_EXIT)
        PostMessageW(g_home, WM_CLOSE, 0, 0);
}

static void OnMenuBarTap(POINT point)
{
    RECT keyboard = KeyboardRect();
    if (PtInRect(&keyboard, point)) {
        bool up = PanelIsUp();
        HostLog(L"soft key: input panel %ls", up ? L"down" : L"up");
        SHSipPreference(NULL, up ? SIP_DOWN : SIP_UP);
        RefreshBars();
    } else if (point.x < keyboard.left) {
        HostLog(L"soft key: Options");
        PostMessageW(g_home, WM_HOST_OPTIONS, 0, 0);
    } else {
        ShowMainMenu();
    }
}

// ---- Window procedures

static LRESULT CALLBACK TaskBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == STATE_TIMER)
            RefreshBars();
        return 0;
    case WM_LBUTTONUP: {
        POINT point = { (short)LOWORD(lParam), (short)HIWORD(lParam) };
        OnTaskBarTap(point);
        return 0;
    }
    }
    return ScreenWindowDefault(hwnd, message, wParam, lParam, PaintTaskBar);
}

static LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == NOTICE_TIMER) {
            KillTimer(hwnd, NOTICE_TIMER);
            g_notice.clear();
            RefreshBars();
        }
        return 0;
    case WM_LBUTTONUP: {
        POINT point = { (short)LOWORD(lParam), (short)HIWORD(lParam) };
        OnMenuBarTap(point);
        return 0;
    }
    }
    return ScreenWindowDefault(hwnd, message, wParam, lParam, PaintMenuBar);
}

static void MakeFonts()
{
    if (g_titleFont)
        return;
    g_titleFont = CreateScreenFont(Scaled(12), true);
    g_smallFont = CreateScreenFont(Scaled(11), false);
    g_keyFont = CreateScreenFont(Scaled(12), true);
}

static HWND CreateBar(HINSTANCE instance, const wchar_t *className, WNDPROC procedure, int top, int height,
                      DWORD topmost)
{
    MakeFonts();
    RegisterScreenClass(instance, className, procedure);
    return CreateWindowExW(topmost | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, className, L"",
                           WS_POPUP | WS_VISIBLE, 0, top, g_screen.width, height, NULL, NULL, instance, NULL);
}

HWND CreateTaskBar(HINSTANCE instance)
{
    g_taskBar = CreateBar(instance, SHELL_TASKBAR_CLASS, TaskBarProc, 0, g_screen.taskBarHeight, WS_EX_TOPMOST);
    if (g_taskBar)
        SetTimer(g_taskBar, STATE_TIMER, 250, NULL);
    return g_taskBar;
}

HWND CreateMenuBar(HINSTANCE instance)
{
    g_menuBar = CreateBar(instance, SHELL_MENUBAR_CLASS, MenuBarProc, g_screen.height - g_screen.menuBarHeight,
                          g_screen.menuBarHeight, 0);
    return g_menuBar;
}

void PlaceBars()
{
    SetWindowPos(g_taskBar, NULL, 0, 0, g_screen.width, g_screen.taskBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(g_menuBar, NULL, 0, g_screen.height - g_screen.menuBarHeight, g_screen.width, g_screen.menuBarHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(g_taskBar, NULL, FALSE);
    InvalidateRect(g_menuBar, NULL, FALSE);
}
