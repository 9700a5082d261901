#include "tests/cabinet/CabTestUtil.h"
#include "winlib/Path.h"

#include <cstdio>
#include <stdexcept>

#include <gtest/gtest.h>

#include "cabinet/CabWriter.h"

namespace {

// Tests count the cabinet temp files (stc*.tmp) that a step leaves behind. Other
// test processes make theirs in the shared temp folder at the same time, so each
// process gets a temp folder of its own for its whole run, checked and removed at
// the end.
class TPrivateTempFolder : public ::testing::Environment {
public:
    void SetUp() override
    {
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
        folder_ = std::string(temp) + "cabtests-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_ << ": " << GetLastError();
        ASSERT_TRUE(SetEnvironmentVariableA("TMP", folder_.c_str()));
        ASSERT_TRUE(SetEnvironmentVariableA("TEMP", folder_.c_str()));
    }

    void TearDown() override
    {
        if (folder_.empty()) return;
        EXPECT_EQ(CountCabinetTempFiles(), 0) << "cabinet temp files left in " << folder_;
        winlib::DeleteTree(folder_);
    }

private:
    std::string folder_;
};

const ::testing::Environment* const privateTemp = ::testing::AddGlobalTestEnvironment(new TPrivateTempFolder);

SYSTEMTIME ToLocal(const FILETIME& utc)
{
    FILETIME local;
    SYSTEMTIME st{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    return st;
}

FILETIME FileTimes(const std::string& path, bool creation)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        throw std::runtime_error("no attributes for " + path);
    return creation ? data.ftCreationTime : data.ftLastWriteTime;
}

}  // namespace

ScratchDir::ScratchDir()
{
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "kcabtest%lu_%d", GetCurrentProcessId(), ++counter);
    path_ = std::string(temp) + name;
    winlib::DeleteTree(path_);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

ScratchDir::~ScratchDir() { winlib::DeleteTree(path_); }

std::string Indexed(const char* stem, int number)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s%d", stem, number);
    return text;
}

std::string RandomBytes(size_t count, unsigned seed)
{
    std::string bytes(count, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

SYSTEMTIME LocalLastWrite(const std::string& path) { return ToLocal(FileTimes(path, false)); }
SYSTEMTIME LocalCreation(const std::string& path) { return ToLocal(FileTimes(path, true)); }

void SetLocalLastWrite(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second)
{
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    FILETIME local;
    FILETIME utc;
    SystemTimeToFileTime(&st, &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    BOOL ok = SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
    if (!ok) throw std::runtime_error("cannot set the time of " + path);
}

int CountCabinetTempFiles()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "stc*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

void MakeCabinet(const std::string& cabinet, const std::vector<std::pair<std::string, std::string>>& files,
                 unsigned fileCountThreshold, unsigned sizeThreshold)
{
    TSTCabWriter writer;
    writer.SetCompressionType(cctMsZip);
    writer.CabinetFileCountThreshold = fileCountThreshold;
    writer.CabinetSizeThreshold = sizeThreshold;
    writer.Open(cabinet);
    for (const auto& [source, name] : files) writer.AddFile(source, name, false);
    writer.Close(true);
}
