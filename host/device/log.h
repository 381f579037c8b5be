// The emulator's event log: one UTF-8 line per event, when --log names a file. The tests
// read it to see the host's side of the Today item contract.
#pragma once
#include <string>

// Before any other call of this file.
void InitHostLog();
void OpenHostLog(const std::wstring &path);
void HostLog(const wchar_t *format, ...);
// A script or start-up error: logged and written to stderr.
void HostError(const wchar_t *format, ...);
