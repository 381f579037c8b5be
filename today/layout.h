// The cell walk: the one layout rule of the icon grid. The reported height, the hit
// test and painting all place the cells with it.
#pragma once
#include <windows.h>

struct CellWalk {
    LONG x;
    LONG y;
    LONG screenWidth;   // rows wrap at the screen's width, not the window's
};

void BeginCellWalk(CellWalk *walk);

// Places the next cell (in list order) and advances the walk.
void NextCell(CellWalk *walk, RECT *cell);

// Entry index of the cell that holds (x, y), or -1.
LONG HitTestEntry(LONG x, LONG y);

// The tallest height the item reports: the largest coordinate a window keeps.
#define MAX_ITEM_HEIGHT 32767

// Height of the icon grid for the current list and settings, 0 .. MAX_ITEM_HEIGHT; the
// screen width the walk wrapped at goes to *screenWidth.
LONG ContentHeight(LONG *screenWidth);
