// The Dialogs page's controls as the window makes them, and the check boxes that
// enable, check or clear others, driven by clicks.
#include <gtest/gtest.h>

#include "tests/dialogspage/DialogsPageFixture.h"
#include "winlib/testing/TestApi.h"

using winlib::testing::Click;
using winlib::testing::Toggle;

namespace {

// The path picker's answers, recorded.
class TFakePicker : public IPathPicker {
public:
    bool Answer = true;
    std::string Result = "<InstallDir>\\picked.exe";
    std::vector<std::string> Starts;
    bool Execute(const std::string& start, std::string& chosen) override
    {
        Starts.push_back(start);
        if (Answer)
            chosen = Result;
        return Answer;
    }
};

}  // namespace

// What the window shows before any project sets it: the eight pages on, the
// controls that depend on an unchecked box off.
TEST_F(DialogsPageTest, CreatedPageStartsWithEveryWizardPageOnAndTheDependentControlsOff)
{
    TForm1& f = Make();
    for (const winlib::TCheckBox* on : {&f.CheckBox28, &f.CheckBox29, &f.CheckBox30, &f.CheckBox31, &f.CheckBox32,
                                        &f.CheckBox33, &f.CheckBox34, &f.CheckBox35})
        EXPECT_TRUE(on->Checked() && on->Enabled()) << on->Text();
    EXPECT_FALSE(f.CheckSilent.Checked());
    for (const winlib::TControl* off : std::initializer_list<const winlib::TControl*>{
             &f.CheckAcceptAgg, &f.ListLicense, &f.ListReadme, &f.BLSpecify, &f.BREdit, &f.CheckUserNameReq,
             &f.CheckCompanyReq, &f.EQueryCustomName, &f.ELaunchProgram, &f.Button7, &f.CheckViewReadmeDef,
             &f.ECustomFinishName, &f.Button9})
        EXPECT_FALSE(off->Enabled()) << off->Text();
    EXPECT_EQ(f.ECustomFinishName.Text(), "Visit Web Site");
    EXPECT_EQ(f.CheckAcceptAgg.Text(), "Show the 'I accept the agreement' check box");
}

TEST_F(DialogsPageTest, SilentOnThenOffLeavesLicenseReadmeAndUserInformationUnchecked)
{
    TForm1& f = Open();
    Toggle(f.CheckSilent);
    const winlib::TCheckBox* pages[] = {&f.CheckBox28, &f.CheckBox29, &f.CheckBox30, &f.CheckBox31,
                                        &f.CheckBox32, &f.CheckBox33, &f.CheckBox34, &f.CheckBox35};
    for (const winlib::TCheckBox* box : pages) {
        EXPECT_FALSE(box->Checked()) << box->Text();
        EXPECT_FALSE(box->Enabled()) << box->Text();
    }
    EXPECT_FALSE(f.BLSpecify.Enabled());  // the licence box's own rule ran
    EXPECT_TRUE(f.IsModified());

    Toggle(f.CheckSilent);
    for (const winlib::TCheckBox* box : pages) {
        bool cleared = box == &f.CheckBox29 || box == &f.CheckBox30 || box == &f.CheckBox31;
        EXPECT_EQ(box->Checked(), !cleared) << box->Text();
        EXPECT_TRUE(box->Enabled()) << box->Text();
    }
}

TEST_F(DialogsPageTest, LicenseAndReadmeBoxesEnableTheirTabsControls)
{
    TForm1& f = Open();
    f.CheckBox29.SetChecked(false);
    f.CheckBox30.SetChecked(false);
    f.ClearModified();
    Toggle(f.CheckBox29);
    Toggle(f.CheckBox30);
    EXPECT_TRUE(f.CheckAcceptAgg.Enabled());
    EXPECT_TRUE(f.CheckAcceptAgg.Checked());
    for (const winlib::TControl* c : std::initializer_list<const winlib::TControl*>{
             &f.ListLicense, &f.BLSpecify, &f.BLEdit, &f.BLClear, &f.ListReadme, &f.BRSpecify, &f.BREdit, &f.BRClear})
        EXPECT_TRUE(c->Enabled()) << c->Text();
    EXPECT_TRUE(f.IsModified());

    Toggle(f.CheckBox29);
    EXPECT_FALSE(f.CheckAcceptAgg.Checked());
    EXPECT_FALSE(f.CheckAcceptAgg.Enabled());
    EXPECT_FALSE(f.BLClear.Enabled());
    EXPECT_TRUE(f.BRClear.Enabled());
}

TEST_F(DialogsPageTest, UserInformationRequiredBoxesFollowExceptCompanysAndClearWithThePage)
{
    TForm1& f = Open(tabUserInformation);
    f.CheckBox31.SetChecked(true);
    Toggle(f.CheckUserName);
    Toggle(f.CheckCompany);
    Toggle(f.CheckQueryCustom);
    EXPECT_TRUE(f.CheckUserNameReq.Checked());
    EXPECT_FALSE(f.CheckCompanyReq.Checked());
    EXPECT_TRUE(f.CheckCompanyReq.Enabled());
    EXPECT_TRUE(f.CheckQueryCustomReq.Checked());
    EXPECT_TRUE(f.EQueryCustomName.Enabled());

    f.CheckBox31.SetChecked(false);  // as Silent does: the chain runs from code too
    for (const winlib::TCheckBox* box : {&f.CheckUserName, &f.CheckCompany, &f.CheckQueryCustom, &f.CheckUserNameReq,
                                         &f.CheckCompanyReq, &f.CheckQueryCustomReq}) {
        EXPECT_FALSE(box->Checked()) << box->Text();
        EXPECT_FALSE(box->Enabled()) << box->Text();
    }
    EXPECT_FALSE(f.EQueryCustomName.Enabled());
}

TEST_F(DialogsPageTest, RestartClearsAndDisablesTheOtherFinishActionsAndGivesThemBackUnchecked)
{
    TForm1& f = Open(tabFinish);
    f.CheckRestart.SetChecked(false);
    Toggle(f.CheckLaunchProgram);
    Toggle(f.CheckViewReadme);
    Toggle(f.CheckCustomFinish);
    for (const winlib::TControl* c : std::initializer_list<const winlib::TControl*>{
             &f.ELaunchProgram, &f.Button7, &f.EViewReadme, &f.Button8, &f.ECustomFinishName,
             &f.ECustomFinishCommand, &f.Button9})
        EXPECT_TRUE(c->Enabled());
    for (const winlib::TCheckBox* def : {&f.CheckLaunchProgramDef, &f.CheckViewReadmeDef, &f.CheckCustomFinishDef})
        EXPECT_TRUE(def->Checked() && def->Enabled()) << def->Text();

    Toggle(f.CheckRestart);
    for (const winlib::TCheckBox* box : {&f.CheckLaunchProgram, &f.CheckViewReadme, &f.CheckCustomFinish,
                                         &f.CheckLaunchProgramDef, &f.CheckViewReadmeDef, &f.CheckCustomFinishDef}) {
        EXPECT_FALSE(box->Checked()) << box->Text();
        EXPECT_FALSE(box->Enabled()) << box->Text();
    }
    EXPECT_FALSE(f.ECustomFinishCommand.Enabled());

    Toggle(f.CheckRestart);
    for (const winlib::TCheckBox* box : {&f.CheckLaunchProgram, &f.CheckViewReadme, &f.CheckCustomFinish})
        EXPECT_TRUE(box->Enabled() && !box->Checked()) << box->Text();
}

TEST_F(DialogsPageTest, FinishBrowseButtonsTakeThePickedPathOnOkKeepTheTextOnCancelAndMarkModified)
{
    TForm1& f = Open(tabFinish);
    TFakePicker picker;
    f.PathPicker = &picker;
    f.CheckRestart.SetChecked(false);
    f.CheckLaunchProgram.SetChecked(true);
    f.CheckCustomFinish.SetChecked(true);
    f.ELaunchProgram.SetText("<InstallDir>\\a.exe");
    f.ClearModified();
    Click(f.Button7);
    EXPECT_EQ(f.ELaunchProgram.Text(), picker.Result);
    ASSERT_EQ(picker.Starts.size(), 1u);
    EXPECT_EQ(picker.Starts[0], "<InstallDir>\\a.exe");
    EXPECT_TRUE(f.IsModified());

    picker.Answer = false;
    f.ECustomFinishCommand.SetText("http://x.example/");
    f.ClearModified();
    Click(f.Button9);
    EXPECT_EQ(f.ECustomFinishCommand.Text(), "http://x.example/");
    EXPECT_TRUE(f.IsModified());
}
