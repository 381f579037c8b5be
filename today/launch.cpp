#include "today/launch.h"
#include <shellapi.h>
#include "today/item_state.h"
#include "platform/shell_windows.h"

void LaunchFile(const WCHAR *path, const WCHAR *commandLine)
{
    const WCHAR *program = path;
    const WCHAR *parameters = commandLine;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        program = SHELL_FILE_EXPLORER;
        parameters = path;
    }
    if (wcscmp(program, L"\\") == 0) {
        program = SHELL_FILE_EXPLORER;
        parameters = L"\\";
    }

    SHELLEXECUTEINFOW info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.lpFile = program;
    info.lpParameters = parameters[0] ? parameters : NULL;
    info.nShow = SW_SHOWNORMAL;
    info.hInstApp = g_Item.ModuleHandle;
    ShellExecuteEx(&info);
}
