// Starting entries through the shell, with real processes: the recorder program appends
// its command line to the test's log, as an entry's target and as "fexplore.exe".
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <string>
#include "today/item_state.h"
#include "today/launch.h"
#include "harness.h"
#include "launch_log.h"
#include "sandbox.h"
#include "today_standin.h"

namespace {

std::wstring Wide(const std::string &text) { return std::wstring(text.begin(), text.end()); }

// A recorder line split into its program and the rest of its command line.
struct Started {
    std::string program;
    std::string arguments;
};

Started Split(const std::string &line)
{
    Started s;
    size_t end = line[0] == '"' ? line.find('"', 1) + 1 : line.find(' ');
    if (end == std::string::npos) end = line.size();
    s.program = line.substr(0, end);
    std::string rest = line.substr(end);
    size_t first = rest.find_first_not_of(' ');
    size_t last = rest.find_last_not_of(' ');
    s.arguments = first == std::string::npos ? "" : rest.substr(first, last - first + 1);
    return s;
}

bool EndsWith(const std::string &text, const std::string &tail)
{
    std::string t = text;
    if (!t.empty() && t.back() == '"') t.pop_back();
    return t.size() >= tail.size() && _stricmp(t.c_str() + t.size() - tail.size(), tail.c_str()) == 0;
}

void SetDefaultValue(const std::wstring &keyPath, const std::wstring &value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                                             NULL, &key, NULL));
    RegSetValueExW(key, NULL, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)(value.size() + 1) * 2);
    RegCloseKey(key);
}

// Message boxes the shell shows for a failed start: counted and closed at once.
int g_boxes;
HHOOK g_hook;
LRESULT CALLBACK CloseBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *call = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_INITDIALOG) {
        g_boxes++;
        PostMessageW(call->hwnd, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

class Launch : public testing::Test {
protected:
    TestToday today;
    HWND item = NULL;
    std::wstring folder;
    std::string recorder = TestProgramFolder() + "\\recorder.exe";

    void SetUp() override
    {
        ResetRegistry();
        ResetItemState();
        StartLaunchLog();
        const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
        folder = L"\\tests\\" + Wide(std::string(info->test_suite_name()) + "." + info->name());
    }
    void TearDown() override
    {
        if (g_hook) UnhookWindowsHookEx(g_hook);
        g_hook = NULL;
        if (item) DestroyWindow(item);
        today.itemWindow = NULL;
        ResetRegistry();
    }
    void CreateItem(const std::vector<std::pair<std::wstring, std::wstring>> &entries)
    {
        for (size_t i = 0; i < entries.size(); i++)
            WriteEntryKey(L"Entry " + std::to_wstring(i), entries[i].first, entries[i].second, (LONG)i);
        item = today.CreateItem();
        ASSERT_NE(nullptr, item);
        // From here on every dialog is one the shell shows.
        g_boxes = 0;
        g_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, CloseBoxes, NULL, GetCurrentThreadId());
    }
    // Entry i started by a tap on its icon (cells 20 pixels wide in one row).
    void TapEntry(int i)
    {
        PostMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(20 * i + 10, 10));
        SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20 * i + 10, 10));
        PumpMessages(30);
    }
    // Entry i started by the action key after the keys reached it.
    void ActOnEntry(int i)
    {
        SendMessageW(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
        for (int k = 0; k < i; k++)
            SendMessageW(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, 0);
        ASSERT_EQ(i, g_Item.HighlightedEntry);
        EXPECT_EQ(1, SendMessageW(item, WM_TODAYCUSTOM_ACTION, 0, 0));
    }
    Started Nth(size_t n)
    {
        std::vector<std::string> lines = WaitForLaunches(n + 1);
        if (lines.size() <= n) {
            ADD_FAILURE() << "start " << n << " did not happen";
            return Started();
        }
        return Split(lines[n]);
    }
};

TEST_F(Launch, ProgramsStartWithTheirOwnCommandLineOrNone)
{
    CreateItem({
        { Wide(recorder), L"one two" },
        { Wide(recorder), L"" },
        { L"recorder.exe", L"found beside" },   // a bare name: the shell finds it
        { Wide(recorder), L"\"a b\" c" },
    });
    TapEntry(0);
    Started s = Nth(0);
    EXPECT_TRUE(EndsWith(s.program, "recorder.exe")) << s.program;
    EXPECT_EQ("one two", s.arguments);
    EXPECT_EQ(0, g_Item.FocusedEntry);

    ActOnEntry(1);
    s = Nth(1);
    EXPECT_TRUE(EndsWith(s.program, "recorder.exe")) << s.program;
    EXPECT_EQ("", s.arguments);

    ActOnEntry(2);
    EXPECT_EQ("found beside", Nth(2).arguments);
    TapEntry(3);
    EXPECT_EQ("\"a b\" c", Nth(3).arguments);
    EXPECT_EQ(3, g_Item.FocusedEntry);
    EXPECT_EQ(4u, WaitForLaunches(5, 500).size()) << "each start happens once";
    EXPECT_EQ(0, g_boxes);
}

TEST_F(Launch, FoldersAndTheRootOpenInTheExplorerWithTheirPathAlone)
{
    std::wstring sub = folder + L"\\My Folder";
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), NULL));
    CreateItem({ { sub, L"dropped" }, { L"\\", L"dropped too" } });

    TapEntry(0);
    Started s = Nth(0);
    EXPECT_TRUE(EndsWith(s.program, "fexplore.exe")) << s.program;
    EXPECT_EQ(Narrow(sub), s.arguments);

    ActOnEntry(1);
    s = Nth(1);
    EXPECT_TRUE(EndsWith(s.program, "fexplore.exe")) << s.program;
    EXPECT_EQ("\\", s.arguments);

    // Straight through LaunchFile: the parameters are the path as it is, unquoted.
    LaunchFile(L"\\tests", L"-x");
    EXPECT_EQ("\\tests", Nth(2).arguments);
    EXPECT_EQ(0, g_boxes);
}

TEST_F(Launch, DocumentsOpenWithTheProgramOfTheirType)
{
    // The document type, in the machine's classes (where Wine's shell looks).
    std::wstring classes = L"Software\\Classes\\";
    std::wstring command = L"\"" + Wide(recorder) + L"\" \"%1\"";
    SetDefaultValue(classes + L".tapshelfdoc", L"Tapshelf.TestDocument");
    SetDefaultValue(classes + L"Tapshelf.TestDocument\\shell\\open\\command", command);
    std::wstring document = folder + L"\\note.tapshelfdoc";
    WriteFileText(document, "text");
    CreateItem({ { document, L"" } });

    TapEntry(0);
    Started s = Nth(0);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, (classes + L".tapshelfdoc").c_str());
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, (classes + L"Tapshelf.TestDocument").c_str());
    EXPECT_TRUE(EndsWith(s.program, "recorder.exe")) << s.program;
    EXPECT_NE(std::string::npos, s.arguments.find("note.tapshelfdoc")) << s.arguments;
}

TEST_F(Launch, AFailedStartIsQuietAndTheItemGoesOn)
{
    CreateItem({
        { folder + L"\\gone.exe", L"x" },
        { L"", L"" },
        { Wide(recorder), L"after" },
    });
    TapEntry(0);
    EXPECT_EQ(0, g_Item.FocusedEntry) << "the focus moves as if it had started";
    EXPECT_EQ(-1, g_Item.HighlightedEntry);
    EXPECT_EQ(nullptr, GetCapture());
    TapEntry(1);
    EXPECT_EQ(1, g_Item.FocusedEntry);
    ActOnEntry(1);
    EXPECT_LE(g_boxes, 3) << "at most the shell's own notice per failed start";

    TapEntry(2);
    std::vector<std::string> lines = WaitForLaunches(1);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("after", Split(lines[0]).arguments);
    EXPECT_EQ(1u, WaitForLaunches(2, 500).size());
}

// The device has neither environment variables nor a command interpreter: a "%" is part of
// a name, and a batch file's command line never starts another program.
TEST_F(Launch, NamesAreTakenLiterallyAndNothingGoesThroughACommandInterpreter)
{
    std::wstring odd = folder + L"\\a%USERNAME%b";
    ASSERT_TRUE(CreateDirectoryW(odd.c_str(), NULL));
    ASSERT_TRUE(CopyFileW(Wide(recorder).c_str(), (odd + L"\\recorder.exe").c_str(), FALSE));
    // A name that the desktop's expansion would turn into an existing program.
    WCHAR full[MAX_PATH];
    GetFullPathNameW(folder.c_str(), MAX_PATH, full, NULL);
    SetEnvironmentVariableW(L"TAPSHELF_ELSEWHERE", full);
    ASSERT_TRUE(CopyFileW(Wide(recorder).c_str(), (folder + L"\\recorder.exe").c_str(), FALSE));
    WriteFileText(folder + L"\\run.bat", "@echo off\r\n");
    CreateItem({
        { odd + L"\\recorder.exe", L"p %USERNAME% q" },
        { L"%TAPSHELF_ELSEWHERE%\\recorder.exe", L"expanded" },
        { folder + L"\\run.bat", L"x & \"" + Wide(recorder) + L"\" injected" },
    });

    TapEntry(0);
    Started s = Nth(0);
    EXPECT_NE(std::string::npos, s.program.find("a%USERNAME%b\\recorder.exe")) << s.program;
    EXPECT_EQ("p %USERNAME% q", s.arguments);

    TapEntry(1);
    TapEntry(2);
    EXPECT_EQ(1u, WaitForLaunches(2, 1500).size()) << "only the entry that names a program started one";
}

}  // namespace
