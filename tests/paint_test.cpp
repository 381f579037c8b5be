// Painting the item through its off-screen bitmap, checked pixel by pixel, and the hit test.
#include <gtest/gtest.h>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include "store/store.h"
#include "today/layout.h"
#include "today/paint.h"
#include "today/item_state.h"
#include "harness.h"
#include "gdi_count.h"
#include "item_test.h"
#include "pixels.h"
#include "sandbox.h"
#include "today_standin.h"

namespace {

// One image of the icon list as ImageList_Draw shows it: which pixels are opaque, and
// their colours (found by drawing it on black and on white).
struct IconPicture {
    int size = 0;
    std::vector<bool> opaque;
    std::vector<COLORREF> colour;
    bool Opaque(int x, int y) const { return opaque[y * size + x]; }
    COLORREF At(int x, int y) const { return colour[y * size + x]; }
    std::set<COLORREF> Colours() const
    {
        std::set<COLORREF> all;
        for (size_t i = 0; i < colour.size(); i++)
            if (opaque[i]) all.insert(colour[i]);
        return all;
    }
    RECT OpaqueBounds() const
    {
        RECT r = { size, size, -1, -1 };
        for (int y = 0; y < size; y++)
            for (int x = 0; x < size; x++)
                if (Opaque(x, y)) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x);
                    r.bottom = std::max<LONG>(r.bottom, y);
                }
        return r;   // inclusive
    }
};

IconPicture PictureOf(HIMAGELIST list, int i)
{
    IconPicture icon;
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    icon.size = cx;
    DibCanvas black(cx, cx, RGB(0, 0, 0)), white(cx, cx, RGB(255, 255, 255));
    ImageList_Draw(list, i, black.dc, 0, 0, ILD_NORMAL);
    ImageList_Draw(list, i, white.dc, 0, 0, ILD_NORMAL);
    Pixels b = black.Read(), w = white.Read();
    for (int n = 0; n < cx * cx; n++) {
        icon.opaque.push_back(b.bits[n] == w.bits[n]);
        icon.colour.push_back(b.At(n % cx, n / cx));
    }
    return icon;
}

std::string Hex(COLORREF c)
{
    char text[16];
    snprintf(text, sizeof text, "%06lX", (unsigned long)c);
    return text;
}

// Collects the pixels that differ from what a rule expects and reports the first few.
struct Differences {
    int count = 0;
    std::ostringstream first;
    void Check(const Pixels &p, int x, int y, COLORREF expected)
    {
        COLORREF got = p.At(x, y);
        if (got == expected) return;
        if (count++ < 8)
            first << " (" << x << "," << y << ") " << Hex(got) << " not " << Hex(expected) << ";";
    }
    std::string Report() const { return std::to_string(count) + " pixels differ:" + first.str(); }
};

// A 24-bit bitmap file whose pixels come from `colour`.
void WriteBitmapFile(const std::wstring &path, int w, int h, const std::function<COLORREF(int, int)> &colour)
{
    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + stride * h;
    info.biSize = sizeof(info);
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string data((const char *)&file, sizeof(file));
    data.append((const char *)&info, sizeof(info));
    for (int y = h - 1; y >= 0; y--) {
        std::string row(stride, '\0');
        for (int x = 0; x < w; x++) {
            COLORREF c = colour(x, y);
            row[x * 3] = (char)GetBValue(c);
            row[x * 3 + 1] = (char)GetGValue(c);
            row[x * 3 + 2] = (char)GetRValue(c);
        }
        data += row;
    }
    WriteFileText(path, data);
}

// A position-coded picture: every pixel tells where in the bitmap it came from.
COLORREF PositionColour(int x, int y) { return RGB(x & 0xFF, y, 0x40 + (x >> 8)); }

// One colour per block of a block-patterned bitmap.
COLORREF BlockColour(int bx, int by) { return RGB(8 * bx, 50 * by, 0x40 + 8 * ((bx + by) % 4)); }

// What the parent was asked to paint as the watermark.
struct WatermarkRequest {
    int count = 0;
    DWORD dcType = 0;
    SIZE bitmapSize = {};
    RECT rc = {};
    HWND hwnd = NULL;
};
WatermarkRequest g_request;
WNDPROC g_todayProc;

LRESULT CALLBACK RecordingTodayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TODAYM_DRAWWATERMARK) {
        const TODAYDRAWWATERMARKINFO *info = (const TODAYDRAWWATERMARKINFO *)lParam;
        g_request.count++;
        g_request.dcType = GetObjectType(info->hdc);
        BITMAP bm = {};
        GetObjectW(GetCurrentObject(info->hdc, OBJ_BITMAP), sizeof(bm), &bm);
        g_request.bitmapSize = { bm.bmWidth, bm.bmHeight };
        g_request.rc = info->rc;
        g_request.hwnd = info->hwnd;
    }
    return CallWindowProcW(g_todayProc, hwnd, message, wParam, lParam);
}

class Paint : public ItemTest {
protected:
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);

    void SetUp() override
    {
        ItemTest::SetUp();
        WriteSettingNumber(VALUE_SHOWICONSEC, 0);
    }
    // Entries whose files are missing: every one shows the default icon.
    void WriteEntries(int n)
    {
        for (int i = 0; i < n; i++)
            WriteEntryKey(L"Entry " + std::to_wstring(i), L"\\no\\such\\file" + std::to_wstring(i) + L".exe",
                          L"", i);
    }
    // A bitmap file of w x h pixels from `colour` as the item's background, stretched or not.
    void WriteBackground(int w, int h, const std::function<COLORREF(int, int)> &colour, bool stretch = false)
    {
        std::wstring path = SandboxFolder() + L"\\back" + std::to_wstring(w) + L".bmp";
        WriteBitmapFile(path, w, h, colour);
        WriteSettingString(VALUE_BACKBMPFILE, path);
        if (stretch)
            WriteSettingNumber(VALUE_STRETCH_BACKBMP, 1);
    }
    void CreateItem(bool withIcons = true)
    {
        DestroyItem();
        item = today.CreateItem();
        ASSERT_NE(nullptr, item);
        if (withIcons) {
            today.WaitForIcons();
            ASSERT_NE(nullptr, g_Item.IconImageList);
        }
    }

    // Checks a frame of `count` icons in one row of cells: the cell margins in their cell's
    // background, the rest watermark; inside the icon squares `icon` exactly, its transparent
    // parts in the cell's background (NULL: the squares are not checked).
    void ExpectFrame(const Pixels &p, int count, int highlighted, const IconPicture *icon)
    {
        const DisplaySettings &s = g_Config.Settings;
        int cw = s.IconSize + 2 * s.HMargin, ch = s.IconSize + 2 * s.VMargin;
        Differences d;
        for (int y = 0; y < p.height; y++)
            for (int x = 0; x < p.width; x++) {
                int cell = x / cw;
                if (cell >= count || y >= ch) {
                    d.Check(p, x, y, WATERMARK_COLOUR);
                    continue;
                }
                COLORREF back = cell == highlighted ? highlight : WATERMARK_COLOUR;
                int ix = x - cell * cw - s.HMargin, iy = y - s.VMargin;
                bool inIcon = ix >= 0 && iy >= 0 && ix < s.IconSize && iy < s.IconSize;
                if (inIcon && !icon)
                    continue;
                d.Check(p, x, y, inIcon && icon->Opaque(ix, iy) ? icon->At(ix, iy) : back);
            }
        EXPECT_EQ(0, d.count) << d.Report();
    }

    // A frame of unscaled icons, every one the first entry's picture.
    void ExpectUnscaledFrame(const Pixels &p, int count, int highlighted)
    {
        IconPicture icon = PictureOf(g_Item.IconImageList, 0);
        ASSERT_EQ(g_Config.Settings.IconSize, icon.size);
        ExpectFrame(p, count, highlighted, &icon);
    }

    // Checks one scaled icon drawn at (x0, y0), size w, from `source` over `back`: only the
    // source's opaque colours or the untouched background inside, its opaque part scaled.
    void ExpectScaledIcon(const Pixels &p, int x0, int y0, int w, const IconPicture &source, COLORREF back)
    {
        ASSERT_TRUE(p.Contains(x0, y0) && p.Contains(x0 + w - 1, y0 + w - 1)) << "icon outside the picture";
        std::set<COLORREF> allowed = source.Colours(), seen;
        RECT bounds = { w, w, -1, -1 };
        int strangers = 0;
        for (int y = 0; y < w; y++)
            for (int x = 0; x < w; x++) {
                COLORREF c = p.At(x0 + x, y0 + y);
                if (c == back) continue;
                if (!allowed.count(c)) {
                    if (strangers++ < 4) ADD_FAILURE() << "colour " << Hex(c) << " at " << x << "," << y;
                    continue;
                }
                seen.insert(c);
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x);
                bounds.bottom = std::max<LONG>(bounds.bottom, y);
            }
        EXPECT_EQ(0, strangers) << "pixels that are neither icon nor background (magenta "
                                << Hex(MAGENTA_KEY) << " left in?)";
        EXPECT_EQ(allowed, seen) << "the picture drawn is not the source image";
        // The opaque area of the source, stretched by w / m.
        RECT src = source.OpaqueBounds();
        double k = (double)w / source.size;
        EXPECT_NEAR(src.left * k, bounds.left, 1.0);
        EXPECT_NEAR(src.top * k, bounds.top, 1.0);
        EXPECT_NEAR((src.right + 1) * k - 1, bounds.right, 1.0);
        EXPECT_NEAR((src.bottom + 1) * k - 1, bounds.bottom, 1.0);
    }
};

TEST_F(Paint, ComposesWatermarkHighlightAndUnscaledIconsAtBothSystemSizes)
{
    ASSERT_EQ(32, GetSystemMetrics(SM_CXICON));
    ASSERT_EQ(16, GetSystemMetrics(SM_CXSMICON));
    ASSERT_NE(WATERMARK_COLOUR, highlight);
    WriteEntries(3);
    g_todayProc = (WNDPROC)SetWindowLongPtrW(today.window, GWLP_WNDPROC, (LONG_PTR)RecordingTodayProc);

    for (int size : { 16, 32 }) {
        SCOPED_TRACE("IconSize " + std::to_string(size));
        WriteSettingNumber(VALUE_ICONSIZE, size);
        CreateItem();
        RECT client;
        GetClientRect(item, &client);
        ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), client.right);

        g_request = WatermarkRequest();
        g_Item.HighlightedEntry = 1;
        Pixels p = RenderItem(item);
        ExpectUnscaledFrame(p, 3, 1);

        // The host painted into an off-screen memory context of the client's size.
        EXPECT_EQ(1, g_request.count);
        EXPECT_EQ((DWORD)OBJ_MEMDC, g_request.dcType);
        EXPECT_EQ(client.right, g_request.bitmapSize.cx);
        EXPECT_EQ(client.bottom, g_request.bitmapSize.cy);
        EXPECT_TRUE(EqualRect(&client, &g_request.rc));
        EXPECT_EQ(item, g_request.hwnd);

        // No highlight at all for -1.
        g_Item.HighlightedEntry = -1;
        ExpectUnscaledFrame(RenderItem(item), 3, -1);
    }
}

TEST_F(Paint, ScalesOtherSizesWithTheirTransparentPartsUntouched)
{
    WriteEntries(3);
    // 20 stretches the 16-pixel image up, 24 shrinks the 32-pixel image down.
    for (int size : { 20, 24 }) {
        SCOPED_TRACE("IconSize " + std::to_string(size));
        WriteSettingNumber(VALUE_ICONSIZE, size);
        CreateItem();
        IconPicture source = PictureOf(g_Item.IconImageList, 0);
        EXPECT_EQ(size == 20 ? 16 : 32, source.size);

        g_Item.HighlightedEntry = 2;
        Pixels p = RenderItem(item);
        int cw = size + 4;
        for (int i = 0; i < 3; i++) {
            SCOPED_TRACE("entry " + std::to_string(i));
            ExpectScaledIcon(p, i * cw + 2, 2, size, source, i == 2 ? highlight : WATERMARK_COLOUR);
        }
        ExpectFrame(p, 3, 2, NULL);
        g_Item.HighlightedEntry = -1;
    }
}

TEST_F(Paint, IconsKeepTheirPlaceWhenTheSizeChangesUnderALiveWindow)
{
    // The options dialog can change IconSize while the item keeps the icons it built:
    // the images must still be drawn whole and inside their squares.
    WriteEntries(2);
    struct Case { int built, shown; };
    for (Case c : { Case{ 16, 24 }, Case{ 16, 32 }, Case{ 32, 16 }, Case{ 32, 20 } }) {
        SCOPED_TRACE("built at " + std::to_string(c.built) + ", shown at " + std::to_string(c.shown));
        WriteSettingNumber(VALUE_ICONSIZE, c.built);
        CreateItem();
        IconPicture source = PictureOf(g_Item.IconImageList, 0);
        g_Config.Settings.IconSize = c.shown;
        // The window keeps its height; the host gives it room for the larger cells here.
        SetWindowPos(item, NULL, 0, 0, GetSystemMetrics(SM_CXSCREEN), 40, SWP_NOMOVE | SWP_NOZORDER);
        Pixels p = RenderItem(item);
        int cw = c.shown + 4;
        ExpectScaledIcon(p, 2, 2, c.shown, source, WATERMARK_COLOUR);
        ExpectScaledIcon(p, cw + 2, 2, c.shown, source, WATERMARK_COLOUR);
        ExpectFrame(p, 2, -1, NULL);
    }
}

TEST_F(Paint, BackgroundIsCopiedFromItsTopLeftUnderTheHighlightAndIcon)
{
    WriteBackground(300, 50, PositionColour);
    WriteEntries(1);
    CreateItem();
    ASSERT_NE(nullptr, g_Item.BackgroundBitmap);
    g_Item.HighlightedEntry = 0;
    Pixels p = RenderItem(item);
    Differences d;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++)
            if (x >= 20 || y >= 20) d.Check(p, x, y, PositionColour(x, y));
    EXPECT_EQ(0, d.count) << d.Report();
    EXPECT_EQ(highlight, p.At(0, 0));
    EXPECT_EQ(highlight, p.At(19, 19));
}

TEST_F(Paint, ABackgroundSmallerThanTheItemShowsTheWatermarkBeyondIt)
{
    WriteBackground(40, 10, PositionColour);
    WriteEntries(1);
    CreateItem();
    Pixels p = RenderItem(item);
    EXPECT_EQ(PositionColour(39, 0), p.At(39, 0));
    EXPECT_EQ(PositionColour(30, 9), p.At(30, 9));
    EXPECT_EQ(WATERMARK_COLOUR, p.At(40, 0));
    EXPECT_EQ(WATERMARK_COLOUR, p.At(30, 10));
    EXPECT_EQ(WATERMARK_COLOUR, p.At(239, 24));
}

// The whole bitmap over the whole client area, larger or smaller than it. The bitmaps are
// blocks of one colour each, so every pixel away from a block's edge tells which block it
// came from, whichever way the stretch picks or merges pixels.
TEST_F(Paint, AStretchedBackgroundCoversTheWholeItemWhateverItsSize)
{
    WriteEntries(1);
    for (int w : { 300, 40 }) {
        SCOPED_TRACE("bitmap width " + std::to_string(w));
        int h = w == 300 ? 50 : 10, block = w == 300 ? 10 : 5;
        WriteBackground(w, h, [block](int x, int y) { return BlockColour(x / block, y / block); }, true);
        CreateItem(false);
        Pixels p = RenderItem(item);
        double kx = (double)w / p.width, ky = (double)h / p.height;
        Differences d;
        int checked = 0;
        for (int y = 0; y < p.height; y++)
            for (int x = 0; x < p.width; x++) {
                double sx = (x + 0.5) * kx, sy = (y + 0.5) * ky;
                int bx = (int)(sx / block), by = (int)(sy / block);
                double fx = sx - bx * block, fy = sy - by * block;
                double edge = block == 10 ? 2 : 1;
                if (fx < edge || fx > block - edge || fy < edge || fy > block - edge) continue;
                checked++;
                d.Check(p, x, y, BlockColour(bx, by));
            }
        EXPECT_GT(checked, p.width * p.height / 10);
        EXPECT_EQ(0, d.count) << d.Report();
        // The corners show the bitmap's corners: nothing of the watermark is left.
        EXPECT_EQ(BlockColour(0, 0), p.At(0, 0));
        EXPECT_EQ(BlockColour((w - 1) / block, (h - 1) / block), p.At(p.width - 1, p.height - 1));
        for (DWORD px : p.bits)
            ASSERT_NE(WATERMARK_COLOUR, RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
    }
}

TEST_F(Paint, AShrunkBackgroundKeepsItsOwnColours)
{
    // Red and green columns, shrunk to a third of their width: every pixel on screen is one
    // of the two, as the device picks the nearest pixel; merging them would give black.
    WriteBackground(720, 30, [](int x, int) { return x % 2 ? RGB(255, 0, 0) : RGB(0, 255, 0); }, true);
    WriteEntries(1);
    CreateItem();
    Pixels p = RenderItem(item);
    int others = 0;
    for (int y = 0; y < p.height; y++)
        for (int x = 20; x < p.width; x++) {
            COLORREF c = p.At(x, y);
            others += c != RGB(255, 0, 0) && c != RGB(0, 255, 0);
        }
    EXPECT_EQ(0, others);
}

TEST_F(Paint, CopiesOnlyThePaintRectangleAndReleasesEveryDrawingObject)
{
    WriteBackground(64, 64, PositionColour, true);
    WriteSettingNumber(VALUE_ICONSIZE, 20);   // the scaled path makes drawing objects of its own
    WriteEntries(4);
    CreateItem();
    g_Item.HighlightedEntry = 1;

    Pixels whole = RenderItem(item);
    const COLORREF sentinel = RGB(7, 8, 9);
    RECT part = { 30, 5, 70, 15 };
    Pixels p = RenderItem(item, &part, sentinel);
    Differences d;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            POINT pt = { x, y };
            d.Check(p, x, y, PtInRect(&part, pt) ? whole.At(x, y) : sentinel);
        }
    EXPECT_EQ(0, d.count) << d.Report();

    // The target context keeps its own bitmap; nothing stays allocated after a paint.
    DibCanvas canvas(240, 24, sentinel);
    PAINTSTRUCT ps = {};
    GetClientRect(item, &ps.rcPaint);
    int before = GdiObjectCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 50; i++)
        PaintItem(item, canvas.dc, &ps, g_Item.BackgroundBitmap);
    EXPECT_EQ(before, GdiObjectCount());
    EXPECT_EQ(canvas.bitmap, GetCurrentObject(canvas.dc, OBJ_BITMAP));
}

// With icons far larger than the item, a paint draws only what can be seen: the cells
// below the window cost nothing, and no scratch picture is larger than the item. Where a
// stretched icon is cut by the picture's edge, its pixels are those of the whole stretch.
TEST_F(Paint, HugeIconsCostOnlyWhatIsVisible)
{
    WriteSettingNumber(VALUE_ICONSIZE, 2000);
    WriteEntries(12);
    CreateItem();
    SetWindowPos(item, NULL, 0, 0, 240, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    DibCanvas canvas(240, 100, RGB(1, 2, 3));
    PAINTSTRUCT ps = {};
    GetClientRect(item, &ps.rcPaint);
    TakeLargestBitmapArea();
    long made = GdiObjectsMade();
    PaintItem(item, canvas.dc, &ps, NULL);
    EXPECT_LE(GdiObjectsMade() - made, 10) << "objects made for twelve icons of which one shows";
    EXPECT_LE(TakeLargestBitmapArea(), 240 * 100);

    DibCanvas whole(2000, 2000, RGB(1, 2, 3)), cut(240, 100, RGB(1, 2, 3));
    DrawEntryIcon(g_Item.IconImageList, 0, whole.dc, 0, 0, 2000, 2000);
    DrawEntryIcon(g_Item.IconImageList, 0, cut.dc, -700, -500, 2000, 2000);
    Pixels all = whole.Read(), part = cut.Read();
    Differences d;
    for (int y = 0; y < part.height; y++)
        for (int x = 0; x < part.width; x++)
            d.Check(part, x, y, all.At(x + 700, y + 500));
    EXPECT_EQ(0, d.count) << d.Report();
}

TEST_F(Paint, WindowPaintsOnScreenWithoutErasingAndOnlyWhereInvalid)
{
    WriteEntries(3);
    CreateItem();
    g_Item.HighlightedEntry = 0;
    RedrawWindow(item, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    Pixels expected = RenderItem(item);
    Pixels shown = CaptureWindow(item);
    ASSERT_EQ(expected.width, shown.width);
    ASSERT_EQ(expected.height, shown.height);
    EXPECT_TRUE(expected.bits == shown.bits) << "the screen differs from the composed image";

    // Scribble over the window, then invalidate a part of it: only that part is repainted.
    HDC dc = GetDC(item);
    RECT client;
    GetClientRect(item, &client);
    HBRUSH scribble = CreateSolidBrush(RGB(200, 0, 0));
    FillRect(dc, &client, scribble);
    DeleteObject(scribble);
    ReleaseDC(item, dc);
    RECT part = { 10, 4, 50, 20 };
    InvalidateRect(item, &part, TRUE);
    UpdateWindow(item);
    shown = CaptureWindow(item);
    Differences d;
    for (int y = 0; y < shown.height; y++)
        for (int x = 0; x < shown.width; x++) {
            POINT pt = { x, y };
            d.Check(shown, x, y, PtInRect(&part, pt) ? expected.At(x, y) : RGB(200, 0, 0));
        }
    EXPECT_EQ(0, d.count) << d.Report();
}

TEST_F(Paint, ScreenShowsTheItemWithItsHighlightAndTheHeldName)
{
    // A mixed list: programs, a folder, the root, a document and missing files.
    std::wstring folder = SandboxFolder();
    WriteFileText(folder + L"\\notes.txt", "notes");
    std::string program = TestProgramFolder() + "\\recorder.exe";
    std::wstring recorder(program.begin(), program.end());
    const wchar_t *targets[] = { recorder.c_str(), L"\\", folder.c_str(), L"\\missing.exe" };
    for (int i = 0; i < 14; i++) {
        std::wstring target = i == 5 ? folder + L"\\notes.txt" : targets[i % 4];
        WriteEntryKey(L"Entry number " + std::to_wstring(i), target, L"", i);
    }
    int size = 16;
    if (const char *wanted = getenv("TAPSHELF_SNAPSHOT_ICONSIZE")) size = atoi(wanted);
    WriteSettingNumber(VALUE_ICONSIZE, size);
    CreateItem();
    RECT itemRect;
    GetWindowRect(item, &itemRect);

    // Hold the pen on entry 6 (in the second row when the icons are small).
    int cw = size + 4, perRow = (GetSystemMetrics(SM_CXSCREEN) - 13) / cw;
    POINT pen = { (6 % perRow) * cw + cw / 2, (6 / perRow) * (size + 4) + size / 2 };
    if (6 / perRow > 0) pen = { (11 % perRow) * cw + cw / 2, (11 / perRow) * (size + 4) + size / 2 };
    MSG msg;
    while (PeekMessageW(&msg, NULL, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) {}
    SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pen.x, pen.y));
    LONG held = g_Item.HighlightedEntry;
    ASSERT_NE(-1, held);
    ASSERT_TRUE(IsWindowVisible(g_Item.NameLabel));
    UpdateWindow(item);
    UpdateWindow(g_Item.NameLabel);
    PumpMessages(50);
    Pixels screen = CaptureWindow(NULL);

    RECT label;
    GetWindowRect(g_Item.NameLabel, &label);
    EXPECT_EQ(RGB(255, 255, 255), screen.At(label.left + 2, label.top + 2)) << "the label's white";
    EXPECT_EQ(itemRect.left + pen.x - 2, label.right);
    int cellLeft = pen.x - pen.x % cw, cellTop = pen.y - pen.y % (size + 4);
    EXPECT_EQ(highlight, screen.At(itemRect.left + cellLeft, itemRect.top + cellTop + size + 3));
    EXPECT_EQ(WATERMARK_COLOUR, screen.At(itemRect.right - 2, itemRect.bottom - 1));

    if (const char *path = getenv("TAPSHELF_SNAPSHOT")) {
        std::string p(path);
        EXPECT_TRUE(SavePng(screen, std::wstring(p.begin(), p.end()))) << path;
    }
    SendMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(-20, -20));
}

// ---- Hit test ----

class HitTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetRegistry();
        ResetItemState();
    }
    void TearDown() override
    {
        FreeLaunchList();
        ResetRegistry();
    }
    void Load(int entries)
    {
        ResetRegistry();
        for (int i = 0; i < entries; i++)
            WriteEntryKey(L"E" + std::to_wstring(i), L"\\x.exe", L"", i);
        LoadDisplaySettings();
        LoadLaunchList();
        ASSERT_EQ(entries, g_Config.LaunchCount);
    }
};

TEST_F(HitTest, CellEdgesWithTheDefaultLayout)
{
    ASSERT_EQ(240, GetSystemMetrics(SM_CXSCREEN));
    Load(11);
    EXPECT_EQ(10, HitTestEntry(205, 5));
    EXPECT_EQ(-1, HitTestEntry(225, 5));
    EXPECT_EQ(0, HitTestEntry(0, 0));      // left and top edges belong to the cell
    EXPECT_EQ(0, HitTestEntry(19, 19));
    EXPECT_EQ(1, HitTestEntry(20, 0));     // the right edge belongs to the next cell
    EXPECT_EQ(10, HitTestEntry(200, 0));
    EXPECT_EQ(-1, HitTestEntry(220, 5));   // ... or to none
    EXPECT_EQ(-1, HitTestEntry(5, 20));    // the bottom edge too
    EXPECT_EQ(-1, HitTestEntry(-1, 5));
    EXPECT_EQ(-1, HitTestEntry(5, -1));

    Load(12);
    EXPECT_EQ(11, HitTestEntry(5, 25));
    EXPECT_EQ(11, HitTestEntry(0, 20));
    EXPECT_EQ(11, HitTestEntry(19, 39));
    EXPECT_EQ(-1, HitTestEntry(20, 20));
    EXPECT_EQ(-1, HitTestEntry(5, 40));
    EXPECT_EQ(10, HitTestEntry(219, 19));

    Load(0);
    for (POINT pt : { POINT{ 0, 0 }, POINT{ 5, 5 }, POINT{ 205, 5 } })
        EXPECT_EQ(-1, HitTestEntry(pt.x, pt.y));
}

TEST_F(HitTest, MarginsAndCellsWiderThanTheRow)
{
    Load(7);
    g_Config.Settings.IconSize = 32;
    g_Config.Settings.HMargin = 3;
    g_Config.Settings.VMargin = 1;
    g_Config.Settings.WinLeftMargin = 10;
    g_Config.Settings.WinTopMargin = 4;
    // Cells 38 x 34 from (10, 4); five fit before 240 - 13.
    EXPECT_EQ(-1, HitTestEntry(9, 4));
    EXPECT_EQ(-1, HitTestEntry(10, 3));
    EXPECT_EQ(0, HitTestEntry(10, 4));
    EXPECT_EQ(0, HitTestEntry(47, 37));
    EXPECT_EQ(1, HitTestEntry(48, 4));
    EXPECT_EQ(4, HitTestEntry(199, 37));
    EXPECT_EQ(-1, HitTestEntry(200, 4));
    EXPECT_EQ(5, HitTestEntry(10, 38));
    EXPECT_EQ(6, HitTestEntry(85, 71));
    EXPECT_EQ(-1, HitTestEntry(86, 38));

    // A cell wider than the row: one entry per row, the first one row down.
    g_Config.Settings.IconSize = 300;
    g_Config.Settings.WinLeftMargin = 0;
    g_Config.Settings.WinTopMargin = 0;
    EXPECT_EQ(-1, HitTestEntry(5, 5));
    EXPECT_EQ(0, HitTestEntry(5, 302));
    EXPECT_EQ(1, HitTestEntry(5, 604));
}

}  // namespace
