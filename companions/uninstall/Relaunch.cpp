// The two processes of an uninstall. A running program cannot delete its own
// file, so Uninstall.exe hands the work to a copy of itself in the temp folder,
// passes the copy's result on to its caller and ends; the copy then deletes it.
#include "companions/uninstall/Uninstaller.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>

#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

using namespace uninstlog;

namespace uninst {

namespace {

const char* const EnglishMessages[MessageCount] = {
    "Uninstall %s",
    "Are you sure you want to completely remove %s and all of its components?",
    "%s was successfully removed from your computer.",
    "Some items could not be removed. You can remove them manually:",
    "The computer must be restarted to complete the uninstallation. Restart now?",
    "The uninstall information is missing or damaged. %s cannot be uninstalled.",
    "Would you like to tell us why you uninstalled %s?",
};

constexpr size_t MaxItemsShown = 20;

void ShowBox(const TLogView* log, const std::string& text, UINT flags)
{
    std::string caption = log ? log->Message(0) : DefaultMessage(0, std::string());
    winlib::ShowMessageBox(nullptr, text, caption, flags);
}

bool Ask(const TLogView& log, int number)
{
    return winlib::ShowMessageBox(nullptr, log.Message(number), log.Message(0), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

std::string DoneText(const TLogView& log, const TUndoReport& report)
{
    if (report.Failures == 0)
        return log.Message(2);
    std::string text = log.Message(3) + "\r\n";
    for (size_t i = 0; i < report.Left.size() && i < MaxItemsShown; ++i)
        text += "\r\n" + report.Left[i];
    return text;
}

void Restart()
{
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (::LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
            ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        ::CloseHandle(token);
    }
    if (!::ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED))
        LogFailure("Error restart (code " + std::to_string(::GetLastError()) + ")");
}

void ShowDoneBoxes(const TLogView& log, const TUndoReport& report)
{
    ShowBox(&log, DoneText(log, report), MB_OK | (report.Failures ? MB_ICONWARNING : MB_ICONINFORMATION));
    if (log.GeneralBool(KeyUninstallRestart) && Ask(log, 4))
        Restart();
    std::string url = log.General(KeyUninstallURL);
    if (!url.empty() && Ask(log, 6)) {
        HINSTANCE opened = ::ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        if (reinterpret_cast<INT_PTR>(opened) <= 32)
            LogFailure("Error URL: " + url);
    }
}

// The log beside the uninstaller, when it is readable and has [General].
bool ReadLog(const std::string& installDir, TUninstallLogReader& reader)
{
    try {
        reader = TUninstallLogReader::FromFile(installDir + "\\" + LogName);
    } catch (const std::exception& e) {
        LogFailure(e.what());
        return false;
    }
    return reader.HasSection(SecGeneral);
}

void ReportNoLog(const TUninstallLogReader& reader, bool silent)
{
    LogFailure("No usable uninstall information");
    if (silent)
        return;
    TLogView log(reader);
    ShowBox(&log, log.Message(5), MB_OK | MB_ICONERROR);
}

bool IsDigits(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Whether a process runs from exe (path compared without case).
bool IsRunningFrom(const std::string& exe)
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return true;  // cannot tell: keep the folder
    bool running = false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !running; more = ::Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, CopyName) != 0)
            continue;
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) {
            running = true;  // cannot tell which copy it is: keep the folder
            continue;
        }
        char path[MAX_PATH * 2] = {};
        DWORD size = sizeof path;
        running = !::QueryFullProcessImageNameA(process, 0, path, &size) || lstrcmpiA(path, exe.c_str()) == 0;
        ::CloseHandle(process);
    }
    ::CloseHandle(snapshot);
    return running;
}

// A new %TEMP%\QZUN<digits> folder; "" when none can be made.
std::string MakeCopyFolder(const std::string& tempDir)
{
    DWORD number = ::GetCurrentProcessId();
    for (int attempt = 0; attempt < 1000; ++attempt, ++number) {
        std::string folder = tempDir + "\\" + CopyFolderPrefix + std::to_string(number);
        if (::CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    LogFailure("Error folder: " + tempDir + "\\" + CopyFolderPrefix + " (code " + std::to_string(::GetLastError()) + ")");
    return std::string();
}

// Starts the copy with the write end of an inherited pipe; answers the read end.
bool StartCopy(const std::string& copy, const std::string& folder, const std::string& installDir, bool silent,
               HANDLE& readEnd, HANDLE& process)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string commandLine = "\"" + copy + "\" " + (silent ? "/S " : "") + CopySwitch + " " +
                              std::to_string(::GetCurrentProcessId()) + " " +
                              std::to_string(reinterpret_cast<std::uintptr_t>(writeEnd)) + " \"" + installDir + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi = {};
    BOOL started = ::CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    folder.c_str(), &startup, &pi);
    DWORD code = ::GetLastError();
    ::CloseHandle(writeEnd);  // the copy holds the only write end now: its end breaks the pipe
    if (!started) {
        ::CloseHandle(readEnd);
        LogFailure("Error start: " + copy + " (code " + std::to_string(code) + ")");
        return false;
    }
    ::CloseHandle(pi.hThread);
    process = pi.hProcess;
    return true;
}

int ValidResult(DWORD code) { return code <= urRelaunchFailed ? static_cast<int>(code) : urRelaunchFailed; }

}  // namespace

std::string DefaultMessage(int number, const std::string& appName)
{
    if (number < 0 || number >= MessageCount)
        return std::string();
    std::string text = EnglishMessages[number];
    size_t pos = text.find("%s");
    return pos == std::string::npos ? text : text.replace(pos, 2, appName.empty() ? "the program" : appName);
}

std::string TLogView::Message(int number) const
{
    std::string text = reader_.Value(SecMessages, std::to_string(number), "");
    return text.empty() ? DefaultMessage(number, General(KeyAppName)) : text;
}

int RunCopy(const std::string& installDir, bool silentSwitch, std::vector<std::string>& folders)
{
    TUninstallLogReader reader;
    bool usable = ReadLog(installDir, reader);
    TLogView log(reader);
    bool silent = silentSwitch || log.GeneralBool(KeySilentMode);
    if (!usable) {
        ReportNoLog(reader, silent);
        return urNoLog;
    }
    if (!silent && !Ask(log, 1))
        return urDeclined;
    TUndoReport report;
    UndoAll(log, installDir + "\\" + UninstallerName, report);
    folders = log.Records(SecFolders);
    if (!silent)
        ShowDoneBoxes(log, report);
    return report.Failures ? urItemsLeft : urDone;
}

int RunFirstInstance(const std::string& selfPath, bool silentSwitch)
{
    // A drive root keeps its backslash in ExtractFileDir ("Q:\"); without it every
    // join below names the file as the log does ("Q:\Uninstall.exe").
    std::string installDir = winlib::ExcludeTrailingBackslash(winlib::ExtractFileDir(selfPath));
    TUninstallLogReader reader;
    if (!ReadLog(installDir, reader)) {
        ReportNoLog(reader, silentSwitch);
        return urNoLog;
    }
    std::string tempDir = winlib::GetTempDir();
    DeleteOldCopyFolders(tempDir);
    std::string folder = MakeCopyFolder(tempDir);
    if (folder.empty())
        return urRelaunchFailed;
    std::string copy = folder + "\\" + CopyName;
    HANDLE readEnd = nullptr, process = nullptr;
    if (!::CopyFileA(selfPath.c_str(), copy.c_str(), FALSE)) {
        LogFailure("Error file: " + copy + " (code " + std::to_string(::GetLastError()) + ")");
        winlib::DeleteTree(folder);
        return urRelaunchFailed;
    }
    if (!StartCopy(copy, folder, installDir, silentSwitch, readEnd, process)) {
        winlib::DeleteTree(folder);
        return urRelaunchFailed;
    }
    DWORD result = urRelaunchFailed, read = 0;
    bool answered = ::ReadFile(readEnd, &result, sizeof result, &read, nullptr) && read == sizeof result;
    ::CloseHandle(readEnd);
    if (!answered) {  // the copy ended without a word: its exit code is the result
        ::WaitForSingleObject(process, INFINITE);
        if (!::GetExitCodeProcess(process, &result))
            result = urRelaunchFailed;
    }
    ::CloseHandle(process);
    return ValidResult(result);
}

void FinishCopy(const std::string& installDir, HANDLE firstInstance, int result, const std::vector<std::string>& folders)
{
    if (firstInstance) {
        ::WaitForSingleObject(firstInstance, 60000);  // it ends as soon as it has the result
        ::CloseHandle(firstInstance);
    }
    if (result == urDone || result == urItemsLeft) {
        std::string uninstaller = installDir + "\\" + UninstallerName;
        bool deleted = ::DeleteFileA(uninstaller.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
        for (int attempt = 0; attempt < 50 && !deleted; ++attempt) {  // the image may stay mapped a moment
            ::Sleep(100);
            deleted = ::DeleteFileA(uninstaller.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
        }
        if (!deleted) {
            LogFailure("Error file: " + uninstaller + " (code " + std::to_string(::GetLastError()) + ")");
            ::MoveFileExA(uninstaller.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        }
        RemoveEmptyFolders(folders);
    }
    // A running program cannot delete itself: the copy and its folder go at the
    // next restart. Scheduling needs administrator rights; without them the next
    // uninstall's first instance removes them (DeleteOldCopyFolders).
    char self[MAX_PATH * 2] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
    if (length > 0 && length < sizeof self) {
        ::MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        ::MoveFileExA(winlib::ExtractFileDir(self).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
}

void DeleteOldCopyFolders(const std::string& tempDir)
{
    WIN32_FIND_DATAA data = {};
    std::string pattern = tempDir + "\\" + CopyFolderPrefix + "*";
    HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> old;
    do {
        std::string name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name.size() > 4 && IsDigits(name.substr(4)))
            old.push_back(tempDir + "\\" + name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    for (const std::string& folder : old)
        if (!IsRunningFrom(folder + "\\" + CopyName))
            winlib::DeleteTree(folder);  // what cannot go now goes next time
}

}  // namespace uninst
