// The steps of a script: what each does on the live screen, what it reads from its line,
// and their table, which is also their list (at the end of this file).
#include "host/tour/steps.h"
#include <windows.h>
#include <commctrl.h>
#include "host/device/log.h"
#include "host/device/paths.h"
#include "host/installer/installer.h"
#include "host/shell/bars.h"
#include "host/shell/input_panel.h"
#include "host/shell/messages.h"
#include "host/shell/rotation.h"
#include "host/shell/screen.h"
#include "host/shell/today.h"
#include "host/tour/capture.h"
#include "host/tour/probes.h"
#include "wince_testing.h"

// ---- The pen

// The pen goes to the window holding the capture, else to the window under the point,
// in that window's client coordinates.
static bool PostPen(const Step &step, UINT message, const std::wstring &name, std::wstring *error)
{
    POINT screen;
    if (!StepPoint(step, &screen, error))
        return false;
    HWND target = GetCapture();
    if (!target)
        target = WindowFromPoint(screen);
    if (!target) {
        *error = L"no window under the point";
        return false;
    }
    POINT client = screen;
    ScreenToClient(target, &client);
    PostMessageW(target, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(client.x, client.y));
    HostLog(L"step %d: %ls %ld %ld -> %ls at %ld %ld", step.line, name.c_str(), (long)screen.x, (long)screen.y,
            Describe(target).c_str(), (long)client.x, (long)client.y);
    return true;
}

// Pen down and up at the step's point.
static StepOutcome TapStep(const Step &step, const std::wstring &name)
{
    std::wstring error;
    if (!PostPen(step, WM_LBUTTONDOWN, name, &error) || !PostPen(step, WM_LBUTTONUP, L"release", &error))
        return StepFailed(error);
    return NextStep();
}

// Pen down and up at a point of the screen that the step has found.
static StepOutcome TapScreen(const Step &step, POINT screen, const std::wstring &name)
{
    Step tap = step;
    tap.x = screen.x;
    tap.y = screen.y;
    tap.item.clear();
    return TapStep(tap, name);
}

static POINT Centre(const RECT &rect) { return { (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2 }; }

static StepOutcome Tap(const Step &step) { return TapStep(step, L"tap"); }

static StepOutcome PenDown(const Step &step)
{
    std::wstring error;
    return PostPen(step, WM_LBUTTONDOWN, L"pen down", &error) ? NextStep() : StepFailed(error);
}

static StepOutcome PenUp(const Step &step)
{
    std::wstring error;
    return PostPen(step, WM_LBUTTONUP, L"pen up", &error) ? NextStep() : StepFailed(error);
}

// ---- Keys, the soft keys and the task bar

// A key goes to the focused control of our open dialog (or to the dialog), else to the
// Today window.
static StepOutcome Key(const Step &step)
{
    HostLog(L"step %d: key %u", step.line, step.vk);
    HWND target = g_today;
    HWND dialog = FindOpenDialog();
    if (dialog) {
        HWND focus = GetFocus();
        target = focus && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
    }
    PostKeyPress(target, step.vk);
    return NextStep();
}

static StepOutcome Options(const Step &step)
{
    HostLog(L"step %d: options", step.line);
    PostMessageW(g_today, WM_HOST_OPTIONS, 0, 0);
    return NextStep();
}

static StepOutcome Refresh(const Step &step)
{
    HostLog(L"step %d: refresh", step.line);
    PostMessageW(g_today, WM_HOST_RECREATE, 0, 0);
    return NextStep();
}

static StepOutcome TaskBarOk(const Step &step)
{
    RECT ok;
    if (!TaskBarOkRect(&ok))
        return StepFailed(L"the task bar shows no ok");
    POINT client = Centre(ok);
    HostLog(L"step %d: ok", step.line);
    ScreenToClient(g_taskBar, &client);
    PostMessageW(g_taskBar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageW(g_taskBar, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    return NextStep();
}

static StepOutcome Close(const Step &step)
{
    HWND dialog = FindOpenDialog();
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground)
        GetWindowThreadProcessId(foreground, &process);
    if (dialog) {
        HostLog(L"step %d: close %ls", step.line, Describe(dialog).c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (foreground && process != GetCurrentProcessId()) {
        HostLog(L"step %d: close %ls", step.line, Describe(foreground).c_str());
        PostMessageW(foreground, WM_CLOSE, 0, 0);
    } else {
        HostLog(L"step %d: close: nothing to close", step.line);
    }
    return NextStep();
}

// ---- The open dialog

// A control out of the dialog's sight is scrolled into it first, a line at a time, as the
// pen would on the arrows of the dialog's scroll bar.
static void ScrollIntoView(HWND dialog, HWND control)
{
    for (int line = 0; line < 200 && (GetWindowLongW(dialog, GWL_STYLE) & WS_VSCROLL); line++) {
        RECT client, rect;
        GetClientRect(dialog, &client);
        GetWindowRect(control, &rect);
        MapWindowPoints(NULL, dialog, (POINT *)&rect, 2);
        int middle = (rect.top + rect.bottom) / 2;
        if (middle >= client.top && middle < client.bottom)
            return;
        SendMessageW(dialog, WM_VSCROLL, middle < client.top ? SB_LINEUP : SB_LINEDOWN, 0);
    }
}

// The centre of a rectangle of window's client area, on the screen.
static POINT CentreOnScreen(HWND window, const RECT &client)
{
    POINT centre = Centre(client);
    ClientToScreen(window, &centre);
    return centre;
}

// The open dialog's control that a step names, shown; NULL when there is none.
static HWND OpenDialogControl(const Step &step, HWND *dialog)
{
    *dialog = FindOpenDialog();
    HWND control = *dialog ? GetDlgItem(*dialog, step.x) : NULL;
    return control && IsWindowVisible(control) ? control : NULL;
}

static StepOutcome NoSuchControl(const Step &step)
{
    return StepFailed(L"the open dialog shows no control " + std::to_wstring(step.x));
}

static StepOutcome Press(const Step &step)
{
    HWND dialog;
    HWND control = OpenDialogControl(step, &dialog);
    if (!control)
        return NoSuchControl(step);
    ScrollIntoView(dialog, control);
    RECT rect;
    GetClientRect(control, &rect);
    return TapScreen(step, CentreOnScreen(control, rect), L"press");
}

// The whole control in sight, as far as the scroll bar goes.
static StepOutcome ScrollTo(const Step &step)
{
    HWND dialog;
    HWND control = OpenDialogControl(step, &dialog);
    if (!control)
        return NoSuchControl(step);
    ScrollIntoView(dialog, control);
    for (int line = 0; line < 200 && (GetWindowLongW(dialog, GWL_STYLE) & WS_VSCROLL); line++) {
        RECT client, rect;
        GetClientRect(dialog, &client);
        GetWindowRect(control, &rect);
        MapWindowPoints(NULL, dialog, (POINT *)&rect, 2);
        int position = GetScrollPos(dialog, SB_VERT);
        if (rect.bottom <= client.bottom)
            break;
        SendMessageW(dialog, WM_VSCROLL, SB_LINEDOWN, 0);
        if (GetScrollPos(dialog, SB_VERT) == position)
            break;
    }
    HostLog(L"step %d: scroll %d, at %d", step.line, step.x, GetScrollPos(dialog, SB_VERT));
    return NextStep();
}

static StepOutcome Pick(const Step &step)
{
    HWND dialog = FindOpenDialog();
    HWND list = dialog ? FindWindowExW(dialog, NULL, WC_LISTVIEWW, NULL) : NULL;
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = step.text.c_str();
    int row = list ? (int)SendMessageW(list, LVM_FINDITEMW, (WPARAM)-1, (LPARAM)&find) : -1;
    if (row < 0)
        return StepFailed(L"the open dialog lists no '" + step.text + L"'");
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
    RECT rect;
    rect.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&rect);
    return TapScreen(step, CentreOnScreen(list, rect), L"pick");
}

static StepOutcome StopUnlessDialog(const Step &step)
{
    if (FindOpenDialog())
        return NextStep();
    HostLog(L"step %d: no dialog is open; the script ends here", step.line);
    return EndScript();
}

// ---- The input panel

static StepOutcome Sip(const Step &step)
{
    RECT rect;
    if (!MenuBarKeyboardRect(&rect))
        return StepFailed(L"the soft-key bar has no keyboard button");
    return TapScreen(step, Centre(rect), L"keyboard button");
}

static StepOutcome PanelKey(const Step &step)
{
    RECT rect;
    if (!InputPanelIsUp() || !InputPanelKeyRect(step.text, &rect))
        return StepFailed(L"the input panel is down");
    return TapScreen(step, Centre(rect), L"key " + step.text);
}

// ---- The installer

// The CAB (the emulator's own when the step names none) opened as from File Explorer: the
// outcome is logged and shown, a refusal included; it is no failure of the script.
static StepOutcome Install(const Step &step)
{
    std::wstring path = step.text.empty() ? g_packageCab : step.text, message;
    InstallCab(path, g_today, &message);
    HostLog(L"step %d: install %ls: %ls", step.line, path.c_str(), message.c_str());
    ShowNotice(message);
    return NextStep();
}

static StepOutcome Remove(const Step &step)
{
    std::wstring message;
    RemovePackage(step.text, g_today, &message);
    HostLog(L"step %d: remove %ls: %ls", step.line, step.text.c_str(), message.c_str());
    ShowNotice(message);
    return NextStep();
}

// ---- The screen

// A square screen has nothing to turn: logged, and the script goes on; a display that
// refuses the turned size fails the script.
static StepOutcome Rotate(const Step &step)
{
    std::wstring error;
    if (RotateScreen(&error))
        return NextStep();
    HostLog(L"step %d: rotate: %ls", step.line, error.c_str());
    return g_screen.width == g_screen.height ? NextStep() : StepFailed(L"rotate: " + error);
}

// ---- Time and screenshots

static StepOutcome Wait(const Step &step) { return NextStep(step.ms); }

static bool g_awaiting;
static DWORD g_awaitStart;

static StepOutcome Await(const Step &step)
{
    DWORD now = GetTickCount();
    HWND window = FindWindowW(step.text.c_str(), NULL);
    if (window && IsWindowVisible(window)) {
        g_awaiting = false;
        HostLog(L"step %d: await %ls: there", step.line, step.text.c_str());
        return NextStep();
    }
    if (!g_awaiting) {
        g_awaiting = true;
        g_awaitStart = now;
    } else if (now - g_awaitStart >= step.ms) {
        g_awaiting = false;
        return StepFailed(L"no window of class " + step.text + L" within " + std::to_wstring(step.ms) + L" ms");
    }
    return RunAgain(30);
}

static BOOL CALLBACK RedrawStep(HWND window, LPARAM)
{
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

static bool g_shotFlushed;   // the screen is brought up to date for the shot under way

static StepOutcome Shot(const Step &step)
{
    if (!g_shotFlushed) {
        // Bring every window of ours up to date and give the display a moment.
        RefreshBars();
        RaiseTopmostWindows();
        EnumThreadWindows(GetCurrentThreadId(), RedrawStep, 0);
        g_shotFlushed = true;
        return RunAgain(150);
    }
    g_shotFlushed = false;
    std::wstring path = JoinPath(g_outDir, step.text);
    std::wstring error;
    if (!SaveScreenPng(path, &error))
        return StepFailed(L"screenshot " + path + L": " + error);
    HostLog(L"step %d: shot %ls", step.line, path.c_str());
    return NextStep();
}

// ---- Reading a line

// A line of the script without its comment, and its words; the first names the step.
struct StepLine {
    std::wstring text;
    std::vector<std::wstring> words;
};

static std::vector<std::wstring> Split(const std::wstring &line)
{
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && iswspace(line[i]))
            i++;
        size_t start = i;
        while (i < line.size() && !iswspace(line[i]))
            i++;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

static std::wstring Lower(std::wstring word)
{
    for (auto &c : word)
        c = towlower(c);
    return word;
}

static bool ParseInt(const std::wstring &word, int *value)
{
    if (word.empty())
        return false;
    wchar_t *end = NULL;
    long number = wcstol(word.c_str(), &end, 10);
    if (*end || number < -100000 || number > 100000)
        return false;
    *value = (int)number;
    return true;
}

static std::wstring JoinFrom(const std::vector<std::wstring> &words, size_t first)
{
    std::wstring joined;
    for (size_t i = first; i < words.size(); i++)
        joined += (joined.empty() ? L"" : L" ") + words[i];
    return joined;
}

// X Y and an optional item name (which may hold spaces) from words[first].
static bool ParsePoint(const std::vector<std::wstring> &words, size_t first, Step *step)
{
    if (words.size() < first + 2 || !ParseInt(words[first], &step->x) || !ParseInt(words[first + 1], &step->y))
        return false;
    step->item = JoinFrom(words, first + 2);
    return true;
}

// ---- What each step reads: the rest of its line into the steps it makes of `step` (its
// line number and what it does filled in already). False when the line cannot be read.

typedef bool (*StepReader)(const StepLine &line, Step step, std::vector<Step> *steps);

static bool Made(const Step &step, std::vector<Step> *steps)
{
    steps->push_back(step);
    return true;
}

static bool ReadNothing(const StepLine &line, Step step, std::vector<Step> *steps)
{
    return line.words.size() == 1 && Made(step, steps);
}

static bool ReadPoint(const StepLine &line, Step step, std::vector<Step> *steps)
{
    return ParsePoint(line.words, 1, &step) && Made(step, steps);
}

// The rest of the line, spaces and all: a file name, a list row.
static bool ReadRest(const StepLine &line, Step step, std::vector<Step> *steps)
{
    step.text = JoinFrom(line.words, 1);
    return !step.text.empty() && Made(step, steps);
}

// The rest of the line, which may be empty.
static bool ReadOptionalRest(const StepLine &line, Step step, std::vector<Step> *steps)
{
    step.text = JoinFrom(line.words, 1);
    return Made(step, steps);
}

// Pen down, held past the hold time of the platform's gesture check, then this step: up.
static bool ReadHold(const StepLine &line, Step step, std::vector<Step> *steps)
{
    if (!ParsePoint(line.words, 1, &step))
        return false;
    Step down = step;
    down.run = PenDown;
    Step wait;
    wait.run = Wait;
    wait.line = step.line;
    wait.ms = WinceGetHoldTime() + 300;
    steps->push_back(down);
    steps->push_back(wait);
    return Made(step, steps);
}

static UINT KeyCode(const std::wstring &name)
{
    static const struct {
        const wchar_t *name;
        UINT vk;
    } names[] = {
        { L"up", VK_UP }, { L"down", VK_DOWN }, { L"left", VK_LEFT }, { L"right", VK_RIGHT },
        { L"return", VK_RETURN }, { L"enter", VK_RETURN }, { L"action", VK_RETURN },
        { L"escape", VK_ESCAPE }, { L"esc", VK_ESCAPE }, { L"tab", VK_TAB }, { L"space", VK_SPACE },
    };
    std::wstring lower = Lower(name);
    for (const auto &n : names)
        if (lower == n.name)
            return n.vk;
    return 0;
}

static bool ReadKey(const StepLine &line, Step step, std::vector<Step> *steps)
{
    return line.words.size() == 2 && (step.vk = KeyCode(line.words[1])) != 0 && Made(step, steps);
}

static bool ReadWait(const StepLine &line, Step step, std::vector<Step> *steps)
{
    int ms = 0;
    if (line.words.size() != 2 || !ParseInt(line.words[1], &ms) || ms < 0)
        return false;
    step.ms = (DWORD)ms;
    return Made(step, steps);
}

static bool ReadAwait(const StepLine &line, Step step, std::vector<Step> *steps)
{
    const std::vector<std::wstring> &words = line.words;
    int ms = 5000;
    if (!(words.size() == 2 || (words.size() == 3 && ParseInt(words[2], &ms) && ms >= 0)))
        return false;
    step.text = words[1];
    step.ms = (DWORD)ms;
    return Made(step, steps);
}

static bool ReadPress(const StepLine &line, Step step, std::vector<Step> *steps)
{
    return line.words.size() == 2 && ParseInt(line.words[1], &step.x) && step.x > 0 && Made(step, steps);
}

static bool ReadStopUnless(const StepLine &line, Step step, std::vector<Step> *steps)
{
    return line.words.size() == 2 && line.words[1] == L"dialog" && Made(step, steps);
}

// The probe named by the next word, then its point where it takes one.
static bool ReadProbe(const StepLine &line, Step step, std::vector<Step> *steps)
{
    bool takesPoint = false;
    if (line.words.size() < 2 || !(step.run = FindProbe(line.words[1], &takesPoint)))
        return false;
    step.text = line.words[1];
    return (takesPoint ? ParsePoint(line.words, 2, &step) : line.words.size() == 2) && Made(step, steps);
}

// One step a tap on the input panel.
static bool MadeTaps(const std::vector<std::wstring> &keys, Step step, std::vector<Step> *steps)
{
    for (const std::wstring &key : keys) {
        step.text = key;
        steps->push_back(step);
    }
    return true;
}

// The keys that type the text (the rest of the line as written), those of each character
// one after the other.
static bool ReadType(const StepLine &line, Step step, std::vector<Step> *steps)
{
    const std::wstring &word = line.words[0];
    size_t start = line.text.find_first_not_of(L" \t", line.text.find(word) + word.size());
    std::wstring text = start == std::wstring::npos ? L"" : line.text.substr(start);
    while (!text.empty() && iswspace(text.back()))
        text.pop_back();
    std::vector<std::wstring> keys, typed;
    for (wchar_t c : text) {
        if (!InputPanelKeysFor(c, &typed))
            return false;
        keys.insert(keys.end(), typed.begin(), typed.end());
    }
    return !text.empty() && MadeTaps(keys, step, steps);
}

// A key N times.
static bool ReadPanel(const StepLine &line, Step step, std::vector<Step> *steps)
{
    const std::vector<std::wstring> &words = line.words;
    int count = 1;
    if (!(words.size() == 2 || (words.size() == 3 && ParseInt(words[2], &count) && count > 0))
        || !InputPanelHasKey(words[1]))
        return false;
    return MadeTaps(std::vector<std::wstring>((size_t)count, words[1]), step, steps);
}

// ---- The steps

// A script has one step a line; '#' starts a comment, and a step's name is read in any case.
// X Y are screen pixels, or relative to the top-left corner of ITEM, an item's name (spaces
// and all). This table is the list of the steps.
struct StepSyntax {
    const wchar_t *name;
    StepReader read;
    StepRunner run;
};
static const StepSyntax kSteps[] = {
    // tap X Y [ITEM]: pen down and up
    { L"tap", ReadPoint, Tap },
    // hold X Y [ITEM]: pen down, held past the hold time, then up at the same point
    { L"hold", ReadHold, PenUp },
    // down X Y [ITEM], up X Y [ITEM]: pen down only, pen up only
    { L"down", ReadPoint, PenDown },
    { L"up", ReadPoint, PenUp },
    // key NAME: up, down, left, right, return (or enter, action), escape (esc), tab, space
    { L"key", ReadKey, Key },
    // options: the Options soft key
    { L"options", ReadNothing, Options },
    // ok: the task bar's "ok"
    { L"ok", ReadNothing, TaskBarOk },
    // close: cancels our topmost dialog, else closes another program's window
    { L"close", ReadNothing, Close },
    // refresh: unloads and loads all items again
    { L"refresh", ReadNothing, Refresh },
    // wait MS
    { L"wait", ReadWait, Wait },
    // await CLASS [MS]: waits (5 s at most, or MS) for a visible window of that class
    { L"await", ReadAwait, Await },
    // shot FILE.png: a screenshot of the whole screen, the file relative to --out
    { L"shot", ReadRest, Shot },
    // probe label | pixel X Y [ITEM] | at X Y [ITEM] | dialog | items | taskbar | sip:
    // writes what it sees to the event log (probes.cpp)
    { L"probe", ReadProbe, nullptr },
    // stop-unless dialog: ends the script here (successfully) when no dialog is open
    { L"stop-unless", ReadStopUnless, StopUnlessDialog },
    // press ID: a tap on the centre of control ID of the open dialog (scrolled into sight first)
    { L"press", ReadPress, Press },
    // scroll ID: the open dialog scrolled until control ID is in sight, as press does first
    { L"scroll", ReadPress, ScrollTo },
    // pick TEXT: a tap on the row of the open dialog's list whose first column is TEXT
    { L"pick", ReadRest, Pick },
    // sip: a tap on the soft-key bar's keyboard button: the input panel up or down
    { L"sip", ReadNothing, Sip },
    // type TEXT: taps on the input panel's keys that type TEXT (shift before a capital)
    { L"type", ReadType, PanelKey },
    // panel KEY [N]: N taps (1) on a key of the input panel: backspace, enter, shift, space,
    // left, right, or the character the key types unshifted
    { L"panel", ReadPanel, PanelKey },
    // install [FILE]: the device's installer takes a CAB (the emulator's Tapshelf.cab, or
    // FILE) as File Explorer hands it over
    { L"install", ReadOptionalRest, Install },
    // remove NAME: removes the installed package of that application, as Remove Programs does
    { L"remove", ReadRest, Remove },
    // rotate: turns the screen between portrait and landscape, as the device's rotation does
    { L"rotate", ReadNothing, Rotate },
};

bool ReadStepLine(const std::wstring &raw, int number, std::vector<Step> *steps, std::wstring *error)
{
    StepLine line;
    line.text = raw.substr(0, raw.find(L'#'));
    line.words = Split(line.text);
    if (line.words.empty())
        return true;
    std::wstring name = Lower(line.words[0]);
    for (const StepSyntax &syntax : kSteps) {
        if (name != syntax.name)
            continue;
        Step step;
        step.line = number;
        step.run = syntax.run;
        if (syntax.read(line, step, steps))
            return true;
        *error = L"line " + std::to_wstring(number) + L": cannot read '" + JoinFrom(line.words, 0) + L"'";
        return false;
    }
    *error = L"line " + std::to_wstring(number) + L": unknown step '" + line.words[0] + L"'";
    return false;
}
