#include "host/shell/screen.h"
#include <windows.h>

DeviceScreen g_screen;

void InitDeviceScreen()
{
    g_screen.width = GetSystemMetrics(SM_CXSCREEN);
    g_screen.height = GetSystemMetrics(SM_CYSCREEN);
    int shorter = g_screen.width < g_screen.height ? g_screen.width : g_screen.height;
    g_screen.scale = shorter >= 480 ? 2 : 1;
    g_screen.taskBarHeight = 26 * g_screen.scale;
    g_screen.menuBarHeight = 26 * g_screen.scale;
}
