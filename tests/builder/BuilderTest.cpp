// The package builder's promises, driven through its reporter: what a build leaves
// when it fails, is refused or is stopped (the old setup, no temporary files), the
// 2 GiB guard at its boundary, and the size texts. The layout of a built setup is
// checked with cabextract in builder_e2e.sh.
#include <gtest/gtest.h>

#include <functional>

#include "authoring/Builder.h"
#include "authoring/MainWindow.h"
#include "tests/format/TestFolder.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

using namespace setupformat;

namespace {

std::string Bytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

class TRecorder : public IBuildReporter {
public:
    std::vector<std::string> Messages, Statuses;
    int Polls = 0;
    std::function<bool(const TRecorder&)> StopWhen = [](const TRecorder&) { return false; };

    void Status(const std::string& text) override { Statuses.push_back(text); }
    void Progress(int) override {}
    void Message(const std::string& text) override { Messages.push_back(text); }
    bool PumpAndPoll() override
    {
        ++Polls;
        return StopWhen(*this);
    }
};

// A program folder with the templates, a source folder with two files (one in a
// subfolder) and an output folder holding an old setup.
class BuilderTest : public ::testing::Test {
protected:
    TTestFolder Program, Sources, Out;
    TBuildProject Project;
    TRecorder Reporter;
    std::string OldSetup = "old setup";

    void SetUp() override
    {
        CreateDirectoryA((Program / "Data").c_str(), nullptr);
        CreateDirectoryA((Program / "Languages").c_str(), nullptr);
        CreateDirectoryA((Sources / "sub").c_str(), nullptr);
        Program.Write("Data\\Engine2.dat", Bytes(4000, 1));
        Program.Write("Data\\Uninstall2.exe", Bytes(3000, 2));
        Program.Write("Languages\\English.lng", "[Messages]\r\n1=x\r\n");
        Project.ProgramFolder = Program.Path() + "\\";
        Project.Target = Out / "setup.exe";
        Out.Write("setup.exe", OldSetup);
        Project.SourceFolder = Sources.Path();
        Project.SourceFiles = {Sources.Write("a.txt", Bytes(5000, 3)), Sources.Write("sub\\b.bin", Bytes(7000, 4))};
        Project.ExistMode = "Overwrite";
        Project.Languages = {"English"};
        Project.WizardBitmap = Program.Write("w.bmp", Bytes(100, 5));
        Project.HeaderBitmap = Program.Write("h.bmp", Bytes(100, 6));
        Project.Uninstaller = true;
        Project.Script.Set("AppName", "Demo");
    }

    void ExpectOldSetupAndNoLeftovers(const TBuildResult& result)
    {
        EXPECT_EQ(TTestFolder::Read(Out / "setup.exe"), OldSetup);
        EXPECT_EQ(Out.List(), std::vector<std::string>{"setup.exe"});
        EXPECT_TRUE(result.WorkFolder.empty() || !winlib::DirectoryExists(result.WorkFolder)) << result.WorkFolder;
    }
};

TEST_F(BuilderTest, BuildReplacesTheOldSetupWithEngineCabinetsAndTrailer)
{
    TBuildResult result = RunBuild(Project, Reporter);
    ASSERT_EQ(result.Outcome, boBuilt) << (Reporter.Messages.empty() ? "" : Reporter.Messages[0]);
    std::string setup = TTestFolder::Read(Out / "setup.exe");
    EXPECT_EQ(result.Size, setup.size());
    EXPECT_EQ(setup.substr(0, 4000), TTestFolder::Read(Program / "Data\\Engine2.dat"));
    int cabinetLength = -1;
    ASSERT_TRUE(ParseTrailer(setup.data() + setup.size() - TrailerLength, TrailerLength, cabinetLength));
    EXPECT_EQ(setup.substr(setup.size() - TrailerLength - cabinetLength, 4), "MSCF");
    EXPECT_EQ(Out.List(), std::vector<std::string>{"setup.exe"});
    EXPECT_FALSE(result.WorkFolder.empty() || winlib::DirectoryExists(result.WorkFolder)) << result.WorkFolder;
    EXPECT_EQ(Reporter.Statuses.back(), "Packaging files...");
}

TEST_F(BuilderTest, MissingSourceFileIsReportedAndLeftOutAndTheBuildCompletesIncomplete)
{
    Project.SourceFiles.insert(Project.SourceFiles.begin(), Sources / "gone.txt");
    TBuildResult result = RunBuild(Project, Reporter);
    EXPECT_EQ(result.Outcome, boBuiltIncomplete);
    EXPECT_EQ(Reporter.Messages, std::vector<std::string>{"File not found:\r\n" + (Sources / "gone.txt")});
    EXPECT_NE(TTestFolder::Read(Out / "setup.exe"), OldSetup);
}

// Each refusal or failure names its cause and leaves the old setup alone.
TEST_F(BuilderTest, FailedOrRefusedBuildsKeepTheOldSetupAndLeaveNoTemporaryFiles)
{
    const std::string target = Out / "setup.exe";
    const std::string cannotCreate = "Cannot create file:\r\n" + target +
                                     "\r\n\r\nPlease select another location or filename for the setup file.";
    struct TCase {
        const char* Name;
        std::function<void(TBuildProject&)> Change;
        std::string Message;
    };
    const TCase cases[] = {
        {"target equals a source file", [&](TBuildProject& p) { p.SourceFiles.push_back(target); }, cannotCreate},
        {"target equals the project file (other case)",
         [&](TBuildProject& p) { p.ProjectFile = winlib::UpperCase(target); }, cannotCreate},
        {"missing engine template", [&](TBuildProject& p) { p.InstallLevel = 2; }, cannotCreate},
        {"missing language file", [&](TBuildProject& p) { p.Languages.push_back("Klingon"); },
         "Compressing file error:\r\n" + Program.Path() + "\\Languages\\Klingon.lng"},
        {"temp file named with a placeholder",
         [&](TBuildProject& p) {
             p.AdditionalFiles.push_back({p.SourceFiles[0], "<SetupTempDir>\\<AppName>.ini", "Overwrite", "Yes"});
         },
         "Compressing file error:\r\n" + (Sources / "a.txt") + "\r\n\r\nInvalid or duplicate file name: <AppName>.ini"},
        {"temp file named like the setup script",
         [&](TBuildProject& p) {
             p.AdditionalFiles.push_back({p.SourceFiles[0], "<SetupTempDir>\\QZSETUP.INI", "Overwrite", "Yes"});
         },
         "Compressing file error:\r\n" + (Sources / "a.txt") + "\r\n\r\nInvalid or duplicate file name: QZSETUP.INI"},
        {"row without a file name",
         [&](TBuildProject& p) { p.AdditionalFiles.push_back({p.SourceFiles[0], "<InstallDir>\\sub\\", "Overwrite", "Yes"}); },
         "Compressing file error:\r\n" + (Sources / "a.txt") + "\r\n\r\nInvalid or duplicate file name: "},
        {"temp file in a sub-folder",
         [&](TBuildProject& p) {
             p.AdditionalFiles.push_back({p.SourceFiles[0], "<SetupTempDir>\\sub\\x", "Overwrite", "Yes"});
         },
         "Compressing file error:\r\n" + (Sources / "a.txt") + "\r\n\r\nInvalid or duplicate file name: sub\\x"},
        {"missing additional file",
         [&](TBuildProject& p) { p.AdditionalFiles.push_back({Sources / "nope.dll", "<InstallDir>\\x.dll", "Skip", "Yes"}); },
         "Compressing file error:\r\n" + (Sources / "nope.dll")},
        {"script value with a line break", [&](TBuildProject& p) { p.Script.Set("AppName", "a\r\nb"); }, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBuildProject project = Project;
        c.Change(project);
        TRecorder reporter;
        TBuildResult result = RunBuild(project, reporter);
        EXPECT_EQ(result.Outcome, boFailed);
        ASSERT_EQ(reporter.Messages.size(), 1u);
        if (!c.Message.empty())
            EXPECT_EQ(reporter.Messages[0], c.Message);
        else
            EXPECT_NE(reporter.Messages[0].find("AppName"), std::string::npos) << reporter.Messages[0];
        ExpectOldSetupAndNoLeftovers(result);
    }
}

TEST_F(BuilderTest, FolderAtTheTargetPathIsRefusedBeforeAnythingIsWritten)
{
    Project.Target = Out / "folder.exe";
    CreateDirectoryA(Project.Target.c_str(), nullptr);
    TBuildResult result = RunBuild(Project, Reporter);
    EXPECT_EQ(result.Outcome, boFailed);
    ASSERT_EQ(Reporter.Messages.size(), 1u);
    EXPECT_EQ(Reporter.Messages[0].rfind("Cannot create file:\r\n" + Project.Target, 0), 0u);
    EXPECT_TRUE(winlib::DirectoryExists(Project.Target));
    RemoveDirectoryA(Project.Target.c_str());
    ExpectOldSetupAndNoLeftovers(result);
}

// The user presses Stop (and confirms) while the second file's first block is copied.
TEST_F(BuilderTest, StopDuringAFileCabinetEndsTheBuildWithTheOldSetupIntact)
{
    int pollsAtSecondFile = -1;
    Reporter.StopWhen = [&](const TRecorder& r) {
        if (pollsAtSecondFile < 0 && r.Statuses.back() == "Compressing: b.bin")
            pollsAtSecondFile = r.Polls;  // the poll before the file
        return pollsAtSecondFile >= 0 && r.Polls > pollsAtSecondFile;
    };
    TBuildResult result = RunBuild(Project, Reporter);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Outcome, boFailed);
    EXPECT_TRUE(Reporter.Messages.empty());
    ExpectOldSetupAndNoLeftovers(result);
}

TEST_F(BuilderTest, SetupReachingTheSizeLimitIsRefusedAndOneByteBelowItBuilds)
{
    ASSERT_EQ(RunBuild(Project, Reporter).Outcome, boBuilt);
    unsigned long long size = winlib::FileSize(Out / "setup.exe");
    Out.Write("setup.exe", OldSetup);

    Project.SizeLimit = size;  // the setup would be exactly the limit: one byte too many
    TRecorder refused;
    TBuildResult result = RunBuild(Project, refused);
    EXPECT_EQ(result.Outcome, boFailed);
    EXPECT_EQ(refused.Messages, std::vector<std::string>{"The setup file would exceed 2 GB:\r\n" + (Out / "setup.exe")});
    ExpectOldSetupAndNoLeftovers(result);

    Project.SizeLimit = size + 1;
    TRecorder built;
    EXPECT_EQ(RunBuild(Project, built).Outcome, boBuilt);
}

TEST(BuilderRules, FilesSizeIsTheEstimateClampedToTheLargestSigned32BitValue)
{
    EXPECT_EQ(ClampFilesSize(2147483647ULL), 2147483647);
    EXPECT_EQ(ClampFilesSize(2147483648ULL), 2147483647);
    EXPECT_EQ(ClampFilesSize(5ULL << 32), 2147483647);
    EXPECT_EQ(ClampFilesSize(403456), 403456);
}

TEST(BuilderRules, StoredNamesReplaceWhatCannotBeAFileName)
{
    EXPECT_EQ(StoredFileName("<InstallDir>\\<AppName>.ini"), "_AppName_.ini");
    EXPECT_EQ(StoredFileName("<InstallDir>\\bin\\tool.exe"), "tool.exe");
    EXPECT_TRUE(IsSetupTempRow("<setuptempdir>\\x.exe"));
    EXPECT_FALSE(IsSetupTempRow("<InstallDir>\\x.exe"));
}

TEST(BuilderRules, FormatSizeUsesTheLargestUnitWithTwoDecimalsAndAPoint)
{
    const std::pair<unsigned long long, const char*> cases[] = {
        {0, "0 Bytes"},           {1023, "1023 Bytes"},         {1024, "1.00 KB"},
        {5242880, "5.00 MB"},     {1ULL << 30, "1.00 GB"},      {1ULL << 40, "1024.00 GB"},
        {1536, "1.50 KB"},        {1073741823ULL, "1024.00 MB"},
    };
    for (const auto& [size, text] : cases)
        EXPECT_EQ(TForm1::FormatSize(size), text) << size;
}

}  // namespace
