// The Today-screen emulator's start-up: command line, device storage, the three screen
// windows, the items, the message loop and the orderly unloading at the end.
//
//   todayhost.exe [--device T:] [--dll PATH] [--script FILE] [--out DIR] [--log FILE]
//                 [--timeout SECONDS] [--stay]
#include "host.h"
#include <objbase.h>
#include <shellapi.h>
#include <stdarg.h>
#include <stdio.h>
#include <commctrl.h>

DeviceScreen g_screen;
std::wstring g_outDir;

static HANDLE g_logFile = INVALID_HANDLE_VALUE;
static CRITICAL_SECTION g_logLock;

void InitDeviceScreen()
{
    g_screen.width = GetSystemMetrics(SM_CXSCREEN);
    g_screen.height = GetSystemMetrics(SM_CYSCREEN);
    int shorter = g_screen.width < g_screen.height ? g_screen.width : g_screen.height;
    g_screen.scale = shorter >= 480 ? 2 : 1;
    g_screen.taskBarHeight = 26 * g_screen.scale;
    g_screen.menuBarHeight = 26 * g_screen.scale;
}

void OpenHostLog(const std::wstring &path)
{
    g_logFile = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, 0, NULL);
}

static void WriteLogLine(const wchar_t *text, bool toStderr)
{
    char utf8[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8) - 2, NULL, NULL);
    if (length <= 0)
        return;
    utf8[length - 1] = '\n';
    EnterCriticalSection(&g_logLock);
    if (g_logFile != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(g_logFile, utf8, (DWORD)length, &written, NULL);
    }
    if (toStderr) {
        fwrite("todayhost: ", 1, 11, stderr);
        fwrite(utf8, 1, (size_t)length, stderr);
        fflush(stderr);
    }
    LeaveCriticalSection(&g_logLock);
}

void HostLog(const wchar_t *format, ...)
{
    wchar_t line[2048];
    va_list args;
    va_start(args, format);
    _vsnwprintf(line, 2047, format, args);
    va_end(args);
    line[2047] = 0;
    WriteLogLine(line, false);
}

void HostError(const wchar_t *format, ...)
{
    wchar_t line[2048] = L"error: ";
    va_list args;
    va_start(args, format);
    _vsnwprintf(line + 7, 2040, format, args);
    va_end(args);
    line[2047] = 0;
    WriteLogLine(line, true);
}

std::wstring JoinPath(const std::wstring &folder, const std::wstring &name)
{
    if (name.size() >= 2 && (name[1] == L':' || (name[0] == L'\\' && name[1] == L'\\')))
        return name;
    if (folder.empty())
        return name;
    if (folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

bool CreateFolderTree(const std::wstring &path)
{
    if (path.empty())
        return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2)
        CreateFolderTree(path.substr(0, slash));
    return CreateDirectoryW(path.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS;
}

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

static void Usage()
{
    fputs("usage: todayhost.exe [--device T:] [--dll PATH] [--script FILE] [--out DIR] [--log FILE]\n"
          "                     [--timeout SECONDS] [--stay]\n", stderr);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    InitializeCriticalSection(&g_logLock);
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring drive = L"T:", dll, script, log;
    DWORD timeoutSeconds = 0;
    bool stay = false;
    g_outDir = ModuleFolder() + L"\\screenshots";
    for (int i = 1; i < argc; i++) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--device" && hasValue) drive = argv[++i];
        else if (arg == L"--dll" && hasValue) dll = WindowsPath(argv[++i]);
        else if (arg == L"--script" && hasValue) script = WindowsPath(argv[++i]);
        else if (arg == L"--out" && hasValue) g_outDir = WindowsPath(argv[++i]);
        else if (arg == L"--log" && hasValue) log = WindowsPath(argv[++i]);
        else if (arg == L"--timeout" && hasValue) timeoutSeconds = (DWORD)_wtoi(argv[++i]);
        else if (arg == L"--stay") stay = true;
        else { Usage(); return 2; }
    }
    LocalFree(argv);
    while (g_outDir.size() > 3 && g_outDir.back() == L'\\')
        g_outDir.pop_back();
    if (drive.size() == 1)
        drive += L":";
    if (dll.empty())
        dll = ModuleFolder() + L"\\tapshelf.dll";

    if (!log.empty())
        OpenHostLog(log);
    InitDeviceScreen();
    HostLog(L"screen %dx%d scale %d", g_screen.width, g_screen.height, g_screen.scale);

    if (!script.empty()) {
        std::wstring error;
        if (!LoadScript(script, &error)) {
            HostError(L"%ls", error.c_str());
            return 2;
        }
        g_timeoutMs = (timeoutSeconds ? timeoutSeconds : 120) * 1000;
    } else if (timeoutSeconds) {
        g_timeoutMs = timeoutSeconds * 1000;
    }
    if (g_timeoutMs)
        CloseHandle(CreateThread(NULL, 0, Watchdog, NULL, 0, NULL));

    if (!PrepareDeviceRoot(drive))
        return 2;
    EnsureDocumentAssociation();
    RegisterTapshelfItem(dll);
    WriteDemoListIfMissing();

    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    InitCommonControlsEx(&controls);

    // The task bar first: the name label of an item looks for it when the item is created.
    if (!CreateTaskBar(instance) || !CreateMenuBar(instance) || !CreateTodayWindow(instance)) {
        HostError(L"cannot create the screen windows");
        return 1;
    }
    LoadTodayItems();
    SetForegroundWindow(g_today);
    SetFocus(g_today);
    RefreshBars();

    if (!script.empty())
        StartScript(stay);

    MSG msg;
    int exitCode = 0;
    for (;;) {
        BOOL got = GetMessageW(&msg, NULL, 0, 0);
        if (got == 0) {
            exitCode = (int)msg.wParam;
            break;
        }
        if (got < 0)
            break;
        // The Today host owns the navigation keys of everything inside the Today window.
        if (msg.message == WM_KEYDOWN && IsTodayKey((UINT)msg.wParam)
            && (msg.hwnd == g_today || IsChild(g_today, msg.hwnd))) {
            TodayKey((UINT)msg.wParam);
            continue;
        }
        TranslateMessage(&msg);
        DispatchHostMessage(msg);
    }

    UnloadTodayItems();
    DestroyWindow(g_today);
    DestroyWindow(g_menuBar);
    DestroyWindow(g_taskBar);
    CoUninitialize();
    HostLog(L"exit %d", exitCode);
    return exitCode;
}
