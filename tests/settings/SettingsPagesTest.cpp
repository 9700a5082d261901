// The settings pages of the main window, driven through the real controls.
#include <functional>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "winlib/Hint.h"
#include "winlib/IniFile.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

// What a control shows: an edit's or button's text, a box "1"/"0", a list's chosen item.
std::string ValueOf(const winlib::TControl& control)
{
    if (auto* box = dynamic_cast<const winlib::TCheckBox*>(&control))
        return box->Checked() ? "1" : "0";
    if (auto* combo = dynamic_cast<const winlib::TComboBox*>(&control))
        return combo->Text();
    return control.Text();
}

void ShowTab(TForm1& form, int page, int tab)
{
    form.ShowSettingsPage(page);
    form.Page(page).SetActivePage(tab);
}

struct TInitial {
    const char* Name;
    const winlib::TControl* Control;
    const char* Value;
    bool Enabled, Visible;
};

}  // namespace

class SettingsPagesTest : public MainWindowTest {};

TEST_F(SettingsPagesTest, EveryControlStartsWithItsValueEnabledStateAndVisibility)
{
    TForm1& f = Make();
    const std::string site = kVendorSite;
    const TInitial table[] = {
        {"EAppName", &f.EAppName, "New Product", true, true},
        {"EAppVersion", &f.EAppVersion, "1.0", true, true},
        {"ECompanyName", &f.ECompanyName, "Company", true, true},
        {"EWebSite", &f.EWebSite, kVendorSite, true, true},
        {"ESupport", &f.ESupport, "https://www.tarvex.example/support.html", true, true},
        {"ESetupFile", &f.ESetupFile, "C:\\MySetup.exe", true, true},
        {"Button1", &f.Button1, "...", true, true},
        {"EWizard", &f.EWizard, "Wizard.bmp", true, true},
        {"EHeader", &f.EHeader, "Header.bmp", true, true},
        {"CheckIcon", &f.CheckIcon, "0", true, true},
        {"EIcon", &f.EIcon, "", false, true},
        {"Button5", &f.Button5, "...", false, true},
        {"Check64OS", &f.Check64OS, "0", true, true},
        {"CheckAdmin", &f.CheckAdmin, "0", true, true},
        {"CheckInet", &f.CheckInet, "0", true, true},
        {"CheckCloseApp", &f.CheckCloseApp, "0", true, true},
        {"ECloseApp", &f.ECloseApp, "iexplore.exe", false, true},
        {"ECloseText", &f.ECloseText, "Internet Explorer", false, true},
        {"CheckDotNET", &f.CheckDotNET, "0", true, true},
        {"ComboDotNET", &f.ComboDotNET, "1.0", false, true},
        {"ComboIE", &f.ComboIE, "5.0", false, true},
        {"ComboAcrobat", &f.ComboAcrobat, "5.0", false, true},
        {"ComboJava", &f.ComboJava, "1.2", false, true},
        {"ComboSQLC", &f.ComboSQLC, "3.5", false, true},
        {"ComboSQLE", &f.ComboSQLE, "2005", false, true},
        {"Label18", &f.Label18, "View/edit links...", true, true},
        {"ComboInstallMode", &f.ComboInstallMode, "STANDART", true, true},
        {"EGUID", &f.EGUID, "n/a", false, true},
        {"Button39", &f.Button39, "Change...", true, true},
        {"CheckPrompt", &f.CheckPrompt, "1", true, true},
        {"CheckUninstSilent", &f.CheckUninstSilent, "0", true, true},
        {"CheckVersions", &f.CheckVersions, "0", true, false},
        {"EMinVer", &f.EMinVer, "1.0", false, false},
        {"LabelMinVer", &f.LabelMinVer, "Min. Version:", true, false},
        {"EMaxVer", &f.EMaxVer, "", false, false},
        {"ComboInstallLevel", &f.ComboInstallLevel, "All Users (admin privileges required)", true, true},
        {"CheckUninstaller", &f.CheckUninstaller, "0", true, true},
        {"CheckAddRemove", &f.CheckAddRemove, "0", false, true},
        {"CheckUninstallURL", &f.CheckUninstallURL, "0", false, true},
        {"EUninstallAddress", &f.EUninstallAddress, "https://www.tarvex.example/uninstall.html", false, true},
        {"Button43", &f.Button43, "Test", false, true},
        {"CheckUninstallForce", &f.CheckUninstallForce, "0", false, true},
        {"CheckUninstallRestart", &f.CheckUninstallRestart, "0", false, true},
        {"CheckUSilent", &f.CheckUSilent, "0", false, true},
        {"CheckUpdater", &f.CheckUpdater, "0", true, true},
        {"EUpdateURL", &f.EUpdateURL, "https://www.tarvex.example/update.txt", false, true},
        {"Button44", &f.Button44, "Test", false, true},
        {"CheckUpdateBefore", &f.CheckUpdateBefore, "0", false, true},
        {"CheckAutoUpdate", &f.CheckAutoUpdate, "0", false, true},
        {"EDay", &f.EDay, "1", false, true},
        {"CheckSilentUpdate", &f.CheckSilentUpdate, "0", false, true},
        {"ComboProgramGroup", &f.ComboProgramGroup, "<AppName>", true, true},
    };
    for (const TInitial& row : table) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(ValueOf(*row.Control), row.Value);
        EXPECT_EQ(row.Control->Enabled(), row.Enabled);
        EXPECT_EQ(row.Control->Visible(), row.Visible);
    }
    const std::pair<const winlib::TComboBox*, int> itemCounts[] = {
        {&f.ComboDotNET, 11}, {&f.ComboIE, 7},          {&f.ComboAcrobat, 7},      {&f.ComboJava, 7},
        {&f.ComboSQLC, 4},    {&f.ComboSQLE, 15},       {&f.ComboInstallMode, 2}, {&f.ComboInstallLevel, 3},
        {&f.ComboProgramGroup, 4}};
    for (const auto& [combo, count] : itemCounts)
        EXPECT_EQ(combo->Count(), count);
    ASSERT_EQ(f.CheckListOS.Count(), 8);
    EXPECT_EQ(f.CheckListOS.Cell(7, 0), "Windows 8");
    for (int item = 0; item < 8; ++item)
        EXPECT_FALSE(f.CheckListOS.Checked(item));
    EXPECT_EQ(winlib::Hint(f.Button1.Handle()), "Browse...");
    EXPECT_EQ(winlib::Hint(f.Button39.Handle()), "");
    EXPECT_FALSE(f.IsModified());
}

TEST_F(SettingsPagesTest, SixtyFourBitOnlyUnchecksAndThenChecksTheFirstThreeSystems)
{
    TForm1& f = Start();
    for (int item = 0; item < f.CheckListOS.Count(); ++item)
        f.CheckListOS.SetChecked(item, false);
    ShowTab(f, pgGeneral, tabRequirements);
    ToggleItem(f.CheckListOS, 0);
    ToggleItem(f.CheckListOS, 3);
    Toggle(f.Check64OS);
    EXPECT_FALSE(f.CheckListOS.Checked(0));
    EXPECT_TRUE(f.CheckListOS.Checked(3));
    Toggle(f.Check64OS);
    for (int item = 0; item < 4; ++item)
        EXPECT_TRUE(f.CheckListOS.Checked(item)) << item;
    EXPECT_FALSE(f.CheckListOS.Checked(4));
}

TEST_F(SettingsPagesTest, UninstallerOffAndOnMovesItsShortcutToTheEndAndKeepsACaseVariant)
{
    TForm1& f = Start();
    winlib::TListView& shortcuts = f.ListView(TListId::Shortcuts);
    ShowTab(f, pgInstallation, tabUninstallation);
    Toggle(f.CheckUninstaller);
    EXPECT_TRUE(f.CheckAddRemove.Checked());
    EXPECT_TRUE(f.CheckUSilent.Enabled());
    ASSERT_EQ(shortcuts.Count(), 1);
    EXPECT_EQ(shortcuts.Row(0).Caption, "<ProgramGroup>");
    EXPECT_EQ(shortcuts.Row(0).Texts, (std::vector<std::string>{"Uninstall <AppName>", "<InstallDir>\\Uninstall.exe",
                                                                "", "", "<InstallDir>", "", "0", "Normal"}));
    shortcuts.Add({"<ProgramGroup>", {"Other", "<InstallDir>\\app.exe", "", "", "", "", "0", "Normal"}});
    shortcuts.Add({"<ProgramGroup>", {"Case", "<InstallDir>\\UNINSTALL.exe", "", "", "", "", "0", "Normal"}});
    Toggle(f.CheckUninstaller);
    EXPECT_FALSE(f.CheckAddRemove.Checked());
    EXPECT_FALSE(f.CheckAddRemove.Enabled());
    ASSERT_EQ(shortcuts.Count(), 2);
    EXPECT_EQ(shortcuts.Cell(1, 1), "Case");
    Toggle(f.CheckUninstaller);
    ASSERT_EQ(shortcuts.Count(), 3);
    EXPECT_EQ(shortcuts.Cell(2, 1), "Uninstall <AppName>");
}

TEST_F(SettingsPagesTest, UpgradeModeAndBackResetsTheOptions)
{
    TForm1& f = Start();
    ShowTab(f, pgInstallation, tabParameters);
    Toggle(f.CheckUninstSilent);
    Toggle(f.CheckPrompt);
    EXPECT_FALSE(f.CheckUninstSilent.Checked());
    EXPECT_FALSE(f.CheckUninstSilent.Enabled());
    ChooseItem(f.ComboInstallMode, 1);
    EXPECT_EQ(f.Button39.Text(), "Select...");
    EXPECT_EQ(winlib::Hint(f.Button39.Handle()), "Retrieve GUID from project file");
    EXPECT_FALSE(f.CheckPrompt.Visible());
    EXPECT_TRUE(f.LabelMaxVer.Visible());
    Toggle(f.CheckVersions);
    EXPECT_TRUE(f.EMinVer.Enabled());
    ChooseItem(f.ComboInstallMode, 0);
    EXPECT_TRUE(f.CheckPrompt.Checked());
    EXPECT_TRUE(f.CheckUninstSilent.Enabled());
    EXPECT_FALSE(f.CheckUninstSilent.Checked());
    EXPECT_FALSE(f.EMinVer.Visible());
    ChooseItem(f.ComboInstallMode, 1);
    EXPECT_FALSE(f.CheckVersions.Checked());
    EXPECT_FALSE(f.EMinVer.Enabled());
    EXPECT_EQ(winlib::Hint(f.Button39.Handle()), "Retrieve GUID from project file");
    ChooseItem(f.ComboInstallMode, 0);
    EXPECT_EQ(winlib::Hint(f.Button39.Handle()), "");
}

TEST_F(SettingsPagesTest, PrerequisiteListsGoBackToTheirFirstItemWhenUnchecked)
{
    TForm1& f = Start();
    ShowTab(f, pgGeneral, tabPrerequisites);
    const std::pair<winlib::TCheckBox*, winlib::TComboBox*> pairs[] = {
        {&f.CheckDotNET, &f.ComboDotNET}, {&f.CheckIE, &f.ComboIE},     {&f.CheckAcrobat, &f.ComboAcrobat},
        {&f.CheckJava, &f.ComboJava},     {&f.CheckSQLC, &f.ComboSQLC}, {&f.CheckSQLE, &f.ComboSQLE}};
    for (const auto& [box, combo] : pairs) {
        Toggle(*box);
        ChooseItem(*combo, 2);
        Toggle(*box);
        EXPECT_EQ(combo->ItemIndex(), 0);
        EXPECT_FALSE(combo->Enabled());
    }
}

TEST_F(SettingsPagesTest, UpdaterChainsThroughAutomaticCheckAndOffDropsTheCheckBeforeInstallation)
{
    TForm1& f = Start();
    winlib::TListView& commands = f.ListView(TListId::Commands);
    ShowTab(f, pgInstallation, tabUpdate);
    Toggle(f.CheckUpdater);
    EXPECT_EQ(f.ListView(TListId::Shortcuts).Cell(0, 2), "<InstallDir>\\Updater.exe");
    Toggle(f.CheckAutoUpdate);
    EXPECT_TRUE(f.EDay.Enabled());
    Toggle(f.CheckSilentUpdate);
    Toggle(f.CheckUpdateBefore);
    ASSERT_EQ(commands.Count(), 1);
    EXPECT_EQ(commands.Row(0).Caption, kUpdaterCommand);
    Toggle(f.CheckAutoUpdate);
    EXPECT_FALSE(f.CheckSilentUpdate.Checked());
    EXPECT_FALSE(f.CheckSilentUpdate.Enabled());
    EXPECT_FALSE(f.EDay.Enabled());
    Toggle(f.CheckAutoUpdate);
    Toggle(f.CheckSilentUpdate);
    Toggle(f.CheckUpdater);  // off: every option off, and nothing left to run before installing
    for (const winlib::TCheckBox* box : {&f.CheckAutoUpdate, &f.CheckSilentUpdate, &f.CheckUpdateBefore})
        EXPECT_FALSE(box->Checked() || box->Enabled());
    EXPECT_FALSE(f.EDay.Enabled());
    EXPECT_FALSE(f.EUpdateURL.Enabled());
    EXPECT_EQ(commands.Count(), 0);
    EXPECT_EQ(f.ListView(TListId::Shortcuts).Count(), 0);
}

TEST_F(SettingsPagesTest, EveryUserChangeOfASettingMarksTheProjectModified)
{
    TForm1& f = Start();
    // Options that depend on another box are reachable first.
    f.CheckUninstaller.SetChecked(true);
    f.CheckUpdater.SetChecked(true);
    f.CheckAutoUpdate.SetChecked(true);
    f.CheckDotNET.SetChecked(true);
    struct TCase {
        const char* Name;
        int Page, Tab;
        std::function<void()> Act;
    };
    const TCase cases[] = {
        {"CheckIcon", pgGeneral, tabGraphics, [&] { Toggle(f.CheckIcon); }},
        {"CheckListOS", pgGeneral, tabRequirements, [&] { ToggleItem(f.CheckListOS, 5); }},
        {"Check64OS", pgGeneral, tabRequirements, [&] { Toggle(f.Check64OS); }},
        {"CheckAdmin", pgGeneral, tabRequirements, [&] { Toggle(f.CheckAdmin); }},
        {"CheckInet", pgGeneral, tabRequirements, [&] { Toggle(f.CheckInet); }},
        {"CheckCloseApp", pgGeneral, tabRequirements, [&] { Toggle(f.CheckCloseApp); }},
        {"CheckIE", pgGeneral, tabPrerequisites, [&] { Toggle(f.CheckIE); }},
        {"ComboDotNET", pgGeneral, tabPrerequisites, [&] { ChooseItem(f.ComboDotNET, 3); }},
        {"ComboInstallMode", pgInstallation, tabParameters, [&] { ChooseItem(f.ComboInstallMode, 1); }},
        {"CheckVersions", pgInstallation, tabParameters, [&] { Toggle(f.CheckVersions); }},
        {"ComboInstallLevel", pgInstallation, tabParameters, [&] { ChooseItem(f.ComboInstallLevel, 0); }},
        {"CheckUSilent", pgInstallation, tabUninstallation, [&] { Toggle(f.CheckUSilent); }},
        {"CheckAddRemove", pgInstallation, tabUninstallation, [&] { Toggle(f.CheckAddRemove); }},
        {"CheckUninstallForce", pgInstallation, tabUninstallation, [&] { Toggle(f.CheckUninstallForce); }},
        {"CheckUninstallRestart", pgInstallation, tabUninstallation, [&] { Toggle(f.CheckUninstallRestart); }},
        {"CheckUninstallURL", pgInstallation, tabUninstallation, [&] { Toggle(f.CheckUninstallURL); }},
        {"CheckSilentUpdate", pgInstallation, tabUpdate, [&] { Toggle(f.CheckSilentUpdate); }},
        {"EDay typed", pgInstallation, tabUpdate, [&] { Type(f.EDay, "7"); }},
        {"CheckAutoUpdate", pgInstallation, tabUpdate, [&] { Toggle(f.CheckAutoUpdate); }},
        {"CheckUpdateBefore", pgInstallation, tabUpdate, [&] { Toggle(f.CheckUpdateBefore); }},
        {"ComboProgramGroup", pgSystem, tabShortcuts, [&] { ChooseItem(f.ComboProgramGroup, 2); }},
        {"ComboProgramGroup typed", pgSystem, tabShortcuts, [&] { TypeInCombo(f.ComboProgramGroup, "x"); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowTab(f, c.Page, c.Tab);
        f.ClearModified();
        c.Act();
        EXPECT_TRUE(f.IsModified());
    }
    // Switching pages and tabs changes nothing.
    f.ClearModified();
    ShowTab(f, pgGeneral, tabInformation);
    EXPECT_FALSE(f.IsModified());
}

TEST_F(SettingsPagesTest, ChangingTheGuidAsksAndUnlocksTheFieldUntilTheModeChanges)
{
    TForm1& f = Start();
    ShowTab(f, pgInstallation, tabParameters);
    {
        TExpectBoxes boxes({IDNO, IDYES});
        Click(f.Button39);
        EXPECT_FALSE(f.EGUID.Enabled());
        Click(f.Button39);
        EXPECT_TRUE(f.EGUID.Enabled());
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        EXPECT_EQ(boxes.Boxes()[0].Text,
                  "Changing Product GUID might break version compatibility. \r\nDo you really want to change it?");
        EXPECT_EQ(boxes.Boxes()[0].Caption, "Tarvex Installer");
        EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(boxes.Boxes()[0].Buttons(), static_cast<UINT>(MB_YESNO));
    }
    ChooseItem(f.ComboInstallMode, 1);
    EXPECT_FALSE(f.EGUID.Enabled());
}

TEST_F(SettingsPagesTest, SelectingAProjectTakesItsGuidOrNothing)
{
    TForm1& f = Start();
    std::string withGuid = MakeFile("kin_settings_with.zpf");
    winlib::TIniFile(withGuid).WriteString("Setup", "GUID", "{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    std::string without = MakeFile("kin_settings_without.zpf");
    winlib::TIniFile(without).WriteString("Setup", "AppName", "x");
    AppState().ProjectFileName = withGuid;
    ShowTab(f, pgInstallation, tabParameters);
    ChooseItem(f.ComboInstallMode, 1);
    TDialogResponder dialogs;
    dialogs.Choose({withGuid});
    dialogs.Choose({without});
    f.ClearModified();
    Click(f.Button39);
    EXPECT_EQ(f.EGUID.Text(), "{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    EXPECT_TRUE(f.IsModified());
    Click(f.Button39);
    EXPECT_EQ(f.EGUID.Text(), "");
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    EXPECT_EQ(dialogs.Requests()[0].Kind, TDialogRequest::Open);
    EXPECT_EQ(dialogs.Requests()[0].Filter, "Tarvex Installer Projects (*.zpf)|*.zpf|All Files (*.*)|*.*");
    EXPECT_EQ(dialogs.Requests()[0].InitialDir, winlib::ExtractFileDir(withGuid));
    EXPECT_FALSE(f.EGUID.Enabled());
}

TEST_F(SettingsPagesTest, SetupFileBrowseOffersTheExpandedNameAndMarksTheEdit)
{
    TForm1& f = Start();
    f.EAppName.SetText("Demo");
    f.ESetupFile.SetText("  C:\\Out\\<AppName> Setup.exe");
    f.ClearModified();
    ShowTab(f, pgGeneral, tabInformation);
    TDialogResponder dialogs;
    dialogs.Cancel();
    dialogs.Choose({"C:\\Builds\\<AppName>.exe"});
    Click(f.Button1);
    EXPECT_FALSE(f.IsModified());
    Click(f.Button1);
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    const TDialogRequest& request = dialogs.Requests()[0];
    EXPECT_EQ(request.Kind, TDialogRequest::Save);
    EXPECT_EQ(request.Filter, "Executable File (*.exe)|*.exe");
    EXPECT_EQ(request.DefaultExt, "exe");
    EXPECT_NE(request.Options & OFN_OVERWRITEPROMPT, 0u);
    EXPECT_EQ(request.FileName, "C:\\Out\\Demo Setup.exe");
    EXPECT_EQ(f.ESetupFile.Text(), "C:\\Builds\\<AppName>.exe");
    EXPECT_TRUE(f.ESetupFile.Modified());
}

TEST_F(SettingsPagesTest, PictureBrowseStartsAtTheProgramsSampleUnlessTheFieldNamesAFile)
{
    TForm1& f = Start();
    std::string existing = MakeFile("kin_settings_header.bmp");
    f.EHeader.SetText(existing);
    ShowTab(f, pgGeneral, tabGraphics);
    TDialogResponder dialogs;
    dialogs.Choose({"C:\\pics\\w.bmp"});
    dialogs.Cancel();
    Click(f.Button2);
    Click(f.Button3);
    ASSERT_EQ(dialogs.Requests().size(), 2u);
    EXPECT_EQ(dialogs.Requests()[0].FileName, AppState().ProgramFolder + "Bitmaps\\Wizard\\00.bmp");
    EXPECT_EQ(dialogs.Requests()[0].Filter, "Bitmap Files 500x314 pixels (*.bmp)|*.bmp");
    EXPECT_NE(dialogs.Requests()[0].Options & OFN_FILEMUSTEXIST, 0u);
    EXPECT_EQ(dialogs.Requests()[1].FileName, existing);
    EXPECT_EQ(f.EWizard.Text(), "C:\\pics\\w.bmp");
    EXPECT_TRUE(f.EWizard.Modified());
    EXPECT_EQ(f.EHeader.Text(), existing);
}

namespace {

// The real picture dialog, met once it runs its own loop: the size of the preview's
// bitmap for the starting file, then after another file is selected in its list.
struct TPreviewProbe {
    static TPreviewProbe* Current;
    std::string SelectName;
    std::vector<SIZE> Seen;
    HWND Dialog = nullptr;
    HHOOK Hook = nullptr;

    static SIZE Shown(HWND dialog)
    {
        HWND preview = GetDlgItem(dialog, winlib::TOpenDialog::PicturePreviewId);
        BITMAP b = {};
        LRESULT picture = preview ? SendMessageA(preview, STM_GETIMAGE, IMAGE_BITMAP, 0) : 0;
        if (picture == 0 || GetObjectA(reinterpret_cast<HGDIOBJ>(picture), sizeof b, &b) == 0)
            return {0, 0};
        return {b.bmWidth, b.bmHeight};
    }
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam)
    {
        char cls[16] = {};
        HWND window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && Current->Dialog == nullptr && GetClassNameA(window, cls, sizeof cls) &&
            std::string(cls) == "#32770") {
            Current->Dialog = window;
            SetTimer(nullptr, 0, 0, OnTimer);  // runs inside the dialog's loop
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        HWND dialog = Current->Dialog;
        Current->Seen.push_back(Shown(dialog));
        HWND view = FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
        HWND list = view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
        LVFINDINFOA find = {LVFI_STRING, Current->SelectName.c_str()};
        int item = list ? static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                                        reinterpret_cast<LPARAM>(&find)))
                        : -1;
        if (item >= 0) {
            LVITEMA state = {};
            state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
        }
        Current->Seen.push_back(Shown(dialog));
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
};
TPreviewProbe* TPreviewProbe::Current = nullptr;

}  // namespace

TEST_F(SettingsPagesTest, WizardPictureDialogPreviewsTheSelectedBitmapScaledToFit)
{
    TForm1& f = Start();
    ShowTab(f, pgGeneral, tabGraphics);
    std::string folder = winlib::GetTempDir() + "\\kin_preview";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteWindowPicture(f.Handle(), folder + "\\large.bmp"));     // wider than the preview: scaled
    ASSERT_TRUE(WriteWindowPicture(f.Button2.Handle(), folder + "\\small.bmp"));  // smaller: as it is
    RECT small = {};
    GetWindowRect(f.Button2.Handle(), &small);
    f.EWizard.SetText(folder + "\\large.bmp");
    TPreviewProbe probe;
    probe.SelectName = "small.bmp";
    TPreviewProbe::Current = &probe;
    probe.Hook = SetWindowsHookExA(WH_CBT, TPreviewProbe::OnCbt, nullptr, GetCurrentThreadId());
    Click(f.Button2);
    UnhookWindowsHookEx(probe.Hook);
    TPreviewProbe::Current = nullptr;
    DeleteFileA((folder + "\\large.bmp").c_str());
    DeleteFileA((folder + "\\small.bmp").c_str());
    RemoveDirectoryA(folder.c_str());
    ASSERT_EQ(probe.Seen.size(), 2u);
    EXPECT_EQ(probe.Seen[0].cx, 200);  // the width of the preview box
    EXPECT_GT(probe.Seen[0].cy, 0);
    EXPECT_EQ(probe.Seen[1].cx, small.right - small.left);
    EXPECT_EQ(probe.Seen[1].cy, small.bottom - small.top);
    EXPECT_EQ(f.EWizard.Text(), folder + "\\large.bmp");  // cancelled
}

TEST_F(SettingsPagesTest, TestButtonsOpenTheExpandedAddresses)
{
    TForm1& f = Start();
    f.ECompanyName.SetText("Acme");
    f.CheckUninstaller.SetChecked(true);
    f.CheckUninstallURL.SetChecked(true);
    f.CheckUpdater.SetChecked(true);
    f.EUninstallAddress.SetText("https://<CompanyName>.example/bye.html ");
    f.EUpdateURL.SetText("https://<companyname>.example/update.txt");
    TShellRecorder shell;
    ShowTab(f, pgInstallation, tabUninstallation);
    Click(f.Button43);
    ShowTab(f, pgInstallation, tabUpdate);
    Click(f.Button44);
    ASSERT_EQ(shell.Requests().size(), 2u);
    EXPECT_EQ(shell.Requests()[0].Verb, "open");
    EXPECT_EQ(shell.Requests()[0].File, "https://Acme.example/bye.html");
    EXPECT_EQ(shell.Requests()[0].Show, SW_SHOWNORMAL);
    EXPECT_EQ(shell.Requests()[1].File, "https://Acme.example/update.txt");
}

TEST_F(SettingsPagesTest, SelectComboItemIgnoresCaseAndKeepsTheSelectionWithoutAMatch)
{
    TForm1& f = Make();
    EXPECT_TRUE(f.SelectComboItem(f.ComboSQLE, "2008 r2 sp1"));
    EXPECT_EQ(f.ComboSQLE.ItemIndex(), 10);
    EXPECT_FALSE(f.SelectComboItem(f.ComboSQLE, "2008 R2 SP9"));
    EXPECT_EQ(f.ComboSQLE.ItemIndex(), 10);
}
