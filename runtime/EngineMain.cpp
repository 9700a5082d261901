// Program body of the setup runtime. Every built setup is a copy of this program
// with its package appended.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The start-up (payload, script, wizard) is not built yet: a setup ends at once.
    return 0;
}
