#include "host/shell/screen.h"
#include <windows.h>

DeviceScreen g_screen;

void InitDeviceScreen()
{
    g_screen.width = GetSystemMetrics(SM_CXSCREEN);
    g_screen.height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(NULL);
    g_screen.dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(NULL, screen);
    if (g_screen.dpi < 96)
        g_screen.dpi = 96;
    g_screen.taskBarHeight = Scaled(26);
    g_screen.menuBarHeight = Scaled(26);
}
