// The speed benchmarks. Each metric times a product operation against a floor measured
// in the same run, round by round, and prints
//     <metric>: <ratio>x (goal <= <goal>x)
// Ratios, never absolute times: the machine is shared and its speed varies.
//
//   tapshelf_bench.exe [--verbose] [--only <word>]
// --verbose adds the times and the spread of the rounds on stderr.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <algorithm>
#include <string>
#include <vector>
#include "bench_support.h"
#include "aygshell.h"
#include "options/options_dialog.h"
#include "resources/resource.h"
#include "pixels.h"
#include "today_standin.h"
#include "chooser/chooser.h"
#include "store/store.h"
#include "today/icons.h"
#include "today/initialize_item.h"
#include "today/item_state.h"
#include "today/layout.h"
#include "today/paint.h"
#include "coredll_ext.h"
#include "todaycmn.h"

static bool g_verbose = false;
static const char *g_only = NULL;
static int g_errors = 0;

static void Fail(const char *metric, const char *what)
{
    fprintf(stderr, "%s: not measured: %s\n", metric, what);
    g_errors++;
}

static void Report(const char *metric, const Comparison &c, double goal)
{
    if (goal > 0)
        printf("%s: %.2fx (goal <= %gx)\n", metric, c.ratio, goal);
    else
        printf("%s: %.2fx\n", metric, c.ratio);
    fflush(stdout);
    if (g_verbose)
        fprintf(stderr, "  %s: product %.3f ms, floor %.3f ms, rounds %.2fx .. %.2fx\n", metric,
                c.productMs, c.floorMs, c.lowRatio, c.highRatio);
}

static bool Wanted(const char *metric)
{
    return !g_only || strstr(metric, g_only);
}

// ---- load 1000 entries -----------------------------------------------------------------

// The registry calls that loading a list cannot do without, and nothing else.
static void BareLoadLoop()
{
    HKEY list;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, LIST_KEY_PATH, 0, (LPWSTR)L"", 0, KEY_ALL_ACCESS, NULL,
                        &list, NULL) != ERROR_SUCCESS)
        return;
    DWORD count = 0;
    RegQueryInfoKeyW(list, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    static const size_t prefix = wcslen(LIST_KEY_PATH);
    WCHAR path[ENTRY_KEY_PATH_CAPACITY];
    memcpy(path, LIST_KEY_PATH, prefix * sizeof(WCHAR));
    path[prefix] = L'\\';
    for (DWORD i = 0; i < count; i++) {
        WCHAR *name = path + prefix + 1;
        DWORD length = TEXT_CAPACITY;
        if (RegEnumKeyExW(list, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            continue;
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, (LPWSTR)L"", 0, KEY_ALL_ACCESS, NULL, &key,
                            NULL) != ERROR_SUCCESS)
            continue;
        WCHAR text[TEXT_CAPACITY];
        LONG number;
        DWORD size = sizeof(text);
        RegQueryValueExW(key, VALUE_FILE_NAME, NULL, NULL, (BYTE *)text, &size);
        size = sizeof(text);
        RegQueryValueExW(key, VALUE_COMMAND_LINE, NULL, NULL, (BYTE *)text, &size);
        size = sizeof(number);
        RegQueryValueExW(key, VALUE_INDEX, NULL, NULL, (BYTE *)&number, &size);
        RegCloseKey(key);
    }
    RegCloseKey(list);
}

static bool ListIsLoaded(LONG count)
{
    if (g_Config.LaunchCount != count || !g_Config.LaunchList)
        return false;
    for (LONG i = 0; i < count; i++)
        if (g_Config.LaunchList[i].Index != i || !g_Config.LaunchList[i].Name[0])
            return false;
    return true;
}

static void LoadMetric(const std::vector<std::wstring> &files)
{
    const char *metric = "load 1000 entries";
    if (!Wanted(metric))
        return;
    WriteEntries(1000, files);
    LoadLaunchList();
    if (!ListIsLoaded(1000))
        return Fail(metric, "the list did not load 1000 entries in Index order");
    Report(metric, Compare(25, 1, 1, BareLoadLoop, LoadLaunchList), 1.2);
    FreeLaunchList();
}

// ---- create 500 entries ----------------------------------------------------------------

static void CreateMetric(const std::vector<std::wstring> &files)
{
    const char *metric = "create 500 entries";
    if (!Wanted(metric))
        return;
    WriteEntries(500, files);
    TestToday today(Watermark::Gradient);
    HWND item = InitializeCustomItem(&today.item, today.window);
    bool loaded = item && ListIsLoaded(500);
    if (item)
        DestroyWindow(item);
    if (!loaded)
        return Fail(metric, "the entry call made no window with 500 entries");

    auto create = [&] {
        HWND hwnd = InitializeCustomItem(&today.item, today.window);
        DestroyWindow(hwnd);
    };
    Report(metric, Compare(31, 1, 1, LoadLaunchList, create, [] { PumpMessages(0); }), 1.2);
    if (g_verbose) {
        // What the entry call adds to loading: the same call with an empty list.
        WriteEntries(0, files);
        Comparison empty = Compare(11, 10, 10, LoadLaunchList, create, [] { PumpMessages(0); });
        fprintf(stderr, "  %s with no entries: entry call %.3f ms, loading alone %.3f ms\n", metric,
                empty.productMs, empty.floorMs);
    }
    FreeLaunchList();
}

// ---- paint 44 ----------------------------------------------------------------------------

// Number of cells whose icon square differs from the bare watermark.
static int CellsWithIcons(const Pixels &painted, const Pixels &bare)
{
    const DisplaySettings &s = g_Config.Settings;
    int drawn = 0;
    CellWalk walk;
    BeginCellWalk(&walk);
    for (LONG i = 0; i < g_Config.LaunchCount; i++) {
        RECT cell;
        NextCell(&walk, &cell);
        bool differs = false;
        for (int y = cell.top + s.VMargin; y < cell.top + s.VMargin + s.IconSize && !differs; y++)
            for (int x = cell.left + s.HMargin; x < cell.left + s.HMargin + s.IconSize; x++)
                if (painted.At(x, y) != bare.At(x, y)) {
                    differs = true;
                    break;
                }
        drawn += differs;
    }
    return drawn;
}

static void PaintMetric(const char *metric, DWORD iconSize, const std::vector<std::wstring> &files)
{
    if (!Wanted(metric))
        return;
    const LONG count = 44;
    WriteEntries(count, files);
    WriteDefaultSettings(iconSize);
    WriteSettingNumber(VALUE_SHOWICONSEC, 0);

    // The item as the host makes it: entry call, height query, placement; the icon timer
    // then builds the image list.
    TestToday today(Watermark::Gradient);
    HWND item = today.CreateItem(30);
    if (!item)
        return Fail(metric, "the entry call made no window");
    int width = GetSystemMetrics(SM_CXSCREEN), height = (int)today.item.cyp;
    today.WaitForIcons(5000);
    PumpMessages(0);
    RECT client;
    GetClientRect(item, &client);
    int cx = 0, cy = 0;
    if (g_Item.IconImageList)
        ImageList_GetIconSize(g_Item.IconImageList, &cx, &cy);
    if (!g_Item.IconImageList || ImageList_GetImageCount(g_Item.IconImageList) != count
        || g_Config.LaunchCount != count || g_Config.Settings.IconSize != (LONG)iconSize
        || client.right != width || client.bottom != height) {
        DestroyWindow(item);
        return Fail(metric, "the item did not build its 44 icons");
    }

    // The paint target: an off-screen copy of the screen's format, as the paint DC of the
    // window would be, so that the timing is the item's own drawing and not the display's.
    HDC screen = GetDC(NULL);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP targetBitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    HGDIOBJ oldTarget = SelectObject(target, targetBitmap);

    PAINTSTRUCT ps = {};
    ps.hdc = target;
    ps.rcPaint = client;
    auto paint = [&] { PaintItem(item, target, &ps, g_Item.BackgroundBitmap); };

    // The same paint by the fewest platform calls that drawing it afresh each time allows:
    // one off-screen bitmap, the host's watermark, one draw per icon (scaled: the icon drawn
    // afresh on a magenta square of its own, filled, and stretched with magenta left out)
    // and one copy out. The icons' places are worked out beforehand.
    std::vector<POINT> places;
    {
        const DisplaySettings &s = g_Config.Settings;
        CellWalk walk;
        BeginCellWalk(&walk);
        for (LONG i = 0; i < count; i++) {
            RECT cell;
            NextCell(&walk, &cell);
            places.push_back({ cell.left + s.HMargin, cell.top + s.VMargin });
        }
    }
    const int size = (int)iconSize;
    const bool scaled = size != cx;
    auto floor = [&] {
        HDC memory = CreateCompatibleDC(target);
        HBITMAP offscreen = CreateCompatibleBitmap(target, width, height);
        HGDIOBJ old = SelectObject(memory, offscreen);
        TODAYDRAWWATERMARKINFO info = { memory, { 0, 0, width, height }, item };
        SendMessageW(today.window, TODAYM_DRAWWATERMARK, 0, (LPARAM)&info);
        HIMAGELIST icons = g_Item.IconImageList;
        if (!scaled) {
            for (LONG i = 0; i < count; i++)
                ImageList_Draw(icons, i, memory, places[i].x, places[i].y, ILD_NORMAL);
        } else {
            RECT all = { 0, 0, cx, cx };
            for (LONG i = 0; i < count; i++) {
                HDC square = CreateCompatibleDC(memory);
                HBITMAP squareBitmap = CreateCompatibleBitmap(memory, cx, cx);
                HGDIOBJ oldSquare = SelectObject(square, squareBitmap);
                HBRUSH magenta = CreateSolidBrush(MAGENTA_KEY);
                FillRect(square, &all, magenta);
                DeleteObject(magenta);
                ImageList_DrawEx(icons, i, square, 0, 0, cx, cx, MAGENTA_KEY, CLR_NONE, ILD_NORMAL);
                TransparentImage(memory, places[i].x, places[i].y, size, size, square, 0, 0, cx, cx,
                                 MAGENTA_KEY);
                SelectObject(square, oldSquare);
                DeleteObject(squareBitmap);
                DeleteDC(square);
            }
        }
        BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(offscreen);
        DeleteDC(memory);
    };

    // The bare watermark, to see which cells got their icon; and both paints must draw the
    // same picture, or the comparison means nothing.
    POINT origin = { 0, 0 };
    MapWindowPoints(item, today.window, &origin, 1);
    BitBlt(target, 0, 0, width, height, today.watermarkDC, origin.x, origin.y, SRCCOPY);
    Pixels bare = ReadBitmap(target, targetBitmap, width, height);
    floor();
    Pixels fewest = ReadBitmap(target, targetBitmap, width, height);
    paint();
    Pixels painted = ReadBitmap(target, targetBitmap, width, height);
    int drawn = CellsWithIcons(painted, bare);
    if (g_verbose)
        fprintf(stderr, "  %s: %dx%d client, images %dx%d, %d of %ld cells drawn\n", metric, width,
                height, cx, cy, drawn, (long)count);
    if (drawn != count) {
        Fail(metric, "not every cell shows its icon");
    } else if (painted.bits != fewest.bits) {
        Fail(metric, "the fewest-calls paint draws another picture than the item");
    } else {
        Report(metric, Compare(15, 10, 10, floor, paint), 1.2);
    }

    SelectObject(target, oldTarget);
    DeleteObject(targetBitmap);
    DeleteDC(target);
    DestroyWindow(item);
}

// ---- refresh query ---------------------------------------------------------------------

// The host asks every item every 2 seconds whether it must be measured again. Once the
// icons are built the answer should cost no more than what it cannot do without: the
// message's round trip (a window of the default window procedure answering the same
// message) and one look at the screen's width, which tells whether the screen has turned.
static void RefreshMetric(const std::vector<std::wstring> &files)
{
    const char *metric = "refresh query";
    if (!Wanted(metric))
        return;
    WriteEntries(44, files);
    WriteDefaultSettings(16);
    WriteSettingNumber(VALUE_SHOWICONSEC, 0);
    TestToday today(Watermark::Gradient);
    HWND item = today.CreateItem(30);
    if (!item)
        return Fail(metric, "the entry call made no window");
    today.WaitForIcons(5000);
    PumpMessages(0);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"BenchDefaultWindow";
    RegisterClassW(&wc);
    HWND plain = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL, wc.hInstance, NULL);
    WPARAM record = (WPARAM)&today.item;
    if (!g_Item.IconImageList) {
        Fail(metric, "the icons were not built");
    } else if (SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, record, 0) != 0) {
        Fail(metric, "a query after the first asked to be measured again");
    } else {
        Report(metric,
               Compare(15, 1000, 1000,
                       [&] {
                           SendMessageW(plain, WM_TODAYCUSTOM_QUERYREFRESHCACHE, record, 0);
                           GetSystemMetrics(SM_CXSCREEN);
                       },
                       [&] { SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, record, 0); }),
               1.5);
    }
    DestroyWindow(plain);
    DestroyWindow(item);
}

// ---- the file chooser's folder of 10000 -------------------------------------------------

static const wchar_t kChooserFolder[] = L"\\bench\\chooser10000";
static const int kChooserFiles = 10000;

// The two enumeration passes that listing a folder cannot do without, and nothing else.
static void BareListingPasses()
{
    for (int pass = 0; pass < 2; pass++) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(L"\\bench\\chooser10000\\*", &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        while (FindNextFileW(search, &found)) {
        }
        FindClose(search);
    }
}

// 10000 files in a fixed shuffle of names, with sizes of up to 4 GiB, so that name and
// size order both differ from the enumeration order. Made once; kept between runs.
static bool MakeChooserFolder()
{
    CreateDirectoryW(kChooserFolder, NULL);
    WCHAR path[64];
    wsprintfW(path, L"%s\\f%05d.dat", kChooserFolder, kChooserFiles - 1);
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        return true;
    unsigned seed = 4711;
    for (int i = 0; i < kChooserFiles; i++) {
        seed = seed * 1103515245u + 12345u;
        wsprintfW(path, L"%s\\f%05d.dat", kChooserFolder, (int)((i * 7919u) % kChooserFiles));
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER size;
        size.QuadPart = (LONGLONG)(seed >> 2);
        SetFilePointerEx(file, size, NULL, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    }
    return true;
}

// A fixed shuffle of the rows, outside the timed part: the enumeration gives them in name
// order already, and a sort should start from an order that is no column's.
static unsigned ShuffleKey(LPARAM record)
{
    unsigned index = (unsigned)((FileRecord *)record - g_Chooser.FileRecords);
    return (index * 2654435761u) ^ (index >> 3);
}

static int CALLBACK CompareShuffleKeys(LPARAM a, LPARAM b, LPARAM)
{
    unsigned first = ShuffleKey(a), second = ShuffleKey(b);
    return first < second ? -1 : first > second ? 1 : 0;
}

static void ChooserMetrics()
{
    bool list = Wanted("list folder 10000 entries");
    bool byName = Wanted("sort 10000 by name"), bySize = Wanted("sort 10000 by size");
    if (!list && !byName && !bySize)
        return;
    if (!MakeChooserFolder())
        return Fail("list folder 10000 entries", "cannot make the folder of 10000 files");
    // The chooser as the user sees it, from its own template, its drawing off as in a refresh.
    wcscpy(g_Chooser.CurrentFolder, kChooserFolder);
    HINSTANCE module = GetModuleHandleW(NULL);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(IDD_FILE_CHOOSER), (LPCWSTR)RT_DIALOG);
    HWND dialog = CreateDialogIndirectParamW(module, (LPCDLGTEMPLATEW)LoadResource(module, resource), NULL,
                                             FileChooserProc, 0);
    HWND listView = GetDlgItem(dialog, IDC_CHOOSER_LIST);
    HWND header = (HWND)SendMessageW(listView, LVM_GETHEADER, 0, 0);
    if (!dialog || SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0) != kChooserFiles) {
        if (dialog)
            DestroyWindow(dialog);
        return Fail("list folder 10000 entries", "the chooser did not list 10000 rows");
    }
    SendMessageW(listView, WM_SETREDRAW, FALSE, 0);

    if (list)
        Report("list folder 10000 entries", Compare(9, 1, 1, BareListingPasses, [&] { ListFolder(listView); }), 3);
    ListFolder(listView);

    std::vector<FileRecord *> records(kChooserFiles);
    for (int i = 0; i < kChooserFiles; i++)
        records[i] = &g_Chooser.FileRecords[i];
    std::sort(records.begin(), records.end(), [](FileRecord *a, FileRecord *b) {
        return CompareShuffleKeys((LPARAM)a, (LPARAM)b, 0) < 0;
    });
    const struct { const char *metric; int column; bool wanted; } kSorts[] = {
        { "sort 10000 by name", CHOOSER_COLUMN_NAME, byName },
        { "sort 10000 by size", CHOOSER_COLUMN_SIZE, bySize },
    };
    for (const auto &sort : kSorts) {
        if (!sort.wanted)
            continue;
        LPARAM parameter = sort.column + 1;
        std::vector<FileRecord *> sorted;
        // The same comparison over the same records, with no list view around it.
        auto plain = [&] {
            sorted = records;
            std::sort(sorted.begin(), sorted.end(), [parameter](FileRecord *a, FileRecord *b) {
                return CompareFileRecords((LPARAM)a, (LPARAM)b, parameter) < 0;
            });
        };
        // A tap on the column's header, always a first tap (ascending) from the shuffled order.
        auto tap = [&] {
            NMHEADERW note = {};
            note.hdr.hwndFrom = header;
            note.hdr.code = HDN_ITEMCLICKW;
            note.iItem = sort.column;
            SendMessageW(dialog, WM_NOTIFY, 0, (LPARAM)&note);
        };
        auto reset = [&] {
            SendMessageW(listView, LVM_SORTITEMS, 0, (LPARAM)CompareShuffleKeys);
            g_Chooser.SortColumn = -1;
        };
        reset();
        tap();
        plain();
        bool same = true;
        for (int i = 0; i < kChooserFiles && same; i++) {
            LVITEMW row = {};
            row.mask = LVIF_PARAM;
            row.iItem = i;
            SendMessageW(listView, LVM_GETITEMW, 0, (LPARAM)&row);
            same = CompareFileRecords(row.lParam, (LPARAM)sorted[i], parameter) == 0;
        }
        if (!same) {
            Fail(sort.metric, "the header tap did not sort as the plain comparison does");
            continue;
        }
        Report(sort.metric, Compare(9, 1, 1, plain, tap, reset), 2);
    }
    SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);
    DestroyWindow(dialog);
    FreeFileRecords();
}

// ---- options open / done 200 entries ----------------------------------------------------

struct StoredRow {
    std::wstring name, file, command;
};

// The stored list read the plainest way: each entry key and its values, in the registry's order.
static std::vector<StoredRow> BareReadRows()
{
    std::vector<StoredRow> rows;
    HKEY list;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, LIST_KEY_PATH, 0, KEY_READ, &list) != ERROR_SUCCESS)
        return rows;
    WCHAR name[TEXT_CAPACITY];
    for (DWORD i = 0;; i++) {
        DWORD length = TEXT_CAPACITY;
        if (RegEnumKeyExW(list, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        StoredRow row;
        row.name = name;
        WCHAR text[TEXT_CAPACITY];
        DWORD size = sizeof(text);
        if (RegGetValueW(list, name, L"FileName", RRF_RT_REG_SZ, NULL, text, &size) == ERROR_SUCCESS)
            row.file = text;
        size = sizeof(text);
        if (RegGetValueW(list, name, L"CommnadLine", RRF_RT_REG_SZ, NULL, text, &size) == ERROR_SUCCESS)
            row.command = text;
        rows.push_back(row);
    }
    RegCloseKey(list);
    return rows;
}

static std::vector<StoredRow> g_plainRows;

// The floor's dialog: the same template and screen, its list filled with the rows' texts
// and each file's small shell icon (the library's icon where the shell has none).
static INT_PTR CALLBACK PlainListProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    SHINITDLGINFO init = { SHIDIM_FLAGS, dialog,
                           SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_WANTSCROLLBAR };
    SHInitDialog(&init);
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_LIST);
    const wchar_t *headers[] = { L"Name", L"File path", L"Command line" };
    for (int column = 0; column < 3; column++) {
        LVCOLUMNW header = {};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.cx = 100;
        header.pszText = (LPWSTR)headers[column];
        SendMessageW(list, LVM_INSERTCOLUMNW, column, (LPARAM)&header);
    }
    HIMAGELIST icons = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), ILC_MASK,
                                        (int)g_plainRows.size(), 0);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)icons);
    for (size_t i = 0; i < g_plainRows.size(); i++) {
        const StoredRow &row = g_plainRows[i];
        SHFILEINFOW info = {};
        std::wstring path = L"T:" + row.file;
        HICON icon = SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON) ? info.hIcon
                                                                                                       : NULL;
        if (!icon)
            icon = LoadIconW(g_Item.ModuleHandle, MAKEINTRESOURCEW(IDI_TAPSHELF));
        ImageList_AddIcon(icons, icon);
        DestroyIcon(icon);
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = (int)i;
        item.pszText = (LPWSTR)row.name.c_str();
        item.iImage = (int)i;
        int at = (int)SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        item.iSubItem = 1;
        item.pszText = (LPWSTR)row.file.c_str();
        SendMessageW(list, LVM_SETITEMTEXTW, at, (LPARAM)&item);
        item.iSubItem = 2;
        item.pszText = (LPWSTR)row.command.c_str();
        SendMessageW(list, LVM_SETITEMTEXTW, at, (LPARAM)&item);
    }
    return TRUE;
}

static HWND g_openDialog;

static void CloseOpenDialog()
{
    if (g_openDialog)
        DestroyWindow(g_openDialog);
    g_openDialog = NULL;
    PumpMessages(0);
}

// Creates the dialog from the options template with `procedure` and paints it with its list.
static HWND OpenShown(DLGPROC procedure)
{
    HWND dialog = CreateDialogParamW(g_Item.ModuleHandle, MAKEINTRESOURCEW(IDD_OPTIONS), NULL, procedure, 0);
    ShowWindow(dialog, SW_SHOWNA);
    RedrawWindow(dialog, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return dialog;
}

static int ListRows(HWND dialog)
{
    return (int)SendDlgItemMessageW(dialog, IDC_OPTIONS_LIST, LVM_GETITEMCOUNT, 0, 0);
}

static int ListImages(HWND dialog)
{
    HIMAGELIST icons = (HIMAGELIST)SendDlgItemMessageW(dialog, IDC_OPTIONS_LIST, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    return icons ? ImageList_GetImageCount(icons) : -1;
}

static void OptionsOpenMetric(const std::vector<std::wstring> &files)
{
    const char *metric = "options open 200 entries";
    if (!Wanted(metric))
        return;
    WriteEntries(200, files);
    g_plainRows = BareReadRows();
    g_openDialog = OpenShown(CustomItemOptionsDlgProc);
    bool shown = ListRows(g_openDialog) == 200 && ListImages(g_openDialog) == 200;
    CloseOpenDialog();
    g_openDialog = OpenShown(PlainListProc);
    shown = shown && ListRows(g_openDialog) == 200 && ListImages(g_openDialog) == 200;
    CloseOpenDialog();
    if (!shown)
        return Fail(metric, "a dialog did not show 200 rows with 200 icons");

    auto product = [] { g_openDialog = OpenShown(CustomItemOptionsDlgProc); };
    // The floor reads the rows from the registry too, the plainest way.
    auto floor = [] {
        g_plainRows = BareReadRows();
        g_openDialog = OpenShown(PlainListProc);
    };
    Report(metric, Compare(15, 1, 1, floor, product, CloseOpenDialog), 1.5);
    FreeLaunchList();
}

// A fresh options dialog with the stored list, not shown, ready for its Done. Opening
// looks up 200 shell icons; the pause lets what that sets going settle before the next
// timed operation.
static void OpenForDone()
{
    CloseOpenDialog();
    g_openDialog = CreateDialogParamW(g_Item.ModuleHandle, MAKEINTRESOURCEW(IDD_OPTIONS), NULL,
                                      CustomItemOptionsDlgProc, 0);
    PumpMessages(50);
}

// The registry writes that storing a list and the settings cannot do without: the old
// entries go, each entry's key and three values, the eleven settings.
static void BareSaveLoop()
{
    SHDeleteKeyW(HKEY_CURRENT_USER, LIST_KEY_PATH);
    WCHAR path[ENTRY_KEY_PATH_CAPACITY];
    for (LONG i = 0; i < g_Config.LaunchCount; i++) {
        const LaunchEntry &entry = g_Config.LaunchList[i];
        wsprintfW(path, L"%s\\%s", LIST_KEY_PATH, entry.Name);
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            continue;
        RegSetValueExW(key, L"FileName", 0, REG_SZ, (const BYTE *)entry.FileName,
                       (DWORD)(wcslen(entry.FileName) + 1) * 2);
        RegSetValueExW(key, L"CommnadLine", 0, REG_SZ, (const BYTE *)entry.CommandLine,
                       (DWORD)(wcslen(entry.CommandLine) + 1) * 2);
        RegSetValueExW(key, L"Index", 0, REG_DWORD, (const BYTE *)&entry.Index, 4);
        RegCloseKey(key);
    }
    HKEY settings;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &settings, NULL)
        != ERROR_SUCCESS)
        return;
    const DisplaySettings &s = g_Config.Settings;
    RegSetValueExW(settings, L"backbmpfile", 0, REG_SZ, (const BYTE *)s.backbmpfile,
                   (DWORD)(wcslen(s.backbmpfile) + 1) * 2);
    const LONG *numbers = &s.stretch_backbmp;   // the ten numbers follow the bitmap path
    const wchar_t *names[] = { L"stretch_backbmp", L"CtrlUpDown", L"IconSize", L"HMargin", L"VMargin",
                               L"WinLeftMargin", L"WinTopMargin", L"WinRightMargin", L"WinBottomMargin",
                               L"ShowIconSec" };
    for (int i = 0; i < 10; i++)
        RegSetValueExW(settings, names[i], 0, REG_DWORD, (const BYTE *)&numbers[i], 4);
    RegCloseKey(settings);
}

static void OptionsDoneMetric(const std::vector<std::wstring> &files)
{
    const char *metric = "options done 200 entries";
    if (!Wanted(metric))
        return;
    WriteEntries(200, files);
    OpenForDone();
    SendMessageW(g_openDialog, WM_COMMAND, IDOK, 0);
    bool stored = ListRows(g_openDialog) == 0 && SubkeyCount(LIST_KEY_PATH) == 200 && g_Config.LaunchCount == 200
                  && g_Config.LaunchList[199].Index == 199;
    OpenForDone();
    if (!stored || ListRows(g_openDialog) != 200)
        return Fail(metric, "Done did not store the 200 rows");

    auto product = [] { SendMessageW(g_openDialog, WM_COMMAND, IDOK, 0); };
    Report(metric, Compare(25, 1, 1, BareSaveLoop, product, OpenForDone), 1.3);
    CloseOpenDialog();
    FreeLaunchList();
}

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--verbose"))
            g_verbose = true;
        else if (!strcmp(argv[i], "--only") && i + 1 < argc)
            g_only = argv[++i];
    }
    if (!RequireDeviceRoot("bench"))
        return 2;
    StartPluginProcess();
    std::vector<std::wstring> files = MakeDeviceFiles();

    ResetRegistry();
    WriteDefaultSettings(16);
    LoadDisplaySettings();
    LoadMetric(files);
    CreateMetric(files);
    PaintMetric("paint 44 unscaled", 16, files);
    PaintMetric("paint 44 scaled", 20, files);
    RefreshMetric(files);
    ChooserMetrics();
    OptionsOpenMetric(files);
    OptionsDoneMetric(files);
    ResetRegistry();
    return g_errors ? 1 : 0;
}
