// TSTCabReader: overwriting, skipping, times and attributes, cabinet sets,
// hostile member names and broken cabinets. Fixtures come from our writer;
// gcab-made cabinets are read in reader_e2e.sh.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "cabinet/CabReader.h"
#include "cabinet/CabSTConsts.h"
#include "cabinet/CabWriter.h"
#include "tests/cabinet/CabTestUtil.h"

namespace {

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

// Attribute bits that Wine reports on every file aside, the stored bits.
DWORD StoredBits(const std::string& path) { return Attributes(path) & 0x27 & ~FILE_ATTRIBUTE_ARCHIVE; }

// Overwrites the attribute field of the cabinet's first CFFILE entry.
void PatchFirstMemberAttributes(const std::string& cabinet, unsigned short attributes)
{
    std::string bytes = ReadBytes(cabinet);
    ASSERT_GT(bytes.size(), 64u);
    unsigned coffFiles = static_cast<unsigned char>(bytes[16]) | static_cast<unsigned char>(bytes[17]) << 8 |
                         static_cast<unsigned char>(bytes[18]) << 16 | static_cast<unsigned char>(bytes[19]) << 24;
    bytes[coffFiles + 14] = static_cast<char>(attributes & 0xFF);
    bytes[coffFiles + 15] = static_cast<char>(attributes >> 8);
    WriteBytes(cabinet, bytes);
}

class CabReaderTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string Src(const std::string& name) const { return dir / ("src\\" + name); }
    std::string Out(const std::string& name) const { return dir / ("out\\" + name); }
    std::string Cab(const std::string& name) const { return dir / ("cab\\" + name); }

    void SetUp() override
    {
        CreateDirectoryA((dir / "src").c_str(), nullptr);
        CreateDirectoryA((dir / "out").c_str(), nullptr);
    }

    // Three files of 3000 bytes, one cabinet each: data.cab, data1.cab, data2.cab.
    void MakeThreeCabinetSet()
    {
        for (int i = 0; i < 3; ++i) WriteBytes(Src(Indexed("f", i)), RandomBytes(3000, 10 + i));
        MakeCabinet(Cab("data.cab"), {{Src("f0"), "f0"}, {Src("f1"), "f1"}, {Src("f2"), "f2"}}, 1);
    }
};

// ---- Overwriting -----------------------------------------------------------------

TEST_F(CabReaderTest, LongerReadOnlyAndHiddenTargetsEndWithExactlyTheMemberBytes)
{
    for (const char* name : {"longer.bin", "readonly.bin", "hidden.bin"})
        WriteBytes(Src(name), RandomBytes(1000, name[0]));
    MakeCabinet(Cab("data.cab"),
                {{Src("longer.bin"), "longer.bin"}, {Src("readonly.bin"), "readonly.bin"}, {Src("hidden.bin"), "hidden.bin"}});
    for (const char* name : {"longer.bin", "readonly.bin", "hidden.bin"}) WriteBytes(Out(name), RandomBytes(5000, 99));
    ASSERT_TRUE(SetFileAttributesA(Out("readonly.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA(Out("hidden.bin").c_str(), FILE_ATTRIBUTE_HIDDEN));

    TSTCabReader reader;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);

    for (const char* name : {"longer.bin", "readonly.bin", "hidden.bin"})
        EXPECT_EQ(ReadBytes(Out(name)), ReadBytes(Src(name))) << name;
    // Running as root, Wine writes into read-only files anyway: the attributes
    // show that the reader cleared the bit and then applied the stored ones.
    EXPECT_EQ(StoredBits(Out("readonly.bin")), 0u);
    EXPECT_EQ(StoredBits(Out("hidden.bin")), 0u);
}

TEST_F(CabReaderTest, DontOverwriteReadOnlyFilesSkipsThemQuietly)
{
    WriteBytes(Src("keep.txt"), "new keep");
    WriteBytes(Src("other.txt"), "new other");
    MakeCabinet(Cab("data.cab"), {{Src("keep.txt"), "keep.txt"}, {Src("other.txt"), "other.txt"}});
    WriteBytes(Out("keep.txt"), "old");
    ASSERT_TRUE(SetFileAttributesA(Out("keep.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    TSTCabReader reader;
    reader.Options = croDontOverwriteReadOnlyFiles;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);

    EXPECT_EQ(ReadBytes(Out("keep.txt")), "old");
    EXPECT_TRUE(Attributes(Out("keep.txt")) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadBytes(Out("other.txt")), "new other");
}

TEST_F(CabReaderTest, StoredFoldersAreCreated)
{
    WriteBytes(Src("x.txt"), "x");
    MakeCabinet(Cab("data.cab"), {{Src("x.txt"), "sub\\deeper\\x.txt"}});
    TSTCabReader reader;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);
    EXPECT_EQ(ReadBytes(Out("sub\\deeper\\x.txt")), "x");
}

// ---- Times and attributes ------------------------------------------------------------

TEST_F(CabReaderTest, StoredLocalTimeBecomesCreationAndLastWriteTimeAndAttributesAreSet)
{
    WriteBytes(Src("t.txt"), "timed");
    SetLocalLastWrite(Src("t.txt"), 2011, 3, 4, 5, 6, 8);
    ASSERT_TRUE(SetFileAttributesA(Src("t.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    MakeCabinet(Cab("data.cab"), {{Src("t.txt"), "t.txt"}});
    SetFileAttributesA(Src("t.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    TSTCabReader reader;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);

    for (SYSTEMTIME st : {LocalLastWrite(Out("t.txt")), LocalCreation(Out("t.txt"))}) {
        EXPECT_EQ(st.wYear, 2011);
        EXPECT_EQ(st.wMonth, 3);
        EXPECT_EQ(st.wDay, 4);
        EXPECT_EQ(st.wHour, 5);
        EXPECT_EQ(st.wMinute, 6);
        EXPECT_EQ(st.wSecond, 8);
    }
    EXPECT_EQ(StoredBits(Out("t.txt")), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

TEST_F(CabReaderTest, AttributeBitsOutside0x27AreDroppedAndNothingRunsWithoutTheOption)
{
    WriteBytes(Src("run.cmd"), "@echo ran> \"%~dp0ran.txt\"\r\n");
    MakeCabinet(Cab("data.cab"), {{Src("run.cmd"), "run.cmd"}});
    PatchFirstMemberAttributes(Cab("data.cab"), 0x67);

    bool executeFlag = false;
    TSTCabReader reader;
    reader.OnCloseFile = [&](TSTCabReader&, const std::string&, uint16_t, uint16_t, uint16_t, uint16_t,
                             bool& execute, const std::string&, bool&) { executeFlag = execute; };
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);

    EXPECT_TRUE(executeFlag);  // the run-after-extract bit came through
    // Wine keeps the system bit only where the file system has extended attributes.
    EXPECT_EQ(Attributes(Out("run.cmd")) & ~0x27u, 0u);
    EXPECT_EQ(Attributes(Out("run.cmd")) & 0x03u, 0x03u);
    EXPECT_EQ(ReadBytes(Out("run.cmd")), ReadBytes(Src("run.cmd")));

    // With the option the same member does run; once it has, the first copy
    // would have had time to run too had it been started.
    TSTCabReader runner;
    runner.Options = croExecuteOnExtract;
    runner.ExtractFiles(Cab("data.cab"), dir / "ran", 0);
    for (int poll = 0; poll < 300 && !Exists(dir / "ran\\ran.txt"); ++poll) Sleep(50);  // bounded wait for the child
    EXPECT_TRUE(Exists(dir / "ran\\ran.txt"));
    EXPECT_FALSE(Exists(Out("ran.txt")));

    // The child may still hold its files open: wait (bounded) until they can go.
    SetFileAttributesA((dir / "ran\\run.cmd").c_str(), FILE_ATTRIBUTE_NORMAL);
    for (int poll = 0; poll < 300; ++poll) {
        DeleteFileA((dir / "ran\\ran.txt").c_str());
        DeleteFileA((dir / "ran\\run.cmd").c_str());
        if (RemoveDirectoryA((dir / "ran").c_str())) break;
        Sleep(50);
    }
}

// ---- Cabinet sets ------------------------------------------------------------------------

TEST_F(CabReaderTest, ThreeCabinetSetExtractsFromTheFirst)
{
    MakeThreeCabinetSet();
    TSTCabReader reader;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadBytes(Out(Indexed("f", i))), ReadBytes(Src(Indexed("f", i))));
}

TEST_F(CabReaderTest, FirstOnlyStopsAfterTheFirstCabinet)
{
    MakeThreeCabinetSet();
    TSTCabReader reader;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 1);
    EXPECT_TRUE(Exists(Out("f0")));
    EXPECT_FALSE(Exists(Out("f1")));
}

TEST_F(CabReaderTest, MissingThirdCabinetEndsTheSetWithoutError)
{
    MakeThreeCabinetSet();
    ASSERT_TRUE(DeleteFileA(Cab("data2.cab").c_str()));
    TSTCabReader reader;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);
    EXPECT_TRUE(Exists(Out("f0")));
    EXPECT_TRUE(Exists(Out("f1")));
    EXPECT_FALSE(Exists(Out("f2")));
}

TEST_F(CabReaderTest, ThirdCabinetReplacedByACopyOfTheFirstDoesNotLoop)
{
    MakeThreeCabinetSet();
    ASSERT_TRUE(CopyFileA(Cab("data.cab").c_str(), Cab("data2.cab").c_str(), FALSE));
    int cabinetsOpened = 0;
    TSTCabReader reader;
    reader.OnCabinetInfo = [&](TSTCabReader&, const std::string&, const std::string&, const std::string&, uint16_t,
                               uint16_t, bool& abort) { abort = ++cabinetsOpened > 10; };
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);
    EXPECT_EQ(cabinetsOpened, 3);
    EXPECT_EQ(ReadBytes(Out("f1")), ReadBytes(Src("f1")));
}

TEST_F(CabReaderTest, FileSpanningCabinetsIsRestoredExactly)
{
    WriteBytes(Src("big.bin"), RandomBytes(300000, 5));
    MakeCabinet(Cab("span.cab"), {{Src("big.bin"), "big.bin"}}, 0, 100000);
    ASSERT_TRUE(Exists(Cab("span1.cab")));
    TSTCabReader reader;
    reader.ExtractFiles(Cab("span.cab"), dir / "out", 0);
    EXPECT_EQ(ReadBytes(Out("big.bin")), ReadBytes(Src("big.bin")));
}

TEST_F(CabReaderTest, NextCabinetPathOf256BytesOrMoreAborts)
{
    WriteBytes(Src("big.bin"), RandomBytes(300000, 5));
    MakeCabinet(Cab("span.cab"), {{Src("big.bin"), "big.bin"}}, 0, 100000);
    TSTCabReader reader;
    reader.OnNextCabinet = [](TSTCabReader&, const std::string&, const std::string&, std::string& path, int,
                              bool&) { path = "C:\\" + std::string(252, 'p'); };
    ESTCabinet e = RaisedBy([&] { reader.ExtractFiles(Cab("span.cab"), dir / "out", 0); });
    EXPECT_EQ(e.ErrorCode, 11);
    EXPECT_EQ(e.OsError, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

// ---- Hostile names -------------------------------------------------------------------------

TEST_F(CabReaderTest, NamesLeavingTheDestinationRaiseFdiAbortedAndWriteNothingOutside)
{
    WriteBytes(Src("evil.txt"), "evil");
    std::string drive = "C:\\evil_" + std::to_string(GetCurrentProcessId()) + ".txt";
    const std::string names[] = {"..\\evil.txt", drive, "\\\\evil.txt", "sub\\..\\..\\evil.txt", "/evil.txt"};
    for (const std::string& name : names) {
        CreateDirectoryA((dir / "deep").c_str(), nullptr);
        MakeCabinet(Cab("evil.cab"), {{Src("evil.txt"), name}});
        TSTCabReader reader;
        ESTCabinet e = RaisedBy([&] { reader.ExtractFiles(Cab("evil.cab"), dir / "deep\\out", 0); });
        EXPECT_TRUE(StartsWith(e.what(), "FDI aborted [0x000B]")) << name << ": " << e.what();
        EXPECT_EQ(e.OsError, static_cast<DWORD>(ERROR_INVALID_NAME)) << name;
        EXPECT_FALSE(Exists(dir / "deep\\evil.txt")) << name;
        EXPECT_FALSE(Exists(dir / "evil.txt")) << name;
        EXPECT_FALSE(Exists("C:\\evil.txt")) << name;
        EXPECT_FALSE(Exists(drive)) << name;
        DeleteFileA(drive.c_str());
    }
}

TEST(CabMemberNames, OnlyNamesInsideTheDestinationAreSafe)
{
    EXPECT_TRUE(TSTCabReader::IsSafeMemberName("a.txt"));
    EXPECT_TRUE(TSTCabReader::IsSafeMemberName("sub\\x"));
    EXPECT_TRUE(TSTCabReader::IsSafeMemberName("a..b.txt"));
    EXPECT_TRUE(TSTCabReader::IsSafeMemberName("...txt"));
    for (const char* bad : {"", "\\x", "/x", "C:\\x", "C:x", "..", "..\\x", "a\\..\\..\\x", "a/../x", "a\\.."})
        EXPECT_FALSE(TSTCabReader::IsSafeMemberName(bad)) << bad;
}

TEST_F(CabReaderTest, ReaderIsUsableAgainAfterAnAbortedExtraction)
{
    WriteBytes(Src("a.txt"), "a");
    MakeCabinet(Cab("evil.cab"), {{Src("a.txt"), "..\\a.txt"}});
    MakeCabinet(Cab("good.cab"), {{Src("a.txt"), "a.txt"}});
    TSTCabReader reader;
    RaisedBy([&] { reader.ExtractFiles(Cab("evil.cab"), dir / "out", 0); });
    reader.ExtractFiles(Cab("good.cab"), dir / "out", 0);
    EXPECT_EQ(ReadBytes(Out("a.txt")), "a");
}

TEST_F(CabReaderTest, AnExceptionFromAnEventComesBackToTheCaller)
{
    WriteBytes(Src("a.txt"), "a");
    MakeCabinet(Cab("data.cab"), {{Src("a.txt"), "a.txt"}});
    TSTCabReader reader;
    reader.OnCopyFile = [](TSTCabReader&, const std::string&, long, uint16_t, uint16_t, uint16_t, uint16_t,
                           std::string&, bool&) { throw std::runtime_error("handler failed"); };
    try {
        reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);
        FAIL() << "nothing was raised";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "handler failed");
    }
    reader.OnCopyFile = nullptr;
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);
    EXPECT_EQ(ReadBytes(Out("a.txt")), "a");
}

TEST_F(CabReaderTest, CopyFileHandlerCanRenameOrSkip)
{
    WriteBytes(Src("a.txt"), "a");
    WriteBytes(Src("b.txt"), "b");
    MakeCabinet(Cab("data.cab"), {{Src("a.txt"), "a.txt"}, {Src("b.txt"), "b.txt"}});
    TSTCabReader reader;
    reader.OnCopyFile = [&](TSTCabReader&, const std::string& name, long, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string& target, bool&) {
        target = name == "a.txt" ? Out("renamed.txt") : std::string();
    };
    reader.ExtractFiles(Cab("data.cab"), dir / "out", 0);
    EXPECT_EQ(ReadBytes(Out("renamed.txt")), "a");
    EXPECT_FALSE(Exists(Out("a.txt")));
    EXPECT_FALSE(Exists(Out("b.txt")));
}

// ---- Broken cabinets ---------------------------------------------------------------------------

TEST_F(CabReaderTest, NonCabinetGivesCode2)
{
    CreateDirectoryA((dir / "cab").c_str(), nullptr);
    WriteBytes(Cab("junk.cab"), RandomBytes(4000, 7));
    TSTCabReader reader;
    ESTCabinet e = RaisedBy([&] { reader.ExtractFiles(Cab("junk.cab"), dir / "out", 0); });
    EXPECT_EQ(e.ErrorCode, 2);
    EXPECT_FALSE(e.IsFci);
}

TEST_F(CabReaderTest, TruncatedCabinetRaises)
{
    WriteBytes(Src("big.bin"), RandomBytes(200000, 8));
    MakeCabinet(Cab("data.cab"), {{Src("big.bin"), "big.bin"}});
    std::string bytes = ReadBytes(Cab("data.cab"));
    WriteBytes(Cab("data.cab"), bytes.substr(0, bytes.size() / 2));
    TSTCabReader reader;
    ESTCabinet e = RaisedBy([&] { reader.ExtractFiles(Cab("data.cab"), dir / "out", 0); });
    EXPECT_TRUE(e.ErrorPresent) << e.what();
}

TEST_F(CabReaderTest, MissingCabinetGivesCode1WithOsError2)
{
    TSTCabReader reader;
    ESTCabinet e = RaisedBy([&] { reader.ExtractFiles(dir / "missing.cab", dir / "out", 0); });
    EXPECT_EQ(e.ErrorCode, 1);
    EXPECT_EQ(e.OsError, 2u);
    EXPECT_TRUE(StartsWith(e.what(), "Cabinet not found [0x0001].\r\n")) << e.what();
}

}  // namespace
