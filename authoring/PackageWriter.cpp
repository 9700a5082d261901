#include "authoring/PackageWriter.h"

#include <algorithm>
#include <set>

#include "cabinet/CabIntf.h"
#include "cabinet/CabSTConsts.h"
#include "cabinet/CabWriter.h"
#include "winlib/IniFile.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

using namespace setupformat;

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

class THandle {
public:
    explicit THandle(HANDLE h) : h_(h) {}
    ~THandle()
    {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);  // read handle: nothing lost on close
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

// A fresh, uniquely named folder: GetTempFileNameA reserves the name as a file.
std::string MakeUniqueFolder(const std::string& parent, const char* prefix)
{
    char name[MAX_PATH];
    if (!GetTempFileNameA(parent.c_str(), prefix, 0, name))
        winlib::RaiseLastOSError("Cannot make a work folder in " + Quoted(parent));
    if (!DeleteFileA(name) || !CreateDirectoryA(name, nullptr))
        winlib::RaiseLastOSError("Cannot make the work folder " + Quoted(name));
    return name;
}


// A file's size, or 0 when it cannot be read (the compression then reports the file).
unsigned long long FileSizeOrZero(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

constexpr unsigned long long MemoryCabinetLimit = 16ULL << 20;

void DeleteFileOrRaise(const std::string& path)
{
    if (!DeleteFileA(path.c_str())) winlib::RaiseLastOSError("Cannot delete " + Quoted(path));
}

// Packs members into a new cabinet. A fresh compression context per cabinet: one
// reused for a second cabinet marks it as following the first, so its bytes differ.
void PackCabinet(const std::string& cabinetFile, const std::vector<TSetupMember>& members,
                 const std::atomic<bool>* stop = nullptr)
{
    TSTCabWriter writer;
    writer.SetCompressionType(cctMsZip);
    // Most cabinets are small: FCI's temporary files then stay in memory. A large one
    // keeps them on disk, so many workers never hold more than some hundred megabytes.
    unsigned long long total = 0;
    for (const TSetupMember& member : members) total += FileSizeOrZero(member.Source);
    writer.TempFilesInMemory = total <= MemoryCabinetLimit;
    if (stop != nullptr)
        writer.OnFileStatus = [stop](TSTCabWriter&, unsigned long, unsigned long, bool& abort) {
            abort = stop->load();
        };
    // The abort answer comes back as FCI's "Client requested abort".
    auto stopped = [stop] { return stop != nullptr && stop->load(); };
    try {
        writer.Open(cabinetFile);
    } catch (const ESTCabinet& e) {
        if (stopped()) throw EPackageCancelled("The build was cancelled");
        throw EPackageError("Cannot create the cabinet " + Quoted(cabinetFile) + ": " + e.what());
    }
    for (const TSetupMember& member : members) {
        try {
            writer.AddFile(member.Source, member.Name, false);
        } catch (const ESTCabinet& e) {
            if (stopped()) throw EPackageCancelled("The build was cancelled");
            throw EPackageError("Cannot pack " + Quoted(member.Source) + " into " + Quoted(cabinetFile) + ": " +
                                e.what());
        }
    }
    try {
        writer.Close(true);
    } catch (const ESTCabinet& e) {
        if (stopped()) throw EPackageCancelled("The build was cancelled");
        // A one-file cabinet fails because of its file: name it, not the work cabinet.
        std::string what = members.size() == 1 ? Quoted(members[0].Source) + " into " : std::string();
        throw EPackageError("Cannot complete the cabinet " + what + Quoted(cabinetFile) + ": " + e.what());
    }
}

}  // namespace

std::vector<TSetupMember> OrderMembers(std::vector<TSetupMember> members)
{
    std::set<std::string> names;
    for (const TSetupMember& member : members)
        if (!names.insert(winlib::UpperCase(member.Name)).second)
            throw EPackageError("Two members of " + std::string(SetupCabinetName) + " are named " +
                                Quoted(member.Name));
    std::stable_sort(members.begin(), members.end(), [](const TSetupMember& a, const TSetupMember& b) {
        return MemberRank(a.Kind) < MemberRank(b.Kind);
    });
    return members;
}

TPackageWriter::TPackageWriter(const std::string& outputFile) : outputFile_(winlib::ExpandFileName(outputFile))
{
    std::string outputFolder = winlib::ExtractFileDir(outputFile_);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(outputFolder.c_str(), "kpk", 0, temp))
        winlib::RaiseLastOSError("Cannot create a file in " + Quoted(outputFolder));
    tempFile_ = temp;
    output_ = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output_ == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        DeleteFileA(temp);  // the reserved name, empty
        throw winlib::EOSError(code, "Cannot create " + Quoted(tempFile_));
    }
    try {
        workFolder_ = MakeUniqueFolder(winlib::GetTempDir(), "kpb");
    } catch (...) {
        CloseHandle(output_);
        DeleteFileA(tempFile_.c_str());
        throw;
    }
}

TPackageWriter::~TPackageWriter()
{
    if (output_ != INVALID_HANDLE_VALUE) {
        CloseHandle(output_);
        // Not committed: the package is incomplete and must not be left behind.
        DeleteFileA(tempFile_.c_str());
    }
    // Best effort: the folder holds only files this writer made, and a destructor
    // has nobody to report a left folder to.
    winlib::DeleteTree(workFolder_);
}

void TPackageWriter::RequireStage(TStage stage, const char* step) const
{
    if (stage_ != stage) throw std::logic_error(std::string("TPackageWriter: ") + step + " out of order");
}

void TPackageWriter::CheckRoom(long long bytes, const std::string& what) const
{
    unsigned long long size = static_cast<unsigned long long>(position_ + bytes) + TrailerLength;
    if (!PackageSizeAllowed(size, SizeLimit))
        throw EPackageTooLarge("Cannot add " + what + " to " + Quoted(outputFile_) + ": the package would be " +
                            std::to_string(size) + " bytes, and a setup package must stay below " +
                            std::to_string(SizeLimit) + " bytes (2 GiB)");
}

void TPackageWriter::WriteBytes(const void* data, DWORD size)
{
    DWORD written = 0;
    if (!WriteFile(output_, data, size, &written, nullptr)) winlib::RaiseLastOSError("Cannot write " + Quoted(tempFile_));
    if (written != size) throw winlib::EOSError(ERROR_WRITE_FAULT, "Cannot write " + Quoted(tempFile_));
    position_ += size;
}

long long TPackageWriter::AppendFile(const std::string& path, bool withEvents)
{
    THandle input(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (input.Get() == INVALID_HANDLE_VALUE) winlib::RaiseLastOSError("Cannot open " + Quoted(path));
    LARGE_INTEGER size;
    if (!GetFileSizeEx(input.Get(), &size)) winlib::RaiseLastOSError("Cannot read the size of " + Quoted(path));
    CheckRoom(size.QuadPart, Quoted(path));

    // Read and written in large chunks: under load every file call costs, and a
    // cabinet of 2,048-byte calls spends more in them than in the bytes.
    std::vector<char> chunk(ChunkSize);
    long long done = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(input.Get(), chunk.data(), ChunkSize, &got, nullptr))
            winlib::RaiseLastOSError("Cannot read " + Quoted(path));
        if (got == 0) break;
        if (done + got > size.QuadPart)
            throw EPackageError(Quoted(path) + " grew while it was being added to the package");
        WriteBlocks(chunk.data(), got, done, size.QuadPart, withEvents);
        done += got;
    }
    if (done != size.QuadPart) throw EPackageError(Quoted(path) + " shrank while it was being added to the package");
    return done;
}

// The block events still come once per 2,048-byte block, in order.
void TPackageWriter::WriteBlocks(const char* data, DWORD size, long long done, long long total, bool withEvents)
{
    WriteBytes(data, size);
    for (DWORD at = 0; at < size; at += BlockSize) {
        long long blockEnd = done + std::min<DWORD>(size, at + BlockSize);
        if (withEvents && OnBlock && !OnBlock(blockEnd, total)) throw EPackageCancelled("The build was cancelled");
    }
}

long long TPackageWriter::CopyEngine(const std::string& engineFile)
{
    RequireStage(TStage::Engine, "CopyEngine");
    long long size = AppendFile(winlib::ExpandFileName(engineFile), false);
    stage_ = TStage::Files;
    return size;
}

long long TPackageWriter::AppendFileCabinet(const std::string& sourceFile, const std::string& storedName)
{
    RequireStage(TStage::Files, "AppendFileCabinet");
    return AppendMadeCabinet(MakeFileCabinet(0, sourceFile, storedName));
}

std::string TPackageWriter::MakeFileCabinet(size_t number, const std::string& sourceFile,
                                            const std::string& storedName, const std::atomic<bool>* stop) const
{
    std::string source = winlib::ExpandFileName(sourceFile);
    // A small file's cabinet is made in memory: no file to create, read back and delete.
    std::string cabinet = (FileSizeOrZero(source) <= MemoryCabinetLimit ? "mem:" : "") + workFolder_ + "\\file" +
                          std::to_string(number) + ".cab";
    try {
        PackCabinet(cabinet, {{source, storedName, TMemberKind::TempFile}}, stop);
    } catch (...) {
        // A cabinet FCI had begun to write is of no use; the work folder goes with the writer anyway.
        if (CabIntf::IsMemoryFileName(cabinet))
            CabIntf::DiscardMemoryFile(cabinet);
        else
            DeleteFileA(cabinet.c_str());
        throw;
    }
    return cabinet;
}

long long TPackageWriter::AppendMadeCabinet(const std::string& cabinetFile)
{
    RequireStage(TStage::Files, "AppendMadeCabinet");
    if (!CabIntf::IsMemoryFileName(cabinetFile)) {
        long long length = AppendFile(cabinetFile, true);
        DeleteFileOrRaise(cabinetFile);
        return length;
    }
    std::vector<char> bytes;
    if (!CabIntf::TakeMemoryFile(cabinetFile, bytes))
        throw EPackageError("The cabinet " + Quoted(cabinetFile) + " is gone");
    long long length = static_cast<long long>(bytes.size());
    CheckRoom(length, Quoted(cabinetFile));
    for (long long done = 0; done < length; done += ChunkSize) {
        DWORD size = static_cast<DWORD>(std::min<long long>(ChunkSize, length - done));
        WriteBlocks(bytes.data() + done, size, done, length, true);
    }
    return length;
}

void TPackageWriter::Finish(const std::string& scriptFile, const std::vector<TSetupMember>& members)
{
    RequireStage(TStage::Files, "Finish");
    winlib::TIniFile script(scriptFile);
    script.UpdateFile();
    std::vector<TSetupMember> all = members;
    all.push_back({script.FileName(), SetupScriptName, TMemberKind::Script});
    for (TSetupMember& member : all) member.Source = winlib::ExpandFileName(member.Source);

    std::string cabinet = workFolder_ + "\\" + SetupCabinetName;
    PackCabinet(cabinet, OrderMembers(std::move(all)));
    long long length = AppendFile(cabinet, false);
    WriteBytes(MakeTrailer(static_cast<int>(length)).data(), TrailerLength);
    DeleteFileOrRaise(cabinet);
    Commit();
}

void TPackageWriter::Commit()
{
    if (!FlushFileBuffers(output_)) winlib::RaiseLastOSError("Cannot write " + Quoted(tempFile_));
    HANDLE output = output_;
    output_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(output)) {
        DWORD code = GetLastError();
        DeleteFileA(tempFile_.c_str());
        throw winlib::EOSError(code, "Cannot write " + Quoted(tempFile_));
    }
    if (!MoveFileExA(tempFile_.c_str(), outputFile_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD code = GetLastError();
        DeleteFileA(tempFile_.c_str());
        throw winlib::EOSError(code, "Cannot create " + Quoted(outputFile_));
    }
    stage_ = TStage::Done;
}
