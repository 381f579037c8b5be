// The device's installer, as the emulator's stand-in: it takes a CAB as File Explorer hands
// it over, and removes an installed package as Settings > System > Remove Programs does.
//
// Installing: the cabinet is taken apart with the system's cabinet functions and its
// instruction file (.000) read; a CAB for another processor or system version, or one that
// is damaged, is refused before anything changes. Then, in the device's order: the setup
// DLL (file 999) is kept in \Windows\AppMgr and its Install_Init called, the files go into
// the device's folders and the values into the registry, Install_Exit is called with the
// counts of what failed, and the package is recorded under HKLM\Software\Apps with what it
// made. Removing: Uninstall_Init, the recorded files and values deleted, Uninstall_Exit.
//
// As on the device, a library loaded in the emulator (the Today screen's items) can be
// neither replaced nor deleted: that file is counted as failed, and left as it is.
#pragma once
#include <windows.h>
#include <string>

// The CAB the emulator installs unless told another: set from the command line.
extern std::wstring g_packageCab;

// Installs the CAB at path (a Windows path). True when the package is installed; *message
// says what came of it, for the screen and the log, either way.
bool InstallCab(const std::wstring &path, HWND parent, std::wstring *message);
// Removes the installed package of that application name. True when it was installed.
bool RemovePackage(const std::wstring &application, HWND parent, std::wstring *message);
// Whether a package of that application name is installed.
bool PackageInstalled(const std::wstring &application);
