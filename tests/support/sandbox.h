// The running test's own places: its folder under the device root, and the test program's.
#pragma once
#include <windows.h>
#include <string>

// A fresh folder under the device root for the running test, as "\tests\<suite>.<name>".
std::wstring SandboxFolder();
std::string TestProgramFolder();   // Windows path of the folder holding the test program

std::string Narrow(const std::wstring &text);
