// The input panel: a small keyboard above the soft-key bar, in five rows as the device's
// keyboard has them. The window never activates and never takes the focus; a key types
// into the focused window of this thread, the way the device's panel feeds keystrokes to
// whatever has the focus: characters as WM_CHAR (backspace too), Enter and the arrows as
// key presses, which the dialog's message loop sees first.
#include "host/shell/input_panel.h"
#include "host/shell/bars.h"
#include "host/shell/screen.h"
#include "host/shell/ui.h"
#include "platform/shell_windows.h"

HWND g_inputPanel;

#define WM_PANEL_RAISE (WM_APP + 40)

// Each row is 26 half-key units wide; a key of width 0 is a gap.
enum class KeyKind { Char, Shift, Backspace, Enter, Space, Left, Right, Gap };

struct PanelKey {
    KeyKind kind;
    wchar_t plain;
    wchar_t shifted;
    int units;
    const wchar_t *name;   // the label and name of a key that types no character
};

static const int kRows = 5;
static const int kRowUnits = 26;
static const int kRowHeight = 16;   // device pixels

#define C(plain, shifted) { KeyKind::Char, plain, shifted, 2, nullptr }

static const PanelKey kRow0[] = {
    C(L'1', L'!'), C(L'2', L'@'), C(L'3', L'#'), C(L'4', L'$'), C(L'5', L'%'), C(L'6', L'^'), C(L'7', L'&'),
    C(L'8', L'*'), C(L'9', L'('), C(L'0', L')'), C(L'-', L'_'), C(L'=', L'+'),
    { KeyKind::Backspace, 0, 0, 2, L"backspace" },
};
static const PanelKey kRow1[] = {
    C(L'q', L'Q'), C(L'w', L'W'), C(L'e', L'E'), C(L'r', L'R'), C(L't', L'T'), C(L'y', L'Y'), C(L'u', L'U'),
    C(L'i', L'I'), C(L'o', L'O'), C(L'p', L'P'), C(L'[', L'{'), C(L']', L'}'), C(L'\\', L'|'),
};
static const PanelKey kRow2[] = {
    C(L'a', L'A'), C(L's', L'S'), C(L'd', L'D'), C(L'f', L'F'), C(L'g', L'G'), C(L'h', L'H'), C(L'j', L'J'),
    C(L'k', L'K'), C(L'l', L'L'), C(L';', L':'), C(L'\'', L'"'),
    { KeyKind::Enter, 0, 0, 4, L"enter" },
};
static const PanelKey kRow3[] = {
    { KeyKind::Shift, 0, 0, 4, L"shift" },
    C(L'z', L'Z'), C(L'x', L'X'), C(L'c', L'C'), C(L'v', L'V'), C(L'b', L'B'), C(L'n', L'N'), C(L'm', L'M'),
    C(L',', L'<'), C(L'.', L'>'), C(L'/', L'?'), C(L'`', L'~'),
};
static const PanelKey kRow4[] = {
    { KeyKind::Gap, 0, 0, 6, nullptr },
    { KeyKind::Space, L' ', L' ', 14, L"space" },
    { KeyKind::Left, 0, 0, 3, L"left" },
    { KeyKind::Right, 0, 0, 3, L"right" },
};

#undef C

struct PanelRow {
    const PanelKey *keys;
    int count;
};
static const PanelRow kLayout[kRows] = {
    { kRow0, ARRAYSIZE(kRow0) }, { kRow1, ARRAYSIZE(kRow1) }, { kRow2, ARRAYSIZE(kRow2) },
    { kRow3, ARRAYSIZE(kRow3) }, { kRow4, ARRAYSIZE(kRow4) },
};

static bool g_shift;                          // the next character is shifted
static const PanelKey *g_pressed;             // the key under the pen
static HFONT g_keyFont;

static int PanelHeight() { return Scaled(kRows * kRowHeight); }

bool InputPanelIsUp() { return g_inputPanel && IsWindowVisible(g_inputPanel); }

// The key's rectangle in the panel's client coordinates.
static RECT KeyRect(int row, int index)
{
    int width = g_screen.width;
    int units = 0;
    for (int i = 0; i < index; i++)
        units += kLayout[row].keys[i].units;
    RECT rect;
    rect.left = units * width / kRowUnits;
    rect.right = (units + kLayout[row].keys[index].units) * width / kRowUnits;
    rect.top = Scaled(row * kRowHeight);
    rect.bottom = rect.top + Scaled(kRowHeight);
    return rect;
}

static const PanelKey *KeyAt(POINT point, RECT *where)
{
    for (int row = 0; row < kRows; row++)
        for (int i = 0; i < kLayout[row].count; i++) {
            RECT rect = KeyRect(row, i);
            if (kLayout[row].keys[i].kind != KeyKind::Gap && PtInRect(&rect, point)) {
                if (where)
                    *where = rect;
                return &kLayout[row].keys[i];
            }
        }
    return nullptr;
}

static bool IsNamed(const PanelKey &key, const std::wstring &name)
{
    if (key.kind == KeyKind::Gap)
        return false;
    if (key.kind == KeyKind::Char)
        return name.size() == 1 && name[0] == key.plain;
    return name == key.name;
}

bool InputPanelHasKey(const std::wstring &name)
{
    for (const PanelRow &row : kLayout)
        for (int i = 0; i < row.count; i++)
            if (IsNamed(row.keys[i], name))
                return true;
    return false;
}

bool InputPanelKeyRect(const std::wstring &name, RECT *screen)
{
    if (!g_inputPanel)
        return false;
    for (int row = 0; row < kRows; row++)
        for (int i = 0; i < kLayout[row].count; i++)
            if (IsNamed(kLayout[row].keys[i], name)) {
                *screen = KeyRect(row, i);
                MapWindowPoints(g_inputPanel, NULL, (POINT *)screen, 2);
                return true;
            }
    return false;
}

bool InputPanelKeysFor(wchar_t ch, std::vector<std::wstring> *keys)
{
    keys->clear();
    for (const PanelRow &row : kLayout)
        for (int i = 0; i < row.count; i++) {
            const PanelKey &key = row.keys[i];
            if (key.kind == KeyKind::Space && ch == L' ') {
                keys->push_back(key.name);
                return true;
            }
            if (key.kind != KeyKind::Char || (ch != key.plain && ch != key.shifted))
                continue;
            if (ch != key.plain)
                keys->push_back(L"shift");
            keys->push_back(std::wstring(1, key.plain));
            return true;
        }
    return false;
}

// ---- Typing

void PostKeyPress(HWND target, UINT vk)
{
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

static void TypeKey(const PanelKey &key)
{
    if (key.kind == KeyKind::Shift) {
        g_shift = !g_shift;
        InvalidateRect(g_inputPanel, NULL, FALSE);
        return;
    }
    HWND focus = GetFocus();
    if (focus) {
        switch (key.kind) {
        case KeyKind::Char:
        case KeyKind::Space:
            PostMessageW(focus, WM_CHAR, g_shift ? key.shifted : key.plain, 1);
            break;
        case KeyKind::Backspace:
            PostMessageW(focus, WM_CHAR, VK_BACK, 1);
            break;
        case KeyKind::Enter:
            PostKeyPress(focus, VK_RETURN);
            break;
        case KeyKind::Left:
            PostKeyPress(focus, VK_LEFT);
            break;
        case KeyKind::Right:
            PostKeyPress(focus, VK_RIGHT);
            break;
        default:
            break;
        }
    }
    if (g_shift) {   // shift holds for one key
        g_shift = false;
        InvalidateRect(g_inputPanel, NULL, FALSE);
    }
}

// ---- Painting

static std::wstring Label(const PanelKey &key)
{
    switch (key.kind) {
    case KeyKind::Char:      return std::wstring(1, g_shift ? key.shifted : key.plain);
    case KeyKind::Shift:     return L"\x21E7";   // ⇧
    case KeyKind::Backspace: return L"\x2190";   // ←
    case KeyKind::Enter:     return L"Enter";
    case KeyKind::Left:      return L"\x25C0";   // ◀
    case KeyKind::Right:     return L"\x25B6";   // ▶
    default:                 return L"";
    }
}

static void PaintPanel(HWND hwnd, HDC dc, const RECT &)
{
    RECT client;
    GetClientRect(hwnd, &client);
    FillSolid(dc, client, RGB(150, 160, 180));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, g_keyFont);
    for (int row = 0; row < kRows; row++)
        for (int i = 0; i < kLayout[row].count; i++) {
            const PanelKey &key = kLayout[row].keys[i];
            if (key.kind == KeyKind::Gap)
                continue;
            RECT rect = KeyRect(row, i);
            InflateRect(&rect, -1, -1);
            bool lit = &key == g_pressed || (key.kind == KeyKind::Shift && g_shift);
            FillSolid(dc, rect, lit ? RGB(30, 70, 150) : RGB(250, 250, 252));
            SetTextColor(dc, lit ? RGB(255, 255, 255) : RGB(0, 0, 0));
            std::wstring label = Label(key);
            DrawTextW(dc, label.c_str(), (int)label.size(), &rect,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
}

// ---- The window

static void OnPenDown(HWND hwnd, POINT point)
{
    RECT rect;
    const PanelKey *key = KeyAt(point, &rect);
    if (!key)
        return;
    SetCapture(hwnd);
    g_pressed = key;
    InvalidateRect(hwnd, &rect, FALSE);
    TypeKey(*key);
}

static void OnPenUp(HWND hwnd)
{
    if (GetCapture() == hwnd)
        ReleaseCapture();
    if (g_pressed) {
        g_pressed = nullptr;
        InvalidateRect(hwnd, NULL, FALSE);
    }
}

static LRESULT CALLBACK InputPanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT point = { (short)LOWORD(lParam), (short)HIWORD(lParam) };
        OnPenDown(hwnd, point);
        return 0;
    }
    case WM_LBUTTONUP:
        OnPenUp(hwnd);
        return 0;
    case WM_WINDOWPOSCHANGED:
        // Up or down: the soft-key bar's keyboard button shows which. A panel that comes
        // up goes on top of the display once the window that raised it has been handled.
        if (((WINDOWPOS *)lParam)->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) {
            g_shift = false;
            RefreshBars();
            if (((WINDOWPOS *)lParam)->flags & SWP_SHOWWINDOW)
                PostMessageW(hwnd, WM_PANEL_RAISE, 0, 0);
        }
        break;
    case WM_PANEL_RAISE:
        if (IsWindowVisible(hwnd))
            RaiseTopmostWindows();
        return 0;
    }
    return ScreenWindowDefault(hwnd, message, wParam, lParam, PaintPanel);
}

HWND CreateInputPanel(HINSTANCE instance)
{
    if (!g_keyFont)
        g_keyFont = CreateScreenFont(Scaled(11), false);
    RegisterScreenClass(instance, SHELL_INPUT_PANEL_CLASS, InputPanelProc);
    int top = g_screen.height - g_screen.menuBarHeight - PanelHeight();
    g_inputPanel = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, SHELL_INPUT_PANEL_CLASS,
                                   L"Input Panel", WS_POPUP, 0, top, g_screen.width, PanelHeight(), NULL, NULL,
                                   instance, NULL);
    return g_inputPanel;
}

void PlaceInputPanel()
{
    SetWindowPos(g_inputPanel, NULL, 0, g_screen.height - g_screen.menuBarHeight - PanelHeight(), g_screen.width,
                 PanelHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(g_inputPanel, NULL, FALSE);
}
