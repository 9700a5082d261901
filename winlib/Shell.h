// Program starts and shell opens. Every one goes through here so that tests can
// record what would have been started instead of starting it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace winlib {

enum class TShellKind { Execute, ExecuteEx, WinExec };

struct TShellRequest {
    TShellKind Kind = TShellKind::Execute;
    std::string Verb;        // "open", "runas", "" (the default verb)
    std::string File;        // for WinExec: the whole command line
    std::string Parameters;
    std::string Folder;
    int Show = SW_SHOWNORMAL;
};

// ShellExecuteA; true when it reports success (a result above 32).
bool ShellOpen(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters = "",
               const std::string& folder = "", int show = SW_SHOWNORMAL);
// ShellExecuteExA with SEE_MASK_NOCLOSEPROCESS: the started process (the caller
// closes it), or nullptr (no process, or recorded by a test). Throws EOSError on failure.
HANDLE ShellStart(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters = "",
                  const std::string& folder = "", int show = SW_SHOWNORMAL);
// Starts program elevated (ShellExecuteExA "runas", no error UI, not waited for);
// false when the user declined or the start failed.
bool RunElevated(HWND owner, const std::string& program, const std::string& parameters);
// WinExec; its result (above 31: started).
UINT RunProgram(const std::string& commandLine, int show = SW_SHOWNORMAL);

// Test hook: while set, requests go to it instead of the system; it returns the
// result the call reports (for ShellOpen and RunProgram; 33 means started).
using TShellHook = std::function<UINT(const TShellRequest& request)>;
void SetShellHook(TShellHook hook);

}  // namespace winlib
