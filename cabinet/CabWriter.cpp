#include "cabinet/CabWriter.h"

#include <cstring>
#include <stdexcept>

#include "cabinet/CabIntf.h"
#include "cabinet/CabSTConsts.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

namespace {

// The three texts of a CCAB, checked against FCI's 256-byte fields before any is copied.
struct CabinetTexts {
    std::string disk;
    std::string name;
    std::string folder;
};

void CheckFits(const CabinetTexts& texts)
{
    auto tooLong = [](const std::string& text) { return text.size() >= CB_MAX_CAB_PATH; };
    if (tooLong(texts.disk) || tooLong(texts.name) || tooLong(texts.folder)) {
        ERF erf{};
        erf.erfOper = FCIERR_CAB_FILE;
        erf.erfType = ERROR_FILENAME_EXCED_RANGE;
        erf.fError = TRUE;
        throw ESTCabinet(erf, true);
    }
}

void CopyInto(CCAB& ccab, const CabinetTexts& texts)
{
    std::memcpy(ccab.szDisk, texts.disk.c_str(), texts.disk.size() + 1);
    std::memcpy(ccab.szCab, texts.name.c_str(), texts.name.size() + 1);
    std::memcpy(ccab.szCabPath, texts.folder.c_str(), texts.folder.size() + 1);
}

std::string ReplaceStars(const std::string& text, int number)
{
    std::string digits = std::to_string(number);
    std::string result;
    for (char c : text) {
        if (c == '*')
            result += digits;
        else
            result += c;
    }
    return result;
}


}  // namespace

TSTCabWriter::TSTCabWriter() { UpdateCompressionCode(); }

TSTCabWriter::~TSTCabWriter()
{
    try {
        Close(false);
    } catch (const std::exception& e) {
        // A destructor must not throw; the context is marked closed either way.
        OutputDebugStringA(e.what());
    }
}

void TSTCabWriter::SetCompressionType(TSTCabCompressionType type)
{
    compressionType_ = type;
    UpdateCompressionCode();
}

void TSTCabWriter::SetCompressionLzxLevel(TSTCabLzxLevel level)
{
    if (level < 15 || level > 21) throw std::invalid_argument("LZX level must be 15..21");
    lzxLevel_ = level;
    UpdateCompressionCode();
}

void TSTCabWriter::UpdateCompressionCode()
{
    switch (compressionType_) {
    case cctNone: compression_ = tcompTYPE_NONE; break;
    case cctMsZip: compression_ = tcompTYPE_MSZIP; break;
    case cctLzx: compression_ = static_cast<TCOMP>(TCOMPfromLZXWindow(lzxLevel_)); break;
    default: compression_ = tcompBAD; break;
    }
}

// ---- Names ----------------------------------------------------------------

std::string TSTCabWriter::CabinetName(int cabinetNumber) const
{
    std::string pattern = CabinetNameTemplate;
    if (pattern.empty()) {
        std::string first = winlib::ExtractFileName(firstCabinet_);
        size_t dot = first.rfind('.');
        pattern = dot == std::string::npos ? first + "*" : first.substr(0, dot) + "*" + first.substr(dot);
    }
    return ReplaceStars(pattern, cabinetNumber);
}

std::string TSTCabWriter::CabinetPath(int diskNumber) const
{
    if (CabinetPathTemplate.empty()) return winlib::ExtractFilePath(firstCabinet_);
    return winlib::IncludeTrailingBackslash(winlib::ExpandFileName(ReplaceStars(CabinetPathTemplate, diskNumber)));
}

std::string TSTCabWriter::DiskLabel(int diskNumber) const
{
    return ReplaceStars(DiskLabelTemplate.empty() ? std::string("Disk*") : DiskLabelTemplate, diskNumber);
}

// ---- Operations -------------------------------------------------------------

void TSTCabWriter::Open(const std::string& path)
{
    Close(false);
    firstCabinet_ = CabIntf::IsMemoryFileName(path) ? path : winlib::ExpandFileName(path);
    erf_ = ERF{};
    ccab_ = CCAB{};
    pending_ = nullptr;

    CabinetTexts texts{DiskLabel(1), winlib::ExtractFileName(firstCabinet_),
                       winlib::IncludeTrailingBackslash(winlib::ExtractFilePath(firstCabinet_))};
    CheckFits(texts);
    ccab_.cb = CabinetSizeThreshold != 0 ? CabinetSizeThreshold : 0x7FFFFFFF;
    ccab_.cbFolderThresh = FolderSizeThreshold != 0 ? FolderSizeThreshold : 0x7FFFFFFF;
    ccab_.cbReserveCFHeader = ReservePerCabinetSize;
    ccab_.cbReserveCFFolder = ReservePerFolderSize;
    ccab_.cbReserveCFData = ReservePerDataSize;
    ccab_.iDisk = 1;
    ccab_.setID = SetID;
    CopyInto(ccab_, texts);

    if (OnGetNextCabinet) {
        bool abort = false;
        OnGetNextCabinet(*this, ccab_, 0, abort);
        if (abort) return;  // closed, silently: the caller asked for it
    }
    PrepareCabinetFile(texts.folder, texts.name);

    cabinetFiles_ = 0;
    folderFiles_ = 0;
    progressCountdown_ = 0;
    hfci_ = CabIntf::FCICreate(&erf_, FilePlacedCallback, CabIntf::CabAlloc, CabIntf::CabFree,
                               CabIntf::FciOpenFile, CabIntf::FciReadFile, CabIntf::FciWriteFile,
                               CabIntf::FciCloseFile, CabIntf::FciSeekFile, CabIntf::FciDeleteFile,
                               TempFilesInMemory ? CabIntf::CabGetMemoryTempFile : CabIntf::CabGetTempFile,
                               &ccab_, this);
    if (hfci_ == nullptr) throw ESTCabinet(erf_, true);
}

void TSTCabWriter::AddFile(const std::string& sourcePath, const std::string& nameInCabinet, bool execute)
{
    RequireOpen();
    if (OnBeforeFileAdd) {
        bool skip = false;
        OnBeforeFileAdd(*this, sourcePath, skip);
        if (skip) return;
    }
    if (CabinetFileCountThreshold != 0 && cabinetFiles_ >= CabinetFileCountThreshold)
        FlushCabinet(true);
    else if (FolderFileCountThreshold != 0 && folderFiles_ >= FolderFileCountThreshold)
        FlushFolder();

    std::string source = sourcePath;
    std::string stored = nameInCabinet;
    if (!stored.empty() && stored[0] == '\\') stored.erase(0, 1);  // FCI would keep it
    BeginCall();
    CheckResult(CabIntf::FCIAddFile(hfci_, source.data(), stored.data(), execute ? TRUE : FALSE,
                                    NextCabinetCallback, StatusCallback, CabIntf::CabGetOpenInfo,
                                    compression_));
    ++cabinetFiles_;
    ++folderFiles_;
}

void TSTCabWriter::Close(bool flush)
{
    if (hfci_ == nullptr) return;
    std::exception_ptr flushFailure;
    if (flush) {
        try {
            FlushCabinet(false);
        } catch (...) {
            // Destroy the context first, so FCI removes its temporary files; then report.
            flushFailure = std::current_exception();
        }
    }
    HFCI context = hfci_;
    hfci_ = nullptr;
    BOOL destroyed = CabIntf::FCIDestroy(context);
    if (flushFailure) std::rethrow_exception(flushFailure);
    if (!destroyed) throw ESTCabinet(erf_, true);
}

void TSTCabWriter::FlushCabinet(bool next)
{
    RequireOpen();
    BeginCall();
    CheckResult(CabIntf::FCIFlushCabinet(hfci_, next ? TRUE : FALSE, NextCabinetCallback, StatusCallback));
    cabinetFiles_ = 0;
    folderFiles_ = 0;
}

void TSTCabWriter::FlushFolder()
{
    RequireOpen();
    BeginCall();
    CheckResult(CabIntf::FCIFlushFolder(hfci_, NextCabinetCallback, StatusCallback));
    folderFiles_ = 0;
}

// ---- Helpers ----------------------------------------------------------------

void TSTCabWriter::RequireOpen() const
{
    // A writer whose Open was aborted (or that was closed) has no context for FCI.
    if (hfci_ == nullptr) throw ESTCabinet(NoErrorRecord(), true);
}

void TSTCabWriter::BeginCall()
{
    pending_ = nullptr;
    abortRequested_ = false;
}

void TSTCabWriter::CheckResult(BOOL ok)
{
    if (pending_) {
        std::exception_ptr failure = pending_;
        pending_ = nullptr;
        std::rethrow_exception(failure);
    }
    if (abortRequested_ && !erf_.fError) {
        // Wine's FCI ignores the file-placed answer and carries on; Windows stops
        // with "Client requested abort", and so do we.
        erf_.erfOper = FCIERR_USER_ABORT;
        erf_.erfType = 0;
        erf_.fError = TRUE;
    }
    if (!ok || abortRequested_) throw ESTCabinet(erf_, true);
}

// Once an event has answered abort, every later callback of the same FCI call does too.
LONG TSTCabWriter::Answer(bool abort, LONG result)
{
    if (abort) abortRequested_ = true;
    return abortRequested_ ? -1 : result;
}

void TSTCabWriter::PrepareCabinetFile(const std::string& folder, const std::string& name)
{
    std::string withSlash = winlib::IncludeTrailingBackslash(folder);
    if (CabIntf::IsMemoryFileName(withSlash)) {
        CabIntf::DiscardMemoryFile(withSlash + name);  // a cabinet in memory has no folder
        return;
    }
    winlib::ForceDirectories(withSlash);
    std::string path = withSlash + name;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(path.c_str()))
        winlib::RaiseLastOSError("Deleting the old cabinet " + path);
}

BOOL TSTCabWriter::GetNextCabinet(CCAB& ccab, ULONG previousSize)
{
    ++ccab.iDisk;
    CabinetTexts texts{DiskLabel(ccab.iDisk), CabinetName(ccab.iCab), CabinetPath(ccab.iDisk)};
    CheckFits(texts);
    CopyInto(ccab, texts);
    if (OnGetNextCabinet) {
        bool abort = false;
        OnGetNextCabinet(*this, ccab, previousSize, abort);
        if (Answer(abort, 0) != 0) return FALSE;
    }
    PrepareCabinetFile(texts.folder, texts.name);
    cabinetFiles_ = 0;
    folderFiles_ = 0;
    return TRUE;
}

LONG TSTCabWriter::Status(UINT type, ULONG cb1, ULONG cb2)
{
    bool abort = false;
    switch (type) {
    case statusFile:
        if (OnFileStatus) OnFileStatus(*this, cb1, cb2, abort);
        // OnProgress fires on the second file report and on every ninth after it.
        if (progressCountdown_ < 0 && OnProgress && !abort) {
            OnProgress(*this, abort);
            progressCountdown_ = 8;
        }
        --progressCountdown_;
        return Answer(abort, 0);
    case statusFolder:
        if (OnFolderStatus) OnFolderStatus(*this, cb1, cb2, abort);
        folderFiles_ = 0;
        return Answer(abort, 0);
    case statusCabinet: {
        // FCI writes the cabinet at the size it is told here: by default its own.
        unsigned long desired = cb2;
        if (OnCabinetStatus) OnCabinetStatus(*this, cb1, cb2, desired, abort);
        cabinetFiles_ = 0;
        folderFiles_ = 0;
        return Answer(abort, static_cast<LONG>(desired));
    }
    default:
        return 0;
    }
}

// ---- FCI callbacks: nothing may be thrown through cabinet.dll ----------------

int __cdecl TSTCabWriter::FilePlacedCallback(PCCAB ccab, char* file, LONG size, BOOL continuation, void* pv)
{
    auto* self = static_cast<TSTCabWriter*>(pv);
    try {
        bool abort = false;
        if (self->OnFilePlaced) self->OnFilePlaced(*self, *ccab, file, size, continuation != FALSE, abort);
        return self->Answer(abort, 0);
    } catch (...) {
        self->pending_ = std::current_exception();
        self->abortRequested_ = true;
        return -1;
    }
}

BOOL __cdecl TSTCabWriter::NextCabinetCallback(PCCAB ccab, ULONG previousSize, void* pv)
{
    auto* self = static_cast<TSTCabWriter*>(pv);
    try {
        return self->GetNextCabinet(*ccab, previousSize);
    } catch (...) {
        self->pending_ = std::current_exception();
        self->abortRequested_ = true;
        return FALSE;
    }
}

LONG __cdecl TSTCabWriter::StatusCallback(UINT type, ULONG cb1, ULONG cb2, void* pv)
{
    auto* self = static_cast<TSTCabWriter*>(pv);
    try {
        return self->Status(type, cb1, cb2);
    } catch (...) {
        self->pending_ = std::current_exception();
        self->abortRequested_ = true;
        return -1;
    }
}
