// The process-wide state of the plug-in, shared by the Today item and the options dialogs
// when both run in one process. Every field lives as long as the library.
#pragma once
#include <windows.h>
#include <commctrl.h>

#define TEXT_CAPACITY 256   // code units of every text field, terminator included

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

struct PluginState {
    // Configuration (loaded and saved by the store)
    LaunchEntry *LaunchList;   // one zero-filled LocalAlloc block, or NULL
    LONG LaunchCount;
    DisplaySettings Settings;

    // Today item
    HINSTANCE ModuleHandle;
    LONG FirstRefreshPending;
    HBITMAP BackgroundBitmap;
    HIMAGELIST IconImageList;
    LONG HighlightedEntry;     // -1 = none
    LONG FocusedEntry;
    HWND NameLabel;
    WCHAR LabelText[TEXT_CAPACITY];
};

extern PluginState g_State;


// True when index lies in 0 .. count-1 of the launch list.
inline BOOL DesignatesEntry(LONG index)
{
    return index >= 0 && index < g_State.LaunchCount && g_State.LaunchList != NULL;
}
