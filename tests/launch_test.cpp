// Starting entries through the shell, with real processes: the recorder program appends
// its command line to the test's log, as an entry's target and as "fexplore.exe".
#include <gtest/gtest.h>
#include <shlwapi.h>
#include <string>
#include "today/item_state.h"
#include "today/launch.h"
#include "dialog_script.h"
#include "harness.h"
#include "launch_log.h"
#include "sandbox.h"
#include "today_standin.h"

// The device's ShellExecuteEx as the product's starts reach it (wince/device_calls.h).
extern "C" BOOL WINAPI DeviceCall_ShellExecuteExW(SHELLEXECUTEINFOW *info);

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

// A message box as the user sees it: caption, text and the icon beside the text.
struct Box {
    std::wstring caption, text;
    HICON icon;
    bool operator==(const Box &other) const
    {
        return caption == other.caption && text == other.text && icon == other.icon;
    }
};

std::ostream &operator<<(std::ostream &out, const Box &box)
{
    return out << "[" << Narrow(box.caption) << "] " << Narrow(box.text) << " icon " << box.icon;
}

// Message boxes the shell shows for a failed start: noted and closed at once.
std::vector<Box> g_boxes;
HHOOK g_hook;
LRESULT CALLBACK CloseBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *call = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_INITDIALOG) {
        WCHAR caption[256] = L"";
        GetWindowTextW(call->hwnd, caption, 256);
        HICON icon = (HICON)SendDlgItemMessageW(call->hwnd, 0x440, STM_GETICON, 0, 0);   // the box's icon
        g_boxes.push_back({ caption, DialogItemText(call->hwnd, 0xFFFF), icon });
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
        WatchBoxes();
    }
    // From here on every dialog is one the shell shows.
    void WatchBoxes()
    {
        g_boxes.clear();
        g_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, CloseBoxes, NULL, GetCurrentThreadId());
    }
    // What Wine's shell itself shows and answers for a missing file, a missing folder and a
    // type no program opens: one message box and one code each. Boxes are noted from here on.
    enum Failure { FILE_NOT_FOUND, PATH_NOT_FOUND, NO_PROGRAM };
    std::vector<Box> shellBoxes;
    std::vector<INT_PTR> shellCodes;
    void AskTheShellItself()
    {
        WatchBoxes();
        WriteFileText(folder + L"\\x.tapshelfnone", "x");
        for (const wchar_t *name : { L"\\gone.exe", L"\\gone\\x.exe", L"\\x.tapshelfnone" }) {
            std::wstring full = L"T:" + folder + name;
            SHELLEXECUTEINFOW info = {};
            info.cbSize = sizeof(info);
            info.lpFile = full.c_str();
            EXPECT_FALSE(ShellExecuteExW(&info));
            shellCodes.push_back((INT_PTR)info.hInstApp);
        }
        ASSERT_EQ(3u, g_boxes.size());
        shellBoxes = g_boxes;
        EXPECT_EQ(LoadIconW(NULL, IDI_ERROR), shellBoxes[0].icon);
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
    EXPECT_EQ(0u, g_boxes.size());
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
    EXPECT_EQ(0u, g_boxes.size());
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

TEST_F(Launch, AFailedStartShowsNoMoreThanTheShellsNoticeAndTheItemGoesOn)
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
    EXPECT_LE(g_boxes.size(), 3u) << "at most the shell's own notice per failed start";

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

// A device shortcut is a text file "N#command": its target, quoted when it holds spaces,
// then its arguments. N is the maker's count of the characters after the "#", often wrong,
// and never checked. A start runs the target with the shortcut's arguments followed by the
// entry's own command line; a folder opens in the explorer.
TEST_F(Launch, ShortcutsStartTheirTargetWithTheirArgumentsThenTheEntrys)
{
    std::wstring app = folder + L"\\My App", docs = folder + L"\\Docs";
    ASSERT_TRUE(CreateDirectoryW(app.c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryW(docs.c_str(), NULL));
    ASSERT_TRUE(CopyFileW(Wide(recorder).c_str(), (app + L"\\app.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Wide(recorder).c_str(), (folder + L"\\plain.exe").c_str(), FALSE));
    std::string quotedApp = "\"" + Narrow(app) + "\\app.exe\"";
    WriteFileText(folder + L"\\inner.lnk", "9#" + quotedApp + " inner");
    WriteFileText(folder + L"\\middle.lnk", "9#" + Narrow(folder) + "\\inner.lnk middle");
    const struct {
        std::string shortcut;
        const wchar_t *commandLine;
        const char *program;
        std::string arguments;
    } kCases[] = {
        { "33#" + quotedApp + " -x", L"", "app.exe", "-x" },
        { "33#" + quotedApp + " -x", L"more \"q r\"", "app.exe", "-x more \"q r\"" },
        { "999#" + quotedApp, L"entry alone", "app.exe", "entry alone" },
        { "7# " + Narrow(folder) + "\\plain.exe  a  b \r\n\r\nsecond line", L"", "plain.exe", "a  b" },
        { "0#" + Narrow(folder) + "\\middle.lnk outer", L"entry", "app.exe", "inner middle outer entry" },
        { "1#\"" + Narrow(docs) + "\" dropped", L"dropped too", "fexplore.exe", Narrow(docs) },
    };
    WatchBoxes();
    for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); i++) {
        std::wstring shortcut = folder + L"\\case" + std::to_wstring(i) + L".lnk";
        WriteFileText(shortcut, kCases[i].shortcut);
        LaunchFile(shortcut.c_str(), kCases[i].commandLine);
        Started s = Nth(i);
        EXPECT_TRUE(EndsWith(s.program, kCases[i].program)) << "case " << i << ": " << s.program;
        EXPECT_EQ(kCases[i].arguments, s.arguments) << "case " << i;
    }
    EXPECT_EQ(0u, g_boxes.size());
}

// Every start that fails shows, once, the message Wine's shell shows for the same error, and
// starts nothing; asked for no UI, it fails silently with the shell's code.
TEST_F(Launch, AFailedStartShowsTheShellsMessageOnceUnlessAskedForNone)
{
    ASSERT_NO_FATAL_FAILURE(AskTheShellItself());
    std::string program = "\"" + recorder + "\"";
    WriteFileText(folder + L"\\run.bat", "@echo off\r\n");
    WriteFileText(folder + L"\\pct%x%.tapshelfnone", "x");
    const struct {
        std::wstring file;
        std::string shortcut;   // written to file unless empty
        int expected;
    } kCases[] = {
        { folder + L"\\run.bat", "", NO_PROGRAM },
        { folder + L"\\gone.bat", "", FILE_NOT_FOUND },
        { folder + L"\\pct%x%.tapshelfnone", "", NO_PROGRAM },
        { folder + L"\\gone%x%.exe", "", FILE_NOT_FOUND },
        { folder + L"\\no%dir%\\x.exe", "", PATH_NOT_FOUND },
        { folder + L"\\gone.lnk", "", FILE_NOT_FOUND },
        { folder + L"\\target.lnk", "12#" + Narrow(folder) + "\\gone.exe -x", FILE_NOT_FOUND },
        { folder + L"\\loop.lnk", "5#" + Narrow(folder) + "\\loop.lnk", FILE_NOT_FOUND },
        { folder + L"\\text.lnk", "a text file " + program, NO_PROGRAM },
        { folder + L"\\nocount.lnk", "#" + program, NO_PROGRAM },
        { folder + L"\\empty.lnk", "12#  \r\n" + program, NO_PROGRAM },
        { folder + L"\\quote.lnk", "12#" + program.substr(0, program.size() - 1) + " x", NO_PROGRAM },
        { folder + L"\\huge.lnk", "40#" + program + " " + std::string(100000, 'a'), NO_PROGRAM },
        { folder + L"\\binary.lnk", "40#" + program + std::string("\0\x01\x02\xff", 4), NO_PROGRAM },
        { folder + L"\\nothing.lnk", std::string("\0", 1), NO_PROGRAM },
    };
    for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); i++) {
        if (!kCases[i].shortcut.empty())
            WriteFileText(kCases[i].file, kCases[i].shortcut);
        g_boxes.clear();
        LaunchFile(kCases[i].file.c_str(), L"");
        ASSERT_EQ(1u, g_boxes.size()) << "case " << i;
        EXPECT_EQ(shellBoxes[kCases[i].expected], g_boxes[0]) << "case " << i;

        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.lpFile = kCases[i].file.c_str();
        EXPECT_FALSE(DeviceCall_ShellExecuteExW(&info)) << "case " << i;
        EXPECT_EQ(shellCodes[kCases[i].expected], (INT_PTR)info.hInstApp) << "case " << i;
        EXPECT_EQ(1u, g_boxes.size()) << "case " << i;
    }
    EXPECT_EQ(0u, WaitForLaunches(1, 1000).size()) << "nothing started";
}

}  // namespace
