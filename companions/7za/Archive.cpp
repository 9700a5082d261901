#include "companions/7za/Archive.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "companions/7za/ZipFormat.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

using zipformat::TEntry;

namespace {

constexpr DWORD kBlock = 64 * 1024;

[[noreturn]] void Fail(const std::string& file, const std::string& reason)
{
    throw std::runtime_error(file + ": " + reason);
}

[[noreturn]] void FailOS(const std::string& file, const std::string& doing)
{
    DWORD code = ::GetLastError();
    Fail(file, doing + ": " + winlib::SysErrorMessage(code) + " (code " + std::to_string(code) + ")");
}

class TFile {
public:
    TFile(const std::string& path, DWORD access, DWORD creation) : path_(path)
    {
        handle_ = ::CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, creation,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            FailOS(path, "cannot open");
    }
    ~TFile() { Close(); }
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    void Close()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    HANDLE Handle() const { return handle_; }
    uint64_t Size() const
    {
        LARGE_INTEGER size;
        if (!::GetFileSizeEx(handle_, &size))
            FailOS(path_, "cannot read the size");
        return static_cast<uint64_t>(size.QuadPart);
    }
    uint64_t Position() const
    {
        LARGE_INTEGER zero{}, at{};
        if (!::SetFilePointerEx(handle_, zero, &at, FILE_CURRENT))
            FailOS(path_, "cannot seek");
        return static_cast<uint64_t>(at.QuadPart);
    }
    void Seek(uint64_t offset) const
    {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN))
            FailOS(path_, "cannot seek");
    }
    DWORD ReadSome(void* buffer, DWORD size) const
    {
        DWORD got = 0;
        if (!::ReadFile(handle_, buffer, size, &got, nullptr))
            FailOS(path_, "cannot read");
        return got;
    }
    void ReadAll(void* buffer, DWORD size) const
    {
        if (ReadSome(buffer, size) != size)
            Fail(path_, "unexpected end of file");
    }
    void Write(const void* data, size_t size) const
    {
        DWORD written = 0;
        if (!::WriteFile(handle_, data, static_cast<DWORD>(size), &written, nullptr) || written != size)
            FailOS(path_, "cannot write");
    }
    void Write(const std::vector<uint8_t>& data) const { Write(data.data(), data.size()); }

private:
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

std::string FullPath(const std::string& path)
{
    std::string full = winlib::AskSizedText(
        [&](char* buffer, unsigned long size) { return ::GetFullPathNameA(path.c_str(), size, buffer, nullptr); });
    if (full.empty())
        FailOS(path, "bad path");
    return full;
}

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

// ---- packing ----

struct TItem {
    std::string Path;  // on disk
    std::string Name;  // in the archive
    bool Folder;
    WIN32_FIND_DATAA Data;
};

class TCollector {
public:
    explicit TCollector(std::vector<std::string> excluded) : excluded_(std::move(excluded)) {}
    std::vector<TItem> Items;

    void AddPath(const std::string& path, const std::string& name)
    {
        WIN32_FIND_DATAA data;
        HANDLE search = ::FindFirstFileA(path.c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            FailOS(path, "not found");
        ::FindClose(search);
        AddItem(path, name, data);
    }
    void AddContents(const std::string& folder, const std::string& prefix)
    {
        WIN32_FIND_DATAA data;
        HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            FailOS(folder, "cannot list the folder");
        std::vector<std::pair<std::string, WIN32_FIND_DATAA>> found;
        do {
            std::string name = data.cFileName;
            if (name != "." && name != "..")
                found.emplace_back(name, data);
        } while (::FindNextFileA(search, &data));
        DWORD code = ::GetLastError();
        ::FindClose(search);
        if (code != ERROR_NO_MORE_FILES) {
            ::SetLastError(code);
            FailOS(folder, "cannot list the folder");
        }
        for (auto& [name, entry] : found)
            AddItem(folder + "\\" + name, prefix + name, entry);
    }

private:
    void AddItem(const std::string& path, const std::string& name, const WIN32_FIND_DATAA& data)
    {
        for (const std::string& skip : excluded_)
            if (::lstrcmpiA(FullPath(path).c_str(), skip.c_str()) == 0)
                return;
        bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!folder && (data.nFileSizeHigh != 0))
            Fail(path, "files of 4 GiB or more cannot be packed");
        Items.push_back({path, folder ? name + "/" : name, folder, data});
        if (Items.size() > zipformat::kMaxEntries)
            Fail(path, "more than 65,535 entries");
        // A link to a folder is packed as an empty folder: its target is elsewhere.
        if (folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            AddContents(path, name + "/");
    }
    std::vector<std::string> excluded_;
};

std::string ArchiveName(std::string name)
{
    for (char& c : name)
        if (c == '\\')
            c = '/';
    return name;
}

void DosTime(const FILETIME& time, TEntry& entry)
{
    FILETIME local;
    WORD date = 0x21, dosTime = 0;  // 1980-01-01 when the time cannot be converted
    if (::FileTimeToLocalFileTime(&time, &local))
        ::FileTimeToDosDateTime(&local, &date, &dosTime);
    entry.Date = date;
    entry.Time = dosTime;
}

void CheckOffset(uint64_t offset, const std::string& archive)
{
    if (offset >= zipformat::kLimit)
        Fail(archive, "the archive would reach 4 GiB");
}

TEntry PackItem(const TFile& out, const std::string& archive, const TItem& item)
{
    TEntry entry;
    entry.Name = ArchiveName(item.Name);
    entry.Attributes = item.Data.dwFileAttributes & 0xFF;
    DosTime(item.Data.ftLastWriteTime, entry);
    uint64_t start = out.Position();
    CheckOffset(start, archive);
    entry.LocalOffset = static_cast<uint32_t>(start);
    out.Write(zipformat::LocalHeader(entry));
    if (item.Folder)
        return entry;
    TFile in(item.Path, GENERIC_READ, OPEN_EXISTING);
    std::vector<uint8_t> buffer(kBlock);
    uint64_t total = 0;
    for (DWORD got; (got = in.ReadSome(buffer.data(), kBlock)) > 0;) {
        entry.Crc = zipformat::Crc32(entry.Crc, buffer.data(), got);
        out.Write(buffer.data(), got);
        total += got;
        if (total >= zipformat::kLimit)
            Fail(item.Path, "files of 4 GiB or more cannot be packed");
    }
    entry.Size = entry.CompressedSize = static_cast<uint32_t>(total);
    uint64_t end = out.Position();
    CheckOffset(end, archive);
    out.Seek(start);
    out.Write(zipformat::LocalHeader(entry));  // now with the checksum and sizes
    out.Seek(end);
    return entry;
}

void WriteArchive(const std::string& temp, const std::string& archive, const std::vector<TItem>& items)
{
    TFile out(temp, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    std::vector<TEntry> entries;
    for (const TItem& item : items)
        entries.push_back(PackItem(out, archive, item));
    uint64_t central = out.Position();
    CheckOffset(central, archive);
    for (const TEntry& entry : entries)
        out.Write(zipformat::CentralHeader(entry));
    uint64_t end = out.Position();
    CheckOffset(end, archive);
    out.Write(zipformat::EndRecord(entries.size(), static_cast<uint32_t>(end - central),
                                   static_cast<uint32_t>(central)));
    if (!::FlushFileBuffers(out.Handle()))
        FailOS(temp, "cannot write");
}

// ---- unpacking ----

std::vector<uint8_t> ReadAt(const TFile& in, uint64_t offset, size_t size)
{
    std::vector<uint8_t> data(size);
    in.Seek(offset);
    in.ReadAll(data.data(), static_cast<DWORD>(size));
    return data;
}

// The end record: the last signature in the final 64 KiB + 22 bytes.
std::vector<uint8_t> FindEndRecord(const TFile& in, const std::string& archive)
{
    uint64_t size = in.Size();
    if (size < zipformat::kEndSize)
        Fail(archive, "not a zip archive (too short)");
    size_t tail = static_cast<size_t>(std::min<uint64_t>(size, 0xFFFF + zipformat::kEndSize));
    std::vector<uint8_t> data = ReadAt(in, size - tail, tail);
    for (size_t at = tail - zipformat::kEndSize + 1; at-- > 0;)
        if (zipformat::Get32(&data[at]) == zipformat::kEndSignature)
            return std::vector<uint8_t>(data.begin() + static_cast<long>(at),
                                        data.begin() + static_cast<long>(at + zipformat::kEndSize));
    Fail(archive, "not a zip archive (no end record; truncated?)");
}

std::string Utf8ToAnsi(const std::string& name, const std::string& archive)
{
    int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), nullptr, 0);
    if (wide <= 0)
        Fail(archive, "entry name is not valid UTF-8: " + name);
    std::wstring w(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), w.data(), wide);
    BOOL lost = FALSE;
    int narrow = ::WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, &lost);
    std::string ansi(static_cast<size_t>(narrow), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, w.data(), wide, ansi.data(), narrow, nullptr, &lost);
    if (narrow <= 0 || lost)
        Fail(archive, "entry name has characters outside the ANSI code page: " + name);
    return ansi;
}

// Names must stay inside the target folder.
void CheckName(const std::string& name, const std::string& archive)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
        Fail(archive, "unsafe entry name: " + name);
    size_t from = 0;
    while (from <= name.size()) {
        size_t to = name.find_first_of("/\\", from);
        if (to == std::string::npos)
            to = name.size();
        if (name.compare(from, to - from, "..") == 0)
            Fail(archive, "unsafe entry name: " + name);
        from = to + 1;
    }
}

std::vector<TEntry> ReadDirectory(const TFile& in, const std::string& archive)
{
    std::vector<uint8_t> end = FindEndRecord(in, archive);
    size_t count = zipformat::Get16(&end[10]);
    uint32_t size = zipformat::Get32(&end[12]);
    uint32_t offset = zipformat::Get32(&end[16]);
    uint64_t fileSize = in.Size();
    if (static_cast<uint64_t>(offset) + size > fileSize)
        Fail(archive, "damaged archive (central directory outside the file)");
    std::vector<uint8_t> dir = ReadAt(in, offset, size);
    std::vector<TEntry> entries;
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        if (at + zipformat::kCentralSize > dir.size() || zipformat::Get32(&dir[at]) != zipformat::kCentralSignature)
            Fail(archive, "damaged archive (central directory)");
        const uint8_t* p = &dir[at];
        TEntry e;
        e.Flags = zipformat::Get16(p + 8);
        e.Method = zipformat::Get16(p + 10);
        e.Time = zipformat::Get16(p + 12);
        e.Date = zipformat::Get16(p + 14);
        e.Crc = zipformat::Get32(p + 16);
        e.CompressedSize = zipformat::Get32(p + 20);
        e.Size = zipformat::Get32(p + 24);
        size_t nameLength = zipformat::Get16(p + 28);
        size_t skip = zipformat::Get16(p + 30) + zipformat::Get16(p + 32);
        e.Attributes = zipformat::Get32(p + 38);
        e.LocalOffset = zipformat::Get32(p + 42);
        if (at + zipformat::kCentralSize + nameLength > dir.size())
            Fail(archive, "damaged archive (central directory)");
        e.Name.assign(reinterpret_cast<const char*>(p + zipformat::kCentralSize), nameLength);
        at += zipformat::kCentralSize + nameLength + skip;
        if (e.Flags & zipformat::kFlagEncrypted)
            Fail(archive, "encrypted entries are not supported: " + e.Name);
        if (e.Method != zipformat::kMethodStored || e.CompressedSize != e.Size)
            Fail(archive, "compressed entries are not supported: " + e.Name);
        if (e.Flags & zipformat::kFlagUtf8)
            e.Name = Utf8ToAnsi(e.Name, archive);
        CheckName(e.Name, archive);
        if (static_cast<uint64_t>(e.LocalOffset) + zipformat::kLocalSize + e.Size > fileSize)
            Fail(archive, "damaged archive (entry outside the file): " + e.Name);
        entries.push_back(e);
    }
    return entries;
}

std::string TargetPath(const std::string& folder, const std::string& name)
{
    std::string path = folder + "\\" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return WithoutTrailingSlash(path);
}

void SetTimes(HANDLE file, const TEntry& entry)
{
    FILETIME local, utc;
    if (::DosDateTimeToFileTime(entry.Date, entry.Time, &local) && ::LocalFileTimeToFileTime(&local, &utc))
        ::SetFileTime(file, nullptr, nullptr, &utc);  // a time that cannot be set is no reason to fail
}

void ExtractFile(const TFile& in, const std::string& archive, const TEntry& entry, const std::string& path)
{
    std::vector<uint8_t> header = ReadAt(in, entry.LocalOffset, zipformat::kLocalSize);
    if (zipformat::Get32(header.data()) != zipformat::kLocalSignature)
        Fail(archive, "damaged archive (local header): " + entry.Name);
    uint64_t data = entry.LocalOffset + zipformat::kLocalSize + zipformat::Get16(&header[26]) +
                    zipformat::Get16(&header[28]);
    in.Seek(data);
    winlib::ForceDirectories(winlib::ExtractFilePath(path));
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // overwrite read-only files too
    uint32_t crc = 0;
    {
        TFile out(path, GENERIC_WRITE, CREATE_ALWAYS);
        std::vector<uint8_t> buffer(kBlock);
        for (uint32_t left = entry.Size; left > 0;) {
            DWORD chunk = left < kBlock ? left : kBlock;
            in.ReadAll(buffer.data(), chunk);
            crc = zipformat::Crc32(crc, buffer.data(), chunk);
            out.Write(buffer.data(), chunk);
            left -= chunk;
        }
        SetTimes(out.Handle(), entry);
    }
    if (crc != entry.Crc) {
        ::DeleteFileA(path.c_str());
        Fail(archive, "checksum error in " + entry.Name);
    }
    DWORD keep = entry.Attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (keep != 0)
        ::SetFileAttributesA(path.c_str(), keep);
}

}  // namespace

void PackArchive(const std::string& archive, const std::string& source)
{
    std::string full = FullPath(archive);
    std::string temp = full + ".tmp";
    TCollector collector({full, FullPath(temp)});
    bool contents = source.size() >= 2 && source.compare(source.size() - 2, 2, "\\*") == 0;
    if (contents) {
        std::string folder = source.substr(0, source.size() - 2);
        if (!winlib::DirectoryExists(folder))
            Fail(folder, "folder not found");
        collector.AddContents(folder, "");
    } else {
        std::string path = WithoutTrailingSlash(source);
        collector.AddPath(path, winlib::ExtractFileName(path));
    }
    try {
        WriteArchive(temp, archive, collector.Items);
    } catch (...) {
        ::DeleteFileA(temp.c_str());
        throw;
    }
    if (!::MoveFileExA(temp.c_str(), full.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DWORD code = ::GetLastError();
        ::DeleteFileA(temp.c_str());
        ::SetLastError(code);
        FailOS(archive, "cannot replace the archive");
    }
}

void ExtractArchive(const std::string& archive, const std::string& folder)
{
    TFile in(archive, GENERIC_READ, OPEN_EXISTING);
    std::vector<TEntry> entries = ReadDirectory(in, archive);
    std::string target = WithoutTrailingSlash(folder.empty() ? std::string(".") : folder);
    winlib::ForceDirectories(target);
    for (const TEntry& entry : entries) {
        std::string path = TargetPath(target, entry.Name);
        if (entry.IsFolder())
            winlib::ForceDirectories(path);
        else
            ExtractFile(in, archive, entry, path);
    }
}
