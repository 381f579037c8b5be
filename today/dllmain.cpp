// The load notification: remember the module, always accept.
#include "store/plugin_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID)
{
    g_State.ModuleHandle = module;
    return TRUE;
}
