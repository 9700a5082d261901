// The start-up run in-process on packages made from the fixture files: switches,
// the state and controls it sets, and its ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "cabinet/CabWriter.h"
#include "runtime/Form1.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "tests/startup/TestFiles.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

using namespace startup_test;

namespace {

const std::string Fixtures = STARTUP_FIXTURES_DIR;

// What EndSetup does in these tests instead of ending the process.
struct TSetupEnded {
    int Code;
};

void ThrowEnded(int code) { throw TSetupEnded{code}; }

// A package: 400,000 bytes standing in for the engine, qzsetup.cab made from the
// fixture files (script = the named .ini), and the trailer.
std::string MakePackage(const std::string& script, const std::vector<std::string>& languages = {"English"})
{
    std::string cabinet = ScratchName("qzsetup") + ".cab";
    {
        TSTCabWriter writer;
        writer.Open(cabinet);
        writer.AddFile(Fixtures + "\\" + script, "qzsetup.ini", false);
        for (const std::string& language : languages)
            writer.AddFile(Fixtures + "\\" + language + "qz.lng", language + "qz.lng", false);
        writer.AddFile(Fixtures + "\\qzwizard.bmp", "qzwizard.bmp", false);
        writer.AddFile(Fixtures + "\\qzheader.bmp", "qzheader.bmp", false);
        writer.Close(true);
    }
    std::string cab = ReadWholeFile(cabinet);
    DeleteFileA(cabinet.c_str());
    std::string package = ScratchName("setup") + ".exe";
    WriteWholeFile(package, std::string(400000, '\0') + cab + Trailer(Digits10(static_cast<long long>(cab.size()))));
    return package;
}

class StartupRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::Setup() = TSetupState();
        SetProcessExit(ThrowEnded);
        ASSERT_TRUE(form_.Create(GetModuleHandleA(nullptr))) << GetLastError();
    }

    void TearDown() override
    {
        CleanupTemp();
        SetProcessExit(nullptr);
        for (const std::string& f : files_)
            DeleteFileA(f.c_str());
    }

    // Runs the start-up on a package; returns -1 when it returned for the wizard,
    // else the exit code it ended with.
    int Run(const std::string& package, const std::string& arguments)
    {
        files_.push_back(package);
        ::Setup().SetupExe = package;
        ::Setup().Params = SplitCommandLine("\"" + package + "\" " + arguments);
        try {
            RunStartup(form_);
            return -1;
        } catch (const TSetupEnded& ended) {
            return ended.Code;
        }
    }

    TForm1 form_;
    std::vector<std::string> files_;
};

TEST_F(StartupRun, FolderAfterPSwitchBeatsInstallationPath)
{
    ASSERT_EQ(Run(MakePackage("full.ini"), "/p \"C:\\Other Dir\\\""), -1);
    EXPECT_EQ(form_.Edit1.Text(), "C:\\Other Dir\\");
    EXPECT_FALSE(form_.Edit1.Modified());
}

TEST_F(StartupRun, LastParameterPSwitchKeepsInstallationPath)
{
    ASSERT_EQ(Run(MakePackage("full.ini"), "/P"), -1);
    EXPECT_EQ(form_.Edit1.Text(), "C:\\Default Dir");
}

TEST_F(StartupRun, WithoutDialogKeysOnlyTheInstallingPageIsOn)
{
    ASSERT_EQ(Run(MakePackage("basic.ini"), ""), -1);
    const TSetupState& s = ::Setup();
    for (int page = wpLanguage; page <= wpReady; ++page)
        EXPECT_FALSE(s.PageEnabled[page]) << "page " << page;
    EXPECT_TRUE(s.PageEnabled[wpInstalling]);
    EXPECT_FALSE(s.PageEnabled[wpFinished]);
    EXPECT_EQ(s.SetupTitle, "App 1.0");
    EXPECT_EQ(form_.Caption(), "App Setup");
    EXPECT_FALSE(s.SilentSetup);
    EXPECT_FALSE(s.LogSetup);
    EXPECT_TRUE(s.TempDirCreated);
    EXPECT_TRUE(winlib::DirectoryExists(s.SetupTempDir));
    EXPECT_EQ(s.SetupCabinetOffset, 400000);
}

TEST_F(StartupRun, TwoLanguagesTurnTheLanguagePageOnAndChooseTheDefault)
{
    ASSERT_EQ(Run(MakePackage("full.ini", {"English", "German"}), ""), -1);
    EXPECT_TRUE(::Setup().PageEnabled[wpLanguage]);
    EXPECT_EQ(form_.ComboLng.Count(), 2);
    EXPECT_EQ(form_.ComboLng.Text(), "German");
    EXPECT_EQ(form_.Caption(), "App Installation");
}

TEST_F(StartupRun, DesktopAndQuickLaunchShortcutsCheckTheirBoxes)
{
    ASSERT_EQ(Run(MakePackage("full.ini"), ""), -1);
    EXPECT_TRUE(form_.CheckDesktop.Visible());
    EXPECT_TRUE(form_.CheckDesktop.Checked());
    EXPECT_TRUE(form_.CheckQuick.Visible());
    EXPECT_TRUE(form_.CheckQuick.Checked());
}

TEST_F(StartupRun, ExtensionsFormatTheAssociationBox)
{
    ASSERT_EQ(Run(MakePackage("full.ini"), ""), -1);
    EXPECT_EQ(form_.CheckAssociate.Text(), "Associate these file types: .pdf .txt");
    EXPECT_TRUE(form_.CheckAssociate.Visible());
    EXPECT_TRUE(form_.CheckAssociate.Checked());
}

TEST_F(StartupRun, WithoutShortcutsOrExtensionsTheTaskBoxesStayHidden)
{
    ASSERT_EQ(Run(MakePackage("basic.ini"), ""), -1);
    EXPECT_FALSE(form_.CheckDesktop.Visible());
    EXPECT_FALSE(form_.CheckQuick.Visible());
    EXPECT_FALSE(form_.CheckAssociate.Visible());
}

TEST_F(StartupRun, UserNameVariableFillsEUserAndUndefinedCustomInfoLeavesItEmpty)
{
    ASSERT_EQ(Run(MakePackage("full.ini"), ""), -1);
    EXPECT_EQ(form_.EUser.Text(), "Jane Doe");
    EXPECT_EQ(form_.ECompany.Text(), "");
    EXPECT_EQ(form_.ECustomInfo.Text(), "");
}

TEST_F(StartupRun, SilentRunEndsWithZeroAndRemovesItsFolder)
{
    EXPECT_EQ(Run(MakePackage("basic.ini"), "/s"), secOk);
    EXPECT_TRUE(::Setup().SilentSetup);
    EXPECT_FALSE(winlib::DirectoryExists(::Setup().SetupTempDir));
}

TEST_F(StartupRun, SilentInstallKeyMakesTheRunSilent)
{
    EXPECT_EQ(Run(MakePackage("silentinstall.ini"), ""), secOk);
}

TEST_F(StartupRun, SilentRunWithInstallErrorsEndsWithSeven)
{
    // A registry row of an unknown type fails without writing anything.
    EXPECT_EQ(Run(MakePackage("installerrors.ini"), "/S"), secInstallErrors);
    EXPECT_FALSE(winlib::DirectoryExists(::Setup().SetupTempDir));
}

TEST_F(StartupRun, EngineSizeBeyondTheCabinetEndsWithOne)
{
    EXPECT_EQ(Run(MakePackage("enginebeyond.ini"), "/S"), secCorruptPackage);
    EXPECT_FALSE(winlib::DirectoryExists(::Setup().SetupTempDir));
}

TEST_F(StartupRun, CorruptSetupShowsTheErrorBoxUnlessSilent)
{
    std::string package = ScratchName("short") + ".exe";
    WriteWholeFile(package, std::string(400012, 'x'));
    winlib::TBoxResponder boxes({IDOK});
    EXPECT_EQ(Run(package, ""), secCorruptPackage);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].Text, "The setup file is corrupt.\r\n\r\nError code: 1");
    EXPECT_EQ(boxes.Boxes()[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(::Setup().TempDirCreated);
}

TEST_F(StartupRun, CorruptSetupUnderSilentShowsNothing)
{
    std::string package = ScratchName("short") + ".exe";
    WriteWholeFile(package, std::string(400012, 'x'));
    winlib::TBoxResponder boxes({});
    EXPECT_EQ(Run(package, "/S"), secCorruptPackage);
    EXPECT_TRUE(boxes.Boxes().empty());
}

struct TSplitCase {
    const char* Line;
    std::vector<std::string> Params;
};

TEST(CommandLine, SplitsAtBlanksOutsideQuotesAndKeepsBackslashes)
{
    const TSplitCase cases[] = {
        {"setup.exe", {"setup.exe"}},
        {"\"C:\\My Setup\\setup.exe\" /S /L", {"C:\\My Setup\\setup.exe", "/S", "/L"}},
        {"s.exe /P \"C:\\A B\\\"", {"s.exe", "/P", "C:\\A B\\"}},
        {"s.exe /P \"C:\\A B\\\" /S", {"s.exe", "/P", "C:\\A B\\", "/S"}},
        {"s.exe   \t/s\t\t/n  ", {"s.exe", "/s", "/n"}},
        {"s.exe a\"b c\"d", {"s.exe", "ab cd"}},
        {"s.exe C:\\x\\\\ \"\"", {"s.exe", "C:\\x\\\\", ""}},
        {"", {}},
    };
    for (const TSplitCase& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(SplitCommandLine(c.Line), c.Params);
    }
}

TEST(CommandLine, FindSwitchMatchesWholeParametersIgnoringCase)
{
    ::Setup() = TSetupState();
    ::Setup().Params = {"/S", "/silent", "/l", "/P", "C:\\x"};
    EXPECT_EQ(FindSwitch("/S"), 0);  // parameter 0 is the program
    EXPECT_EQ(FindSwitch("/L"), 2);
    EXPECT_EQ(FindSwitch("/p"), 3);
    EXPECT_EQ(FindSwitch("/N"), 0);
}

TEST(SetupTempFolder, TakesTheNextFreeNameWrappingAfter999)
{
    std::string base = ScratchName("tempdir");
    ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((base + "\\QZTMP999").c_str(), nullptr));
    EXPECT_EQ(CreateSetupTempDir(base, 999), base + "\\QZTMP000");
    EXPECT_EQ(CreateSetupTempDir(base, 1999), base + "\\QZTMP001");
    winlib::DeleteTree(base);
}

TEST(SetupTempFolder, AllNamesTakenRaisesAndTouchesNothing)
{
    std::string base = ScratchName("tempdir");
    ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
    for (int i = 0; i < 1000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "\\QZTMP%03d", i);
        ASSERT_TRUE(CreateDirectoryA((base + name).c_str(), nullptr));
    }
    WriteWholeFile(base + "\\QZTMP500\\sentinel", "x");
    EXPECT_THROW(CreateSetupTempDir(base, 500), winlib::EOSError);
    EXPECT_EQ(ReadWholeFile(base + "\\QZTMP500\\sentinel"), "x");
    winlib::DeleteTree(base);
}

TEST(SetupTempFolder, MissingParentRaisesWithItsOsError)
{
    try {
        CreateSetupTempDir(ScratchName("nofolder") + "\\deeper", 1);
        ADD_FAILURE() << "made a folder under a missing parent";
    } catch (const winlib::EOSError& e) {
        EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }
}

}  // namespace
