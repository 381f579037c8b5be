// The load notification of the bridges: built without a C runtime, they have nothing to set up.
#include <windows.h>

extern "C" BOOL WINAPI BridgeEntry(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

// mingw-w64's headers make InterlockedIncrement a GCC atomic, which GCC 4.4 leaves to a
// library function on ARM. wince/ counts the input panel's requests with it; every call
// comes on the Today host's one thread.
extern "C" unsigned int __sync_add_and_fetch_4(volatile void *value, unsigned int add)
{
    return *(volatile unsigned int *)value += add;
}
