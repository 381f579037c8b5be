// The Today item contract, the host's side: a custom item library listed in the registry,
// loaded and started by export ordinal 240 with a TODAYLISTITEM, sent the item messages,
// asked for its height, shown its options (dialog IDD_TODAY_CUSTOM with ordinal 241 as its
// procedure) and unloaded. Item code may run modal loops: the re-entrancy guard keeps the
// items loaded while any of it is on the stack, and re-creation waits for it.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>
#include "todaycmn.h"

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

// The custom items of the registry that are switched on, in their order.
std::vector<std::unique_ptr<TodayItem>> ReadItemList();
// LoadLibrary, then the entry (ordinal 240) with a filled TODAYLISTITEM and the Today window.
bool LoadCustomItem(TodayItem &item, HWND today);
void UnloadCustomItem(TodayItem &item);

// Sends an item message, logged; the item's window repaints after a selection change.
LRESULT SendItem(TodayItem &item, UINT message, WPARAM wParam);
// Asks whether the item's height or content changed; a new height is taken (kept within
// limit) and the item repaints. Logged when it changed or when `always`.
bool QueryItem(TodayItem &item, bool always, DWORD limit);

// Why the item's options cannot open (it has none, no dialog or no procedure), or "".
std::wstring MissingOptions(const TodayItem &item);
// Runs the item's options dialog, owned by the Today window; its result.
INT_PTR RunItemOptions(TodayItem &item, HWND today);

// ---- The re-entrancy guard

// Marks item code on the stack while it runs: a message to an item, its options.
struct ItemCall {
    ItemCall();
    ~ItemCall();
};

// ---- Making the items anew

// The Today window: it makes the items anew with `recreate`, and hands each WM_HOST_RECREATE
// it gets, with its parameters, to RequestRecreation.
void SetRecreation(HWND today, void (*recreate)());
// Makes the items anew: at once, or, while item code is on the stack, once it has returned.
// A request that has to wait is posted to the Today window as WM_HOST_RECREATE with the
// count of re-creations so far (wParam, and lParam 1), and is dropped when the items have
// been made anew before it comes back. Other requests (the host's own, and the ones the
// bars and the script post) carry 0, 0.
void RequestRecreation(WPARAM wParam = 0, LPARAM lParam = 0);
