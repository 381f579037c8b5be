// Driving modal dialogs from a test.
//
// DialogScript: a WH_CALLWNDPROCRET hook notes every dialog that finishes WM_INITDIALOG
// (message boxes included); a thread timer, which fires inside whichever modal loop is
// running, performs one step per tick on the innermost open dialog. When no step is left
// the innermost dialog is sent IDCANCEL (and ended if it stays), so a test never hangs.
//
//     DialogScript script;
//     script.SetText(1003, L"a.txt").Click(IDOK);
//     INT_PTR result = script.Run([&] { return RunFileChooser(NULL, module, NULL, buffer); });
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class DialogScript {
public:
    using Step = std::function<void(HWND dialog)>;

    DialogScript() = default;
    DialogScript(const DialogScript &) = delete;
    DialogScript &operator=(const DialogScript &) = delete;

    // Steps, each performed on the innermost open dialog at its own tick.
    DialogScript &Do(Step step);
    DialogScript &Click(int id);                         // posts WM_COMMAND (id, BN_CLICKED)
    DialogScript &SetText(int id, const std::wstring &text);
    DialogScript &SelectRow(int listId, int row);        // -1 clears the selection
    DialogScript &Notify(int controlId, UINT code);      // sends WM_NOTIFY from the control
    DialogScript &Key(int controlId, UINT virtualKey);   // WM_KEYDOWN and WM_KEYUP to the control
    // Notes the innermost dialog's text (a message box's question) and presses button.
    DialogScript &AnswerMessageBox(int button);

    // Runs `open`, which shows a modal dialog and returns its result, with the script armed.
    INT_PTR Run(const std::function<INT_PTR()> &open);

    std::vector<std::wstring> messageBoxTexts;   // one per AnswerMessageBox, in order
    int stepsDone = 0;
    int cancelledByScript = 0;   // dialogs the script had to cancel for want of steps

    // Internal: called from the hook and the timer.
    void DialogOpened(HWND dialog);
    void Tick();

private:
    std::vector<Step> steps_;
    std::vector<HWND> dialogs_;   // open dialogs, innermost last
    HWND cancelSent_ = NULL;
    int ticksSinceCancel_ = 0;
};

// The text of a dialog's control (GetDlgItemTextW).
std::wstring DialogItemText(HWND dialog, int id);
