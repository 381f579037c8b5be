#include "launch_log.h"
#include "harness.h"
#include "sandbox.h"

static std::wstring g_launchLog;

void StartLaunchLog()
{
    std::wstring folder = SandboxFolder();
    g_launchLog = folder + L"\\launch.log";
    WCHAR full[MAX_PATH];
    GetFullPathNameW(g_launchLog.c_str(), MAX_PATH, full, NULL);
    g_launchLog = full;
    DeleteFileW(g_launchLog.c_str());
    SetEnvironmentVariableW(L"TAPSHELF_LAUNCH_LOG", g_launchLog.c_str());
}

std::vector<std::string> WaitForLaunches(size_t n, DWORD timeoutMs)
{
    std::vector<std::string> lines;
    DWORD start = GetTickCount();
    for (;;) {
        lines.clear();
        HANDLE file = CreateFileW(g_launchLog.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  NULL, OPEN_EXISTING, 0, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            std::string content;
            char buffer[4096];
            DWORD got;
            while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got)
                content.append(buffer, got);
            CloseHandle(file);
            size_t pos = 0, end;
            while ((end = content.find('\n', pos)) != std::string::npos) {
                lines.push_back(content.substr(pos, end - pos));
                pos = end + 1;
            }
        }
        if (lines.size() >= n || GetTickCount() - start >= timeoutMs)
            return lines;
        PumpMessages(50);
    }
}

std::string LaunchArguments(const std::string &line)
{
    size_t end = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
    if (end == std::string::npos || end >= line.size()) return "";
    std::string rest = line.substr(end);
    size_t first = rest.find_first_not_of(' ');
    return first == std::string::npos ? "" : rest.substr(first);
}
