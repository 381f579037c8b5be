// Scripted mode: a plain text file of steps run against the live screen, one step per
// line, '#' starts a comment.
//
//   tap X Y [ITEM]     pen down and up; X Y are screen pixels, or relative to ITEM's corner
//   hold X Y [ITEM]    pen down, held past the hold time, then up at the same point
//   down X Y [ITEM]    pen down only        up X Y [ITEM]   pen up only
//   key NAME           up, down, left, right, return, escape, tab, space
//   options            the Options soft key       ok      the task bar's "ok"
//   close              cancels our topmost dialog, else closes another program's window
//   refresh            unloads and loads all items again
//   wait MS            shot FILE.png (relative to --out)
//   await CLASS [MS]   waits (5 s at most, or MS) for a visible window of that class
//   probe label | pixel X Y [ITEM] | at X Y [ITEM] | dialog | items | taskbar
//   stop-unless dialog ends the script here (successfully) when no dialog is open
//   press ID           a tap on the centre of control ID of the open dialog (scrolled into
//                      sight first)
//   pick TEXT          a tap on the row of the open dialog's list whose first column is TEXT
//   sip                a tap on the soft-key bar's keyboard button: the input panel up or down
//   type TEXT          taps on the input panel's keys that type TEXT (shift before a capital)
//   panel KEY [N]      N taps (1) on a key of the input panel: backspace, enter, shift, space,
//                      left, right, or the character a key types unshifted
//   probe sip          whether the input panel is up
//
// Steps run from a thread timer, which every message loop dispatches, modal ones
// included: a step that opens a dialog only posts a message, and the next steps run
// inside that dialog's loop. Timer messages come only when the queue holds nothing else,
// so each step sees the previous one fully handled.
#include "script.h"
#include <windows.h>
#include <commctrl.h>
#include <vector>
#include "bars.h"
#include "capture.h"
#include "input_panel.h"
#include "log.h"
#include "messages.h"
#include "paths.h"
#include "today.h"
#include "wince_testing.h"

enum class Op {
    Tap, Down, Up, Key, Options, Ok, Close, Refresh, Wait, Await, Shot, Probe, StopUnlessDialog, Press, Pick,
    Sip, PanelKey
};

struct Step {
    Op op;
    int line = 0;
    int x = 0;
    int y = 0;
    std::wstring item;   // origin of X Y, when given
    UINT vk = 0;
    DWORD ms = 0;
    std::wstring text;   // file name of a shot, what a probe looks at
};

static std::vector<Step> g_steps;
static size_t g_next;
static DWORD g_notBefore;
static UINT_PTR g_timer;
static bool g_running;
static bool g_busy;
static bool g_stay;
static int g_shotPhase;
static bool g_awaiting;
static DWORD g_awaitStart;

// ---- Parsing

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

static UINT KeyCode(std::wstring name)
{
    for (auto &c : name)
        c = towlower(c);
    struct Name {
        const wchar_t *name;
        UINT vk;
    } names[] = {
        { L"up", VK_UP }, { L"down", VK_DOWN }, { L"left", VK_LEFT }, { L"right", VK_RIGHT },
        { L"return", VK_RETURN }, { L"enter", VK_RETURN }, { L"action", VK_RETURN },
        { L"escape", VK_ESCAPE }, { L"esc", VK_ESCAPE }, { L"tab", VK_TAB }, { L"space", VK_SPACE },
    };
    for (const Name &n : names)
        if (name == n.name)
            return n.vk;
    return 0;
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

// `type TEXT`: the input panel's keys that type TEXT (the rest of the line as written, after
// the step's word), the keys of each character one after the other.
static bool KeysThatType(const std::wstring &line, const std::wstring &word, std::vector<std::wstring> *keys)
{
    size_t start = line.find_first_not_of(L" \t", line.find(word) + word.size());
    std::wstring text = start == std::wstring::npos ? L"" : line.substr(start);
    while (!text.empty() && iswspace(text.back()))
        text.pop_back();
    std::vector<std::wstring> typed;
    for (wchar_t c : text) {
        if (!InputPanelKeysFor(c, &typed))
            return false;
        keys->insert(keys->end(), typed.begin(), typed.end());
    }
    return !text.empty();
}

// `panel KEY [N]`: the key N times.
static bool KeysToPress(const std::vector<std::wstring> &words, std::vector<std::wstring> *keys)
{
    int count = 1;
    if (!(words.size() == 2 || (words.size() == 3 && ParseInt(words[2], &count) && count > 0))
        || !InputPanelHasKey(words[1]))
        return false;
    keys->assign((size_t)count, words[1]);
    return true;
}

static bool ParseLine(const std::wstring &raw, int number, std::vector<Step> *steps, std::wstring *error)
{
    std::wstring line = raw.substr(0, raw.find(L'#'));
    std::vector<std::wstring> words = Split(line);
    if (words.empty())
        return true;
    std::wstring op = words[0];
    for (auto &c : op)
        c = towlower(c);
    Step step;
    step.line = number;
    bool ok = true;
    if (op == L"tap" || op == L"down" || op == L"up" || op == L"hold") {
        ok = ParsePoint(words, 1, &step);
        if (ok && op == L"hold") {
            // The pen stays down past the hold time of the platform's gesture check.
            step.op = Op::Down;
            steps->push_back(step);
            Step wait;
            wait.op = Op::Wait;
            wait.line = number;
            wait.ms = WinceGetHoldTime() + 300;
            steps->push_back(wait);
            step.op = Op::Up;
        } else {
            step.op = op == L"tap" ? Op::Tap : op == L"down" ? Op::Down : Op::Up;
        }
    } else if (op == L"key") {
        step.op = Op::Key;
        ok = words.size() == 2 && (step.vk = KeyCode(words[1])) != 0;
    } else if (op == L"options" || op == L"ok" || op == L"close" || op == L"refresh") {
        step.op = op == L"options" ? Op::Options : op == L"ok" ? Op::Ok : op == L"close" ? Op::Close : Op::Refresh;
        ok = words.size() == 1;
    } else if (op == L"wait") {
        step.op = Op::Wait;
        int ms = 0;
        ok = words.size() == 2 && ParseInt(words[1], &ms) && ms >= 0;
        step.ms = (DWORD)ms;
    } else if (op == L"await") {
        step.op = Op::Await;
        int ms = 5000;
        ok = (words.size() == 2 || (words.size() == 3 && ParseInt(words[2], &ms) && ms >= 0));
        step.text = words.size() >= 2 ? words[1] : L"";
        step.ms = (DWORD)ms;
    } else if (op == L"shot") {
        step.op = Op::Shot;
        step.text = JoinFrom(words, 1);
        ok = !step.text.empty();
    } else if (op == L"probe") {
        step.op = Op::Probe;
        ok = words.size() >= 2;
        if (ok) {
            step.text = words[1];
            if (step.text == L"pixel" || step.text == L"at")
                ok = ParsePoint(words, 2, &step);
            else
                ok = words.size() == 2 && (step.text == L"label" || step.text == L"dialog" || step.text == L"items"
                                           || step.text == L"taskbar" || step.text == L"sip");
        }
    } else if (op == L"press") {
        step.op = Op::Press;
        ok = words.size() == 2 && ParseInt(words[1], &step.x) && step.x > 0;
    } else if (op == L"pick") {
        step.op = Op::Pick;
        step.text = JoinFrom(words, 1);
        ok = !step.text.empty();
    } else if (op == L"sip") {
        step.op = Op::Sip;
        ok = words.size() == 1;
    } else if (op == L"type" || op == L"panel") {
        // One tap a step.
        std::vector<std::wstring> keys;
        ok = op == L"type" ? KeysThatType(line, words[0], &keys) : KeysToPress(words, &keys);
        step.op = Op::PanelKey;
        for (size_t i = 0; ok && i < keys.size(); i++) {
            step.text = keys[i];
            steps->push_back(step);
        }
        if (ok)
            return true;
    } else if (op == L"stop-unless") {
        step.op = Op::StopUnlessDialog;
        ok = words.size() == 2 && words[1] == L"dialog";
    } else {
        *error = L"line " + std::to_wstring(number) + L": unknown step '" + words[0] + L"'";
        return false;
    }
    if (!ok) {
        *error = L"line " + std::to_wstring(number) + L": cannot read '" + JoinFrom(words, 0) + L"'";
        return false;
    }
    steps->push_back(step);
    return true;
}

bool LoadScript(const std::wstring &path, std::wstring *error)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = L"cannot open the script " + path;
        return false;
    }
    DWORD size = GetFileSize(file, NULL);
    if (size > (1u << 20)) {
        CloseHandle(file);
        *error = L"the script " + path + L" is larger than 1 MB";
        return false;
    }
    std::string bytes(size, '\0');
    DWORD read = 0;
    BOOL readOk = size == 0 || ReadFile(file, &bytes[0], size, &read, NULL);
    CloseHandle(file);
    if (!readOk || read != size) {
        *error = L"cannot read the script " + path;
        return false;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::wstring text(bytes.size(), L'\0');
    int length = bytes.empty() ? 0 : MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), &text[0],
                                                         (int)text.size());
    text.resize((size_t)length);

    g_steps.clear();
    int number = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!ParseLine(line, ++number, &g_steps, error)) {
            *error = L"script " + path + L", " + *error;
            return false;
        }
        start = end + 1;
    }
    return true;
}

// ---- Running

static void Finish(int code)
{
    if (!g_running)
        return;
    g_running = false;
    KillTimer(NULL, g_timer);
    HostLog(L"script: done (%d)", code);
    if (code != 0 || !g_stay)
        PostQuitMessage(code);
}

static void Fail(const Step &step, const std::wstring &message)
{
    HostError(L"script line %d: %ls", step.line, message.c_str());
    Finish(2);
}

static bool ScreenPoint(const Step &step, POINT *point)
{
    point->x = step.x;
    point->y = step.y;
    if (step.item.empty())
        return true;
    RECT rect;
    if (!TodayItemRect(step.item, &rect))
        return false;
    point->x += rect.left;
    point->y += rect.top;
    return true;
}

static std::wstring Describe(HWND window)
{
    WCHAR className[64] = L"", title[128] = L"";
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 128);
    return std::wstring(className) + L" '" + title + L"'";
}

// The pen goes to the window holding the capture, else to the window under the point,
// in that window's client coordinates.
static bool PostPen(const Step &step, UINT message, const wchar_t *name)
{
    POINT screen;
    if (!ScreenPoint(step, &screen)) {
        Fail(step, L"no item '" + step.item + L"' on the Today screen");
        return false;
    }
    HWND target = GetCapture();
    if (!target)
        target = WindowFromPoint(screen);
    if (!target) {
        Fail(step, L"no window under the point");
        return false;
    }
    POINT client = screen;
    ScreenToClient(target, &client);
    PostMessageW(target, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(client.x, client.y));
    HostLog(L"step %d: %ls %ld %ld -> %ls at %ld %ld", step.line, name, (long)screen.x, (long)screen.y,
            Describe(target).c_str(), (long)client.x, (long)client.y);
    return true;
}

static void PostKey(UINT vk)
{
    HWND target = g_today;
    HWND dialog = FindOpenDialog();
    if (dialog) {
        HWND focus = GetFocus();
        target = focus && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
    }
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

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

// Where `press` and `pick` tap: the centre of a control, or of a list row, of the open dialog.
static bool DialogTarget(const Step &step, POINT *screen)
{
    HWND dialog = FindOpenDialog();
    if (!dialog)
        return false;
    RECT rect;
    HWND control;
    if (step.op == Op::Press) {
        control = GetDlgItem(dialog, step.x);
        if (!control || !IsWindowVisible(control))
            return false;
        ScrollIntoView(dialog, control);
        GetClientRect(control, &rect);
    } else {
        control = FindWindowExW(dialog, NULL, WC_LISTVIEWW, NULL);
        LVFINDINFOW find = {};
        find.flags = LVFI_STRING;
        find.psz = step.text.c_str();
        int row = control ? (int)SendMessageW(control, LVM_FINDITEMW, (WPARAM)-1, (LPARAM)&find) : -1;
        if (row < 0)
            return false;
        SendMessageW(control, LVM_ENSUREVISIBLE, row, FALSE);
        rect.left = LVIR_LABEL;
        SendMessageW(control, LVM_GETITEMRECT, row, (LPARAM)&rect);
    }
    screen->x = (rect.left + rect.right) / 2;
    screen->y = (rect.top + rect.bottom) / 2;
    ClientToScreen(control, screen);
    return true;
}

static void Probe(const Step &step)
{
    const std::wstring &what = step.text;
    if (what == L"label") {
        // The name label of an item: the popup it gives the task bar as owner.
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
    } else if (what == L"pixel" || what == L"at") {
        POINT point;
        if (!ScreenPoint(step, &point)) {
            Fail(step, L"no item '" + step.item + L"' on the Today screen");
            return;
        }
        if (what == L"at") {
            HWND window = WindowFromPoint(point);
            HostLog(L"probe at %ld %ld %ls", (long)point.x, (long)point.y, window ? Describe(window).c_str() : L"none");
            return;
        }
        HDC screen = GetDC(NULL);
        COLORREF colour = GetPixel(screen, point.x, point.y);
        ReleaseDC(NULL, screen);
        COLORREF background;
        bool inside = TodayBackgroundAt(point, &background);
        HostLog(L"probe pixel %ld %ld %ls background %ls", (long)point.x, (long)point.y, Hex(colour).c_str(),
                inside ? Hex(background).c_str() : L"none");
    } else if (what == L"dialog") {
        HWND dialog = FindOpenDialog();
        if (!dialog) {
            HostLog(L"probe dialog none");
            return;
        }
        RECT r;
        GetWindowRect(dialog, &r);
        HostLog(L"probe dialog %ls %ld %ld %ld %ld done=%d", Describe(dialog).c_str(), (long)r.left, (long)r.top,
                (long)r.right, (long)r.bottom, GetPropW(dialog, SHELL_DONE_BUTTON_PROP) ? 1 : 0);
    } else if (what == L"items") {
        for (const ItemView &view : TodayItemViews())
            HostLog(L"probe item %ls %ld %ld %ld %ld selected=%d", view.name.c_str(), (long)view.screenRect.left,
                    (long)view.screenRect.top, (long)view.screenRect.right, (long)view.screenRect.bottom,
                    view.selected ? 1 : 0);
    } else if (what == L"sip") {
        HostLog(L"probe sip %ls", InputPanelIsUp() ? L"up" : L"down");
    } else if (what == L"taskbar") {
        RECT ok;
        bool shown = TaskBarOkRect(&ok);
        HostLog(L"probe taskbar '%ls' ok=%d close=%d", TaskBarTitle().c_str(), shown ? 1 : 0,
                TaskBarShowsClose() ? 1 : 0);
    }
}

static BOOL CALLBACK RedrawStep(HWND window, LPARAM)
{
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

// Runs the next step; false when the step wants to be called again (a shot's flush).
static bool RunStep(const Step &step)
{
    DWORD now = GetTickCount();
    switch (step.op) {
    case Op::Tap:
        if (PostPen(step, WM_LBUTTONDOWN, L"tap"))
            PostPen(step, WM_LBUTTONUP, L"release");
        break;
    case Op::Down:
        PostPen(step, WM_LBUTTONDOWN, L"pen down");
        break;
    case Op::Up:
        PostPen(step, WM_LBUTTONUP, L"pen up");
        break;
    case Op::Key:
        HostLog(L"step %d: key %u", step.line, step.vk);
        PostKey(step.vk);
        break;
    case Op::Options:
        HostLog(L"step %d: options", step.line);
        PostMessageW(g_today, WM_HOST_OPTIONS, 0, 0);
        break;
    case Op::Ok: {
        RECT ok;
        if (!TaskBarOkRect(&ok)) {
            Fail(step, L"the task bar shows no ok");
            return true;
        }
        POINT client = { (ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2 };
        HostLog(L"step %d: ok", step.line);
        ScreenToClient(g_taskBar, &client);
        PostMessageW(g_taskBar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
        PostMessageW(g_taskBar, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        break;
    }
    case Op::Close: {
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
        break;
    }
    case Op::Refresh:
        HostLog(L"step %d: refresh", step.line);
        PostMessageW(g_today, WM_HOST_RECREATE, 0, 0);
        break;
    case Op::Wait:
        g_notBefore = now + step.ms;
        break;
    case Op::Await: {
        HWND window = FindWindowW(step.text.c_str(), NULL);
        if (window && IsWindowVisible(window)) {
            g_awaiting = false;
            HostLog(L"step %d: await %ls: there", step.line, step.text.c_str());
            break;
        }
        if (!g_awaiting) {
            g_awaiting = true;
            g_awaitStart = now;
        } else if (now - g_awaitStart >= step.ms) {
            g_awaiting = false;
            Fail(step, L"no window of class " + step.text + L" within " + std::to_wstring(step.ms) + L" ms");
            return true;
        }
        g_notBefore = now + 30;
        return false;
    }
    case Op::Shot: {
        if (g_shotPhase == 0) {
            // Bring every window of ours up to date and give the display a moment.
            RefreshBars();
            RaiseTopmostWindows();
            EnumThreadWindows(GetCurrentThreadId(), RedrawStep, 0);
            g_shotPhase = 1;
            g_notBefore = now + 150;
            return false;
        }
        g_shotPhase = 0;
        std::wstring path = JoinPath(g_outDir, step.text);
        std::wstring error;
        if (!SaveScreenPng(path, &error)) {
            Fail(step, L"screenshot " + path + L": " + error);
            return true;
        }
        HostLog(L"step %d: shot %ls", step.line, path.c_str());
        break;
    }
    case Op::Probe:
        Probe(step);
        break;
    case Op::Press:
    case Op::Pick: {
        Step tap = step;
        POINT screen;
        if (!DialogTarget(step, &screen)) {
            Fail(step, step.op == Op::Press ? L"the open dialog shows no control " + std::to_wstring(step.x)
                                            : L"the open dialog lists no '" + step.text + L"'");
            return true;
        }
        tap.x = screen.x;
        tap.y = screen.y;
        tap.item.clear();
        if (PostPen(tap, WM_LBUTTONDOWN, step.op == Op::Press ? L"press" : L"pick"))
            PostPen(tap, WM_LBUTTONUP, L"release");
        break;
    }
    case Op::Sip:
    case Op::PanelKey: {
        RECT rect;
        if (step.op == Op::Sip ? !MenuBarKeyboardRect(&rect) : !InputPanelIsUp() || !InputPanelKeyRect(step.text, &rect)) {
            Fail(step, step.op == Op::Sip ? L"the soft-key bar has no keyboard button" : L"the input panel is down");
            return true;
        }
        Step tap = step;
        tap.x = (rect.left + rect.right) / 2;
        tap.y = (rect.top + rect.bottom) / 2;
        tap.item.clear();
        if (PostPen(tap, WM_LBUTTONDOWN, step.op == Op::Sip ? L"keyboard button" : (L"key " + step.text).c_str()))
            PostPen(tap, WM_LBUTTONUP, L"release");
        break;
    }
    case Op::StopUnlessDialog:
        if (!FindOpenDialog()) {
            HostLog(L"step %d: no dialog is open; the script ends here", step.line);
            Finish(0);
        }
        break;
    }
    return true;
}

static VOID CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_running || g_busy || (LONG)(GetTickCount() - g_notBefore) < 0)
        return;
    g_busy = true;
    if (g_next >= g_steps.size())
        Finish(0);
    else if (RunStep(g_steps[g_next]))
        g_next++;
    g_busy = false;
}

void StartScript(bool stayOpen)
{
    g_stay = stayOpen;
    g_next = 0;
    g_shotPhase = 0;
    g_running = true;
    g_notBefore = GetTickCount();
    g_timer = SetTimer(NULL, 0, 15, ScriptTick);
    HostLog(L"script: %u steps", (unsigned)g_steps.size());
}

bool ScriptRunning() { return g_running; }
