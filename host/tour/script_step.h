// One step of a script as the steps (steps.cpp) and the probes (probes.cpp) share it: the
// step as read, what running it came to, and the windows it looks at.
#pragma once
#include <windows.h>
#include <string>

struct Step;

// What running a step came to.
struct StepOutcome {
    enum Kind {
        Next,     // done: the next step runs after ms
        Again,    // not yet done (a wait for a window, a shot's flush): it runs again after ms
        Failed,   // the script fails with error
        End,      // the script ends here, successfully
    } kind;
    DWORD ms;
    std::wstring error;
};
inline StepOutcome NextStep(DWORD ms = 0) { return { StepOutcome::Next, ms, L"" }; }
inline StepOutcome RunAgain(DWORD ms) { return { StepOutcome::Again, ms, L"" }; }
inline StepOutcome StepFailed(const std::wstring &error) { return { StepOutcome::Failed, 0, error }; }
inline StepOutcome EndScript() { return { StepOutcome::End, 0, L"" }; }

// Runs a step against the live screen.
typedef StepOutcome (*StepRunner)(const Step &step);

struct Step {
    StepRunner run = nullptr;
    int line = 0;
    int x = 0;           // a point, or the control id of `press`
    int y = 0;
    std::wstring item;   // origin of X Y, when given
    UINT vk = 0;
    DWORD ms = 0;
    std::wstring text;   // a shot's file name, a window class, a list row, an input panel key
};

// The step's X Y on the screen: as they are, or from the top-left corner of its item. False
// (and why in *error) when the Today screen shows no such item.
bool StepPoint(const Step &step, POINT *screen, std::wstring *error);
// "CLASS 'title'", for the log.
std::wstring Describe(HWND window);
// Our topmost open dialog (not the name label), or NULL.
HWND FindOpenDialog();
