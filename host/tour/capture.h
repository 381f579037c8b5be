// Screenshots of the whole device screen as PNG files.
#pragma once
#include <string>

// Where numbered screenshots go (Windows path, no trailing backslash).
extern std::wstring g_outDir;

bool SaveScreenPng(const std::wstring &path, std::wstring *error);
// Saves shot-NNN.png into g_outDir; returns the path or an empty string.
std::wstring SaveNumberedScreenshot();
