// The load notification: the module remembered, the dialogs' controls registered, always
// accepted.
#include "today/initialize_item.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    return HandleLoadNotification(module, reason);
}
