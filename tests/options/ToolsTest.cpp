// The Tools menu in-process: autorun.inf, the data-file rows, and the system
// shortcuts, with boxes, the folder browser and program starts answered or recorded.
#include <gtest/gtest.h>

#include "../mainwindow/MainWindowFixture.h"
#include "winlib/Path.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

class ToolsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        dir_ = winlib::GetTempDir() + "\\tools-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        winlib::DeleteTree(dir_);
        winlib::ForceDirectories(dir_ + "\\Out");
        winlib::ForceDirectories(dir_ + "\\Program\\Data");
        winlib::ForceDirectories(dir_ + "\\Source\\sub");
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        winlib::DeleteTree(dir_);
    }
    static void Write(const std::string& path, const std::string& bytes)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        DWORD written = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
    static std::string Read(const std::string& path)
    {
        std::string bytes;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return "<missing>";
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
        CloseHandle(h);
        return bytes;
    }
    std::string dir_;
};

}  // namespace

TEST_F(ToolsTest, AutorunNamesTheBuiltSetupOrWarnsBeforeABuild)
{
    TRecordingForm1& form = Start();
    form.EAppName.SetText("Demo");
    form.ESetupFile.SetText(dir_ + "\\Out\\<AppName>.exe");
    {
        TExpectBoxes boxes({IDOK});
        form.CreateAutorun1Click();
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "The project has not been built yet.");
        EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONWARNING));
    }
    EXPECT_EQ(Read(dir_ + "\\Out\\autorun.inf"), "<missing>");
    Write(dir_ + "\\Out\\Demo.exe", "MZ");
    TExpectBoxes boxes({IDOK});
    form.CreateAutorun1Click();
    EXPECT_EQ(Read(dir_ + "\\Out\\autorun.inf"), "[autorun]\r\nopen=Demo.exe\r\nicon=Demo.exe\r\n");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text,
              "File \"" + dir_ + "\\Out\\autorun.inf\" has been successfully created!\r\n\r\n"
              "AutoRun runs a setup program when a CD or DVD is inserted into a Windows-based system.\r\n"
              "You should place \"autorun.inf\" and \"Demo.exe\" files in the root directory of a CD or DVD.");
}

TEST_F(ToolsTest, DataFileRefusesWithoutArchiverOrSetupFolderAndAddsNothing)
{
    TRecordingForm1& form = Start();
    AppState().ProgramFolder = dir_ + "\\Program\\";
    form.ESetupFile.SetText(dir_ + "\\Out\\setup.exe");
    TShellRecorder shell;
    {
        TExpectBoxes boxes({IDOK});
        form.CreateDataFile1Click();
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "File not found:\r\n" + dir_ +
                                             "\\Program\\Data\\7za.exe\r\n\r\nPlease reinstall Tarvex Installer.");
    }
    Write(dir_ + "\\Program\\Data\\7za.exe", "MZ");
    form.ESetupFile.SetText(dir_ + "\\Missing\\setup.exe");
    {
        TExpectBoxes boxes({IDOK});
        form.CreateDataFile1Click();
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "Folder doesn't exist:\r\n\r\n" + dir_ + "\\Missing");
    }
    EXPECT_TRUE(shell.Requests().empty());
    EXPECT_EQ(form.ListFiles().Count(), 0);
}

TEST_F(ToolsTest, DataFileStartsTheArchiverAndAddsEachRowOnce)
{
    TRecordingForm1& form = Start();
    AppState().ProgramFolder = dir_ + "\\Program\\";
    Write(dir_ + "\\Program\\Data\\7za.exe", "MZ");
    Write(dir_ + "\\Source\\a.bin", std::string(1000, 'a'));
    Write(dir_ + "\\Source\\sub\\b.bin", std::string(24, 'b'));
    form.ESetupFile.SetText(dir_ + "\\Out\\setup.exe");
    form.ListView(TListId::Commands).Add({"<SETUPTEMPDIR>\\7ZA.exe", {"x", "Normal", "After Installation", "Yes", "All"}});
    TShellRecorder shell;
    TDialogResponder dialogs;
    for (int run = 0; run < 2; ++run) {
        dialogs.Choose({dir_ + "\\Source"});
        TExpectBoxes boxes({IDOK});
        form.CreateDataFile1Click();
        EXPECT_EQ(boxes.Boxes().at(0).Caption, "Create Data File");
    }
    ASSERT_EQ(shell.Requests().size(), 2u);
    EXPECT_EQ(shell.Requests()[0].File, dir_ + "\\Program\\Data\\7za.exe");
    EXPECT_EQ(shell.Requests()[0].Parameters,
              "a \"" + dir_ + "\\Out\\data.zip\" \"" + dir_ + "\\Source\\*\"");
    EXPECT_EQ(shell.Requests()[0].Folder, dir_ + "\\Program\\Data");
    EXPECT_EQ(dialogs.Requests().at(0).Title, "Select Source Folder:");
    EXPECT_EQ(form.DataFolderSize, 1024u);
    // The estimate counts the data folder, the archiver ("MZ") and the uninstaller.
    EXPECT_EQ(form.EstimateInstallSize(), 1024u + 2u + AppState().UninstallerSize);
    ASSERT_EQ(form.ListFiles().Count(), 1);
    EXPECT_EQ(form.ListFiles().Cell(0, 1), "<SetupTempDir>\\7za.exe");
    EXPECT_EQ(form.ListView(TListId::Commands).Count(), 1);  // the case-different row counts
    EXPECT_TRUE(form.CheckUninstaller.Checked());
    EXPECT_TRUE(form.CheckUninstallForce.Checked());
}

TEST_F(ToolsTest, SystemShortcutsOpenTheX86ProgramFolderAndProgramsAndFeatures)
{
    TRecordingForm1& form = Start();
    TShellRecorder shell;
    form.OpenProgramFilesfolder1Click();
    form.ControlPanelProgramsandFeatures1Click();
    ASSERT_EQ(shell.Requests().size(), 2u);
    EXPECT_EQ(shell.Requests()[0].File, "C:\\Program Files (x86)");
    EXPECT_EQ(shell.Requests()[1].File, "rundll32.exe");
    EXPECT_EQ(shell.Requests()[1].Parameters, "shell32.dll Control_RunDLL appwiz.cpl");
    EXPECT_FALSE(form.MainMenu().ItemEnabled(cmAddDownloader));
}

TEST_F(ToolsTest, DataFileStopsWhenTheOldArchiveIsHeld)
{
    TRecordingForm1& form = Start();
    AppState().ProgramFolder = dir_ + "\\Program\\";
    const std::string archive = dir_ + "\\Out\\data.zip";
    Write(dir_ + "\\Program\\Data\\7za.exe", "MZ");
    Write(archive, "old");
    form.ESetupFile.SetText(dir_ + "\\Out\\setup.exe");
    TDialogResponder dialogs;
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TShellRecorder shell;
    dialogs.Choose({dir_ + "\\Source"});
    TExpectBoxes boxes({IDOK, IDOK});
    form.CreateDataFile1Click();
    CloseHandle(held);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].Text.rfind("Cannot delete file:\r\n" + archive + "\r\n\r\n", 0), 0u)
        << boxes.Boxes()[1].Text;
    EXPECT_TRUE(shell.Requests().empty());
    EXPECT_EQ(Read(archive), "old");
    EXPECT_EQ(form.ListFiles().Count(), 0);
}
