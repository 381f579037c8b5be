// A Today item of the tests' own. It keeps the host contract as any item does and writes
// what the host asks of it to the file named by TAPSHELF_E2E_ITEM_LOG, one line per
// event, so that the tests can check the emulator's side of the contract on its own.
// Its behaviour comes from values of its item key: TestHeight (first height),
// TestHeight2 (the height it reports at the second query), TestRefuse (non-zero: it
// refuses the selection), TestNavigate (its answer to the navigation keys).
#include <windows.h>
#include <stdio.h>
#include "todaycmn.h"
#include "aygshell.h"

#define ITEM_CLASS L"E2ETestItem"

struct ItemState {
    WCHAR name[MAX_ITEMNAME];
    DWORD height;
    DWORD height2;
    DWORD refuse;
    DWORD navigate;
    int queries;
};

static HINSTANCE g_module;

static void ItemLog(const char *format, ...)
{
    char path[MAX_PATH], line[512];
    if (!GetEnvironmentVariableA("TAPSHELF_E2E_ITEM_LOG", path, MAX_PATH))
        return;
    va_list args;
    va_start(args, format);
    int length = _vsnprintf(line, sizeof(line) - 2, format, args);
    va_end(args);
    if (length < 0)
        return;
    line[length++] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, line, (DWORD)length, &written, NULL);
    CloseHandle(file);
}

static DWORD ItemValue(const WCHAR *item, const WCHAR *name, DWORD fallback)
{
    WCHAR path[300];
    wsprintfW(path, L"%s\\%s", TODAY_ITEMS_KEY, item);
    DWORD value = fallback, type = 0, size = sizeof(value);
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return fallback;
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)&value, &size) != ERROR_SUCCESS || type != REG_DWORD)
        value = fallback;
    RegCloseKey(key);
    return value;
}

static LRESULT CALLBACK ItemProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ItemState *s = (ItemState *)GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    if (!s)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE: {
        TODAYLISTITEM *item = (TODAYLISTITEM *)wParam;
        s->queries++;
        DWORD height = s->queries == 1 ? s->height : (s->queries == 2 && s->height2 ? s->height2 : 0);
        ItemLog("%ls query %d height %lu", s->name, s->queries, (unsigned long)height);
        if (!height || !item)
            return 0;
        item->cyp = height;
        return 1;
    }
    case WM_TODAYCUSTOM_RECEIVEDSELECTION:
        ItemLog("%ls received %u -> %d", s->name, (unsigned)wParam, s->refuse ? 0 : 1);
        return s->refuse ? 0 : 1;
    case WM_TODAYCUSTOM_LOSTSELECTION:
        ItemLog("%ls lost", s->name);
        return 1;
    case WM_TODAYCUSTOM_USERNAVIGATION:
        ItemLog("%ls navigate %u -> %lu", s->name, (unsigned)wParam, (unsigned long)s->navigate);
        return s->navigate;
    case WM_TODAYCUSTOM_ACTION:
        ItemLog("%ls action", s->name);
        return 1;
    case WM_TODAYCUSTOM_CLEARCACHE:
        ItemLog("%ls clearcache", s->name);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        TODAYDRAWWATERMARKINFO watermark;
        watermark.hdc = dc;
        GetClientRect(hwnd, &watermark.rc);
        watermark.hwnd = hwnd;
        SendMessageW(GetParent(hwnd), TODAYM_DRAWWATERMARK, 0, (LPARAM)&watermark);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
        SetCapture(hwnd);
        ItemLog("%ls pen down", s->name);
        SendMessageW(GetParent(hwnd), TODAYM_TOOKSELECTION, 0, 0);
        return 0;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return 0;
    case WM_DESTROY:
        ItemLog("%ls destroy", s->name);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        HeapFree(GetProcessHeap(), 0, s);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

extern "C" HWND InitializeCustomItem(TODAYLISTITEM *item, HWND parent)
{
    if (!item || !item->fEnabled)
        return NULL;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ItemProc;
    wc.hInstance = g_module;
    wc.lpszClassName = ITEM_CLASS;
    RegisterClassW(&wc);
    ItemState *s = (ItemState *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ItemState));
    lstrcpynW(s->name, item->szName, MAX_ITEMNAME);
    s->height = ItemValue(s->name, L"TestHeight", 20);
    s->height2 = ItemValue(s->name, L"TestHeight2", 0);
    s->refuse = ItemValue(s->name, L"TestRefuse", 0);
    s->navigate = ItemValue(s->name, L"TestNavigate", 0);
    HWND window = CreateWindowExW(0, ITEM_CLASS, s->name, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, NULL, g_module,
                                  NULL);
    if (!window) {
        HeapFree(GetProcessHeap(), 0, s);
        return NULL;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)s);
    ItemLog("%ls init order %lu options %d", s->name, (unsigned long)item->dwOrder, item->fOptions);
    return window;
}

extern "C" BOOL CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        SHINITDLGINFO info = { SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN };
        SHInitDialog(&info);
        ItemLog("options init");
        return TRUE;
    }
    case WM_SETTINGCHANGE:
        ItemLog("options settingchange 0x%x", (unsigned)wParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ItemLog("options %s", LOWORD(wParam) == IDOK ? "ok" : "cancel");
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    g_module = module;
    if (reason == DLL_PROCESS_DETACH)
        ItemLog("detach");
    return TRUE;
}
