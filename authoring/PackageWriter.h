// Writes a setup package in one pass:
//   1. CopyEngine: the engine template; its length is the script's EngineSize.
//   2. AppendFileCabinet, once per installed file: an MSZIP cabinet holding that one
//      file, appended in 2,048-byte blocks; its length goes into the file's [Files] record.
//      A builder that compresses on several threads calls MakeFileCabinet on its
//      workers and AppendMadeCabinet in project order instead.
//   3. Finish: flushes the setup script, packs qzsetup.cab with the script and the
//      other members in their fixed order, appends it and the trailer.
//
// The package is written under a temporary name in the output folder and renamed
// to the output name only when Finish completes, so a failed or cancelled build
// leaves no output file. The work folder (a fresh folder in the user's temp folder,
// where the caller writes the script and the cabinets are made) is removed with
// the writer in every case.
//
// Failures are exceptions naming the file: winlib::EOSError for the platform's
// errors, EPackageError for the rest.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cabinet/SetupFormat.h"

class EPackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The block event asked to stop.
class EPackageCancelled : public EPackageError {
public:
    using EPackageError::EPackageError;
};

// The package would reach the size limit (its offsets are 32-bit).
class EPackageTooLarge : public EPackageError {
public:
    using EPackageError::EPackageError;
};

// One member of qzsetup.cab.
struct TSetupMember {
    std::string Source;  // file to pack
    std::string Name;    // name inside the cabinet
    setupformat::TMemberKind Kind = setupformat::TMemberKind::TempFile;
};

// The members sorted stably into the packing order. Throws EPackageError when two
// members share a name (compared without regard to case, as the file system does
// when the runtime unpacks them into one folder).
std::vector<TSetupMember> OrderMembers(std::vector<TSetupMember> members);

class TPackageWriter {
public:
    // After each 2,048-byte block of a file cabinet, with the bytes of that cabinet
    // done so far and its length. The builder pumps messages here; false cancels.
    using TBlockEvent = std::function<bool(long long done, long long total)>;

    static constexpr DWORD BlockSize = 2048;
    static constexpr DWORD ChunkSize = 128 * BlockSize;  // bytes per read and write

    // Creates the work folder and the temporary output file beside outputFile.
    explicit TPackageWriter(const std::string& outputFile);
    ~TPackageWriter();  // never throws
    TPackageWriter(const TPackageWriter&) = delete;
    TPackageWriter& operator=(const TPackageWriter&) = delete;

    TBlockEvent OnBlock;
    // The package must stay below this size. Only tests lower it.
    unsigned long long SizeLimit = setupformat::PackageSizeLimit;

    const std::string& OutputFile() const { return outputFile_; }
    const std::string& WorkFolder() const { return workFolder_; }
    long long Position() const { return position_; }  // bytes written so far

    long long CopyEngine(const std::string& engineFile);  // returns EngineSize
    // Returns the length of the cabinet appended for sourceFile, stored as storedName.
    long long AppendFileCabinet(const std::string& sourceFile, const std::string& storedName);
    // Compresses sourceFile into a one-file cabinet of its own, named after number
    // (which must be unique among the calls), and returns its path: in the work
    // folder, or for a small file a memory file (CabIntf::IsMemoryFileName).
    // Safe on several threads at once: each call has its own compression context and
    // files, and touches nothing of the writer but the work folder's name. When stop
    // becomes true the compression ends at its next status report with EPackageCancelled.
    std::string MakeFileCabinet(size_t number, const std::string& sourceFile, const std::string& storedName,
                                const std::atomic<bool>* stop = nullptr) const;
    // Appends a cabinet MakeFileCabinet made, with block events, and deletes it
    // (a memory cabinet is gone once this is called). Returns its length.
    long long AppendMadeCabinet(const std::string& cabinetFile);
    // scriptFile becomes the member qzsetup.ini; members must not contain it.
    void Finish(const std::string& scriptFile, const std::vector<TSetupMember>& members);

private:
    enum class TStage { Engine, Files, Done };

    void RequireStage(TStage stage, const char* step) const;
    void CheckRoom(long long bytes, const std::string& what) const;
    long long AppendFile(const std::string& path, bool withEvents);
    void WriteBytes(const void* data, DWORD size);
    void WriteBlocks(const char* data, DWORD size, long long done, long long total, bool withEvents);
    void Commit();

    std::string outputFile_;
    std::string tempFile_;
    std::string workFolder_;
    HANDLE output_ = INVALID_HANDLE_VALUE;
    long long position_ = 0;
    TStage stage_ = TStage::Engine;
};
