// Registry helpers of the emulator: reading and writing single values, walking the
// subkeys of a key, and applying registry data in the text of a .reg file.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// A REG_DWORD value, or fallback when there is none of that type and size.
DWORD ReadNumber(HKEY key, const wchar_t *name, DWORD fallback);
// A REG_SZ or REG_EXPAND_SZ value of up to MAX_PATH characters, or "".
std::wstring ReadText(HKEY key, const wchar_t *name);
void SetNumber(HKEY key, const wchar_t *name, DWORD value);
void SetText(HKEY key, const wchar_t *name, const std::wstring &value);
// A REG_MULTI_SZ value as its texts (none when there is no such value), and written from them.
std::vector<std::wstring> ReadTextList(HKEY key, const wchar_t *name);
void SetTextList(HKEY key, const wchar_t *name, const std::vector<std::wstring> &texts);

// Calls visit for each subkey of root\path that opens for reading, with its name and the
// open subkey (closed afterwards). False when root\path does not open.
bool ForEachSubkey(HKEY root, const wchar_t *path, const std::function<void(const wchar_t *name, HKEY key)> &visit);

// Applies the text of a .reg file (HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE keys; string
// and dword values; ';' comments) unless the first key it names exists already: data for
// a first run that leaves what is there alone. The number of keys written, -1 when the
// first key exists, -2 when the text cannot be read. Its texts: the Today item's
// registration (resources/today_item.reg, which the installer is made from too) and the
// first-run data (demo.reg).
int ApplyRegistryIfMissing(const std::string &utf8Text);
