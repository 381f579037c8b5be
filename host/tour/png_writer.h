// PNG files made by the platform's imaging component (WIC): the emulator's screenshots, and
// the pictures the test kit keeps of what a test saw.
#pragma once
#include <windows.h>
#include <string>

// Writes width x height pixels to path as PNG: rows from the top, 24-bit BGR, stride bytes
// apart. On failure *error (when given) says at which stage it failed.
bool WritePng(const std::wstring &path, int width, int height, const BYTE *rows, UINT stride, std::wstring *error);
