// A cabinet's files taken out with the system's own cabinet functions (cabinet.dll, FDI),
// into memory: the installer looks at all of them before anything reaches the device.
#pragma once
#include <string>
#include <vector>

struct CabinetFile {
    std::string name;    // as stored: 8.3, the number of the file as its extension
    std::string bytes;
};

// The largest cabinet, and the most its files may hold in all, that the emulated device takes.
#define CABINET_MAX_BYTES (16u << 20)
#define CABINET_MAX_FILES 256

// The files of the cabinet in `bytes`, in the cabinet's order. False, with the reason in
// *error, when it is no cabinet, is damaged or cut short, spans several cabinets, or
// unpacks to more than CABINET_MAX_BYTES or CABINET_MAX_FILES.
bool ExtractCabinet(const std::string &bytes, std::vector<CabinetFile> *files, std::wstring *error);
