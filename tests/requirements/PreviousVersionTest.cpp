// The previous-version step on a fake registry and process list, with the
// installed copy's Uninstall.exe and Uninstall.ini as real files.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/Form1.h"
#include "runtime/Placeholders.h"
#include "runtime/Seams.h"
#include "tests/requirements/Support.h"
#include "winlib/StringList.h"

using namespace requirements_test;

namespace {

const char Guid[] = "{0A1B2C3D-0000-4000-8000-00000000AAAA}";
const std::string UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class PreviousVersionTest : public TMachineTest {
protected:
    TForm1 form_;
    std::string folder_, uninstaller_;

    void SetUp() override
    {
        TMachineTest::SetUp();
        ASSERT_TRUE(form_.Create(GetModuleHandleA(nullptr))) << GetLastError();
        form_.SetCaption("App Setup");
        ::Setup().Fields = &form_;
        ::Setup().InstallLevel = 0;  // the entry lives in HKCU
        Set("GUID", Guid);
        Set("AppVersion", "2.0");
        Set("WebSite", "http://example.invalid/");
        folder_ = ScratchName("installed");
        CreateDirectoryA(folder_.c_str(), nullptr);
        uninstaller_ = folder_ + "\\Uninstall.exe";
        machine.FakeRegistry = true;
    }

    void TearDown() override
    {
        DeleteFileA(uninstaller_.c_str());
        DeleteFileA((folder_ + "\\Uninstall.ini").c_str());
        RemoveDirectoryA(folder_.c_str());
        TMachineTest::TearDown();
    }

    // An installed copy of version (none: no Uninstall.ini) registered under name.
    void Install(const std::string& version, const std::string& name = Guid)
    {
        FILE* f = std::fopen(uninstaller_.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fclose(f);
        if (!version.empty())
            winlib::TIniFile(folder_ + "\\Uninstall.ini").WriteString("General", "AppVersion", version);
        Register(name, uninstaller_);
    }
    void Register(const std::string& name, const std::string& uninstallString)
    {
        machine.Keys[TFakeMachine::KeyName(HKEY_CURRENT_USER, winlib::RegView::View32,
                                           UninstallKey + name)]
                    ["UninstallString"] = uninstallString;
    }
    // The uninstaller removes the copy when it runs.
    void UninstallerRemovesCopy()
    {
        machine.OnRun = [&](const std::string&) { DeleteFileA(uninstaller_.c_str()); };
    }
    int Check() { return Outcome([&] { CheckPreviousVersion(form_); }); }
};

TEST_F(PreviousVersionTest, GuidKeyWinsAndSameVersionAsksWithNoAsDefault)
{
    Set("AppVersion", "1.0");
    Install("1.0");
    Register("App", "C:\\elsewhere\\Uninstall.exe");
    machine.Answers = {IDNO};
    EXPECT_EQ(Check(), secOk);
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{"M30: App 1.0 1.0?"});
    EXPECT_EQ(machine.Boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
    EXPECT_EQ(machine.Boxes[0].Caption, "App Setup");
    EXPECT_TRUE(machine.Runs.empty());
}

TEST_F(PreviousVersionTest, CopyKnownOnlyByItsAppNameIsFoundAndAskedWithYesAsDefault)
{
    Install("1.0", "App");
    UninstallerRemovesCopy();
    machine.Answers = {IDYES};
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"M11: App 1.0"});
    EXPECT_EQ(machine.Boxes[0].DefaultButton(), 0);
    EXPECT_EQ(machine.Runs, std::vector<std::string>{uninstaller_ + "|"});

    Install("1.0", "App");
    machine.Boxes.clear();
    machine.Answers = {IDNO};
    EXPECT_EQ(Check(), secOk);
}

TEST_F(PreviousVersionTest, PromptUninstallOffRunsNothing)
{
    Set("PromptUninstall", "0");
    Install("1.0");
    EXPECT_EQ(Check(), -1);
    EXPECT_TRUE(machine.Runs.empty());
    EXPECT_TRUE(machine.Boxes.empty());
}

TEST_F(PreviousVersionTest, SilentSetupPassesSlashSAndWaitsForTheRelaunchedUninstaller)
{
    ::Setup().SilentSetup = true;
    Install("3.0");  // newer than this setup: no question when silent
    UninstallerRemovesCopy();
    int looks = 0;
    machine.Running = [&](const std::string& name) { EXPECT_EQ(name, "QZUninstall.exe"); return ++looks <= 2; };
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(machine.Runs, std::vector<std::string>{uninstaller_ + "|/S"});
    EXPECT_EQ(machine.Sleeps, (std::vector<DWORD>{500, 500, 300}));
    EXPECT_TRUE(machine.Boxes.empty());
}

TEST_F(PreviousVersionTest, PromptSilentUninstallAlsoPassesSlashS)
{
    Set("PromptSilentUninstall", "1");
    Install("1.0");
    UninstallerRemovesCopy();
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(machine.Runs, std::vector<std::string>{uninstaller_ + "|/S"});
}

TEST_F(PreviousVersionTest, StubbornUninstallerRunsExactlyThreeTimesThenTheSetupGoesOn)
{
    ::Setup().SilentSetup = true;
    Install("1.0");
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(machine.Runs.size(), 3u);
    EXPECT_EQ(::Setup().LogList, std::vector<std::string>{"Error uninstall: " + uninstaller_});
}

TEST_F(PreviousVersionTest, EndlessRelaunchedUninstallerStopsTheWaitAtItsBound)
{
    ::Setup().SilentSetup = true;
    Install("1.0");
    machine.Running = [](const std::string&) { return true; };
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(machine.Runs.size(), 1u);
    EXPECT_EQ(machine.Clock, 300000u);
    EXPECT_EQ(::Setup().LogList, std::vector<std::string>{"Error uninstall: " + uninstaller_});
}

TEST_F(PreviousVersionTest, RelativeUninstallStringIsNoCopy)
{
    Register(Guid, "Uninstall.exe");
    EXPECT_EQ(Check(), -1);
    Set("InstallMode", "1");
    ::Setup().SilentSetup = true;
    EXPECT_EQ(Check(), secOk);  // upgrade finds nothing to upgrade
    EXPECT_TRUE(machine.Runs.empty());
}

TEST_F(PreviousVersionTest, UpgradeRangeIsInclusive)
{
    Set("InstallMode", "1");
    Set("CheckVersions", "1");
    Set("CheckMinVer", "1.0");
    Set("CheckMaxVer", "2.0");
    const struct {
        const char* Installed;
        bool Accepted;
    } cases[] = {{"1.0", true}, {"2.0", true}, {"0.9", false}, {"2.1", false}, {"", false}};
    for (const auto& c : cases) {
        DeleteFileA((folder_ + "\\Uninstall.ini").c_str());
        Install(c.Installed);
        machine.Boxes.clear();
        machine.Answers = {IDOK};
        EXPECT_EQ(Check(), c.Accepted ? -1 : secOk) << c.Installed;
        EXPECT_EQ(BoxTexts(), c.Accepted ? std::vector<std::string>{} : std::vector<std::string>{"M25: App 1.0..2.0"})
            << c.Installed;
    }
    EXPECT_EQ(::Setup().LogList.back().rfind("Error upgrade: ", 0), 0u);
}

TEST_F(PreviousVersionTest, UpgradeWithoutCopyShowsTheWebSiteUnlessSilentAndEndsWithZero)
{
    Set("InstallMode", "1");
    machine.Answers = {IDOK};
    EXPECT_EQ(Check(), secOk);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"M25: App\r\n\r\nhttp://example.invalid/"});
    ::Setup().SilentSetup = true;
    EXPECT_EQ(Check(), secOk);
    EXPECT_EQ(machine.Boxes.size(), 1u);
}

TEST_F(PreviousVersionTest, UpgradeLocksTheOldFolderAndItsStartMenuGroup)
{
    Set("InstallMode", "1");
    Install("1.0");
    form_.Edit1.SetText("C:\\Other");
    std::string programs = ExpandPlaceholders("<ProgramsMenu>");
    const struct {
        std::string Recorded;
        std::string Group;  // "" : the Start-menu page stays as it was
    } cases[] = {
        {programs + "\\My Group", "My Group"},
        {winlib::UpperCase(programs) + "\\Sub\\Group", "Sub\\Group"},
        {"D:\\Elsewhere\\Group", ""},
        {programs + "\\ab", ""},
    };
    for (const auto& c : cases) {
        winlib::TIniFile(folder_ + "\\Uninstall.ini").WriteString("General", "ProgramGroupDir", c.Recorded);
        form_.ComboBox1.Clear();
        form_.ComboBox1.Enable(true);
        form_.CheckBox2.Enable(true);
        EXPECT_EQ(Check(), -1);
        EXPECT_EQ(form_.Edit1.Text(), folder_);
        EXPECT_FALSE(form_.Edit1.Enabled());
        EXPECT_FALSE(form_.Button4.Enabled());
        EXPECT_EQ(form_.ComboBox1.Items(), c.Group.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Group})
            << c.Recorded;
        EXPECT_EQ(form_.ComboBox1.Enabled(), c.Group.empty()) << c.Recorded;
        EXPECT_EQ(form_.CheckBox2.Enabled(), c.Group.empty()) << c.Recorded;
    }
}

}  // namespace
