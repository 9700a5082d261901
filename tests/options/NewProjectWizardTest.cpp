// The new-project wizard on real executables: what it proposes from their version
// resources, what OK writes into the main window, and the "Do not show" option.
#include <gtest/gtest.h>

#include "../mainwindow/MainWindowFixture.h"
#include "authoring/NewProjectWizard.h"
#include "winlib/Path.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

class NewProjectWizardTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        root_ = winlib::GetTempDir() + "\\wizard-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        winlib::DeleteTree(root_);
    }
    void TearDown() override
    {
        wizard_.reset();
        Form19 = nullptr;
        MainWindowTest::TearDown();
        winlib::DeleteTree(root_);
    }
    void Copy(const char* fixture, const std::string& relative)
    {
        std::string target = root_ + "\\" + relative;
        winlib::ForceDirectories(winlib::ExtractFilePath(target));
        ASSERT_TRUE(CopyFileA(fixture, target.c_str(), FALSE)) << fixture;
    }
    TForm19& Wizard(TRecordingForm1& form)
    {
        wizard_ = std::make_unique<TForm19>();
        wizard_->CreateForm(form.Handle());
        Form19 = wizard_.get();
        return *wizard_;
    }
    // Runs the wizard: the folder browser answers folder, then respond acts.
    void Run(TForm19& wizard, const std::string& folder, std::function<void()> respond)
    {
        TDialogResponder dialogs;
        dialogs.Choose({folder});
        TModalResponder modal;
        modal.Expect([&](winlib::TForm&) {
            Click(wizard.Button2);
            respond();
        });
        wizard.Execute();
    }
    std::string root_;
    std::unique_ptr<TForm19> wizard_;
};

}  // namespace

TEST_F(NewProjectWizardTest, OneExecutableIsProposedAndOkWritesTheProject)
{
    Copy(FIXTURE_DEMO, "Demo\\app.exe");
    TRecordingForm1& form = Start();
    form.ESetupFile.SetText("C:\\Users\\me\\Documents\\MySetup.exe");
    TForm19& wizard = Wizard(form);
    Run(wizard, root_ + "\\Demo", [&] {
        EXPECT_EQ(wizard.ComboBox1.Text(), "app.exe");
        EXPECT_EQ(wizard.Edit2.Text(), "Demo");
        EXPECT_EQ(wizard.Edit3.Text(), "1.0.2.5");
        EXPECT_EQ(wizard.Edit4.Text(), "Acme");
        EXPECT_EQ(wizard.Edit5.Text(), "http://www.acme.example/");
        Click(wizard.Button1);
    });
    EXPECT_EQ(form.EAppName.Text(), "Demo");
    EXPECT_EQ(form.EAppVersion.Text(), "1.0.2.5");
    EXPECT_EQ(form.ESupport.Text(), "http://www.acme.example/");
    EXPECT_EQ(form.ESetupFile.Text(), "C:\\Users\\me\\Documents\\setup-app.exe");
    EXPECT_EQ(form.ESourceFolder.Text(), root_ + "\\Demo");
    EXPECT_TRUE(form.CheckUninstaller.Checked());
    EXPECT_EQ(form.ComboExecutable.Text(), "<InstallDir>\\app.exe");
}

TEST_F(NewProjectWizardTest, WithoutVersionDataTheFolderNamesTheProduct)
{
    Copy(FIXTURE_PLAIN, "Tools\\bin\\plain.exe");
    Copy(FIXTURE_NOTRANSLATION, "Tools\\bare.exe");
    TRecordingForm1& form = Start();
    TForm19& wizard = Wizard(form);
    Run(wizard, root_ + "\\Tools", [&] {
        ASSERT_EQ(wizard.ComboBox1.Count(), 3);  // two executables: none chosen
        EXPECT_EQ(wizard.ComboBox1.Text(), "");
        for (int i = 1; i < 3; ++i) {
            ChooseItem(wizard.ComboBox1, i);
            EXPECT_EQ(wizard.Edit2.Text(), "Tools") << wizard.ComboBox1.Text();
            EXPECT_EQ(wizard.Edit5.Text(), "");
        }
        EXPECT_GE(wizard.ComboBox1.IndexOf("bin\\plain.exe"), 1);
        Click(wizard.Button3);
    });
    EXPECT_EQ(form.EAppName.Text(), "New Product");  // Cancel writes nothing
}

TEST_F(NewProjectWizardTest, DoNotShowTurnsTheWizardPreferenceOffOnAnyClose)
{
    TRecordingForm1& form = Start();
    TForm19& wizard = Wizard(form);
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        Toggle(wizard.CheckBox1);
        ::SendMessageA(wizard.Handle(), WM_CLOSE, 0, 0);  // the title bar's close
    });
    wizard.Execute();
    EXPECT_FALSE(Form15->CheckWizard.Checked());
    DWORD stored = 1;
    EXPECT_EQ(Settings(false).ReadInteger("Wizard", stored), ERROR_SUCCESS);
    EXPECT_EQ(stored, 0u);
}

TEST_F(NewProjectWizardTest, TurningTheWizardBackOnInOptionsUnticksDoNotShow)
{
    TRecordingForm1& form = Start();
    TForm19& wizard = Wizard(form);
    TModalResponder modal;
    for (bool wizardOn : {false, true})
        modal.Expect([&, wizardOn](winlib::TForm&) {
            if (Form15->CheckWizard.Checked() != wizardOn)
                Toggle(Form15->CheckWizard);
            Click(Form15->Button1);
        });
    form.ShowOptions();
    EXPECT_TRUE(wizard.CheckBox1.Checked());
    form.ShowOptions();
    modal.Expect([&](winlib::TForm&) {
        EXPECT_FALSE(wizard.CheckBox1.Checked());  // the next New offers it unticked
        Click(wizard.Button3);
    });
    form.NewProject();
    EXPECT_EQ(modal.Shown(), 3);
    EXPECT_TRUE(Form15->CheckWizard.Checked());
}

TEST_F(NewProjectWizardTest, HiddenExecutablesAreLeftOutAsOnTheFilesPage)
{
    for (const char* file : {"App\\app.exe", "App\\hidden.exe", "App\\Cache\\inner.exe"})
        Copy(FIXTURE_PLAIN, file);
    for (const char* hidden : {"App\\hidden.exe", "App\\Cache"})
        ASSERT_TRUE(SetFileAttributesA((root_ + "\\" + hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));
    TRecordingForm1& form = Start();
    TForm19& wizard = Wizard(form);
    Run(wizard, root_ + "\\App", [&] {
        EXPECT_EQ(wizard.ComboBox1.Count(), 2);
        EXPECT_EQ(wizard.ComboBox1.Text(), "app.exe");
        Click(wizard.Button3);
    });
}

TEST_F(NewProjectWizardTest, CancelDuringTheFolderScanStopsItAndClosesTheWizard)
{
    Copy(FIXTURE_PLAIN, "Big\\app.exe");
    TRecordingForm1& form = Start();
    TForm19& wizard = Wizard(form);
    TDialogResponder dialogs;
    dialogs.Choose({root_ + "\\Big"});
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        PostMessageA(wizard.Button3.Handle(), BM_CLICK, 0, 0);  // pressed while the scan runs
        Click(wizard.Button2);
        EXPECT_EQ(wizard.ComboBox1.IndexOf("app.exe"), -1) << "the scan went on";
    });
    EXPECT_EQ(wizard.Execute(), winlib::mrCancel);
    EXPECT_EQ(form.EAppName.Text(), "New Product");
}
