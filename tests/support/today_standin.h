// The stand-in Today window of the tests and the benchmarks: a top-level window that
// answers the item's messages to its host (the watermark, the selection) as the Today
// screen does, and makes the item the way the host does.
#pragma once
#include <windows.h>
#include "todaycmn.h"

// Colour the stand-in paints as its watermark, unless it has a background picture.
#define WATERMARK_COLOUR RGB(0x12, 0x34, 0x56)

enum class Watermark {
    Plain,      // WATERMARK_COLOUR
    Gradient,   // a prepared picture copied in place, as the host copies its background
};

struct TestToday {
    HWND window = NULL;
    TODAYLISTITEM item = {};
    HWND itemWindow = NULL;
    int tookSelection = 0;
    int watermarkRequests = 0;
    int contextMenus = 0;   // WM_CONTEXTMENU that reached the Today window
    // The Gradient picture: the whole screen, selected into watermarkDC.
    HDC watermarkDC = NULL;
    HBITMAP watermarkBitmap = NULL;
    HGDIOBJ oldWatermark = NULL;

    explicit TestToday(Watermark watermark = Watermark::Plain);
    ~TestToday();
    // Entry call, first height query, placement at (0, top) with the screen's width. The
    // entry call is the product linked in, or `initialize` (ordinal 240 of a loaded library).
    HWND CreateItem(int top = 30, PFNCUSTOMINITIALIZEITEM initialize = NULL);
    // Waits for the icon timer to build the image list.
    void WaitForIcons(DWORD timeoutMs = 3000);
};

// Puts the settings and the two entry indices back to their values at library load, so
// that several tests can run in one process.
void ResetItemState();
