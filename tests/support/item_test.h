// The fixture of tests that make the item: the stand-in Today window, and a registry and
// item state as at library load before each test.
#pragma once
#include <gtest/gtest.h>
#include "harness.h"
#include "today_standin.h"

class ItemTest : public testing::Test {
protected:
    TestToday today;
    HWND item = NULL;

    void SetUp() override
    {
        ResetRegistry();
        ResetItemState();
    }
    void TearDown() override
    {
        DestroyItem();
        ResetRegistry();
    }
    void DestroyItem()
    {
        if (item) DestroyWindow(item);
        item = today.itemWindow = NULL;
    }
};
