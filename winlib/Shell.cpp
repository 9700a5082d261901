#include "winlib/Shell.h"

#include <shellapi.h>

#include "winlib/OsError.h"

namespace winlib {

namespace {

TShellHook& Hook()
{
    static TShellHook hook;
    return hook;
}

const char* OrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

}  // namespace

void SetShellHook(TShellHook hook) { Hook() = std::move(hook); }

bool ShellOpen(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
               const std::string& folder, int show)
{
    if (Hook())
        return Hook()({TShellKind::Execute, verb, file, parameters, folder, show}) > 32;
    auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(owner, OrNull(verb), file.c_str(), OrNull(parameters), OrNull(folder), show));
    return result > 32;
}

HANDLE ShellStart(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& folder, int show)
{
    if (Hook()) {
        if (Hook()({TShellKind::ExecuteEx, verb, file, parameters, folder, show}) <= 32)
            throw EOSError(ERROR_FILE_NOT_FOUND, "Cannot start \"" + file + "\"");
        return nullptr;
    }
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner;
    info.lpVerb = OrNull(verb);
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(parameters);
    info.lpDirectory = OrNull(folder);
    info.nShow = show;
    if (!::ShellExecuteExA(&info))
        RaiseLastOSError("Cannot start \"" + file + "\"");
    return info.hProcess;
}

bool RunElevated(HWND owner, const std::string& program, const std::string& parameters)
{
    if (Hook())
        return Hook()({TShellKind::ExecuteEx, "runas", program, parameters, "", SW_SHOWNORMAL}) > 32;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = "runas";
    info.lpFile = program.c_str();
    info.lpParameters = OrNull(parameters);
    info.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExA(&info) != FALSE;
}

UINT RunProgram(const std::string& commandLine, int show)
{
    if (Hook())
        return Hook()({TShellKind::WinExec, "", commandLine, "", "", show});
    return ::WinExec(commandLine.c_str(), static_cast<UINT>(show));
}

}  // namespace winlib
