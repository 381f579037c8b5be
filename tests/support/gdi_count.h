// Counting the GDI objects the program makes and deletes. Linking this file into a
// program puts counters on its GDI calls before main: only the tests that ask link it.
#pragma once
#include <windows.h>

// GDI objects (DCs, bitmaps, brushes, regions, ...) that this program (the product linked
// in) has made and not yet deleted. -1 when the counters could not be set up.
int GdiObjectCount();
