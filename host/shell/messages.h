// Private messages of the Today window, posted by the bars, the script and the item
// contract (a re-creation that waited).
#pragma once
#include <windows.h>

#define WM_HOST_OPTIONS    (WM_APP + 1)   // open the options of the selected item
#define WM_HOST_RECREATE   (WM_APP + 2)   // unload and load all items again
                                          // (items.h: RequestRecreation)
#define WM_HOST_SCREENSHOT (WM_APP + 3)   // save a numbered screenshot into the output folder
#define WM_HOST_ROTATE     (WM_APP + 4)   // turn the screen between portrait and landscape
