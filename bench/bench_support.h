// Helpers of the benchmarks: timing in rounds against a floor, registry set-up and the
// sandboxed device folder. The rest (the stand-in Today window, pictures, set-up) is the
// test kit's (tests/support).
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "harness.h"

// ---- Timing ----------------------------------------------------------------------------

double Seconds();   // a monotonic clock

struct Comparison {
    double ratio;        // fastest product operation / fastest floor operation
    double floorMs;      // the fastest floor operation
    double productMs;    // the fastest product operation
    double lowRatio;     // the smallest and largest ratio of single rounds, for the spread
    double highRatio;
};

// Runs the floor (floorReps times) and the product (productReps times) alternately, for
// `rounds` rounds after one warm-up round. Each side's time is the fastest of its rounds:
// on a shared machine the fastest round is the one least disturbed, and interleaving the
// sides gives both the same chances. `between` (optional) runs outside the timed parts.
Comparison Compare(int rounds, int floorReps, int productReps, const std::function<void()> &floorOp,
                   const std::function<void()> &productOp,
                   const std::function<void()> &between = nullptr);

// ---- Registry --------------------------------------------------------------------------

// (the plain writers are the tests' set-up helpers, harness.h)
void WriteDefaultSettings(DWORD iconSize);
// count entries named "Entry NNNN" whose Index values are a fixed shuffle of 0 .. count-1,
// so that loading has to sort them; files[i % files.size()] is entry i's file.
void WriteEntries(int count, const std::vector<std::wstring> &files);

// ---- Device folder ---------------------------------------------------------------------

// A few real files and folders under "\bench" for entries to point at.
std::vector<std::wstring> MakeDeviceFiles();
