#include <set>
#include "test_support.h"
#include <gtest/gtest.h>
#include <shlwapi.h>
#include "store/store.h"
#include "today/initialize_item.h"
#include "today/paint.h"
#include "today/item_state.h"
#include <wincodec.h>

std::string Narrow(const std::wstring &text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], n, NULL, NULL);
    return out;
}

static void RemoveTree(const std::wstring &folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring SandboxFolder()
{
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::wstring folder = L"\\tests\\" + std::wstring(name.begin(), name.end());
    CreateDirectoryW(L"\\tests", NULL);
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), NULL);
    return folder;
}

static LRESULT CALLBACK TestTodayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    TestToday *today = (TestToday *)GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    switch (message) {
    case TODAYM_DRAWWATERMARK: {
        TODAYDRAWWATERMARKINFO *info = (TODAYDRAWWATERMARKINFO *)lParam;
        HBRUSH brush = CreateSolidBrush(WATERMARK_COLOUR);
        FillRect(info->hdc, &info->rc, brush);
        DeleteObject(brush);
        if (today) today->watermarkRequests++;
        return 0;
    }
    case TODAYM_TOOKSELECTION:
        if (today) today->tookSelection++;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TestToday::TestToday()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TestTodayProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"TestToday";
    RegisterClassW(&wc);
    window = CreateWindowExW(0, L"TestToday", L"Today", WS_POPUP | WS_VISIBLE, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL,
                             GetModuleHandleW(NULL), NULL);
    SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)this);
    item.fEnabled = TRUE;
    item.tlit = tlitCustom;
    item.hinstDLL = GetModuleHandleW(NULL);
}

TestToday::~TestToday()
{
    if (itemWindow && IsWindow(itemWindow))
        DestroyWindow(itemWindow);
    DestroyWindow(window);
}

HWND TestToday::CreateItem(int top)
{
    itemWindow = InitializeCustomItem(&item, window);
    if (!itemWindow)
        return NULL;
    SendMessageW(itemWindow, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&item, 0);
    SetWindowPos(itemWindow, NULL, 0, top, GetSystemMetrics(SM_CXSCREEN), (int)item.cyp,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return itemWindow;
}

void TestToday::WaitForIcons(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!g_Item.IconImageList && GetTickCount() - start < timeoutMs)
        PumpMessages(20);
}

static std::wstring g_launchLog;

std::string TestProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

void StartLaunchLog()
{
    std::wstring folder = SandboxFolder();
    g_launchLog = folder + L"\\launch.log";
    WCHAR full[MAX_PATH];
    GetFullPathNameW(g_launchLog.c_str(), MAX_PATH, full, NULL);
    g_launchLog = full;
    DeleteFileW(g_launchLog.c_str());
    SetEnvironmentVariableW(L"TAPSHELF_LAUNCH_LOG", g_launchLog.c_str());
}

std::vector<std::string> WaitForLaunches(size_t n, DWORD timeoutMs)
{
    std::vector<std::string> lines;
    DWORD start = GetTickCount();
    for (;;) {
        lines.clear();
        HANDLE file = CreateFileW(g_launchLog.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  NULL, OPEN_EXISTING, 0, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            std::string content;
            char buffer[4096];
            DWORD got;
            while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got)
                content.append(buffer, got);
            CloseHandle(file);
            size_t pos = 0, end;
            while ((end = content.find('\n', pos)) != std::string::npos) {
                lines.push_back(content.substr(pos, end - pos));
                pos = end + 1;
            }
        }
        if (lines.size() >= n || GetTickCount() - start >= timeoutMs)
            return lines;
        PumpMessages(50);
    }
}

// ---- Pixels, pen input and pictures ----

COLORREF Pixels::At(int x, int y) const
{
    DWORD p = bits[(size_t)y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

DibCanvas::DibCanvas(int w, int h, COLORREF fill) : width(w), height(h)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    void *raw = NULL;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, NULL, 0);
    bits = (DWORD *)raw;
    previous = SelectObject(dc, bitmap);
    DWORD value = ((DWORD)GetRValue(fill) << 16) | ((DWORD)GetGValue(fill) << 8) | GetBValue(fill);
    for (int i = 0; i < w * h; i++)
        bits[i] = value;
}

DibCanvas::~DibCanvas()
{
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

Pixels DibCanvas::Read() const
{
    GdiFlush();
    Pixels out;
    out.width = width;
    out.height = height;
    out.bits.resize((size_t)width * height);
    for (size_t i = 0; i < out.bits.size(); i++)
        out.bits[i] = bits[i] & 0xFFFFFF;
    return out;
}

Pixels RenderItem(HWND item, const RECT *paint, COLORREF fill)
{
    RECT client;
    GetClientRect(item, &client);
    DibCanvas canvas(client.right, client.bottom, fill);
    PAINTSTRUCT ps = {};
    ps.hdc = canvas.dc;
    ps.rcPaint = paint ? *paint : client;
    PaintItem(item, canvas.dc, &ps, g_Item.BackgroundBitmap);
    return canvas.Read();
}

Pixels CaptureWindow(HWND window)
{
    RECT area;
    if (window)
        GetClientRect(window, &area);
    else
        SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    DibCanvas canvas(area.right, area.bottom, RGB(0, 0, 0));
    HDC source = GetDC(window);
    BitBlt(canvas.dc, 0, 0, area.right, area.bottom, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    return canvas.Read();
}

static const GUID kClsidWicFactory = { 0xcacaf262, 0x9370, 0x4615,
                                       { 0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a } };
static const GUID kIidWicFactory = { 0xec5ec8a9, 0xc395, 0x4314,
                                     { 0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70 } };
static const GUID kFormat24bppBgr = { 0x6fddc324, 0x4e03, 0x4bfe,
                                      { 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c } };
static const GUID kPngEncoder = { 0x27949969, 0x876a, 0x41d7,
                                  { 0x94, 0x47, 0x56, 0x8f, 0x6a, 0x35, 0xa4, 0xdc } };
static const GUID kIidEncoder = { 0x00000103, 0xa8f2, 0x4877,
                                  { 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94 } };
static const GUID kContainerPng = { 0x1b7cfaf4, 0x713f, 0x47e2,
                                    { 0x9d, 0x0f, 0xa8, 0x72, 0x5c, 0xbd, 0x77, 0x4e } };

bool SavePng(const Pixels &picture, const std::wstring &path)
{
    HRESULT init = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IWICImagingFactory *factory = NULL;
    IWICStream *stream = NULL;
    IWICBitmapEncoder *encoder = NULL;
    IWICBitmapFrameEncode *frame = NULL;
    bool ok = SUCCEEDED(CoCreateInstance(kClsidWicFactory, NULL, CLSCTX_INPROC_SERVER,
                                         kIidWicFactory, (void **)&factory))
        && SUCCEEDED(factory->CreateStream(&stream))
        && SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE))
        // The encoder by its class: Wine's component enumeration may not list it.
        && (SUCCEEDED(CoCreateInstance(kPngEncoder, NULL, CLSCTX_INPROC_SERVER, kIidEncoder, (void **)&encoder))
            || SUCCEEDED(factory->CreateEncoder(kContainerPng, NULL, &encoder)))
        && SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache))
        && SUCCEEDED(encoder->CreateNewFrame(&frame, NULL))
        && SUCCEEDED(frame->Initialize(NULL))
        && SUCCEEDED(frame->SetSize(picture.width, picture.height));
    if (ok) {
        WICPixelFormatGUID format = kFormat24bppBgr;
        UINT stride = (UINT)picture.width * 3;
        std::vector<BYTE> rows((size_t)stride * picture.height);
        for (size_t i = 0; i < picture.bits.size(); i++) {
            rows[i * 3] = (BYTE)picture.bits[i];
            rows[i * 3 + 1] = (BYTE)(picture.bits[i] >> 8);
            rows[i * 3 + 2] = (BYTE)(picture.bits[i] >> 16);
        }
        ok = SUCCEEDED(frame->SetPixelFormat(&format)) && format == kFormat24bppBgr
            && SUCCEEDED(frame->WritePixels(picture.height, stride, (UINT)rows.size(), rows.data()))
            && SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    return ok;
}

// GDI objects are counted where this program makes and deletes them: the object functions'
// entries in the program's import table (the product is linked into it) lead through the
// counters below, set up before main. Objects that system libraries make inside their own
// calls are theirs to release and are not counted.
namespace {

std::set<HGDIOBJ> &LiveGdiObjects()
{
    static std::set<HGDIOBJ> live;
    return live;
}

HGDIOBJ Made(HGDIOBJ object)
{
    if (object)
        LiveGdiObjects().insert(object);
    return object;
}

BOOL Deleted(HGDIOBJ object, BOOL ok)
{
    if (ok)
        LiveGdiObjects().erase(object);
    return ok;
}

// The counters live in this program too, so they call the real functions through the
// addresses their slots held before.
enum GdiFunction { kCreateCompatibleDC, kCreateCompatibleBitmap, kCreateBitmap, kCreateDIBSection,
                   kCreateSolidBrush, kCreatePen, kCreateFontIndirectW, kCreateRectRgn, kLoadImageW,
                   kDeleteObject, kDeleteDC, kGdiFunctionCount };
void *g_real[kGdiFunctionCount];

template <typename F> F Real(GdiFunction f) { return (F)g_real[f]; }

HDC WINAPI CountedCreateCompatibleDC(HDC dc)
{
    return (HDC)Made(Real<decltype(&CreateCompatibleDC)>(kCreateCompatibleDC)(dc));
}
HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC dc, int cx, int cy)
{
    return (HBITMAP)Made(Real<decltype(&CreateCompatibleBitmap)>(kCreateCompatibleBitmap)(dc, cx, cy));
}
HBITMAP WINAPI CountedCreateBitmap(int cx, int cy, UINT planes, UINT bits, const void *data)
{
    return (HBITMAP)Made(Real<decltype(&CreateBitmap)>(kCreateBitmap)(cx, cy, planes, bits, data));
}
HBITMAP WINAPI CountedCreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits,
                                       HANDLE section, DWORD offset)
{
    return (HBITMAP)Made(Real<decltype(&CreateDIBSection)>(kCreateDIBSection)(dc, info, usage, bits,
                                                                              section, offset));
}
HBRUSH WINAPI CountedCreateSolidBrush(COLORREF color)
{
    return (HBRUSH)Made(Real<decltype(&CreateSolidBrush)>(kCreateSolidBrush)(color));
}
HPEN WINAPI CountedCreatePen(int style, int width, COLORREF color)
{
    return (HPEN)Made(Real<decltype(&CreatePen)>(kCreatePen)(style, width, color));
}
HFONT WINAPI CountedCreateFontIndirectW(const LOGFONTW *font)
{
    return (HFONT)Made(Real<decltype(&CreateFontIndirectW)>(kCreateFontIndirectW)(font));
}
HRGN WINAPI CountedCreateRectRgn(int l, int t, int r, int b)
{
    return (HRGN)Made(Real<decltype(&CreateRectRgn)>(kCreateRectRgn)(l, t, r, b));
}
HANDLE WINAPI CountedLoadImageW(HINSTANCE module, LPCWSTR name, UINT type, int cx, int cy, UINT flags)
{
    HANDLE image = Real<decltype(&LoadImageW)>(kLoadImageW)(module, name, type, cx, cy, flags);
    return type == IMAGE_BITMAP ? (HANDLE)Made(image) : image;
}
BOOL WINAPI CountedDeleteObject(HGDIOBJ object)
{
    return Deleted(object, Real<decltype(&DeleteObject)>(kDeleteObject)(object));
}
BOOL WINAPI CountedDeleteDC(HDC dc) { return Deleted(dc, Real<decltype(&DeleteDC)>(kDeleteDC)(dc)); }

struct Counter {
    const char *name;
    void *function;
};

const Counter kCounters[kGdiFunctionCount] = {
    { "CreateCompatibleDC", (void *)CountedCreateCompatibleDC },
    { "CreateCompatibleBitmap", (void *)CountedCreateCompatibleBitmap },
    { "CreateBitmap", (void *)CountedCreateBitmap },
    { "CreateDIBSection", (void *)CountedCreateDIBSection },
    { "CreateSolidBrush", (void *)CountedCreateSolidBrush },
    { "CreatePen", (void *)CountedCreatePen },
    { "CreateFontIndirectW", (void *)CountedCreateFontIndirectW },
    { "CreateRectRgn", (void *)CountedCreateRectRgn },
    { "LoadImageW", (void *)CountedLoadImageW },
    { "DeleteObject", (void *)CountedDeleteObject },
    { "DeleteDC", (void *)CountedDeleteDC },
};

// Points this program's import slots of the functions above at their counters.
bool InstallGdiCounters()
{
    BYTE *base = (BYTE *)GetModuleHandleW(NULL);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress);
         dir.VirtualAddress && d->Name; d++) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char *name = (const char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name;
            for (int f = 0; f < kGdiFunctionCount; f++) {
                if (strcmp(name, kCounters[f].name) != 0)
                    continue;
                DWORD old;
                VirtualProtect(&slots->u1.Function, sizeof(void *), PAGE_READWRITE, &old);
                g_real[f] = (void *)slots->u1.Function;
                slots->u1.Function = (ULONG_PTR)kCounters[f].function;
                VirtualProtect(&slots->u1.Function, sizeof(void *), old, &old);
            }
        }
    }
    // A function the program does not import makes nothing; the deletions must be seen.
    return g_real[kDeleteObject] && g_real[kDeleteDC];
}

const bool kGdiCountersInstalled = InstallGdiCounters();

}  // namespace

int GdiObjectCount()
{
    return kGdiCountersInstalled ? (int)LiveGdiObjects().size() : -1;
}

static void SendPen(DWORD flags, int screenX, int screenY)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    // Absolute positions are 65536ths of the screen, mapped back by truncation: round up.
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = (screenX * 65536 + w - 1) / w;
    input.mi.dy = (screenY * 65536 + h - 1) / h;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void PenMoveTo(int screenX, int screenY) { SendPen(0, screenX, screenY); }
void PenDown(int screenX, int screenY) { SendPen(MOUSEEVENTF_LEFTDOWN, screenX, screenY); }
void PenUp(int screenX, int screenY) { SendPen(MOUSEEVENTF_LEFTUP, screenX, screenY); }

POINT ScreenPoint(HWND window, int x, int y)
{
    POINT pt = { x, y };
    ClientToScreen(window, &pt);
    return pt;
}

void ResetItemState()
{
    g_Config.Settings = DefaultSettings();
    g_Item.HighlightedEntry = InitialItemState().HighlightedEntry;
    g_Item.FocusedEntry = InitialItemState().FocusedEntry;
}

void PlacePen(int screenX, int screenY)
{
    // Confining the cursor makes the X server move its pointer into the confining area.
    RECT spot = { screenX, screenY, screenX + 1, screenY + 1 };
    ClipCursor(&spot);
    PumpMessages(30);
    ClipCursor(NULL);
    DWORD start = GetTickCount();
    POINT pt = {};
    do {
        PenMoveTo(screenX, screenY);
        PumpMessages(120);   // Wine re-reads the X pointer after 100 ms without input
        GetCursorPos(&pt);
    } while ((pt.x != screenX || pt.y != screenY) && GetTickCount() - start < 2000);
    if (pt.x != screenX || pt.y != screenY)
        fprintf(stderr, "PlacePen: the pen went to %ld,%ld, not %d,%d\n", pt.x, pt.y, screenX, screenY);
    PumpMessages(20);
}
