// The device DLL's scenario, played by a Today host of our own. One source, two programs:
// built for x86_64 it runs the desktop build's tapshelf.dll on the desktop Wine (the
// reference); built for ARM with the CE tool chain it runs the device build's on Wine for
// ARM, through the bridges. Each run writes what it saw to its output folder: answers.txt
// (the item's answers, the registry, the programs started) and numbered pictures of the
// screen (.ppm, taken by the caller: see Picture); device_run.py compares the two runs.
//   device_scenario.exe DLL OUTDIR [--turn] [SETUP_DLL]
// --turn turns the screen once the item has been made again; SETUP_DLL is the setup DLL
// that is then run through the installer's calls.
// The device root "\" is the current drive (the caller starts it there, with the launch
// entries' files in place). C++98 and the desktop's headers: the ARM build is a program of
// Wine, not of the device.
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>
#include "wince/todaycmn.h"
#include "wince/wince_testing.h"
#include "resources/resource.h"
#include "resources/texts.h"

static WCHAR g_outDir[MAX_PATH];
static HANDLE g_answers = INVALID_HANDLE_VALUE;
static int g_pictures;

// ---- Output

static void WriteUtf8(HANDLE file, const WCHAR *text)
{
    char bytes[4096];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof(bytes), NULL, NULL);
    DWORD written;
    if (length > 1)
        WriteFile(file, bytes, (DWORD)length - 1, &written, NULL);
}

// One line of answers.txt (wsprintf's format).
static void Answer(const WCHAR *format, ...)
{
    WCHAR line[1030];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfW(line, format, arguments);
    va_end(arguments);
    lstrcatW(line, L"\n");
    WriteUtf8(g_answers, line);
}

// Runs the thread's messages for ms; with untilQuiet, until none has come for ms (the dialog
// steps' timer aside): what was asked is then done and drawn.
static void RunMessages(DWORD ms, BOOL untilQuiet)
{
    DWORD since = GetTickCount();
    while (GetTickCount() - since < ms) {
        MSG msg;
        if (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (untilQuiet && (msg.message != WM_TIMER || msg.hwnd))
                since = GetTickCount();
        } else {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        }
    }
}

static void Settle(DWORD quietMs)
{
    RunMessages(quietMs, TRUE);
}

static void Pump(DWORD ms)
{
    RunMessages(ms, FALSE);
}

// A picture of the screen as the display shows it, OUTDIR\NN-name.ppm. The display is
// outside Wine: this asks for it with OUTDIR\NN-name.want, which holds the screen's size
// ("240x320"), and waits (a minute at most)
// until the caller's watcher has taken it and removed that file. An edit box's caret is
// hidden meanwhile: its blinking would make two pictures of one screen differ.
static void Picture(const WCHAR *name)
{
    BOOL caretHidden = HideCaret(NULL);
    Settle(300);
    WCHAR path[MAX_PATH];
    wsprintfW(path, L"%s\\%02d-%s.want", g_outDir, ++g_pictures, name);
    HANDLE want = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    char size[32];
    DWORD written;
    wsprintfA(size, "%dx%d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    WriteFile(want, size, lstrlenA(size), &written, NULL);
    CloseHandle(want);
    DWORD start = GetTickCount();
    while (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 60000)
        Pump(50);
    Answer(L"picture %02d-%s%s", g_pictures, name,
           GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES ? L"" : L": not taken");
    if (caretHidden)
        ShowCaret(NULL);
}

// ---- Registry

static void DeleteTree(HKEY parent, const WCHAR *name)
{
    HKEY key;
    if (RegOpenKeyExW(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    WCHAR child[256];
    DWORD length = 256;
    while (RegEnumKeyExW(key, 0, child, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        DeleteTree(key, child);
        length = 256;
    }
    RegCloseKey(key);
    RegDeleteKeyW(parent, name);
}

static void SetString(HKEY key, const WCHAR *name, const WCHAR *value)
{
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE *)value, (lstrlenW(value) + 1) * sizeof(WCHAR));
}

static void SetNumber(HKEY key, const WCHAR *name, DWORD value)
{
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
}

struct Entry {
    const WCHAR *name, *file, *commandLine;
};

// The launch list the scenario starts with: a program with its arguments, a folder, and a
// file that is missing.
static const Entry ENTRIES[] = {
    { L"Recorder", L"\\Program Files\\Recorder\\recorder.exe", L"one two" },
    { L"Windows", L"\\Windows", L"" },
    { L"Missing", L"\\Missing.exe", L"" },
};
enum { ENTRY_COUNT = sizeof(ENTRIES) / sizeof(ENTRIES[0]) };

static void WriteLaunchList(void)
{
    DeleteTree(HKEY_CURRENT_USER, L"Software\\Tapshelf");
    for (int i = 0; i < ENTRY_COUNT; i++) {
        WCHAR path[300];
        wsprintfW(path, L"Software\\Tapshelf\\FileList\\%s", ENTRIES[i].name);
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            continue;
        SetString(key, L"FileName", ENTRIES[i].file);
        SetString(key, L"CommnadLine", ENTRIES[i].commandLine);
        SetNumber(key, L"Index", (DWORD)i);
        RegCloseKey(key);
    }
    // The cells IconPoint taps, on every screen.
    HKEY settings;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tapshelf", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &settings, NULL)
        == ERROR_SUCCESS) {
        SetNumber(settings, L"IconSize", 16);
        SetNumber(settings, L"HMargin", 2);
        SetNumber(settings, L"VMargin", 2);
        RegCloseKey(settings);
    }
}

// Every value under a key and its subkeys, in the registry's order: "path name = data".
static void AnswerRegistry(HKEY parent, const WCHAR *path)
{
    HKEY key;
    if (RegOpenKeyExW(parent, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Answer(L"registry %s: none", path);
        return;
    }
    for (DWORD i = 0;; i++) {
        WCHAR name[256], text[600];
        BYTE data[1024];
        DWORD nameLength = 256, size = sizeof(data) - 2, type;
        if (RegEnumValueW(key, i, name, &nameLength, NULL, &type, data, &size) != ERROR_SUCCESS)
            break;
        int number;
        if (type == REG_DWORD) {
            memcpy(&number, data, sizeof(number));
            wsprintfW(text, L"%d", number);
        } else if (type == REG_SZ) {
            data[size] = data[size + 1] = 0;
            lstrcpynW(text, (const WCHAR *)data, 600);
        } else {
            wsprintfW(text, L"type %d, %d bytes", (int)type, (int)size);
        }
        Answer(L"registry %s %s = %s", path, name, text);
    }
    for (DWORD i = 0;; i++) {
        WCHAR child[256], childPath[600];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, child, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        wsprintfW(childPath, L"%s\\%s", path, child);
        AnswerRegistry(parent, childPath);
    }
    RegCloseKey(key);
}

// ---- Starts: the recorder (recorder.exe, and fexplore.exe beside this program) appends
// its command line to launches.log in the output folder.

static WCHAR g_launchLog[MAX_PATH];
static int g_startsSeen;

static int CountLines(char *text, DWORD size, char **last)
{
    int lines = 0;
    *last = NULL;
    for (DWORD i = 0; i < size; i++)
        if (text[i] == '\n') {
            text[i] = 0;
            lines++;
        } else if (i == 0 || text[i - 1] == 0) {
            *last = text + i;
        }
    return lines;
}

// Waits (up to timeoutMs) for the next start the recorder logs, and answers it.
static void AnswerStart(const WCHAR *what, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        Pump(100);
        HANDLE file = CreateFileW(g_launchLog, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                                  NULL);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        static char text[16384];
        DWORD size = 0;
        ReadFile(file, text, sizeof(text) - 1, &size, NULL);
        CloseHandle(file);
        char *last;
        if (CountLines(text, size, &last) > g_startsSeen && last) {
            g_startsSeen++;
            WCHAR line[1024];
            MultiByteToWideChar(CP_UTF8, 0, last, -1, line, 1024);
            Answer(L"%s: started %s", what, line);
            return;
        }
    } while (GetTickCount() - start < timeoutMs);
    Answer(L"%s: nothing started", what);
}

// ---- The device root: the entries' files, and every date fixed, so that both runs list
// the same folders. recorder.exe is taken from beside this program.

static void FixTime(const WCHAR *path)
{
    // 1 May 2006, 12:00.
    SYSTEMTIME when = { 2006, 5, 1, 1, 12, 0, 0, 0 };
    FILETIME time;
    SystemTimeToFileTime(&when, &time);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
}

static void PrepareDeviceRoot(void)
{
    WCHAR recorder[MAX_PATH];
    GetModuleFileNameW(NULL, recorder, MAX_PATH);
    lstrcpyW(wcsrchr(recorder, L'\\') + 1, L"recorder.exe");
    static const WCHAR *const folders[] = { L"\\Program Files", L"\\Program Files\\Recorder", L"\\Windows",
                                            L"\\My Documents" };
    for (int i = 0; i < 4; i++)
        CreateDirectoryW(folders[i], NULL);
    CopyFileW(recorder, L"\\Program Files\\Recorder\\recorder.exe", FALSE);
    FixTime(L"\\Program Files\\Recorder\\recorder.exe");
    for (int i = 3; i >= 0; i--)
        FixTime(folders[i]);
}

// ---- The Today screen: the task bar (the name label's owner) and the Today window, which
// paints the watermark the item asks for and counts the selections it takes.

static int g_tookSelection;
static void OnReloadItems(WPARAM wParam, LPARAM lParam);

static LRESULT CALLBACK TodayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_WININICHANGE:
        OnReloadItems(wParam, lParam);
        return 0;
    case TODAYM_DRAWWATERMARK: {
        // Bands of colour, by the Today window's own rows, as a theme's picture would be.
        const TODAYDRAWWATERMARKINFO *info = (const TODAYDRAWWATERMARKINFO *)lParam;
        POINT origin = { 0, 0 };
        MapWindowPoints(info->hwnd, hwnd, &origin, 1);
        for (int y = info->rc.top; y < info->rc.bottom; y++) {
            int row = y + origin.y;
            RECT line = { info->rc.left, y, info->rc.right, y + 1 };
            HBRUSH brush = CreateSolidBrush(RGB(0x20, 0x40 + (row / 4) % 0x80, 0xC0 - (row / 4) % 0x80));
            FillRect(info->hdc, &line, brush);
            DeleteObject(brush);
        }
        return 0;
    }
    case TODAYM_TOOKSELECTION:
        g_tookSelection++;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

static HWND MakeWindow(const WCHAR *className, const WCHAR *title, COLORREF colour, int y, int height)
{
    WNDCLASSW wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.lpfnWndProc = TodayProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hbrBackground = CreateSolidBrush(colour);
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowExW(0, className, title, WS_POPUP | WS_VISIBLE, 0, y, GetSystemMetrics(SM_CXSCREEN), height,
                           NULL, NULL, GetModuleHandleW(NULL), NULL);
}

enum { TASK_BAR_HEIGHT = 26, ITEM_TOP = 40 };

// ---- Dialogs: a timer of the thread, which runs inside every modal loop, plays the
// dialog steps one by one. A step waits until the enabled dialog on top (the innermost
// modal one) has its caption; a dialog that is up when no step is left is ended, and so is
// the one that is up when the awaited one has not come in a minute: the scenario cannot
// hang here.

enum Action { SHOW, ANSWER_ROWS, ANSWER_TEXT, SELECT_ROW, TYPE, CLICK };

struct Step {
    const WCHAR *caption;
    Action action;
    int control;
    const WCHAR *text;   // SHOW: the picture's name; TYPE: the text
};

static const Step *g_steps;
static int g_stepCount, g_nextStep, g_waitedTicks;
static BOOL g_inStep;

// A modal dialog: one without an owner, or whose owner it disables while it runs (not the
// name label, a modeless dialog that the task bar owns).
static BOOL CALLBACK FindTopDialog(HWND window, LPARAM found)
{
    WCHAR className[16];
    HWND owner = GetWindow(window, GW_OWNER);
    if (IsWindowVisible(window) && IsWindowEnabled(window) && (!owner || !IsWindowEnabled(owner))
        && GetClassNameW(window, className, 16) && lstrcmpW(className, L"#32770") == 0)
        *(HWND *)found = window;
    return TRUE;
}

static HWND TopDialog(void)
{
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindTopDialog, (LPARAM)&found);
    return found;
}

static void AnswerRows(HWND dialog, int control)
{
    HWND list = GetDlgItem(dialog, control);
    int rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    Answer(L"  rows of %d: %d", control, rows);
    for (int row = 0; row < rows; row++) {
        WCHAR line[1000] = L"", cell[256];
        for (int column = 0; column < 4; column++) {
            LVITEMW item;
            ZeroMemory(&item, sizeof(item));
            item.iSubItem = column;
            item.pszText = cell;
            item.cchTextMax = 256;
            cell[0] = 0;
            SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
            lstrcatW(line, L" | ");
            lstrcatW(line, cell);
        }
        Answer(L"  row %d%s", row, line);
    }
}

static void PlayStep(HWND dialog, const Step *step)
{
    HWND control = step->control ? GetDlgItem(dialog, step->control) : NULL;
    WCHAR text[512];
    switch (step->action) {
    case SHOW:
        Picture(step->text);
        break;
    case ANSWER_ROWS:
        AnswerRows(dialog, step->control);
        break;
    case ANSWER_TEXT: {
        text[0] = 0;
        int length = GetWindowTextW(control, text, 512);
        while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n'))
            text[--length] = 0;
        Answer(L"  text of %d: %s", step->control, text);
        break;
    }
    case SELECT_ROW: {
        LVITEMW item;
        ZeroMemory(&item, sizeof(item));
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(control, LVM_SETITEMSTATE, _wtoi(step->text), (LPARAM)&item);
        break;
    }
    case TYPE:
        SetWindowTextW(control, step->text);
        break;
    case CLICK:
        // Posted: a dialog it opens runs its loop after this step, not inside it.
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(step->control, BN_CLICKED), (LPARAM)control);
        break;
    }
}

static void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = TopDialog();
    if (g_inStep || !dialog)
        return;
    g_inStep = TRUE;
    WCHAR caption[128] = L"";
    GetWindowTextW(dialog, caption, 128);
    if (g_nextStep >= g_stepCount) {
        static HWND cancelled;
        if (dialog != cancelled)
            Answer(L"dialog %s: cancelled, no step left", caption);
        cancelled = dialog;
        EndDialog(dialog, IDCANCEL);
    } else if (lstrcmpW(caption, g_steps[g_nextStep].caption) == 0) {
        if (g_waitedTicks >= 0)
            Answer(L"dialog %s", caption);
        g_waitedTicks = -1;
        const Step *step = &g_steps[g_nextStep++];
        PlayStep(dialog, step);
        if (g_nextStep < g_stepCount && lstrcmpW(g_steps[g_nextStep].caption, caption) != 0)
            g_waitedTicks = 0;
    } else if (++g_waitedTicks > 240) {
        Answer(L"dialog step %d: %s never came, %s is up: cancelled", g_nextStep, g_steps[g_nextStep].caption,
               caption);
        EndDialog(dialog, IDCANCEL);
        g_waitedTicks = 0;
    }
    g_inStep = FALSE;
}

// The steps that the dialogs opened from here on play, until the next call.
static void PlayDialogs(const Step *steps, int count)
{
    g_steps = steps;
    g_stepCount = count;
    g_nextStep = 0;
    g_waitedTicks = 0;
}

// ---- The item

static HMODULE g_library;
static HWND g_today;
static TODAYLISTITEM g_listItem;

// An export of the library by ordinal, to be cast to its type.
typedef void (*AnyFunction)(void);
static AnyFunction Export(WORD ordinal)
{
    return (AnyFunction)GetProcAddress(g_library, MAKEINTRESOURCEA(ordinal));
}

static HWND CreateItem(const WCHAR *what)
{
    PFNCUSTOMINITIALIZEITEM initialize = (PFNCUSTOMINITIALIZEITEM)Export(ORDINAL_INITIALIZEITEM);
    ZeroMemory(&g_listItem, sizeof(g_listItem));
    lstrcpyW(g_listItem.szName, L"Tapshelf");
    g_listItem.tlit = tlitCustom;
    g_listItem.fEnabled = TRUE;
    g_listItem.hinstDLL = g_library;
    HWND item = initialize ? initialize(&g_listItem, g_today) : NULL;
    WCHAR className[64] = L"", title[64] = L"";
    if (item) {
        GetClassNameW(item, className, 64);
        GetWindowTextW(item, title, 64);
    }
    Answer(L"%s: window %s, class %s, title %s, child %d, visible %d, parent is Today %d", what,
           item ? L"made" : L"none", className, title, item && (GetWindowLongW(item, GWL_STYLE) & WS_CHILD) != 0,
           item && IsWindowVisible(item), item && GetParent(item) == g_today);
    if (!item)
        return NULL;
    LRESULT first = SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&g_listItem, 0);
    LRESULT second = SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&g_listItem, 0);
    Answer(L"%s: height queries answer %d then %d, height %d", what, (int)first, (int)second, (int)g_listItem.cyp);
    SetWindowPos(item, NULL, 0, ITEM_TOP, GetSystemMetrics(SM_CXSCREEN), (int)g_listItem.cyp,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // The icons come with the timer the first height query started (ShowIconSec, 1 s).
    Pump(2500);
    return item;
}

static void DestroyItem(HWND item, const WCHAR *what)
{
    DestroyWindow(item);
    Answer(L"%s: destroyed, window gone %d", what, !IsWindow(item));
}

// ---- Pen and keys, as the Today host hands them on

// The middle of entry i's icon: cells of IconSize + 2 x HMargin by IconSize + 2 x VMargin
// (20 x 20 as WriteLaunchList sets them), in one row.
static LPARAM IconPoint(int i)
{
    return MAKELPARAM(i * 20 + 10, 10);
}

static void Tap(HWND item, int entry)
{
    PostMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, IconPoint(entry));
    PostMessageW(item, WM_LBUTTONUP, 0, IconPoint(entry));
}

static void Key(HWND item, UINT message, WPARAM key, const WCHAR *what)
{
    LRESULT answer = SendMessageW(item, message, key, 0);
    Answer(L"%s: answers %d", what, (int)answer);
}

static void PenAndKeys(HWND item)
{
    Tap(item, 0);
    AnswerStart(L"tap Recorder", 60000);
    Answer(L"tap Recorder: selections taken %d", g_tookSelection);
    Picture(L"tapped");

    // A hold shows the entry's name; lifting the pen on the icon starts it.
    PostMessageW(item, WM_LBUTTONDOWN, MK_LBUTTON, IconPoint(1));
    Pump(1500);
    Picture(L"held");
    PostMessageW(item, WM_LBUTTONUP, 0, IconPoint(1));
    AnswerStart(L"hold Windows", 60000);

    Key(item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, L"selection from above");
    Picture(L"selected");
    Key(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, L"down");
    Key(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, L"down");
    Picture(L"down-down");
    Key(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, L"down at the last");
    Key(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_UP, L"up");
    Key(item, WM_TODAYCUSTOM_USERNAVIGATION, VK_LEFT, L"left");
    Key(item, WM_TODAYCUSTOM_ACTION, 0, L"action");
    AnswerStart(L"action", 60000);
    Key(item, WM_TODAYCUSTOM_LOSTSELECTION, 0, L"selection lost");
    Picture(L"lost");

    // A missing file: the shell's notice, answered by the dialog steps.
    static const Step notice[] = {
        { L"Error", SHOW, 0, L"missing" },
        { L"Error", ANSWER_TEXT, 0xFFFF, NULL },
        { L"Error", CLICK, IDOK, NULL },
    };
    PlayDialogs(notice, 3);
    Tap(item, 2);
    Settle(1000);
}

// ---- Options: the options dialog (500, ordinal 241), the entry editor with the file
// chooser, and the appearance dialog; the command line and the icon size changed, Done.

static void Options(void)
{
    static const Step steps[] = {
        { STR_OPTIONS_CAPTION, SHOW, 0, L"options" },
        { STR_OPTIONS_CAPTION, ANSWER_ROWS, IDC_OPTIONS_LIST, NULL },
        { STR_OPTIONS_CAPTION, SELECT_ROW, IDC_OPTIONS_LIST, L"0" },
        { STR_OPTIONS_CAPTION, CLICK, IDC_OPTIONS_EDIT, NULL },
        { STR_EDITOR_CAPTION, SHOW, 0, L"editor" },
        { STR_EDITOR_CAPTION, ANSWER_TEXT, IDC_EDITOR_NAME, NULL },
        { STR_EDITOR_CAPTION, ANSWER_TEXT, IDC_EDITOR_FILE_PATH, NULL },
        { STR_EDITOR_CAPTION, ANSWER_TEXT, IDC_EDITOR_COMMAND_LINE, NULL },
        { STR_EDITOR_CAPTION, TYPE, IDC_EDITOR_COMMAND_LINE, L"three" },
        { STR_EDITOR_CAPTION, CLICK, IDC_EDITOR_BROWSE_FILE, NULL },
        { STR_CHOOSER_CAPTION, SHOW, 0, L"chooser" },
        { STR_CHOOSER_CAPTION, ANSWER_ROWS, IDC_CHOOSER_LIST, NULL },
        { STR_CHOOSER_CAPTION, CLICK, IDCANCEL, NULL },
        { STR_EDITOR_CAPTION, CLICK, IDOK, NULL },
        { STR_OPTIONS_CAPTION, CLICK, IDC_OPTIONS_APPEARANCE, NULL },
        { STR_APPEARANCE_CAPTION, SHOW, 0, L"appearance" },
        { STR_APPEARANCE_CAPTION, TYPE, IDC_APPEARANCE_ICON_SIZE, L"32" },
        { STR_APPEARANCE_CAPTION, CLICK, IDOK, NULL },
        { STR_OPTIONS_CAPTION, SHOW, 0, L"options-changed" },
        { STR_OPTIONS_CAPTION, ANSWER_ROWS, IDC_OPTIONS_LIST, NULL },
        { STR_OPTIONS_CAPTION, CLICK, IDOK, NULL },
    };
    DLGPROC procedure = (DLGPROC)Export(ORDINAL_OPTIONSDIALOGPROC);
    if (!procedure) {
        Answer(L"options: no ordinal 241");
        return;
    }
    PlayDialogs(steps, sizeof(steps) / sizeof(steps[0]));
    INT_PTR result = DialogBoxParamW(g_library, MAKEINTRESOURCEW(IDD_TODAY_CUSTOM), g_today, procedure, 0);
    Answer(L"options: dialog ended with %d, steps played %d of %d", (int)result, g_nextStep, g_stepCount);
    PlayDialogs(NULL, 0);
}

// ---- Turning the screen, as the device does with programs running: the display's width
// and height swap, the Today host sizes its windows to the new screen, every top-level
// window gets WM_SETTINGCHANGE with SETTINGCHANGE_RESET (the device SDK's winuser.h), and
// the Today screen goes on asking the item for its height every two seconds.

#define SETTINGCHANGE_RESET 0x3002

static HWND g_taskBar;

static BOOL CALLBACK SendSettingChange(HWND window, LPARAM)
{
    SendMessageW(window, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
    return TRUE;
}

static void TurnScreen(HWND item)
{
    DEVMODEW mode;
    ZeroMemory(&mode, sizeof(mode));
    mode.dmSize = sizeof(mode);
    mode.dmPelsWidth = (DWORD)GetSystemMetrics(SM_CYSCREEN);
    mode.dmPelsHeight = (DWORD)GetSystemMetrics(SM_CXSCREEN);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    LONG changed = ChangeDisplaySettingsExW(NULL, &mode, NULL, 0, NULL);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    Answer(L"turn: display change %d, screen %dx%d", (int)changed, width, height);
    SetWindowPos(g_taskBar, NULL, 0, 0, width, TASK_BAR_HEIGHT, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(g_today, NULL, 0, TASK_BAR_HEIGHT, width, height - TASK_BAR_HEIGHT, SWP_NOZORDER | SWP_NOACTIVATE);
    EnumThreadWindows(GetCurrentThreadId(), SendSettingChange, 0);
    SetWindowPos(item, NULL, 0, ITEM_TOP, width, (int)g_listItem.cyp, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int query = 0; query < 2; query++) {
        Pump(2000);
        LRESULT refresh = SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&g_listItem, 0);
        Answer(L"turn: height query answers %d, height %d", (int)refresh, (int)g_listItem.cyp);
        if (refresh)
            SetWindowPos(item, NULL, 0, ITEM_TOP, width, (int)g_listItem.cyp, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Picture(L"turned");

    // The options dialog on the turned screen, looked at and cancelled.
    static const Step steps[] = {
        { STR_OPTIONS_CAPTION, SHOW, 0, L"options-turned" },
    };
    DLGPROC procedure = (DLGPROC)Export(ORDINAL_OPTIONSDIALOGPROC);
    if (!procedure)
        return;
    PlayDialogs(steps, 1);
    INT_PTR result = DialogBoxParamW(g_library, MAKEINTRESOURCEW(IDD_TODAY_CUSTOM), g_today, procedure, 0);
    Answer(L"turn: options ended with %d", (int)result);
    PlayDialogs(NULL, 0);

    // Back upright, the display's own mode, for the runs that follow in this Wine session.
    ChangeDisplaySettingsExW(NULL, NULL, NULL, 0, NULL);
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(g_taskBar, NULL, 0, 0, width, TASK_BAR_HEIGHT, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(g_today, NULL, 0, TASK_BAR_HEIGHT, width, height - TASK_BAR_HEIGHT, SWP_NOZORDER | SWP_NOACTIVATE);
    EnumThreadWindows(GetCurrentThreadId(), SendSettingChange, 0);
    Answer(L"turn: back to %dx%d", width, height);
}

// ---- The setup DLL (the CAB's file 999), called in the installer's order: a first install,
// an upgrade while the item is shown, a removal. The Today window answers its reload
// message as the device's does: the item dropped, and its library freed, when it is
// switched off; made again when it is switched on.

#define TODAY_ITEM_KEY L"Software\\Microsoft\\Today\\Items\\Tapshelf"

static BOOL g_installing;
static const WCHAR *g_pluginPath;
static HWND g_shownItem;

static DWORD ItemEnabled(void)
{
    HKEY key;
    DWORD enabled = 0xFFFFFFFF, size = sizeof(enabled);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return enabled;
    RegQueryValueExW(key, L"Enabled", NULL, NULL, (BYTE *)&enabled, &size);
    RegCloseKey(key);
    return enabled;
}

static void OnReloadItems(WPARAM wParam, LPARAM lParam)
{
    if (!g_installing)
        return;
    DWORD enabled = ItemEnabled();
    Answer(L"  Today screen: reload %x %d, Enabled %d", (unsigned)wParam, (int)lParam, (int)enabled);
    if (wParam != 0xF2)
        return;
    if (g_shownItem && enabled != 1) {
        DestroyWindow(g_shownItem);
        g_shownItem = NULL;
        Answer(L"  Today screen: item dropped, library freed %d", FreeLibrary(g_library));
        g_library = NULL;
    } else if (!g_shownItem && enabled == 1) {
        g_library = LoadLibraryW(g_pluginPath);
        PFNCUSTOMINITIALIZEITEM initialize = (PFNCUSTOMINITIALIZEITEM)Export(ORDINAL_INITIALIZEITEM);
        ZeroMemory(&g_listItem, sizeof(g_listItem));
        g_listItem.fEnabled = TRUE;
        g_listItem.hinstDLL = g_library;
        g_shownItem = initialize ? initialize(&g_listItem, g_today) : NULL;
        Answer(L"  Today screen: item shown %d", g_shownItem != NULL);
    }
}

// The item's registration as the CAB writes it (resources/today_item.reg).
static void WriteRegistration(void)
{
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL)
        != ERROR_SUCCESS)
        return;
    SetNumber(key, L"Type", 4);
    SetString(key, L"DLL", L"\\Windows\\tapshelf.dll");
    SetNumber(key, L"Enabled", 1);
    SetNumber(key, L"Options", 1);
    SetNumber(key, L"Flags", 0);
    SetNumber(key, L"Selectability", 2);
    RegCloseKey(key);
}

typedef int(WINAPI *InstallInitCall)(HWND, BOOL, BOOL, LPCWSTR);
typedef int(WINAPI *InstallExitCall)(HWND, LPCWSTR, WORD, WORD, WORD, WORD, WORD);
typedef int(WINAPI *UninstallInitCall)(HWND, LPCWSTR);
typedef int(WINAPI *UninstallExitCall)(HWND);

static void Setup(const WCHAR *setupPath)
{
    HMODULE setup = LoadLibraryW(setupPath);
    Answer(L"setup: %s", setup ? L"loaded" : L"failed");
    if (!setup)
        return;
    InstallInitCall installInit = (InstallInitCall)(AnyFunction)GetProcAddress(setup, "Install_Init");
    InstallExitCall installExit = (InstallExitCall)(AnyFunction)GetProcAddress(setup, "Install_Exit");
    UninstallInitCall uninstallInit = (UninstallInitCall)(AnyFunction)GetProcAddress(setup, "Uninstall_Init");
    UninstallExitCall uninstallExit = (UninstallExitCall)(AnyFunction)GetProcAddress(setup, "Uninstall_Exit");
    Answer(L"setup: Install_Init %d, Install_Exit %d, Uninstall_Init %d, Uninstall_Exit %d exported",
           installInit != NULL, installExit != NULL, uninstallInit != NULL, uninstallExit != NULL);
    if (installInit && installExit && uninstallInit && uninstallExit) {
        const WCHAR *folder = L"\\Windows";
        g_installing = TRUE;
        DeleteTree(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY);
        Answer(L"first install: Install_Init answers %d", installInit(NULL, TRUE, FALSE, folder));
        WriteRegistration();
        Answer(L"first install: Install_Exit answers %d", installExit(NULL, folder, 0, 0, 0, 0, 0));
        AnswerRegistry(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY);

        Answer(L"upgrade: item shown %d", g_shownItem != NULL);
        Answer(L"upgrade: Install_Init answers %d", installInit(NULL, TRUE, TRUE, folder));
        AnswerRegistry(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY);
        WriteRegistration();
        Answer(L"upgrade: Install_Exit answers %d", installExit(NULL, folder, 0, 0, 0, 0, 0));
        AnswerRegistry(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY);

        Answer(L"removal: Uninstall_Init answers %d", uninstallInit(NULL, folder));
        AnswerRegistry(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY);
        DeleteTree(HKEY_LOCAL_MACHINE, TODAY_ITEM_KEY);
        Answer(L"removal: Uninstall_Exit answers %d", uninstallExit(NULL));
        Answer(L"removal: item shown %d", g_shownItem != NULL);
        g_installing = FALSE;
    }
    Answer(L"setup: freed %d", FreeLibrary(setup));
}

// ---- The scenario

static int Scenario(const WCHAR *dllPath, BOOL turn, const WCHAR *setupPath)
{
    PrepareDeviceRoot();
    WriteLaunchList();
    g_library = LoadLibraryW(dllPath);
    Answer(L"load: %s, screen %dx%d", g_library ? L"loaded" : L"failed", GetSystemMetrics(SM_CXSCREEN),
           GetSystemMetrics(SM_CYSCREEN));
    if (!g_library)
        return 1;
    Answer(L"load: ordinal 240 %s, ordinal 241 %s", Export(ORDINAL_INITIALIZEITEM) ? L"exported" : L"missing",
           Export(ORDINAL_OPTIONSDIALOGPROC) ? L"exported" : L"missing");

    g_taskBar = MakeWindow(L"HHTaskBar", L"", RGB(0x00, 0x00, 0x80), 0, TASK_BAR_HEIGHT);
    g_today = MakeWindow(L"DesktopExplorerWindow", L"Desktop", RGB(0xFF, 0xFF, 0xFF), TASK_BAR_HEIGHT,
                         GetSystemMetrics(SM_CYSCREEN) - TASK_BAR_HEIGHT);
    HWND item = CreateItem(L"item");
    if (!item)
        return 1;
    Picture(L"item");
    PenAndKeys(item);
    DestroyItem(item, L"item");

    Options();
    Answer(L"registry after the options:");
    AnswerRegistry(HKEY_CURRENT_USER, L"Software\\Tapshelf");
    item = CreateItem(L"item again");
    if (!item)
        return 1;
    Picture(L"item-32");
    if (turn)
        TurnScreen(item);
    DestroyItem(item, L"item again");

    BOOL freed = FreeLibrary(g_library);
    Answer(L"unload: freed %d, module gone %d", freed, GetModuleHandleW(L"tapshelf.dll") == NULL);
    g_library = NULL;

    g_pluginPath = dllPath;
    if (setupPath)
        Setup(setupPath);
    return 0;
}

static LONG WINAPI OnFault(EXCEPTION_POINTERS *exception)
{
    Answer(L"FAULT: exception %x at %p", (unsigned)exception->ExceptionRecord->ExceptionCode,
           exception->ExceptionRecord->ExceptionAddress);
    ExitProcess(3);
    return EXCEPTION_EXECUTE_HANDLER;
}

static int ScenarioMain(void)
{
    int count = 0;
    WCHAR **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 3)
        return 2;
    BOOL turn = FALSE;
    const WCHAR *setupPath = NULL;
    for (int i = 3; i < count; i++)
        if (lstrcmpW(arguments[i], L"--turn") == 0)
            turn = TRUE;
        else
            setupPath = arguments[i];
    lstrcpynW(g_outDir, arguments[2], MAX_PATH);
    CreateDirectoryW(g_outDir, NULL);
    WCHAR path[MAX_PATH];
    wsprintfW(path, L"%s\\answers.txt", g_outDir);
    g_answers = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL);
    if (g_answers == INVALID_HANDLE_VALUE)
        return 2;
    wsprintfW(g_launchLog, L"%s\\launches.log", g_outDir);
    DeleteFileW(g_launchLog);
    SetEnvironmentVariableW(L"TAPSHELF_LAUNCH_LOG", g_launchLog);
    SetUnhandledExceptionFilter(OnFault);
    // A device process: no common control until the library registers its own.
    WinceRequireControlRegistration();
    SetTimer(NULL, 0, 250, StepTimer);
    int status = Scenario(arguments[1], turn, setupPath);
    Answer(L"end: status %d", status);
    CloseHandle(g_answers);
    return status;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return ScenarioMain();
}
