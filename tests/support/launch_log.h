// The launch log: the recorder program appends its command line to the file named by
// TAPSHELF_LAUNCH_LOG, which started programs inherit.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Gives the running test its own log file (in its sandbox folder).
void StartLaunchLog();
// The log's lines once n are there or time is up.
std::vector<std::string> WaitForLaunches(size_t n, DWORD timeoutMs = 5000);
// The command line a log line carries after its program (the program quoted or not).
std::string LaunchArguments(const std::string &line);
