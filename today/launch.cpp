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
    // hInstApp is the shell's answer, not part of the request: the shell reads nothing from
    // it and writes its result code there (above 32 for a start, SE_ERR_FNF or SE_ERR_NOASSOC
    // for a failure; the desktop stand-in in wince/ does the same). The module handle put in
    // on the way in is overwritten unread, and the answer is not read on the way out either:
    // a failed start has already shown the shell's own message.
    info.hInstApp = g_Item.ModuleHandle;
    ShellExecuteEx(&info);
}
