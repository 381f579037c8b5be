// Windows paths of the emulator's own files (screenshots, logs).
#pragma once
#include <string>

// folder "\" name; an absolute name stands as it is.
std::wstring JoinPath(const std::wstring &folder, const std::wstring &name);
// Makes the folder and any missing parents; true when it exists afterwards.
bool CreateFolderTree(const std::wstring &path);
