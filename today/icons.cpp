#include "today/icons.h"
#include <shellapi.h>
#include "resources/resource.h"

HIMAGELIST SystemImageList(BOOL smallIcons)
{
    SHFILEINFOW info;
    info.hIcon = NULL;
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_ICON | (smallIcons ? SHGFI_SMALLICON : 0);
    HIMAGELIST list = (HIMAGELIST)SHGetFileInfo(L"", 0, &info, sizeof(info), flags);
    // The lookup with SHGFI_ICON hands out an icon that nobody uses.
    if (info.hIcon)
        DestroyIcon(info.hIcon);
    return list;
}

BOOL BuildIconImageList(const LaunchEntry *entries, LONG count, LONG iconSize)
{
    int largeSize = GetSystemMetrics(SM_CXICON);
    int smallSize = GetSystemMetrics(SM_CXSMICON);
    int average = (largeSize + smallSize) / 2;

    if (g_Item.IconImageList) {
        ImageList_Destroy(g_Item.IconImageList);
        g_Item.IconImageList = NULL;
    }
    BOOL useSmall = iconSize < average;

    HIMAGELIST systemList = SystemImageList(useSmall);
    if (!systemList)
        return 0;

    int cx = useSmall ? smallSize : largeSize;
    int initial = count > 0 ? (int)count : 0;
    g_Item.IconImageList = ImageList_Create(cx, cx, ILC_MASK, initial, initial);
    for (LONG i = 0; i < count; i++)
        AddEntryIcon(g_Item.IconImageList, systemList, entries[i].FileName);
    return 1;
}

// An image that shows nothing (its mask all transparent), for an entry no icon could be had
// for: it keeps every later entry on its own image.
static void AppendBlankImage(HIMAGELIST target)
{
    int cx = 0, cy = 0;
    if (!ImageList_GetIconSize(target, &cx, &cy))
        return;
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP image = CreateBitmap(cx, cy, 1, 1, NULL);
    HBITMAP mask = CreateBitmap(cx, cy, 1, 1, NULL);
    HGDIOBJ old = SelectObject(dc, image);
    PatBlt(dc, 0, 0, cx, cy, BLACKNESS);
    SelectObject(dc, mask);
    PatBlt(dc, 0, 0, cx, cy, WHITENESS);
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_Add(target, image, mask);
    DeleteObject(image);
    DeleteObject(mask);
}

void AddEntryIcon(HIMAGELIST target, HIMAGELIST systemList, const WCHAR *path)
{
    WCHAR buffer[TEXT_CAPACITY];
    wcsncpy(buffer, path, TEXT_CAPACITY - 1);
    buffer[TEXT_CAPACITY - 1] = 0;
    if (wcscmp(buffer, L"\\") == 0)
        wcscpy(buffer, L"\\windows");

    HICON icon = NULL;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(buffer, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        SHFILEINFOW info;
        info.iIcon = 0;
        if (SHGetFileInfo(buffer, 0, &info, sizeof(info), SHGFI_SYSICONINDEX))
            icon = ImageList_GetIcon(systemList, info.iIcon, ILD_NORMAL);
    }
    // The device's LoadIcon gives only an image of the system's icon size: resource 102 holds
    // one for each size a device has, and where none comes all the same the entry still
    // takes its one image, a blank one.
    if (!icon)
        icon = LoadIconW(g_Item.ModuleHandle, MAKEINTRESOURCEW(IDI_TAPSHELF));
    if (!icon || ImageList_ReplaceIcon(target, -1, icon) == -1)
        AppendBlankImage(target);
    if (icon)
        DestroyIcon(icon);
}
