// The trailer scan and the setup-cabinet copy on crafted files.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include "runtime/Payload.h"
#include "tests/startup/TestFiles.h"
#include "winlib/OsError.h"

using namespace startup_test;

namespace {

constexpr size_t Floor = 400000;

class TrailerScan : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& f : files_)
            DeleteFileA(f.c_str());
    }

    // Writes bytes to a new scratch file and scans it.
    bool Scan(const std::string& bytes, payload::TTrailerHit& hit)
    {
        std::string path = ScratchName("trailer");
        files_.push_back(path);
        WriteWholeFile(path, bytes);
        return payload::FindTrailerInFile(path, hit);
    }

    // Engine padding, a 100-byte "cabinet", and the trailer naming it.
    static std::string Package(size_t engine = Floor)
    {
        return std::string(engine, '\0') + std::string(100, 'c') + Trailer(Digits10(100));
    }

    std::vector<std::string> files_;
};

TEST_F(TrailerScan, TrailerAtTheEndIsFound)
{
    payload::TTrailerHit hit;
    ASSERT_TRUE(Scan(Package(), hit));
    EXPECT_EQ(hit.Position, static_cast<long long>(Floor + 100));
    EXPECT_EQ(hit.Length, 100);
    EXPECT_EQ(hit.CabinetOffset(), static_cast<long long>(Floor));
}

TEST_F(TrailerScan, JunkAfterTheTrailerIsPassedOver)
{
    payload::TTrailerHit hit;
    ASSERT_TRUE(Scan(Package() + std::string(1024, 'j'), hit));
    EXPECT_EQ(hit.Position, static_cast<long long>(Floor + 100));
    EXPECT_EQ(hit.Length, 100);
}

TEST_F(TrailerScan, MalformedCandidatesAreSkippedAndTheScanGoesOn)
{
    const char* bad[] = {"ABCDEFGHIJ", " 000000012", "+000000012", "9999999999",
                         "0000999999" /* beyond the file */, "0000000000" /* zero length */};
    for (const char* digits : bad) {
        SCOPED_TRACE(digits);
        payload::TTrailerHit hit;
        ASSERT_TRUE(Scan(Package() + Trailer(digits), hit));
        EXPECT_EQ(hit.Position, static_cast<long long>(Floor + 100));
        EXPECT_EQ(hit.Length, 100);
    }
}

TEST_F(TrailerScan, OnlyMalformedCandidatesGiveNoTrailer)
{
    payload::TTrailerHit hit;
    EXPECT_FALSE(Scan(std::string(Floor + 50, 'x') + Trailer("12345678A0"), hit));
}

TEST_F(TrailerScan, TrailerBelowTheFloorIsNotFoundAtTheFloorItIs)
{
    payload::TTrailerHit hit;
    std::string below = std::string(Floor - 1 - 10, 'x') + std::string(10, 'c') + Trailer(Digits10(10)) +
                        std::string(50, 'y');
    EXPECT_FALSE(Scan(below, hit));
    std::string at = std::string(Floor - 10, 'x') + std::string(10, 'c') + Trailer(Digits10(10)) +
                     std::string(50, 'y');
    ASSERT_TRUE(Scan(at, hit));
    EXPECT_EQ(hit.Position, static_cast<long long>(Floor));
}

TEST_F(TrailerScan, FileOf400012BytesHasNone)
{
    payload::TTrailerHit hit;
    std::string bytes(Floor + 12, 'x');
    bytes.replace(Floor - 1, 13, Trailer(Digits10(5)));
    EXPECT_FALSE(Scan(bytes, hit));
}

TEST_F(TrailerScan, TrailerAcrossTwoReadBlocksIsFound)
{
    // Put the trailer at every offset around the 64 KB block seam from the end.
    for (size_t back = 65536 - 14; back <= 65536 + 1; ++back) {
        SCOPED_TRACE(back);
        std::string bytes(Floor + 200000, 'x');
        size_t p = bytes.size() - back;
        bytes.replace(p, 13, Trailer(Digits10(1000)));
        payload::TTrailerHit hit;
        ASSERT_TRUE(Scan(bytes, hit));
        EXPECT_EQ(hit.Position, static_cast<long long>(p));
    }
}

// A sparse file of 5 GiB with the package at its end: offsets past 4 GiB work and
// the cabinet comes out byte-identical.
TEST(SetupCabinetCopy, PackageBeyondFourGibIsFoundAndCopiedExactly)
{
    std::string path = ScratchName("huge");
    std::string cabinet = ScratchName("huge-cab");
    std::string content;
    for (int i = 0; i < 5000; ++i)
        content += static_cast<char>(i * 7 + i / 256);
    const long long size = 5LL << 30;
    {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD ignored = 0;
        DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);  // sparse on Windows; Wine's files are sparse anyway
        std::string tail = content + Trailer(Digits10(static_cast<long long>(content.size())));
        LARGE_INTEGER at;
        at.QuadPart = size - static_cast<long long>(tail.size());
        ASSERT_TRUE(SetFilePointerEx(f, at, nullptr, FILE_BEGIN));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(f, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr));
        CloseHandle(f);
    }
    {
        payload::TSetupFile file(path);
        EXPECT_EQ(file.Size(), static_cast<unsigned long long>(size));
        payload::TTrailerHit hit;
        ASSERT_TRUE(payload::FindTrailer(file.Handle(), file.Size(), hit));
        EXPECT_EQ(hit.Position, size - 13);
        EXPECT_GT(hit.CabinetOffset(), 4LL << 30);
        payload::CopySetupCabinet(file.Handle(), hit, cabinet);
    }
    EXPECT_EQ(ReadWholeFile(cabinet), content);
    DeleteFileA(cabinet.c_str());
    DeleteFileA(path.c_str());
}

TEST(SetupCabinetCopy, ExistingTargetIsRefusedWithItsOsError)
{
    std::string path = ScratchName("pkg");
    std::string cabinet = ScratchName("cab");
    WriteWholeFile(path, std::string(Floor, '\0') + "abc" + Trailer(Digits10(3)));
    WriteWholeFile(cabinet, "old");
    payload::TSetupFile file(path);
    payload::TTrailerHit hit;
    ASSERT_TRUE(payload::FindTrailer(file.Handle(), file.Size(), hit));
    try {
        payload::CopySetupCabinet(file.Handle(), hit, cabinet);
        ADD_FAILURE() << "copy over an existing file succeeded";
    } catch (const winlib::EOSError& e) {
        EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_FILE_EXISTS));
        EXPECT_NE(std::string(e.what()).find(cabinet), std::string::npos);
    }
    file.Close();
    DeleteFileA(cabinet.c_str());
    DeleteFileA(path.c_str());
}

TEST(SetupFileOpen, MissingFileRaisesWithOsError2)
{
    try {
        payload::TSetupFile file(ScratchName("missing"));
        ADD_FAILURE() << "opened a missing file";
    } catch (const winlib::EOSError& e) {
        EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
}

}  // namespace
