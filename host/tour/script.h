// Scripted mode: steps from a text file run against the live screen (steps.cpp lists them).
#pragma once
#include <string>

bool LoadScript(const std::wstring &path, std::wstring *error);
void StartScript(bool stayOpen);
