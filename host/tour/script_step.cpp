#include "host/tour/script_step.h"
#include "host/shell/bars.h"
#include "host/shell/today.h"

bool StepPoint(const Step &step, POINT *screen, std::wstring *error)
{
    screen->x = step.x;
    screen->y = step.y;
    if (step.item.empty())
        return true;
    RECT rect;
    if (!TodayItemRect(step.item, &rect)) {
        *error = L"no item '" + step.item + L"' on the Today screen";
        return false;
    }
    screen->x += rect.left;
    screen->y += rect.top;
    return true;
}

std::wstring Describe(HWND window)
{
    WCHAR className[64] = L"", title[128] = L"";
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 128);
    return std::wstring(className) + L" '" + title + L"'";
}

// Top-level windows of this thread come in z-order, the topmost first.
static BOOL CALLBACK FindDialogStep(HWND window, LPARAM data)
{
    WCHAR className[16] = L"";
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window)
        && !IsOwnedByTaskBar(window)) {
        *(HWND *)data = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindOpenDialog()
{
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogStep, (LPARAM)&found);
    return found;
}
