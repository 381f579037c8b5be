// Scripted mode: a plain text file of steps (steps.cpp lists them) run against the live
// screen.
//
// Steps run from a thread timer, which every message loop dispatches, modal ones
// included: a step that opens a dialog only posts a message, and the next steps run
// inside that dialog's loop. Timer messages come only when the queue holds nothing else,
// so each step sees the previous one fully handled.
#include "host/tour/script.h"
#include <windows.h>
#include <vector>
#include "host/device/log.h"
#include "host/tour/steps.h"

static std::vector<Step> g_steps;
static size_t g_next;
static DWORD g_notBefore;
static UINT_PTR g_timer;
static bool g_running;
static bool g_busy;
static bool g_stay;

// ---- Loading

// The file's text, from UTF-8 (a byte order mark left out).
static bool ReadScriptText(const std::wstring &path, std::wstring *text, std::wstring *error)
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
    text->assign(bytes.size(), L'\0');
    int length = bytes.empty() ? 0 : MultiByteToWideChar(CP_UTF8, 0, bytes.data(), (int)bytes.size(), &(*text)[0],
                                                         (int)text->size());
    text->resize((size_t)length);
    return true;
}

bool LoadScript(const std::wstring &path, std::wstring *error)
{
    std::wstring text;
    if (!ReadScriptText(path, &text, error))
        return false;
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
        if (!ReadStepLine(line, ++number, &g_steps, error)) {
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

// Runs the next step, or the one that asked to run again, once its time has come.
static VOID CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD)
{
    DWORD now = GetTickCount();
    if (!g_running || g_busy || (LONG)(now - g_notBefore) < 0)
        return;
    g_busy = true;
    if (g_next >= g_steps.size()) {
        Finish(0);
    } else {
        const Step &step = g_steps[g_next];
        StepOutcome outcome = step.run(step);
        if (outcome.kind != StepOutcome::Again)
            g_next++;
        if (outcome.ms)
            g_notBefore = now + outcome.ms;
        if (outcome.kind == StepOutcome::Failed) {
            HostError(L"script line %d: %ls", step.line, outcome.error.c_str());
            Finish(2);
        } else if (outcome.kind == StepOutcome::End) {
            Finish(0);
        }
    }
    g_busy = false;
}

void StartScript(bool stayOpen)
{
    g_stay = stayOpen;
    g_next = 0;
    g_running = true;
    g_notBefore = GetTickCount();
    g_timer = SetTimer(NULL, 0, 15, ScriptTick);
    HostLog(L"script: %u steps", (unsigned)g_steps.size());
}
