// TSTCabWriter: makes MS-CAB cabinets (and cabinet sets) through FCI.
//
//   TSTCabWriter w;                 // LZX, window 21
//   w.SetCompressionType(cctMsZip);
//   w.Open(path);                   // throws ESTCabinet / winlib::EOSError
//   w.AddFile(source, name, false);
//   w.Close(true);
//
// A path beginning "mem:" (CabIntf::IsMemoryFileName) makes the cabinet in memory;
// CabIntf::TakeMemoryFile then hands over its bytes.
//
// Events are plain std::function members; an abort answer ends the FCI call,
// which then raises "Client requested abort". An exception thrown by an event is
// caught before it can cross cabinet.dll and re-thrown once FCI has returned.
#pragma once
#include <windows.h>
#include <fci.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

enum TSTCabCompressionType { cctNone, cctMsZip, cctLzx };
using TSTCabLzxLevel = int;  // LZX window, 15..21

class TSTCabWriter {
public:
    TSTCabWriter();
    ~TSTCabWriter();  // closes without flushing; never throws
    TSTCabWriter(const TSTCabWriter&) = delete;
    TSTCabWriter& operator=(const TSTCabWriter&) = delete;

    // ---- Properties (0 or empty unless stated) ----
    uint32_t CabinetSizeThreshold = 0;       // 0 = 0x7FFFFFFF
    uint32_t CabinetFileCountThreshold = 0;  // files per cabinet; 0 = no limit
    uint32_t FolderSizeThreshold = 0;        // 0 = 0x7FFFFFFF
    uint32_t FolderFileCountThreshold = 0;   // files per folder; 0 = no limit
    uint32_t ReservePerCabinetSize = 0;
    uint32_t ReservePerFolderSize = 0;
    uint32_t ReservePerDataSize = 0;
    uint16_t SetID = 0;
    std::string CabinetNameTemplate;  // continuation names, "*" = cabinet number
    std::string CabinetPathTemplate;  // continuation folders, "*" = disk number
    std::string DiskLabelTemplate;    // "*" = disk number; "" = "Disk*"
    // FCI's own temporary files in memory instead of the temp folder: faster for
    // small cabinets, and nothing is left on disk; they hold the compressed data of
    // a folder, so large cabinets keep them on disk. Read at Open.
    bool TempFilesInMemory = false;

    TSTCabCompressionType CompressionType() const { return compressionType_; }
    void SetCompressionType(TSTCabCompressionType type);
    TSTCabLzxLevel CompressionLzxLevel() const { return lzxLevel_; }
    void SetCompressionLzxLevel(TSTCabLzxLevel level);  // throws std::invalid_argument outside 15..21
    TCOMP CompressionCode() const { return compression_; }

    // ---- Events ----
    std::function<void(TSTCabWriter& sender, const CCAB& cabinet, const std::string& fileName,
                       long fileSize, bool continuation, bool& abort)> OnFilePlaced;
    std::function<void(TSTCabWriter& sender, const CCAB& cabinet, unsigned long previousCabinetSize,
                       bool& abort)> OnGetNextCabinet;
    std::function<void(TSTCabWriter& sender, unsigned long compressedSize, unsigned long uncompressedSize,
                       bool& abort)> OnFileStatus;
    std::function<void(TSTCabWriter& sender, unsigned long copiedSize, unsigned long totalSize,
                       bool& abort)> OnFolderStatus;
    std::function<void(TSTCabWriter& sender, unsigned long estimatedSize, unsigned long actualSize,
                       unsigned long& desiredSize, bool& abort)> OnCabinetStatus;
    std::function<void(TSTCabWriter& sender, bool& abort)> OnProgress;
    std::function<void(TSTCabWriter& sender, const std::string& fileName, bool& skip)> OnBeforeFileAdd;

    // ---- Operations ----
    void Open(const std::string& path);
    void AddFile(const std::string& sourcePath, const std::string& nameInCabinet, bool execute);
    void Close(bool flush);
    void FlushCabinet(bool next);
    void FlushFolder();
    bool IsOpen() const { return hfci_ != nullptr; }

    // Names of continuation cabinets, from the templates and the first cabinet's path.
    std::string CabinetName(int cabinetNumber) const;
    std::string CabinetPath(int diskNumber) const;
    std::string DiskLabel(int diskNumber) const;

private:
    static int __cdecl FilePlacedCallback(PCCAB ccab, char* file, LONG size, BOOL continuation, void* pv);
    static BOOL __cdecl NextCabinetCallback(PCCAB ccab, ULONG previousSize, void* pv);
    static LONG __cdecl StatusCallback(UINT type, ULONG cb1, ULONG cb2, void* pv);

    BOOL GetNextCabinet(CCAB& ccab, ULONG previousSize);
    LONG Status(UINT type, ULONG cb1, ULONG cb2);
    void PrepareCabinetFile(const std::string& folder, const std::string& name);
    void RequireOpen() const;
    void BeginCall();
    void CheckResult(BOOL ok);
    LONG Answer(bool abort, LONG result);
    void UpdateCompressionCode();

    HFCI hfci_ = nullptr;
    ERF erf_{};
    CCAB ccab_{};
    std::string firstCabinet_;  // full path of the first cabinet
    uint32_t cabinetFiles_ = 0;
    uint32_t folderFiles_ = 0;
    int progressCountdown_ = 0;
    TSTCabCompressionType compressionType_ = cctLzx;
    TSTCabLzxLevel lzxLevel_ = 21;
    TCOMP compression_ = 0;
    std::exception_ptr pending_;  // thrown inside a callback, re-thrown after FCI returns
    bool abortRequested_ = false; // an event answered abort during the current FCI call
};
