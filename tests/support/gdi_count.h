// Counting the GDI objects the program makes and deletes. Linking this file into a
// program puts counters on its GDI calls before main: only the tests that ask link it.
#pragma once
#include <windows.h>

// GDI objects (DCs, bitmaps, brushes, regions, ...) that this program (the product linked
// in) has made and not yet deleted. -1 when the counters could not be set up.
int GdiObjectCount();

// GDI objects made since the program started, deleted or not.
long GdiObjectsMade();
// The area in pixels of the largest bitmap made since the last call (compatible bitmaps,
// the off-screen and scratch pictures of painting), then starts again from 0.
long long TakeLargestBitmapArea();
