// Message formatting, size and path texts, free space, opening documents and the
// clean-up of the setup temp folder.
#include <windows.h>
#include "winlib/Path.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "runtime/Placeholders.h"
#include "runtime/SharedRoutines.h"

using namespace phtest;

namespace {

// ---- FormatMessage1

TEST(FormatMessage1Test, EachPercentSTakesTheArgumentAndOtherPercentsStay)
{
    const struct { const char* format; const char* argument; const char* expected; } cases[] = {
        {"File not found:<#>%s", "C:\\x.txt", "File not found:\r\nC:\\x.txt"},
        {"%s and %s", "a", "a and a"},
        {"100%% %d %n %x %", "a", "100% %d %n %x %"},
        {"%S", "a", "a"},
        {"%s", "50%s<#>x", "50%s\r\nx"},
        {"no argument here", "a", "no argument here"},
        {"%", "a", "%"},
        {"%%s", "a", "%s"},
        {"", "a", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatMessage1(c.format, c.argument), c.expected) << c.format;
}

// ---- FormatByteSize

std::string WithUserSeparator(std::string text)
{
    char separator[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, separator);
    return text;
}

TEST(FormatByteSizeTest, PicksTheLargestUnitWithAWholeQuotient)
{
    const struct { long long bytes; const char* expected; } cases[] = {
        {0, "0 Byte(s)"},
        {1023, "1023 Byte(s)"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {1073741823LL, "1024.00 MB"},
        {1073741824LL, "1.00 GB"},
        {5000000000000LL, "4656.61 GB"},
        {-5, "-5 Byte(s)"},
        {-5000000000LL, "-5000000000 Byte(s)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatByteSize(c.bytes), WithUserSeparator(c.expected)) << c.bytes;
}

// ---- ShortenPath

TEST(ShortenPathTest, PathsOverSixtyCharactersKeepThreeLevelsAboveTheFile)
{
    std::string sixty = "C:\\a\\b\\c\\d\\" + std::string(60 - 11 - 4, 'f') + ".txt";
    ASSERT_EQ(sixty.size(), 60u);
    EXPECT_EQ(ShortenPath(sixty), sixty);

    std::string name = std::string(61 - 11 - 4, 'f') + ".txt";
    std::string sixtyOne = "C:\\a\\b\\c\\d\\" + name;
    ASSERT_EQ(sixtyOne.size(), 61u);
    EXPECT_EQ(ShortenPath(sixtyOne), "C:\\a\\b\\..\\" + name);

    std::string longName(70, 'n');
    EXPECT_EQ(ShortenPath("C:\\" + longName), "C:\\..\\" + longName);
}

// ---- GetDriveFreeSpace

TEST(GetDriveFreeSpaceTest, ExistingDriveHasSpaceAndAnUnmappedLetterGivesZero)
{
    EXPECT_GT(GetDriveFreeSpace('C'), 0);
    char unmapped = 0;
    for (char letter = 'Q'; letter <= 'Y' && unmapped == 0; ++letter) {
        std::string root = std::string(1, letter) + ":\\";
        if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR)
            unmapped = letter;
    }
    ASSERT_NE(unmapped, 0) << "no unmapped drive letter";
    EXPECT_EQ(GetDriveFreeSpace(unmapped), 0);
}

// ---- OpenDocument

std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string own = path;
    return own.substr(0, own.rfind('\\'));
}

std::string lastOpened;
void RecordOpen(const std::string& target) { lastOpened = target; }

TEST(OpenDocumentTest, ReplacedOpenerGetsTheTargetAndTheShellOpensAProgram)
{
    TDocumentOpener previous = SetDocumentOpener(&RecordOpen);
    OpenDocument("http://example.invalid/doc");
    EXPECT_EQ(lastOpened, "http://example.invalid/doc");
    SetDocumentOpener(previous);

    // The shell's default verb on a program runs it; the stub writes its marker beside itself.
    std::string stub = OwnFolder() + "\\placeholders_stub.exe";
    std::string marker = stub + ".ran";
    DeleteFileA(marker.c_str());
    OpenDocument(stub);
    bool ran = false;
    for (int i = 0; i < 600 && !ran; ++i) {  // bounded poll, up to 60 s
        ran = GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!ran)
            Sleep(100);
    }
    EXPECT_TRUE(ran) << marker;
    DeleteFileA(marker.c_str());
}

// ---- CleanupTemp

class CleanupTempTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetState(&fields);
        // A temp folder of our own, so no other test's log or setup folder is touched.
        base = MakeScratchDir(TempPathNoSlash(), "phclean");
        temp = std::make_unique<TTempOverride>(base);
        ASSERT_EQ(GetFolderPath(pkTempDir), base);
    }
    void TearDown() override
    {
        ::Setup() = TSetupState();
        temp.reset();
        winlib::DeleteTree(base);
    }
    // <TempDir>\QZTMPnnn as the start-up makes it.
    std::string MakeSetupFolder()
    {
        for (int n = 0; n < 1000; ++n) {
            char name[16];
            snprintf(name, sizeof name, "QZTMP%03d", n);
            std::string dir = base + "\\" + name;
            if (CreateDirectoryA(dir.c_str(), nullptr))
                return dir;
        }
        ADD_FAILURE() << "no free QZTMP name";
        return std::string();
    }
    static void WriteFile(const std::string& path, const std::string& text)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }
    static std::string ReadFile(const std::string& path)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "(missing)";
        char buffer[4096];
        DWORD read = 0;
        ::ReadFile(file, buffer, sizeof buffer, &read, nullptr);
        CloseHandle(file);
        return std::string(buffer, read);
    }
    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    TFakeFields fields;
    std::string base;
    std::unique_ptr<TTempOverride> temp;
};

TEST_F(CleanupTempTest, RemovesTheWholeTreeIncludingReadOnlyMembers)
{
    std::string dir = MakeSetupFolder();
    WriteFile(dir + "\\qzsetup.ini", "[Setup]\r\n");
    WriteFile(dir + "\\locked.txt", "x");
    SetFileAttributesA((dir + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA((dir + "\\sub").c_str(), nullptr);
    WriteFile(dir + "\\sub\\deep.txt", "y");
    SetFileAttributesA((dir + "\\sub\\deep.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((dir + "\\sub").c_str(), FILE_ATTRIBUTE_READONLY);
    ::Setup().SetupTempDir = dir;
    ::Setup().TempDirCreated = true;

    CleanupTemp();
    EXPECT_FALSE(Exists(dir));
    CleanupTemp();  // a second end of the setup is harmless
    EXPECT_FALSE(Exists(dir));
    EXPECT_TRUE(Exists(base));
}

TEST_F(CleanupTempTest, AFolderThisRunDidNotCreateIsLeftAlone)
{
    std::string dir = MakeSetupFolder();
    WriteFile(dir + "\\sentinel.txt", "other setup");
    ::Setup().SetupTempDir = dir;
    ::Setup().TempDirCreated = false;
    CleanupTemp();
    EXPECT_TRUE(Exists(dir + "\\sentinel.txt"));

    // Created by this run but not <TempDir>\QZTMPnnn: not ours either.
    std::string elsewhere = base + "\\Data";
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    WriteFile(elsewhere + "\\keep.txt", "k");
    for (const std::string& wrong : {elsewhere, std::string(), base, dir + "\\", base + "\\QZTMP12", base + "\\QZTMPabc"}) {
        ::Setup().SetupTempDir = wrong;
        ::Setup().TempDirCreated = true;
        CleanupTemp();
    }
    EXPECT_TRUE(Exists(elsewhere + "\\keep.txt"));
    EXPECT_TRUE(Exists(dir + "\\sentinel.txt"));
}

TEST_F(CleanupTempTest, AFolderLinkInsideIsRemovedWithoutEnteringIt)
{
    std::string outside = base + "\\outside";
    CreateDirectoryA(outside.c_str(), nullptr);
    WriteFile(outside + "\\precious.txt", "p");
    std::string dir = MakeSetupFolder();
    if (!CreateSymbolicLinkA((dir + "\\link").c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        winlib::DeleteTree(dir);
        GTEST_SKIP() << "no directory links here (error " << GetLastError() << ")";
    }
    ::Setup().SetupTempDir = dir;
    ::Setup().TempDirCreated = true;
    CleanupTemp();
    EXPECT_FALSE(Exists(dir));
    EXPECT_TRUE(Exists(outside + "\\precious.txt"));
}

TEST_F(CleanupTempTest, SavesTheLogUnderSlashLAndDeletesAnOldOneWithout)
{
    const std::string log = base + "\\QZSETUPLOG.TXT";
    ::Setup().LogSetup = true;
    LogLine("C:\\setup.exe");
    LogLine("App 1.0");
    CleanupTemp();
    EXPECT_EQ(ReadFile(log), "C:\\setup.exe\r\nApp 1.0\r\n");

    LogLine("third");
    CleanupTemp();  // replaces the file
    EXPECT_EQ(ReadFile(log), "C:\\setup.exe\r\nApp 1.0\r\nthird\r\n");

    ::Setup().LogSetup = false;
    CleanupTemp();
    EXPECT_FALSE(Exists(log));
    CleanupTemp();
    EXPECT_FALSE(Exists(log));
}

TEST_F(CleanupTempTest, ReleasesTheSetupFontBeforeDeletingTheFolder)
{
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string source = std::string(windows) + "\\Fonts\\tahoma.ttf";
    if (!Exists(source))
        GTEST_SKIP() << "no " << source;
    std::string dir = MakeSetupFolder();
    std::string font = dir + "\\setup.ttf";
    ASSERT_TRUE(CopyFileA(source.c_str(), font.c_str(), FALSE));
    AddFontResourceA(font.c_str());
    ::Setup().SetupTempDir = dir;
    ::Setup().TempDirCreated = true;
    ::Setup().SetupFontFile = font;
    CleanupTemp();
    EXPECT_EQ(::Setup().SetupFontFile, "");
    EXPECT_FALSE(Exists(dir));
}

}  // namespace
