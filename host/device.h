// The emulated device's storage and registry, prepared before the screen starts.
#pragma once
#include <string>

// Makes drive's root the current directory ("\") and fills it with the device's folders
// when it is a root of ours. False when the drive is not mapped.
bool PrepareDeviceRoot(const std::wstring &drive);
// Documents open in a program, as on the device.
void EnsureDocumentAssociation();
// Lists the library as the Today item `name` (Type custom, enabled, with options).
void RegisterTodayItem(const std::wstring &name, const std::wstring &dllPath);
// The first-run registry data built into the emulator (demo.reg).
void ApplyFirstRunRegistry();
