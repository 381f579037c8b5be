// The instruction file of a Pocket PC CAB (the file numbered 000, signature "MSCE"), read as
// the device's installer reads it: the application, the processor and system versions it
// is for, the files to put into the device's folders and the registry values to write.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct InstallFile {
    WORD number;           // the file's number in the cabinet
    std::wstring folder;   // a device path: \Windows, \Program Files\...
    std::wstring name;
    DWORD flags;           // INSTALL_FILE_...
};

struct InstallValue {
    HKEY root;
    std::wstring rootName;   // HKLM, HKCU, ...
    std::wstring key;
    std::wstring name;       // empty for the key's default value
    DWORD type;              // REG_DWORD, REG_SZ, REG_MULTI_SZ, REG_BINARY
    std::string data;        // as RegSetValueEx takes it (texts in UTF-16)
    bool keepExisting;
};

struct Instructions {
    DWORD processor;                  // 0: any
    DWORD minMajor, minMinor, maxMajor, maxMinor, minBuild, maxBuild;   // 0: no limit
    std::wstring application, provider;
    std::vector<std::wstring> unsupported;   // platforms it refuses
    std::vector<InstallFile> files;
    std::vector<InstallValue> values;
};

// FILES flags.
#define INSTALL_FILE_NEVER_OVERWRITE 0x00000010
#define INSTALL_FILE_KEEP_NEWER      0x20000000
#define INSTALL_FILE_OVERWRITE       0x40000000

// The registry root of its short name (HKLM, HKCU, HKCR, HKU), or NULL.
HKEY RegistryRootNamed(const std::wstring &name);

// Reads the instruction file in data[0, size). False, with the reason in *error, unless
// every part of it lies inside, every text is zero-terminated ASCII, every id it uses is
// defined, and every folder and file name, and the application's and the provider's names,
// stay inside the device's folders.
bool ReadInstructions(const BYTE *data, size_t size, Instructions *out, std::wstring *error);
