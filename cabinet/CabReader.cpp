#include "cabinet/CabReader.h"

#include <fcntl.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "cabinet/CabIntf.h"
#include "cabinet/CabSTConsts.h"
#include "winlib/Path.h"

namespace {

const DWORD kStoredAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

void RecordOsError(DWORD error) { CabIntf::LastFdiOsError = error; }

// A next-cabinet name from a cabinet header: a bare file name, no folder parts.
bool IsPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

bool SameText(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

DWORD AttributesOrNormal(DWORD attributes) { return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL; }

}  // namespace

TSTCabReader::~TSTCabReader()
{
    if (hfdi_ != nullptr && !CabIntf::FDIDestroy(hfdi_)) {
        // A destructor must not throw; there is nobody left to tell but the debugger.
        OutputDebugStringA("TSTCabReader: FDIDestroy failed");
    }
}

bool TSTCabReader::ApplyStoredInfo(HANDLE file, uint16_t date, uint16_t time, uint16_t attributes,
                                   bool keepAttributes)
{
    FILETIME local;
    FILETIME utc;
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return false;
    FILE_BASIC_INFO info{};  // a zero field is left as it is
    info.CreationTime.LowPart = utc.dwLowDateTime;
    info.CreationTime.HighPart = static_cast<LONG>(utc.dwHighDateTime);
    info.LastWriteTime = info.CreationTime;
    info.FileAttributes = keepAttributes ? 0 : AttributesOrNormal(attributes & kStoredAttributes);
    return SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != FALSE;
}

bool TSTCabReader::IsSafeMemberName(const std::string& name)
{
    if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
    if (name.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

void TSTCabReader::Start(const std::string& destinationFolder)
{
    destination_ = winlib::IncludeTrailingBackslash(winlib::ExpandFileName(destinationFolder));
    sourceNames_.clear();
    targets_.clear();
    openAttributes_.clear();
    cabinetsRead_.clear();
}

void TSTCabReader::ExtractFiles(const std::string& cabinetPath, const std::string& destinationFolder,
                                unsigned flags)
{
    firstCabinet_ = winlib::ExpandFileName(cabinetPath);
    Start(destinationFolder);

    std::string current = firstCabinet_;
    while (!current.empty()) {
        ExtractOne(current);
        if (flags & 1) break;
        current = FollowingCabinet(current);
        // A set whose next cabinet is missing ends quietly after what was there.
        if (!current.empty() && !winlib::FileExists(current)) break;
    }
}

void TSTCabReader::ExtractRange(const CabIntf::TCabinetRange& range, const std::string& destinationFolder)
{
    // "<" and ">" cannot stand in a file name, so this name opens only the range;
    // it is this reader's, so readers on other threads register names of their own.
    char text[48];
    std::snprintf(text, sizeof text, "<cabinet range %p>", static_cast<void*>(this));
    const std::string name = text;
    firstCabinet_ = name;
    Start(destinationFolder);
    CabIntf::RegisterCabinetRange(name, &range);
    struct TUnregister {
        const std::string& Name;
        ~TUnregister() { CabIntf::UnregisterCabinetRange(Name); }
    } unregister{name};
    currentCabinet_ = name;
    cabinetsRead_.push_back(name);
    Copy(name, std::string());
}

void TSTCabReader::CreateContext()
{
    if (hfdi_ != nullptr) return;
    erf_ = ERF{};
    hfdi_ = CabIntf::FDICreate(CabIntf::CabAlloc, CabIntf::CabFree, CabIntf::FdiOpenFile,
                               CabIntf::FdiReadFile, CabIntf::FdiWriteFile, CabIntf::FdiCloseFile,
                               CabIntf::FdiSeekFile, cpuUNKNOWN, &erf_);
    if (hfdi_ == nullptr) throw ESTCabinet(erf_, false);
}

void TSTCabReader::ExtractOne(const std::string& cabinet)
{
    currentCabinet_ = cabinet;
    cabinetsRead_.push_back(cabinet);
    Copy(winlib::ExtractFileName(cabinet), winlib::ExtractFilePath(cabinet));
}

// One FDICopy of the cabinet folder + name.
void TSTCabReader::Copy(const std::string& name, const std::string& folder)
{
    nextCabinet_.clear();
    nextDisk_.clear();
    requestedCabinet_.clear();
    cabinetRequested_ = false;
    CreateContext();

    erf_ = ERF{};
    pending_ = nullptr;
    abortError_ = 0;
    targetError_ = 0;
    CabIntf::LastFdiOsError = 0;
    std::string cabinetName = name;
    std::string cabinetFolder = folder;
    BOOL ok = CabIntf::FDICopy(hfdi_, cabinetName.data(), cabinetFolder.data(), 0, NotifyCallback, nullptr, this);
    if (pending_) {
        std::exception_ptr failure = pending_;
        pending_ = nullptr;
        std::rethrow_exception(failure);
    }
    if (ok && targetError_ != 0) {
        erf_ = ERF{};
        erf_.erfOper = FDIERROR_TARGET_FILE;
        erf_.fError = TRUE;
        ok = FALSE;
        abortError_ = targetError_;
    }
    if (!ok) {
        erf_.erfType = static_cast<int>(abortError_ != 0 ? abortError_ : CabIntf::LastFdiOsError);
        throw ESTCabinet(erf_, false);
    }
}

// Only plain names in the same folder that were not read before are followed, so
// a set cannot loop and a header cannot send the reader elsewhere.
std::string TSTCabReader::FollowingCabinet(const std::string& current) const
{
    std::string next;
    if (cabinetRequested_)
        next = requestedCabinet_;
    else if (!nextCabinet_.empty() && !SameText(nextCabinet_, current))
        next = nextCabinet_;
    if (next.empty() || AlreadyRead(next)) return "";
    return next;
}

bool TSTCabReader::AlreadyRead(const std::string& path) const
{
    for (const std::string& read : cabinetsRead_)
        if (SameText(read, path)) return true;
    return false;
}

int TSTCabReader::FindSource(const std::string& sourceName) const
{
    for (size_t i = 0; i < sourceNames_.size(); ++i)
        if (sourceNames_[i] == sourceName) return static_cast<int>(i);
    return -1;
}

// ---- Notifications ----------------------------------------------------------

INT_PTR __cdecl TSTCabReader::NotifyCallback(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification)
{
    auto* self = static_cast<TSTCabReader*>(notification->pv);
    try {
        INT_PTR result = self->HandleNotification(type, *notification);
        // After a refusal FDI closes what it had open, which may record errors of
        // its own; the reason for the refusal is the one to report.
        bool refused = result == -1 || (type == fdintCLOSE_FILE_INFO && result == FALSE);
        if (refused && self->abortError_ == 0) self->abortError_ = CabIntf::LastFdiOsError;
        return result;
    } catch (...) {
        // Nothing may be thrown through cabinet.dll: abort FDI and re-throw after it returns.
        self->pending_ = std::current_exception();
        return -1;
    }
}

INT_PTR TSTCabReader::HandleNotification(FDINOTIFICATIONTYPE type, FDINOTIFICATION& n)
{
    CabIntf::LastFdiOsError = 0;
    switch (type) {
    case fdintCABINET_INFO: return HandleCabinetInfo(n);
    case fdintPARTIAL_FILE: return HandlePartialFile(n);
    case fdintCOPY_FILE: return HandleCopyFile(n);
    case fdintCLOSE_FILE_INFO: return HandleCloseFile(n);
    case fdintNEXT_CABINET: return HandleNextCabinet(n);
    default: {
        INT_PTR result = 0;
        if (OnUnrecognizedNotify) OnUnrecognizedNotify(*this, type, n, result);
        return result;
    }
    }
}

INT_PTR TSTCabReader::HandleCabinetInfo(FDINOTIFICATION& n)
{
    if (cabinetRequested_) currentCabinet_ = requestedCabinet_;
    std::string nextName = Text(n.psz1);
    nextCabinet_ = IsPlainName(nextName) ? PathJoin({Text(n.psz3), nextName}) : std::string();
    nextDisk_ = Text(n.psz2);
    bool abort = false;
    if (OnCabinetInfo) OnCabinetInfo(*this, nextCabinet_, nextDisk_, Text(n.psz3), n.setID, n.iCabinet, abort);
    return abort ? -1 : 0;
}

INT_PTR TSTCabReader::HandlePartialFile(FDINOTIFICATION& n)
{
    std::string source = Text(n.psz1);
    int index = FindSource(source);
    std::string target = index >= 0 ? targets_[index] : std::string();
    bool abort = false;
    if (OnCopyPartialFile) OnCopyPartialFile(*this, source, Text(n.psz2), Text(n.psz3), target, abort);
    return abort ? -1 : 0;
}

INT_PTR TSTCabReader::HandleCopyFile(FDINOTIFICATION& n)
{
    std::string source = Text(n.psz1);
    if (!IsSafeMemberName(source)) {
        RecordOsError(ERROR_INVALID_NAME);
        return -1;
    }
    std::string target = PathJoin({destination_, source});
    bool abort = false;
    if (OnCopyFile) OnCopyFile(*this, source, n.cb, n.date, n.time, n.attribs, n.iFolder, target, abort);
    if (abort) return -1;
    if (target.empty()) return 0;  // the handler skipped it

    if (CabIntf::TMemoryOutput* output = OnOpenMemory ? OnOpenMemory(*this, target) : nullptr)
        return Opened(source, target, 0, CabIntf::OpenMemoryOutput(output));
    if (OnOpenFile) {
        HANDLE file = OnOpenFile(*this, target);
        if (file == INVALID_HANDLE_VALUE) {
            RecordOsError(GetLastError());
            return -1;
        }
        return Opened(source, target, 0, reinterpret_cast<INT_PTR>(file));
    }

    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        winlib::ForceDirectories(winlib::ExtractFilePath(target));  // a file that is there has its folder
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        if (Options & croDontOverwriteReadOnlyFiles) return 0;
        if (!SetFileAttributesA(target.c_str(), AttributesOrNormal(attributes & ~FILE_ATTRIBUTE_READONLY))) {
            RecordOsError(GetLastError());
            return -1;
        }
    }

    // Opened without truncation, because Windows refuses CREATE_ALWAYS on a hidden
    // file (Wine allows it); the file is cut here so only the member's bytes remain.
    int err = 0;
    INT_PTR handle = CabIntf::CabOpenFile(target.data(), _O_BINARY | _O_CREAT | _O_WRONLY | _O_SEQUENTIAL,
                                          _S_IREAD | _S_IWRITE, &err, nullptr);
    if (handle == -1) {
        RecordOsError(static_cast<DWORD>(err));
        return -1;
    }
    if (!SetEndOfFile(reinterpret_cast<HANDLE>(handle))) {
        RecordOsError(GetLastError());
        CloseHandle(reinterpret_cast<HANDLE>(handle));
        return -1;
    }
    return Opened(source, target, attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes & ~FILE_ATTRIBUTE_READONLY,
                  handle);
}

// Keeps an open file's names and the attributes it had, and starts its write
// record afresh.
INT_PTR TSTCabReader::Opened(const std::string& source, const std::string& target, DWORD hadAttributes,
                             INT_PTR handle)
{
    sourceNames_.push_back(source);
    targets_.push_back(target);
    openAttributes_.push_back(hadAttributes);
    CabIntf::FdiWriteError = 0;
    CabIntf::FdiWriteCrc = 0;
    return handle;
}

INT_PTR TSTCabReader::HandleCloseFile(FDINOTIFICATION& n)
{
    std::string source = Text(n.psz1);
    int index = FindSource(source);
    const bool inMemory = CabIntf::IsMemoryOutput(n.hf);
    if (index >= 0 && !inMemory) {
        // Set through the open handle: no second open of the file by its name. A
        // file that already had the stored attributes, among them the archive bit
        // that writing sets, keeps them as they are.
        DWORD had = openAttributes_[index];
        bool same = (had & FILE_ATTRIBUTE_ARCHIVE) && (had & kStoredAttributes) == (n.attribs & kStoredAttributes);
        if (!ApplyStoredInfo(reinterpret_cast<HANDLE>(n.hf), n.date, n.time, n.attribs, same))
            RecordOsError(GetLastError());  // the file stays as it is
    }
    int err = 0;
    DWORD lost = CabIntf::FdiWriteError;
    if (inMemory)
        CabIntf::CloseMemoryOutput(n.hf);
    else if (CabIntf::CabCloseFile(n.hf, &err, nullptr) != 0 && lost == 0)
        lost = static_cast<DWORD>(err);
    if (lost != 0) {
        // A write lost, or lost at close, is not a success, whether FDI listens or not.
        RecordOsError(lost);
        if (targetError_ == 0) targetError_ = lost;
        return FALSE;
    }
    std::string target;
    if (index >= 0) {
        target = targets_[index];
        sourceNames_.erase(sourceNames_.begin() + index);
        targets_.erase(targets_.begin() + index);
        openAttributes_.erase(openAttributes_.begin() + index);
    }
    bool execute = n.cb != 0;  // FDI's run-after-extract bit
    bool abort = false;
    if (OnCloseFile) OnCloseFile(*this, source, n.date, n.time, n.attribs, n.iFolder, execute, target, abort);
    if (abort) return -1;
    if (execute && (Options & croExecuteOnExtract) && !target.empty()) {
        // The file is in place either way; starting it is an extra the caller asked
        // for, so a failure to start it does not fail the extraction.
        ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    return TRUE;
}

INT_PTR TSTCabReader::HandleNextCabinet(FDINOTIFICATION& n)
{
    std::string name = Text(n.psz1);
    std::string path = Text(n.psz3);
    INT_PTR result;
    if (OnNextCabinet) {
        bool abort = false;
        OnNextCabinet(*this, name, Text(n.psz2), path, static_cast<int>(n.fdie), abort);
        if (abort) return -1;
        path = winlib::IncludeTrailingBackslash(path);
        if (path.size() >= CB_MAX_CAB_PATH) {  // FDI's buffer holds 256 bytes with the terminator
            RecordOsError(ERROR_FILENAME_EXCED_RANGE);
            return -1;
        }
        std::memcpy(n.psz3, path.c_str(), path.size() + 1);
        result = 0;
    } else {
        result = n.fdie != FDIERROR_NONE ? -1 : 0;
    }
    std::string next = PathJoin({path, name});
    if (!IsPlainName(name) || AlreadyRead(next)) {
        RecordOsError(ERROR_INVALID_NAME);
        return -1;
    }
    requestedCabinet_ = next;
    cabinetRequested_ = true;
    return result;
}
