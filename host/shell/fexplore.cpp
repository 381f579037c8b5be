// fexplore.exe: the device's File Explorer as a small stand-in. It shows the folder named
// on its command line (the whole command line after the program, as the device passes
// it) below the task bar; a tap opens a folder or starts a file, "Up" goes to the parent.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <algorithm>
#include <string>
#include <vector>
#include "host/shell/rotation.h"
#include "host/shell/screen.h"
#include "host/shell/ui.h"
#include "platform/shell_windows.h"

#define EXPLORER_CLASS L"TapshelfFileExplorer"
#define LIST_ID 100

struct FileRow {
    std::wstring name;
    bool folder;
    ULONGLONG size;
};

static HWND g_window;
static HWND g_list;
static std::wstring g_folder;
static std::vector<FileRow> g_rows;
static HFONT g_boldFont;
static HFONT g_font;

static int HeaderHeight() { return Scaled(20); }
static int BarHeight() { return Scaled(26); }

static std::wstring Child(const std::wstring &folder, const std::wstring &name)
{
    return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

static std::wstring Parent(const std::wstring &folder)
{
    size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos || folder == L"\\")
        return folder;
    if (slash == 0)
        return L"\\";
    if (slash == 2 && folder[1] == L':')
        return folder.substr(0, 3);
    return folder.substr(0, slash);
}

// The folder: everything after the program name, with surrounding quotes dropped.
static std::wstring ArgumentFolder()
{
    const wchar_t *p = GetCommandLineW();
    if (*p == L'"') {
        for (p++; *p && *p != L'"'; p++) {}
        if (*p) p++;
    } else {
        while (*p && *p != L' ' && *p != L'\t') p++;
    }
    while (*p == L' ' || *p == L'\t') p++;
    std::wstring folder = p;
    while (!folder.empty() && (folder.back() == L' ' || folder.back() == L'\t'))
        folder.pop_back();
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
        folder = folder.substr(1, folder.size() - 2);
    if (folder.empty())
        folder = GetFileAttributesW(L"\\My Documents") != INVALID_FILE_ATTRIBUTES ? L"\\My Documents" : L"\\";
    while (folder.size() > 1 && folder.back() == L'\\' && !(folder.size() == 3 && folder[1] == L':'))
        folder.pop_back();
    return folder;
}

static std::wstring SizeText(ULONGLONG size)
{
    wchar_t text[32];
    if (size < 1024)
        wsprintfW(text, L"%uB", (unsigned)size);
    else if (size < 1024 * 1024)
        wsprintfW(text, L"%uK", (unsigned)((size + 1023) / 1024));
    else
        wsprintfW(text, L"%uM", (unsigned)((size + 1024 * 1024 - 1) / (1024 * 1024)));
    return text;
}

static int IconOf(const std::wstring &path)
{
    WCHAR full[MAX_PATH];
    if (!GetFullPathNameW(path.c_str(), MAX_PATH, full, NULL))
        return 0;
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(full, 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        return 0;
    return info.iIcon;
}

static void Fill()
{
    g_rows.clear();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Child(g_folder, L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] == L'.' || (found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
                continue;
            FileRow row = { found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                            ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow };
            g_rows.push_back(row);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(g_rows.begin(), g_rows.end(), [](const FileRow &a, const FileRow &b) {
        if (a.folder != b.folder)
            return a.folder;
        return lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0;
    });
    SendMessageW(g_list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(g_list);
    for (size_t i = 0; i < g_rows.size(); i++) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = (int)i;
        item.pszText = (LPWSTR)g_rows[i].name.c_str();
        item.iImage = IconOf(Child(g_folder, g_rows[i].name));
        item.lParam = (LPARAM)i;
        int index = (int)SendMessageW(g_list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        if (!g_rows[i].folder) {
            std::wstring size = SizeText(g_rows[i].size);
            LVITEMW sub = {};
            sub.iSubItem = 1;
            sub.pszText = (LPWSTR)size.c_str();
            SendMessageW(g_list, LVM_SETITEMTEXTW, index, (LPARAM)&sub);
        }
    }
    SendMessageW(g_list, WM_SETREDRAW, TRUE, 0);
    RECT header = { 0, 0, 10000, HeaderHeight() };
    InvalidateRect(g_window, &header, FALSE);
}

static void Open(int index)
{
    if (index < 0 || index >= (int)g_rows.size())
        return;
    std::wstring path = Child(g_folder, g_rows[index].name);
    if (g_rows[index].folder) {
        g_folder = path;
        Fill();
        return;
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}

static void Paint(HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    RECT header = { 0, 0, client.right, HeaderHeight() };
    FillSolid(dc, header, RGB(230, 236, 248));
    RECT line = { 0, header.bottom - 1, client.right, header.bottom };
    FillSolid(dc, line, RGB(150, 165, 200));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(20, 40, 90));
    HGDIOBJ oldFont = SelectObject(dc, g_boldFont);
    RECT text = header;
    text.left += Scaled(4);
    std::wstring shown = g_folder == L"\\" ? L"\\ (device root)" : g_folder;
    DrawTextW(dc, shown.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_PATH_ELLIPSIS);
    RECT bar = { 0, client.bottom - BarHeight(), client.right, client.bottom };
    FillSolid(dc, bar, RGB(24, 46, 100));
    SetTextColor(dc, RGB(255, 255, 255));
    RECT left = bar, right = bar;
    left.right = right.left = client.right / 2;
    DrawTextW(dc, L"Up", -1, &left, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    DrawTextW(dc, L"Close", -1, &right, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &paint);
}

// The screen turned: below the task bar, down to the bottom of the screen, as before.
static void FitToScreen(HWND hwnd)
{
    InitDeviceScreen();
    int top = 0;
    HWND taskBar = FindWindowW(SHELL_TASKBAR_CLASS, NULL);
    RECT bar;
    if (taskBar && GetWindowRect(taskBar, &bar))
        top = bar.bottom;
    SetWindowPos(hwnd, NULL, 0, top, g_screen.width, g_screen.height - top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, NULL, TRUE);
}

static LRESULT CALLBACK ExplorerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETTINGCHANGE:
        if (wParam == SETTINGCHANGE_RESET)
            FitToScreen(hwnd);
        return 0;
    case WM_SIZE: {
        int width = LOWORD(lParam), height = HIWORD(lParam);
        MoveWindow(g_list, 0, HeaderHeight(), width, height - HeaderHeight() - BarHeight(), TRUE);
        ListView_SetColumnWidth(g_list, 0, width - Scaled(64));
        ListView_SetColumnWidth(g_list, 1, Scaled(44));
        return 0;
    }
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_LBUTTONUP: {
        RECT client;
        GetClientRect(hwnd, &client);
        int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
        if (y >= client.bottom - BarHeight()) {
            if (x < client.right / 2) {
                g_folder = Parent(g_folder);
                Fill();
            } else {
                DestroyWindow(hwnd);
            }
        }
        return 0;
    }
    case WM_NOTIFY: {
        NMHDR *header = (NMHDR *)lParam;
        if (header->idFrom == LIST_ID && (header->code == NM_CLICK || header->code == LVN_ITEMACTIVATE)) {
            // A tap opens, as on the device.
            int index = ((NMITEMACTIVATE *)lParam)->iItem;
            if (index >= 0) {
                LVITEMW item = {};
                item.mask = LVIF_PARAM;
                item.iItem = index;
                SendMessageW(g_list, LVM_GETITEMW, 0, (LPARAM)&item);
                PostMessageW(hwnd, WM_APP, (WPARAM)item.lParam, 0);
            }
        }
        return 0;
    }
    case WM_APP:
        Open((int)wParam);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_LISTVIEW_CLASSES };
    InitCommonControlsEx(&controls);
    g_folder = ArgumentFolder();
    InitDeviceScreen();
    int width = g_screen.width, height = g_screen.height;
    g_boldFont = CreateScreenFont(Scaled(12), true);
    g_font = CreateScreenFont(Scaled(11), false);

    // Below the task bar, down to the bottom of the screen.
    int top = 0;
    HWND taskBar = FindWindowW(SHELL_TASKBAR_CLASS, NULL);
    RECT bar;
    if (taskBar && GetWindowRect(taskBar, &bar))
        top = bar.bottom;

    RegisterScreenClass(instance, EXPLORER_CLASS, ExplorerProc, (HBRUSH)GetStockObject(WHITE_BRUSH));
    g_window = CreateWindowExW(0, EXPLORER_CLASS, L"File Explorer", WS_POPUP | WS_CLIPCHILDREN, 0, top, width,
                               height - top, NULL, NULL, instance, NULL);
    g_list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER,
                             0, 0, 10, 10, g_window, (HMENU)LIST_ID, instance, NULL);
    if (!g_window || !g_list)
        return 1;
    SendMessageW(g_list, WM_SETFONT, (WPARAM)g_font, FALSE);
    SHFILEINFOW info = {};
    HIMAGELIST system = (HIMAGELIST)SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info),
                                                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (system)
        ListView_SetImageList(g_list, system, LVSIL_SMALL);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = (LPWSTR)L"Name";
    column.cx = width - Scaled(64);
    SendMessageW(g_list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
    column.pszText = (LPWSTR)L"Size";
    column.fmt = LVCFMT_RIGHT;
    column.cx = Scaled(44);
    SendMessageW(g_list, LVM_INSERTCOLUMNW, 1, (LPARAM)&column);
    RECT client;
    GetClientRect(g_window, &client);
    SendMessageW(g_window, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    Fill();
    ShowWindow(g_window, show == SW_HIDE ? SW_SHOWNORMAL : show);
    SetForegroundWindow(g_window);

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
