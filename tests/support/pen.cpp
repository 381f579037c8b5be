#include "pen.h"
#include <stdio.h>
#include "harness.h"

static void SendPen(DWORD flags, int screenX, int screenY)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    // Absolute positions are 65536ths of the screen, mapped back by truncation: round up.
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = (screenX * 65536 + w - 1) / w;
    input.mi.dy = (screenY * 65536 + h - 1) / h;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void PenMoveTo(int screenX, int screenY) { SendPen(0, screenX, screenY); }
void PenDown(int screenX, int screenY) { SendPen(MOUSEEVENTF_LEFTDOWN, screenX, screenY); }
void PenUp(int screenX, int screenY) { SendPen(MOUSEEVENTF_LEFTUP, screenX, screenY); }

POINT ScreenPoint(HWND window, int x, int y)
{
    POINT pt = { x, y };
    ClientToScreen(window, &pt);
    return pt;
}

void PlacePen(int screenX, int screenY)
{
    // Confining the cursor makes the X server move its pointer into the confining area.
    RECT spot = { screenX, screenY, screenX + 1, screenY + 1 };
    ClipCursor(&spot);
    PumpMessages(30);
    ClipCursor(NULL);
    DWORD start = GetTickCount();
    POINT pt = {};
    do {
        PenMoveTo(screenX, screenY);
        PumpMessages(120);   // Wine re-reads the X pointer after 100 ms without input
        GetCursorPos(&pt);
    } while ((pt.x != screenX || pt.y != screenY) && GetTickCount() - start < 2000);
    if (pt.x != screenX || pt.y != screenY)
        fprintf(stderr, "PlacePen: the pen went to %ld,%ld, not %d,%d\n", pt.x, pt.y, screenX, screenY);
    PumpMessages(20);
}
