#include "runtime/SharedRoutines.h"

#include <windows.h>

#include <climits>
#include <cstdio>

#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"

namespace {

constexpr char LogFileName[] = "QZSETUPLOG.TXT";
TDocumentOpener documentOpener = nullptr;

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameAscii(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

// Only <TempDir>\QZTMPnnn is ever removed: anything else in SetupTempDir (empty,
// a folder a user chose, another setup's folder) is not ours to delete.
bool IsOwnTempFolder(const TSetupState& state)
{
    if (!state.TempDirCreated)
        return false;
    const std::string prefix = GetFolderPath(pkTempDir) + "\\QZTMP";
    const std::string& dir = state.SetupTempDir;
    if (prefix.size() <= 6 || dir.size() != prefix.size() + 3 || !SameAscii(dir.substr(0, prefix.size()), prefix))
        return false;
    for (size_t i = prefix.size(); i < dir.size(); ++i)
        if (dir[i] < '0' || dir[i] > '9')
            return false;
    return true;
}

void RemoveSetupFont(TSetupState& state)
{
    if (state.SetupFontFile.empty())
        return;
    // The result varies between systems for a font that is already gone; either
    // way the font is no longer ours to hold.
    ::RemoveFontResourceA(state.SetupFontFile.c_str());
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    state.SetupFontFile.clear();
}

// Saves the install log, replacing an old one. A failure is not reported: the
// setup is ending and the log is the only place it could be written to.
void SaveLog(const std::string& path, const std::vector<std::string>& lines)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    DWORD written = 0;
    if (!text.empty())
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string DecimalSeparator()
{
    char buffer[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) <= 1)
        return ".";
    return buffer;
}

std::string TwoDecimals(double value, const char* unit)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, DecimalSeparator());
    return text + " " + unit;
}

std::string TextBeforeLastBackslash(const std::string& path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(0, slash);
}

}  // namespace

void LogLine(const std::string& text)
{
    Setup().LogList.push_back(text);
}

std::string FormatMessage1(const std::string& format, const std::string& argument)
{
    std::string text;
    text.reserve(format.size() + argument.size());
    for (size_t i = 0; i < format.size(); ++i) {
        char next = i + 1 < format.size() ? format[i + 1] : '\0';
        if (format[i] == '%' && (next == 's' || next == 'S')) {
            text += argument;  // verbatim, never scanned for "%"
            ++i;
        } else if (format[i] == '%' && next == '%') {
            text += '%';
            ++i;
        } else {
            text += format[i];
        }
    }
    std::string result;
    size_t from = 0;
    for (size_t at = text.find("<#>"); at != std::string::npos; at = text.find("<#>", from)) {
        result.append(text, from, at - from).append("\r\n");
        from = at + 3;
    }
    return result.append(text, from, std::string::npos);
}

namespace {

// Whether the folder exists and holds no entry at all.
bool IsEmptyFolder(const std::string& dir)
{
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool empty = true;
    do {
        std::string name = found.cFileName;
        empty = name == "." || name == "..";
    } while (empty && ::FindNextFileA(search, &found));
    ::FindClose(search);
    return empty;
}

// A command's working folder can stay held for a moment after the command ends:
// under Wine, after a program started with a new console (as commands are) has
// ended, RemoveDirectory on its working folder fails with a sharing violation for
// up to about a second (measured; not so without the new console). Windows is not
// known to do this, and there the first attempt succeeds. So an empty folder that
// is still there is tried again for a bounded time; one that still holds files is
// held for another reason and is left at once.
void DeleteTempTree(const std::string& dir)
{
    constexpr int kAttempts = 50;
    constexpr DWORD kPauseMs = 100;
    for (int attempt = 1; !winlib::DeleteTree(dir) && attempt < kAttempts && IsEmptyFolder(dir); ++attempt)
        ::Sleep(kPauseMs);
}

}  // namespace

void CleanupTemp()
{
    TSetupState& state = Setup();
    RemoveSetupFont(state);
    if (IsOwnTempFolder(state)) {
        // Failures leave entries in place: the clean-up is the last step and has
        // nobody to report to, and a left folder is what the caller can see.
        DeleteTempTree(state.SetupTempDir);
        // Once it is gone the name is free for another setup: never touch it again.
        if (!winlib::DirectoryExists(state.SetupTempDir))
            state.TempDirCreated = false;
    }
    std::string tempDir = GetFolderPath(pkTempDir);
    if (tempDir.empty())
        return;
    std::string logPath = tempDir + "\\" + LogFileName;
    if (state.LogSetup)
        SaveLog(logPath, state.LogList);
    else if (winlib::FileExists(logPath))
        ::DeleteFileA(logPath.c_str());  // an old log must not pass for this run's
}

std::string ShortenPath(const std::string& path)
{
    if (path.size() <= 60)
        return path;
    std::string folder = path;
    for (int level = 0; level < 3; ++level)
        folder = TextBeforeLastBackslash(folder);
    size_t slash = path.rfind('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "\\..\\" + name;
}

void ShellOpenDocument(const std::string& target)
{
    // The result is not checked: a document that does not open leaves the user
    // looking at the same page, which is the whole report there is to give.
    winlib::ShellOpen(nullptr, "", target);
}

void OpenDocument(const std::string& target)
{
    (documentOpener != nullptr ? documentOpener : &ShellOpenDocument)(target);
}

TDocumentOpener SetDocumentOpener(TDocumentOpener opener)
{
    TDocumentOpener previous = documentOpener;
    documentOpener = opener;
    return previous;
}

std::string FormatByteSize(long long bytes)
{
    if (bytes / 1073741824LL > 0)
        return TwoDecimals(static_cast<double>(bytes) / 1073741824.0, "GB");
    if (bytes / 1048576LL > 0)
        return TwoDecimals(static_cast<double>(bytes) / 1048576.0, "MB");
    if (bytes / 1024LL > 0)
        return TwoDecimals(static_cast<double>(bytes) / 1024.0, "KB");
    return std::to_string(bytes) + " Byte(s)";
}

long long GetDriveFreeSpace(char letter)
{
    const std::string root = std::string(1, letter) + ":\\";
    // An empty floppy or card drive would otherwise show the system's "insert a disk" box.
    UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER available = {}, total = {}, free = {};
    BOOL ok = ::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free);
    ::SetErrorMode(previous);
    if (!ok)
        return 0;
    return available.QuadPart > static_cast<unsigned long long>(LLONG_MAX) ? LLONG_MAX
                                                                           : static_cast<long long>(available.QuadPart);
}

void RebootComputer()
{
    const DWORD reason = SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION | SHTDN_REASON_FLAG_PLANNED;
    if (::ExitWindowsEx(EWX_REBOOT, reason))
        return;
    // Without the shutdown privilege enabled the request is refused; enable it once and ask again.
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
        ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr))
        ::ExitWindowsEx(EWX_REBOOT, reason);
    ::CloseHandle(token);
}
