#include "today/layout.h"
#include "store/config.h"

void BeginCellWalk(CellWalk *walk)
{
    walk->x = g_Config.Settings.WinLeftMargin;
    walk->y = g_Config.Settings.WinTopMargin;
    // Read once per walk: the width cannot change within one, and asking costs a round
    // trip to the window system that a per-cell read would repeat on every paint.
    walk->screenWidth = GetSystemMetrics(SM_CXSCREEN);
}

void NextCell(CellWalk *walk, RECT *cell)
{
    const DisplaySettings &s = g_Config.Settings;
    LONG cellWidth = s.IconSize + 2 * s.HMargin;
    LONG cellHeight = s.IconSize + 2 * s.VMargin;
    if (walk->x + cellWidth > walk->screenWidth - s.WinRightMargin) {
        walk->x = s.WinLeftMargin;
        walk->y += cellHeight;
    }
    SetRect(cell, walk->x, walk->y, walk->x + cellWidth, walk->y + cellHeight);
    walk->x += cellWidth;
}

LONG HitTestEntry(LONG x, LONG y)
{
    if (g_Config.LaunchCount <= 0)
        return -1;
    POINT pt = { x, y };
    CellWalk walk;
    BeginCellWalk(&walk);
    for (LONG i = 0; i < g_Config.LaunchCount; i++) {
        RECT cell;
        NextCell(&walk, &cell);
        if (PtInRect(&cell, pt))
            return i;
    }
    return -1;
}

LONG ContentHeight(LONG *screenWidth)
{
    CellWalk walk;
    BeginCellWalk(&walk);
    *screenWidth = walk.screenWidth;
    RECT cell;
    for (LONG i = 0; i < g_Config.LaunchCount; i++)
        NextCell(&walk, &cell);
    const DisplaySettings &s = g_Config.Settings;
    // The appearance dialog takes any unsigned 32-bit number for the sizes and margins, and
    // the larger ones read as negative: the sum is taken in 64 bits and the height kept
    // within what a window can have.
    LONGLONG height = (LONGLONG)walk.y + s.IconSize + 2 * (LONGLONG)s.VMargin + s.WinBottomMargin;
    if (height < 0)
        return 0;
    return height > MAX_ITEM_HEIGHT ? MAX_ITEM_HEIGHT : (LONG)height;
}
