// The Pocket PC shell's windows and programs by name: what the shell, the plug-in, the
// stand-ins and the emulator find each other by. Not part of any device SDK header; the
// names are the device shell's own.
#pragma once

// The task bar across the top; owner of popups that must stay above the Today screen.
#define SHELL_TASKBAR_CLASS     L"HHTaskBar"
// The soft-key (menu) bar at the bottom.
#define SHELL_MENUBAR_CLASS     L"menu_worker"
// The Today screen's window.
#define SHELL_TODAY_CLASS       L"DesktopExplorerWindow"
#define SHELL_TODAY_TITLE       L"Today"
// Sent to the Today screen's window as WM_WININICHANGE's wParam (lParam 0), it has the
// screen reload its items from the registry: a new item appears, one switched off is
// dropped and its library freed.
#define SHELL_TODAY_RELOAD_ITEMS 0xF2
// File Explorer, which opens the folder named on its command line.
#define SHELL_FILE_EXPLORER     L"fexplore.exe"
// The Start menu: the shortcuts of this folder, a subfolder a submenu.
#define SHELL_START_MENU_PROGRAMS L"\\Windows\\Start Menu\\Programs"

// The window property SHInitDialog puts on a dialog that asked for the Done button:
// the task bar shows "ok" for it and sends IDOK when it is tapped.
#define SHELL_DONE_BUTTON_PROP  L"SHDoneButton"

// The input panel (the on-screen keyboard above the soft-key bar). SHSipPreference shows
// and hides it; its keys type into the focused control.
#define SHELL_INPUT_PANEL_CLASS L"SipWndClass"
