// Path helpers over the Win32 file API. Paths are 8-bit ANSI, backslash-separated.
#pragma once
#include <windows.h>

#include <string>

namespace winlib {

// Absolute form of path (GetFullPathNameA); the path itself when the call fails.
std::string ExpandFileName(const std::string& path);
// "X:\..." or "\\server\share\...": a name that does not depend on the current
// drive or folder ("\x", "X:x" and "x" do).
bool IsAbsolutePath(const std::string& path);

bool FileExists(const std::string& path);        // an existing file, not a folder
bool DirectoryExists(const std::string& path);   // an existing folder

// Creates dir and every missing parent. Throws EOSError naming the folder that failed.
void ForceDirectories(const std::string& dir);

std::string ExtractFileName(const std::string& path);  // after the last '\', '/' or ':'
std::string ExtractFilePath(const std::string& path);  // up to and with the last '\', '/' or ':'
std::string ExtractFileDir(const std::string& path);   // ExtractFilePath without the trailing '\' (a root keeps it)
std::string ExtractFileExt(const std::string& path);   // from the last '.' of the name part, or ""

std::string IncludeTrailingBackslash(const std::string& path);  // "" stays ""
std::string ExcludeTrailingBackslash(const std::string& path);

// Text from a call that fills a buffer and, when the buffer is too short, answers
// the size it needs (GetTempPathA, GetWindowsDirectoryA, GetSystemDirectoryA, ...).
// The call gets (buffer, size) and returns the length written or needed; 0 means
// it failed, and the answer is then "".
template <class Call>
std::string AskSizedText(Call call)
{
    std::string buffer(MAX_PATH + 1, '\0');
    for (int attempt = 0; attempt < 3; ++attempt) {  // the text may grow between calls
        unsigned long length = call(buffer.data(), static_cast<unsigned long>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size())
            return buffer.substr(0, length);
        buffer.assign(length + 1, '\0');
    }
    return std::string();
}

// The user's temporary folder (GetTempPathA) without its trailing backslash.
std::string GetTempDir();

// Creates a new, empty file in folder named prefix + four hexadecimal digits +
// ".tmp" (the form GetTempFileNameA gives): answers it open for writing (no
// sharing) with its full path in path, or INVALID_HANDLE_VALUE with the reason in
// GetLastError. Unlike GetTempFileNameA, whose answer must fit MAX_PATH
// characters, it takes a folder of any length.
HANDLE CreateUniqueFile(const std::string& folder, const std::string& prefix, std::string& path);

// Deletes dir and everything below it, clearing read-only attributes. A junction or
// symbolic link is removed as a link; what it points to is never entered. Entries
// that cannot be deleted stay; the answer is whether dir itself is gone.
bool DeleteTree(const std::string& dir);

// Total size in bytes of every file below folder, hidden ones included; entries
// that cannot be listed count nothing. pump runs once per entry (a window that
// must stay responsive), when given.
unsigned long long FolderTreeSize(const std::string& folder, void (*pump)() = nullptr);

// A whole file's bytes; throws EOSError naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Size of a file in bytes; throws EOSError when it cannot be opened.
unsigned long long FileSize(const std::string& path);

}  // namespace winlib
