// What the whole process holds, for tests that run code they cannot count from the inside
// (a separately loaded tapshelf.dll): heap bytes, GDI handles and the thread's windows.
#pragma once
#include <windows.h>

// Bytes in use in all of the process's heaps (the C runtime's among them).
long long HeapBytesInUse();
// False when a heap of the process does not validate.
bool HeapsValidate();
// GDI handles in use in the process, by probing: regions are made until the handle table
// is full, then deleted again. Only differences between two probes mean anything (the
// table's size cancels out); -1 when the table never filled.
int GdiHandlesInUse();
// Windows of the calling thread: its top-level windows and all of their descendants.
int ThreadWindowCount();
