// Test program start: the device root must be the sandbox drive, never the machine's root.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include "wince_testing.h"
#include "harness.h"

// Fails the test whose process leaves a corrupted heap behind (one test per process).
class HeapCheck : public testing::Environment {
public:
    void TearDown() override
    {
        HANDLE heaps[64];
        DWORD count = GetProcessHeaps(64, heaps);
        for (DWORD i = 0; i < count && i < 64; i++)
            EXPECT_TRUE(HeapValidate(heaps[i], 0, NULL)) << "heap " << i << " is corrupted";
    }
};

// The library's x86_64 build traps a misaligned read or write with an illegal instruction
// (the device's processor faults there): say so and end the test at once, before Wine's
// window manager can swallow the exception or its debugger can wait for an answer.
static LONG CALLBACK ReportTrap(EXCEPTION_POINTERS *e)
{
    if (e->ExceptionRecord->ExceptionCode != EXCEPTION_ILLEGAL_INSTRUCTION)
        return EXCEPTION_CONTINUE_SEARCH;
    HMODULE module = NULL;
    WCHAR name[MAX_PATH] = L"?";
    void *at = e->ExceptionRecord->ExceptionAddress;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           (LPCWSTR)at, &module))
        GetModuleFileNameW(module, name, MAX_PATH);
    fprintf(stderr, "FATAL: illegal instruction at %ls+0x%llx: a misaligned read or write, which crashes the "
                    "device\n", name, (unsigned long long)((char *)at - (char *)module));
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_CONTINUE_SEARCH;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!testing::GTEST_FLAG(list_tests) && !RequireDeviceRoot("test"))
        return 2;
    AddVectoredExceptionHandler(1, ReportTrap);
    StartPluginProcess();
    WinceSetHoldTime(150);
    testing::AddGlobalTestEnvironment(new HeapCheck);
    return RUN_ALL_TESTS();
}
