#include "gdi_count.h"
#include <string.h>
#include <set>

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

long g_made;
long long g_largestBitmap;

HGDIOBJ Made(HGDIOBJ object)
{
    if (object) {
        LiveGdiObjects().insert(object);
        g_made++;
    }
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
    if ((long long)cx * cy > g_largestBitmap)
        g_largestBitmap = (long long)cx * cy;
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

long GdiObjectsMade() { return g_made; }

long long TakeLargestBitmapArea()
{
    long long largest = g_largestBitmap;
    g_largestBitmap = 0;
    return largest;
}
