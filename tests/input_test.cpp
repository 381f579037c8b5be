// Pen, selection and navigation through the item window's messages and real pen input,
// and the tap-and-hold recogniser.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <thread>
#include "store/store.h"
#include "today/paint.h"
#include "wince_testing.h"
#include "today/item_state.h"
#include "harness.h"
#include "launch_log.h"
#include "pen.h"
#include "pixels.h"
#include "sandbox.h"
#include "today_standin.h"

namespace {

std::wstring Wide(const std::string &text) { return std::wstring(text.begin(), text.end()); }

// ---- The hold recogniser ----

class Gesture : public testing::Test {
protected:
    TestToday today;
    const POINT at = { 100, 100 };

    void SetUp() override
    {
        WinceSetHoldTime(1000);
        // The pen rests on the point, as when a hold check starts after a pen-down there.
        PlacePen(at.x, at.y);
        Drain();
    }
    void TearDown() override
    {
        PenUp(at.x, at.y);
        PumpMessages(20);
        WinceSetHoldTime(150);
    }
    DWORD Recognise(DWORD *elapsed, DWORD size = sizeof(SHRGINFO))
    {
        SHRGINFO info = {};
        info.cbSize = size;
        info.hwndClient = today.window;
        info.ptDown = at;
        info.dwFlags = SHRG_RETURNCMD | SHRG_NOANIMATION;
        DWORD start = GetTickCount();
        DWORD result = SHRecognizeGesture(&info);
        *elapsed = GetTickCount() - start;
        return result;
    }
    bool Queued(UINT message, LPARAM *lParam = NULL)
    {
        MSG msg;
        if (!PeekMessageW(&msg, today.window, message, message, PM_REMOVE)) return false;
        if (lParam) *lParam = msg.lParam;
        return true;
    }
    // Drops what the pen left in the queue before a case starts.
    void Drain()
    {
        MSG msg;
        while (PeekMessageW(&msg, NULL, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {}
    }
    // The real pen down on the point, its own messages handled and dropped.
    void PutPenDown()
    {
        PlacePen(at.x, at.y);
        PenDown(at.x, at.y);
        PumpMessages(20);
        Drain();
    }
    // A recognition during which another thread, 60 ms in, does `act`: it must end well
    // before the hold time, with no hold.
    void ExpectEndedEarlyBy(std::function<void()> act)
    {
        DWORD elapsed;
        std::thread actor([act] {
            Sleep(60);
            act();
        });
        EXPECT_NE((DWORD)GN_CONTEXTMENU, Recognise(&elapsed));
        actor.join();
        EXPECT_LT(elapsed, 500u);
    }
};

TEST_F(Gesture, HoldIsRecognisedOnlyAfterTheHoldTimeAndSurvivesJitter)
{
    WinceSetHoldTime(300);
    DWORD elapsed;
    EXPECT_EQ((DWORD)GN_CONTEXTMENU, Recognise(&elapsed));
    EXPECT_GE(elapsed, 290u);
    EXPECT_LT(elapsed, 900u);
    EXPECT_EQ(1, today.contextMenus) << "a recognised hold sends WM_CONTEXTMENU to the window too";

    // The pen trembling by a pixel or two, posted and as real input, is still a hold.
    PutPenDown();
    HWND window = today.window;
    POINT nearby = at;
    std::thread shaking([window, nearby] {
        Sleep(60);
        PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(nearby.x + 1, nearby.y + 1));
        Sleep(60);
        PenMoveTo(nearby.x + 1, nearby.y);
    });
    EXPECT_EQ((DWORD)GN_CONTEXTMENU, Recognise(&elapsed));
    shaking.join();
    EXPECT_GE(elapsed, 290u);

    // Bad arguments decide nothing.
    EXPECT_EQ(0u, Recognise(&elapsed, 12));
    EXPECT_LT(elapsed, 100u);
    SHRGINFO none = { sizeof(SHRGINFO), NULL, { 0, 0 }, SHRG_RETURNCMD };
    EXPECT_EQ(0u, SHRecognizeGesture(&none));
}

TEST_F(Gesture, PenUpEndsTheWaitAtOnceAndStillReachesTheWindow)
{
    DWORD elapsed;
    HWND window = today.window;
    LPARAM where = 0;

    // Already queued.
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_NE((DWORD)GN_CONTEXTMENU, Recognise(&elapsed));
    EXPECT_LT(elapsed, 100u);
    EXPECT_TRUE(Queued(WM_LBUTTONUP));

    // Posted while it waits.
    ExpectEndedEarlyBy([window] { PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(100, 100)); });
    EXPECT_TRUE(Queued(WM_LBUTTONUP));

    // The real pen lifted while it waits.
    PutPenDown();
    POINT pen = at;
    ExpectEndedEarlyBy([pen] { PenUp(pen.x, pen.y); });
    EXPECT_TRUE(Queued(WM_LBUTTONUP, &where));
    EXPECT_EQ(at.x, (short)LOWORD(where));
    EXPECT_EQ(at.y, (short)HIWORD(where));
}

TEST_F(Gesture, MovingAwayEndsTheWaitAndTheMoveStaysQueued)
{
    HWND window = today.window;
    ExpectEndedEarlyBy([window] { PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(140, 100)); });
    EXPECT_TRUE(Queued(WM_MOUSEMOVE));

    PutPenDown();
    POINT pen = at;
    ExpectEndedEarlyBy([pen] { PenMoveTo(pen.x, pen.y + 30); });
    EXPECT_TRUE(Queued(WM_MOUSEMOVE));
}

// ---- The item's pen and key handling ----

class Input : public testing::Test {
protected:
    TestToday today;
    HWND item = NULL;
    std::string recorder = TestProgramFolder() + "\\recorder.exe";

    void SetUp() override
    {
        ResetRegistry();
        ResetItemState();
        StartLaunchLog();
    }
    void TearDown() override
    {
        WinceSetHoldTime(150);
        if (item) DestroyWindow(item);
        today.itemWindow = NULL;
        ResetRegistry();
    }
    // Entries named by `names`, each starting the recorder with "entry<i>".
    void CreateItem(const std::vector<std::wstring> &names)
    {
        for (size_t i = 0; i < names.size(); i++)
            WriteEntryKey(names[i], Wide(recorder), L"entry" + std::to_wstring(i), (LONG)i);
        item = today.CreateItem();
        ASSERT_NE(nullptr, item);
    }
    void CreateItem(int count)
    {
        std::vector<std::wstring> names;
        for (int i = 0; i < count; i++)
            names.push_back(L"Entry " + std::to_wstring(i));
        CreateItem(names);
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageW(item, message, wParam, lParam);
    }
    DWORD PressAt(int x, int y)
    {
        // Where the real pointer lies is no concern of these synthetic presses: a move it
        // left queued would end the hold check.
        MSG msg;
        while (PeekMessageW(&msg, NULL, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) {}
        DWORD start = GetTickCount();
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        return GetTickCount() - start;
    }
    void ReleaseAt(int x, int y) { Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    // Down at one point with the pen-up at another already on its way.
    DWORD Tap(int x, int y, int upX, int upY)
    {
        PostMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
        DWORD elapsed = PressAt(x, y);
        PumpMessages(30);
        return elapsed;
    }
    bool LabelShown() { return g_Item.NameLabel && IsWindowVisible(g_Item.NameLabel); }
    RECT LabelRect()
    {
        RECT r;
        GetWindowRect(g_Item.NameLabel, &r);
        return r;
    }
    std::vector<std::string> Arguments(size_t n, DWORD timeoutMs = 5000)
    {
        std::vector<std::string> out;
        for (const std::string &line : WaitForLaunches(n, timeoutMs))
            out.push_back(LaunchArguments(line));
        return out;
    }
    COLORREF ShownAt(int x, int y)
    {
        UpdateWindow(item);
        return CaptureWindow(item).At(x, y);
    }
    // Navigation keys in turn: each key's answer, and the entry highlighted and focused after
    // it; where a step names a label, the label shows that name and the highlight is drawn.
    struct KeyStep { WPARAM key; LRESULT result; LONG index; const wchar_t *label; };
    void ExpectKeySteps(const std::vector<KeyStep> &steps)
    {
        int n = 0;
        for (const KeyStep &s : steps) {
            SCOPED_TRACE("step " + std::to_string(n++));
            EXPECT_EQ(s.result, Send(WM_TODAYCUSTOM_USERNAVIGATION, s.key));
            EXPECT_EQ(s.index, g_Item.HighlightedEntry);
            EXPECT_EQ(s.index, g_Item.FocusedEntry);
            if (!s.label)
                continue;
            EXPECT_STREQ(s.label, g_Item.LabelText);
            EXPECT_TRUE(LabelShown());
            EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), ShownAt(20 * s.index, 0));
        }
    }
};

TEST_F(Input, TapOnEmptySpaceCapturesAndTellsTheHostButStartsNothing)
{
    CreateItem(3);
    g_Item.FocusedEntry = 1;
    WinceSetHoldTime(1000);   // a hold check, if one were made, would be plain to see
    // Beyond the last cell, and in the bottom margin under the first.
    for (POINT pt : { POINT{ 150, 10 }, POINT{ 5, 22 } }) {
        SCOPED_TRACE(std::to_string(pt.x) + "," + std::to_string(pt.y));
        int took = today.tookSelection;
        EXPECT_LT(PressAt(pt.x, pt.y), 500u) << "no hold is awaited where nothing was hit";
        EXPECT_EQ(-1, g_Item.HighlightedEntry);
        EXPECT_EQ(item, GetCapture());
        EXPECT_EQ(took + 1, today.tookSelection);
        ReleaseAt(pt.x, pt.y);
        EXPECT_EQ(nullptr, GetCapture());
        EXPECT_EQ(-1, g_Item.HighlightedEntry);
        EXPECT_EQ(1, g_Item.FocusedEntry);
        EXPECT_FALSE(LabelShown());
    }
    EXPECT_TRUE(WaitForLaunches(1, 600).empty());
}

TEST_F(Input, TapOnAnEntryStartsItAndTheKeysGoOnFromThere)
{
    CreateItem(6);
    WinceSetHoldTime(1000);
    DWORD elapsed = Tap(65, 10, 66, 12);   // entry 3, lifted a pixel away on the same icon
    EXPECT_LT(elapsed, 500u) << "the pen-up already queued ends the hold check";
    EXPECT_EQ(std::vector<std::string>{ "entry3" }, Arguments(1));
    EXPECT_EQ(3, g_Item.FocusedEntry);
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(1, today.tookSelection);
    EXPECT_FALSE(LabelShown());
    EXPECT_EQ(WATERMARK_COLOUR, ShownAt(60, 0));

    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN));
    EXPECT_EQ(4, g_Item.HighlightedEntry);
    EXPECT_EQ(4, g_Item.FocusedEntry);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), ShownAt(80, 0));
}

TEST_F(Input, LiftingThePenElsewhereStartsNothing)
{
    CreateItem(3);
    g_Item.FocusedEntry = 2;
    struct Case { POINT down, up; };
    const Case cases[] = {
        { { 5, 5 }, { 25, 5 } },     // from entry 0 to entry 1
        { { 25, 5 }, { 5, 5 } },     // and back
        { { 5, 5 }, { 300, 5 } },    // right of the window
        { { 5, 5 }, { 5, 60 } },     // below it
        { { 5, 5 }, { -3, 5 } },     // left of it: the captured pen's x is negative
        { { 5, 5 }, { 5, -3 } },     // above it
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.up.x) + "," + std::to_string(c.up.y));
        Tap(c.down.x, c.down.y, c.up.x, c.up.y);
        EXPECT_EQ(-1, g_Item.HighlightedEntry);
        EXPECT_EQ(2, g_Item.FocusedEntry);
        EXPECT_EQ(nullptr, GetCapture());
    }

    // A release left of or above the window must not wrap round into a far cell: with
    // cells 80016 pixels high or wide, 65533 lies inside the first one.
    g_Config.Settings.VMargin = 40000;
    Tap(5, 5, 5, -3);
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    g_Config.Settings.VMargin = 2;
    g_Config.Settings.HMargin = 40000;   // one cell per row, the first row at y = 20
    Tap(5, 25, -3, 25);
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    EXPECT_EQ(2, g_Item.FocusedEntry);
    EXPECT_TRUE(WaitForLaunches(1, 800).empty());
}

TEST_F(Input, HoldShowsTheNameAtThePenAndReleaseOnTheSameIconStartsIt)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < 10; i++)
        names.push_back(L"Name " + std::to_wstring(i));
    CreateItem(names);
    RECT item_;
    GetWindowRect(item, &item_);

    DWORD elapsed = PressAt(185, 10);   // entry 9, held
    EXPECT_GE(elapsed, 140u);
    EXPECT_EQ(9, g_Item.HighlightedEntry);
    ASSERT_TRUE(LabelShown());
    EXPECT_STREQ(L"Name 9", g_Item.LabelText);
    RECT label = LabelRect();
    EXPECT_EQ(item_.left + 185 - 2, label.right);
    EXPECT_EQ(item_.top + 10 - 2, label.bottom);
    EXPECT_EQ(item, GetCapture());
    EXPECT_EQ(1, today.tookSelection);
    EXPECT_EQ(0, today.contextMenus) << "the hold's WM_CONTEXTMENU stops at the item";
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), ShownAt(199, 19));

    ReleaseAt(187, 12);
    EXPECT_FALSE(LabelShown());
    EXPECT_EQ(std::vector<std::string>{ "entry9" }, Arguments(1));
    EXPECT_EQ(9, g_Item.FocusedEntry);
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    EXPECT_EQ(WATERMARK_COLOUR, ShownAt(199, 19));
}

TEST_F(Input, PressedIconShowsHighlightedWhileTheHoldIsStillUndecided)
{
    CreateItem(10);
    WinceSetHoldTime(600);
    // Look at the screen from another thread while the item waits for the hold decision.
    HWND window = item;
    COLORREF seen = CLR_INVALID;
    std::thread watcher([window, &seen] {
        Sleep(250);
        seen = CaptureWindow(window).At(199, 19);
    });
    DWORD elapsed = PressAt(185, 10);   // entry 9
    watcher.join();
    EXPECT_GE(elapsed, 590u);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), seen);
    ReleaseAt(185, 10);
}

TEST_F(Input, RealPenTapHoldAndSlideThroughTheSystem)
{
    CreateItem(5);
    // Tap on entry 2: down and up arrive together, the hold check ends at once and the
    // pen-up still reaches the item.
    POINT p2 = ScreenPoint(item, 45, 10);
    PlacePen(p2.x, p2.y);
    PenDown(p2.x, p2.y);
    PenUp(p2.x, p2.y);
    DWORD start = GetTickCount();
    PumpMessages(60);
    EXPECT_EQ(std::vector<std::string>{ "entry2" }, Arguments(1));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(LabelShown());
    EXPECT_EQ(2, g_Item.FocusedEntry);
    EXPECT_EQ(1, today.tookSelection);

    // Hold on entry 4: the name shows while the pen is down, the lift starts the entry.
    POINT p4 = ScreenPoint(item, 85, 10);
    PlacePen(p4.x, p4.y);
    PenDown(p4.x, p4.y);
    PumpMessages(400);
    EXPECT_TRUE(LabelShown());
    EXPECT_STREQ(L"Entry 4", g_Item.LabelText);
    PenUp(p4.x, p4.y);
    PumpMessages(60);
    EXPECT_FALSE(LabelShown());
    EXPECT_EQ((std::vector<std::string>{ "entry2", "entry4" }), Arguments(2));

    // Down on entry 0, slid to entry 1 and lifted there: no name, nothing starts.
    POINT p0 = ScreenPoint(item, 5, 10), p1 = ScreenPoint(item, 25, 10);
    PlacePen(p0.x, p0.y);
    PenDown(p0.x, p0.y);
    PenMoveTo(p1.x, p1.y);
    PenUp(p1.x, p1.y);
    PumpMessages(300);
    EXPECT_FALSE(LabelShown());
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(2u, WaitForLaunches(3, 800).size());
}

TEST_F(Input, UpDownModeMovesInListOrderAndStopsAtTheEnds)
{
    CreateItem({ L"One", L"Two", L"Three" });
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN));
    EXPECT_EQ(0, g_Item.HighlightedEntry);
    EXPECT_EQ(0, g_Item.FocusedEntry);
    EXPECT_TRUE(LabelShown());
    EXPECT_STREQ(L"One", g_Item.LabelText);

    ExpectKeySteps({
        { VK_LEFT, 0, 0, L"One" },  { VK_RIGHT, 0, 0, L"One" }, { VK_DOWN, 1, 1, L"Two" },
        { VK_LEFT, 0, 1, L"Two" },  { VK_RIGHT, 0, 1, L"Two" }, { VK_DOWN, 1, 2, L"Three" },
        { VK_DOWN, 0, 2, L"Three" }, { VK_RIGHT, 0, 2, L"Three" }, { VK_UP, 1, 1, L"Two" },
        { VK_UP, 1, 0, L"One" },    { VK_UP, 0, 0, L"One" },    { VK_RETURN, 0, 0, L"One" },
    });
    EXPECT_EQ(0, today.tookSelection);

    // Selection by the up key starts at the last entry, by any other key at the first.
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_UP));
    EXPECT_EQ(2, g_Item.HighlightedEntry);
    EXPECT_EQ(2, g_Item.FocusedEntry);
    EXPECT_STREQ(L"Three", g_Item.LabelText);
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_RETURN));
    EXPECT_EQ(0, g_Item.HighlightedEntry);
    EXPECT_EQ(0, g_Item.FocusedEntry);
    EXPECT_STREQ(L"One", g_Item.LabelText);

    // The mode is read at every key.
    g_Config.Settings.CtrlUpDown = 0;
    EXPECT_EQ(0, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN));
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_RIGHT));
    EXPECT_EQ(1, g_Item.HighlightedEntry);
}

TEST_F(Input, LeftRightModeMovesInListOrderAndLeavesUpAndDownToTheHost)
{
    WriteSettingNumber(VALUE_CTRLUPDOWN, 0);
    CreateItem({ L"One", L"Two", L"Three" });
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_UP));
    EXPECT_EQ(2, g_Item.HighlightedEntry);
    EXPECT_STREQ(L"Three", g_Item.LabelText);

    ExpectKeySteps({
        { VK_RIGHT, 0, 2, nullptr }, { VK_UP, 0, 2, nullptr },   { VK_DOWN, 0, 2, nullptr },
        { VK_LEFT, 1, 1, nullptr },  { VK_UP, 0, 1, nullptr },   { VK_LEFT, 1, 0, nullptr },
        { VK_LEFT, 0, 0, nullptr },  { VK_DOWN, 0, 0, nullptr }, { VK_RIGHT, 1, 1, nullptr },
    });
    EXPECT_STREQ(L"Two", g_Item.LabelText);
}

TEST_F(Input, ActionStartsTheHighlightedEntryUntilTheSelectionIsLost)
{
    CreateItem(3);
    Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN);
    Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN);
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_ACTION));
    EXPECT_EQ(std::vector<std::string>{ "entry1" }, Arguments(1));
    EXPECT_EQ(1, g_Item.HighlightedEntry);
    EXPECT_EQ(1, g_Item.FocusedEntry);
    EXPECT_TRUE(LabelShown());

    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_LOSTSELECTION));
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    EXPECT_EQ(1, g_Item.FocusedEntry);
    EXPECT_FALSE(LabelShown());
    EXPECT_EQ(WATERMARK_COLOUR, RenderItem(item).At(20, 0));   // the host repaints the item
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_ACTION));
    EXPECT_EQ(1u, WaitForLaunches(2, 800).size());

    // The keys go on from the kept focus.
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN));
    EXPECT_EQ(2, g_Item.HighlightedEntry);
    EXPECT_TRUE(LabelShown());
}

TEST_F(Input, EmptyListTakesTheSelectionButMovesAndStartsNothing)
{
    CreateItem(0);
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_UP));
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    EXPECT_EQ(-1, g_Item.FocusedEntry);
    EXPECT_FALSE(LabelShown());
    for (int mode : { 1, 0 }) {
        g_Config.Settings.CtrlUpDown = mode;
        for (WPARAM key : { VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN })
            EXPECT_EQ(0, Send(WM_TODAYCUSTOM_USERNAVIGATION, key)) << "mode " << mode << " key " << key;
    }
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN));
    EXPECT_EQ(0, g_Item.HighlightedEntry);
    EXPECT_FALSE(LabelShown());
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_ACTION));
    Tap(5, 5, 5, 5);
    EXPECT_EQ(1, today.tookSelection);
    for (DWORD px : RenderItem(item).bits)
        ASSERT_EQ(WATERMARK_COLOUR, RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
    EXPECT_TRUE(WaitForLaunches(1, 600).empty());
}

TEST_F(Input, IndicesLeftFromALongerListNeverReachARecord)
{
    CreateItem(6);
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_UP));
    EXPECT_EQ(5, g_Item.HighlightedEntry);

    // The options dialog's Done replaces the list with a shorter one under the live window.
    ResetRegistry();
    WriteEntryKey(L"Kept 0", Wide(recorder), L"kept0", 0);
    WriteEntryKey(L"Kept 1", Wide(recorder), L"kept1", 1);
    LoadLaunchList();
    ASSERT_EQ(2, g_Config.LaunchCount);
    wcscpy(g_Item.LabelText, L"(unchanged)");

    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_ACTION));
    Pixels p = RenderItem(item);
    for (DWORD px : p.bits)
        ASSERT_NE(GetSysColor(COLOR_HIGHLIGHT), RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
    ReleaseAt(25, 5);   // a stray pen-up on entry 1 while 5 is highlighted
    EXPECT_STREQ(L"(unchanged)", g_Item.LabelText);

    // Forward has nowhere to go; back lands on the last entry that exists.
    EXPECT_EQ(0, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN));
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_UP));
    EXPECT_EQ(1, g_Item.FocusedEntry);
    EXPECT_EQ(1, g_Item.HighlightedEntry);
    EXPECT_STREQ(L"Kept 1", g_Item.LabelText);
    EXPECT_TRUE(WaitForLaunches(1, 600).empty());

    // Emptied altogether: nothing to go back to.
    g_Item.FocusedEntry = 4;
    ResetRegistry();
    LoadLaunchList();
    ASSERT_EQ(0, g_Config.LaunchCount);
    EXPECT_EQ(0, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_UP));
    EXPECT_EQ(0, Send(WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN));
    EXPECT_EQ(1, Send(WM_TODAYCUSTOM_ACTION));
}

}  // namespace
