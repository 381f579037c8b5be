#include "host/device/log.h"
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

static HANDLE g_logFile = INVALID_HANDLE_VALUE;
static CRITICAL_SECTION g_logLock;

void InitHostLog()
{
    InitializeCriticalSection(&g_logLock);
}

void OpenHostLog(const std::wstring &path)
{
    g_logFile = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, 0, NULL);
}

static void WriteLogLine(const wchar_t *text, bool toStderr)
{
    char utf8[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8) - 2, NULL, NULL);
    if (length <= 0)
        return;
    utf8[length - 1] = '\n';
    EnterCriticalSection(&g_logLock);
    if (g_logFile != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(g_logFile, utf8, (DWORD)length, &written, NULL);
    }
    if (toStderr) {
        fwrite("todayhost: ", 1, 11, stderr);
        fwrite(utf8, 1, (size_t)length, stderr);
        fflush(stderr);
    }
    LeaveCriticalSection(&g_logLock);
}

void HostLog(const wchar_t *format, ...)
{
    wchar_t line[2048];
    va_list args;
    va_start(args, format);
    _vsnwprintf(line, 2047, format, args);
    va_end(args);
    line[2047] = 0;
    WriteLogLine(line, false);
}

void HostError(const wchar_t *format, ...)
{
    wchar_t line[2048] = L"error: ";
    va_list args;
    va_start(args, format);
    _vsnwprintf(line + 7, 2040, format, args);
    va_end(args);
    line[2047] = 0;
    WriteLogLine(line, true);
}
