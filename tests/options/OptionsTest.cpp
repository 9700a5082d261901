// The Options dialog: what OK writes, what Cancel restores, Help by F1, and the
// association repair, driven in-process with a registry home of its own.
#include <gtest/gtest.h>

#include "../mainwindow/MainWindowFixture.h"
#include "winlib/Application.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

class OptionsTest : public MainWindowTest {
protected:
    DWORD Stored(const char* name)
    {
        DWORD value = 0xDEAD;
        Settings(false).ReadInteger(name, value);
        return value;
    }
};

}  // namespace

TEST_F(OptionsTest, OkWritesTheSevenPreferences)
{
    TRecordingForm1& form = Start();
    TForm15& options = *Form15;
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        for (winlib::TCheckBox* box : {&options.CheckWizard, &options.CheckBox1, &options.CheckBox4, &options.CheckBox5,
                                       &options.CheckBox3, &options.CheckBox2})
            Toggle(*box);
        ChooseItem(options.ComboBox1, 2);
        Click(options.Button1);
    });
    form.ShowOptions();
    EXPECT_EQ(modal.Shown(), 1);
    const std::pair<const char*, DWORD> expected[] = {{"Wizard", 0},        {"OpenRecentProject", 1}, {"CheckUpdates", 1},
                                                      {"AutoUpdate", 0},    {"UpdateVersion", 1},     {"HiddenFiles", 0},
                                                      {"SelectFolderMode", 2}};
    for (const auto& [name, value] : expected)
        EXPECT_EQ(Stored(name), value) << name;
}

TEST_F(OptionsTest, CancelRestoresStoredValuesAndKeepsUnstoredOnes)
{
    Settings().WriteInteger("Wizard", 1);
    TRecordingForm1& form = Start();
    Settings().DeleteValue("OpenRecentProject");
    TForm15& options = *Form15;
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        Toggle(options.CheckWizard);  // stored: comes back
        Toggle(options.CheckBox1);    // not stored: stays
        Click(options.Button2);
    });
    form.ShowOptions();
    EXPECT_TRUE(options.CheckWizard.Checked());
    EXPECT_TRUE(options.CheckBox1.Checked());
    modal.Expect([&](winlib::TForm&) {
        EXPECT_EQ(options.PageControl1.ActivePage(), 1);  // the links, as the General page's link opens it
        Click(options.Button2);
    });
    form.ShowOptions(1);
}

TEST_F(OptionsTest, F1OpensTheOptionsHelpTopic)
{
    TRecordingForm1& form = Start();
    TShellRecorder shell;
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        PressKeyInLoop(Form15->CheckWizard.Handle(), VK_F1);
        winlib::ProcessMessages();
        Click(Form15->Button2);
    });
    form.ShowOptions();
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_NE(shell.Requests()[0].File.find("KInstaller.chm::/Description/5.html"), std::string::npos);
}

TEST_F(OptionsTest, AssociateDeletesTheUserChoiceAndStartsTheProgramElevated)
{
    const std::string userChoice =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zpf\\UserChoice";
    // The user's key is a key of the test's own, so Explorer's real choice is never touched.
    HKEY userRoot = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (base_ + "\\User").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &userRoot, nullptr),
              ERROR_SUCCESS);
    struct TRestoreRoot {
        HKEY Key;
        ~TRestoreRoot()
        {
            RegistryHome().Root = HKEY_CURRENT_USER;
            RegCloseKey(Key);
        }
    } restore{userRoot};
    RegistryHome().Root = userRoot;
    winlib::TRegistry user(userRoot, winlib::RegView::View64);
    ASSERT_EQ(user.OpenKey(userChoice, true), ERROR_SUCCESS);
    user.CloseKey();
    TRecordingForm1& form = Start();
    EXPECT_TRUE(Form15->Button10.Enabled());  // offered: Explorer has a choice of its own
    TShellRecorder shell;
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        Click(Form15->Button10);
        EXPECT_FALSE(Form15->Button10.Enabled());
        Click(Form15->Button2);
    });
    form.ShowOptions();
    EXPECT_FALSE(user.KeyExists(userChoice));
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_EQ(shell.Requests()[0].Verb, "runas");
    EXPECT_EQ(shell.Requests()[0].Parameters, "/SFA");
    EXPECT_EQ(shell.Requests()[0].File, ProgramPath());
}

TEST_F(OptionsTest, EveryControlOfBothTabsLiesInsideItsTab)
{
    Start();
    EXPECT_EQ(ControlsOutsideTheirParents(Form15->Handle()), std::vector<std::string>{});
}

TEST_F(OptionsTest, TypingAPrerequisiteLinkMarksTheProjectModified)
{
    TRecordingForm1& form = Start();
    AppState().ProjectModified = false;
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        ClickTab(Form15->PageControl1, 1);
        Type(Form15->Edit(6), "https://sql.example/x");
        Click(Form15->Button1);
    });
    form.ShowOptions();
    EXPECT_TRUE(AppState().ProjectModified);
}
