// Path helpers over the Win32 file API. Paths are 8-bit ANSI, backslash-separated.
#pragma once
#include <string>

namespace winlib {

// Absolute form of path (GetFullPathNameA); the path itself when the call fails.
std::string ExpandFileName(const std::string& path);

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

// The user's temporary folder (GetTempPathA) without its trailing backslash.
std::string GetTempDir();

// Deletes dir and everything below it, clearing read-only attributes. A junction or
// symbolic link is removed as a link; what it points to is never entered. Entries
// that cannot be deleted stay; the answer is whether dir itself is gone.
bool DeleteTree(const std::string& dir);

// Size of a file in bytes; throws EOSError when it cannot be opened.
unsigned long long FileSize(const std::string& path);

}  // namespace winlib
