// Binding of cabinet.dll, the FCI/FDI file callbacks, error texts and ESTCabinet.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "cabinet/CabIntf.h"
#include "cabinet/CabSTConsts.h"
#include "tests/cabinet/CabTestUtil.h"
#include "winlib/OsError.h"

namespace {

ERF Erf(int oper, int type, bool error)
{
    ERF erf{};
    erf.erfOper = oper;
    erf.erfType = type;
    erf.fError = error ? TRUE : FALSE;
    return erf;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string ModuleFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, length);
    return full.substr(0, full.find_last_of('\\') + 1);
}

// Opens through the FCI callback; returns the handle and stores the OS error.
INT_PTR Open(const std::string& path, int flags, int& err)
{
    err = 0;
    std::string name = path;
    return CabIntf::CabOpenFile(name.data(), flags, _S_IREAD | _S_IWRITE, &err, nullptr);
}

void WriteThrough(INT_PTR handle, const std::string& text)
{
    int err = 0;
    std::string copy = text;
    ASSERT_EQ(CabIntf::CabWriteFile(handle, copy.data(), static_cast<UINT>(copy.size()), &err, nullptr), copy.size());
}

void Close(INT_PTR handle)
{
    int err = 0;
    ASSERT_EQ(CabIntf::CabCloseFile(handle, &err, nullptr), 0);
}

// ---- PathJoin and texts ------------------------------------------------------

TEST(PathJoin, JoinsWithExactlyOneBackslash)
{
    EXPECT_EQ(PathJoin({"C:\\a\\", "\\b.txt"}), "C:\\a\\b.txt");
    EXPECT_EQ(PathJoin({"C:\\a", "b.txt"}), "C:\\a\\b.txt");
    EXPECT_EQ(PathJoin({"C:\\a\\", "b.txt"}), "C:\\a\\b.txt");
    EXPECT_EQ(PathJoin({"C:\\a", "\\b.txt"}), "C:\\a\\b.txt");
    EXPECT_EQ(PathJoin({"", "b.txt"}), "b.txt");
    EXPECT_EQ(PathJoin({"", "\\b.txt"}), "\\b.txt");
    EXPECT_EQ(PathJoin({"C:\\a", "", "sub", "b.txt"}), "C:\\a\\sub\\b.txt");
}

TEST(ErrorTexts, EveryCodeHasItsText)
{
    const char* fci[] = {"No error", "Failure opening file to be stored in cabinet",
                         "Failure reading file to be stored in cabinet", "Out of memory in FCI",
                         "Could not create a temporary file", "Unknown compression type",
                         "Could not create cabinet file", "Client requested abort", "Failure compressing data",
                         "FCI error", "FCI error", "FCI error", "FCI error"};
    const char* fdi[] = {"No error", "Cabinet not found", "Cabinet file does not have the correct format",
                         "Cabinet file has an unknown version number", "Cabinet file is corrupt",
                         "Could not allocate enough memory", "Unknown compression type in a cabinet folder",
                         "Failure decompressing data from a cabinet file", "Failure writing to target file",
                         "Cabinets in a set do not have the same RESERVE sizes",
                         "Cabinet returned on fdintNEXT_CABINET is incorrect", "FDI aborted", "FDI error"};
    for (int code = 0; code <= 12; ++code) {
        EXPECT_EQ(FciErrorText(code), fci[code]) << code;
        EXPECT_EQ(FdiErrorText(code), fdi[code]) << code;
    }
    EXPECT_EQ(FciErrorText(-1), "FCI error");
    EXPECT_EQ(FdiErrorText(-1), "FDI error");
}

// ---- ESTCabinet --------------------------------------------------------------

TEST(ESTCabinet, NoErrorPresentGivesTheBareSideText)
{
    ESTCabinet fci(Erf(7, 2, false), true);
    ESTCabinet fdi(Erf(1, 2, false), false);
    EXPECT_STREQ(fci.what(), "FCI error");
    EXPECT_STREQ(fdi.what(), "FDI error");
    EXPECT_FALSE(fci.ErrorPresent);
    EXPECT_EQ(fci.ErrorCode, 7);
    EXPECT_TRUE(fci.IsFci);
    EXPECT_FALSE(fdi.IsFci);
}

TEST(ESTCabinet, CodeWithoutOsErrorIsWrittenInHexInBrackets)
{
    EXPECT_STREQ(ESTCabinet(Erf(1, 0, true), false).what(), "Cabinet not found [0x0001]");
    EXPECT_STREQ(ESTCabinet(Erf(11, 0, true), false).what(), "FDI aborted [0x000B]");
}

TEST(ESTCabinet, OsErrorAddsItsTextWithoutTrailingLineBreakOrFullStop)
{
    ESTCabinet e(Erf(1, 2, true), true);
    std::string message = e.what();
    const std::string head = "Failure opening file to be stored in cabinet [0x0001].\r\n";
    EXPECT_EQ(message.compare(0, head.size(), head), 0) << message;
    EXPECT_TRUE(EndsWith(message, " [0x0002].")) << message;
    std::string osText = message.substr(head.size(), message.size() - head.size() - 10);
    EXPECT_FALSE(osText.empty());
    EXPECT_NE(osText.back(), '.');
    EXPECT_EQ(osText.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(e.OsError, 2u);
}

TEST(ESTCabinet, LargeOsErrorIsUpperCaseHex)
{
    std::string message = ESTCabinet(Erf(6, 0xABCDE, true), true).what();
    EXPECT_TRUE(EndsWith(message, " [0xABCDE].")) << message;
}

// ---- CabOpenFile and friends ----------------------------------------------------

TEST(CabOpenFile, CreateWithTruncateReplacesAnExistingFile)
{
    ScratchDir dir;
    WriteBytes(dir / "f.txt", "old content");
    int err;
    INT_PTR h = Open(dir / "f.txt", _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY, err);
    ASSERT_NE(h, -1);
    WriteThrough(h, "new");
    Close(h);
    EXPECT_EQ(ReadBytes(dir / "f.txt"), "new");
}

TEST(CabOpenFile, CreateAloneOpensAnExistingFileUnchanged)
{
    ScratchDir dir;
    WriteBytes(dir / "f.txt", "old content");
    int err;
    INT_PTR h = Open(dir / "f.txt", _O_CREAT | _O_WRONLY | _O_BINARY, err);
    ASSERT_NE(h, -1);
    Close(h);
    EXPECT_EQ(ReadBytes(dir / "f.txt"), "old content");
}

TEST(CabOpenFile, ExclusiveCreateOnAnExistingFileFailsWithError80)
{
    ScratchDir dir;
    WriteBytes(dir / "f.txt", "x");
    int err;
    EXPECT_EQ(Open(dir / "f.txt", _O_CREAT | _O_EXCL | _O_WRONLY, err), -1);
    EXPECT_EQ(err, ERROR_FILE_EXISTS);
}

TEST(CabOpenFile, MissingFileFailsWithError2)
{
    ScratchDir dir;
    int err;
    EXPECT_EQ(Open(dir / "missing.txt", _O_RDONLY | _O_BINARY, err), -1);
    EXPECT_EQ(err, ERROR_FILE_NOT_FOUND);
}

TEST(CabOpenFile, AppendWritesAtTheEnd)
{
    ScratchDir dir;
    WriteBytes(dir / "f.txt", "abc");
    int err;
    INT_PTR h = Open(dir / "f.txt", _O_WRONLY | _O_APPEND | _O_BINARY, err);
    ASSERT_NE(h, -1);
    WriteThrough(h, "xyz");
    Close(h);
    EXPECT_EQ(ReadBytes(dir / "f.txt"), "abcxyz");
}

TEST(CabOpenFile, TemporaryFileIsDeletedAtClose)
{
    ScratchDir dir;
    int err;
    INT_PTR h = Open(dir / "t.tmp", _O_CREAT | _O_RDWR | _O_TEMPORARY | _O_SHORT_LIVED | _O_BINARY, err);
    ASSERT_NE(h, -1);
    WriteThrough(h, "scratch");
    EXPECT_TRUE(Exists(dir / "t.tmp"));
    Close(h);
    EXPECT_FALSE(Exists(dir / "t.tmp"));
}

TEST(CabOpenFile, SeekAndReadWorkThroughTheHandle)
{
    ScratchDir dir;
    WriteBytes(dir / "f.txt", "0123456789");
    int err;
    INT_PTR h = Open(dir / "f.txt", _O_RDONLY | _O_BINARY, err);
    ASSERT_NE(h, -1);
    EXPECT_EQ(CabIntf::CabSeekFile(h, 4, SEEK_SET, &err, nullptr), 4);
    EXPECT_EQ(CabIntf::CabSeekFile(h, -2, SEEK_END, &err, nullptr), 8);
    char buffer[8] = {};
    EXPECT_EQ(CabIntf::CabReadFile(h, buffer, 8, &err, nullptr), 2u);
    EXPECT_EQ(std::string(buffer, 2), "89");
    Close(h);
}

TEST(CabDeleteFile, DeletesAndReportsAMissingFile)
{
    ScratchDir dir;
    WriteBytes(dir / "f.txt", "x");
    std::string name = dir / "f.txt";
    int err = 0;
    EXPECT_EQ(CabIntf::CabDeleteFile(name.data(), &err, nullptr), 0);
    EXPECT_FALSE(Exists(name));
    EXPECT_EQ(CabIntf::CabDeleteFile(name.data(), &err, nullptr), -1);
    EXPECT_EQ(err, ERROR_FILE_NOT_FOUND);
}

// ---- CabGetOpenInfo and DOS times -------------------------------------------------

TEST(CabGetOpenInfo, GivesLocalDosTimeMaskedAttributesAndAReadableHandle)
{
    ScratchDir dir;
    std::string name = dir / "f.txt";
    WriteBytes(name, "payload");
    SetLocalLastWrite(name, 2015, 6, 17, 13, 45, 22);
    ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    USHORT date = 0, time = 0, attributes = 0;
    int err = 0;
    INT_PTR h = CabIntf::CabGetOpenInfo(name.data(), &date, &time, &attributes, &err, nullptr);
    ASSERT_NE(h, -1);
    EXPECT_EQ(date, ((2015 - 1980) << 9) | (6 << 5) | 17);
    EXPECT_EQ(time, (13 << 11) | (45 << 5) | 11);
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_ARCHIVE);  // 0x2000 is outside the 0x27 mask
    char buffer[16] = {};
    EXPECT_EQ(CabIntf::CabReadFile(h, buffer, sizeof buffer, &err, nullptr), 7u);
    Close(h);
    SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CabGetOpenInfo, ReadOnlyAndHiddenBitsAreKept)
{
    ScratchDir dir;
    std::string name = dir / "f.txt";
    WriteBytes(name, "payload");
    ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    USHORT date = 0, time = 0, attributes = 0;
    int err = 0;
    INT_PTR h = CabIntf::CabGetOpenInfo(name.data(), &date, &time, &attributes, &err, nullptr);
    ASSERT_NE(h, -1);
    // Wine reports every file with the archive bit; Windows keeps it as set.
    EXPECT_EQ(attributes & ~FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    Close(h);
    SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CabGetOpenInfo, A1970FileIsStoredAs1980)
{
    ScratchDir dir;
    std::string name = dir / "old.txt";
    WriteBytes(name, "old");
    SetLocalLastWrite(name, 1970, 1, 2, 3, 4, 5);
    USHORT date = 0xFFFF, time = 0xFFFF, attributes = 0;
    int err = 0;
    INT_PTR h = CabIntf::CabGetOpenInfo(name.data(), &date, &time, &attributes, &err, nullptr);
    ASSERT_NE(h, -1);
    Close(h);
    EXPECT_EQ(date, (0 << 9) | (1 << 5) | 1);
    EXPECT_EQ(time, 0);
}

TEST(CabGetOpenInfo, MissingFileGivesMinusOneWithError2)
{
    ScratchDir dir;
    std::string name = dir / "missing.txt";
    USHORT date, time, attributes;
    int err = 0;
    EXPECT_EQ(CabIntf::CabGetOpenInfo(name.data(), &date, &time, &attributes, &err, nullptr), -1);
    EXPECT_EQ(err, ERROR_FILE_NOT_FOUND);
}

TEST(DosDateTime, DatesPast2107AreClampedToTheLastStorableSecond)
{
    SYSTEMTIME st{};
    st.wYear = 2200;
    st.wMonth = 5;
    st.wDay = 5;
    FILETIME local;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
    USHORT date = 0, time = 0;
    CabIntf::LocalFileTimeToDosDateTime(local, date, time);
    EXPECT_EQ(date, ((2107 - 1980) << 9) | (12 << 5) | 31);
    EXPECT_EQ(time, (23 << 11) | (59 << 5) | 29);
}

// ---- Temporary files -------------------------------------------------------------

TEST(CabGetTempFile, GivesAFreeStcNameInTheTempFolderAndLeavesNoFile)
{
    char buffer[MAX_PATH] = {};
    ASSERT_TRUE(CabIntf::CabGetTempFile(buffer, sizeof buffer, nullptr));
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string name = buffer;
    EXPECT_EQ(name.compare(0, std::strlen(temp), temp), 0) << name;
    EXPECT_EQ(_strnicmp(name.c_str() + std::strlen(temp), "stc", 3), 0) << name;
    EXPECT_FALSE(Exists(name));
}

TEST(CabGetTempFile, TooSmallABufferFailsAndLeavesNoFile)
{
    int before = CountCabinetTempFiles();
    char buffer[8];
    EXPECT_FALSE(CabIntf::CabGetTempFile(buffer, sizeof buffer, nullptr));
    EXPECT_EQ(CountCabinetTempFiles(), before);
}

// ---- Loading the library -----------------------------------------------------------

class CabinetLoading : public ::testing::Test {
protected:
    void TearDown() override { CabIntf::SetCabinetLibraryPath(""); }
};

DWORD LoadError()
{
    try {
        CabIntf::LoadCabinetLibrary();
    } catch (const winlib::EOSError& e) {
        return e.Code();
    }
    return 0;
}

TEST_F(CabinetLoading, MissingLibraryFailsWith126EveryTime)
{
    ScratchDir dir;
    CabIntf::SetCabinetLibraryPath(dir / "cabinet.dll");
    EXPECT_EQ(LoadError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(CabIntf::CabinetLibraryLoaded());
    EXPECT_EQ(LoadError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(CabinetLoading, MissingEntryPointFailsWith127AndUnloadsThenTheSystemLibraryLoads)
{
    std::string stub = ModuleFolder() + "cabstub.dll";
    ASSERT_TRUE(Exists(stub)) << stub;
    CabIntf::SetCabinetLibraryPath(stub);
    EXPECT_EQ(LoadError(), ERROR_PROC_NOT_FOUND);
    EXPECT_FALSE(CabIntf::CabinetLibraryLoaded());
    EXPECT_EQ(GetModuleHandleA("cabstub.dll"), nullptr);

    CabIntf::SetCabinetLibraryPath("");
    EXPECT_EQ(LoadError(), 0u);
    EXPECT_TRUE(CabIntf::CabinetLibraryLoaded());
}

TEST_F(CabinetLoading, WrappersRefuseMissingContextsAndUnboundSlots)
{
    ScratchDir dir;
    EXPECT_FALSE(CabIntf::FCIFlushFolder(nullptr, nullptr, nullptr));  // whatever is loaded
    CabIntf::SetCabinetLibraryPath(dir / "cabinet.dll");               // nothing bound now
    char name[] = "x";
    EXPECT_FALSE(CabIntf::FCIAddFile(reinterpret_cast<HFCI>(1), name, name, FALSE, nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(CabIntf::FCIFlushCabinet(reinterpret_cast<HFCI>(1), FALSE, nullptr, nullptr));
    EXPECT_FALSE(CabIntf::FCIDestroy(reinterpret_cast<HFCI>(1)));
    EXPECT_FALSE(CabIntf::FDICopy(reinterpret_cast<HFDI>(1), name, name, 0, nullptr, nullptr, nullptr));
    EXPECT_FALSE(CabIntf::FDIDestroy(reinterpret_cast<HFDI>(1)));
}

}  // namespace
