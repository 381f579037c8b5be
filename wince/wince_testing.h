// Knobs of the platform stand-ins for tests and the emulator. Not part of any device SDK.
#pragma once
#include <windows.h>
#include "aygshell.h"
#include "platform/shell_windows.h"

#ifdef __cplusplus
extern "C" {
#endif

// How long the pen must stay down for SHRecognizeGesture to report a hold (ms).
// The default is the device's; tests shorten it.
void WinceSetHoldTime(DWORD ms);
DWORD WinceGetHoldTime(void);

// While set, the product's SHGetFileInfo calls fail (answer 0), as when the shell has no
// system image list to give.
void WinceFailShellLookups(BOOL fail);

// Number of SHSipPreference calls asking for the panel up (SIP_UP) and down, and the last state asked.
typedef struct {
    LONG upCalls;
    LONG downCalls;
    SIPSTATE lastState;
} WinceSipLog;
const WinceSipLog *WinceGetSipLog(void);

// Takes the common controls' classes (list view, header, ...) away from this process, as
// a device process starts without them: from now on a class exists only once the
// product's InitCommonControlsEx has asked for it. Call it once comctl32 may be loaded, at
// the start of a test program, the emulator or the device run's host; again to take away
// what was asked for since.
void WinceRequireControlRegistration(void);


#ifdef __cplusplus
}
#endif
