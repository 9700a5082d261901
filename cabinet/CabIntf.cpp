#include "cabinet/CabIntf.h"

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "winlib/Crc32.h"
#include "winlib/OsError.h"

namespace CabIntf {

namespace {

using FCICreateProc = HFCI(DIAMONDAPI*)(PERF, PFNFCIFILEPLACED, PFNFCIALLOC, PFNFCIFREE, PFNFCIOPEN,
                                        PFNFCIREAD, PFNFCIWRITE, PFNFCICLOSE, PFNFCISEEK,
                                        PFNFCIDELETE, PFNFCIGETTEMPFILE, PCCAB, void*);
using FCIAddFileProc = BOOL(DIAMONDAPI*)(HFCI, char*, char*, BOOL, PFNFCIGETNEXTCABINET,
                                         PFNFCISTATUS, PFNFCIGETOPENINFO, TCOMP);
using FCIFlushCabinetProc = BOOL(DIAMONDAPI*)(HFCI, BOOL, PFNFCIGETNEXTCABINET, PFNFCISTATUS);
using FCIFlushFolderProc = BOOL(DIAMONDAPI*)(HFCI, PFNFCIGETNEXTCABINET, PFNFCISTATUS);
using FCIDestroyProc = BOOL(DIAMONDAPI*)(HFCI);
using FDICreateProc = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                        PFNSEEK, int, PERF);
using FDIIsCabinetProc = BOOL(DIAMONDAPI*)(HFDI, INT_PTR, PFDICABINETINFO);
using FDICopyProc = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using FDIDestroyProc = BOOL(DIAMONDAPI*)(HFDI);

// The nine entry points, bound in this order.
struct Slots {
    FCICreateProc fciCreate;
    FCIAddFileProc fciAddFile;
    FCIFlushCabinetProc fciFlushCabinet;
    FCIFlushFolderProc fciFlushFolder;
    FCIDestroyProc fciDestroy;
    FDICreateProc fdiCreate;
    FDIIsCabinetProc fdiIsCabinet;  // bound with the others, never called
    FDICopyProc fdiCopy;
    FDIDestroyProc fdiDestroy;
};

// Process-wide library state, unguarded: it is loaded and bound on one thread. A
// builder that compresses on several threads loads it before they start; then
// every thread only reads it.
struct Library {
    HMODULE module = nullptr;
    std::string path;  // "" = the system folder's cabinet.dll
    Slots slots{};

    void Free()
    {
        if (module != nullptr) FreeLibrary(module);
        module = nullptr;
        slots = Slots{};
    }
    ~Library() { Free(); }  // freed at program end
};

Library& Lib()
{
    static Library library;
    return library;
}

// A plain name would let a cabinet.dll planted beside a downloaded setup win the
// search, so the default is the system folder's copy.
std::string LibraryPath()
{
    if (!Lib().path.empty()) return Lib().path;
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) winlib::RaiseLastOSError("Locating the system folder for cabinet.dll");
    return std::string(folder, length) + "\\cabinet.dll";
}

template <typename T>
void Bind(HMODULE module, const char* name, T& slot, const std::string& path)
{
    FARPROC proc = GetProcAddress(module, name);
    if (proc == nullptr) {
        DWORD error = GetLastError();
        Lib().Free();  // the next use loads again from the start
        SetLastError(error);
        winlib::RaiseLastOSError(std::string("Binding ") + name + " in " + path);
    }
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(proc));
}

int RecordError(int* err)
{
    if (err != nullptr) *err = static_cast<int>(GetLastError());
    return -1;
}

HANDLE ToHandle(INT_PTR handle) { return reinterpret_cast<HANDLE>(handle); }

DWORD DispositionFor(int oflag)
{
    bool create = (oflag & _O_CREAT) != 0;
    bool truncate = (oflag & _O_TRUNC) != 0;
    if (create && (oflag & _O_EXCL)) return CREATE_NEW;
    if (create && truncate) return CREATE_ALWAYS;
    if (truncate) return TRUNCATE_EXISTING;
    if (create) return OPEN_ALWAYS;
    return OPEN_EXISTING;
}

DWORD AccessFor(int oflag)
{
    switch (oflag & 3) {
    case _O_RDONLY: return GENERIC_READ;
    case _O_WRONLY: return GENERIC_WRITE;
    default: return GENERIC_READ | GENERIC_WRITE;
    }
}

DWORD FlagsFor(int oflag)
{
    bool create = (oflag & _O_CREAT) != 0;
    DWORD flags = (create && (oflag & _O_SHORT_LIVED)) ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
    if (oflag & _O_SEQUENTIAL) flags |= FILE_FLAG_SEQUENTIAL_SCAN;
    if (oflag & _O_RANDOM) flags |= FILE_FLAG_RANDOM_ACCESS;
    if (create && (oflag & _O_TEMPORARY)) flags |= FILE_FLAG_DELETE_ON_CLOSE;
    return flags;
}

void KeepFdiError(int err)
{
    if (err != 0) LastFdiOsError = static_cast<DWORD>(err);
}

}  // namespace

thread_local DWORD LastFdiOsError = 0;

void LoadCabinetLibrary()
{
    Library& lib = Lib();
    if (lib.module != nullptr) return;
    std::string path = LibraryPath();
    lib.module = LoadLibraryA(path.c_str());
    if (lib.module == nullptr) winlib::RaiseLastOSError("Loading " + path);

    Slots& s = lib.slots;
    Bind(lib.module, "FCICreate", s.fciCreate, path);
    Bind(lib.module, "FCIAddFile", s.fciAddFile, path);
    Bind(lib.module, "FCIFlushCabinet", s.fciFlushCabinet, path);
    Bind(lib.module, "FCIFlushFolder", s.fciFlushFolder, path);
    Bind(lib.module, "FCIDestroy", s.fciDestroy, path);
    Bind(lib.module, "FDICreate", s.fdiCreate, path);
    Bind(lib.module, "FDIIsCabinet", s.fdiIsCabinet, path);
    Bind(lib.module, "FDICopy", s.fdiCopy, path);
    Bind(lib.module, "FDIDestroy", s.fdiDestroy, path);
}

bool CabinetLibraryLoaded() { return Lib().module != nullptr; }

void SetCabinetLibraryPath(const std::string& path)
{
    Lib().Free();
    Lib().path = path;
}

// ---- Entry wrappers -------------------------------------------------------

HFCI FCICreate(PERF perf, PFNFCIFILEPLACED filePlaced, PFNFCIALLOC alloc, PFNFCIFREE free,
               PFNFCIOPEN open, PFNFCIREAD read, PFNFCIWRITE write, PFNFCICLOSE close,
               PFNFCISEEK seek, PFNFCIDELETE remove, PFNFCIGETTEMPFILE tempFile, PCCAB ccab,
               void* context)
{
    LoadCabinetLibrary();
    return Lib().slots.fciCreate(perf, filePlaced, alloc, free, open, read, write, close, seek,
                                 remove, tempFile, ccab, context);
}

BOOL FCIAddFile(HFCI hfci, char* sourceFile, char* nameInCabinet, BOOL execute,
                PFNFCIGETNEXTCABINET nextCabinet, PFNFCISTATUS status,
                PFNFCIGETOPENINFO openInfo, TCOMP compression)
{
    auto proc = Lib().slots.fciAddFile;
    if (proc == nullptr || hfci == nullptr) return FALSE;
    return proc(hfci, sourceFile, nameInCabinet, execute, nextCabinet, status, openInfo, compression);
}

BOOL FCIFlushCabinet(HFCI hfci, BOOL getNextCabinet, PFNFCIGETNEXTCABINET nextCabinet,
                     PFNFCISTATUS status)
{
    auto proc = Lib().slots.fciFlushCabinet;
    if (proc == nullptr || hfci == nullptr) return FALSE;
    return proc(hfci, getNextCabinet, nextCabinet, status);
}

BOOL FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET nextCabinet, PFNFCISTATUS status)
{
    auto proc = Lib().slots.fciFlushFolder;
    if (proc == nullptr || hfci == nullptr) return FALSE;
    return proc(hfci, nextCabinet, status);
}

BOOL FCIDestroy(HFCI hfci)
{
    auto proc = Lib().slots.fciDestroy;
    if (proc == nullptr || hfci == nullptr) return FALSE;
    return proc(hfci);
}

HFDI FDICreate(PFNALLOC alloc, PFNFREE free, PFNOPEN open, PFNREAD read, PFNWRITE write,
               PFNCLOSE close, PFNSEEK seek, int cpuType, PERF perf)
{
    LoadCabinetLibrary();
    return Lib().slots.fdiCreate(alloc, free, open, read, write, close, seek, cpuType, perf);
}

BOOL FDICopy(HFDI hfdi, char* cabinetName, char* cabinetPath, int flags, PFNFDINOTIFY notify,
             PFNFDIDECRYPT decrypt, void* context)
{
    auto proc = Lib().slots.fdiCopy;
    if (proc == nullptr || hfdi == nullptr) return FALSE;
    return proc(hfdi, cabinetName, cabinetPath, flags, notify, decrypt, context);
}

BOOL FDIDestroy(HFDI hfdi)
{
    auto proc = Lib().slots.fdiDestroy;
    if (proc == nullptr || hfdi == nullptr) return FALSE;
    return proc(hfdi);
}

// ---- Memory ---------------------------------------------------------------

void* __cdecl CabAlloc(ULONG size) { return std::malloc(size); }
void __cdecl CabFree(void* memory) { std::free(memory); }

// ---- Temporary files held in memory -------------------------------------------
//
// FCI keeps its work in temporary files that it creates, writes, reads back and
// deletes for every cabinet. Made on disk, each costs a creation, a name search in
// the temp folder and a deletion, which for a build of many small files costs more
// than the compression. Names from CabGetMemoryTempFile ("mem:...", which no path
// can be) name buffers in this process instead; the file callbacks below serve them.

namespace {

constexpr char kMemoryPrefix[] = "mem:";

struct TMemoryFile {
    std::vector<char> Bytes;
};

struct TMemoryHandle {
    std::shared_ptr<TMemoryFile> File;
    size_t Position = 0;
};

// The names and open handles, shared by every thread that compresses. A handle is
// used by one compression only, so its bytes need no lock once it is found.
struct TMemoryFiles {
    std::mutex Lock;
    std::unordered_map<std::string, std::shared_ptr<TMemoryFile>> ByName;
    std::unordered_set<INT_PTR> Handles;
};

TMemoryFiles& Memory()
{
    static TMemoryFiles files;
    return files;
}

bool IsMemoryName(const char* name) { return std::strncmp(name, kMemoryPrefix, sizeof kMemoryPrefix - 1) == 0; }

TMemoryHandle* FindMemoryHandle(INT_PTR handle)
{
    TMemoryFiles& memory = Memory();
    std::lock_guard<std::mutex> lock(memory.Lock);
    return memory.Handles.count(handle) != 0 ? reinterpret_cast<TMemoryHandle*>(handle) : nullptr;
}

int MemoryError(int* err, DWORD code)
{
    SetLastError(code);
    if (err != nullptr) *err = static_cast<int>(code);
    return -1;
}

INT_PTR OpenMemoryFile(const char* name, int oflag, int* err)
{
    TMemoryFiles& memory = Memory();
    std::lock_guard<std::mutex> lock(memory.Lock);
    auto found = memory.ByName.find(name);
    bool create = (oflag & _O_CREAT) != 0;
    if (found != memory.ByName.end() && create && (oflag & _O_EXCL)) return MemoryError(err, ERROR_FILE_EXISTS);
    if (found == memory.ByName.end()) {
        if (!create) return MemoryError(err, ERROR_FILE_NOT_FOUND);
        found = memory.ByName.emplace(name, std::make_shared<TMemoryFile>()).first;
    }
    if (oflag & _O_TRUNC) found->second->Bytes.clear();
    auto* handle = new TMemoryHandle{found->second, (oflag & _O_APPEND) ? found->second->Bytes.size() : 0};
    INT_PTR value = reinterpret_cast<INT_PTR>(handle);
    memory.Handles.insert(value);
    return value;
}

UINT ReadMemoryFile(TMemoryHandle& handle, void* buffer, UINT count)
{
    const std::vector<char>& bytes = handle.File->Bytes;
    size_t available = handle.Position < bytes.size() ? bytes.size() - handle.Position : 0;
    size_t done = std::min<size_t>(count, available);
    if (done != 0) std::memcpy(buffer, bytes.data() + handle.Position, done);
    handle.Position += done;
    return static_cast<UINT>(done);
}

UINT WriteMemoryFile(TMemoryHandle& handle, const void* buffer, UINT count)
{
    std::vector<char>& bytes = handle.File->Bytes;
    if (handle.Position + count > bytes.size()) bytes.resize(handle.Position + count);
    if (count != 0) std::memcpy(bytes.data() + handle.Position, buffer, count);
    handle.Position += count;
    return count;
}

LONG SeekMemoryFile(TMemoryHandle& handle, LONG distance, int origin, int* err)
{
    long long base = origin == SEEK_SET ? 0
                     : origin == SEEK_CUR ? static_cast<long long>(handle.Position)
                                          : static_cast<long long>(handle.File->Bytes.size());
    long long position = base + distance;
    if (position < 0 || position > 0x7FFFFFFF) return MemoryError(err, ERROR_NEGATIVE_SEEK);
    handle.Position = static_cast<size_t>(position);
    return static_cast<LONG>(position);
}

void CloseMemoryFile(INT_PTR value)
{
    TMemoryFiles& memory = Memory();
    {
        std::lock_guard<std::mutex> lock(memory.Lock);
        memory.Handles.erase(value);
    }
    delete reinterpret_cast<TMemoryHandle*>(value);  // the bytes live on while the name does
}

int DeleteMemoryFile(const char* name, int* err)
{
    TMemoryFiles& memory = Memory();
    std::lock_guard<std::mutex> lock(memory.Lock);
    if (memory.ByName.erase(name) == 0) return MemoryError(err, ERROR_FILE_NOT_FOUND);
    return 0;
}

}  // namespace

BOOL __cdecl CabGetMemoryTempFile(char* buffer, int size, void* /*context*/)
{
    static std::atomic<unsigned long> counter{0};
    char name[64];
    int length = std::snprintf(name, sizeof name, "%sstc%lx.tmp", kMemoryPrefix, counter.fetch_add(1) + 1);
    if (length <= 0 || length >= size) return FALSE;
    std::memcpy(buffer, name, static_cast<size_t>(length) + 1);
    return TRUE;
}

bool IsMemoryFileName(const std::string& name) { return IsMemoryName(name.c_str()); }

bool TakeMemoryFile(const std::string& name, std::vector<char>& bytes)
{
    TMemoryFiles& memory = Memory();
    std::lock_guard<std::mutex> lock(memory.Lock);
    auto found = memory.ByName.find(name);
    if (found == memory.ByName.end()) return false;
    bytes = std::move(found->second->Bytes);
    memory.ByName.erase(found);
    return true;
}

void DiscardMemoryFile(const std::string& name)
{
    TMemoryFiles& memory = Memory();
    std::lock_guard<std::mutex> lock(memory.Lock);
    memory.ByName.erase(name);
}

size_t MemoryTempFileCount()
{
    TMemoryFiles& memory = Memory();
    std::lock_guard<std::mutex> lock(memory.Lock);
    return memory.ByName.size() + memory.Handles.size();
}

// ---- Files ----------------------------------------------------------------

INT_PTR __cdecl CabOpenFile(char* name, int oflag, int /*pmode*/, int* err, void* /*context*/)
{
    HANDLE file = CreateFileA(name, AccessFor(oflag), FILE_SHARE_READ, nullptr, DispositionFor(oflag),
                              FlagsFor(oflag), nullptr);
    if (file == INVALID_HANDLE_VALUE) return RecordError(err);
    if ((oflag & _O_APPEND) && SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        RecordError(err);
        CloseHandle(file);
        return -1;
    }
    return reinterpret_cast<INT_PTR>(file);
}

UINT __cdecl CabReadFile(INT_PTR handle, void* buffer, UINT count, int* err, void* /*context*/)
{
    DWORD done = 0;
    if (!ReadFile(ToHandle(handle), buffer, count, &done, nullptr)) return static_cast<UINT>(RecordError(err));
    return done;
}

UINT __cdecl CabWriteFile(INT_PTR handle, void* buffer, UINT count, int* err, void* /*context*/)
{
    DWORD done = 0;
    if (!WriteFile(ToHandle(handle), buffer, count, &done, nullptr)) return static_cast<UINT>(RecordError(err));
    return done;
}

int __cdecl CabCloseFile(INT_PTR handle, int* err, void* /*context*/)
{
    if (!CloseHandle(ToHandle(handle))) return RecordError(err);
    return 0;
}

LONG __cdecl CabSeekFile(INT_PTR handle, LONG distance, int origin, int* err, void* /*context*/)
{
    // SEEK_SET/CUR/END have the values of FILE_BEGIN/CURRENT/END.
    LARGE_INTEGER move;
    move.QuadPart = distance;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(ToHandle(handle), move, &position, static_cast<DWORD>(origin)))
        return RecordError(err);
    return static_cast<LONG>(position.QuadPart);
}

int __cdecl CabDeleteFile(char* name, int* err, void* /*context*/)
{
    if (!DeleteFileA(name)) return RecordError(err);
    return 0;
}

void LocalFileTimeToDosDateTime(const FILETIME& local, USHORT& date, USHORT& time)
{
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&local, &st) || st.wYear < 1980) {
        st = SYSTEMTIME{};
        st.wYear = 1980;
        st.wMonth = 1;
        st.wDay = 1;
    } else if (st.wYear > 2107) {
        st = SYSTEMTIME{};
        st.wYear = 2107;
        st.wMonth = 12;
        st.wDay = 31;
        st.wHour = 23;
        st.wMinute = 59;
        st.wSecond = 58;
    }
    date = static_cast<USHORT>(((st.wYear - 1980) << 9) | (st.wMonth << 5) | st.wDay);
    time = static_cast<USHORT>((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
}

INT_PTR __cdecl CabGetOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attributes,
                               int* err, void* /*context*/)
{
    // The handle that gave the information is the one FCI reads: one open per file.
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return RecordError(err);
    // The basic information only: GetFileInformationByHandle also asks for the
    // volume's serial number, which Wine fetches from its mount manager in another
    // process, a round trip per file.
    FILE_BASIC_INFO info;
    FILETIME written, local;
    bool known = GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info) != FALSE;
    if (known) {
        written.dwLowDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart);
        written.dwHighDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart >> 32);
    }
    if (!known || !FileTimeToLocalFileTime(&written, &local)) {
        RecordError(err);
        CloseHandle(file);
        return -1;
    }
    LocalFileTimeToDosDateTime(local, *date, *time);
    *attributes = static_cast<USHORT>(info.FileAttributes &
                                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    return reinterpret_cast<INT_PTR>(file);
}

// FCI opens the name it gets here with _O_EXCL, so nothing may exist under it yet.
// GetTempFileNameA reserves a name by creating the file, and deleting that file again
// frees the name for any other thread of this process: two compressions could then
// be handed the same name. Names are made of the process id and a process-wide
// counter instead, and a name already taken on disk is passed over.
BOOL __cdecl CabGetTempFile(char* buffer, int size, void* /*context*/)
{
    static std::atomic<unsigned long> counter{0};
    char folder[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > MAX_PATH) return FALSE;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH + 64];
        int nameLength = std::snprintf(name, sizeof name, "%sstc%lx-%lx.tmp", folder, GetCurrentProcessId(),
                                       counter.fetch_add(1) + 1);
        if (nameLength <= 0 || nameLength >= size || nameLength >= static_cast<int>(sizeof name)) return FALSE;
        if (GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES) continue;  // left by an earlier process
        std::memcpy(buffer, name, static_cast<size_t>(nameLength) + 1);
        return TRUE;
    }
    return FALSE;
}

// ---- FCI's file callbacks: memory temporary files, else the plain ones ----------

INT_PTR __cdecl FciOpenFile(char* name, int oflag, int pmode, int* err, void* context)
{
    if (IsMemoryName(name)) return OpenMemoryFile(name, oflag, err);
    return CabOpenFile(name, oflag, pmode, err, context);
}

UINT __cdecl FciReadFile(INT_PTR handle, void* buffer, UINT count, int* err, void* context)
{
    if (TMemoryHandle* memory = FindMemoryHandle(handle)) return ReadMemoryFile(*memory, buffer, count);
    return CabReadFile(handle, buffer, count, err, context);
}

UINT __cdecl FciWriteFile(INT_PTR handle, void* buffer, UINT count, int* err, void* context)
{
    if (TMemoryHandle* memory = FindMemoryHandle(handle)) return WriteMemoryFile(*memory, buffer, count);
    return CabWriteFile(handle, buffer, count, err, context);
}

int __cdecl FciCloseFile(INT_PTR handle, int* err, void* context)
{
    if (FindMemoryHandle(handle) != nullptr) {
        CloseMemoryFile(handle);
        return 0;
    }
    return CabCloseFile(handle, err, context);
}

LONG __cdecl FciSeekFile(INT_PTR handle, LONG distance, int origin, int* err, void* context)
{
    if (TMemoryHandle* memory = FindMemoryHandle(handle)) return SeekMemoryFile(*memory, distance, origin, err);
    return CabSeekFile(handle, distance, origin, err, context);
}

int __cdecl FciDeleteFile(char* name, int* err, void* context)
{
    if (IsMemoryName(name)) return DeleteMemoryFile(name, err);
    return CabDeleteFile(name, err, context);
}

// ---- Cabinet ranges ----------------------------------------------------------

namespace {

struct TRangeHandle {
    const TCabinetRange* Range;
    long long Position;  // relative to the range's start
};

struct TMemoryOutputHandle {
    TMemoryOutput* Output;
};

// The names and handles of every thread's FDI contexts, in one table under a
// lock. The entries themselves are never shared: each range has a name of its
// own (its reader's) and each handle is an object of its own, used only by the
// context that opened it. (Not a thread_local table: with this MinGW runtime a
// thread_local object that has a destructor corrupts the heap when its thread
// ends; plain thread_local values are fine.)
struct TRanges {
    std::mutex Lock;
    std::vector<std::pair<std::string, const TCabinetRange*>> Named;
    // A handle FDI holds is one of these, or a file handle.
    std::vector<TRangeHandle*> Open;
    std::vector<TMemoryOutputHandle*> Outputs;
};

TRanges& Ranges()
{
    static TRanges ranges;
    return ranges;
}

template <typename T>
T* FindHandle(const std::vector<T*>& handles, INT_PTR handle)
{
    std::lock_guard<std::mutex> lock(Ranges().Lock);
    for (T* open : handles)
        if (reinterpret_cast<INT_PTR>(open) == handle) return open;
    return nullptr;
}

template <typename T>
INT_PTR AddHandle(std::vector<T*>& handles, T* handle)
{
    std::lock_guard<std::mutex> lock(Ranges().Lock);
    handles.push_back(handle);
    return reinterpret_cast<INT_PTR>(handle);
}

template <typename T>
void RemoveHandle(std::vector<T*>& handles, T* handle)
{
    {
        std::lock_guard<std::mutex> lock(Ranges().Lock);
        handles.erase(std::find(handles.begin(), handles.end(), handle));
    }
    delete handle;
}

TMemoryOutputHandle* FindMemoryOutput(INT_PTR handle) { return FindHandle(Ranges().Outputs, handle); }

UINT WriteMemoryOutput(TMemoryOutput& output, const void* buffer, UINT count, int* err)
{
    if (count > output.Limit || output.Bytes.size() > output.Limit - count) {
        *err = ERROR_NOT_ENOUGH_MEMORY;
        return static_cast<UINT>(-1);
    }
    const char* bytes = static_cast<const char*>(buffer);
    output.Bytes.insert(output.Bytes.end(), bytes, bytes + count);
    return count;
}

TRangeHandle* FindRangeHandle(INT_PTR handle) { return FindHandle(Ranges().Open, handle); }

const TCabinetRange* FindRange(const char* name)
{
    std::lock_guard<std::mutex> lock(Ranges().Lock);
    for (const auto& named : Ranges().Named)
        if (named.first == name) return named.second;
    return nullptr;
}

INT_PTR OpenRange(const TCabinetRange* range, int oflag)
{
    if ((oflag & 3) != _O_RDONLY) {
        LastFdiOsError = ERROR_ACCESS_DENIED;
        return -1;
    }
    return AddHandle(Ranges().Open, new TRangeHandle{range, 0});
}

UINT ReadRange(TRangeHandle& handle, void* buffer, UINT count)
{
    const TCabinetRange& range = *handle.Range;
    long long left = range.Length - handle.Position;
    DWORD want = left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, count));
    DWORD done = 0;
    if (want > 0) {
        // The file pointer is placed for every read: the file may serve other ranges.
        // (A read with an OVERLAPPED offset would do both, but costs Wine one more
        // server round trip per read.)
        LARGE_INTEGER at;
        at.QuadPart = range.Offset + handle.Position;
        if (!SetFilePointerEx(range.File, at, nullptr, FILE_BEGIN) || !ReadFile(range.File, buffer, want, &done, nullptr)) {
            LastFdiOsError = GetLastError();
            return static_cast<UINT>(-1);
        }
        handle.Position += done;
    }
    if (range.OnRead && !range.OnRead(handle.Position)) {
        LastFdiOsError = ERROR_CANCELLED;
        return static_cast<UINT>(-1);
    }
    return done;
}

LONG SeekRange(TRangeHandle& handle, LONG distance, int origin)
{
    long long base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? handle.Position : handle.Range->Length;
    long long position = base + distance;
    if (position < 0 || position > LONG_MAX) {
        LastFdiOsError = ERROR_NEGATIVE_SEEK;
        return -1;
    }
    handle.Position = position;
    return static_cast<LONG>(position);
}

void CloseRange(TRangeHandle* handle) { RemoveHandle(Ranges().Open, handle); }

}  // namespace

thread_local DWORD FdiWriteError = 0;
thread_local uint32_t FdiWriteCrc = 0;

INT_PTR OpenMemoryOutput(TMemoryOutput* output) { return AddHandle(Ranges().Outputs, new TMemoryOutputHandle{output}); }

bool IsMemoryOutput(INT_PTR handle) { return FindMemoryOutput(handle) != nullptr; }

bool CloseMemoryOutput(INT_PTR handle)
{
    TMemoryOutputHandle* output = FindMemoryOutput(handle);
    if (output != nullptr) RemoveHandle(Ranges().Outputs, output);
    return output != nullptr;
}

void RegisterCabinetRange(const std::string& name, const TCabinetRange* range)
{
    UnregisterCabinetRange(name);
    std::lock_guard<std::mutex> lock(Ranges().Lock);
    Ranges().Named.emplace_back(name, range);
}

void UnregisterCabinetRange(const std::string& name)
{
    std::lock_guard<std::mutex> lock(Ranges().Lock);
    auto& named = Ranges().Named;
    named.erase(std::remove_if(named.begin(), named.end(), [&](const auto& n) { return n.first == name; }),
                named.end());
}

// ---- FDI's callbacks: no error parameter, so the last error is kept here ----

INT_PTR __cdecl FdiOpenFile(char* name, int oflag, int pmode)
{
    if (const TCabinetRange* range = FindRange(name))
        return OpenRange(range, oflag);
    int err = 0;
    INT_PTR handle = CabOpenFile(name, oflag, pmode, &err, nullptr);
    KeepFdiError(err);
    return handle;
}

UINT __cdecl FdiReadFile(INT_PTR handle, void* buffer, UINT count)
{
    if (TRangeHandle* range = FindRangeHandle(handle))
        return ReadRange(*range, buffer, count);
    int err = 0;
    UINT done = CabReadFile(handle, buffer, count, &err, nullptr);
    KeepFdiError(err);
    return done;
}

UINT __cdecl FdiWriteFile(INT_PTR handle, void* buffer, UINT count)
{
    if (FindRangeHandle(handle) != nullptr) {
        LastFdiOsError = ERROR_ACCESS_DENIED;  // a cabinet range is read-only
        return static_cast<UINT>(-1);
    }
    int err = 0;
    TMemoryOutputHandle* output = FindMemoryOutput(handle);
    UINT done = output != nullptr ? WriteMemoryOutput(*output->Output, buffer, count, &err)
                                  : CabWriteFile(handle, buffer, count, &err, nullptr);
    KeepFdiError(err);
    if (done != static_cast<UINT>(-1) && done <= count)
        FdiWriteCrc = winlib::Crc32(FdiWriteCrc, buffer, done);
    if (done != count && FdiWriteError == 0)
        FdiWriteError = err != 0 ? static_cast<DWORD>(err) : ERROR_WRITE_FAULT;
    return done;
}

int __cdecl FdiCloseFile(INT_PTR handle)
{
    if (TRangeHandle* range = FindRangeHandle(handle)) {
        CloseRange(range);
        return 0;
    }
    if (CloseMemoryOutput(handle)) return 0;
    int err = 0;
    int result = CabCloseFile(handle, &err, nullptr);
    KeepFdiError(err);
    return result;
}

LONG __cdecl FdiSeekFile(INT_PTR handle, LONG distance, int origin)
{
    if (TRangeHandle* range = FindRangeHandle(handle))
        return SeekRange(*range, distance, origin);
    int err = 0;
    LONG position = CabSeekFile(handle, distance, origin, &err, nullptr);
    KeepFdiError(err);
    return position;
}

}  // namespace CabIntf
