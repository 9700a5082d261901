// The downloader's address and target rules and the transfer itself.
#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <string>
#include <vector>

#include "companions/downloader/Downloader.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

namespace downloader {

namespace {

constexpr DWORD TimeoutMs = 10000;
constexpr DWORD ChunkSize = 64 * 1024;
constexpr DWORD HttpOk = 200;

// WinINet's error texts live in wininet.dll, not in the system's message table.
std::string InternetErrorText(DWORD code)
{
    char buffer[512] = {};
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    ::GetModuleHandleA("wininet.dll"), code, 0, buffer, sizeof buffer, nullptr);
    std::string text = length ? std::string(buffer, length) : winlib::SysErrorMessage(code);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text + " (code " + std::to_string(code) + ")";
}

[[noreturn]] void Fail(TExitCode code, const std::string& context)
{
    DWORD error = ::GetLastError();
    throw EDownloadError(code, context + ": " + InternetErrorText(error ? error : ERROR_GEN_FAILURE));
}

class TInternetHandle {
public:
    explicit TInternetHandle(HINTERNET handle) : handle_(handle) {}
    ~TInternetHandle()
    {
        if (handle_)
            ::InternetCloseHandle(handle_);  // nothing useful to do when closing fails
    }
    TInternetHandle(const TInternetHandle&) = delete;
    TInternetHandle& operator=(const TInternetHandle&) = delete;
    HINTERNET Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_;
};

// What a failed download must undo: the temporary file and the folders it made.
class TUndo {
public:
    TUndo() = default;
    TUndo(const TUndo&) = delete;
    TUndo& operator=(const TUndo&) = delete;
    ~TUndo()
    {
        CloseFile();
        if (committed_)
            return;
        if (!tempFile_.empty())
            ::DeleteFileA(tempFile_.c_str());  // best effort on the way out; the error is already reported
        for (auto it = createdFolders_.rbegin(); it != createdFolders_.rend(); ++it)
            ::RemoveDirectoryA(it->c_str());
    }

    void AddFolder(const std::string& folder) { createdFolders_.push_back(folder); }
    void SetTempFile(const std::string& path, HANDLE file) { tempFile_ = path; file_ = file; }
    HANDLE File() const { return file_; }
    const std::string& TempFile() const { return tempFile_; }
    void CloseFile()
    {
        if (file_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    void Commit() { committed_ = true; }

private:
    std::vector<std::string> createdFolders_;  // outermost first
    std::string tempFile_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool committed_ = false;
};

bool IsForbiddenNameChar(char c)
{
    return static_cast<unsigned char>(c) < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

std::string Component(const char* text, DWORD length) { return text ? std::string(text, length) : std::string(); }

void SetTimeouts(HINTERNET request)
{
    // Wine 8 ignores timeouts set on the session or connection handle; Windows
    // honours them on the request handle as well, so they go there.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = TimeoutMs;
        if (!::InternetSetOptionA(request, option, &value, sizeof value))
            Fail(ExitTransferFailed, "cannot set the request timeouts");
    }
}

DWORD StatusCode(HINTERNET request)
{
    DWORD status = 0, size = sizeof status;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;  // no status line: not an answer
    return status;
}

// The announced body length; false when the server sent none (a chunked body).
bool ContentLength(HINTERNET request, unsigned long long& length)
{
    char text[64] = {};
    DWORD size = sizeof text - 1;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) {
        if (::GetLastError() == ERROR_HTTP_HEADER_NOT_FOUND)
            return false;
        Fail(ExitTransferFailed, "cannot read the Content-Length header");
    }
    length = 0;
    std::string digits(text, size);
    if (digits.empty() || digits.size() > 19)
        throw EDownloadError(ExitTransferFailed, "unusable Content-Length \"" + digits + "\"");
    for (char c : digits) {
        if (c < '0' || c > '9')
            throw EDownloadError(ExitTransferFailed, "unusable Content-Length \"" + digits + "\"");
        length = length * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

// Creates the target's missing folders, outermost first, recording each for the undo.
void CreateFolders(const std::string& folder, TUndo& undo)
{
    std::vector<std::string> missing;
    for (std::string dir = winlib::ExcludeTrailingBackslash(folder); !dir.empty() && !winlib::DirectoryExists(dir);) {
        missing.push_back(dir);
        std::string parent = winlib::ExtractFileDir(dir);
        if (parent == dir)
            break;  // a root that does not exist
        dir = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!::CreateDirectoryA(it->c_str(), nullptr))
            Fail(ExitTargetNotWritable, "cannot create the folder \"" + *it + "\"");
        undo.AddFolder(*it);
    }
}

void OpenTempFile(const std::string& folder, TUndo& undo)
{
    char temp[MAX_PATH + 1] = {};
    if (!::GetTempFileNameA(folder.c_str(), "dlt", 0, temp))
        Fail(ExitTargetNotWritable, "cannot create a temporary file in \"" + folder + "\"");
    undo.SetTempFile(temp, INVALID_HANDLE_VALUE);
    HANDLE file = ::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail(ExitTargetNotWritable, std::string("cannot open the temporary file \"") + temp + "\"");
    undo.SetTempFile(temp, file);
}

unsigned long long CopyBody(HINTERNET request, TUndo& undo)
{
    std::vector<char> chunk(ChunkSize);
    unsigned long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!::InternetReadFile(request, chunk.data(), ChunkSize, &read))
            Fail(ExitTransferFailed, "the transfer broke off after " + std::to_string(total) + " bytes");
        if (read == 0)
            return total;  // the body ended cleanly
        DWORD written = 0;
        if (!::WriteFile(undo.File(), chunk.data(), read, &written, nullptr) || written != read)
            Fail(ExitTargetNotWritable, "cannot write \"" + undo.TempFile() + "\"");
        total += read;
    }
}

}  // namespace

TUrl ParseUrl(const std::string& url)
{
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        throw EDownloadError(ExitBadCommandLine, "\"" + url + "\" is not an address");
    TUrl result;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        throw EDownloadError(ExitBadCommandLine, "\"" + url + "\" is not an http or https address");
    result.Secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    result.Host = Component(parts.lpszHostName, parts.dwHostNameLength);
    if (result.Host.empty())
        throw EDownloadError(ExitBadCommandLine, "\"" + url + "\" names no server");
    result.Port = parts.nPort;
    std::string path = Component(parts.lpszUrlPath, parts.dwUrlPathLength);
    std::string extra = Component(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    // The query and fragment are split off by the parser; cut again in case one is left in the path.
    std::string object = path + extra;
    object = object.substr(0, object.find('#'));
    result.Object = object.empty() ? "/" : object;
    path = path.substr(0, path.find_first_of("?#"));
    result.LastSegment = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    return result;
}

std::string ResolveTarget(const std::string& target, const TUrl& url)
{
    const char last = target.back();
    if (last != '\\' && last != '/' && !winlib::DirectoryExists(target))
        return winlib::ExpandFileName(target);
    const std::string& name = url.LastSegment;
    bool unsafe = name.empty() || name == "." || name == "..";
    for (char c : name)
        unsafe = unsafe || IsForbiddenNameChar(c);
    if (unsafe)
        throw EDownloadError(ExitBadCommandLine, "the address gives no usable file name (\"" + name + "\")");
    std::string folder = target;
    if (last != '\\' && last != '/')
        folder += '\\';
    return winlib::ExpandFileName(folder + name);
}

void Download(const TUrl& url, const std::string& targetFile)
{
    TInternetHandle session(::InternetOpenA("Downloader", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        Fail(ExitTransferFailed, "cannot start WinINet");
    TInternetHandle connection(::InternetConnectA(session.Get(), url.Host.c_str(), url.Port, nullptr, nullptr,
                                                  INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        Fail(ExitTransferFailed, "cannot reach " + url.Host);
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | (url.Secure ? INTERNET_FLAG_SECURE : 0);
    const char* acceptTypes[] = {"*/*", nullptr};
    TInternetHandle request(::HttpOpenRequestA(connection.Get(), "GET", url.Object.c_str(), nullptr, nullptr,
                                               acceptTypes, flags, 0));
    if (!request)
        Fail(ExitTransferFailed, "cannot open a request for " + url.Object);
    SetTimeouts(request.Get());
    if (!::HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0))
        Fail(ExitTransferFailed, "no answer from " + url.Host);
    // Against a server that never answers, the send can succeed with status 0.
    DWORD status = StatusCode(request.Get());
    if (status != HttpOk)
        throw EDownloadError(ExitTransferFailed, "the server answered status " + std::to_string(status));
    unsigned long long expected = 0;
    const bool haveLength = ContentLength(request.Get(), expected);

    TUndo undo;
    const std::string folder = winlib::ExtractFileDir(targetFile);
    CreateFolders(folder, undo);
    OpenTempFile(folder, undo);
    const unsigned long long received = CopyBody(request.Get(), undo);
    if (haveLength && received != expected)
        throw EDownloadError(ExitTransferFailed, "truncated: " + std::to_string(received) + " of " +
                                                     std::to_string(expected) + " bytes arrived");
    if (!::FlushFileBuffers(undo.File()))
        Fail(ExitTargetNotWritable, "cannot write \"" + undo.TempFile() + "\"");
    undo.CloseFile();
    if (!::MoveFileExA(undo.TempFile().c_str(), targetFile.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(ExitTargetNotWritable, "cannot replace \"" + targetFile + "\"");
    undo.Commit();
}

}  // namespace downloader
