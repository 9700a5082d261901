#include "winlib/Path.h"

#include <windows.h>

#include <cctype>

#include "winlib/OsError.h"

namespace winlib {

static bool IsPathDelimiter(char c)
{
    return c == '\\' || c == '/';
}

// Index of the last '\', '/' or ':' in path, or npos.
static size_t LastDelimiter(const std::string& path)
{
    return path.find_last_of("\\/:");
}

std::string ExpandFileName(const std::string& path)
{
    if (path.empty())
        return path;
    // The answer for a too-small buffer is the size needed, terminator included;
    // the loop covers a current folder that changes between the two calls.
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0)
            return path;
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, '\0');
    }
}

bool IsAbsolutePath(const std::string& path)
{
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        IsPathDelimiter(path[2]))
        return true;
    if (path.size() < 5 || !IsPathDelimiter(path[0]) || !IsPathDelimiter(path[1]))
        return false;
    // After the server a share name is needed too.
    size_t share = path.find_first_of("\\/", 2);
    return share != std::string::npos && share > 2 && share + 1 < path.size() && !IsPathDelimiter(path[share + 1]);
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// dir is absolute and has no trailing backslash, except a root such as "C:\".
static void CreateFolderChain(const std::string& dir)
{
    if (DirectoryExists(dir))
        return;
    std::string parent = ExtractFileDir(dir);
    if (!parent.empty() && parent.size() < dir.size())
        CreateFolderChain(parent);
    if (!CreateDirectoryA(dir.c_str(), nullptr)) {
        DWORD code = GetLastError();
        // Another process may have made it meanwhile; a file of that name is still an error.
        if (code == ERROR_ALREADY_EXISTS && DirectoryExists(dir))
            return;
        throw EOSError(code, "Cannot create the folder \"" + dir + "\"");
    }
}

void ForceDirectories(const std::string& dir)
{
    if (dir.empty())
        throw EOSError(ERROR_INVALID_NAME, "Cannot create a folder with an empty name");
    std::string full = ExpandFileName(dir);
    // Keep the backslash of a root ("C:\"), drop any other trailing one.
    std::string trimmed = ExtractFileDir(IncludeTrailingBackslash(full));
    CreateFolderChain(trimmed.empty() ? full : trimmed);
}

std::string ExtractFileName(const std::string& path)
{
    size_t pos = LastDelimiter(path);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string& path)
{
    size_t pos = LastDelimiter(path);
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileDir(const std::string& path)
{
    size_t pos = LastDelimiter(path);
    if (pos == std::string::npos)
        return std::string();
    // "C:\" and "\" are roots and keep their backslash; so does the "\\" of a UNC start.
    if (pos > 0 && IsPathDelimiter(path[pos]) && path[pos - 1] != ':' && !IsPathDelimiter(path[pos - 1]))
        return path.substr(0, pos);
    return path.substr(0, pos + 1);
}

std::string ExtractFileExt(const std::string& path)
{
    size_t pos = path.find_last_of(".\\/:");
    if (pos == std::string::npos || path[pos] != '.')
        return std::string();
    return path.substr(pos);
}

std::string IncludeTrailingBackslash(const std::string& path)
{
    if (path.empty() || IsPathDelimiter(path.back()))
        return path;
    return path + '\\';
}

std::string ExcludeTrailingBackslash(const std::string& path)
{
    if (!path.empty() && IsPathDelimiter(path.back()))
        return path.substr(0, path.size() - 1);
    return path;
}

HANDLE CreateUniqueFile(const std::string& folder, const std::string& prefix, std::string& path)
{
    // Numbers go on from the last one used, so that a run making many names
    // finds a free one at the first try.
    static unsigned next = GetTickCount() ^ (GetCurrentProcessId() << 4);
    const std::string base = IncludeTrailingBackslash(folder) + prefix;
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        unsigned number = next++ & 0xFFFF;
        if (number == 0)
            continue;  // GetTempFileNameA never uses 0 either
        char digits[8];
        wsprintfA(digits, "%04X", number);
        std::string name = base + digits + ".tmp";
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            path = name;
            return file;
        }
        DWORD error = GetLastError();
        // Taken: by a file, or (access denied) by a folder or a file being deleted.
        // Access denied to a name that is free means the folder refuses new files.
        bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                     (error == ERROR_ACCESS_DENIED && GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES);
        if (!taken) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

std::string GetTempDir()
{
    std::string temp = AskSizedText([](char* buffer, DWORD size) { return GetTempPathA(size, buffer); });
    if (temp.empty())
        RaiseLastOSError("Cannot find the temporary folder");
    return ExcludeTrailingBackslash(temp);
}

unsigned long long FileSize(const std::string& path)
{
    // Attribute access only: this works on files other programs hold open without sharing.
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        RaiseLastOSError("Cannot open \"" + path + "\"");
    LARGE_INTEGER size;
    BOOL ok = GetFileSizeEx(file, &size);
    DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok)
        throw EOSError(code, "Cannot read the size of \"" + path + "\"");
    return static_cast<unsigned long long>(size.QuadPart);
}

namespace {

// A read-only entry cannot be deleted until the attribute is cleared.
void ClearReadOnly(const std::string& path, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

}  // namespace

bool DeleteTree(const std::string& dir)
{
    if (dir.empty())
        return false;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            ClearReadOnly(path, found.dwFileAttributes);
            bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (folder && !link)
                DeleteTree(path);
            else if (folder)
                ::RemoveDirectoryA(path.c_str());
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    DWORD attributes = ::GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    ClearReadOnly(dir, attributes);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        ::RemoveDirectoryA(dir.c_str());
    return ::GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES;
}

unsigned long long FolderTreeSize(const std::string& folder, void (*pump)())
{
    unsigned long long total = 0;
    std::string base = IncludeTrailingBackslash(folder);
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((base + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (pump != nullptr)
            pump();
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link to a folder is not entered: its files live elsewhere.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                total += FolderTreeSize(base + name, pump);
        } else {
            total += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return total;
}

std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        RaiseLastOSError("Cannot open \"" + path + "\"");
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0)
        bytes.append(buffer, got);
    DWORD code = ::GetLastError();
    ::CloseHandle(file);
    if (!ok)
        throw EOSError(code, "Cannot read \"" + path + "\"");
    return bytes;
}

}  // namespace winlib
