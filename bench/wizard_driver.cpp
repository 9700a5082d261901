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
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);  // cross-process WM_GETTEXT works
    return text;
}

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
    while (Seconds(start, frequency) < timeout) {
        if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0)
            break;
        TFind find;
        find.ProcessId = process.dwProcessId;
        EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&find));
        for (HWND window : find.Windows) {
            if (ClassName(window) == "#32770") {
                std::fprintf(stderr, "a box showed: %s\n", Text(window).c_str());
                TerminateProcess(process.hProcess, 1);
                return 1;
            }
            std::vector<HWND> children;
            EnumChildWindows(window, CollectChildren, reinterpret_cast<LPARAM>(&children));
            // A page is known by the texts it shows; Next is pressed once per page (again
            // only when a page seems to have missed the click for two seconds).
            std::string page;
            HWND next = nullptr;
            for (HWND child : children) {
                if (!IsWindowVisible(child))
                    continue;
                std::string text = Text(child);
                page += text + "|";
                if (ClassName(child) == "Button" && IsWindowEnabled(child) &&
                    (text == "&Next >" || text == "&Install" || text == "&Finish"))
                    next = child;
            }
            if (next == nullptr)
                continue;
            if (Text(next) == "&Finish") {
                if (!finished) {
                    finished = true;
                    std::printf("FINISHED %.3f\n", Seconds(start, frequency));
                    std::fflush(stdout);
                    PostMessageA(next, BM_CLICK, 0, 0);
                }
            } else if (page != clickedPage || Seconds(start, frequency) - clickedAt > 2.0) {
                clickedPage = page;
                clickedAt = Seconds(start, frequency);
                PostMessageA(next, BM_CLICK, 0, 0);
            }
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
