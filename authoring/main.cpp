// KInstaller.exe: the parameters as the C runtime splits them, then the program.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "authoring/App.h"
#include "authoring/AppState.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    for (int i = 1; i < __argc; ++i)
        Parameters().push_back(__argv[i]);
    try {
        return RunKInstaller();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "KInstaller: %s\n", error.what());
        return 1;
    }
}
