// Shared helpers of the tests: registry set-up, the sandboxed device folders, a stand-in
// Today window, message pumping and the launch log.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "todaycmn.h"
#include "harness.h"

// Colour the test Today window paints as its watermark.
#define WATERMARK_COLOUR RGB(0x12, 0x34, 0x56)

// A fresh folder under the device root for the running test, as "\tests\<suite>.<name>".
std::wstring SandboxFolder();

// The stand-in Today window: a top-level window that paints WATERMARK_COLOUR for
// TODAYM_DRAWWATERMARK and counts TODAYM_TOOKSELECTION.
struct TestToday {
    HWND window = NULL;
    TODAYLISTITEM item = {};
    HWND itemWindow = NULL;
    int tookSelection = 0;
    int watermarkRequests = 0;

    TestToday();
    ~TestToday();
    // Entry call, first height query, placement at (0, top) with the screen's width.
    HWND CreateItem(int top = 30);
    // Waits for the icon timer to build the image list.
    void WaitForIcons(DWORD timeoutMs = 3000);
};

// Launch log: SetUp gives each test its own log file (TAPSHELF_LAUNCH_LOG, inherited by
// the started programs); WaitForLaunches returns its lines once n are there or time is up.
void StartLaunchLog();
std::vector<std::string> WaitForLaunches(size_t n, DWORD timeoutMs = 5000);
std::string TestProgramFolder();   // Windows path of the folder holding the test program

std::string Narrow(const std::wstring &text);

// ---- Pixels, pen input and pictures (painting, input, label and launch tests) ----

// A 32-bit top-down picture read back from GDI; At() answers a COLORREF.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> bits;   // 0x00RRGGBB per pixel
    COLORREF At(int x, int y) const;
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// A memory DC with a 32-bit DIB section selected, filled with one colour.
struct DibCanvas {
    HDC dc = NULL;
    HBITMAP bitmap = NULL;
    HGDIOBJ previous = NULL;
    DWORD *bits = NULL;
    int width = 0;
    int height = 0;
    DibCanvas(int w, int h, COLORREF fill);
    ~DibCanvas();
    Pixels Read() const;
};

// Runs the item's PaintItem into a fresh canvas of its client size, prefilled with
// `fill`; rcPaint is `paint` or the whole client area.
Pixels RenderItem(HWND item, const RECT *paint = NULL, COLORREF fill = RGB(1, 2, 3));
// What a window shows on screen: its client area (or the whole screen for NULL).
Pixels CaptureWindow(HWND window);
// Encodes a picture as PNG through WIC.
bool SavePng(const Pixels &picture, const std::wstring &path);

// GDI objects (DCs, bitmaps, brushes, regions, ...) that this program (the product linked
// in) has made and not yet deleted.
int GdiObjectCount();

// Pen input as real input through the system (SendInput), at screen coordinates.
void PenMoveTo(int screenX, int screenY);
void PenDown(int screenX, int screenY);
void PenUp(int screenX, int screenY);
// Screen point of a client point of a window.
POINT ScreenPoint(HWND window, int x, int y);

// Puts the settings and the two entry indices back to their values at library load, so
// that several tests can run in one process.
void ResetItemState();

// Puts the pen (the X server's pointer too) at a screen point and leaves it there. Wine
// follows the X pointer, and warps it only while it lies inside Wine's desktop window:
// call this before real pen input so that positions given to SendInput stick.
void PlacePen(int screenX, int screenY);
