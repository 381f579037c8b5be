// The start of the ARM programs (the scenario host, the recorder): they are built without a
// C runtime, so nothing but their WinMain needs calling.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

extern "C" void ProgramStart(void)
{
    ExitProcess((UINT)WinMain(GetModuleHandleW(NULL), NULL, GetCommandLineA(), SW_SHOWNORMAL));
}
