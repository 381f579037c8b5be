// The probes. Each writes one line "probe WHAT ..." (items: a line per item) to the event log.
#include "host/tour/probes.h"
#include "host/device/log.h"
#include "host/shell/bars.h"
#include "host/shell/input_panel.h"
#include "host/shell/today.h"
#include "platform/shell_windows.h"

static std::wstring Hex(COLORREF colour)
{
    wchar_t text[8];
    wsprintfW(text, L"%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

static BOOL CALLBACK FindLabelStep(HWND window, LPARAM data)
{
    if (IsOwnedByTaskBar(window)) {
        *(HWND *)data = window;
        return FALSE;
    }
    return TRUE;
}

// `probe label`: the name label of an item, the popup it gives the task bar as owner.
static void LogLabel()
{
    HWND label = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindLabelStep, (LPARAM)&label);
    RECT r = {};
    if (label)
        GetWindowRect(label, &r);
    if (!label)
        HostLog(L"probe label none");
    else
        HostLog(L"probe label %ls %ld %ld %ld %ld", IsWindowVisible(label) ? L"visible" : L"hidden", (long)r.left,
                (long)r.top, (long)r.right, (long)r.bottom);
}

// `probe pixel X Y [ITEM]`: the screen's colour there, and the Today background's.
static void LogPixel(POINT point)
{
    HDC screen = GetDC(NULL);
    COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(NULL, screen);
    COLORREF background;
    bool inside = TodayBackgroundAt(point, &background);
    HostLog(L"probe pixel %ld %ld %ls background %ls", (long)point.x, (long)point.y, Hex(colour).c_str(),
            inside ? Hex(background).c_str() : L"none");
}

// `probe at X Y [ITEM]`: the window there.
static void LogWindowAt(POINT point)
{
    HWND window = WindowFromPoint(point);
    HostLog(L"probe at %ld %ld %ls", (long)point.x, (long)point.y, window ? Describe(window).c_str() : L"none");
}

// `probe dialog`: our open dialog, where it is, and whether it asked for the Done button.
static void LogDialog()
{
    HWND dialog = FindOpenDialog();
    if (!dialog) {
        HostLog(L"probe dialog none");
        return;
    }
    RECT r;
    GetWindowRect(dialog, &r);
    HostLog(L"probe dialog %ls %ld %ld %ld %ld done=%d", Describe(dialog).c_str(), (long)r.left, (long)r.top,
            (long)r.right, (long)r.bottom, GetPropW(dialog, SHELL_DONE_BUTTON_PROP) ? 1 : 0);
}

// `probe items`: the Today screen's items, where they are, and which has the selection.
static void LogItems()
{
    for (const ItemView &view : TodayItemViews())
        HostLog(L"probe item %ls %ld %ld %ld %ld selected=%d", view.name.c_str(), (long)view.screenRect.left,
                (long)view.screenRect.top, (long)view.screenRect.right, (long)view.screenRect.bottom,
                view.selected ? 1 : 0);
}

// `probe sip`: whether the input panel is up.
static void LogSip() { HostLog(L"probe sip %ls", InputPanelIsUp() ? L"up" : L"down"); }

// `probe taskbar`: the task bar's title and its buttons.
static void LogTaskBar()
{
    RECT ok;
    bool shown = TaskBarOkRect(&ok);
    HostLog(L"probe taskbar '%ls' ok=%d close=%d", TaskBarTitle().c_str(), shown ? 1 : 0,
            TaskBarShowsClose() ? 1 : 0);
}

// ---- As steps

template <void (*probe)()> static StepOutcome Plain(const Step &)
{
    probe();
    return NextStep();
}

// At the step's point; a step whose item is not on the screen fails.
template <void (*probe)(POINT)> static StepOutcome AtPoint(const Step &step)
{
    POINT point;
    std::wstring error;
    if (!StepPoint(step, &point, &error))
        return StepFailed(error);
    probe(point);
    return NextStep();
}

StepRunner FindProbe(const std::wstring &what, bool *takesPoint)
{
    static const struct {
        const wchar_t *name;
        bool takesPoint;
        StepRunner run;
    } probes[] = {
        { L"label", false, Plain<LogLabel> }, { L"pixel", true, AtPoint<LogPixel> },
        { L"at", true, AtPoint<LogWindowAt> }, { L"dialog", false, Plain<LogDialog> },
        { L"items", false, Plain<LogItems> }, { L"sip", false, Plain<LogSip> },
        { L"taskbar", false, Plain<LogTaskBar> },
    };
    for (const auto &probe : probes)
        if (what == probe.name) {
            *takesPoint = probe.takesPoint;
            return probe.run;
        }
    return nullptr;
}
