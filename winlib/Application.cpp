#include "winlib/Application.h"

#include <windows.h>

namespace winlib {

namespace {

std::string& TitleStorage()
{
    static std::string title;
    return title;
}

}  // namespace

void ProcessMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The loop that must end is the program's own: hand the request on to it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void SetApplicationTitle(const std::string& title) { TitleStorage() = title; }

const std::string& ApplicationTitle() { return TitleStorage(); }

}  // namespace winlib
