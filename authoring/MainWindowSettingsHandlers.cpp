// The settings pages' handlers: the simple enabling rules as one table, the
// browse and Test buttons, the installation mode, the product GUID, and the
// uninstaller and updater with their shortcuts.
#include <windows.h>

#include <string>
#include <vector>

#include "authoring/EnableRules.h"
#include "authoring/MainWindow.h"
#include "winlib/Dialogs.h"
#include "winlib/Hint.h"
#include "winlib/IniFile.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"

namespace {

using TControls = std::initializer_list<const winlib::TControl*>;

enum TInstallMode { imStandard = 0, imUpgrade = 1 };

// The shortcuts of the two tools a setup can include.
constexpr const char* kUninstallerTarget = "<InstallDir>\\Uninstall.exe";
constexpr const char* kUpdaterTarget = "<InstallDir>\\Updater.exe";
constexpr int kShortcutTargetColumn = 2;

constexpr const char* kGuidWarning =
    "Changing Product GUID might break version compatibility. \r\nDo you really want to change it?";

}  // namespace

void TForm1::WireSettingsHandlers()
{
    CheckIcon.OnClick = [this] { CheckIconClick(); };
    CheckAutoUpdate.OnClick = [this] { CheckAutoUpdateClick(); };
    // Boxes and lists whose only effect is the modified mark.
    for (winlib::TCheckBox* box : {&CheckInet, &CheckUninstSilent, &CheckAddRemove, &CheckUninstallForce,
                                   &CheckUninstallRestart, &CheckAdmin, &CheckUSilent, &CheckSilentUpdate})
        box->OnClick = [this] { Action1Execute(); };
    for (winlib::TComboBox* combo : {&ComboDotNET, &ComboIE, &ComboAcrobat, &ComboJava, &ComboSQLC, &ComboSQLE,
                                     &ComboProgramGroup, &ComboInstallLevel})
        combo->OnChange = [this] { Action1Execute(); };
    CheckListOS.OnClick = [this](int) { Action1Execute(); };
    Check64OS.OnClick = [this] { Check64OSClick(); };
    CheckUninstaller.OnClick = [this] { CheckUninstallerClick(); };
    CheckUpdater.OnClick = [this] { CheckUpdaterClick(); };
    CheckUpdateBefore.OnClick = [this] { CheckUpdateBeforeClick(); };
    ComboInstallMode.OnChange = [this] { ComboInstallModeChange(); };
    Button1.OnClick = [this] { Button1Click(); };
    Button2.OnClick = [this] { Button2Click(); };
    Button3.OnClick = [this] { Button3Click(); };
    Button5.OnClick = [this] { Button5Click(); };
    Button39.OnClick = [this] { Button39Click(); };
    Button43.OnClick = [this] { Button43Click(); };
    Button44.OnClick = [this] { Button44Click(); };
    Label18.OnClick = [this] { Label18Click(); };
}

bool TForm1::SelectComboItem(const winlib::TComboBox& combo, const std::string& text) const
{
    return combo.SelectComboItem(text);
}

void TForm1::CheckIconClick()
{
    ApplyEnableRule(CheckIcon);
    EIcon.SetModified(true);
}

void TForm1::CheckAutoUpdateClick() { ApplyEnableRule(CheckAutoUpdate); }

// Checking "64-bit only" rules out the three systems that have no 64-bit edition
// here; unchecking it offers them all again.
void TForm1::Check64OSClick()
{
    bool on = Check64OS.Checked();
    for (int item = 0; item < 3; ++item)
        CheckListOS.SetChecked(item, !on);
    Action1Execute();
}

void TForm1::Label18Click() { ShowOptions(1); }  // the links tab

void TForm1::ComboInstallModeChange()
{
    ApplyInstallMode(ComboInstallMode.ItemIndex());
    Action1Execute();
}

void TForm1::ApplyInstallMode(int mode)
{
    EGUID.Enable(false);
    bool upgrade = mode == imUpgrade;
    Button39.SetText(upgrade ? "Select..." : "Change...");
    winlib::SetHint(Button39.Handle(), upgrade ? "Retrieve GUID from project file" : "");
    CheckPrompt.Show(!upgrade);
    CheckUninstSilent.Show(!upgrade);
    for (const winlib::TControl* control : TControls{&CheckVersions, &EMinVer, &EMaxVer})
        ShowWithLabel(*control, upgrade);
    if (upgrade) {
        CheckVersions.SetChecked(false);
        return;
    }
    CheckPrompt.SetChecked(true);
    CheckUninstSilent.SetChecked(false);
}

void TForm1::Button39Click()
{
    if (ComboInstallMode.ItemIndex() != imUpgrade) {
        if (winlib::ShowMessageBox(Handle(), kGuidWarning, kProductTitle, MB_YESNO | MB_ICONWARNING) == IDYES)
            EGUID.Enable(true);
        return;
    }
    winlib::TOpenDialog dialog;
    dialog.Filter = "Tarvex Installer Projects (*.zpf)|*.zpf|All Files (*.*)|*.*";
    const std::string& project = AppState().ProjectFileName;
    if (winlib::FileExists(project))
        dialog.InitialDir = winlib::ExtractFileDir(project);
    if (!dialog.Execute(Handle()))
        return;
    EGUID.SetText(winlib::TIniFile(dialog.FileName).ReadString("Setup", "GUID", ""));
    Action1Execute();
}

void TForm1::Button1Click()
{
    winlib::TSaveDialog dialog;
    dialog.Filter = "Executable File (*.exe)|*.exe";
    dialog.DefaultExt = "exe";
    dialog.Options |= OFN_OVERWRITEPROMPT;
    dialog.FileName = ExpandProjectMacros(ESetupFile.Text());
    if (!dialog.Execute(Handle()))
        return;
    ESetupFile.SetText(dialog.FileName);
    ESetupFile.SetModified(true);
}

void TForm1::BrowsePicture(winlib::TEdit& edit, const std::string& filter, const std::string& fallback)
{
    winlib::TOpenDialog dialog;
    dialog.Filter = filter;
    dialog.Options |= OFN_FILEMUSTEXIST;
    dialog.PicturePreview = true;
    std::string current = edit.Text();
    dialog.FileName = winlib::FileExists(current) ? current : fallback;
    if (!dialog.Execute(Handle()))
        return;
    edit.SetText(dialog.FileName);
    edit.SetModified(true);
}

void TForm1::Button2Click()
{
    BrowsePicture(EWizard, "Bitmap Files 500x314 pixels (*.bmp)|*.bmp",
                  AppState().ProgramFolder + "Bitmaps\\Wizard\\00.bmp");
}

void TForm1::Button3Click()
{
    BrowsePicture(EHeader, "Bitmap Files 498x55 pixels (*.bmp)|*.bmp",
                  AppState().ProgramFolder + "Bitmaps\\Header\\00.bmp");
}

void TForm1::Button5Click()
{
    winlib::TOpenDialog dialog;
    dialog.Filter = "Icon Files (*.ico)|*.ico";
    std::string current = EIcon.Text();
    dialog.FileName = winlib::FileExists(current) ? current : "";
    if (!dialog.Execute(Handle()))
        return;
    EIcon.SetText(dialog.FileName);
    EIcon.SetModified(true);
}

// The Test buttons hand the address to the browser; what the shell answers is
// its own business (it shows its own error), so the result is not checked.
void TForm1::Button43Click() { winlib::ShellOpen(Handle(), "open", ExpandProjectMacros(EUninstallAddress.Text())); }
void TForm1::Button44Click() { winlib::ShellOpen(Handle(), "open", ExpandProjectMacros(EUpdateURL.Text())); }

void TForm1::CheckUninstallerClick()
{
    bool on = CheckUninstaller.Checked();
    CheckAddRemove.SetChecked(on);
    CheckAddRemove.Enable(on);
    for (const winlib::TCheckBox* box : {&CheckUSilent, &CheckUninstallForce, &CheckUninstallRestart, &CheckUninstallURL}) {
        box->SetChecked(false);
        box->Enable(on);
    }
    EUninstallAddress.Enable(false);
    Action1Execute();
    RebuildDestinationTree();
    ReplaceToolShortcut(kUninstallerTarget, "Uninstall <AppName>", on);
}

void TForm1::CheckUpdaterClick()
{
    bool on = CheckUpdater.Checked();
    for (const winlib::TControl* control : TControls{&EUpdateURL, &Button44, &CheckUpdateBefore, &CheckAutoUpdate})
        control->Enable(on);
    CheckAutoUpdate.SetChecked(false);
    // Without the updater the setup has no updater to run before installing.
    if (!on)
        CheckUpdateBefore.SetChecked(false);
    Action1Execute();
    RebuildDestinationTree();
    ReplaceToolShortcut(kUpdaterTarget, "Check for Updates", on);
}

void TForm1::CheckUpdateBeforeClick() { SetUpdaterCommand(ListView(TListId::Commands), CheckUpdateBefore.Checked()); }

// Removes the tool's shortcut row (target compared exactly) and, when the tool
// is now included, appends a fresh one at the end.
void TForm1::ReplaceToolShortcut(const std::string& target, const std::string& name, bool add)
{
    winlib::TListView& shortcuts = ListView(TListId::Shortcuts);
    for (int row = 0; row < shortcuts.Count(); ++row) {
        if (shortcuts.Cell(row, kShortcutTargetColumn) == target) {
            shortcuts.Delete(row);
            break;
        }
    }
    if (add)
        shortcuts.Add(winlib::TListRow{"<ProgramGroup>", {name, target, "", "", "<InstallDir>", "", "0", "Normal"}});
}
