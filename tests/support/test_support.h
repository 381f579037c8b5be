// Shared helpers of the tests: registry set-up, the sandboxed device folders, a stand-in
// Today window, message pumping and the launch log.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "todaycmn.h"

// Colour the test Today window paints as its watermark.
#define WATERMARK_COLOUR RGB(0x12, 0x34, 0x56)

// Registry
void ResetRegistry();
void WriteEntryKey(const std::wstring &name, const std::wstring &file, const std::wstring &commandLine,
                   LONG index);
void WriteSettingNumber(const wchar_t *name, DWORD value);
void WriteSettingString(const wchar_t *name, const std::wstring &value);
void WriteRawValue(const std::wstring &keyPath, const wchar_t *name, DWORD type, const void *data,
                   DWORD size);
bool KeyExists(const std::wstring &path);
DWORD SubkeyCount(const std::wstring &path);

// A fresh folder under the device root for the running test, as "\tests\<suite>.<name>".
std::wstring SandboxFolder();
void WriteFileText(const std::wstring &path, const std::string &content);

// Runs the thread's message loop for about ms milliseconds.
void PumpMessages(DWORD ms);

// The stand-in Today window: a top-level window that paints WATERMARK_COLOUR for
// TODAYM_DRAWWATERMARK and counts TODAYM_TOOKSELECTION.
struct TestToday {
    HWND window = NULL;
    TODAYLISTITEM item = {};
    HWND itemWindow = NULL;
    int tookSelection = 0;
    int watermarkRequests = 0;

    TestToday();
    ~TestToday();
    // Entry call, first height query, placement at (0, top) with the screen's width.
    HWND CreateItem(int top = 30);
    // Waits for the icon timer to build the image list.
    void WaitForIcons(DWORD timeoutMs = 3000);
};

// Launch log: SetUp gives each test its own log file (TAPSHELF_LAUNCH_LOG, inherited by
// the started programs); WaitForLaunches returns its lines once n are there or time is up.
void StartLaunchLog();
std::vector<std::string> WaitForLaunches(size_t n, DWORD timeoutMs = 5000);
std::string TestProgramFolder();   // Windows path of the folder holding the test program

std::string Narrow(const std::wstring &text);
