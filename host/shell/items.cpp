// The host's side of the Today item contract (items.h).
#include "host/shell/items.h"
#include <algorithm>
#include "host/device/log.h"
#include "host/device/registry.h"
#include "host/shell/messages.h"

static HWND g_today;
static void (*g_recreate)();
static int g_itemCalls;          // item code on the stack: a message to an item, its options
static bool g_recreatePending;   // items to be made anew once that code has returned
static WPARAM g_recreations;     // how often the items were made anew

// ---- The re-entrancy guard: an item may run a modal loop (the platform's message for a
// program that does not start, its options dialog), and the screen's soft keys still work
// meanwhile: the items must not be unloaded under it.

ItemCall::ItemCall() { g_itemCalls++; }

// A request that waited goes to the Today window with the count of re-creations so far
// (and lParam 1); it is void once that count has moved on.
ItemCall::~ItemCall()
{
    if (--g_itemCalls == 0 && g_recreatePending) {
        g_recreatePending = false;
        PostMessageW(g_today, WM_HOST_RECREATE, g_recreations, 1);
    }
}

// ---- Making the items anew

void SetRecreation(HWND today, void (*recreate)())
{
    g_today = today;
    g_recreate = recreate;
}

void RequestRecreation(WPARAM wParam, LPARAM lParam)
{
    if (lParam && wParam != g_recreations)
        return;
    if (g_itemCalls > 0) {
        if (!g_recreatePending)
            HostLog(L"items: re-created once the item's call has returned");
        g_recreatePending = true;
        return;
    }
    HostLog(L"items: re-created");
    g_recreations++;
    g_recreate();
}

// ---- Messages

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

LRESULT SendItem(TodayItem &item, UINT message, WPARAM wParam)
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

bool QueryItem(TodayItem &item, bool always, DWORD limit)
{
    LRESULT result;
    {
        ItemCall call;
        result = SendMessageW(item.window, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&item.info, 0);
    }
    if (result || always)
        HostLog(L"send %ls QUERYREFRESHCACHE -> %ld, height %lu", item.name.c_str(), (long)result,
                (unsigned long)item.info.cyp);
    if (!result)
        return false;
    item.height = (int)(item.info.cyp > limit ? limit : item.info.cyp);
    InvalidateRect(item.window, NULL, FALSE);
    return true;
}

// ---- Loading and unloading

// The custom items of the registry that are switched on, in their order.
std::vector<std::unique_ptr<TodayItem>> ReadItemList()
{
    std::vector<std::unique_ptr<TodayItem>> list;
    ForEachSubkey(HKEY_LOCAL_MACHINE, TODAY_ITEMS_KEY, [&](const wchar_t *name, HKEY key) {
        auto item = std::make_unique<TodayItem>();
        item->name = name;
        DWORD type = ReadNumber(key, L"Type", (DWORD)-1);
        item->dllPath = ReadText(key, L"DLL");
        item->order = ReadNumber(key, L"Order", 0xFFFF);
        item->options = ReadNumber(key, L"Options", 0) != 0;
        item->flags = ReadNumber(key, L"Flags", 0);
        DWORD enabled = ReadNumber(key, L"Enabled", 0);
        if (type != tlitCustom || item->dllPath.empty())
            HostLog(L"item %ls: not a custom item (Type %ld), skipped", name, (long)type);
        else if (!enabled)
            HostLog(L"item %ls: disabled", name);
        else
            list.push_back(std::move(item));
    });
    std::stable_sort(list.begin(), list.end(), [](const auto &a, const auto &b) {
        if (a->order != b->order)
            return a->order < b->order;
        return lstrcmpiW(a->name.c_str(), b->name.c_str()) < 0;
    });
    return list;
}

// LoadLibrary, then the entry (ordinal 240) with a filled TODAYLISTITEM and the Today window.
bool LoadCustomItem(TodayItem &item, HWND today)
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
        item.window = initialize(&info, today);
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

void UnloadCustomItem(TodayItem &item)
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

// ---- Options

std::wstring MissingOptions(const TodayItem &item)
{
    if (!item.options)
        return item.name + L" has no options";
    if (!FindResourceW(item.dll, MAKEINTRESOURCEW(IDD_TODAY_CUSTOM), (LPCWSTR)RT_DIALOG))
        return item.name + L" has no options dialog yet";
    if (!GetProcAddress(item.dll, (LPCSTR)MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC)))
        return item.name + L" has no options procedure";
    return L"";
}

// As the Today settings do: dialog IDD_TODAY_CUSTOM of the item's library with ordinal 241
// as its procedure.
INT_PTR RunItemOptions(TodayItem &item, HWND today)
{
    DLGPROC procedure = (DLGPROC)(void *)GetProcAddress(item.dll, (LPCSTR)MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC));
    ItemCall call;
    return DialogBoxParamW(item.dll, MAKEINTRESOURCEW(IDD_TODAY_CUSTOM), today, procedure, 0);
}
