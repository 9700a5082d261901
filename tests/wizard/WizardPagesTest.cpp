// The setup wizard driven as a user drives it: the language and font it starts
// with, pages 1-8 and their checks, the installing and finished pages, finish
// actions and cancel.
#include "tests/wizard/WizardFixture.h"

#include <commctrl.h>
#include <richedit.h>

using namespace wizard_test;
using winlib::testing::Click;
using winlib::testing::TExpectBoxes;
using winlib::testing::Toggle;
using winlib::testing::Type;

namespace {

LOGFONTA FontOf(const winlib::TControl& c)
{
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(c.Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

std::string RichText(const winlib::TRichEdit& box) { return winlib::TControl(box.Handle()).Text(); }

const char AllPages[] = "DialogWelcome=1\r\nDialogLicense=1\r\nDialogReadme=1\r\nDialogUserInfo=1\r\n"
                        "DialogDestinationFolder=1\r\nDialogProgramGroup=1\r\nDialogReady=1\r\nDialogFinish=1\r\n";

// ---- Language and font ----

TEST_F(WizardRun, AutoDetectionOnAGermanSystemBeatsTheDefault)
{
    fakes.LanguageId = 1031;
    ASSERT_EQ(Start("AutoDetectLanguage=1\r\nDialogWelcome=1\r\n", {"English", "Deutsch"}), -1);
    EXPECT_EQ(form_.ComboLng.Text(), "Deutsch");
    EXPECT_EQ(form_.Caption(), "Installation von App 1.0");
    EXPECT_EQ(form_.BtnNext.Text(), "&Weiter >");
    ASSERT_EQ(Page(), wpLanguage);
    winlib::testing::PressKey(form_.ComboLng.Handle(), VK_RETURN);  // Enter in the language list acts as Next
    EXPECT_EQ(Page(), wpWelcome);
}

TEST_F(WizardRun, AnAbsentDefaultWithoutAMatchSelectsTheFirstListed)
{
    fakes.LanguageId = 3079;  // Austrian German: no file carries it
    ASSERT_EQ(Start("DefaultLanguage=Fran\xE7" "ais\r\nAutoDetectLanguage=1\r\n", {"English", "Deutsch"}), -1);
    EXPECT_EQ(form_.ComboLng.Items(), (std::vector<std::string>{"Deutsch", "English"}));
    EXPECT_EQ(form_.ComboLng.Text(), "Deutsch");
}

TEST_F(WizardRun, ChangingTheLanguageRenewsCaptionsAndPageOneAndRechecksTheAssociationBox)
{
    ASSERT_EQ(Start("[Extensions]\r\n0=pdf*?A*?x\r\n1=txt*?B*?y\r\n", {"English", "Deutsch"}), -1);
    ASSERT_EQ(Page(), wpLanguage);
    EXPECT_EQ(form_.CheckAssociate.Text(), "&Associate these file types with the program: .pdf .txt");
    form_.CheckAssociate.SetChecked(false);
    winlib::testing::ChooseItem(form_.ComboLng, 0);
    EXPECT_EQ(form_.Caption(), "Installation von App 1.0");
    EXPECT_EQ(form_.BtnBack.Text(), "< &Zur\xFC" "ck");
    EXPECT_EQ(form_.BtnCancel.Text(), "Abbrechen");
    EXPECT_EQ(form_.Label1.Text(), "Sprache w\xE4hlen");
    EXPECT_TRUE(form_.CheckAssociate.Checked());
    EXPECT_EQ(GetFocus(), form_.ComboLng.Handle());
}

TEST_F(WizardRun, ALanguageSwitchOnTheLastPageBeforeInstallingKeepsTheInstallCaption)
{
    ASSERT_EQ(Start("", {"English", "Deutsch"}), -1);
    ASSERT_EQ(Page(), wpLanguage);
    EXPECT_EQ(form_.BtnNext.Text(), "&Install");
    winlib::testing::ChooseItem(form_.ComboLng, 0);
    EXPECT_EQ(form_.BtnNext.Text(), "&Installieren");
    winlib::testing::ChooseItem(form_.ComboLng, 1);
    EXPECT_EQ(form_.BtnNext.Text(), "&Install");
}

TEST_F(WizardRun, APackageWithoutLanguageFilesEndsWithCodeFour)
{
    TExpectBoxes boxes({IDOK});
    EXPECT_EQ(Start("", {}), 4);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "The setup file is corrupt.\r\n\r\nError code: 4");
    EXPECT_EQ(boxes.Boxes()[0].Caption, "Error");
}

TEST_F(WizardRun, SetupFontAndFontIniReachTheWindowTitlesAndCancel)
{
    std::string font = ReadWholeFile("Z:\\usr\\share\\wine\\fonts\\webdings.ttf");
    ASSERT_FALSE(font.empty()) << "fonts-wine is not installed";
    ASSERT_EQ(Start("DialogWelcome=1\r\nDialogLicense=1\r\n", {"English"},
                    {{"Webdings.ttf", font}, {"font.ini", "[Font]\r\nHeaderSize=14\r\nCharset=204\r\n"}}),
              -1);
    EXPECT_STREQ(FontOf(form_.Label1).lfFaceName, "Webdings");
    Click(form_.BtnNext);  // the licence page's controls are made now: they too get the font
    ASSERT_EQ(Page(), wpLicense);
    EXPECT_STREQ(FontOf(form_.Edit1).lfFaceName, "Webdings");
    EXPECT_LT(FontOf(form_.Label1).lfHeight, FontOf(form_.Text1).lfHeight);  // 14 pt against 8 pt
    EXPECT_EQ(FontOf(form_.Text1).lfHeight, FontOf(form_.Edit1).lfHeight);
    const winlib::TControl* controls[] = {&form_.Label1, &form_.Text1, &form_.BtnCancel, &form_.Label4};
    for (const winlib::TControl* c : controls)
        EXPECT_EQ(FontOf(*c).lfCharSet, 204);
}

TEST_F(WizardRun, ATextFileNamedAsAFontKeepsTheBuiltInFace)
{
    ASSERT_EQ(Start("DialogWelcome=1\r\n", {"English"}, {{"x.ttf", "not a font"}}), -1);
    EXPECT_STREQ(FontOf(form_.Label1).lfFaceName, "Tahoma");
    EXPECT_TRUE(::Setup().SetupFontFile.empty());
}

// ---- Pages 1-8 ----

TEST_F(WizardRun, OnlyDestinationAndReadyShowPageSixWithoutBackThenReadyWithTheInstallCaption)
{
    ASSERT_EQ(Start("DialogDestinationFolder=1\r\nDialogReady=1\r\nInstallationPath=C:\\Didu\r\n"), -1);
    ASSERT_EQ(Page(), wpDestination);
    EXPECT_FALSE(form_.BtnBack.Visible());
    EXPECT_EQ(form_.BtnNext.Text(), "&Next >");
    Click(form_.BtnNext);
    ASSERT_EQ(Page(), wpReady);
    EXPECT_EQ(form_.BtnNext.Text(), "&Install");
    EXPECT_EQ(form_.Memo1.Text(), "Destination folder:\r\n\tC:\\Didu\r\n\r\nStart Menu folder:\r\n\t\r\n");
    Click(form_.BtnBack);
    EXPECT_EQ(Page(), wpDestination);
}

TEST_F(WizardRun, AllPagesOffInstallAtOnceAndFinishWithoutAPage)
{
    ASSERT_EQ(Start("LaunchFile=1\r\nLaunchFileChecked=1\r\nLaunchFileName=<InstallDir>\\argv.exe /x\r\n"
                    "InstallationPath=C:\\Didu\r\n"),
              -1);
    winlib::testing::TShellRecorder shell;
    Pump();
    EXPECT_EQ(fakes.InstallRuns, 1);
    EXPECT_EQ(fakes.Ends, 1);
    EXPECT_FALSE(winlib::DirectoryExists(::Setup().SetupTempDir));
}

TEST_F(WizardRun, LicenceAcceptanceIsAskedOnEveryVisitAndTheDefaultLicenceShows)
{
    ASSERT_EQ(Start("DialogLicense=1\r\nDialogReadme=1\r\nAcceptAgreement=1\r\n", {"English"},
                    {{"L(Default).rtf", "{\\rtf1\\ansi Default licence\\par}"}, {"R(Default).rtf", "Plain readme"}}),
              -1);
    ASSERT_EQ(Page(), wpLicense);
    EXPECT_FALSE(form_.BtnNext.Enabled());
    EXPECT_NE(RichText(form_.RichEdit1).find("Default licence"), std::string::npos);
    Toggle(form_.CheckBox1);
    EXPECT_TRUE(form_.BtnNext.Enabled());
    Click(form_.BtnNext);
    ASSERT_EQ(Page(), wpReadme);
    EXPECT_NE(RichText(form_.RichEdit2).find("Plain readme"), std::string::npos);
    Click(form_.BtnBack);
    EXPECT_FALSE(form_.CheckBox1.Checked());
    EXPECT_FALSE(form_.BtnNext.Enabled());
}

TEST_F(WizardRun, WithoutAcceptanceTheNoticeShowsAndNextReadsAgree)
{
    ASSERT_EQ(Start("DialogLicense=1\r\n", {"English"}, {{"LEnglish.rtf", "{\\rtf1 English licence}"}}), -1);
    EXPECT_TRUE(form_.Label11.Visible());
    EXPECT_EQ(form_.BtnNext.Text(), "I &Agree");
    EXPECT_NE(RichText(form_.RichEdit1).find("English licence"), std::string::npos);
}

TEST_F(WizardRun, ALeftClickOnALinkInTheLicenceOpensItAndARightClickDoesNot)
{
    const std::string url = "http://example.invalid/terms";
    ASSERT_EQ(Start("DialogLicense=1\r\n", {"English"}, {{"LEnglish.rtf", "{\\rtf1\\ansi Terms: " + url + " apply.\\par}"}}),
              -1);
    ASSERT_EQ(Page(), wpLicense);
    ASSERT_TRUE(winlib::testing::UserCanReach(form_.RichEdit1.Handle()));
    // The mouse goes to the link's middle, as a user's click would.
    std::string text = RichText(form_.RichEdit1);
    ASSERT_NE(text.find(url), std::string::npos) << text;
    POINTL at = {};
    SendMessageA(form_.RichEdit1.Handle(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at),
                 static_cast<LPARAM>(text.find(url) + url.size() / 2));
    LPARAM where = MAKELPARAM(at.x + 1, at.y + 3);
    winlib::testing::TShellRecorder shell;
    for (UINT down : {WM_RBUTTONDOWN, WM_LBUTTONDOWN}) {
        SendMessageA(form_.RichEdit1.Handle(), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, where);
        SendMessageA(form_.RichEdit1.Handle(), down + 1, 0, where);
    }
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_EQ(shell.Requests()[0].File, url);
    EXPECT_EQ(Page(), wpLicense);
}

TEST_F(WizardRun, RequiredFieldsOfBlanksKeepPageFiveWithoutAMessage)
{
    ASSERT_EQ(Start("DialogUserInfo=1\r\nDialogReady=1\r\nInfoCompany=1\r\nInfoCompanyReq=1\r\nInfoCustom=1\r\n"
                    "InfoCustomReq=1\r\nInfoCustomName=Department\r\n"),
              -1);
    ASSERT_EQ(Page(), wpUserInfo);
    EXPECT_FALSE(form_.EUser.Visible());
    EXPECT_EQ(form_.LCompany.Text(), "&Company:*");
    EXPECT_EQ(form_.LCustomInfo.Text(), "Department:*");
    EXPECT_EQ(GetFocus(), form_.ECompany.Handle());
    TExpectBoxes none;
    Type(form_.ECompany, "   ");
    Type(form_.ECustomInfo, "Sales");
    Click(form_.BtnNext);
    EXPECT_EQ(Page(), wpUserInfo);
    EXPECT_EQ(GetFocus(), form_.ECompany.Handle());
    Type(form_.ECompany, "Acme");
    Click(form_.BtnNext);
    EXPECT_EQ(Page(), wpReady);
}

TEST_F(WizardRun, AFolderBuiltFromTheUserNameFollowsItUntilTheUserTypesOne)
{
    ASSERT_EQ(Start("DialogUserInfo=1\r\nDialogDestinationFolder=1\r\nInfoUserName=1\r\n"
                    "InstallationPath=C:\\<UserName>\r\n"),
              -1);
    Type(form_.EUser, "Ann");
    Click(form_.BtnNext);
    EXPECT_EQ(form_.Edit1.Text(), "C:\\Ann");
    Type(form_.Edit1, "D:\\Mine");
    Click(form_.BtnBack);
    Type(form_.EUser, "Bob");
    Click(form_.BtnNext);
    EXPECT_EQ(form_.Edit1.Text(), "D:\\Mine");
}

TEST_F(WizardRun, DestinationNeedsTwoCharactersAndEnterActsAsNext)
{
    ASSERT_EQ(Start("DialogDestinationFolder=1\r\nDialogProgramGroup=1\r\nProgramGroup=App\r\n"), -1);
    {
        TExpectBoxes boxes({IDOK});
        Type(form_.Edit1, " C ");
        winlib::testing::PressKey(form_.Edit1.Handle(), VK_RETURN);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "Please choose the folder where App will be installed.");
        EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONWARNING));
    }
    EXPECT_EQ(Page(), wpDestination);
    EXPECT_EQ(form_.Edit1.Text(), "C");
    Type(form_.Edit1, "C:");
    winlib::testing::PressKey(form_.Edit1.Handle(), VK_RETURN);
    EXPECT_EQ(Page(), wpProgramGroup);
}

TEST_F(WizardRun, PageSixRefusesEveryFolderTheInstallRunWouldRefuseAndTakesADriveAsItsRoot)
{
    ASSERT_EQ(Start("DialogDestinationFolder=1\r\nDialogProgramGroup=1\r\nProgramGroup=App\r\n"
                    "InstallationPath=C:\\App\r\n"),
              -1);
    for (const char* typed : {"MyApp", "\\App", "C:App", "\\\\x", "\\\\x\\"}) {
        TExpectBoxes boxes({IDOK});
        Type(form_.Edit1, typed);
        Click(form_.BtnNext);
        ASSERT_EQ(boxes.Boxes().size(), 1u) << typed;
        EXPECT_EQ(boxes.Boxes()[0].Text, "Please choose the folder where App will be installed.");
        EXPECT_EQ(Page(), wpDestination) << typed;
        EXPECT_EQ(GetFocus(), form_.Edit1.Handle()) << typed;
    }
    Type(form_.Edit1, "C:");
    Click(form_.BtnNext);
    EXPECT_EQ(Page(), wpProgramGroup);
    EXPECT_EQ(form_.Edit1.Text(), "C:\\");
}

// Counts the messages that reach a field through its subclass chain; installed
// last, it sees every message that enters the wizard's own Enter-key handler.
LRESULT CALLBACK CountingSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    ++*reinterpret_cast<int*>(data);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(WizardRun, AKeyOtherThanEnterPassesTheEnterHandlerOnceAndEnterOnAnOpenListOnlyClosesIt)
{
    ASSERT_EQ(Start("DialogDestinationFolder=1\r\nDialogProgramGroup=1\r\nProgramGroup=App\r\n"
                    "InstallationPath=C:\\App\r\n"),
              -1);
    // An edit and a drop-down list: neither may ask its own window about a list.
    const std::pair<const char*, const winlib::TControl*> fields[] = {{"edit", &form_.Edit1},
                                                                      {"combo box", &form_.ComboBox1}};
    for (const auto& [name, field] : fields) {
        int entries = 0;
        ASSERT_TRUE(SetWindowSubclass(field->Handle(), CountingSubclass, 7, reinterpret_cast<DWORD_PTR>(&entries)));
        SendMessageA(field->Handle(), WM_KEYUP, 'A', 1);
        RemoveWindowSubclass(field->Handle(), CountingSubclass, 7);
        EXPECT_EQ(entries, 1) << name;
    }
    Click(form_.BtnNext);
    ASSERT_EQ(Page(), wpProgramGroup);
    SendMessageA(form_.ComboBox1.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(SendMessageA(form_.ComboBox1.Handle(), CB_GETDROPPEDSTATE, 0, 0));
    winlib::testing::PressKey(form_.ComboBox1.Handle(), VK_RETURN);
    EXPECT_EQ(Page(), wpProgramGroup);
    SendMessageA(form_.ComboBox1.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(WizardRun, TooLittleSpaceAsksAndNoKeepsThePageWithBrowseFocused)
{
    fakes.FreeSpace = 1LL << 30;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string marker = std::string(temp) + "wizard-stage1-" + std::to_string(GetCurrentProcessId()) + ".txt";
    DeleteFileA(marker.c_str());
    ASSERT_EQ(Start("DialogDestinationFolder=1\r\nDialogProgramGroup=1\r\nFilesSize=-1294967296\r\n"
                    "InstallationPath=C:\\App\r\n[Commands]\r\n0=C:\\windows\\system32\\cmd.exe*?/c echo stage1> \"" +
                    marker + "\"*?Hidden*?After Folder Select*?Yes*?All\r\n"),
              -1);
    EXPECT_EQ(form_.LSpaceRequired.Text(), "At least 2.79 GB of free disk space is required.");
    {
        TExpectBoxes boxes({IDNO});
        Click(form_.BtnNext);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "There is not enough free space on drive C:.\r\n\r\nDo you want to continue anyway?");
        EXPECT_EQ(boxes.Boxes()[0].DefaultButton(), 1);
    }
    EXPECT_EQ(Page(), wpDestination);
    EXPECT_EQ(GetFocus(), form_.Button4.Handle());
    EXPECT_FALSE(winlib::FileExists(marker));  // the folder's commands wait for a folder accepted
    TExpectBoxes yes({IDYES});
    Click(form_.BtnNext);
    EXPECT_EQ(Page(), wpProgramGroup);
    EXPECT_TRUE(winlib::FileExists(marker));
    DeleteFileA(marker.c_str());
}

TEST_F(WizardRun, BrowseAppendsTheLastFolderAndUpdatesTheFreeSpaceForTheNewDrive)
{
    ASSERT_EQ(Start("DialogDestinationFolder=1\r\nInstallationPath=C:\\Program Files\\Didu\r\n"), -1);
    winlib::SetBrowseForFolderHook([](const std::string&, std::string& folder) {
        folder = "D:\\Apps";
        return true;
    });
    Click(form_.Button4);
    winlib::SetBrowseForFolderHook(nullptr);
    EXPECT_EQ(form_.Edit1.Text(), "D:\\Apps\\Didu");
    EXPECT_TRUE(form_.Edit1.Modified());
    EXPECT_EQ(fakes.FreeSpaceDrive, 'D');
}

TEST_F(WizardRun, AnEmptyGroupPassesOnlyWhileDontCreateIsChecked)
{
    ASSERT_EQ(Start("DialogProgramGroup=1\r\nDialogReady=1\r\n"), -1);
    {
        TExpectBoxes boxes({IDOK});
        Click(form_.BtnNext);
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
    EXPECT_EQ(Page(), wpProgramGroup);
    Toggle(form_.CheckBox2);
    EXPECT_FALSE(form_.ComboBox1.Enabled());
    Click(form_.BtnNext);
    EXPECT_EQ(Page(), wpReady);
    EXPECT_EQ(form_.Memo1.Text(), "Destination folder:\r\n\t\r\n\r\n");
}

// ---- Pages 9-10, finish and cancel ----

TEST_F(WizardRun, FinishedPageReportsSuccessOrFailure)
{
    fakes.InstallErrors = true;
    ASSERT_EQ(Start("DialogReady=1\r\nDialogFinish=1\r\n"), -1);
    Click(form_.BtnNext);
    ASSERT_EQ(Page(), wpFinished);
    EXPECT_EQ(form_.Label2.Text(), "Setup has finished installing App on your computer.\r\n\r\nSome parts of the "
                                   "installation could not be completed. Please check the messages shown during the setup.");
    EXPECT_EQ(form_.BtnNext.Text(), "&Finish");
    EXPECT_FALSE(form_.BtnCancel.Visible());
}

TEST_F(WizardRun, RestartWithErrorsShowsBothTextsHidesTheBoxesAndRestartsOnFinish)
{
    fakes.InstallErrors = true;
    ASSERT_EQ(Start("DialogFinish=1\r\nRestartComputer=1\r\nLaunchFile=1\r\nLaunchFileChecked=1\r\n"
                    "LaunchFileName=C:\\x.exe\r\n"),
              -1);
    ASSERT_EQ(Page(), wpFinished);
    EXPECT_NE(form_.Label2.Text().find("Some parts"), std::string::npos);
    EXPECT_NE(form_.Label2.Text().find("must be restarted"), std::string::npos);
    EXPECT_TRUE(form_.RadioGroup1.Visible());
    EXPECT_FALSE(form_.CheckLaunchFile.Visible());
    winlib::testing::TShellRecorder shell;
    Click(form_.BtnNext);
    Pump();
    EXPECT_EQ(fakes.Reboots, 1);
    EXPECT_TRUE(shell.Requests().empty());
    EXPECT_EQ(fakes.Ends, 1);
}

TEST_F(WizardRun, TheCloseBoxOnTheFinishedPageRunsTheTickedActionsWithoutAQuestion)
{
    ASSERT_EQ(Start("DialogFinish=1\r\nLaunchFile=1\r\nViewReadme=1\r\nViewReadmeChecked=1\r\n"
                    "ViewReadmeFile=http://example.invalid/readme\r\n"),
              -1);
    ASSERT_EQ(Page(), wpFinished);
    EXPECT_TRUE(form_.CheckLaunchFile.Visible());
    EXPECT_FALSE(form_.CheckLaunchFile.Checked());
    winlib::testing::TShellRecorder shell;
    TExpectBoxes none;
    SendMessageA(form_.Handle(), WM_CLOSE, 0, 0);
    Pump();
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_EQ(shell.Requests()[0].File, "http://example.invalid/readme");
    EXPECT_EQ(fakes.Ends, 1);
    EXPECT_EQ(fakes.Reboots, 0);
}

TEST_F(WizardRun, CancelAnsweredNoKeepsThePageAndYesCleansUpAndEnds)
{
    ASSERT_EQ(Start("DialogUserInfo=1\r\nInfoUserName=1\r\n"), -1);
    Type(form_.EUser, "Ann");
    {
        TExpectBoxes boxes({IDNO});
        Click(form_.BtnCancel);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Caption, "Cancel Setup");
        EXPECT_EQ(boxes.Boxes()[0].Text, "Are you sure you want to cancel the installation of App?");
        EXPECT_EQ(boxes.Boxes()[0].DefaultButton(), 1);
    }
    Pump();
    EXPECT_EQ(Page(), wpUserInfo);
    EXPECT_EQ(form_.EUser.Text(), "Ann");
    EXPECT_EQ(fakes.Ends, 0);
    TExpectBoxes yes({IDYES});
    Click(form_.BtnCancel);
    Pump();
    EXPECT_EQ(fakes.Ends, 1);
    EXPECT_FALSE(winlib::DirectoryExists(::Setup().SetupTempDir));
}

TEST_F(WizardRun, ACancelTheRunOutlivesShowsNoFinishedPageRunsNoActionsAndCleansUp)
{
    fakes.DuringInstall = [](TForm1& form) {
        TExpectBoxes yes({IDYES});
        Click(form.BtnCancel);
        EXPECT_TRUE(::Setup().CancelRequested);
        EXPECT_FALSE(form.BtnCancel.Enabled());
        form.LTask.SetText("still running");  // the run goes on safely after the answer
        form.ProgressBar1.SetPosition(50);
        TExpectBoxes none;  // the cancel is agreed: closing asks nothing more
        SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(form.Handle()));
    };
    ASSERT_EQ(Start("DialogFinish=1\r\nLaunchFile=1\r\nLaunchFileChecked=1\r\nLaunchFileName=C:\\x.exe\r\n"), -1);
    Pump();
    EXPECT_EQ(fakes.InstallRuns, 1);
    EXPECT_EQ(Page(), wpInstalling);
    EXPECT_EQ(fakes.Ends, 1);
    EXPECT_FALSE(winlib::DirectoryExists(::Setup().SetupTempDir));
}

}  // namespace
