// The name label: its window, its text and size, its painting and where it appears.
#include <gtest/gtest.h>
#include <string>
#include "today/item_state.h"
#include "today/label.h"
#include "platform/shell_windows.h"
#include "harness.h"
#include "item_test.h"
#include "launch_log.h"
#include "pen.h"
#include "pixels.h"
#include "sandbox.h"
#include "today_standin.h"

namespace {

const wchar_t kWideName[] = L"A wide name";

class Label : public ItemTest {
protected:
    // Entries that start nothing when tapped by mistake: the recorder with no log to write.
    void CreateItem(const std::vector<std::wstring> &names, int top = 30)
    {
        std::string recorder = TestProgramFolder() + "\\recorder.exe";
        for (size_t i = 0; i < names.size(); i++)
            WriteEntryKey(names[i], std::wstring(recorder.begin(), recorder.end()), L"", (LONG)i);
        SetEnvironmentVariableW(L"TAPSHELF_LAUNCH_LOG", NULL);
        item = today.CreateItem(top);
        ASSERT_NE(nullptr, item);
    }
    HWND LabelWindow() { return g_Item.NameLabel; }
    RECT LabelRect()
    {
        RECT r;
        GetWindowRect(LabelWindow(), &r);
        return r;
    }
    SIZE TextSize(const wchar_t *text)
    {
        SIZE size = {};
        HDC dc = GetDC(LabelWindow());
        GetTextExtentExPointW(dc, text, (int)wcslen(text), 0, NULL, NULL, &size);
        ReleaseDC(LabelWindow(), dc);
        return size;
    }
    void MoveItem(int x, int y)
    {
        SetWindowPos(item, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Holds the pen on a client point until the name shows, then lifts it where nothing is.
    RECT HoldAt(int x, int y)
    {
        MSG msg;   // a move the real pointer left queued would end the hold check
        while (PeekMessageW(&msg, NULL, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) {}
        SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        EXPECT_TRUE(IsWindowVisible(LabelWindow()));
        RECT shown = LabelRect();
        SendMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(-50, -50));
        EXPECT_FALSE(IsWindowVisible(LabelWindow()));
        return shown;
    }
    RECT SelectByKey()
    {
        SendMessageW(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
        EXPECT_TRUE(IsWindowVisible(LabelWindow()));
        return LabelRect();
    }
};

TEST_F(Label, MadeHiddenFromDialog106OwnedByTheTaskBarAndGoneWithTheItem)
{
    CreateItem({ L"One" });
    HWND label = LabelWindow();
    ASSERT_NE(nullptr, label);
    wchar_t cls[64];
    GetClassNameW(label, cls, 64);
    EXPECT_STREQ(L"#32770", cls);
    LONG style = GetWindowLongW(label, GWL_STYLE);
    EXPECT_EQ((LONG)(WS_POPUP | WS_BORDER), style & (WS_POPUP | WS_BORDER | WS_CAPTION | WS_CHILD));
    EXPECT_FALSE(IsWindowVisible(label));
    EXPECT_EQ(nullptr, GetWindow(label, GW_OWNER));

    // Shown topmost and without taking the activation.
    HWND active = GetActiveWindow();
    SelectByKey();
    EXPECT_TRUE(GetWindowLongW(label, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(active, GetActiveWindow());

    DestroyItem();
    EXPECT_FALSE(IsWindow(label));
    EXPECT_EQ(nullptr, LabelWindow());

    // With a task bar on the screen, the next item's label belongs to it.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = SHELL_TASKBAR_CLASS;
    RegisterClassW(&wc);
    HWND taskBar = CreateWindowExW(0, SHELL_TASKBAR_CLASS, L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 26, NULL, NULL,
                                   GetModuleHandleW(NULL), NULL);
    item = today.CreateItem();
    ASSERT_NE(nullptr, LabelWindow());
    EXPECT_EQ(taskBar, GetWindow(LabelWindow(), GW_OWNER));
    DestroyItem();
    DestroyWindow(taskBar);

    // A library without dialog 106 gets no label; showing and hiding then do nothing.
    today.item.hinstDLL = GetModuleHandleW(L"kernel32.dll");
    item = today.CreateItem();
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(nullptr, LabelWindow());
    EXPECT_EQ(1, SendMessageW(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0));
    EXPECT_EQ(1, SendMessageW(item, WM_TODAYCUSTOM_LOSTSELECTION, 0, 0));
    SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(-5, 5));
    EXPECT_EQ(nullptr, LabelWindow());
}

TEST_F(Label, TextSetsItsSizeHiddenAndNeverBecomesTheTitle)
{
    CreateItem({ L"I", L"A much longer entry name", L"追加ｵﾌﾟｼｮﾝ" });
    SelectByKey();
    HWND label = LabelWindow();
    for (const wchar_t *text : { L"Short", L"A considerably longer text", L"i", L"追加ｵﾌﾟｼｮﾝ" }) {
        SCOPED_TRACE(Narrow(text));
        ShowWindow(label, SW_SHOWNA);
        SendMessageW(label, WM_SETTEXT, 0, (LPARAM)text);
        EXPECT_FALSE(IsWindowVisible(label));
        EXPECT_STREQ(text, g_Item.LabelText);
        SIZE text_ = TextSize(text);
        RECT r = LabelRect();
        EXPECT_EQ(text_.cx + 6, r.right - r.left);
        EXPECT_EQ(text_.cy + 6, r.bottom - r.top);
        EXPECT_EQ(0, GetWindowTextLengthW(label));
    }
    // A null text changes nothing.
    RECT before = LabelRect();
    SendMessageW(label, WM_SETTEXT, 0, 0);
    RECT after = LabelRect();
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_STREQ(L"追加ｵﾌﾟｼｮﾝ", g_Item.LabelText);

    // The longest name a record holds survives whole.
    std::wstring longest(255, L'w');
    SendMessageW(label, WM_SETTEXT, 0, (LPARAM)longest.c_str());
    EXPECT_EQ(longest, std::wstring(g_Item.LabelText));

    // Entries in turn: each text replaces the last, and the size follows it.
    int widths[3];
    for (int i = 0; i < 3; i++) {
        if (i == 0)
            SendMessageW(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
        else
            EXPECT_EQ(1, SendMessageW(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, 0));
        EXPECT_TRUE(IsWindowVisible(label));
        EXPECT_STREQ(g_Config.LaunchList[i].Name, g_Item.LabelText);
        RECT r = LabelRect();
        widths[i] = r.right - r.left;
        EXPECT_EQ(TextSize(g_Config.LaunchList[i].Name).cx + 6, widths[i]);
    }
    EXPECT_LT(widths[0], widths[1]);
    EXPECT_NE(widths[1], widths[2]);
}

TEST_F(Label, PaintsTheNameOnWhiteTwoPixelsInsideItsBorder)
{
    CreateItem({ L"Wide label" });
    SelectByKey();
    HWND label = LabelWindow();
    UpdateWindow(label);
    RECT window = LabelRect(), client;
    GetClientRect(label, &client);
    EXPECT_EQ(2, (window.right - window.left) - client.right) << "a one-pixel border on each side";
    EXPECT_EQ(2, (window.bottom - window.top) - client.bottom);
    SIZE text = TextSize(L"Wide label");
    ASSERT_EQ(text.cx + 4, client.right);
    ASSERT_EQ(text.cy + 4, client.bottom);

    // As first shown, and after a repaint that erases first (a window that covered it went
    // away): black on white both times, never the dialog's grey.
    for (const char *when : { "first shown", "repainted" }) {
        if (strcmp(when, "repainted") == 0)
            RedrawWindow(label, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Pixels p = CaptureWindow(label);
        int ink = 0, strays = 0, grey = 0;
        for (int y = 0; y < p.height; y++)
            for (int x = 0; x < p.width; x++) {
                bool inText = x >= 2 && y >= 2 && x < 2 + text.cx && y < 2 + text.cy;
                COLORREF c = p.At(x, y);
                if (!inText && c != RGB(255, 255, 255)) strays++;
                if (inText && c == RGB(0, 0, 0)) ink++;
                if (c == GetSysColor(COLOR_3DFACE)) grey++;
            }
        EXPECT_EQ(0, strays) << when << ": the two pixels round the text are white";
        EXPECT_GT(ink, 20) << when << ": the name is written in black";
        EXPECT_EQ(0, grey) << when;
    }
}

TEST_F(Label, SitsAboveAndLeftOfItsAnchorUnlessAScreenEdgeIsInTheWay)
{
    std::vector<std::wstring> names = { kWideName };
    for (int i = 1; i < 10; i++)
        names.push_back(L"Other " + std::to_wstring(i));
    CreateItem(names);
    SIZE text = TextSize(kWideName);
    int w = text.cx + 6, h = text.cy + 6;
    ASSERT_GT(w, 70);

    // Key selection: bottom-right corner 2 pixels up and left of the item's corner.
    int left = w + 20;
    MoveItem(left, 100);
    RECT r = SelectByKey();
    EXPECT_EQ(left - 2, r.right);
    EXPECT_EQ(98, r.bottom);
    EXPECT_EQ(w, r.right - r.left);

    // Hold: 2 pixels up and left of the pen.
    r = HoldAt(15, 10);
    EXPECT_EQ(left + 15 - 2, r.right);
    EXPECT_EQ(100 + 10 - 2, r.bottom);

    // Too near the left edge: the label starts at x = 0.
    MoveItem(0, 100);
    r = HoldAt(15, 10);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(108, r.bottom);
    r = SelectByKey();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(98, r.bottom);

    // Too near the top: the label goes under the item window, x as computed.
    SetWindowPos(item, NULL, 100, 5, 240, 25, SWP_NOZORDER | SWP_NOACTIVATE);
    r = HoldAt(15, 10);
    EXPECT_EQ(30, r.top);
    EXPECT_EQ(std::max(0, 100 + 15 - w - 2), r.left);
    MoveItem(0, 10);
    r = SelectByKey();
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(35, r.top);
    // Just enough room above stays above.
    MoveItem(0, h + 2);
    r = SelectByKey();
    EXPECT_EQ(0, r.top);

    // No clamping at the right or bottom edge.
    MoveItem(150, 310);
    r = HoldAt(185, 19);   // entry 9
    EXPECT_STREQ(L"Other 9", g_Item.LabelText);
    EXPECT_EQ(150 + 185 - 2, r.right);
    EXPECT_EQ(310 + 19 - 2, r.bottom);
}

TEST_F(Label, TapOnTheLabelHidesItAndStartsNothing)
{
    StartLaunchLog();
    std::string recorder = TestProgramFolder() + "\\recorder.exe";
    WriteEntryKey(kWideName, std::wstring(recorder.begin(), recorder.end()), L"", 0);
    item = today.CreateItem();
    RECT r = SelectByKey();
    ASSERT_GT(r.bottom - r.top, 4);

    POINT middle = { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
    PlacePen(middle.x, middle.y);
    PenDown(middle.x, middle.y);
    PenUp(middle.x, middle.y);
    PumpMessages(100);
    EXPECT_FALSE(IsWindowVisible(LabelWindow()));
    EXPECT_EQ(0, today.tookSelection) << "the item saw no pen";
    EXPECT_EQ(0, g_Item.HighlightedEntry);
    EXPECT_TRUE(WaitForLaunches(1, 600).empty());

    // The message alone does the same.
    SelectByKey();
    SendMessageW(LabelWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_FALSE(IsWindowVisible(LabelWindow()));
}

}  // namespace
