#include "runtime/Payload.h"

#include <algorithm>
#include <vector>

#include "cabinet/SetupFormat.h"
#include "winlib/OsError.h"

namespace payload {

namespace {

constexpr size_t ScanBlockSize = 64 * 1024;
constexpr DWORD CopyBlockSize = 64 * 1024;  // one system call per 64 KB, not per 2 KB
constexpr long long Overlap = static_cast<long long>(setupformat::TrailerLength) - 1;  // 12

void SeekTo(HANDLE file, long long offset, const char* what)
{
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(file, distance, nullptr, FILE_BEGIN))
        winlib::RaiseLastOSError(what);
}

// Reads exactly count bytes at offset; anything less is an error.
void ReadExactly(HANDLE file, long long offset, char* buffer, DWORD count)
{
    SeekTo(file, offset, "Cannot seek in the setup file");
    DWORD done = 0;
    if (!ReadFile(file, buffer, count, &done, nullptr))
        winlib::RaiseLastOSError("Cannot read the setup file");
    if (done != count)
        throw winlib::EOSError(ERROR_HANDLE_EOF, "The setup file ends early");
}

// A trailer at position p (its 13 bytes at text) counts only when its length is
// 1 or more and the cabinet it describes fits in front of it.
bool AcceptTrailer(const char* text, long long p, TTrailerHit& hit)
{
    int length = 0;
    if (text[0] != setupformat::TrailerMagic[0] ||
        !setupformat::ParseTrailer(text, setupformat::TrailerLength, length))
        return false;
    if (length < 1 || length > p)
        return false;
    hit.Position = p;
    hit.Length = length;
    return true;
}

}  // namespace

bool FindTrailer(HANDLE file, unsigned long long size, TTrailerHit& hit)
{
    const long long trailer = static_cast<long long>(setupformat::TrailerLength);
    const long long floor = setupformat::TrailerScanFloor;
    const long long n = static_cast<long long>(size);
    if (n - trailer < floor)
        return false;
    std::vector<char> buffer(ScanBlockSize);
    // Each block [start, end) checks the positions whose 13 bytes lie inside it; the
    // next block ends 12 bytes into this one, so no position is missed or seen twice.
    long long end = n;
    while (end - trailer >= floor) {
        long long start = std::max(floor, end - static_cast<long long>(buffer.size()));
        ReadExactly(file, start, buffer.data(), static_cast<DWORD>(end - start));
        for (long long p = end - trailer; p >= start; --p)
            if (AcceptTrailer(buffer.data() + (p - start), p, hit))
                return true;
        end = start + Overlap;
        if (start == floor)
            break;
    }
    return false;
}

bool FindTrailerInFile(const std::string& path, TTrailerHit& hit)
{
    TSetupFile file(path);
    return FindTrailer(file.Handle(), file.Size(), hit);
}

void CopySetupCabinet(HANDLE file, const TTrailerHit& hit, const std::string& dest)
{
    SeekTo(file, hit.CabinetOffset(), "Cannot seek to the setup cabinet");
    std::vector<char> block(CopyBlockSize);
    HANDLE out = CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        winlib::RaiseLastOSError("Cannot create " + dest);
    long long remaining = hit.Length;
    DWORD error = ERROR_SUCCESS;
    std::string context;
    while (remaining > 0 && error == ERROR_SUCCESS) {
        DWORD want = static_cast<DWORD>(std::min<long long>(remaining, CopyBlockSize));
        DWORD got = 0, written = 0;
        if (!ReadFile(file, block.data(), want, &got, nullptr)) {
            error = GetLastError();
            context = "Cannot read the setup cabinet";
        } else if (got != want) {
            error = ERROR_HANDLE_EOF;
            context = "The setup cabinet is cut short";
        } else if (!WriteFile(out, block.data(), got, &written, nullptr)) {
            error = GetLastError();
            context = "Cannot write " + dest;
        } else if (written != got) {
            error = ERROR_WRITE_FAULT;
            context = "Cannot write " + dest;
        }
        remaining -= want;
    }
    if (!CloseHandle(out) && error == ERROR_SUCCESS) {
        error = GetLastError();
        context = "Cannot close " + dest;
    }
    if (error != ERROR_SUCCESS)
        throw winlib::EOSError(error, context);
}

TSetupFile::TSetupFile(const std::string& path) : path_(path)
{
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        winlib::RaiseLastOSError("Cannot open the setup file " + path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) {
        DWORD error = GetLastError();
        Close();
        throw winlib::EOSError(error, "Cannot size the setup file " + path);
    }
    size_ = static_cast<unsigned long long>(size.QuadPart);
}

TSetupFile::~TSetupFile() { Close(); }

void TSetupFile::Close()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);  // read-only handle: nothing can be lost at close
    handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace payload
