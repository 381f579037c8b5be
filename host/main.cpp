// The Today-screen emulator's start-up: command line, device storage, the screen's
// windows (task bar, soft-key bar, input panel, Today), the items, the message loop and
// the orderly unloading at the end.
//
//   todayhost.exe [--device T:] [--dll PATH | --install] [--cab FILE] [--script FILE]
//                 [--out DIR] [--log FILE] [--timeout SECONDS] [--stay]
// --dll lists that library as Tapshelf's Today item (the tests); otherwise the device has
// what its installer put there: --install installs the CAB (--cab, Tapshelf.cab beside the
// emulator) unless Tapshelf is installed, and a script installs and removes it by its steps.
#include "host/device/device.h"
#include "host/device/log.h"
#include "host/installer/installer.h"
#include "host/shell/bars.h"
#include "host/shell/input_panel.h"
#include "host/shell/rotation.h"
#include "host/shell/screen.h"
#include "host/shell/today.h"
#include "host/tour/capture.h"
#include "host/tour/script.h"
#include <objbase.h>
#include <shellapi.h>
#include <stdio.h>
#include "wince_testing.h"

// Paths given on the command line may be Unix paths; Wine names them for us.
static std::wstring WindowsPath(const std::wstring &path)
{
    if (path.empty() || path[0] != L'/')
        return path;
    typedef WCHAR *(CDECL *ToDos)(const char *);
    ToDos toDos = (ToDos)(void *)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name");
    char unixPath[1024];
    if (toDos && WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, unixPath, sizeof(unixPath), NULL, NULL)) {
        WCHAR *dos = toDos(unixPath);
        if (dos) {
            std::wstring result = dos;
            HeapFree(GetProcessHeap(), 0, dos);
            return result;
        }
    }
    std::wstring result = L"Z:" + path;
    for (auto &c : result)
        if (c == L'/')
            c = L'\\';
    return result;
}

static std::wstring ModuleFolder()
{
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? L"." : folder.substr(0, slash);
}

// Ends the process when a scripted run takes too long: a script must never hang a test.
static DWORD g_timeoutMs;
static DWORD WINAPI Watchdog(LPVOID)
{
    Sleep(g_timeoutMs);
    HostError(L"time-out after %lu ms; the script did not finish", (unsigned long)g_timeoutMs);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

static void StartWatchdog(DWORD seconds)
{
    g_timeoutMs = seconds * 1000;
    if (g_timeoutMs)
        CloseHandle(CreateThread(NULL, 0, Watchdog, NULL, 0, NULL));
}

// The Options soft key works while the selected item has options and none are open.
static bool OptionsKeyEnabled()
{
    return !InOptionsDialog() && OptionsAvailable(NULL, NULL);
}

static void Usage()
{
    fputs("usage: todayhost.exe [--device T:] [--dll PATH | --install] [--cab FILE] [--script FILE]\n"
          "                     [--out DIR] [--log FILE] [--timeout SECONDS] [--stay]\n", stderr);
}

struct CommandLine {
    std::wstring drive = L"T:";
    std::wstring dll;
    std::wstring script;
    std::wstring log;
    DWORD timeoutSeconds = 0;
    bool stay = false;
    bool install = false;
};

// The command line's options (the output folder into g_outDir); false for one it does not know.
static bool ReadCommandLine(CommandLine *options)
{
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    g_outDir = ModuleFolder() + L"\\screenshots";
    bool known = true;
    for (int i = 1; i < argc && known; i++) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--device" && hasValue) options->drive = argv[++i];
        else if (arg == L"--dll" && hasValue) options->dll = WindowsPath(argv[++i]);
        else if (arg == L"--cab" && hasValue) g_packageCab = WindowsPath(argv[++i]);
        else if (arg == L"--install") options->install = true;
        else if (arg == L"--script" && hasValue) options->script = WindowsPath(argv[++i]);
        else if (arg == L"--out" && hasValue) g_outDir = WindowsPath(argv[++i]);
        else if (arg == L"--log" && hasValue) options->log = WindowsPath(argv[++i]);
        else if (arg == L"--timeout" && hasValue) options->timeoutSeconds = (DWORD)_wtoi(argv[++i]);
        else if (arg == L"--stay") options->stay = true;
        else known = false;
    }
    LocalFree(argv);
    while (g_outDir.size() > 3 && g_outDir.back() == L'\\')
        g_outDir.pop_back();
    if (options->drive.size() == 1)
        options->drive += L":";
    if (g_packageCab.empty())
        g_packageCab = ModuleFolder() + L"\\Tapshelf.cab";
    return known && !(options->install && !options->dll.empty());
}

// The Menu's Rotate: a screen that cannot turn says why.
static void RotateFromMenu()
{
    std::wstring error;
    if (!RotateScreen(&error))
        ShowNotice(L"No rotation: " + error);
}

// The screen's windows, the task bar first: the name label of an item looks for it when
// the item is created. Then the items.
static bool CreateScreen(HINSTANCE instance)
{
    if (!CreateTaskBar(instance) || !CreateMenuBar(instance) || !CreateInputPanel(instance)
        || !CreateTodayWindow(instance))
        return false;
    SetBarsHome(g_today, OptionsKeyEnabled);
    SetBarsInputPanel(g_inputPanel);
    SetTodayScreenshot(SaveNumberedScreenshot);
    SetTodayRotation(RotateFromMenu);
    LoadTodayItems();
    SetForegroundWindow(g_today);
    SetFocus(g_today);
    RefreshBars();
    return true;
}

static void CloseScreen()
{
    UnloadTodayItems();
    DestroyWindow(g_today);
    DestroyWindow(g_inputPanel);
    DestroyWindow(g_menuBar);
    DestroyWindow(g_taskBar);
    RestoreScreenOrientation();
}

// Until WM_QUIT: its exit code.
static int RunMessageLoop()
{
    MSG msg;
    for (;;) {
        BOOL got = GetMessageW(&msg, NULL, 0, 0);
        if (got == 0)
            return (int)msg.wParam;
        if (got < 0)
            return 0;
        // The Today host owns the navigation keys of everything inside the Today window.
        if (msg.message == WM_KEYDOWN && IsTodayKey((UINT)msg.wParam)
            && (msg.hwnd == g_today || IsChild(g_today, msg.hwnd))) {
            TodayKey((UINT)msg.wParam);
            continue;
        }
        TranslateMessage(&msg);
        DispatchHostMessage(msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    InitHostLog();
    CommandLine options;
    if (!ReadCommandLine(&options)) {
        Usage();
        return 2;
    }
    if (!options.log.empty())
        OpenHostLog(options.log);
    // A run that ended with the screen turned (a script's time-out) left the display so.
    RestoreScreenOrientation();
    InitDeviceScreen();
    HostLog(L"screen %dx%d, %d dpi", g_screen.width, g_screen.height, g_screen.dpi);

    if (!options.script.empty()) {
        std::wstring error;
        if (!LoadScript(options.script, &error)) {
            HostError(L"%ls", error.c_str());
            return 2;
        }
        StartWatchdog(options.timeoutSeconds ? options.timeoutSeconds : 120);
    } else {
        StartWatchdog(options.timeoutSeconds);
    }

    if (!PrepareDeviceRoot(options.drive))
        return 2;
    if (!options.dll.empty())
        RegisterTodayItem(options.dll);
    else
        DropDirectRegistration();
    ApplyFirstRunRegistry();

    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    // As on the device, the plug-in registers the common controls its dialogs hold.
    WinceRequireControlRegistration();
    if (!CreateScreen(instance)) {
        HostError(L"cannot create the screen windows");
        return 1;
    }
    // As if the owner had opened the CAB in File Explorer.
    if (options.install && !PackageInstalled(TAPSHELF_ITEM_NAME)) {
        std::wstring message;
        InstallCab(g_packageCab, g_today, &message);
        ShowNotice(message);
    }
    if (!options.script.empty())
        StartScript(options.stay);
    int exitCode = RunMessageLoop();
    CloseScreen();
    CoUninitialize();
    HostLog(L"exit %d", exitCode);
    return exitCode;
}
