// TSTCabReader: extracts every file of an MS-CAB cabinet, and of the cabinets
// that follow it in a set, into a folder through FDI.
//
//   TSTCabReader r;
//   r.ExtractFiles(cabPath, destFolder, 0);   // throws ESTCabinet
//
// Member names that would leave the destination folder ("..\x", "C:\x", "\x")
// abort the extraction with "FDI aborted [0x000B]" and ERROR_INVALID_NAME.
// An exception thrown by an event is caught before it can cross cabinet.dll and
// re-thrown once FDI has returned. A file whose writing or closing failed fails
// the extraction ("Failure writing to target file" [0x0008]) even where FDI
// itself does not look at that answer (Wine).
#pragma once
#include <windows.h>
#include <fdi.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "cabinet/CabIntf.h"

enum TSTCabReaderOption : unsigned {
    croExecuteOnExtract = 1u << 0,
    croDontOverwriteReadOnlyFiles = 1u << 1,
};
using TSTCabReaderOptions = unsigned;  // a set of TSTCabReaderOption bits

class TSTCabReader {
public:
    TSTCabReader() = default;
    ~TSTCabReader();  // destroys the FDI context; never throws
    TSTCabReader(const TSTCabReader&) = delete;
    TSTCabReader& operator=(const TSTCabReader&) = delete;

    TSTCabReaderOptions Options = 0;

    std::function<void(TSTCabReader& sender, const std::string& nextCabinetName,
                       const std::string& nextDiskName, const std::string& cabinetPath,
                       uint16_t setId, uint16_t cabinetNumber, bool& abort)> OnCabinetInfo;
    std::function<void(TSTCabReader& sender, const std::string& sourceName, long size,
                       uint16_t date, uint16_t time, uint16_t attributes, uint16_t folder,
                       std::string& destination, bool& abort)> OnCopyFile;
    // Opens the file's destination itself, where the reader would open the path
    // OnCopyFile left (for a file the handler makes under a name of its own):
    // answers a handle with write access, which the reader then owns, or
    // INVALID_HANDLE_VALUE with the reason in GetLastError (the extraction fails).
    // destination may be changed to name what was opened.
    std::function<HANDLE(TSTCabReader& sender, std::string& destination)> OnOpenFile;
    // Asked before OnOpenFile: extracts the file into memory instead, appending
    // to the output answered (nullptr: a file as usual). The stored date, time
    // and attributes come with OnCloseFile; the caller applies them, if at all.
    std::function<CabIntf::TMemoryOutput*(TSTCabReader& sender, const std::string& destination)> OnOpenMemory;
    std::function<void(TSTCabReader& sender, const std::string& sourceName,
                       const std::string& startCabinetName, const std::string& startDiskName,
                       std::string& destination, bool& abort)> OnCopyPartialFile;
    std::function<void(TSTCabReader& sender, const std::string& sourceName, uint16_t date,
                       uint16_t time, uint16_t attributes, uint16_t folder, bool& execute,
                       const std::string& destination, bool& abort)> OnCloseFile;
    std::function<void(TSTCabReader& sender, const std::string& cabinetName,
                       const std::string& diskName, std::string& cabinetPath, int fdiError,
                       bool& abort)> OnNextCabinet;
    std::function<void(TSTCabReader& sender, FDINOTIFICATIONTYPE type,
                       FDINOTIFICATION& notification, INT_PTR& result)> OnUnrecognizedNotify;

    // flags bit 0: only this cabinet, not the rest of its set.
    void ExtractFiles(const std::string& cabinetPath, const std::string& destinationFolder, unsigned flags);
    // Extracts the cabinet that lies in a range of an open file, read in place
    // (never copied out first); only that cabinet, not a set it may begin.
    void ExtractRange(const CabIntf::TCabinetRange& range, const std::string& destinationFolder);

    // A stored name that stays inside the destination: not empty, no leading
    // "\" or "/", no ":", no ".." part. "sub\x" is fine.
    static bool IsSafeMemberName(const std::string& name);

    // Gives an extracted file the stored date and time (local MS-DOS time) as its
    // creation and last-write time and, unless keepAttributes, the stored
    // attributes, through its open handle. False with GetLastError on failure.
    static bool ApplyStoredInfo(HANDLE file, uint16_t date, uint16_t time, uint16_t attributes,
                                bool keepAttributes);

private:
    static INT_PTR __cdecl NotifyCallback(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification);

    INT_PTR HandleNotification(FDINOTIFICATIONTYPE type, FDINOTIFICATION& n);
    INT_PTR HandleCabinetInfo(FDINOTIFICATION& n);
    INT_PTR HandlePartialFile(FDINOTIFICATION& n);
    INT_PTR HandleCopyFile(FDINOTIFICATION& n);
    INT_PTR HandleCloseFile(FDINOTIFICATION& n);
    INT_PTR Opened(const std::string& source, const std::string& target, DWORD hadAttributes, INT_PTR handle);
    INT_PTR HandleNextCabinet(FDINOTIFICATION& n);
    std::string FollowingCabinet(const std::string& current) const;
    bool AlreadyRead(const std::string& path) const;
    int FindSource(const std::string& sourceName) const;
    void Start(const std::string& destinationFolder);
    void ExtractOne(const std::string& cabinet);
    void Copy(const std::string& name, const std::string& folder);
    void CreateContext();

    HFDI hfdi_ = nullptr;
    ERF erf_{};
    std::string firstCabinet_;
    std::string destination_;               // with trailing backslash
    std::vector<std::string> sourceNames_;  // open files: stored names ...
    std::vector<std::string> targets_;      // ... and their destinations ...
    std::vector<DWORD> openAttributes_;     // ... and the attributes they had (0: new)
    std::vector<std::string> cabinetsRead_;
    std::string currentCabinet_;
    std::string nextCabinet_;       // from the cabinet-info notification
    std::string nextDisk_;
    std::string requestedCabinet_;  // from the next-cabinet notification
    bool cabinetRequested_ = false;
    DWORD abortError_ = 0;  // OS error behind our own refusal, kept over FDI's clean-up errors
    DWORD targetError_ = 0;  // a file that was not written whole (FDI may not hear of it)
    std::exception_ptr pending_;
};
