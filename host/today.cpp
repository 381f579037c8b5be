// The Today window: the built-in date item and the custom items listed in the registry,
// stacked from the top; the watermark; the selection and the navigation keys; the options
// dialog of an item.
#include "host.h"
#include "todaycmn.h"
#include "shell_windows.h"
#include <algorithm>
#include <memory>

#define REFRESH_TIMER 1
#define REFRESH_PERIOD_MS 2000
#define BUILT_IN_NAME L"Date"
#define OWNER_KEY L"ControlPanel\\Owner"

HWND g_today;

struct TodayItem {
    std::wstring name;
    bool builtIn = false;
    std::wstring dllPath;
    DWORD order = 0;
    BOOL options = FALSE;
    DWORD flags = 0;
    HMODULE dll = NULL;
    HWND window = NULL;
    TODAYLISTITEM info = {};   // handed to the item by pointer: the object must not move
    int height = 0;
    RECT rect = {};            // Today client coordinates
};

static std::vector<std::unique_ptr<TodayItem>> g_items;
static int g_selected = -1;
static bool g_inOptions;
static int g_itemCalls;          // item code on the stack: a message to an item, its options
static bool g_recreatePending;   // items to be made anew once that code has returned
static WPARAM g_recreations;     // how often the items were made anew

// Marks item code on the stack while it runs. An item may run a modal loop (the
// platform's message for a program that does not start, its options dialog), and the
// screen's soft keys still work meanwhile: the items must not be unloaded under it.
struct ItemCall {
    ItemCall() { g_itemCalls++; }
    ~ItemCall()
    {
        if (--g_itemCalls == 0 && g_recreatePending) {
            g_recreatePending = false;
            PostMessageW(g_today, WM_HOST_RECREATE, g_recreations, 1);
        }
    }
};
static HFONT g_dateFont;
static HFONT g_ownerFont;

static int Scaled(int pixels) { return pixels * g_screen.scale; }

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
    for (int y = rect.top; y < rect.bottom; y++) {
        RECT row = { rect.left, y, rect.right, y + 1 };
        SetBkColor(dc, BackgroundColour(y + yOffset, height));
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &row, NULL, 0, NULL);
    }
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
        SetBkColor(dc, RGB(12, 36, 100));
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bar, NULL, 0, NULL);
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

static const wchar_t *MessageName(UINT message)
{
    switch (message) {
    case WM_TODAYCUSTOM_CLEARCACHE: return L"CLEARCACHE";
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE: return L"QUERYREFRESHCACHE";
    case WM_TODAYCUSTOM_RECEIVEDSELECTION: return L"RECEIVEDSELECTION";
    case WM_TODAYCUSTOM_LOSTSELECTION: return L"LOSTSELECTION";
    case WM_TODAYCUSTOM_USERNAVIGATION: return L"USERNAVIGATION";
    case WM_TODAYCUSTOM_ACTION: return L"ACTION";
    default: return L"?";
    }
}

static LRESULT SendItem(TodayItem &item, UINT message, WPARAM wParam)
{
    if (!item.window || !IsWindow(item.window))
        return 0;
    LRESULT result;
    {
        ItemCall call;
        result = SendMessageW(item.window, message, wParam, 0);
    }
    HostLog(L"send %ls %ls %u -> %ld", item.name.c_str(), MessageName(message), (unsigned)wParam, (long)result);
    // An item draws its selected state but leaves the repaint to the host.
    if (message == WM_TODAYCUSTOM_RECEIVEDSELECTION || message == WM_TODAYCUSTOM_LOSTSELECTION)
        InvalidateRect(item.window, NULL, FALSE);
    return result;
}

static DWORD ReadNumber(HKEY key, const wchar_t *name, DWORD fallback)
{
    DWORD value = 0, type = 0, size = sizeof(value);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)&value, &size) == ERROR_SUCCESS && type == REG_DWORD
        && size == sizeof(value))
        return value;
    return fallback;
}

static std::wstring ReadText(HKEY key, const wchar_t *name)
{
    WCHAR text[MAX_PATH + 1];
    DWORD type = 0, size = sizeof(text) - sizeof(WCHAR);
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"";
    text[size / sizeof(WCHAR)] = 0;
    return text;
}

// The custom items of the registry that are switched on, in their order.
static std::vector<std::unique_ptr<TodayItem>> ReadItemList()
{
    std::vector<std::unique_ptr<TodayItem>> list;
    HKEY items;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TODAY_ITEMS_KEY, 0, KEY_READ, &items) != ERROR_SUCCESS)
        return list;
    WCHAR name[256];
    for (DWORD i = 0;; i++) {
        DWORD length = 256;
        if (RegEnumKeyExW(items, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        HKEY key;
        if (RegOpenKeyExW(items, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        auto item = std::make_unique<TodayItem>();
        item->name = name;
        DWORD type = ReadNumber(key, L"Type", (DWORD)-1);
        item->dllPath = ReadText(key, L"DLL");
        item->order = ReadNumber(key, L"Order", 0xFFFF);
        item->options = ReadNumber(key, L"Options", 0) != 0;
        item->flags = ReadNumber(key, L"Flags", 0);
        DWORD enabled = ReadNumber(key, L"Enabled", 0);
        RegCloseKey(key);
        if (type != tlitCustom || item->dllPath.empty())
            HostLog(L"item %ls: not a custom item (Type %ld), skipped", name, (long)type);
        else if (!enabled)
            HostLog(L"item %ls: disabled", name);
        else
            list.push_back(std::move(item));
    }
    RegCloseKey(items);
    std::stable_sort(list.begin(), list.end(), [](const auto &a, const auto &b) {
        if (a->order != b->order)
            return a->order < b->order;
        return lstrcmpiW(a->name.c_str(), b->name.c_str()) < 0;
    });
    return list;
}

// LoadLibrary, then the entry (ordinal 240) with a filled TODAYLISTITEM and the Today window.
static bool LoadCustomItem(TodayItem &item)
{
    item.dll = LoadLibraryW(item.dllPath.c_str());
    if (!item.dll) {
        HostLog(L"item %ls: cannot load %ls (error %lu)", item.name.c_str(), item.dllPath.c_str(),
                (unsigned long)GetLastError());
        return false;
    }
    PFNCUSTOMINITIALIZEITEM initialize =
        (PFNCUSTOMINITIALIZEITEM)(void *)GetProcAddress(item.dll, (LPCSTR)MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM));
    if (!initialize) {
        HostLog(L"item %ls: no export ordinal %d", item.name.c_str(), ORDINAL_INITIALIZEITEM);
        FreeLibrary(item.dll);
        item.dll = NULL;
        return false;
    }
    TODAYLISTITEM &info = item.info;
    ZeroMemory(&info, sizeof(info));
    lstrcpynW(info.szName, item.name.c_str(), MAX_ITEMNAME);
    info.tlit = tlitCustom;
    info.dwOrder = item.order;
    info.fEnabled = TRUE;
    info.fOptions = item.options;
    info.grflags = item.flags;
    lstrcpynW(info.szDLLPath, item.dllPath.c_str(), MAX_PATH);
    info.hinstDLL = item.dll;
    {
        ItemCall call;
        item.window = initialize(&info, g_today);
    }
    info.hwndCustom = item.window;
    if (!item.window || !IsWindow(item.window)) {
        HostLog(L"item %ls: the entry made no window", item.name.c_str());
        item.window = NULL;
        FreeLibrary(item.dll);
        item.dll = NULL;
        return false;
    }
    bool hiRes = FindResourceW(item.dll, L"HI_RES_AWARE", L"CEUX") != NULL;
    HostLog(L"item %ls: loaded %ls, window %p%ls", item.name.c_str(), item.dllPath.c_str(), (void *)item.window,
            hiRes ? L", high-resolution aware" : L"");
    return true;
}

static void UnloadCustomItem(TodayItem &item)
{
    if (item.window && IsWindow(item.window)) {
        LRESULT cleared = SendMessageW(item.window, WM_TODAYCUSTOM_CLEARCACHE, (WPARAM)&item.info, 0);
        DestroyWindow(item.window);
        HostLog(L"unload %ls: CLEARCACHE -> %ld, window destroyed", item.name.c_str(), (long)cleared);
    }
    item.window = NULL;
    if (item.dll) {
        FreeLibrary(item.dll);
        HostLog(L"unload %ls: library freed", item.name.c_str());
    }
    item.dll = NULL;
}

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
    bool changed = false;
    for (auto &pointer : g_items) {
        TodayItem &item = *pointer;
        if (item.builtIn || !item.window)
            continue;
        LRESULT result;
        {
            ItemCall call;
            result = SendMessageW(item.window, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&item.info, 0);
        }
        if (result || first)
            HostLog(L"send %ls QUERYREFRESHCACHE -> %ld, height %lu", item.name.c_str(), (long)result,
                    (unsigned long)item.info.cyp);
        if (result) {
            // A height beyond a few screens is not a height: keep the item on the screen.
            DWORD limit = (DWORD)(4 * g_screen.height);
            item.height = (int)(item.info.cyp > limit ? limit : item.info.cyp);
            InvalidateRect(item.window, NULL, FALSE);
            changed = true;
        }
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
        if (LoadCustomItem(*item))
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
    if (g_itemCalls > 0) {
        if (!g_recreatePending)
            HostLog(L"items: re-created once the item's call has returned");
        g_recreatePending = true;
        return;
    }
    HostLog(L"items: re-created");
    g_recreations++;
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

// A tap inside an item: it has the selection now; the one that had it loses it.
static void TakeSelection(int index)
{
    if (index == g_selected)
        return;
    TodayItem *old = SelectedItem();
    if (old && !old->builtIn)
        SendItem(*old, WM_TODAYCUSTOM_LOSTSELECTION, 0);
    g_selected = index;
    RepaintBuiltIn();
    LogSelection();
    RefreshBars();
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
    TodayItem *old = SelectedItem();
    if (old && !old->builtIn)
        SendItem(*old, WM_TODAYCUSTOM_LOSTSELECTION, 0);
    g_selected = -1;
    for (int index : candidates) {
        TodayItem &item = *g_items[index];
        // An item may refuse the selection; the host then goes on to the next one.
        if (item.builtIn || SendItem(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, key)) {
            g_selected = index;
            break;
        }
    }
    RepaintBuiltIn();
    LogSelection();
    RefreshBars();
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
    if (!item->options) {
        if (reason) *reason = item->name + L" has no options";
        return false;
    }
    if (!FindResourceW(item->dll, MAKEINTRESOURCEW(IDD_TODAY_CUSTOM), (LPCWSTR)RT_DIALOG)) {
        if (reason) *reason = item->name + L" has no options dialog yet";
        return false;
    }
    if (!GetProcAddress(item->dll, (LPCSTR)MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC))) {
        if (reason) *reason = item->name + L" has no options procedure";
        return false;
    }
    return true;
}

bool InOptionsDialog() { return g_inOptions; }

// As the Today settings do: dialog 500 of the item's library with ordinal 241 as its
// procedure, and afterwards the items are made anew.
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
    DLGPROC procedure = (DLGPROC)(void *)GetProcAddress(item->dll, (LPCSTR)MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC));
    HostLog(L"options %ls: opened", name.c_str());
    g_inOptions = true;
    RefreshBars();
    INT_PTR result;
    {
        ItemCall call;
        result = DialogBoxParamW(item->dll, MAKEINTRESOURCEW(IDD_TODAY_CUSTOM), g_today, procedure, 0);
    }
    g_inOptions = false;
    HostLog(L"options %ls: closed -> %ld", name.c_str(), (long)result);
    // A quit during the dialog ends the emulator; nothing is made anew then.
    MSG quit;
    if (PeekMessageW(&quit, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE))
        return;
    RecreateItems();
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
    case WM_LBUTTONDOWN: {
        POINT point = { (short)LOWORD(lParam), (short)HIWORD(lParam) };
        int index = ItemAtClientPoint(point);
        if (index >= 0 && g_items[index]->builtIn)
            TakeSelection(index);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            SetFocus(hwnd);
        RefreshBars();
        return 0;
    case TODAYM_DRAWWATERMARK: {
        TODAYDRAWWATERMARKINFO *watermark = (TODAYDRAWWATERMARKINFO *)lParam;
        if (!watermark || !watermark->hdc)
            return FALSE;
        // The rectangle is in the item's coordinates; the background lines up with ours.
        POINT origin = { 0, 0 };
        if (watermark->hwnd && IsWindow(watermark->hwnd))
            MapWindowPoints(watermark->hwnd, hwnd, &origin, 1);
        PaintBackground(watermark->hdc, watermark->rc, origin.y);
        return TRUE;
    }
    case TODAYM_TOOKSELECTION:
        OnTookSelection();
        return 0;
    case TODAYM_GETCOLOR:
        return RGB(255, 255, 255);
    case WM_HOST_OPTIONS:
        OpenOptions();
        return 0;
    case WM_HOST_RECREATE:
        // A deferred request is void when the items were made anew since (after options).
        if (!lParam || wParam == g_recreations)
            RecreateItems();
        return 0;
    case WM_HOST_SCREENSHOT: {
        std::wstring path = SaveNumberedScreenshot();
        ShowNotice(path.empty() ? L"Screenshot failed" : L"Saved " + path.substr(path.find_last_of(L'\\') + 1));
        return 0;
    }
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateTodayWindow(HINSTANCE instance)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TodayProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    wc.lpszClassName = SHELL_TODAY_CLASS;
    RegisterClassW(&wc);
    g_dateFont = CreateFontW(-Scaled(12), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                             L"Tahoma");
    g_ownerFont = CreateFontW(-Scaled(11), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                              L"Tahoma");
    int top = g_screen.taskBarHeight;
    int height = g_screen.height - g_screen.taskBarHeight - g_screen.menuBarHeight;
    g_today = CreateWindowExW(0, SHELL_TODAY_CLASS, SHELL_TODAY_TITLE, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, top,
                              g_screen.width, height, NULL, NULL, instance, NULL);
    return g_today;
}
