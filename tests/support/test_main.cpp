// Test program start: the device root must be the sandbox drive, never the machine's root.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include "today/item_state.h"
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
    if (!testing::GTEST_FLAG(list_tests)) {
        if (!EnterDeviceRoot()) {
            fprintf(stderr, "The sandbox drive T: (with .tapshelf-device) is missing: run the tests "
                            "through 'make test'.\n");
            return 2;
        }
    }
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_LISTVIEW_CLASSES };
    InitCommonControlsEx(&icc);
    g_Item.ModuleHandle = GetModuleHandleW(NULL);
    WinceSetHoldTime(150);
    testing::AddGlobalTestEnvironment(new HeapCheck);
    return RUN_ALL_TESTS();
}
