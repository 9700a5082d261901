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

// Guards the clean-up of old copy folders against the making of a new one:
// between its CreateDirectory and the creation of its lock a new folder looks
// exactly like an old one. Held only for that short work, never while waiting
// for a copy.
class TCopyFoldersGuard {
public:
    TCopyFoldersGuard()
    {
        mutex_ = ::CreateMutexA(nullptr, FALSE, CopyFoldersMutexName);
        if (!mutex_) {
            LogFailure("Error lock: " + std::string(CopyFoldersMutexName) + " (code " + std::to_string(::GetLastError()) + ")");
            return;
        }
        DWORD waited = ::WaitForSingleObject(mutex_, CopyFoldersWaitMs);
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;  // abandoned: its holder died, the folders are as it left them
        if (!owned_)
            LogFailure("Error lock: " + std::string(CopyFoldersMutexName) + " (wait " + std::to_string(waited) + ")");
    }
    ~TCopyFoldersGuard()
    {
        if (owned_)
            ::ReleaseMutex(mutex_);
        if (mutex_)
            ::CloseHandle(mutex_);
    }
    TCopyFoldersGuard(const TCopyFoldersGuard&) = delete;
    TCopyFoldersGuard& operator=(const TCopyFoldersGuard&) = delete;
    bool Owned() const { return owned_; }

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

SECURITY_ATTRIBUTES Inheritable() { return {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE}; }

// A new %TEMP%\QZUN<digits> folder with its lock file held in lock (inheritable,
// shared for reading only, so that nobody else can delete it, and deleted when
// its last handle closes); "" when none can be made.
std::string MakeCopyFolder(const std::string& tempDir, HANDLE& lock)
{
    DWORD number = ::GetCurrentProcessId();
    for (int attempt = 0; attempt < 1000; ++attempt, ++number) {
        std::string folder = tempDir + "\\" + CopyFolderPrefix + std::to_string(number);
        if (!::CreateDirectoryA(folder.c_str(), nullptr)) {
            if (::GetLastError() != ERROR_ALREADY_EXISTS)
                break;
            continue;
        }
        std::string lockPath = folder + "\\" + CopyLockName;
        SECURITY_ATTRIBUTES inherit = Inheritable();
        lock = ::CreateFileA(lockPath.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, &inherit, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (lock != INVALID_HANDLE_VALUE)
            return folder;
        DWORD code = ::GetLastError();
        lock = nullptr;
        ::RemoveDirectoryA(folder.c_str());
        LogFailure("Error file: " + lockPath + " (code " + std::to_string(code) + ")");
        return std::string();
    }
    LogFailure("Error folder: " + tempDir + "\\" + CopyFolderPrefix + " (code " + std::to_string(::GetLastError()) + ")");
    return std::string();
}

// The copy's file opened to be deleted when its last handle closes: the copy
// inherits this handle, so its file goes when it ends (the copy also renames it
// out of its folder through the handle, see FinishCopy). Open before the copy
// starts: a running program's file can no longer be opened for deletion.
HANDLE OpenCopyImage(const std::string& copy)
{
    SECURITY_ATTRIBUTES inherit = Inheritable();
    HANDLE image = ::CreateFileA(copy.c_str(), DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                 OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (image != INVALID_HANDLE_VALUE)
        return image;
    LogFailure("Error file: " + copy + " (code " + std::to_string(::GetLastError()) + ")");
    return nullptr;
}

std::string HandleText(HANDLE handle) { return std::to_string(reinterpret_cast<std::uintptr_t>(handle)); }

// Starts the copy with the write end of an inherited pipe and the lock and image
// handles; answers the read end. The copy runs in the temp folder, not in its
// own: a process's current folder cannot be removed.
bool StartCopy(const std::string& copy, const std::string& tempDir, const std::string& installDir, bool silent,
               HANDLE lock, HANDLE image, HANDLE& readEnd, HANDLE& process)
{
    SECURITY_ATTRIBUTES inherit = Inheritable();
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        LogFailure("Error result pipe (code " + std::to_string(::GetLastError()) + ")");
        return false;
    }
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string commandLine = "\"" + copy + "\" " + (silent ? "/S " : "") + CopySwitch + " " +
                              std::to_string(::GetCurrentProcessId()) + " " + HandleText(writeEnd) + " \"" +
                              installDir + "\" " + HandleText(lock) + " " + HandleText(image);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi = {};
    BOOL started = ::CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    tempDir.c_str(), &startup, &pi);
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

// The copy's answer through the pipe; when it ended without one, its exit code.
DWORD CopyResult(HANDLE readEnd, HANDLE process, const std::string& copy)
{
    DWORD result = urRelaunchFailed, read = 0;
    bool answered = ::ReadFile(readEnd, &result, sizeof result, &read, nullptr) && read == sizeof result;
    if (answered && result <= urItemsLeft)
        return result;
    if (answered) {
        LogFailure("Error copy: " + copy + " answered " + std::to_string(result));
        return urRelaunchFailed;
    }
    // The pipe broke without an answer: the copy has ended or is ending.
    ::WaitForSingleObject(process, INFINITE);
    if (!::GetExitCodeProcess(process, &result)) {
        LogFailure("Error copy: " + copy + " ended without a result (code " + std::to_string(::GetLastError()) + ")");
        return urRelaunchFailed;
    }
    if (result > urItemsLeft) {
        LogFailure("Error copy: " + copy + " ended without a result (exit code " + std::to_string(result) + ")");
        return urRelaunchFailed;
    }
    return result;
}

// Gives the running copy's file a name outside its folder, through the handle
// that deletes it on close, so that the folder can go before the copy ends.
bool RenameThroughHandle(HANDLE file, const std::string& target)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, nullptr, 0);
    if (length <= 1)
        return false;
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + static_cast<size_t>(length) * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>((length - 1) * sizeof(WCHAR));
    ::MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, info->FileName, length);
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

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
    HANDLE lock = nullptr;
    std::string folder;
    {
        TCopyFoldersGuard guard;
        if (guard.Owned())
            DeleteOldCopyFolders(tempDir);
        folder = MakeCopyFolder(tempDir, lock);
    }
    if (folder.empty())
        return urRelaunchFailed;
    std::string copy = folder + "\\" + CopyName;
    HANDLE image = nullptr, readEnd = nullptr, process = nullptr;
    bool copied = ::CopyFileA(selfPath.c_str(), copy.c_str(), FALSE) != FALSE;
    if (!copied)
        LogFailure("Error file: " + copy + " (code " + std::to_string(::GetLastError()) + ")");
    else
        image = OpenCopyImage(copy);
    bool started = image && StartCopy(copy, tempDir, installDir, silentSwitch, lock, image, readEnd, process);
    // Started, the copy holds the lock and its file through its own handles.
    ::CloseHandle(lock);
    if (image)
        ::CloseHandle(image);
    if (!started) {
        winlib::DeleteTree(folder);
        return urRelaunchFailed;
    }
    DWORD result = CopyResult(readEnd, process, copy);
    ::CloseHandle(readEnd);
    ::CloseHandle(process);
    return static_cast<int>(result);
}

void FinishCopy(const std::string& installDir, HANDLE firstInstance, int result, const std::vector<std::string>& folders,
                HANDLE lock, HANDLE image)
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
    char self[MAX_PATH * 2] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) {
        if (lock)
            ::CloseHandle(lock);
        return;
    }
    std::string folder = winlib::ExtractFileDir(self);
    // A running program cannot delete itself, but it can be renamed: its file
    // leaves the folder for the temp folder and goes when its last handle (the
    // one opened for deletion by the first instance) closes at this process's
    // end; the lock goes when closed, and the then empty folder at once. The
    // scheduled removal at the next restart stays as a fallback; a folder that
    // cannot go now is removed by the next uninstall (DeleteOldCopyFolders).
    std::string parked = folder + ".tmp";
    if (image && lock) {
        bool moved = RenameThroughHandle(image, parked);
        DWORD code = ::GetLastError();
        ::CloseHandle(lock);
        if (moved) {
            ::MoveFileExA(parked.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            if (!::RemoveDirectoryA(folder.c_str()))
                ::MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return;
        }
        LogFailure("Error file: " + std::string(self) + " (code " + std::to_string(code) + ")");
    } else if (lock) {
        ::CloseHandle(lock);
    }
    ::MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    ::MoveFileExA(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
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
        bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool parked = !folder && name.size() > 8 && lstrcmpiA(name.c_str() + name.size() - 4, ".tmp") == 0 &&
                      IsDigits(name.substr(4, name.size() - 8));
        if (folder && name.size() > 4 && IsDigits(name.substr(4))) {
            old.push_back(tempDir + "\\" + name);
        } else if (parked) {
            // A copy's file parked by FinishCopy that its end did not delete. A
            // copy parks its file as its last step: even a running one needs it
            // no more (and Windows refuses to delete a running program's file).
            ::DeleteFileA((tempDir + "\\" + name).c_str());
        }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    // A folder stays while its copy runs, and while its lock file cannot be
    // deleted: its maker holds it from the folder's creation until its copy has
    // started, and the copy until it ends. The caller holds TCopyFoldersGuard, so
    // no folder is between its creation and its lock's.
    for (const std::string& folder : old) {
        if (IsRunningFrom(folder + "\\" + CopyName))
            continue;
        std::string lock = folder + "\\" + CopyLockName;
        if (!::DeleteFileA(lock.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
            continue;
        winlib::DeleteTree(folder);  // what cannot go now goes next time
    }
}

}  // namespace uninst
