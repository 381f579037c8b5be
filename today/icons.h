// The icons: the shell's system image list, which the options dialog's rows and the file
// chooser draw from as well, and the item's icon image list, one icon per launch entry at a
// system icon size.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "today/item_state.h"

// The shell's system image list of large or small icons, which every file's and folder's
// icon index refers to. It is the shell's: the library never destroys it. NULL when the
// shell has none.
HIMAGELIST SystemImageList(BOOL smallIcons);

// Rebuilds g_Item.IconImageList for the entries. 0 when the system image list is not
// available (no list exists afterwards).
BOOL BuildIconImageList(const LaunchEntry *entries, LONG count, LONG iconSize);

// Appends the icon for path to target: the shell's icon of the file or folder, the
// icon of "\windows" for the root "\", the default icon for anything missing.
void AddEntryIcon(HIMAGELIST target, HIMAGELIST systemList, const WCHAR *path);
