/* The sample's program: one box with its name and version. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    MessageBoxA(NULL, "Sample App 1.0", "Sample App", MB_OK | MB_ICONINFORMATION);
    return 0;
}
