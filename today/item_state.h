// The Today item's own state: the library's module, the window's resources and the
// selection. One per process, as long as the library lives; the configuration it shows
// is the store's (store/config.h).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "store/config.h"

struct ItemState {
    HINSTANCE ModuleHandle;
    LONG FirstRefreshPending;
    LONG ReportedScreenWidth;  // the screen width the last reported height was walked at
    HBITMAP BackgroundBitmap;
    HIMAGELIST IconImageList;
    LONG HighlightedEntry;     // -1 = none
    LONG FocusedEntry;
    HWND NameLabel;
    WCHAR LabelText[TEXT_CAPACITY];
};

// The state at library load: no selection, the focus on the first entry.
ItemState InitialItemState(void);

extern ItemState g_Item;
