#include "process_usage.h"

long long HeapBytesInUse()
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    long long used = 0;
    for (DWORD i = 0; i < count && i < 64; i++) {
        PROCESS_HEAP_ENTRY entry = {};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                used += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return used;
}

bool HeapsValidate()
{
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; i++)
        if (!HeapValidate(heaps[i], 0, NULL))
            return false;
    return true;
}

int GdiHandlesInUse()
{
    // The probes are kept outside the heaps: Wine holds on to a large heap block after it
    // is freed, and the next heap measure would count it. They are made and deleted through
    // gdi32's own entries, past the program's counters (gdi_count): their bookkeeping of
    // 65,000 probes, each a heap block, took over half a minute under Wine's heap checker.
    typedef HRGN (WINAPI *CreateRectRgnFunction)(int, int, int, int);
    typedef BOOL (WINAPI *DeleteObjectFunction)(HGDIOBJ);
    HMODULE gdi32 = GetModuleHandleW(L"gdi32.dll");
    CreateRectRgnFunction create = (CreateRectRgnFunction)(void *)GetProcAddress(gdi32, "CreateRectRgn");
    DeleteObjectFunction destroy = (DeleteObjectFunction)(void *)GetProcAddress(gdi32, "DeleteObject");
    if (!create || !destroy)
        return -1;
    const int limit = 1 << 17;
    HRGN *probes = (HRGN *)VirtualAlloc(NULL, limit * sizeof(HRGN), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!probes)
        return -1;
    int made = 0;
    while (made < limit && (probes[made] = create(0, 0, 1, 1)) != NULL)
        made++;
    for (int i = 0; i < made; i++)
        destroy(probes[i]);
    VirtualFree(probes, 0, MEM_RELEASE);
    return made >= limit ? -1 : limit - made;
}

static BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*(int *)count;
    return TRUE;
}

static BOOL CALLBACK CountTopLevel(HWND window, LPARAM count)
{
    ++*(int *)count;
    EnumChildWindows(window, CountChild, count);
    return TRUE;
}

int ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, (LPARAM)&count);
    return count;
}
