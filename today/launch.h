// Starting an entry: a program, a document in its program, a folder in File Explorer.
#pragma once
#include <windows.h>

// Starts a program or document with its command line; folders open in "fexplore.exe".
void LaunchFile(const WCHAR *path, const WCHAR *commandLine);
