#include "runtime/Commands.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "cabinet/SetupFormat.h"
#include "runtime/PackageView.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/UninstallLog.h"
#include "winlib/Application.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

// One [Commands] record, read as its six fields say.
struct TCommand {
    std::string Command;     // expanded
    std::string Parameters;  // expanded
    std::string ShowText;    // upper-cased, as recorded for the uninstaller
    std::string Timing;      // upper-cased
    std::string WaitText;    // upper-cased
    std::string Platform;    // upper-cased
    int ShowCode = SW_SHOWNORMAL;
    bool Wait = false;
};

int ShowCodeOf(const std::string& showText)
{
    if (showText == "MAXIMIZE")
        return SW_SHOWMAXIMIZED;
    if (showText == "MINIMIZE")
        return SW_SHOWMINIMIZED;
    if (showText == "HIDE")
        return SW_HIDE;
    return SW_SHOWNORMAL;
}

TCommand ReadCommand(const std::vector<std::string>& fields)
{
    TCommand c;
    c.Command = ExpandPlaceholders(fields[0]);
    c.Parameters = ExpandPlaceholders(fields[1]);
    c.ShowText = winlib::UpperCase(fields[2]);
    c.Timing = winlib::UpperCase(fields[3]);
    c.WaitText = winlib::UpperCase(fields[4]);
    c.Platform = winlib::UpperCase(fields[5]);
    c.ShowCode = ShowCodeOf(c.ShowText);
    c.Wait = c.WaitText == "YES";
    return c;
}

// A row that unpacks data.zip runs on the archive the user picked at start-up
// when there is none beside the setup.
std::string SubstituteDataZip(const std::string& record)
{
    const std::string beside = "<CurrentDir>\\data.zip";
    const std::string& picked = Setup().DataZipPath;
    if (picked.empty() || !winlib::FileExists(picked))
        return record;
    if (winlib::UpperCase(record).find(winlib::UpperCase("x \"" + beside + "\"")) == std::string::npos)
        return record;
    if (winlib::FileExists(ExpandPlaceholders(beside)))
        return record;
    return winlib::ReplaceFirstNoCase(record, beside, picked);
}

bool PlatformAllows(const std::string& platform)
{
    const bool windows64 = PackageView().WindowsIs64();
    if (platform == "X86")
        return !windows64;
    if (platform == "X64")
        return windows64;
    return true;
}

// Stage 2 hands uninstall-time rows to the uninstaller, whether or not the log is on.
void RecordForUninstall(const TCommand& c)
{
    const char* section = nullptr;
    if (c.Timing == "BEFORE UNINSTALLATION")
        section = "ExecBeforeUninstall";
    else if (c.Timing == "AFTER UNINSTALLATION")
        section = "ExecAfterUninstall";
    if (!section)
        return;
    const std::string& sep = setupformat::FieldSeparator;
    AddUninstallItem(section, c.Command + sep + c.Parameters + sep + c.ShowText + sep + c.WaitText);
}

bool StageRuns(int stage, const std::string& timing)
{
    switch (stage) {
    case 0: return timing == "BEFORE INSTALLATION";
    case 1: return timing == "AFTER FOLDER SELECT";
    case 2: return timing == "AFTER INSTALLATION";
    default: return false;
    }
}

// ShellExecute answers a value above 32 when it started something.
bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, int show)
{
    HINSTANCE result = ::ShellExecuteA(nullptr, "open", file.c_str(),
                                       parameters.empty() ? nullptr : parameters.c_str(),
                                       folder.empty() ? nullptr : folder.c_str(), show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Start(const TCommand& c)
{
    if (c.Wait)
        return RunAndWait(c.Command, c.Parameters, c.ShowCode);
    if (winlib::FileExists(c.Command))
        return ShellOpen(c.Command, c.Parameters, winlib::ExtractFileDir(winlib::ExpandFileName(c.Command)), c.ShowCode);
    // An address, a document type or a program on the search path: the shell
    // finds it. Its parameters go with it ("notepad.exe readme.txt").
    return ShellOpen(c.Command, c.Parameters, std::string(), c.ShowCode);
}

}  // namespace

std::string BuildCommandLine(const std::string& program, const std::string& parameters)
{
    return "\"" + program + "\" " + parameters;
}

std::string CommandWorkingFolder(const std::string& program)
{
    // A bare name has no folder; "" would make CreateProcess fail (error 267).
    return winlib::ExtractFilePath(program);
}

bool RunAndWait(const std::string& program, const std::string& parameters, int showCode)
{
    std::string commandLine = BuildCommandLine(program, parameters);
    if (commandLine.size() > MaxCommandLineLength) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::string folder = CommandWorkingFolder(program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCode);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

void RunCommands(int stage, const std::string& record)
{
    TSetupState& s = Setup();
    s.FieldList = winlib::SplitRecord(SubstituteDataZip(record), setupformat::FieldSeparator);
    if (s.FieldList.size() != 6)
        return;
    TCommand c = ReadCommand(s.FieldList);
    if (!PlatformAllows(c.Platform))
        return;
    if (stage == 2)
        RecordForUninstall(c);
    if (!StageRuns(stage, c.Timing))
        return;
    if (!Start(c))
        LogLine("Error command: " + c.Command);
    winlib::ProcessMessages();
}
