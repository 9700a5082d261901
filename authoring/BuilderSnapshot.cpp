// The project as a build sees it: the main window's controls read once, when the
// build starts, into the setup script's values and the lists of files to pack.
#include <ctime>

#include "authoring/Builder.h"
#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"

using namespace setupformat;

namespace {

std::string Bool(const winlib::TCheckBox& box) { return box.Checked() ? "1" : "0"; }
std::string Index(const winlib::TComboBox& combo) { return std::to_string(combo.ItemIndex()); }

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Today()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}

std::string OptionLink(int n) { return Form15 != nullptr ? Form15->Edit(n).Text() : std::string(); }

// The records of one list view: caption and further columns, left to right.
std::vector<TListRecord> Records(const winlib::TListView& list, size_t fields)
{
    std::vector<TListRecord> records;
    for (int i = 0; i < list.Count(); ++i) {
        TListRecord record;
        for (size_t column = 0; column < fields; ++column)
            record.push_back(list.Cell(i, static_cast<int>(column)));
        records.push_back(std::move(record));
    }
    return records;
}

// A shortcut row's Destination and Shortcut Name become one path in the script.
std::vector<TListRecord> ShortcutRecords(const winlib::TListView& list)
{
    std::vector<TListRecord> records = Records(list, 9);
    for (TListRecord& record : records) {
        record[0] = record[0] + "\\" + record[1] + ".lnk";
        record.erase(record.begin() + 1);
    }
    return records;
}

std::vector<TBuildTextRow> TextRows(const winlib::TListView& list)
{
    std::vector<TBuildTextRow> rows;
    for (int i = 0; i < list.Count(); ++i)
        rows.push_back({list.Cell(i, 0), list.Cell(i, 1)});
    return rows;
}

}  // namespace

TBuildProject TForm1::TakeBuildProject()
{
    TBuildProject project;
    const TAppState& state = AppState();
    project.Target = ExpandProjectMacros(ESetupFile.Text());
    project.ProgramFolder = state.ProgramFolder;
    if (state.ProjectFileName != "New Product")
        project.ProjectFile = state.ProjectFileName;
    project.InstallLevel = ProjectInstallLevel();

    const std::pair<const char*, std::string> setup[] = {
        {"BuildDate", Today()},
        {"Version", ScriptFormatVersion},
        {"AppName", EAppName.Text()},
        {"AppVersion", EAppVersion.Text()},
        {"GUID", EGUID.Text()},
        {"CompanyName", ECompanyName.Text()},
        {"WebSite", EWebSite.Text()},
        {"SupportLink", ESupport.Text()},
        {"Win9x", CheckListOS.Checked(0) ? "1" : "0"},
        {"WinNT", CheckListOS.Checked(1) ? "1" : "0"},
        {"Win2000", CheckListOS.Checked(2) ? "1" : "0"},
        {"WinXP", CheckListOS.Checked(3) ? "1" : "0"},
        {"WinSrv2003", CheckListOS.Checked(4) ? "1" : "0"},
        {"WinVista", CheckListOS.Checked(5) ? "1" : "0"},
        {"Win7", CheckListOS.Checked(6) ? "1" : "0"},
        {"Win8", CheckListOS.Checked(7) ? "1" : "0"},
        {"x64", Bool(Check64OS)},
        {"Admin", Bool(CheckAdmin)},
        {"Internet", Bool(CheckInet)},
        {"CloseApp", Bool(CheckCloseApp)},
        {"CloseAppFile", ECloseApp.Text()},
        {"CloseAppText", ECloseText.Text()},
        {"dotNET", Bool(CheckDotNET)},
        {"dotNETVersion", Index(ComboDotNET)},
        {"IE", Bool(CheckIE)},
        {"IEVersion", ComboIE.Text()},
        {"AR", Bool(CheckAcrobat)},
        {"ARVersion", ComboAcrobat.Text()},
        {"Java", Bool(CheckJava)},
        {"JavaVersion", ComboJava.Text()},
        {"SQL", Bool(CheckSQLC)},
        {"SQLVersion", Index(ComboSQLC)},
        {"SQLE", Bool(CheckSQLE)},
        {"SQLEVersion", Index(ComboSQLE)},
        {"LinkDN", OptionLink(1)},
        {"LinkIE", OptionLink(2)},
        {"LinkAR", OptionLink(3)},
        {"LinkJR", OptionLink(4)},
        {"LinkSQL", OptionLink(5)},
        {"LinkSQLE", OptionLink(6)},
        {"SelectFolderMode", Form15 != nullptr ? Index(Form15->ComboBox1) : "0"},
        {"InstallationPath", Trim(ComboInstallPath.Text())},
        {"MainExecutable", ComboExecutable.Text()},
        {"ExistMode", ComboBasic.Text()},
        {"NotRemove", Bool(CheckDontRemove)},
        {"Uninstall", Bool(CheckUninstaller)},
        {"SilentUninstall", Bool(CheckUSilent)},
        {"ShowAddRemove", Bool(CheckAddRemove)},
        {"UninstallForce", Bool(CheckUninstallForce)},
        {"UninstallRestart", Bool(CheckUninstallRestart)},
        {"VisitUninstallPage", Bool(CheckUninstallURL)},
        {"UninstallURL", EUninstallAddress.Text()},
        {"InstallMode", Index(ComboInstallMode)},
        {"InstallLevel", std::to_string(ProjectInstallLevel())},
        {"PromptUninstall", Bool(CheckPrompt)},
        {"PromptSilentUninstall", Bool(CheckUninstSilent)},
        {"CheckVersions", Bool(CheckVersions)},
        {"CheckMinVer", EMinVer.Text()},
        {"CheckMaxVer", EMaxVer.Text()},
        {"Updater", Bool(CheckUpdater)},
        {"UpdateURL", EUpdateURL.Text()},
        {"CheckUpdateBefore", Bool(CheckUpdateBefore)},
        {"AutoCheckUpdate", Bool(CheckAutoUpdate)},
        {"UpdateDay", EDay.Text()},
        {"AutoSilentUpdate", Bool(CheckSilentUpdate)},
        {"SilentInstall", Bool(CheckSilent)},
        {"DialogWelcome", Bool(CheckBox28)},
        {"DialogLicense", Bool(CheckBox29)},
        {"DialogReadme", Bool(CheckBox30)},
        {"DialogUserInfo", Bool(CheckBox31)},
        {"DialogDestinationFolder", Bool(CheckBox32)},
        {"DialogProgramGroup", Bool(CheckBox33)},
        {"DialogReady", Bool(CheckBox34)},
        {"DialogFinish", Bool(CheckBox35)},
        {"DefaultLanguage", ComboDefLng.Text()},
        {"AutoDetectLanguage", Bool(CheckAutoDetect)},
        {"AcceptAgreement", Bool(CheckAcceptAgg)},
        {"InfoUserName", Bool(CheckUserName)},
        {"InfoUserNameReq", Bool(CheckUserNameReq)},
        {"InfoCompany", Bool(CheckCompany)},
        {"InfoCompanyReq", Bool(CheckCompanyReq)},
        {"InfoCustom", Bool(CheckQueryCustom)},
        {"InfoCustomReq", Bool(CheckQueryCustomReq)},
        {"InfoCustomName", EQueryCustomName.Text()},
        {"RestartComputer", Bool(CheckRestart)},
        {"LaunchFile", Bool(CheckLaunchProgram)},
        {"LaunchFileName", ELaunchProgram.Text()},
        {"LaunchFileChecked", Bool(CheckLaunchProgramDef)},
        {"ViewReadme", Bool(CheckViewReadme)},
        {"ViewReadmeFile", EViewReadme.Text()},
        {"ViewReadmeChecked", Bool(CheckViewReadmeDef)},
        {"CustomAction", Bool(CheckCustomFinish)},
        {"CustomActionName", ECustomFinishName.Text()},
        {"CustomActionCommand", ECustomFinishCommand.Text()},
        {"CustomActionChecked", Bool(CheckCustomFinishDef)},
        {"ProgramGroup", Trim(ComboProgramGroup.Text())},
    };
    for (const auto& [key, value] : setup)
        project.Script.Set(key, value);

    const std::pair<TListSectionId, TListId> lists[] = {
        {lsPrerequisites, TListId::Prereq}, {lsRegistry, TListId::Registry}, {lsIni, TListId::INI},
        {lsCommands, TListId::Commands},    {lsVariables, TListId::Variables}, {lsExtensions, TListId::Ext},
        {lsEnvironments, TListId::Env},     {lsOthers, TListId::Others},
    };
    for (const auto& [section, list] : lists)
        project.Script.List(section) = Records(ListView(list), static_cast<size_t>(ListSection(section).FieldCount));
    project.Script.List(lsShortcuts) = ShortcutRecords(ListView(TListId::Shortcuts));

    project.SourceFolder = ESourceFolder.Text();
    project.SourceFiles = ListSFiles;
    project.ExistMode = ComboBasic.Text();
    project.NotRemove = CheckDontRemove.Checked();
    const winlib::TListView& files = ListFiles();
    for (int i = 0; i < files.Count(); ++i)
        project.AdditionalFiles.push_back({files.Cell(i, 0), files.Cell(i, 1), files.Cell(i, 2), files.Cell(i, 3)});
    for (int i = 0; i < CheckListLng.Count(); ++i)
        if (CheckListLng.Checked(i))
            project.Languages.push_back(CheckListLng.Cell(i, 0));
    if (CheckBox29.Checked())
        project.Licences = TextRows(ListLicense);
    if (CheckBox30.Checked())
        project.Readmes = TextRows(ListReadme);
    project.WizardBitmap = EWizard.Text();
    project.HeaderBitmap = EHeader.Text();
    project.Uninstaller = CheckUninstaller.Checked();
    project.Updater = CheckUpdater.Checked();
    project.UpdaterIni = project.Updater && CheckUpdateBefore.Checked();
    project.AppName = EAppName.Text();
    project.AppVersion = EAppVersion.Text();
    project.UpdateUrl = EUpdateURL.Text();
    project.EstimatedSize = EstimateInstallSize();
    return project;
}
