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
    // is freed, and the next heap measure would count it.
    const int limit = 1 << 17;
    HRGN *probes = (HRGN *)VirtualAlloc(NULL, limit * sizeof(HRGN), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!probes)
        return -1;
    int made = 0;
    while (made < limit && (probes[made] = CreateRectRgn(0, 0, 1, 1)) != NULL)
        made++;
    for (int i = 0; i < made; i++)
        DeleteObject(probes[i]);
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
