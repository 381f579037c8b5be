// The built tapshelf.dll as the Today host sees it: exports by ordinal, resources.
#include <gtest/gtest.h>
#include <string>
#include "todaycmn.h"
#include "test_support.h"

namespace {

class Dll : public testing::Test {
protected:
    HMODULE dll = NULL;
    void SetUp() override
    {
        std::string path = TestProgramFolder() + "\\..\\bin\\tapshelf.dll";
        dll = LoadLibraryA(path.c_str());
        ASSERT_NE(nullptr, dll) << path;
    }
    void TearDown() override
    {
        if (dll)
            FreeLibrary(dll);
    }
};

TEST_F(Dll, ExportsByOrdinalOnly)
{
    EXPECT_NE(nullptr, GetProcAddress(dll, MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM)));
    EXPECT_NE(nullptr, GetProcAddress(dll, MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC)));
    EXPECT_EQ(nullptr, GetProcAddress(dll, "InitializeCustomItem"));
    EXPECT_EQ(nullptr, GetProcAddress(dll, "CustomItemOptionsDlgProc"));
}

TEST_F(Dll, CarriesTheLabelTemplateTheIconAndTheHighResolutionMarker)
{
    EXPECT_NE(nullptr, FindResourceW(dll, MAKEINTRESOURCEW(106), (LPCWSTR)RT_DIALOG));
    EXPECT_NE(nullptr, LoadIconW(dll, MAKEINTRESOURCEW(102)));
    HRSRC marker = FindResourceW(dll, L"HI_RES_AWARE", L"CEUX");
    ASSERT_NE(nullptr, marker);
    ASSERT_EQ(2u, SizeofResource(dll, marker));
    EXPECT_EQ(1, *(const WORD *)LockResource(LoadResource(dll, marker)));
}

TEST_F(Dll, DisabledItemAnswersNoWindow)
{
    PFNCUSTOMINITIALIZEITEM initialize =
        (PFNCUSTOMINITIALIZEITEM)GetProcAddress(dll, MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM));
    ASSERT_NE(nullptr, initialize);
    TODAYLISTITEM item = {};
    item.hinstDLL = dll;
    item.fEnabled = FALSE;
    EXPECT_EQ(nullptr, initialize(&item, GetDesktopWindow()));
}

}  // namespace
