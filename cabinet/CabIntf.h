// Binding of the system's cabinet.dll (FCI writes cabinets, FDI reads them) and
// the file, memory and temporary-file callbacks both interfaces call.
//
// The library is loaded on the first FCICreate/FDICreate, from the system folder
// only, and freed at process end. The callbacks never throw: they return -1 (or
// FALSE) and leave the OS error where FCI, FDI or the reader will find it.
#pragma once
#include <windows.h>
#include <fci.h>
#include <fdi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace CabIntf {

// Loads the library and binds all nine entry points. Throws winlib::EOSError;
// after a failed bind the library is freed, so the next call starts again.
void LoadCabinetLibrary();
bool CabinetLibraryLoaded();

// Tests point the binding at another file; "" restores the system library.
// Frees a loaded library so the next use loads from the new path.
void SetCabinetLibraryPath(const std::string& path);

// Entry wrappers. The two Create wrappers load the library first; the others
// refuse (FALSE) when the library or the context is missing instead of calling null.
HFCI FCICreate(PERF perf, PFNFCIFILEPLACED filePlaced, PFNFCIALLOC alloc, PFNFCIFREE free,
               PFNFCIOPEN open, PFNFCIREAD read, PFNFCIWRITE write, PFNFCICLOSE close,
               PFNFCISEEK seek, PFNFCIDELETE remove, PFNFCIGETTEMPFILE tempFile, PCCAB ccab,
               void* context);
BOOL FCIAddFile(HFCI hfci, char* sourceFile, char* nameInCabinet, BOOL execute,
                PFNFCIGETNEXTCABINET nextCabinet, PFNFCISTATUS status,
                PFNFCIGETOPENINFO openInfo, TCOMP compression);
BOOL FCIFlushCabinet(HFCI hfci, BOOL getNextCabinet, PFNFCIGETNEXTCABINET nextCabinet,
                     PFNFCISTATUS status);
BOOL FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET nextCabinet, PFNFCISTATUS status);
BOOL FCIDestroy(HFCI hfci);

HFDI FDICreate(PFNALLOC alloc, PFNFREE free, PFNOPEN open, PFNREAD read, PFNWRITE write,
               PFNCLOSE close, PFNSEEK seek, int cpuType, PERF perf);
BOOL FDICopy(HFDI hfdi, char* cabinetName, char* cabinetPath, int flags,
             PFNFDINOTIFY notify, PFNFDIDECRYPT decrypt, void* context);
BOOL FDIDestroy(HFDI hfdi);

// Memory callbacks (both interfaces).
void* __cdecl CabAlloc(ULONG size);
void __cdecl CabFree(void* memory);

// File callbacks with FCI's signatures: err receives the OS error on failure.
INT_PTR __cdecl CabOpenFile(char* name, int oflag, int pmode, int* err, void* context);
UINT __cdecl CabReadFile(INT_PTR handle, void* buffer, UINT count, int* err, void* context);
UINT __cdecl CabWriteFile(INT_PTR handle, void* buffer, UINT count, int* err, void* context);
int __cdecl CabCloseFile(INT_PTR handle, int* err, void* context);
LONG __cdecl CabSeekFile(INT_PTR handle, LONG distance, int origin, int* err, void* context);
int __cdecl CabDeleteFile(char* name, int* err, void* context);
INT_PTR __cdecl CabGetOpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attributes,
                               int* err, void* context);
// A name in the temp folder that no file has and no other call of this process gets.
BOOL __cdecl CabGetTempFile(char* buffer, int size, void* context);
// A name no other call gets, for a temporary file held in this process's memory:
// the file callbacks above create, read, write, seek and delete it like a file.
BOOL __cdecl CabGetMemoryTempFile(char* buffer, int size, void* context);
// Memory temporary files and handles still there (0 once every context is destroyed).
size_t MemoryTempFileCount();
// Whether a path names a memory file ("mem:" followed by anything). A cabinet may be
// written as one: FCI opens its path through the callbacks like any other file.
bool IsMemoryFileName(const std::string& name);
// Moves a memory file's bytes out and removes the name; false when there is none.
bool TakeMemoryFile(const std::string& name, std::vector<char>& bytes);
// Removes a memory file, if there is one of that name.
void DiscardMemoryFile(const std::string& name);
// FCI's file callbacks: the ones above, and memory temporary files beside them.
// Kept apart so that a program that only reads cabinets links no memory files.
INT_PTR __cdecl FciOpenFile(char* name, int oflag, int pmode, int* err, void* context);
UINT __cdecl FciReadFile(INT_PTR handle, void* buffer, UINT count, int* err, void* context);
UINT __cdecl FciWriteFile(INT_PTR handle, void* buffer, UINT count, int* err, void* context);
int __cdecl FciCloseFile(INT_PTR handle, int* err, void* context);
LONG __cdecl FciSeekFile(INT_PTR handle, LONG distance, int origin, int* err, void* context);
int __cdecl FciDeleteFile(char* name, int* err, void* context);

// FDI's callbacks take no context, so what they keep for the reader lives per
// thread: an FDI context is used on the thread that made it, and contexts on
// other threads (workers unpacking ahead) cannot disturb it.
//
// FDI's callbacks have no error parameter: these keep the last non-zero OS error
// in LastFdiOsError, which the reader clears and copies into its error record.
extern thread_local DWORD LastFdiOsError;
// The OS error of the first failed or short write since the reader cleared it.
// Wine's FDI ignores what its write callback answers, so the reader checks this
// before it takes a file as complete.
extern thread_local DWORD FdiWriteError;
// The CRC-32 of the bytes written since the reader cleared it with FdiWriteError:
// the file being extracted, checked without reading it back.
extern thread_local uint32_t FdiWriteCrc;

// A file extracted into memory instead of onto disk. A write that would take
// Bytes past Limit fails (ERROR_NOT_ENOUGH_MEMORY), so a cabinet that lies about
// its sizes cannot make it grow without bound.
struct TMemoryOutput {
    std::vector<char> Bytes;
    size_t Limit = 0;
};
// A handle FdiWriteFile appends to and FdiCloseFile closes; the output must
// outlive it.
INT_PTR OpenMemoryOutput(TMemoryOutput* output);
bool IsMemoryOutput(INT_PTR handle);
// Closes handle if it is a memory output; false (and nothing done) if it is not.
bool CloseMemoryOutput(INT_PTR handle);

// A cabinet that lies inside a larger open file: bytes [Offset, Offset + Length)
// of File. FDI opens its cabinet by name, so a range is registered under a name
// that no file can have, and FdiOpenFile answers that name with a range handle:
// its seeks are relative to the range and its reads stop at the range's end, so
// a cabinet cannot reach the bytes around it. After every read OnRead, when set,
// gets the range's position; answering false fails the read (FDICopy then fails).
struct TCabinetRange {
    HANDLE File = INVALID_HANDLE_VALUE;
    long long Offset = 0;
    long long Length = 0;
    std::function<bool(long long position)> OnRead;
};
// While registered, name opens range (read-only). Readers on several threads
// each register under a name of their own. The range must outlive its
// registration; handles still open when it ends are the caller's error.
void RegisterCabinetRange(const std::string& name, const TCabinetRange* range);
void UnregisterCabinetRange(const std::string& name);

INT_PTR __cdecl FdiOpenFile(char* name, int oflag, int pmode);
UINT __cdecl FdiReadFile(INT_PTR handle, void* buffer, UINT count);
UINT __cdecl FdiWriteFile(INT_PTR handle, void* buffer, UINT count);
int __cdecl FdiCloseFile(INT_PTR handle);
LONG __cdecl FdiSeekFile(INT_PTR handle, LONG distance, int origin);

// A local file time as MS-DOS date and time. A cabinet cannot hold dates before
// 1980 or after 2107, so those become 1980-01-01 00:00:00 and 2107-12-31 23:59:58.
void LocalFileTimeToDosDateTime(const FILETIME& local, USHORT& date, USHORT& time);

}  // namespace CabIntf
