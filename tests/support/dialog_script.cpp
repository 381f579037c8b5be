#include "dialog_script.h"
#include <commctrl.h>

static const UINT kTickMs = 15;
static const int kTicksBeforeForcedEnd = 20;

static DialogScript *g_script = NULL;
static HHOOK g_dialogHook = NULL;

static LRESULT CALLBACK DialogHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *call = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && call->message == WM_INITDIALOG && g_script)
        g_script->DialogOpened(call->hwnd);
    return CallNextHookEx(g_dialogHook, code, wParam, lParam);
}

static void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_script)
        g_script->Tick();
}

DialogScript &DialogScript::Do(Step step)
{
    steps_.push_back(step);
    return *this;
}

DialogScript &DialogScript::Click(int id)
{
    return Do([id](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    });
}

DialogScript &DialogScript::SetText(int id, const std::wstring &text)
{
    return Do([id, text](HWND dialog) { SetDlgItemTextW(dialog, id, text.c_str()); });
}

DialogScript &DialogScript::SelectRow(int listId, int row)
{
    return Do([listId, row](HWND dialog) {
        HWND list = GetDlgItem(dialog, listId);
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = 0;
        SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
        if (row >= 0) {
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, row, (LPARAM)&state);
        }
    });
}

DialogScript &DialogScript::Notify(int controlId, UINT code)
{
    return Do([controlId, code](HWND dialog) {
        NMITEMACTIVATE note = {};   // large enough for the list's and the header's notices
        note.hdr.hwndFrom = GetDlgItem(dialog, controlId);
        note.hdr.idFrom = controlId;
        note.hdr.code = code;
        note.iItem = -1;
        SendMessageW(dialog, WM_NOTIFY, controlId, (LPARAM)&note);
    });
}

DialogScript &DialogScript::Key(int controlId, UINT virtualKey)
{
    return Do([controlId, virtualKey](HWND dialog) {
        HWND control = GetDlgItem(dialog, controlId);
        SendMessageW(control, WM_KEYDOWN, virtualKey, 1);
        SendMessageW(control, WM_KEYUP, virtualKey, 0xC0000001);
    });
}

DialogScript &DialogScript::AnswerMessageBox(int button)
{
    return Do([this, button](HWND dialog) {
        messageBoxTexts.push_back(DialogItemText(dialog, 0xFFFF));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(dialog, button));
    });
}

void DialogScript::DialogOpened(HWND dialog)
{
    dialogs_.push_back(dialog);
}

void DialogScript::Tick()
{
    while (!dialogs_.empty() && !IsWindow(dialogs_.back()))
        dialogs_.pop_back();
    if (dialogs_.empty())
        return;
    HWND dialog = dialogs_.back();
    if ((size_t)stepsDone < steps_.size()) {
        Step step = steps_[stepsDone++];   // counted first: a step may run a nested dialog
        step(dialog);
        return;
    }
    if (cancelSent_ != dialog) {
        cancelSent_ = dialog;
        ticksSinceCancel_ = 0;
        cancelledByScript++;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (++ticksSinceCancel_ >= kTicksBeforeForcedEnd) {
        EndDialog(dialog, IDCANCEL);
    }
}

INT_PTR DialogScript::Run(const std::function<INT_PTR()> &open)
{
    DialogScript *outer = g_script;
    g_script = this;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, DialogHook, NULL, GetCurrentThreadId());
    HHOOK outerHook = g_dialogHook;
    g_dialogHook = hook;
    UINT_PTR timer = SetTimer(NULL, 0, kTickMs, ScriptTimer);
    INT_PTR result = open();
    KillTimer(NULL, timer);
    UnhookWindowsHookEx(hook);
    g_dialogHook = outerHook;
    g_script = outer;
    return result;
}

std::wstring DialogItemText(HWND dialog, int id)
{
    WCHAR text[1024];
    text[0] = 0;
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}
