// The Today window: the built-in date item and the custom items listed in the registry,
// stacked from the top; the watermark; the selection and the navigation keys; the options
// soft key. The item contract itself (loading, messages, options, re-creation) is items.cpp.
#include "host/shell/today.h"
#include "host/device/log.h"
#include "host/shell/bars.h"
#include "host/shell/items.h"
#include "host/shell/messages.h"
#include "host/shell/screen.h"
#include "host/shell/ui.h"
#include "platform/shell_windows.h"

#define REFRESH_TIMER 1
#define REFRESH_PERIOD_MS 2000
#define BUILT_IN_NAME L"Date"
#define OWNER_KEY L"ControlPanel\\Owner"

HWND g_today;

static std::vector<std::unique_ptr<TodayItem>> g_items;
static int g_selected = -1;
static bool g_inOptions;

static HFONT g_dateFont;
static HFONT g_ownerFont;

// ---- Background

static int TodayHeight()
{
    RECT client;
    GetClientRect(g_today, &client);
    return client.bottom;
}

// A vertical gradient from deep blue at the top to a pale blue at the bottom.
static COLORREF BackgroundColour(int y, int height)
{
    static const int top[3] = { 40, 90, 170 };
    static const int bottom[3] = { 225, 235, 250 };
    if (height < 2)
        return RGB(top[0], top[1], top[2]);
    if (y < 0) y = 0;
    if (y > height - 1) y = height - 1;
    int c[3];
    for (int i = 0; i < 3; i++)
        c[i] = top[i] + (bottom[i] - top[i]) * y / (height - 1);
    return RGB(c[0], c[1], c[2]);
}

// Paints the background for rect of a DC whose origin lies yOffset pixels below the
// top of the Today window's client area.
static void PaintBackground(HDC dc, const RECT &rect, int yOffset)
{
    int height = TodayHeight();
    COLORREF oldColour = GetBkColor(dc);
    FillRows(dc, rect, [&](int y) { return BackgroundColour(y + yOffset, height); });
    SetBkColor(dc, oldColour);
}

bool TodayBackgroundAt(POINT screen, COLORREF *colour)
{
    POINT client = screen;
    ScreenToClient(g_today, &client);
    RECT area;
    GetClientRect(g_today, &area);
    if (!PtInRect(&area, client))
        return false;
    *colour = BackgroundColour(client.y, area.bottom);
    return true;
}

// ---- The built-in item: the date and the owner

static int BuiltInHeight() { return Scaled(38); }

static std::wstring OwnerName()
{
    WCHAR name[128] = L"";
    DWORD size = sizeof(name) - sizeof(WCHAR);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, OWNER_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0;
        if (RegQueryValueExW(key, L"Name", NULL, &type, (BYTE *)name, &size) != ERROR_SUCCESS || type != REG_SZ)
            name[0] = 0;
        RegCloseKey(key);
    }
    return name[0] ? name : L"Pocket PC User";
}

static void DrawBuiltIn(HDC dc, const RECT &rect, bool selected)
{
    if (selected) {
        RECT bar = rect;
        InflateRect(&bar, -Scaled(1), -Scaled(1));
        FillSolid(dc, bar, RGB(12, 36, 100));
    }
    WCHAR date[128];
    if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, NULL, NULL, date, 128))
        date[0] = 0;
    std::wstring owner = L"Owner: " + OwnerName();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ oldFont = SelectObject(dc, g_dateFont);
    TextOutW(dc, rect.left + Scaled(6), rect.top + Scaled(4), date, lstrlenW(date));
    SelectObject(dc, g_ownerFont);
    TextOutW(dc, rect.left + Scaled(6), rect.top + Scaled(20), owner.c_str(), (int)owner.size());
    SelectObject(dc, oldFont);
}

// ---- Items

static bool Selectable(int index)
{
    if (index < 0 || index >= (int)g_items.size())
        return false;
    const TodayItem &item = *g_items[index];
    return item.builtIn || (item.window && item.height > 0);
}

static TodayItem *SelectedItem()
{
    return g_selected >= 0 && g_selected < (int)g_items.size() ? g_items[g_selected].get() : NULL;
}

static void Layout()
{
    RECT client;
    GetClientRect(g_today, &client);
    int y = 0;
    for (auto &pointer : g_items) {
        TodayItem &item = *pointer;
        int height = item.builtIn ? BuiltInHeight() : item.height;
        RECT rect = { 0, y, client.right, y + height };
        bool moved = !EqualRect(&rect, &item.rect);
        item.rect = rect;
        // A moved item paints anew: its watermark must line up with the new place.
        if (!item.builtIn && item.window && moved) {
            SetWindowPos(item.window, NULL, rect.left, rect.top, rect.right - rect.left, height,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
            InvalidateRect(item.window, NULL, FALSE);
        }
        if (moved) {
            RECT screen = rect;
            MapWindowPoints(g_today, NULL, (POINT *)&screen, 2);
            HostLog(L"layout %ls %ld %ld %ld %ld", item.name.c_str(), (long)screen.left, (long)screen.top,
                    (long)screen.right, (long)screen.bottom);
        }
        y += height;
    }
    InvalidateRect(g_today, NULL, FALSE);
}

// Asks every item whether its height or content changed; a non-zero answer brings a new
// layout and a repaint.
static void QueryItems(bool first)
{
    // A height beyond a few screens is not a height: keep the item on the screen.
    DWORD limit = (DWORD)(4 * g_screen.height);
    bool changed = false;
    for (auto &pointer : g_items) {
        TodayItem &item = *pointer;
        if (!item.builtIn && item.window && QueryItem(item, first, limit))
            changed = true;
    }
    if (changed)
        Layout();
}

void LoadTodayItems()
{
    g_selected = -1;
    g_items.clear();
    auto builtIn = std::make_unique<TodayItem>();
    builtIn->name = BUILT_IN_NAME;
    builtIn->builtIn = true;
    g_items.push_back(std::move(builtIn));
    for (auto &item : ReadItemList())
        if (LoadCustomItem(*item, g_today))
            g_items.push_back(std::move(item));
    Layout();
    QueryItems(true);
    RefreshBars();
}

void UnloadTodayItems()
{
    g_selected = -1;
    for (auto &item : g_items)
        if (!item->builtIn)
            UnloadCustomItem(*item);
    g_items.clear();
}

static void RecreateItems()
{
    UnloadTodayItems();
    LoadTodayItems();
    InvalidateRect(g_today, NULL, FALSE);
}

// ---- Selection

static void RepaintBuiltIn()
{
    for (auto &item : g_items)
        if (item->builtIn)
            InvalidateRect(g_today, &item->rect, FALSE);
}

static void LogSelection()
{
    TodayItem *item = SelectedItem();
    HostLog(L"selection %ls", item ? item->name.c_str() : L"none");
}

// The item that has the selection loses it (a custom item is told so).
static void DropSelection()
{
    TodayItem *old = SelectedItem();
    if (old && !old->builtIn)
        SendItem(*old, WM_TODAYCUSTOM_LOSTSELECTION, 0);
    g_selected = -1;
}

// The selection is index's (or no item's, -1): shown, logged, and the soft keys follow it.
static void ShowSelection(int index)
{
    g_selected = index;
    RepaintBuiltIn();
    LogSelection();
    RefreshBars();
}

// A tap inside an item: it has the selection now; the one that had it loses it.
static void TakeSelection(int index)
{
    if (index == g_selected)
        return;
    DropSelection();
    ShowSelection(index);
}

// Up and down move the selection to the next item that takes it.
static void MoveSelection(int direction, UINT key)
{
    int count = (int)g_items.size();
    int start = g_selected >= 0 ? g_selected : (direction > 0 ? -1 : count);
    std::vector<int> candidates;
    for (int i = start + direction; i >= 0 && i < count; i += direction)
        if (Selectable(i))
            candidates.push_back(i);
    if (candidates.empty())
        return;
    DropSelection();
    int taken = -1;
    for (int index : candidates) {
        TodayItem &item = *g_items[index];
        // An item may refuse the selection; the host then goes on to the next one.
        if (item.builtIn || SendItem(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, key)) {
            taken = index;
            break;
        }
    }
    ShowSelection(taken);
}

bool IsTodayKey(UINT vk)
{
    return vk == VK_UP || vk == VK_DOWN || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_RETURN;
}

void TodayKey(UINT vk)
{
    TodayItem *selected = SelectedItem();
    bool arrow = vk == VK_UP || vk == VK_DOWN || vk == VK_LEFT || vk == VK_RIGHT;
    // While an item has the selection, it sees every arrow key first.
    if (selected && !selected->builtIn && arrow && SendItem(*selected, WM_TODAYCUSTOM_USERNAVIGATION, vk))
        return;
    if (vk == VK_DOWN)
        MoveSelection(1, vk);
    else if (vk == VK_UP)
        MoveSelection(-1, vk);
    else if (vk == VK_RETURN) {
        if (selected && !selected->builtIn)
            SendItem(*selected, WM_TODAYCUSTOM_ACTION, 0);
        else
            HostLog(L"action %ls: nothing to start", selected ? selected->name.c_str() : L"(no selection)");
    }
}

static int ItemOfWindow(HWND window)
{
    for (size_t i = 0; i < g_items.size(); i++) {
        HWND itemWindow = g_items[i]->window;
        if (itemWindow && window && (window == itemWindow || IsChild(itemWindow, window)))
            return (int)i;
    }
    return -1;
}

static int ItemAtClientPoint(POINT client)
{
    for (size_t i = 0; i < g_items.size(); i++)
        if (PtInRect(&g_items[i]->rect, client))
            return (int)i;
    return -1;
}

// TODAYM_TOOKSELECTION carries no sender: the item holds the pen capture when it tells
// us, else the item under the last pen position is the one.
static void OnTookSelection()
{
    int index = ItemOfWindow(GetCapture());
    if (index < 0) {
        DWORD position = GetMessagePos();
        POINT point = { (short)LOWORD(position), (short)HIWORD(position) };
        ScreenToClient(g_today, &point);
        index = ItemAtClientPoint(point);
    }
    if (index < 0) {
        HostLog(L"took selection: no item found");
        return;
    }
    HostLog(L"took selection %ls", g_items[index]->name.c_str());
    TakeSelection(index);
}

// ---- Options

static TodayItem *OptionsTarget()
{
    TodayItem *selected = SelectedItem();
    if (selected && !selected->builtIn)
        return selected;
    for (auto &item : g_items)
        if (!item->builtIn && item->options)
            return item.get();
    for (auto &item : g_items)
        if (!item->builtIn)
            return item.get();
    return NULL;
}

bool OptionsAvailable(std::wstring *itemName, std::wstring *reason)
{
    TodayItem *item = OptionsTarget();
    if (!item) {
        if (reason) *reason = L"no item has options";
        return false;
    }
    if (itemName) *itemName = item->name;
    std::wstring missing = MissingOptions(*item);
    if (reason) *reason = missing;
    return missing.empty();
}

bool InOptionsDialog() { return g_inOptions; }

// As the Today settings do: the item's options dialog, and afterwards the items are made anew.
static void OpenOptions()
{
    if (g_inOptions)
        return;
    std::wstring name, reason;
    if (!OptionsAvailable(&name, &reason)) {
        HostLog(L"options: %ls", reason.c_str());
        ShowNotice(reason);
        return;
    }
    TodayItem *item = OptionsTarget();
    HostLog(L"options %ls: opened", name.c_str());
    g_inOptions = true;
    RefreshBars();
    INT_PTR result = RunItemOptions(*item, g_today);
    g_inOptions = false;
    HostLog(L"options %ls: closed -> %ld", name.c_str(), (long)result);
    // A quit during the dialog ends the emulator; nothing is made anew then.
    MSG quit;
    if (PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE))
        return;
    RequestRecreation();
    SetForegroundWindow(g_today);
}

void DispatchHostMessage(const MSG &msg)
{
    if (ItemOfWindow(msg.hwnd) >= 0) {
        ItemCall call;
        DispatchMessageW(&msg);
    } else {
        DispatchMessageW(&msg);
    }
}

// ---- Views for the bars and the script

std::vector<ItemView> TodayItemViews()
{
    std::vector<ItemView> views;
    for (size_t i = 0; i < g_items.size(); i++) {
        const TodayItem &item = *g_items[i];
        ItemView view = { item.name, item.builtIn, (int)i == g_selected, item.window, item.rect };
        MapWindowPoints(g_today, NULL, (POINT *)&view.screenRect, 2);
        views.push_back(view);
    }
    return views;
}

bool TodayItemRect(const std::wstring &name, RECT *screenRect)
{
    for (const ItemView &view : TodayItemViews())
        if (lstrcmpiW(view.name.c_str(), name.c_str()) == 0) {
            *screenRect = view.screenRect;
            return true;
        }
    return false;
}

// ---- The window

static void PaintToday(HWND, HDC dc, const RECT &paintRect)
{
    PaintBackground(dc, paintRect, 0);
    for (size_t i = 0; i < g_items.size(); i++)
        if (g_items[i]->builtIn)
            DrawBuiltIn(dc, g_items[i]->rect, (int)i == g_selected);
}

// A tap on the built-in item selects it; the custom items take their taps themselves.
static void OnTap(POINT client)
{
    int index = ItemAtClientPoint(client);
    if (index >= 0 && g_items[index]->builtIn)
        TakeSelection(index);
}

// TODAYM_DRAWWATERMARK: the background of an item's rectangle, given in the item's
// coordinates, lined up with ours.
static BOOL DrawWatermark(const TODAYDRAWWATERMARKINFO *watermark)
{
    if (!watermark || !watermark->hdc)
        return FALSE;
    POINT origin = { 0, 0 };
    if (watermark->hwnd && IsWindow(watermark->hwnd))
        MapWindowPoints(watermark->hwnd, g_today, &origin, 1);
    PaintBackground(watermark->hdc, watermark->rc, origin.y);
    return TRUE;
}

// The Menu's Screenshot: a numbered one, and a notice that names it.
static std::wstring (*g_saveScreenshot)();

void SetTodayScreenshot(std::wstring (*save)())
{
    g_saveScreenshot = save;
}

static void SaveScreenshot()
{
    std::wstring path = g_saveScreenshot ? g_saveScreenshot() : std::wstring();
    ShowNotice(path.empty() ? L"Screenshot failed" : L"Saved " + path.substr(path.find_last_of(L'\\') + 1));
}

// The Menu's Rotate.
static void (*g_rotate)();

void SetTodayRotation(void (*rotate)())
{
    g_rotate = rotate;
}

static LRESULT CALLBACK TodayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SetTimer(hwnd, REFRESH_TIMER, REFRESH_PERIOD_MS, NULL);
        return 0;
    case WM_TIMER:
        if (wParam == REFRESH_TIMER)
            QueryItems(false);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintBuffered(hwnd, PaintToday);
        return 0;
    case WM_KEYDOWN:
        if (IsTodayKey((UINT)wParam)) {
            TodayKey((UINT)wParam);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        OnTap({ (short)LOWORD(lParam), (short)HIWORD(lParam) });
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            SetFocus(hwnd);
        RefreshBars();
        return 0;
    case TODAYM_DRAWWATERMARK:
        return DrawWatermark((const TODAYDRAWWATERMARKINFO *)lParam);
    case TODAYM_TOOKSELECTION:
        OnTookSelection();
        return 0;
    case TODAYM_GETCOLOR:
        return RGB(255, 255, 255);
    case WM_HOST_OPTIONS:
        OpenOptions();
        return 0;
    case WM_HOST_RECREATE:
        RequestRecreation(wParam, lParam);
        return 0;
    case WM_HOST_SCREENSHOT:
        SaveScreenshot();
        return 0;
    case WM_HOST_ROTATE:
        if (g_rotate)
            g_rotate();
        return 0;
    case WM_WININICHANGE:
        // As the device's Today screen: a setup DLL asks for the items anew around an
        // installation, and an item switched off goes, its library freed.
        if (wParam == SHELL_TODAY_RELOAD_ITEMS) {
            HostLog(L"today: the items reloaded on request (WM_WININICHANGE 0x%X)", (unsigned)wParam);
            RequestRecreation();
            return 0;
        }
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateTodayWindow(HINSTANCE instance)
{
    RegisterScreenClass(instance, SHELL_TODAY_CLASS, TodayProc);
    g_dateFont = CreateScreenFont(Scaled(12), true);
    g_ownerFont = CreateScreenFont(Scaled(11), false);
    int top = g_screen.taskBarHeight;
    int height = g_screen.height - g_screen.taskBarHeight - g_screen.menuBarHeight;
    g_today = CreateWindowExW(0, SHELL_TODAY_CLASS, SHELL_TODAY_TITLE, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                              top, g_screen.width, height, NULL, NULL, instance, NULL);
    SetRecreation(g_today, RecreateItems);
    return g_today;
}

void PlaceTodayWindow()
{
    SetWindowPos(g_today, NULL, 0, g_screen.taskBarHeight, g_screen.width,
                 g_screen.height - g_screen.taskBarHeight - g_screen.menuBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}
