// The background bitmap file, checked before the platform loads it.
#pragma once
#include <windows.h>

// TRUE when the file at path is a .bmp whose headers agree with the file's real size:
// every header, the colour table and all rows of pixels lie inside the file. The
// platform's loader trusts the headers and reads past the end of a file that lies.
BOOL IsWholeBitmapFile(const WCHAR *path);
