// The `probe` step: what the screen shows, written to the event log for the tests to read.
#pragma once
#include <string>
#include "host/tour/script_step.h"

// The probe named what (label, pixel, at, dialog, items, taskbar, sip) and whether X Y
// [ITEM] follow its name; NULL for a name no probe has.
StepRunner FindProbe(const std::wstring &what, bool *takesPoint);
