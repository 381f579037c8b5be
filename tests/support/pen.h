// Pen input as real input through the system (SendInput), at screen coordinates.
#pragma once
#include <windows.h>

void PenMoveTo(int screenX, int screenY);
void PenDown(int screenX, int screenY);
void PenUp(int screenX, int screenY);
// Screen point of a client point of a window.
POINT ScreenPoint(HWND window, int x, int y);

// Puts the pen (the X server's pointer too) at a screen point and leaves it there. Wine
// follows the X pointer, and warps it only while it lies inside Wine's desktop window:
// call this before real pen input so that positions given to SendInput stick.
void PlacePen(int screenX, int screenY);
