// The project document around the main window's controls: the save question,
// New, Open, Save and Save As, and the recent projects.
#include <shlobj.h>

#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "authoring/NewProjectWizard.h"
#include "authoring/ProjectRules.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

constexpr const char* kUntitled = "New Product";
constexpr int kRecentMax = 9;
// The tool button's drop-down lists the recent projects too, under ids of its own.
constexpr int kRecentDropDownFirst = cmRecentFirst + kRecentMax + 1;
constexpr const char* kExampleSite = "https://www.company.example";

// A path as menu text: "&" would underline the next letter instead of showing.
std::string MenuText(const std::string& path)
{
    std::string text;
    for (char c : path) {
        text += c;
        if (c == '&')
            text += '&';
    }
    return text;
}

// Enables the item of parent that opens submenu.
void EnableSubmenuItem(HMENU parent, HMENU submenu, bool on)
{
    for (int i = 0, n = GetMenuItemCount(parent); i < n; ++i) {
        HMENU child = GetSubMenu(parent, i);
        if (child == submenu) {
            EnableMenuItem(parent, static_cast<UINT>(i), MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
            return;
        }
        if (child != nullptr)
            EnableSubmenuItem(child, submenu, on);
    }
}

}  // namespace

bool TForm1::QuerySaveChanges()
{
    // An unattended build never asks and never saves.
    if (AppState().SilentBuild || !IsModified())
        return true;
    int answer = winlib::ShowMessageBox(
        Handle(), "The current project has been changed. Do you want to save the changes?", kProductTitle,
        MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES)
        return SaveDocument();  // a cancelled or failed save keeps the edits
    return answer == IDNO;
}

void TForm1::ToolButton3Click() { SaveDocument(); }

void TForm1::SaveAs1Click() { SaveDocumentAs(); }

bool TForm1::SaveDocument()
{
    const std::string& name = AppState().ProjectFileName;
    if (name.empty() || name == kUntitled)
        return SaveDocumentAs();
    return SaveReported(name);
}

bool TForm1::SaveDocumentAs()
{
    winlib::TSaveDialog dialog;
    dialog.DefaultExt = "zpf";
    dialog.Filter = "Tarvex Installer Project (*.zpf)|*.zpf";
    dialog.Options |= OFN_OVERWRITEPROMPT;
    dialog.InitialDir = winlib::ExtractFilePath(ESetupFile.Text());
    dialog.FileName = EAppName.Text();
    if (!dialog.Execute(Handle()))
        return false;
    TAppState& state = AppState();
    const std::string previous = state.ProjectFileName;
    state.ProjectFileName = winlib::ExpandFileName(dialog.FileName);
    if (SaveReported(state.ProjectFileName))
        return true;
    state.ProjectFileName = previous;  // the project still belongs to the file it came from
    return false;
}

bool TForm1::SaveReported(const std::string& path)
{
    try {
        SaveProject(path);
        return true;
    } catch (const std::exception& error) {
        winlib::ReportException(Handle(), error);
        return false;
    }
}

void TForm1::ToolButton2Click()
{
    if (!QuerySaveChanges())
        return;
    openDialog_.Filter = "Tarvex Installer Projects (*.zpf)|*.zpf|All Files (*.*)|*.*";
    openDialog_.Options |= OFN_FILEMUSTEXIST;
    if (openDialog_.Execute(Handle()))
        LoadProject(openDialog_.FileName, false);  // the question was asked above
}

// ---- New project ----

void TForm1::NewProject()
{
    TAppState& state = AppState();
    EGUID.SetText(NewProductGuid());
    state.ProjectFileName = kUntitled;
    SetProjectCaption(kUntitled);
    MainMenu().EnableItem(cmTest, false);
    ShowSettingsPage(pgGeneral);
    for (int page = pgGeneral; page <= pgRegister; ++page)
        Page(page).SetActivePage(0);
    ResetNewProjectValues();
    ClearModified();
    DataFolderSize = 0;
    winlib::ProcessMessages();
    ShowNewProjectWizard();
}

// A silent build never shows it: nothing would answer.
void TForm1::ShowNewProjectWizard()
{
    if (Form19 == nullptr || Form15 == nullptr || !Form15->CheckWizard.Checked() || AppState().SilentBuild)
        return;
    Form19->Execute();
    if (AppState().FirstRun && !Form19->Edit1.Text().empty() && !Form19->Edit2.Text().empty())
        winlib::ShowMessageBox(Handle(),
                               "Your setup project is ready to build. Click on the green arrow in the toolbar or press F8.",
                               "Tarvex Installer Wizard", MB_OK | MB_ICONINFORMATION);
}

// Steps 5 to 21: every check box set here runs its click handler when it changes.
void TForm1::ResetNewProjectValues()
{
    const std::string programFolder = AppState().ProgramFolder;
    EAppName.SetText(kUntitled);
    EAppVersion.SetText("1.0");
    ECompanyName.SetText("Company");
    EWebSite.SetText(kExampleSite);
    ESupport.SetText(std::string(kExampleSite) + "/support.html");
    ESetupFile.SetText(GetSpecialFolder(CSIDL_PERSONAL) + "MySetup.exe");
    EWizard.SetText(programFolder + "Bitmaps\\Wizard\\00.bmp");
    EHeader.SetText(programFolder + "Bitmaps\\Header\\00.bmp");
    CheckIcon.SetChecked(false);
    for (int i = 0; i < 8; ++i)
        CheckListOS.SetChecked(i, true);
    Check64OS.SetChecked(false);
    CheckAdmin.SetChecked(true);
    CheckInet.SetChecked(false);
    CheckCloseApp.SetChecked(false);
    ECloseApp.SetText("iexplore.exe");
    ECloseText.SetText("Internet Explorer");
    for (winlib::TCheckBox* box : {&CheckDotNET, &CheckIE, &CheckAcrobat, &CheckJava, &CheckSQLC, &CheckSQLE})
        box->SetChecked(false);
    ListView(TListId::Prereq).Clear();

    ComboInstallMode.SetItemIndex(0);
    ApplyInstallMode(0);
    ComboInstallLevel.SetItemIndex(1);
    CheckPrompt.SetChecked(true);
    CheckUninstSilent.SetChecked(false);
    CheckVersions.SetChecked(false);
    EMinVer.SetText("1.0");
    EMaxVer.SetText("");
    ESourceFolder.SetText("");
    ComboExecutable.Clear();
    ComboInstallPath.SetItemIndex(0);
    ComboBasic.SetItemIndex(1);
    CheckDontRemove.SetChecked(false);

    AppState().FolderSize = 0;
    ListSFiles.clear();
    ListDFiles.clear();
    ListFiles().Clear();
    CheckUninstaller.SetChecked(false);
    EUninstallAddress.SetText(std::string(kExampleSite) + "/uninstall.html");
    CheckPrompt.Enable(true);
    CheckPrompt.SetChecked(true);
    CheckUpdater.SetChecked(false);
    EUpdateURL.SetText(std::string(kExampleSite) + "/update.txt");
    CheckUpdateBefore.SetChecked(false);
    CheckAutoUpdate.SetChecked(false);
    EDay.SetText("1");
    CheckSilentUpdate.SetChecked(false);
    RebuildDestinationTree();

    CheckSilent.SetChecked(true);
    CheckSilent.SetChecked(false);
    CheckAutoDetect.SetChecked(false);
    Refresh1Click();
    CheckRestart.SetChecked(true);
    CheckRestart.SetChecked(false);
    ELaunchProgram.SetText("");
    EViewReadme.SetText("");
    EQueryCustomName.SetText("");
    ECustomFinishName.SetText("Visit Web Site");
    ECustomFinishCommand.SetText("<WebSite>");
    ComboProgramGroup.SetText("<AppName>");
    for (TListId id : {TListId::Shortcuts, TListId::Registry, TListId::INI, TListId::Commands, TListId::Variables,
                       TListId::Ext, TListId::Env, TListId::Others})
        ListView(id).Clear();
}

// ---- Recent projects ----

void TForm1::AddRecentProject(const std::string& path)
{
    std::vector<std::string>& recent = RecentList();
    for (auto it = recent.begin(); it != recent.end(); ++it)
        if (winlib::SameText(*it, path)) {
            recent.erase(it);
            break;
        }
    recent.insert(recent.begin(), path);
    if (recent.size() > kRecentMax)
        recent.resize(kRecentMax);
    RebuildRecentMenu();
}

void TForm1::RebuildRecentMenu()
{
    const std::vector<std::string>& recent = RecentList();
    menu_.ClearSubmenu(recentMenu_);
    recentDropDown_.ClearSubmenu(recentDropDown_.Handle());
    for (size_t i = 0; i < recent.size() && i < kRecentMax; ++i) {
        const int index = static_cast<int>(i);
        std::string caption = std::to_string(i + 1);
        caption += ' ';
        caption += MenuText(recent[i]);
        menu_.AddItem(recentMenu_, cmRecentFirst + index, caption, [this, index] { RecentItemClick(index); });
        recentDropDown_.AddItem(nullptr, kRecentDropDownFirst + index, caption,
                                [this, index] { RecentItemClick(index); });
    }
    EnableSubmenuItem(menu_.Handle(), recentMenu_, !recent.empty());
    if (Handle() != nullptr)
        DrawMenuBar(Handle());  // the bar is drawn again only when asked; a failure changes nothing
}

// By index, not from the caption: a caption holds "&&" for each "&" of the path.
void TForm1::RecentItemClick(int index)
{
    if (index < 0 || index >= static_cast<int>(RecentList().size()))
        return;
    const std::string path = RecentList()[static_cast<size_t>(index)];
    LoadProject(path, true);
}
