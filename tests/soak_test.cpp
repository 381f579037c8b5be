// A seeded random soak of the built tapshelf.dll as the Today host drives it: taps, holds,
// selection and navigation keys, the action key, refresh queries and repaints, the
// registry rewritten between re-creations of the item, and the library unloaded and
// loaded again. Every start must be the one its entry names; the process's heap, GDI
// handles and windows must come back to where they were.
//
// TAPSHELF_SOAK_EVENTS (default 2000) and TAPSHELF_SOAK_SEED (default 1) choose the run.
// In the suite it also stops after TAPSHELF_SOAK_SECONDS (default 35; 0 = no limit), the
// same events in the same order, only fewer on a busy machine, so that it always ends
// within the suite's time limit; scripts/run-soak.sh runs long ones with no time limit. The test prints one line for it:
//     soak-result: events E wrong W growth G heap H
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "store/store.h"
#include "today/layout.h"
#include "todaycmn.h"
#include "harness.h"
#include "launch_log.h"
#include "process_usage.h"
#include "sandbox.h"
#include "today_standin.h"

namespace {

DWORD EnvNumber(const char *name, DWORD fallback)
{
    const char *text = getenv(name);
    return text && *text ? (DWORD)strtoul(text, NULL, 10) : fallback;
}

// What the process holds while the library is unloaded.
struct Usage {
    long long heap;
    int gdi;
    int windows;
};

Usage Measure()
{
    PumpMessages(0);
    return { HeapBytesInUse(), GdiHandlesInUse(), ThreadWindowCount() };
}

class Soak : public testing::Test {
protected:
    std::mt19937 random;
    std::string dllPath = TestProgramFolder() + "\\..\\bin\\tapshelf.dll";
    std::wstring recorder;
    std::wstring folder;
    TestToday today;
    HMODULE dll = NULL;
    HWND item = NULL;
    int generation = 0;
    std::vector<std::string> names;   // what each entry's start records, by list position

    // The selection as the item must keep it: process-wide while the library lives.
    LONG highlighted = -1, focused = 0;
    std::vector<std::string> expected;

    void SetUp() override
    {
        std::string program = TestProgramFolder() + "\\recorder.exe";
        recorder.assign(program.begin(), program.end());
        folder = SandboxFolder();
        WriteBackgroundFiles();
        StartLaunchLog();
        ResetRegistry();
    }
    void TearDown() override
    {
        DestroyItem();
        if (dll)
            FreeLibrary(dll);
        ResetRegistry();
        FreeLaunchList();
    }

    // Background pictures: a good one, one cut short, one whose header claims far more
    // than the file holds.
    void WriteBackgroundFiles()
    {
        const int side = 8, row = side * 3;
        std::string bmp(54 + row * side, '\x40');
        BITMAPFILEHEADER file = { 0x4D42, (DWORD)bmp.size(), 0, 0, 54 };
        BITMAPINFOHEADER info = { sizeof(info), side, side, 1, 24, BI_RGB, (DWORD)(row * side), 0, 0, 0, 0 };
        memcpy(&bmp[0], &file, sizeof(file));
        memcpy(&bmp[14], &info, sizeof(info));
        WriteFileText(folder + L"\\good.bmp", bmp);
        WriteFileText(folder + L"\\short.bmp", bmp.substr(0, 40));
        info.biWidth = info.biHeight = 4000;
        memcpy(&bmp[14], &info, sizeof(info));
        WriteFileText(folder + L"\\lying.bmp", bmp);
    }

    int Pick(int n) { return n > 0 ? (int)(random() % (unsigned)n) : 0; }

    // A new launch list and settings. The test keeps its own copy of both, to find cells.
    void WriteConfiguration()
    {
        generation++;
        ResetRegistry();
        names.clear();
        int count = Pick(6) == 0 ? 0 : 1 + Pick(40);
        std::vector<LONG> order(count);
        for (int i = 0; i < count; i++)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), random);
        names.resize(count);
        for (int k = 0; k < count; k++) {
            LONG index = order[k];
            std::wstring tag = L"g" + std::to_wstring(generation) + L"e" + std::to_wstring(index);
            std::wstring file, commandLine;
            int kind = Pick(10);
            if (kind == 0) {
                file = L"\\";
            } else if (kind <= 2) {
                file = folder + L"\\" + tag;
                CreateDirectoryW(file.c_str(), NULL);
            } else {
                file = recorder;
                commandLine = tag;
            }
            WriteEntryKey(L"Entry " + tag, file, commandLine, index);
            names[index] = Narrow(file == recorder ? commandLine : file);
        }
        // Mostly what the options dialog writes; now and then what it never would.
        static const DWORD sizes[] = { 16, 20, 32, 16, 20, 32, 0, 1, 24, 48 };
        WriteSettingNumber(VALUE_ICONSIZE, sizes[Pick(10)]);
        WriteSettingNumber(VALUE_CTRLUPDOWN, Pick(8) ? (DWORD)Pick(2) : (DWORD)random());
        WriteSettingNumber(VALUE_SHOWICONSEC, Pick(10) == 0 ? 0xFFFFFFFFu : Pick(4) == 0 ? 1 : 0);
        WriteSettingNumber(VALUE_HMARGIN, (DWORD)Pick(5));
        WriteSettingNumber(VALUE_VMARGIN, (DWORD)Pick(5));
        WriteSettingNumber(VALUE_WINLEFTMARGIN, Pick(10) ? (DWORD)Pick(10) : (DWORD)Pick(3000));
        WriteSettingNumber(VALUE_WINTOPMARGIN, Pick(10) ? (DWORD)Pick(10) : (DWORD)Pick(3000));
        WriteSettingNumber(VALUE_STRETCH_BACKBMP, (DWORD)Pick(2));
        static const wchar_t *const backgrounds[] = { L"", L"", L"", L"good.bmp", L"short.bmp", L"lying.bmp",
                                                      L"missing.bmp" };
        std::wstring background = backgrounds[Pick(7)];
        if (!background.empty())
            background = folder + L"\\" + background;
        WriteSettingString(VALUE_BACKBMPFILE, background);
        LoadDisplaySettings();
        LoadLaunchList();
    }

    // What the system keeps once it is made, made before anything is measured: the shell's
    // icons of every kind of entry at both image sizes, the background pictures, the name
    // label. A random first round alone may miss some (one seed's never asked for the large
    // icons), and the cache the run then fills would count as growth.
    void MakeWhatTheSystemKeeps()
    {
        static const DWORD sizes[] = { 16, 32 };
        static const wchar_t *const backgrounds[] = { L"good.bmp", L"short.bmp" };
        for (int round = 0; round < 2; round++) {
            generation++;
            ResetRegistry();
            std::wstring sub = folder + L"\\warm" + std::to_wstring(round);
            CreateDirectoryW(sub.c_str(), NULL);
            WriteEntryKey(L"root", L"\\", L"", 0);
            WriteEntryKey(L"folder", sub, L"", 1);
            WriteEntryKey(L"program", recorder, L"warm", 2);
            names = { "\\", Narrow(sub), "warm" };
            WriteSettingNumber(VALUE_ICONSIZE, sizes[round]);
            WriteSettingNumber(VALUE_SHOWICONSEC, 0);
            WriteSettingNumber(VALUE_STRETCH_BACKBMP, (DWORD)round);
            WriteSettingString(VALUE_BACKBMPFILE, folder + L"\\" + backgrounds[round]);
            LoadDisplaySettings();
            LoadLaunchList();
            LoadItem();
            today.WaitForIcons(5000);
            InvalidateRect(item, NULL, TRUE);
            UpdateWindow(item);
            POINT icon = { (LONG)(g_Config.Settings.HMargin + 1), (LONG)(g_Config.Settings.VMargin + 1) };
            Pen(icon, { -5, -5 }, true);   // the name label shows; nothing starts
            UnloadItem();
        }
    }

    // As the host: entry call by ordinal 240, the first height query, placement.
    void CreateItem()
    {
        PFNCUSTOMINITIALIZEITEM initialize =
            (PFNCUSTOMINITIALIZEITEM)GetProcAddress(dll, MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM));
        ASSERT_NE(nullptr, initialize);
        today.item.hinstDLL = dll;
        item = today.CreateItem(30, initialize);
        ASSERT_NE(nullptr, item);
        PumpMessages(0);
    }
    void DestroyItem()
    {
        if (item)
            DestroyWindow(item);
        item = today.itemWindow = NULL;
    }
    void LoadItem()
    {
        dll = LoadLibraryA(dllPath.c_str());
        ASSERT_NE(nullptr, dll) << dllPath;
        highlighted = -1;
        focused = 0;
        CreateItem();
    }
    void UnloadItem()
    {
        DestroyItem();
        FreeLibrary(dll);
        dll = NULL;
    }

    LONG Count() const { return (LONG)names.size(); }
    bool Designates(LONG index) const { return index >= 0 && index < Count(); }
    void Started(LONG index) { expected.push_back(names[index]); }

    // A point on an entry's icon, or anywhere in (and a little around) the item.
    POINT SomePoint()
    {
        if (Count() && Pick(2)) {
            CellWalk walk;
            BeginCellWalk(&walk);
            RECT cell = {};
            for (LONG i = Pick((int)Count()); i >= 0; i--)
                NextCell(&walk, &cell);
            return { cell.left + Pick(cell.right - cell.left), cell.top + Pick(cell.bottom - cell.top) };
        }
        return { Pick(GetSystemMetrics(SM_CXSCREEN) + 20), Pick((int)today.item.cyp + 20) };
    }
    LONG EntryAt(POINT p) { return HitTestEntry(p.x, p.y); }

    // Pen down at one point and up at another: the up already queued makes a tap, none
    // makes the recogniser wait out the hold.
    void Pen(POINT down, POINT up, bool hold)
    {
        MSG msg;
        while (PeekMessageW(&msg, NULL, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) {}
        if (!hold)
            PostMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
        SendMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
        highlighted = EntryAt(down);
        if (hold)
            SendMessageW(item, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
        else
            PumpMessages(0);
        LONG hit = EntryAt(up);
        if (hit != -1 && hit == highlighted) {
            Started(hit);
            focused = hit;
        }
        highlighted = -1;
    }

    void Navigate()
    {
        static const UINT keys[] = { VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_RETURN };
        UINT key = keys[Pick(5)];
        bool upDown = g_Config.Settings.CtrlUpDown != 0;
        UINT back = upDown ? VK_UP : VK_LEFT, forward = upDown ? VK_DOWN : VK_RIGHT;
        LONG index = -2;
        if (key == back) {
            LONG focus = std::min(focused, Count());
            if (focus > 0) index = focus - 1;
        } else if (key == forward && focused < Count() - 1) {
            index = focused + 1;
        }
        LRESULT result = SendMessageW(item, WM_TODAYCUSTOM_USERNAVIGATION, key, 0);
        if (index != -2) {
            focused = highlighted = index;
        }
        EXPECT_EQ(index != -2 ? 1 : 0, result) << "navigation key " << key;
    }

    // One random event.
    void Step()
    {
        int roll = Pick(1000);
        if (roll < 150) {   // a tap that starts nothing or the entry under it
            POINT p = SomePoint(), q = Pick(3) ? p : SomePoint();
            if (EntryAt(q) != -1 && EntryAt(q) == EntryAt(p) && Pick(4))
                q = { -5, -5 };   // mostly lifted elsewhere: starts are the slow part
            Pen(p, q, false);
        } else if (roll < 153) {   // a hold: the library's recogniser waits its half second
            POINT p = SomePoint();
            Pen(p, Pick(2) ? p : SomePoint(), true);
        } else if (roll < 260) {
            WPARAM key = Pick(3) == 0 ? VK_UP : Pick(2) ? VK_DOWN : VK_RETURN;
            SendMessageW(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, key, 0);
            focused = highlighted = key == VK_UP ? Count() - 1 : 0;
        } else if (roll < 320) {
            SendMessageW(item, WM_TODAYCUSTOM_LOSTSELECTION, 0, 0);
            highlighted = -1;
        } else if (roll < 700) {
            Navigate();
        } else if (roll < 720) {
            SendMessageW(item, WM_TODAYCUSTOM_ACTION, 0, 0);
            if (Designates(highlighted))
                Started(highlighted);
        } else if (roll < 900) {   // the host's refresh query; the item answers only its first
            EXPECT_EQ(0, SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&today.item, 0));
        } else if (roll < 980) {
            InvalidateRect(item, NULL, Pick(2));
            UpdateWindow(item);
        } else if (roll < 996) {   // the list changed: the host makes the item anew
            DestroyItem();
            WriteConfiguration();
            CreateItem();
        } else {
            UnloadItem();
            WriteConfiguration();
            LoadItem();
        }
        PumpMessages(0);
    }

    // Until every start asked for so far has been logged: a start still under way holds
    // memory of this process, and a measure then would count it.
    void AwaitStarts()
    {
        WaitForLaunches(expected.size(), 30000);
        PumpMessages(300);
    }

    // Starts that went missing or were not asked for.
    int WrongLaunches()
    {
        std::vector<std::string> seen;
        for (const std::string &line : WaitForLaunches(expected.size(), 30000))
            seen.push_back(LaunchArguments(line));
        PumpMessages(300);   // time for a start that should not be there
        seen.clear();
        for (const std::string &line : WaitForLaunches(expected.size() + 1, 0))
            seen.push_back(LaunchArguments(line));
        std::map<std::string, std::pair<int, int>> counts;   // asked for, started
        for (const std::string &s : expected) counts[s].first++;
        for (const std::string &s : seen) counts[s].second++;
        int wrong = 0;
        for (const auto &c : counts) {
            if (c.second.first != c.second.second)
                ADD_FAILURE() << "\"" << c.first << "\" was started " << c.second.second << " times, asked for "
                              << c.second.first;
            wrong += abs(c.second.first - c.second.second);
        }
        return wrong;
    }
};

TEST_F(Soak, RandomEventsLeakNothingAndStartWhatWasTapped)
{
    DWORD events = EnvNumber("TAPSHELF_SOAK_EVENTS", 2000);
    DWORD seed = EnvNumber("TAPSHELF_SOAK_SEED", 1);
    random.seed(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    // A first round makes what the system keeps once made (the shell's start-up, caches).
    MakeWhatTheSystemKeeps();
    WriteConfiguration();
    LoadItem();
    for (int i = 0; i < 200; i++)
        Step();
    UnloadItem();
    AwaitStarts();
    Usage before = Measure();
    ASSERT_NE(-1, before.gdi) << "the GDI handle table never filled";

    WriteConfiguration();
    LoadItem();
    DWORD seconds = EnvNumber("TAPSHELF_SOAK_SECONDS", 35);
    DWORD start = GetTickCount(), done = 0;
    for (; done < events && !HasFatalFailure(); done++) {
        if (seconds && GetTickCount() - start > seconds * 1000)
            break;
        Step();
    }
    UnloadItem();
    AwaitStarts();
    Usage after = Measure();

    int wrong = WrongLaunches();
    int growth = 0;
    // Wine's own bookkeeping moves by a few kilobytes; a leak per event would not.
    if (after.heap - before.heap > 256 * 1024) {
        ADD_FAILURE() << "heap grew by " << after.heap - before.heap << " bytes";
        growth++;
    }
    if (after.gdi != before.gdi) {
        ADD_FAILURE() << "GDI handles " << before.gdi << " -> " << after.gdi;
        growth++;
    }
    if (after.windows != before.windows) {
        ADD_FAILURE() << "windows " << before.windows << " -> " << after.windows;
        growth++;
    }
    int heapErrors = HeapsValidate() ? 0 : 1;
    EXPECT_EQ(0, heapErrors) << "a heap does not validate";
    printf("soak-result: events %lu wrong %d growth %d heap %d (seed %lu, %zu starts, heap %+lld bytes, "
           "GDI %d -> %d, windows %d -> %d)\n",
           (unsigned long)done, wrong, growth, heapErrors, (unsigned long)seed, expected.size(),
           after.heap - before.heap, before.gdi, after.gdi, before.windows, after.windows);
    fflush(stdout);
}

}  // namespace
