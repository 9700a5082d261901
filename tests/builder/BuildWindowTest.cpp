// The "Building Setup" window driven as a user would: Stop answered No lets the
// build complete; Stop answered Yes ends it with the old setup intact; a box the
// build shows does not start a second build when the window is activated again; a
// stop while the compression workers run leaves no temporary file anywhere.
#include <gtest/gtest.h>

#include <memory>

#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "authoring/BuildWindow.h"
#include "cabinet/CabIntf.h"
#include "tests/format/TestFolder.h"
#include "winlib/testing/TestApi.h"

namespace {

std::string WindowsPath(std::string unixPath)
{
    for (char& c : unixPath)
        if (c == '/')
            c = '\\';
    return "Z:" + unixPath + "\\";
}

// Presses Stop at the first block of StopFile (b.txt, the second file); counts the builds.
class TStopAtSecondFile : public TForm5 {
public:
    bool PressStop = true;
    std::string StopFile = "b.txt";
    int Builds = 0;

    void Status(const std::string& text) override
    {
        Builds += text == "Preparing..." ? 1 : 0;
        TForm5::Status(text);
    }
    bool PumpAndPoll() override
    {
        if (PressStop && Label1.Text() == "Compressing: " + StopFile && ++pollsInSecondFile_ == 2)
            winlib::testing::Click(Button2);
        return TForm5::PumpAndPoll();
    }

private:
    int pollsInSecondFile_ = 0;
};

class BuildWindowTest : public ::testing::Test {
protected:
    TTestFolder Dir;
    std::unique_ptr<TForm15> form15_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TStopAtSecondFile> form5_;
    const std::string OldSetup = "old setup";

    void SetUp() override
    {
        RegistryHome().Base = "Software\\KinTests\\BuildWindow";
        AppState() = TAppState{};
        Parameters().clear();
        CreateDirectoryA((Dir / "files").c_str(), nullptr);
        std::string big(300000, 'x');
        for (size_t i = 0; i < big.size(); ++i)
            big[i] = static_cast<char>('a' + (i * 7919 % 26));
        Dir.Write("files\\a.txt", big);
        Dir.Write("files\\b.txt", big);
        Dir.Write("Setup.exe", OldSetup);
        std::string dist = WindowsPath(KIN_DIST_DIR);
        Dir.Write("p.zpf", "[Setup]\r\nVersion=5.4\r\nGUID={1A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C8D}\r\nAppName=Window Test\r\n"
                           "AppVersion=1.0\r\nSetupFile=" + (Dir / "Setup.exe") + "\r\nWizardBitmap=" + dist +
                           "Bitmaps\\Wizard\\00.bmp\r\nHeaderBitmap=" + dist + "Bitmaps\\Header\\00.bmp\r\nAdmin=1\r\n"
                           "InstallationPath=<ProgramFiles>\\<AppName>\r\nSourceFolder=" + (Dir / "files") +
                           "\r\nDefaultLanguage=English\r\nProgramGroup=<AppName>\r\n[Languages]\r\nEnglish=\r\n");
        form15_ = std::make_unique<TForm15>();
        form15_->CreateForm(nullptr);
        Form15 = form15_.get();
        form1_ = std::make_unique<TForm1>();
        Form1 = form1_.get();
        ASSERT_TRUE(form1_->CreateForm());
        form1_->SetMainForm(false);
        AppState().ProgramFolder = dist;  // the engines, languages and pictures of the build
        form1_->LanguagesRefreshClick();
        form5_ = std::make_unique<TStopAtSecondFile>();
        form5_->CreateForm(form1_->Handle());
        Form5 = form5_.get();
        winlib::testing::TExpectBoxes noBoxes;
        ASSERT_TRUE(form1_->LoadProject(Dir / "p.zpf", false));
        ASSERT_TRUE(form1_->ValidateProject());
    }
    void TearDown() override
    {
        form5_.reset();
        form1_.reset();
        form15_.reset();
        Form1 = nullptr;
        Form15 = nullptr;
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KinTests\\BuildWindow");
        AppState() = TAppState{};
    }
};

TEST_F(BuildWindowTest, StopAnsweredNoLetsTheBuildCompleteAndCloseEndsTheWindow)
{
    winlib::testing::TExpectBoxes boxes({IDNO});
    winlib::testing::TModalResponder responder;
    responder.Expect([](winlib::TForm& form) {
        auto& window = static_cast<TForm5&>(form);
        EXPECT_EQ(window.Button2.Text(), "Close");
        EXPECT_TRUE(window.Button1.Visible());
        EXPECT_EQ(window.Label1.Text().rfind("Completed!\tFile size: ", 0), 0u);
        winlib::testing::Click(window.Button2);
    });
    form5_->ShowModal();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "Are you sure you want to stop the build process?");
    EXPECT_NE(TTestFolder::Read(Dir / "Setup.exe"), OldSetup);
    EXPECT_TRUE(form1_->MainMenu().ItemEnabled(cmTest));
}

TEST_F(BuildWindowTest, StopAnsweredYesEndsTheBuildWithTheOldSetupIntact)
{
    winlib::testing::TExpectBoxes boxes({IDYES});
    EXPECT_EQ(form5_->ShowModal(), winlib::mrCancel);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(TTestFolder::Read(Dir / "Setup.exe"), OldSetup);
    EXPECT_EQ(Dir.List().size(), 3u);  // files, Setup.exe, p.zpf: no temporary package
    EXPECT_FALSE(form1_->MainMenu().ItemEnabled(cmTest));
}

// The temp folder is the test's own, so whatever the build leaves there is seen;
// the compressions' temporary files in memory must be gone too.
TEST_F(BuildWindowTest, StopWhileWorkersCompressLeavesTheOldSetupAndNoTemporaryFile)
{
    std::string temp = Dir / "temp";
    CreateDirectoryA(temp.c_str(), nullptr);
    std::string text;
    for (unsigned x = 1; text.size() < 1500000; x = x * 1103515245u + 12345u)
        text += "word" + std::to_string(x >> 20) + (x % 7 == 0 ? "\r\n" : " ");
    for (int i = 0; i < 16; ++i)
        Dir.Write("files\\c" + std::to_string(10 + i) + ".txt", std::to_string(i) + text);
    {
        winlib::testing::TExpectBoxes noBoxes;
        Dir.Write("q.zpf", TTestFolder::Read(Dir / "p.zpf"));  // loaded again: the folder is scanned anew
        ASSERT_TRUE(form1_->LoadProject(Dir / "q.zpf", false));
    }
    form5_->StopFile = "c11.txt";  // the fourth file: the workers are busy with the files after it
    char oldTmp[MAX_PATH] = {}, oldTemp[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", oldTmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", oldTemp, MAX_PATH);
    SetEnvironmentVariableA("TMP", temp.c_str());
    SetEnvironmentVariableA("TEMP", temp.c_str());
    winlib::testing::TExpectBoxes boxes({IDYES});
    int result = form5_->ShowModal();
    SetEnvironmentVariableA("TMP", oldTmp[0] != 0 ? oldTmp : nullptr);
    SetEnvironmentVariableA("TEMP", oldTemp[0] != 0 ? oldTemp : nullptr);
    EXPECT_EQ(result, winlib::mrCancel);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(TTestFolder::Read(Dir / "Setup.exe"), OldSetup);
    EXPECT_EQ(Dir.List().size(), 5u);  // files, temp, Setup.exe, p.zpf, q.zpf: no temporary package
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((temp + "\\*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        std::string name = found.cFileName;
        EXPECT_TRUE(name == "." || name == "..") << "left in the temp folder: " << name;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_EQ(CabIntf::MemoryTempFileCount(), 0u) << "compression files left in memory";
}

TEST_F(BuildWindowTest, BoxDuringTheBuildDoesNotStartASecondBuild)
{
    form5_->PressStop = false;
    DeleteFileA((Dir / "files\\a.txt").c_str());  // scanned at load, gone at build time
    winlib::testing::TExpectBoxes boxes({IDOK});
    winlib::testing::TModalResponder responder;
    responder.Expect([](winlib::TForm& form) { winlib::testing::Click(static_cast<TForm5&>(form).Button2); });
    form5_->ShowModal();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "File not found:\r\n" + (Dir / "files\\a.txt"));
    EXPECT_EQ(boxes.Boxes()[0].Caption, "");  // the system's own title, as every other box
    EXPECT_EQ(form5_->Builds, 1);
    EXPECT_NE(TTestFolder::Read(Dir / "Setup.exe"), OldSetup);
}

}  // namespace
