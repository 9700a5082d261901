// procdriver: starts a program the way a user or a caller would, watches the
// windows it shows and answers its dialogs, and hands back its exit code.
//
//   procdriver [--env NAME=VALUE]... [--press CAPTION BUTTON]...
//              [--gate CLASS FILE] [--kill FILE] [--timeout SECONDS] -- COMMANDLINE
//
// COMMANDLINE goes to CreateProcessA exactly as given (one argument: quote it in
// the shell), so tests control quoting and trailing backslashes. --env sets or
// replaces a variable in the child's environment block only.
//
// Every visible top-level window of the child is reported once on stdout:
//   BOX <caption>|<text>      a dialog (#32770); text is its static 0xFFFF, with
//                             CR and LF written as \r and \n
//   WINDOW <class>|<caption>  any other window
// --press: a dialog whose caption equals CAPTION ("*" matches any) gets the
//   button whose text, without "&", equals BUTTON (case ignored). Rules are tried
//   in order; each may answer any number of dialogs. An unanswered dialog stays.
// --gate: when a window of class CLASS appears, print "GATE <caption>" and wait
//   until FILE exists, then close that window (WM_CLOSE). Lets a test look at the
//   running program before it ends.
// --kill: once FILE exists, end the child with TerminateProcess (exit code 137),
//   as a crash or a power cut would, and print "KILLED".
// Exit code: the child's; 124 when the hang guard (default 60 s) killed it;
// 125 for bad arguments or a child that could not start.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int ExitHang = 124;
constexpr int ExitUsage = 125;
constexpr int ExitKilled = 137;
constexpr DWORD PollMs = 20;

struct TPressRule {
    std::string Caption;
    std::string Button;
};

struct TOptions {
    std::vector<std::string> Env;
    std::vector<TPressRule> Press;
    std::string GateClass;
    std::string GateFile;
    std::string KillFile;
    DWORD TimeoutMs = 60000;
    std::string CommandLine;
};

struct TWatch {
    DWORD ProcessId = 0;
    const TOptions* Options = nullptr;
    std::set<HWND> Seen;
    HWND Gated = nullptr;
};

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::string TextOf(HWND hwnd)
{
    char buffer[4096] = {};
    // WM_GETTEXT is marshalled across processes, unlike a control's GetWindowText.
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return buffer;
}

std::string ClassOf(HWND hwnd)
{
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string WithoutAmpersands(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '&') out += c;
    return out;
}

struct TButtonSearch {
    std::string Text;
    HWND Found = nullptr;
};

BOOL CALLBACK FindButton(HWND child, LPARAM param)
{
    auto* search = reinterpret_cast<TButtonSearch*>(param);
    if (lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 && IsWindowVisible(child) &&
        lstrcmpiA(WithoutAmpersands(TextOf(child)).c_str(), search->Text.c_str()) == 0) {
        search->Found = child;
        return FALSE;
    }
    return TRUE;
}

// Presses the button as a click would: the dialog gets BN_CLICKED from it.
bool PressButton(HWND dialog, const std::string& text)
{
    TButtonSearch search{text};
    EnumChildWindows(dialog, FindButton, reinterpret_cast<LPARAM>(&search));
    if (!search.Found)
        return false;
    int id = GetDlgCtrlID(search.Found);
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(search.Found)) != FALSE;
}

void HandleDialog(HWND dialog, const TOptions& options)
{
    std::string caption = TextOf(dialog);
    HWND text = GetDlgItem(dialog, 0xFFFF);
    std::printf("BOX %s|%s\n", Escaped(caption).c_str(), text ? Escaped(TextOf(text)).c_str() : "");
    std::fflush(stdout);
    for (const TPressRule& rule : options.Press) {
        if (rule.Caption != "*" && rule.Caption != caption)
            continue;
        if (PressButton(dialog, rule.Button))
            return;
        std::printf("NOBUTTON %s\n", rule.Button.c_str());
        std::fflush(stdout);
    }
}

BOOL CALLBACK VisitWindow(HWND hwnd, LPARAM param)
{
    auto* watch = reinterpret_cast<TWatch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != watch->ProcessId || !IsWindowVisible(hwnd) || watch->Seen.count(hwnd))
        return TRUE;
    std::string className = ClassOf(hwnd);
    if (className == "#32770") {
        // A dialog fills in its controls while it is being shown: answer it once it is enabled.
        if (!IsWindowEnabled(hwnd))
            return TRUE;
        watch->Seen.insert(hwnd);
        HandleDialog(hwnd, *watch->Options);
        return TRUE;
    }
    watch->Seen.insert(hwnd);
    std::printf("WINDOW %s|%s\n", className.c_str(), Escaped(TextOf(hwnd)).c_str());
    if (!watch->Options->GateClass.empty() && className == watch->Options->GateClass) {
        std::printf("GATE %s\n", Escaped(TextOf(hwnd)).c_str());
        watch->Gated = hwnd;
    }
    std::fflush(stdout);
    return TRUE;
}

// The driver's environment with the overrides set or replaced, as a block.
std::string EnvironmentBlock(const std::vector<std::string>& overrides)
{
    std::vector<std::string> vars;
    char* strings = GetEnvironmentStringsA();
    for (char* p = strings; p && *p; p += std::strlen(p) + 1)
        vars.emplace_back(p);
    if (strings)
        FreeEnvironmentStringsA(strings);
    for (const std::string& set : overrides) {
        std::string name = set.substr(0, set.find('=') + 1);
        for (auto it = vars.begin(); it != vars.end();)
            it = lstrcmpiA(it->substr(0, name.size()).c_str(), name.c_str()) == 0 ? vars.erase(it) : it + 1;
        vars.push_back(set);
    }
    std::string block;
    for (const std::string& v : vars)
        block += v + '\0';
    block += '\0';
    return block;
}

bool ParseOptions(int argc, char** argv, TOptions& options)
{
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") break;
        if (arg == "--env" && i + 1 < argc && std::strchr(argv[i + 1], '='))
            options.Env.push_back(argv[++i]);
        else if (arg == "--press" && i + 2 < argc) {
            options.Press.push_back({argv[i + 1], argv[i + 2]});
            i += 2;
        } else if (arg == "--gate" && i + 2 < argc) {
            options.GateClass = argv[i + 1];
            options.GateFile = argv[i + 2];
            i += 2;
        } else if (arg == "--kill" && i + 1 < argc)
            options.KillFile = argv[++i];
        else if (arg == "--timeout" && i + 1 < argc)
            options.TimeoutMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10) * 1000);
        else
            return false;
    }
    if (i + 2 != argc)
        return false;
    options.CommandLine = argv[i + 1];
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    TOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: procdriver [--env NAME=VALUE]... [--press CAPTION BUTTON]... "
                             "[--gate CLASS FILE] [--kill FILE] [--timeout SECONDS] -- COMMANDLINE\n");
        return ExitUsage;
    }
    std::string environment = EnvironmentBlock(options.Env);
    std::vector<char> commandLine(options.CommandLine.begin(), options.CommandLine.end());
    commandLine.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, environment.data(), nullptr, &si,
                        &pi)) {
        std::fprintf(stderr, "procdriver: cannot start %s (error %lu)\n", options.CommandLine.c_str(),
                     GetLastError());
        return ExitUsage;
    }
    CloseHandle(pi.hThread);
    TWatch watch;
    watch.ProcessId = pi.dwProcessId;
    watch.Options = &options;
    ULONGLONG started = GetTickCount64();
    while (WaitForSingleObject(pi.hProcess, PollMs) == WAIT_TIMEOUT) {
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&watch));
        if (watch.Gated && GetFileAttributesA(options.GateFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            PostMessageA(watch.Gated, WM_CLOSE, 0, 0);
            watch.Gated = nullptr;
        }
        if (!options.KillFile.empty() && GetFileAttributesA(options.KillFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            TerminateProcess(pi.hProcess, ExitKilled);
            WaitForSingleObject(pi.hProcess, 5000);
            CloseHandle(pi.hProcess);
            std::printf("KILLED\n");
            return ExitKilled;
        }
        if (GetTickCount64() - started >= options.TimeoutMs) {
            std::printf("HANG: killed after %lu s\n", options.TimeoutMs / 1000);
            std::fflush(stdout);
            TerminateProcess(pi.hProcess, ExitHang);
            WaitForSingleObject(pi.hProcess, 5000);
            CloseHandle(pi.hProcess);
            return ExitHang;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    std::printf("EXIT %lu\n", code);
    return static_cast<int>(code);
}
