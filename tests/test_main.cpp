// Test program start: the device root must be the sandbox drive, never the machine's root.
#include <gtest/gtest.h>
#include <windows.h>
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

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!testing::GTEST_FLAG(list_tests) && !RequireDeviceRoot("test"))
        return 2;
    StartPluginProcess();
    WinceSetHoldTime(150);
    testing::AddGlobalTestEnvironment(new HeapCheck);
    return RUN_ALL_TESTS();
}
