// The configuration: the appearance settings and the launch list as the registry keeps
// them, their defaults, and the names they are stored under. The store moves them between
// the registry of the current user and g_Config, which lives as long as the library.
#pragma once
#include <windows.h>

#define TEXT_CAPACITY 256   // code units of every text field, terminator included

// A text passed through a dialog control or a list view cell: 255 code units with the
// terminator, so at most 254 characters of a field pass the dialogs.
#define CONTROL_TEXT_CAPACITY 255

// ---- Where and under which names the registry keeps it (HKEY_CURRENT_USER)
//   Software\Tapshelf                  the eleven appearance values
//   Software\Tapshelf\FileList         no values; one subkey per launch entry
//   Software\Tapshelf\FileList\<name>  FileName, CommnadLine, Index
#define SETTINGS_KEY_PATH L"Software\\Tapshelf"
#define LIST_KEY_PATH     L"Software\\Tapshelf\\FileList"

// The Today host's registration of this item, in HKEY_LOCAL_MACHINE: written by the
// installer, read by the host, deleted by the options dialog's Uninstall.
#define TODAY_ITEM_KEY_PATH L"Software\\Microsoft\\Today\\Items\\Tapshelf"

// LIST_KEY_PATH, "\" and a name of up to 255 code units, and the terminator.
#define ENTRY_KEY_PATH_CAPACITY (26 + 1 + 255 + 1)

// The values of an entry's subkey. The command line's name is misspelt as stored.
#define VALUE_FILE_NAME    L"FileName"
#define VALUE_COMMAND_LINE L"CommnadLine"
#define VALUE_INDEX        L"Index"

// The appearance values.
#define VALUE_BACKBMPFILE      L"backbmpfile"
#define VALUE_STRETCH_BACKBMP  L"stretch_backbmp"
#define VALUE_CTRLUPDOWN       L"CtrlUpDown"
#define VALUE_ICONSIZE         L"IconSize"
#define VALUE_HMARGIN          L"HMargin"
#define VALUE_VMARGIN          L"VMargin"
#define VALUE_WINLEFTMARGIN    L"WinLeftMargin"
#define VALUE_WINTOPMARGIN     L"WinTopMargin"
#define VALUE_WINRIGHTMARGIN   L"WinRightMargin"
#define VALUE_WINBOTTOMMARGIN  L"WinBottomMargin"
#define VALUE_SHOWICONSEC      L"ShowIconSec"

// One launch list record. The name is also the name of the entry's registry subkey.
struct LaunchEntry {
    WCHAR Name[TEXT_CAPACITY];
    WCHAR FileName[TEXT_CAPACITY];
    WCHAR CommandLine[TEXT_CAPACITY];
    LONG Index;   // list position; the sort key on loading
};

// The eleven appearance values, named as they are stored.
struct DisplaySettings {
    WCHAR backbmpfile[TEXT_CAPACITY];
    LONG stretch_backbmp;
    LONG CtrlUpDown;
    LONG IconSize;
    LONG HMargin;
    LONG VMargin;
    LONG WinLeftMargin;
    LONG WinTopMargin;
    LONG WinRightMargin;
    LONG WinBottomMargin;
    LONG ShowIconSec;
};

// The numeric settings: stored name and field, in the order they are read and written
// (backbmpfile, a text, comes first).
struct NumericSetting {
    const WCHAR *name;
    LONG DisplaySettings::*field;
    BOOL followsDensity;   // a layout value in pixels: its default grows with the screen's density
};
#define NUMERIC_SETTING_COUNT 10
extern const NumericSetting kNumericSettings[NUMERIC_SETTING_COUNT];

// The settings at library load (config.cpp holds the one table of defaults).
DisplaySettings DefaultSettings(void);

struct Configuration {
    LaunchEntry *LaunchList;   // one zero-filled LocalAlloc block, or NULL
    LONG LaunchCount;
    DisplaySettings Settings;
    // The layout defaults have been made for the screen's density (the first load does it:
    // defaults x dpi / 96, so 16-pixel icons are 32 at 192 dpi and a 96-dpi screen keeps
    // the table's).
    BOOL DensityApplied;
    // Layout values still holding the default made for a density other than 96 dpi, bit i
    // for kNumericSettings[i]: nothing stored them, so they are not written and keep
    // following the screen. A load that reads a value, or the appearance dialog's Done,
    // clears its bit.
    DWORD DensityDefaults;
};

extern Configuration g_Config;

// True when index lies in 0 .. count-1 of the launch list.
inline BOOL DesignatesEntry(LONG index)
{
    return index >= 0 && index < g_Config.LaunchCount && g_Config.LaunchList != NULL;
}
