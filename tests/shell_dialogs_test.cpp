// The full-screen dialog services of the Pocket PC shell stand-ins: the area, the Done
// button, the input panel and the scroll bar of a dialog whose controls reach below the screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <vector>
#include "aygshell.h"
#include "wince_testing.h"
#include "platform/shell_windows.h"

namespace {

// A popup of the given height with a column of `count` controls, 40 pixels apart.
HWND MakeDialog(int count, std::vector<HWND> &controls, int height = 100)
{
    HWND dlg = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, 100, height, NULL, NULL, NULL, NULL);
    for (int i = 0; i < count; i++)
        controls.push_back(CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE, 5, 5 + 40 * i, 50, 30, dlg,
                                           NULL, NULL, NULL));
    return dlg;
}

int TopOf(HWND dlg, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, dlg, (POINT *)&rect, 2);
    return rect.top;
}

TEST(ShellDialogs, FullScreenWithDoneButtonPanelDownAndScrollBarOnlyWhenTooTall)
{
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    std::vector<HWND> shortControls, tallControls, madeTallControls;
    HWND shortDialog = MakeDialog(2, shortControls);
    HWND tallDialog = MakeDialog(2 * screenHeight / 40 + 3, tallControls);
    HWND madeTallDialog = MakeDialog(2, madeTallControls, screenHeight + 10);   // a template taller than the screen
    LONG downCalls = WinceGetSipLog()->downCalls;
    for (HWND dlg : { shortDialog, tallDialog, madeTallDialog }) {
        SHINITDLGINFO info = { SHIDIM_FLAGS, dlg,
                               SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_WANTSCROLLBAR };
        ASSERT_TRUE(SHInitDialog(&info));
        RECT rect;
        GetWindowRect(dlg, &rect);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right - rect.left);
        EXPECT_EQ(screenHeight, rect.bottom - rect.top);
        RECT client;
        GetClientRect(dlg, &client);
        EXPECT_EQ(screenHeight, client.bottom) << "no frame around a full-screen dialog";
        EXPECT_NE(nullptr, GetPropW(dlg, SHELL_DONE_BUTTON_PROP));
    }
    EXPECT_EQ(downCalls + 3, WinceGetSipLog()->downCalls);
    EXPECT_EQ(SIP_DOWN, WinceGetSipLog()->lastState);
    EXPECT_FALSE(GetWindowLongW(shortDialog, GWL_STYLE) & WS_VSCROLL);
    // Taller than the screen as made, but its controls fit: the range is theirs and fits its
    // page, so the device shows no bar over them.
    EXPECT_FALSE(GetWindowLongW(madeTallDialog, GWL_STYLE) & WS_VSCROLL);
    ASSERT_TRUE(GetWindowLongW(tallDialog, GWL_STYLE) & WS_VSCROLL);

    // The scroll bar moves the controls; its ends stop at the first and the last control.
    RECT client;
    GetClientRect(tallDialog, &client);
    HWND first = tallControls.front(), last = tallControls.back();
    SendMessageW(tallDialog, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(5, TopOf(tallDialog, first));
    SendMessageW(tallDialog, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(5 - client.bottom, TopOf(tallDialog, first));
    EXPECT_EQ(GetScrollPos(tallDialog, SB_VERT), client.bottom);
    SendMessageW(tallDialog, WM_VSCROLL, SB_BOTTOM, 0);
    int lastTop = TopOf(tallDialog, last);
    EXPECT_EQ(client.bottom, lastTop + 30);
    SendMessageW(tallDialog, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(5, TopOf(tallDialog, first));

    DestroyWindow(shortDialog);
    DestroyWindow(tallDialog);
    DestroyWindow(madeTallDialog);
}

// The shell's input panel, where there is one: SHSipPreference raises and lowers it, and
// still counts the calls.
TEST(ShellDialogs, InputPanelFollowsTheSipPreference)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = SHELL_INPUT_PANEL_CLASS;
    RegisterClassW(&wc);
    HWND panel = CreateWindowExW(WS_EX_NOACTIVATE, SHELL_INPUT_PANEL_CLASS, L"", WS_POPUP, 0, 200, 240, 80, NULL,
                                 NULL, NULL, NULL);
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    WinceSipLog before = *WinceGetSipLog();
    const std::pair<SIPSTATE, bool> steps[] = {
        { SIP_UP, true }, { SIP_UNCHANGED, true }, { SIP_UP, true }, { SIP_DOWN, false },
        { SIP_INPUTDIALOG, true }, { SIP_FORCEDOWN, false },
    };
    for (const auto &step : steps) {
        EXPECT_TRUE(SHSipPreference(owner, step.first));
        EXPECT_EQ(step.second, IsWindowVisible(panel) != FALSE) << "after state " << step.first;
    }
    EXPECT_EQ(before.upCalls + 3, WinceGetSipLog()->upCalls);
    EXPECT_EQ(before.downCalls + 2, WinceGetSipLog()->downCalls);
    EXPECT_NE(GetForegroundWindow(), panel);
    DestroyWindow(owner);
    EXPECT_FALSE(SHSipPreference(owner, SIP_UP)) << "a window that is gone";
    EXPECT_FALSE(IsWindowVisible(panel));
    DestroyWindow(panel);
}

}  // namespace
