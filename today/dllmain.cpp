// The load notification: remember the module, always accept.
#include "today/item_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID)
{
    g_Item.ModuleHandle = module;
    return TRUE;
}
