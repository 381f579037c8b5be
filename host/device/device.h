// The emulated device's storage and registry, prepared before the screen starts.
#pragma once
#include <string>

// Makes drive's root the current directory ("\") and fills it with the device's folders
// when it is a root of ours. False when the drive is not mapped.
bool PrepareDeviceRoot(const std::wstring &drive);
// The Today item under test: its key under TODAY_ITEMS_KEY.
#define TAPSHELF_ITEM_NAME L"Tapshelf"
// Lists the library as Tapshelf's Today item, with the values the installer writes on the
// device (resources/today_item.reg) but DLL naming dllPath, unless the item is listed
// already.
void RegisterTodayItem(const std::wstring &dllPath);
// Without --dll the device holds what its installer put there. An emulator of earlier days
// listed the built library as the item directly, by a path with a drive letter, which no
// device path has: such an item is dropped, so that the device starts without Tapshelf.
void DropDirectRegistration();
// The first-run registry data built into the emulator (demo.reg).
void ApplyFirstRunRegistry();
