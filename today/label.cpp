#include "today/label.h"
#include "today/item_state.h"
#include "dialogs/own_dialog.h"
#include "resources/resource.h"
#include "platform/shell_windows.h"

void CreateNameLabel(void)
{
    HWND owner = FindWindowW(SHELL_TASKBAR_CLASS, NULL);
    g_Item.NameLabel = CreateOwnDialog(g_Item.ModuleHandle, IDD_NAME_LABEL, owner, NameLabelProc, 0);
}

void DestroyNameLabel(void)
{
    if (g_Item.NameLabel)
        DestroyWindow(g_Item.NameLabel);
    g_Item.NameLabel = NULL;
}

void HideNameLabel(void)
{
    if (g_Item.NameLabel)
        ShowWindow(g_Item.NameLabel, SW_HIDE);
}

void ShowNameLabel(HWND itemWindow, LONG anchorX, LONG anchorY)
{
    HWND label = g_Item.NameLabel;
    if (!label || !DesignatesEntry(g_Item.HighlightedEntry))
        return;
    SendMessageW(label, WM_SETTEXT, 0, (LPARAM)g_Config.LaunchList[g_Item.HighlightedEntry].Name);

    RECT item, own;
    GetWindowRect(itemWindow, &item);
    GetWindowRect(label, &own);
    LONG width = own.right - own.left;
    LONG height = own.bottom - own.top;
    LONG x = item.left + anchorX - width - 2;
    if (x < 0)
        x = 0;
    LONG y = item.top + anchorY - height - 2;
    if (y < 0)
        y = item.bottom;
    SetWindowPos(label, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// Copies and measures a new text and takes its size, hidden.
static void OnLabelText(HWND hwnd, const WCHAR *text)
{
    if (!text)
        return;
    wcsncpy(g_Item.LabelText, text, TEXT_CAPACITY - 1);
    g_Item.LabelText[TEXT_CAPACITY - 1] = 0;
    SIZE size = { 0, 0 };
    HDC dc = GetDC(hwnd);
    GetTextExtentExPointW(dc, g_Item.LabelText, (int)wcslen(g_Item.LabelText), 0, NULL, NULL, &size);
    ReleaseDC(hwnd, dc);
    SetWindowPos(hwnd, NULL, 0, 0, size.cx + 6, size.cy + 6,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

static void OnLabelPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    // Black on white, whatever the dialog's background handling left in this context.
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    ExtTextOutW(dc, 2, 2, ETO_OPAQUE, NULL, g_Item.LabelText, (UINT)wcslen(g_Item.LabelText), NULL);
    EndPaint(hwnd, &ps);
}

INT_PTR CALLBACK NameLabelProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_SETTEXT:
        OnLabelText(hwnd, (const WCHAR *)lParam);
        return TRUE;
    case WM_PAINT:
        OnLabelPaint(hwnd);
        return TRUE;
    case WM_INITDIALOG:
        return TRUE;
    case WM_LBUTTONDOWN:
        ShowWindow(hwnd, SW_HIDE);
        return TRUE;
    }
    return FALSE;
}
