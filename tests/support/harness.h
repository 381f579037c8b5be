// Set-up shared by the tests and the benchmarks: the device root, the plug-in's registry
// keys, files and the message loop. Set-up that cannot be made stops the program.
#pragma once
#include <windows.h>
#include <string>

// Makes the sandbox drive T: (the device root "\\") the current directory. False when T:
// is not the sandbox that the test and bench scripts prepare.
bool EnterDeviceRoot();
// EnterDeviceRoot, or a message that the program runs only through `make <target>`.
bool RequireDeviceRoot(const char *makeTarget);

// The process as a device's: no common control's class until the plug-in registers its own,
// as its load notification does here, with the program itself as the plug-in's module (it
// carries the plug-in's resources).
void StartPluginProcess();

// Registry of the current user
void ResetRegistry();   // removes "Software\\Tapshelf" and everything below it
void WriteEntryKey(const std::wstring &name, const std::wstring &file, const std::wstring &commandLine,
                   LONG index);
void WriteSettingNumber(const wchar_t *name, DWORD value);
void WriteSettingString(const wchar_t *name, const std::wstring &value);
void WriteRawValue(const std::wstring &keyPath, const wchar_t *name, DWORD type, const void *data,
                   DWORD size);
bool KeyExists(const std::wstring &path, HKEY root = HKEY_CURRENT_USER);
DWORD SubkeyCount(const std::wstring &path);

void WriteFileText(const std::wstring &path, const std::string &content);

// Turns the device's screen to width x height, as a Pocket PC's turns between portrait and
// landscape. Wine's desktop takes the sizes of its modes and the size it was made with; false
// for another. Best done on a desktop of the test's own (PassesOnScreen): the others' stays.
bool SetScreenSize(int width, int height);

// A Pocket PC's screen: its size in pixels and its density in dots per inch.
struct DeviceScreen {
    int width, height, dpi;
};
// The screen this process runs on.
DeviceScreen CurrentScreen();
// Runs the running test once more, in a process of its own on `screen`: a Wine desktop of
// its own of that size (Wine reads a desktop's size when it makes it), the process started
// at that density (Wine reads LogPixels when a process starts). Answers whether the test
// passed there; what that process shows is named after the screen.
bool PassesOnScreen(const DeviceScreen &screen);
// True in a process PassesOnScreen started: the test does its work there.
bool IsScreenRun();

// Runs the thread's message loop for about ms milliseconds (0: what is queued now).
void PumpMessages(DWORD ms);
