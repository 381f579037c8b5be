#include "host/device/paths.h"
#include <windows.h>

std::wstring JoinPath(const std::wstring &folder, const std::wstring &name)
{
    if (name.size() >= 2 && (name[1] == L':' || (name[0] == L'\\' && name[1] == L'\\')))
        return name;
    if (folder.empty())
        return name;
    if (folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

bool CreateFolderTree(const std::wstring &path)
{
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2)
        CreateFolderTree(path.substr(0, slash));
    return CreateDirectoryW(path.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}
