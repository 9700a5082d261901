// The package inside a setup file: the trailer that ends it and the setup cabinet
// (qzsetup.cab) that lies right before the trailer.
#pragma once
#include <windows.h>

#include <stdexcept>
#include <string>

namespace payload {

// Where the trailer was found: it starts at Position, and the setup cabinet is the
// Length bytes before it (so it starts at Position - Length).
struct TTrailerHit {
    long long Position = 0;
    int Length = 0;
    long long CabinetOffset() const { return Position - Length; }
};

// Scans an open file (size bytes) for the highest position P from size - 13 down to
// the scan floor whose 13 bytes are a valid trailer with 1 <= L <= P. Reads backwards
// in blocks through one buffer. False when there is none. Throws winlib::EOSError
// when the file cannot be read.
bool FindTrailer(HANDLE file, unsigned long long size, TTrailerHit& hit);

// The same for a file by name, opened for reading with read sharing.
bool FindTrailerInFile(const std::string& path, TTrailerHit& hit);

// Copies the setup cabinet (hit.Length bytes from hit.CabinetOffset()) of the open
// setup file into a new file dest, in 2,048-byte blocks. A short read is an error:
// the package is cut. Throws winlib::EOSError naming the file.
void CopySetupCabinet(HANDLE file, const TTrailerHit& hit, const std::string& dest);

// A setup file opened for reading (others may read it too); closed on destruction.
class TSetupFile {
public:
    explicit TSetupFile(const std::string& path);  // throws winlib::EOSError
    ~TSetupFile();
    TSetupFile(const TSetupFile&) = delete;
    TSetupFile& operator=(const TSetupFile&) = delete;

    HANDLE Handle() const { return handle_; }
    unsigned long long Size() const { return size_; }
    void Close();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    unsigned long long size_ = 0;
    std::string path_;
};

}  // namespace payload
