// The common controls' window classes as a device process has them. On the device a process
// can create a list view, a header or another common control only after it has asked the
// common control library for that class with InitCommonControlsEx; Wine's comctl32
// registers every class as it loads, so a missing call would go unseen here. Test programs,
// the emulator and the device run take the classes away at their start
// (WinceRequireControlRegistration), and the product's InitCommonControlsEx (device_calls.h)
// brings back those it asks for. The classes themselves stay comctl32's: each is kept,
// while it is away, under a name of its own, so that every copy of this code in the
// process (the test program's and the DLL's) finds it.
// This file is compiled without device_calls.h: the calls below reach the desktop's own.
#include <windows.h>
#include <commctrl.h>
#include "wince_testing.h"

extern "C" {

struct ControlClass {
    DWORD flag;              // the ICC_ flag that registers it; 0: the device has no such control
    const WCHAR *name;
};

// The classes and the flags that register them on the device (commctrl.h of the device's
// SDK). The device has no ComboBoxEx, hot key, IP address, pager, link or native-font
// control: those never come back.
static const ControlClass CONTROL_CLASSES[] = {
    { ICC_LISTVIEW_CLASSES, L"SysListView32" },
    { ICC_LISTVIEW_CLASSES, L"SysHeader32" },
    { ICC_TREEVIEW_CLASSES, L"SysTreeView32" },
    { ICC_BAR_CLASSES, L"ToolbarWindow32" },
    { ICC_BAR_CLASSES, L"msctls_statusbar32" },
    { ICC_BAR_CLASSES, L"msctls_trackbar32" },
    { ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES, L"tooltips_class32" },
    { ICC_TAB_CLASSES, L"SysTabControl32" },
    { ICC_UPDOWN_CLASS, L"msctls_updown32" },
    { ICC_PROGRESS_CLASS, L"msctls_progress32" },
    { ICC_ANIMATE_CLASS, L"SysAnimate32" },
    { ICC_DATE_CLASSES, L"SysDateTimePick32" },
    { ICC_DATE_CLASSES, L"SysMonthCal32" },
    { ICC_COOL_CLASSES, L"ReBarWindow32" },
    { 0, L"ComboBoxEx32" },
    { 0, L"msctls_hotkey32" },
    { 0, L"SysIPAddress32" },
    { 0, L"SysPager" },
    { 0, L"SysLink" },
    { 0, L"NativeFontCtl" },
};
enum { CONTROL_CLASS_COUNT = sizeof(CONTROL_CLASSES) / sizeof(CONTROL_CLASSES[0]) };

// The name a class is kept under while it is away.
static void KeptName(const WCHAR *name, WCHAR *kept)
{
    lstrcpyW(kept, L"WinceKept.");
    lstrcatW(kept, name);
}

void WinceRequireControlRegistration(void)
{
    // Loaded here, so that its own registration at load cannot come after this.
    HMODULE comctl32 = LoadLibraryW(L"comctl32.dll");
    for (int i = 0; i < CONTROL_CLASS_COUNT; i++) {
        WCHAR kept[64];
        WNDCLASSEXW wc;
        wc.cbSize = sizeof(wc);
        if (!GetClassInfoExW(comctl32, CONTROL_CLASSES[i].name, &wc))
            continue;
        KeptName(CONTROL_CLASSES[i].name, kept);
        WNDCLASSEXW keep = wc;
        keep.lpszClassName = kept;
        RegisterClassExW(&keep);
        UnregisterClassW(CONTROL_CLASSES[i].name, wc.hInstance);
    }
}

// The device's rule: a structure of the wrong size is refused; each class the flags name
// is registered, and stays, for the process. A process whose classes were never taken away
// gets the desktop's own call.
BOOL WINAPI DeviceCall_InitCommonControlsEx(const INITCOMMONCONTROLSEX *controls)
{
    if (!controls || controls->dwSize != sizeof(INITCOMMONCONTROLSEX))
        return FALSE;
    HMODULE comctl32 = GetModuleHandleW(L"comctl32.dll");
    BOOL keptAny = FALSE;
    for (int i = 0; i < CONTROL_CLASS_COUNT; i++) {
        WCHAR kept[64];
        WNDCLASSEXW wc;
        wc.cbSize = sizeof(wc);
        KeptName(CONTROL_CLASSES[i].name, kept);
        if (!GetClassInfoExW(comctl32, kept, &wc))
            continue;
        keptAny = TRUE;
        if (!(controls->dwICC & CONTROL_CLASSES[i].flag))
            continue;
        wc.lpszClassName = CONTROL_CLASSES[i].name;
        RegisterClassExW(&wc);   // fails harmlessly when it is back already
    }
    return keptAny ? TRUE : InitCommonControlsEx(controls);
}

}
