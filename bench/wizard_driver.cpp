// wizard_driver: runs a setup's wizard as a user would, for the benchmark. It starts
// the setup, presses the wizard's Next and Install buttons whenever they can be
// pressed, and prints the seconds from the start to the finished page (the button
// reading "&Finish"); then it presses Finish and waits for the setup to end.
//
//   wizard_driver SETUP_EXE [TIMEOUT_SECONDS]
//
// Prints "FINISHED <seconds>" and exits with the setup's code; a message box, a
// setup that ends before its finished page, or the time limit (default 600 s)
// prints what happened and exits 1.
//
// The driver must not slow the setup it times. Under Wine every question about
// another process's window is a server round trip, and a cross-process
// WM_GETTEXT waits for the setup's thread, which answers it between its blocks
// while it installs. So texts are read with InternalGetWindowText (no message to
// the setup), the wizard's Next button (one window whose caption changes from
// page to page) is found once, and while it is hidden (the installing page) a
// poll asks only about it; the look for a message box, which needs every
// top-level window, comes every 50 ms.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TFind {
    DWORD ProcessId = 0;
    std::vector<HWND> Windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param)
{
    auto* find = reinterpret_cast<TFind*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == find->ProcessId && IsWindowVisible(window))
        find->Windows.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::string Text(HWND window)
{
    WCHAR wide[256] = {};
    InternalGetWindowText(window, wide, 256);  // the stored caption: no message to the setup
    char text[256] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

bool IsPressable(const std::string& text) { return text == "&Next >" || text == "&Install" || text == "&Finish"; }

std::string ClassName(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& frequency)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizard_driver SETUP_EXE [TIMEOUT_SECONDS]\n");
        return 2;
    }
    double timeout = argc > 2 ? std::atof(argv[2]) : 600.0;
    std::string commandLine = "\"" + std::string(argv[1]) + "\"";
    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);
    std::string clickedPage;  // the page the last click was made on
    double clickedAt = 0;
    bool finished = false;
    bool installClicked = false;  // after Install only Finish is pressed
    HWND wizard = nullptr, next = nullptr;  // found once: they live as long as the setup
    double boxCheckAt = 0;
    int clicks = 0;
    bool lastClickTimedOut = false;  // then the page must be seen to change before the next click
    DWORD pause = 2;  // ms between polls: 2 while pages are clicked, 5 while the setup installs
    while (Seconds(start, frequency) < timeout) {
        if (WaitForSingleObject(process.hProcess, pause) == WAIT_OBJECT_0)
            break;
        pause = 5;
        double now = Seconds(start, frequency);
        if (wizard == nullptr || now - boxCheckAt >= 0.05) {
            boxCheckAt = now;
            TFind find;
            find.ProcessId = process.dwProcessId;
            EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&find));
            for (HWND window : find.Windows) {
                if (ClassName(window) == "#32770") {
                    std::fprintf(stderr, "a box showed: %s\n", Text(window).c_str());
                    TerminateProcess(process.hProcess, 1);
                    return 1;
                }
                if (wizard == nullptr)
                    wizard = window;
            }
        }
        if (wizard == nullptr)
            continue;
        std::vector<HWND> children;
        if (next == nullptr) {
            EnumChildWindows(wizard, CollectChildren, reinterpret_cast<LPARAM>(&children));
            for (HWND child : children)
                if (ClassName(child) == "Button" && IsWindowVisible(child) && IsPressable(Text(child)))
                    next = child;
            if (next == nullptr)
                continue;
            children.clear();
        }
        if (!IsWindowVisible(next) || !IsWindowEnabled(next))
            continue;  // the installing page, or a page waiting for the user
        std::string caption = Text(next);
        if (!IsPressable(caption))
            continue;
        pause = 2;
        if (installClicked && caption != "&Finish")
            continue;  // the finished page being made: it shows Next for a moment
        if (caption == "&Finish") {
            if (!finished) {
                finished = true;
                std::printf("FINISHED %.3f\n", Seconds(start, frequency));
                std::fflush(stdout);
                PostMessageA(next, BM_CLICK, 0, 0);
            }
            continue;
        }
        // Next is pressed once per page, and never after Install: the wizard makes its
        // finished page inside Install's click, and a click seen there before
        // "&Finish" is set would close it. A click answered in time has shown the
        // next page when it returns, so the next one follows at once, as a quick
        // user's would. Only after a click that was not answered in time is the page
        // told by the texts it shows, and pressed again when it has not changed for
        // two seconds (the click was missed).
        std::string page;
        if (lastClickTimedOut) {
            EnumChildWindows(wizard, CollectChildren, reinterpret_cast<LPARAM>(&children));
            for (HWND child : children)
                if (IsWindowVisible(child))
                    page += Text(child) + "|";
        }
        if (!lastClickTimedOut || page != clickedPage || now - clickedAt > 2.0) {
            clickedPage = page;
            clickedAt = now;
            // Sent, not posted: it returns once the next page is up, so no poll sees
            // a page half made and clicks twice (a second posted click would land on
            // a later page, even Finish). Install runs inside its click: the wait
            // then ends at the time limit, and the polls go on.
            if (++clicks > 100) {
                std::fprintf(stderr, "the wizard does not move on from its page\n");
                TerminateProcess(process.hProcess, 1);
                return 1;
            }
            DWORD_PTR result = 0;
            installClicked = caption == "&Install";
            lastClickTimedOut = !SendMessageTimeoutA(next, BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &result);
            if (!lastClickTimedOut)
                pause = 0;  // the next page is up: look at it at once
        }
    }
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "the setup did not end in time\n");
        TerminateProcess(process.hProcess, 1);
    } else {
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hProcess);
    if (!finished) {
        std::fprintf(stderr, "the setup ended (code %lu) without its finished page\n", code);
        return 1;
    }
    return static_cast<int>(code);
}
