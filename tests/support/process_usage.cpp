#include "process_usage.h"
#include <vector>

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
    const int limit = 1 << 17;
    std::vector<HRGN> probes;
    probes.reserve(70000);
    HRGN region;
    while ((int)probes.size() < limit && (region = CreateRectRgn(0, 0, 1, 1)) != NULL)
        probes.push_back(region);
    int made = (int)probes.size();
    for (HRGN r : probes)
        DeleteObject(r);
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
