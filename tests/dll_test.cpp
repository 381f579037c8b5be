// The built tapshelf.dll as the Today host sees it: exports by ordinal, resources.
#include <gtest/gtest.h>
#include <string>
#include "todaycmn.h"
#include <commctrl.h>
#include "resources/resource.h"
#include "process_usage.h"
#include "sandbox.h"
#include "dialog_script.h"
#include "wince_testing.h"

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
    EXPECT_NE(nullptr, FindResourceW(dll, MAKEINTRESOURCEW(IDD_NAME_LABEL), (LPCWSTR)RT_DIALOG));
    EXPECT_NE(nullptr, LoadIconW(dll, MAKEINTRESOURCEW(IDI_TAPSHELF)));
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

// The emulator loads the library anew on every refresh and after the options dialog: a
// load and unload must hand back all that the load took (no C++ runtime pools left behind).
TEST_F(Dll, LoadingAndUnloadingLeavesNoMemoryBehind)
{
    std::string path = TestProgramFolder() + "\\..\\bin\\tapshelf.dll";
    auto cycles = [&](int n) {
        for (int i = 0; i < n; i++) {
            HMODULE again = LoadLibraryA(path.c_str());
            ASSERT_NE(nullptr, again);
            FreeLibrary(again);
        }
    };
    FreeLibrary(dll);   // each cycle below loads and unloads the library whole
    dll = NULL;
    cycles(20);
    long long before = HeapBytesInUse();
    cycles(300);
    long long grown = HeapBytesInUse() - before;
    // 300 cycles of the 75 KB a leaking load left would be over 20 MB.
    EXPECT_LT(grown, 2 * 1024 * 1024) << grown << " bytes more after 300 loads and unloads";
}

// A device process has no list view until it registers one, and the settings host creates
// the options dialog from the library's template with ordinal 241 before any of the
// library's code but its load notification has run: loading the library must register what
// the dialog holds.
TEST_F(Dll, OptionsDialogOpensInAProcessThatRegisteredNoControls)
{
    std::string path = TestProgramFolder() + "\\..\\bin\\tapshelf.dll";
    FreeLibrary(dll);
    WinceRequireControlRegistration();
    HWND early = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    EXPECT_EQ(nullptr, early) << "a list view before anything registered it";
    if (early)
        DestroyWindow(early);
    dll = LoadLibraryA(path.c_str());
    ASSERT_NE(nullptr, dll);
    DLGPROC procedure = (DLGPROC)GetProcAddress(dll, MAKEINTRESOURCEA(ORDINAL_OPTIONSDIALOGPROC));
    ASSERT_NE(nullptr, procedure);
    WCHAR listClass[32] = L"";
    DialogScript script;
    script.Do([&](HWND d) { GetClassNameW(GetDlgItem(d, IDC_OPTIONS_LIST), listClass, 32); });
    INT_PTR result = script.Run(
        [&] { return DialogBoxParamW(dll, MAKEINTRESOURCEW(IDD_OPTIONS), NULL, procedure, 0); });
    EXPECT_NE(-1, result) << "dialog 500 did not open";
    EXPECT_STREQ(L"SysListView32", listClass);
}

}  // namespace
