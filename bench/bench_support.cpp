#include "bench_support.h"
#include <algorithm>
#include <shlwapi.h>
#include "store/store.h"

// ---- Timing ----------------------------------------------------------------------------

double Seconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

static double TimeOf(int reps, const std::function<void()> &op)
{
    double start = Seconds();
    for (int i = 0; i < reps; i++)
        op();
    return (Seconds() - start) / reps;
}

Comparison Compare(int rounds, int floorReps, int productReps, const std::function<void()> &floorOp,
                   const std::function<void()> &productOp, const std::function<void()> &between)
{
    std::vector<double> ratios, floors, products;
    for (int round = -1; round < rounds; round++) {   // round -1 warms caches and is dropped
        double floorTime, productTime;
        // Alternate which side goes first, so neither always runs on a warmer cache.
        if (round % 2 == 0) {
            floorTime = TimeOf(floorReps, floorOp);
            if (between) between();
            productTime = TimeOf(productReps, productOp);
        } else {
            productTime = TimeOf(productReps, productOp);
            if (between) between();
            floorTime = TimeOf(floorReps, floorOp);
        }
        if (between) between();
        if (round < 0)
            continue;
        ratios.push_back(productTime / floorTime);
        floors.push_back(floorTime);
        products.push_back(productTime);
    }
    Comparison c;
    c.floorMs = *std::min_element(floors.begin(), floors.end()) * 1000;
    c.productMs = *std::min_element(products.begin(), products.end()) * 1000;
    c.ratio = c.productMs / c.floorMs;
    c.lowRatio = *std::min_element(ratios.begin(), ratios.end());
    c.highRatio = *std::max_element(ratios.begin(), ratios.end());
    return c;
}

// ---- Registry --------------------------------------------------------------------------

// All eleven values stored, as after the options dialog saved them once.
void WriteDefaultSettings(DWORD iconSize)
{
    const DisplaySettings defaults = DefaultSettings();
    WriteSettingString(VALUE_BACKBMPFILE, defaults.backbmpfile);
    for (const NumericSetting &setting : kNumericSettings)
        WriteSettingNumber(setting.name, setting.field == &DisplaySettings::IconSize ? (LONG)iconSize
                                                                                     : defaults.*setting.field);
}

void WriteEntries(int count, const std::vector<std::wstring> &files)
{
    SHDeleteKeyW(HKEY_CURRENT_USER, LIST_KEY_PATH);
    // A fixed shuffle (a linear congruential generator), so every run sorts the same input.
    std::vector<LONG> order(count);
    for (int i = 0; i < count; i++)
        order[i] = i;
    unsigned seed = 12345;
    for (int i = count - 1; i > 0; i--) {
        seed = seed * 1103515245u + 12345u;
        std::swap(order[i], order[(seed >> 8) % (unsigned)(i + 1)]);
    }
    for (int i = 0; i < count; i++) {
        wchar_t name[32];
        wsprintfW(name, L"Entry %04d", i);
        WriteEntryKey(name, files.empty() ? L"" : files[i % files.size()], L"", order[i]);
    }
}

// ---- Device folder ---------------------------------------------------------------------

std::vector<std::wstring> MakeDeviceFiles()
{
    CreateDirectoryW(L"\\bench", NULL);
    CreateDirectoryW(L"\\bench\\Folder", NULL);
    WriteFileText(L"\\bench\\notes.txt", "notes\r\n");
    WriteFileText(L"\\bench\\page.htm", "<html></html>\r\n");
    WriteFileText(L"\\bench\\picture.bmp", "BM");
    // Existing files, a folder, the root, and files that are missing (the default icon).
    return { L"\\bench\\notes.txt", L"\\bench\\Folder", L"\\bench\\page.htm", L"\\",
             L"\\bench\\picture.bmp", L"\\bench\\missing.exe", L"\\Program Files\\gone.lnk" };
}
