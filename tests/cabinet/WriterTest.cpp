// TSTCabWriter: failures, aborts, closing and continuation names. The cabinets'
// contents are checked with independent tools by writer_e2e.sh.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "cabinet/CabReader.h"
#include "cabinet/CabSTConsts.h"
#include "cabinet/CabWriter.h"
#include "tests/cabinet/CabTestUtil.h"

namespace {

TEST(CabWriterDefaults, LzxWindow21UntilToldOtherwise)
{
    TSTCabWriter writer;
    EXPECT_EQ(writer.CompressionType(), cctLzx);
    EXPECT_EQ(writer.CompressionLzxLevel(), 21);
    EXPECT_EQ(writer.CompressionCode(), 0x1503);
    writer.SetCompressionLzxLevel(15);
    EXPECT_EQ(writer.CompressionCode(), 0x0F03);
    writer.SetCompressionType(cctMsZip);
    EXPECT_EQ(writer.CompressionCode(), 1);
    writer.SetCompressionType(cctNone);
    EXPECT_EQ(writer.CompressionCode(), 0);
    EXPECT_THROW(writer.SetCompressionLzxLevel(22), std::invalid_argument);
}

TEST(CabWriterNames, ContinuationsAreNumberedInsertedBeforeTheExtension)
{
    ScratchDir dir;
    TSTCabWriter writer;
    writer.OnGetNextCabinet = [](TSTCabWriter&, const CCAB&, unsigned long, bool& abort) { abort = true; };
    writer.Open(dir / "data.cab");
    EXPECT_EQ(writer.CabinetName(1), "data1.cab");
    EXPECT_EQ(writer.CabinetPath(2), dir.Path() + "\\");
    EXPECT_EQ(writer.DiskLabel(2), "Disk2");
    writer.CabinetNameTemplate = "part*.cab";
    writer.DiskLabelTemplate = "Volume *";
    EXPECT_EQ(writer.CabinetName(3), "part3.cab");
    EXPECT_EQ(writer.DiskLabel(3), "Volume 3");
}

TEST(CabWriterSets, FileCountThresholdOneGivesDataThenData1AndData2)
{
    ScratchDir dir;
    for (int i = 0; i < 3; ++i) WriteBytes(dir / (Indexed("f", i)), RandomBytes(1000, i));
    MakeCabinet(dir / "out\\data.cab", {{dir / "f0", "f0"}, {dir / "f1", "f1"}, {dir / "f2", "f2"}}, 1);
    EXPECT_TRUE(Exists(dir / "out\\data.cab"));
    EXPECT_TRUE(Exists(dir / "out\\data1.cab"));
    EXPECT_TRUE(Exists(dir / "out\\data2.cab"));
    EXPECT_FALSE(Exists(dir / "out\\data3.cab"));
}

TEST(CabWriterFailures, AbortedOpenLeavesItClosedAndAddFileRaisesFciError)
{
    ScratchDir dir;
    WriteBytes(dir / "a.txt", "a");
    TSTCabWriter writer;
    writer.OnGetNextCabinet = [](TSTCabWriter&, const CCAB&, unsigned long previous, bool& abort) {
        EXPECT_EQ(previous, 0u);
        abort = true;
    };
    writer.Open(dir / "new\\data.cab");
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(Exists(dir / "new"));
    ESTCabinet e = RaisedBy([&] { writer.AddFile(dir / "a.txt", "a.txt", false); });
    EXPECT_STREQ(e.what(), "FCI error");
    EXPECT_FALSE(e.ErrorPresent);
    EXPECT_STREQ(RaisedBy([&] { writer.FlushFolder(); }).what(), "FCI error");
    EXPECT_STREQ(RaisedBy([&] { writer.FlushCabinet(false); }).what(), "FCI error");
}

TEST(CabWriterFailures, AbortInOnFilePlacedRaisesClientRequestedAbortAndLeavesNoTempFiles)
{
    ScratchDir dir;
    WriteBytes(dir / "a.txt", RandomBytes(5000, 1));
    int tempBefore = CountCabinetTempFiles();
    TSTCabWriter writer;
    writer.OnFilePlaced = [](TSTCabWriter&, const CCAB&, const std::string&, long, bool, bool& abort) {
        abort = true;
    };
    ESTCabinet e = RaisedBy([&] {
        writer.Open(dir / "data.cab");
        writer.AddFile(dir / "a.txt", "a.txt", false);
        writer.Close(true);
    });
    EXPECT_STREQ(e.what(), "Client requested abort [0x0007]");
    EXPECT_EQ(e.ErrorCode, 7);
    EXPECT_TRUE(e.IsFci);
    writer.Close(true);  // harmless after the failure
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(CountCabinetTempFiles(), tempBefore);
}

TEST(CabWriterFailures, AnExceptionFromAnEventComesBackToTheCaller)
{
    ScratchDir dir;
    WriteBytes(dir / "a.txt", RandomBytes(5000, 1));
    int tempBefore = CountCabinetTempFiles();
    TSTCabWriter writer;
    writer.OnFileStatus = [](TSTCabWriter&, unsigned long, unsigned long, bool&) {
        throw std::runtime_error("handler failed");
    };
    try {
        writer.Open(dir / "data.cab");
        writer.AddFile(dir / "a.txt", "a.txt", false);
        writer.Close(true);
        FAIL() << "nothing was raised";
    } catch (const ESTCabinet& e) {
        FAIL() << "the handler's exception was replaced: " << e.what();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "handler failed");
    }
    writer.Close(false);
    EXPECT_EQ(CountCabinetTempFiles(), tempBefore);
}

TEST(CabWriterFailures, MissingSourceRaisesOpenErrorWithOsError2)
{
    ScratchDir dir;
    TSTCabWriter writer;
    writer.Open(dir / "data.cab");
    ESTCabinet e = RaisedBy([&] { writer.AddFile(dir / "missing.txt", "missing.txt", false); });
    EXPECT_EQ(e.ErrorCode, 1);
    EXPECT_EQ(e.OsError, 2u);
    EXPECT_TRUE(e.ErrorPresent);
    EXPECT_EQ(std::string(e.what()).rfind("Failure opening file to be stored in cabinet [0x0001].\r\n", 0), 0u)
        << e.what();
}

// Windows stores a 0-byte member; Wine's FCI cannot flush a cabinet whose only
// member is one (error 6 with OS error 6). The writer must report that, not hide it.
TEST(CabWriterFailures, EmptyOnlyMemberFailsAtFlushUnderWine)
{
    ScratchDir dir;
    WriteBytes(dir / "empty.txt", "");
    TSTCabWriter writer;
    writer.Open(dir / "data.cab");
    writer.AddFile(dir / "empty.txt", "empty.txt", false);
    ESTCabinet e = RaisedBy([&] { writer.Close(true); });
    EXPECT_EQ(e.ErrorCode, 6);
    EXPECT_TRUE(e.IsFci);
    EXPECT_FALSE(writer.IsOpen());
}

TEST(CabWriterFailures, OverlongFolderRaisesCode6WithOsError206AndWritesNothing)
{
    ScratchDir dir;
    std::string top = dir / std::string(100, 'a');
    std::string folder = top + "\\" + std::string(100, 'b') + "\\" + std::string(100, 'c');
    TSTCabWriter writer;
    bool asked = false;
    writer.OnGetNextCabinet = [&](TSTCabWriter&, const CCAB&, unsigned long, bool&) { asked = true; };
    ESTCabinet e = RaisedBy([&] { writer.Open(folder + "\\data.cab"); });
    EXPECT_EQ(e.ErrorCode, 6);
    EXPECT_EQ(e.OsError, 206u);
    EXPECT_TRUE(e.ErrorPresent);
    EXPECT_FALSE(asked);
    EXPECT_FALSE(Exists(top));
    EXPECT_FALSE(writer.IsOpen());
}

TEST(CabWriterLifecycle, DoubleCloseAndDestructorAreHarmless)
{
    ScratchDir dir;
    WriteBytes(dir / "a.txt", "a");
    int tempBefore = CountCabinetTempFiles();
    {
        TSTCabWriter writer;
        writer.Open(dir / "data.cab");
        writer.AddFile(dir / "a.txt", "a.txt", false);
        writer.Close(true);
        writer.Close(true);
        writer.Close(false);
        TSTCabWriter abandoned;  // destroyed while open, without flushing
        abandoned.Open(dir / "other.cab");
        abandoned.AddFile(dir / "a.txt", "a.txt", false);
    }
    EXPECT_TRUE(Exists(dir / "data.cab"));
    EXPECT_EQ(CountCabinetTempFiles(), tempBefore);
}

TEST(CabWriterLifecycle, OpenReplacesAnExistingCabinet)
{
    ScratchDir dir;
    WriteBytes(dir / "a.txt", "a");
    WriteBytes(dir / "data.cab", RandomBytes(100000, 3));
    MakeCabinet(dir / "data.cab", {{dir / "a.txt", "a.txt"}});
    EXPECT_LT(ReadBytes(dir / "data.cab").size(), 1000u);
}

TEST(CabWriterEvents, ProgressFiresOnTheSecondFileReportAndEveryNinthAfter)
{
    ScratchDir dir;
    WriteBytes(dir / "big.bin", RandomBytes(1000000, 4));
    int fileReports = 0;
    std::vector<int> progressAt;
    unsigned long cabinetSize = 0;
    TSTCabWriter writer;
    writer.SetCompressionType(cctMsZip);
    writer.OnFileStatus = [&](TSTCabWriter&, unsigned long, unsigned long, bool&) { ++fileReports; };
    writer.OnProgress = [&](TSTCabWriter&, bool&) { progressAt.push_back(fileReports); };
    writer.OnCabinetStatus = [&](TSTCabWriter&, unsigned long, unsigned long actual, unsigned long& desired, bool&) {
        EXPECT_EQ(desired, actual);
        cabinetSize = actual;
    };
    writer.Open(dir / "data.cab");
    writer.AddFile(dir / "big.bin", "big.bin", false);
    writer.Close(true);
    ASSERT_GE(fileReports, 20);
    for (size_t i = 0; i < progressAt.size(); ++i) EXPECT_EQ(progressAt[i], 2 + 9 * static_cast<int>(i));
    EXPECT_EQ(progressAt.size(), static_cast<size_t>(1 + (fileReports - 2) / 9));
    EXPECT_EQ(cabinetSize, ReadBytes(dir / "data.cab").size());
}

TEST(CabWriterEvents, BeforeFileAddCanSkipAFile)
{
    ScratchDir dir;
    WriteBytes(dir / "a.txt", "a");
    WriteBytes(dir / "b.txt", "b");
    TSTCabWriter writer;
    writer.SetCompressionType(cctMsZip);
    writer.OnBeforeFileAdd = [](TSTCabWriter&, const std::string& name, bool& skip) {
        skip = name.find("b.txt") != std::string::npos;
    };
    writer.Open(dir / "data.cab");
    writer.AddFile(dir / "a.txt", "a.txt", false);
    writer.AddFile(dir / "b.txt", "b.txt", false);
    writer.Close(true);
    TSTCabReader reader;
    reader.ExtractFiles(dir / "data.cab", dir / "out", 0);
    EXPECT_TRUE(Exists(dir / "out\\a.txt"));
    EXPECT_FALSE(Exists(dir / "out\\b.txt"));
}

}  // namespace
