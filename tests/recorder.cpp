// Appends its own command line (one line, UTF-8) to the file named by TAPSHELF_LAUNCH_LOG.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    WCHAR logPath[MAX_PATH];
    if (!GetEnvironmentVariableW(L"TAPSHELF_LAUNCH_LOG", logPath, MAX_PATH))
        return 1;
    const WCHAR *line = GetCommandLineW();
    char utf8[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8) - 2, NULL, NULL);
    if (length <= 0)
        return 1;
    utf8[length - 1] = '\n';
    for (int attempt = 0; attempt < 100; attempt++) {
        HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, 0, NULL, OPEN_ALWAYS, 0, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(file, utf8, (DWORD)length, &written, NULL);
            CloseHandle(file);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}
