// The project file: the writer and the reader of the main window's controls.
// The [Setup] keys are one table in writing order; the writer walks it, and the
// reader applies the same entries by name in the order in which the controls'
// handlers must see them.
#include "authoring/MainWindow.h"

#include <climits>
#include <stdexcept>

#include "authoring/OptionsDialog.h"
#include "authoring/ProjectRules.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

using winlib::TIniDocument;

namespace {

constexpr const char* kSetup = "Setup";
constexpr const char* kLanguages = "Languages";
constexpr const char* kDefaultRow = "(Default)";

// Link: a download link of the Options dialog, whose current text is the default.
enum class TStored { Text, Link, Bool, Index, OsItem, Computed, LanguagesHere };

// One [Setup] key: how it is stored, its control, and the reader's default.
struct TSetupValue {
    const char* Key;
    TStored Form;
    winlib::TControl* Control;  // TEdit or TComboBox (Text), TCheckBox, TComboBox (Index), TCheckList
    std::string Default;        // "1"/"0" for bools, a number for indexes
    int Item = 0;               // OsItem: the item of CheckListOS
};

std::vector<TSetupValue> SetupValues(TForm1& f)
{
    const std::string programFolder = AppState().ProgramFolder;
    using T = TStored;
    std::vector<TSetupValue> v = {
        {"Version", T::Computed, nullptr, kProjectVersionMissing},
        {"GUID", T::Text, &f.EGUID, ""},
        {"AppName", T::Text, &f.EAppName, ""},
        {"AppVersion", T::Text, &f.EAppVersion, ""},
        {"CompanyName", T::Text, &f.ECompanyName, ""},
        {"WebSite", T::Text, &f.EWebSite, ""},
        {"SupportLink", T::Text, &f.ESupport, ""},
        {"SetupFile", T::Text, &f.ESetupFile, ""},
        {"WizardBitmap", T::Text, &f.EWizard, programFolder + "Bitmaps\\Wizard\\00.bmp"},
        {"HeaderBitmap", T::Text, &f.EHeader, programFolder + "Bitmaps\\Header\\00.bmp"},
        {"CustomIcon", T::Bool, &f.CheckIcon, "0"},
        {"CustomIconFile", T::Text, &f.EIcon, ""},
    };
    const char* const os[8] = {"Win9x", "WinNT", "Win2000", "WinXP", "WinSrv2003", "WinVista", "Win7", "Win8"};
    for (int i = 0; i < 8; ++i)
        v.push_back({os[i], T::OsItem, &f.CheckListOS, "1", i});
    std::vector<TSetupValue> rest = {
        {"x64", T::Bool, &f.Check64OS, "0"},
        {"Admin", T::Bool, &f.CheckAdmin, "0"},
        {"Internet", T::Bool, &f.CheckInet, "0"},
        {"CloseApp", T::Bool, &f.CheckCloseApp, "0"},
        {"CloseAppFile", T::Text, &f.ECloseApp, ""},
        {"CloseAppText", T::Text, &f.ECloseText, ""},
        {"dotNET", T::Bool, &f.CheckDotNET, "0"},
        {"dotNETVersion", T::Index, &f.ComboDotNET, "0"},
        {"LinkDN", T::Link, Form15 ? &Form15->Edit(1) : nullptr, ""},
        {"IE", T::Bool, &f.CheckIE, "0"},
        {"IEVersion", T::Index, &f.ComboIE, "0"},
        {"LinkIE", T::Link, Form15 ? &Form15->Edit(2) : nullptr, ""},
        {"AR", T::Bool, &f.CheckAcrobat, "0"},
        {"ARVersion", T::Index, &f.ComboAcrobat, "0"},
        {"LinkAR", T::Link, Form15 ? &Form15->Edit(3) : nullptr, ""},
        {"Java", T::Bool, &f.CheckJava, "0"},
        {"JavaVersion", T::Index, &f.ComboJava, "0"},
        {"LinkJR", T::Link, Form15 ? &Form15->Edit(4) : nullptr, ""},
        {"SQL", T::Bool, &f.CheckSQLC, "0"},
        {"SQLVersion", T::Index, &f.ComboSQLC, "0"},
        {"LinkSQL", T::Link, Form15 ? &Form15->Edit(5) : nullptr, ""},
        {"SQLE", T::Bool, &f.CheckSQLE, "0"},
        {"SQLExpressVersion", T::Computed, &f.ComboSQLE, ""},
        {"SQLEVersion", T::Computed, &f.ComboSQLE, ""},
        {"LinkSQLE", T::Link, Form15 ? &Form15->Edit(6) : nullptr, ""},
        {"InstallMode", T::Index, &f.ComboInstallMode, "0"},
        {"InstallLevel", T::Index, &f.ComboInstallLevel, "1"},
        {"PromptUninstall", T::Bool, &f.CheckPrompt, "1"},
        {"PromptSilentUninstall", T::Bool, &f.CheckUninstSilent, "0"},
        {"CheckVersions", T::Bool, &f.CheckVersions, "0"},
        {"CheckMinVer", T::Text, &f.EMinVer, "1.0"},
        {"CheckMaxVer", T::Text, &f.EMaxVer, ""},
        {"InstallationPath", T::Text, &f.ComboInstallPath, ""},
        {"SourceFolder", T::Text, &f.ESourceFolder, ""},
        {"MainExecutable", T::Text, &f.ComboExecutable, ""},
        {"ExistMode", T::Index, &f.ComboBasic, "1"},
        {"NotRemove", T::Bool, &f.CheckDontRemove, "0"},
        {"Uninstall", T::Bool, &f.CheckUninstaller, "0"},
        {"SilentUninstall", T::Bool, &f.CheckUSilent, "0"},
        {"ShowAddRemove", T::Bool, &f.CheckAddRemove, "0"},
        {"UninstallForce", T::Bool, &f.CheckUninstallForce, "0"},
        {"UninstallRestart", T::Bool, &f.CheckUninstallRestart, "0"},
        {"VisitUninstallPage", T::Bool, &f.CheckUninstallURL, "0"},
        {"UninstallURL", T::Text, &f.EUninstallAddress, ""},
        {"Updater", T::Bool, &f.CheckUpdater, "0"},
        {"UpdateURL", T::Text, &f.EUpdateURL, ""},
        {"CheckUpdateBefore", T::Bool, &f.CheckUpdateBefore, "0"},
        {"AutoCheckUpdate", T::Bool, &f.CheckAutoUpdate, "0"},
        {"UpdateDay", T::Text, &f.EDay, "1"},
        {"AutoSilentUpdate", T::Bool, &f.CheckSilentUpdate, "0"},
        {"SilentInstall", T::Bool, &f.CheckSilent, "0"},
        {"DialogWelcome", T::Bool, &f.CheckBox28, "1"},
        {"DialogLicense", T::Bool, &f.CheckBox29, "0"},
        {"DialogReadme", T::Bool, &f.CheckBox30, "0"},
        {"DialogUserInfo", T::Bool, &f.CheckBox31, "0"},
        {"DialogDestinationFolder", T::Bool, &f.CheckBox32, "1"},
        {"DialogProgramGroup", T::Bool, &f.CheckBox33, "1"},
        {"DialogReady", T::Bool, &f.CheckBox34, "1"},
        {"DialogFinish", T::Bool, &f.CheckBox35, "1"},
        {"", T::LanguagesHere, nullptr, ""},
        {"DefaultLanguage", T::Text, &f.ComboDefLng, ""},
        {"AutoDetectLanguage", T::Bool, &f.CheckAutoDetect, "0"},
        {"AcceptAgreement", T::Bool, &f.CheckAcceptAgg, "0"},
        {"InfoUserName", T::Bool, &f.CheckUserName, "0"},
        {"InfoUserNameReq", T::Bool, &f.CheckUserNameReq, "0"},
        {"InfoCompany", T::Bool, &f.CheckCompany, "0"},
        {"InfoCompanyReq", T::Bool, &f.CheckCompanyReq, "0"},
        {"InfoCustom", T::Bool, &f.CheckQueryCustom, "0"},
        {"InfoCustomReq", T::Bool, &f.CheckQueryCustomReq, "0"},
        {"InfoCustomName", T::Text, &f.EQueryCustomName, ""},
        {"RestartComputer", T::Bool, &f.CheckRestart, "0"},
        {"LaunchFile", T::Bool, &f.CheckLaunchProgram, "0"},
        {"LaunchFileName", T::Text, &f.ELaunchProgram, ""},
        {"LaunchFileChecked", T::Bool, &f.CheckLaunchProgramDef, "0"},
        {"ViewReadme", T::Bool, &f.CheckViewReadme, "0"},
        {"ViewReadmeFile", T::Text, &f.EViewReadme, ""},
        {"ViewReadmeChecked", T::Bool, &f.CheckViewReadmeDef, "0"},
        {"CustomAction", T::Bool, &f.CheckCustomFinish, "0"},
        {"CustomActionName", T::Text, &f.ECustomFinishName, ""},
        {"CustomActionCommand", T::Text, &f.ECustomFinishCommand, ""},
        {"CustomActionChecked", T::Bool, &f.CheckCustomFinishDef, "0"},
        {"ProgramGroup", T::Text, &f.ComboProgramGroup, ""},
        {"FilesCount", T::Computed, nullptr, "-1"},
        {"AdditionalFiles", T::Computed, nullptr, ""},
        {"FolderSize", T::Computed, nullptr, "0"},
    };
    v.insert(v.end(), rest.begin(), rest.end());
    return v;
}

// The nine "*?" list sections and their list views, in writing order after [Files].
struct TListSectionPlace {
    const char* Section;
    TListId List;
};
constexpr TListSectionPlace kWrittenLists[] = {
    {"Shortcuts", TListId::Shortcuts}, {"Registry", TListId::Registry},   {"INI", TListId::INI},
    {"Commands", TListId::Commands},   {"Variables", TListId::Variables}, {"Extensions", TListId::Ext},
    {"Environments", TListId::Env},    {"Others", TListId::Others},
};

size_t ColumnsOf(const char* section)
{
    for (const TListSection& known : ListSections())
        if (winlib::SameText(known.Name, section))
            return known.Fields;
    throw std::logic_error(std::string("no field count for list section ") + section);
}

std::string BoolText(bool on) { return std::string(1, on ? '1' : '0'); }

bool ParseInt(const std::string& text, int& value)
{
    long long parsed = 0;
    if (!winlib::ParseDecimal(text, INT_MIN, INT_MAX, parsed))
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// Reads a [Setup] value of the document in the forms of the file.
class TSetupReader {
public:
    explicit TSetupReader(const TIniDocument& doc) : doc_(doc) {}
    bool Has(const std::string& key) const { return doc_.ValueExists(kSetup, key); }
    std::string Text(const std::string& key, const std::string& def) const { return doc_.ReadString(kSetup, key, def); }
    int Integer(const std::string& key, int def) const
    {
        int value = def;
        return ParseInt(doc_.ReadString(kSetup, key, ""), value) ? value : def;
    }
    bool Bool(const std::string& key, bool def) const { return Integer(key, def ? 1 : 0) != 0; }

private:
    const TIniDocument& doc_;
};

const TSetupValue& ValueOf(const std::vector<TSetupValue>& values, const std::string& key)
{
    for (const TSetupValue& value : values)
        if (key == value.Key)
            return value;
    throw std::logic_error("no project key " + key);
}

// The row's record: its caption and further columns, as many as the section has.
std::vector<std::string> RecordOf(const winlib::TListRow& row, size_t columns)
{
    std::vector<std::string> fields{row.Caption};
    fields.insert(fields.end(), row.Texts.begin(), row.Texts.end());
    fields.resize(columns);
    return fields;
}

// Puts one stored value into its control with the reader's default; check boxes run
// their click handlers when their state changes.
void Apply(const std::vector<TSetupValue>& values, const TSetupReader& setup, const std::string& key)
{
    const TSetupValue& value = ValueOf(values, key);
    switch (value.Form) {
    case TStored::Link:
        if (auto* edit = dynamic_cast<winlib::TEdit*>(value.Control))
            edit->SetText(setup.Text(key, edit->Text()));
        break;
    case TStored::Text:
        if (auto* edit = dynamic_cast<winlib::TEdit*>(value.Control))
            edit->SetText(setup.Text(key, value.Default));
        else if (auto* combo = dynamic_cast<winlib::TComboBox*>(value.Control))
            combo->SetText(setup.Text(key, value.Default));
        break;
    case TStored::Bool:
        static_cast<winlib::TCheckBox*>(value.Control)->SetChecked(setup.Bool(key, value.Default == "1"));
        break;
    case TStored::Index:
        static_cast<winlib::TComboBox*>(value.Control)->SetItemIndex(setup.Integer(key, std::stoi(value.Default)));
        break;
    case TStored::OsItem:
        static_cast<winlib::TCheckList*>(value.Control)->SetChecked(value.Item, setup.Bool(key, true));
        break;
    default:
        throw std::logic_error("project key " + key + " is not read through its control");
    }
}

void ApplyAll(const std::vector<TSetupValue>& values, const TSetupReader& setup,
              std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        Apply(values, setup, key);
}

winlib::TListRow RowOf(const std::vector<std::string>& fields)
{
    winlib::TListRow row;
    row.Caption = fields.empty() ? std::string() : fields[0];
    if (fields.size() > 1)
        row.Texts.assign(fields.begin() + 1, fields.end());
    return row;
}

void WriteRecords(TIniDocument& doc, const std::string& path, const char* section, const winlib::TListView& list,
                  const char* separator, size_t columns)
{
    for (int i = 0; i < list.Count(); ++i) {
        std::string key = std::to_string(i);
        std::string record;
        try {
            record = winlib::JoinRecord(RecordOf(list.Row(i), columns), separator);
        } catch (const std::invalid_argument&) {
            // The separator inside a field would shift the fields when read back.
            throw winlib::EIniError("Unable to write to " + path + "\r\n\r\n[" + section + "] " + key);
        }
        doc.WriteString(section, key, record, path);
    }
}

// [License] and [Readme]: the language as key, the file as value; "(Default)" is
// always there.
void WriteLanguageFiles(TIniDocument& doc, const std::string& path, const char* section,
                        const winlib::TListView& list)
{
    bool hasDefault = false;
    for (int i = 0; i < list.Count(); ++i)
        hasDefault = hasDefault || winlib::SameText(list.Cell(i, 0), kDefaultRow);
    if (!hasDefault)
        doc.WriteString(section, kDefaultRow, "", path);
    for (int i = 0; i < list.Count(); ++i)
        doc.WriteString(section, list.Cell(i, 0), list.Cell(i, 1), path);
}

}  // namespace

// ---- Writer ----

void TForm1::SaveProject(const std::string& fileName)
{
    const std::string path = winlib::ExpandFileName(fileName);
    TIniDocument doc;
    int sqle = ComboSQLE.ItemIndex();
    for (const TSetupValue& value : SetupValues(*this)) {
        std::string text;
        switch (value.Form) {
        case TStored::Text:
        case TStored::Link:
            text = value.Control != nullptr ? value.Control->Text() : std::string();
            break;
        case TStored::Bool:
            text = BoolText(static_cast<winlib::TCheckBox*>(value.Control)->Checked());
            break;
        case TStored::Index:
            text = std::to_string(static_cast<winlib::TComboBox*>(value.Control)->ItemIndex());
            break;
        case TStored::OsItem:
            text = BoolText(CheckListOS.Checked(value.Item));
            break;
        case TStored::LanguagesHere:
            for (int i = 0; i < CheckListLng.Count(); ++i)
                if (CheckListLng.Checked(i))
                    doc.WriteString(kLanguages, CheckListLng.Cell(i, 0), "", path);
            continue;
        case TStored::Computed:
            if (std::string(value.Key) == "Version")
                text = kProjectVersion;
            else if (std::string(value.Key) == "SQLExpressVersion")
                text = sqle >= 0 ? ComboSQLE.Item(sqle) : std::string();
            else if (std::string(value.Key) == "SQLEVersion") {
                if (SqleLegacyIndexOfItem(sqle) < 0)
                    continue;  // older versions find nothing they know: no key
                text = std::to_string(SqleLegacyIndexOfItem(sqle));
            } else if (std::string(value.Key) == "FilesCount")
                text = std::to_string(ListFiles().Count() - 1);
            else if (std::string(value.Key) == "AdditionalFiles")
                text = std::to_string(ListFiles().Count());
            else
                text = std::to_string(DataFolderSize);
            break;
        }
        doc.WriteString(kSetup, value.Key, text, path);
    }
    WriteListSections(doc, path);
    doc.SaveToFile(path);
    SetProjectCaption(winlib::ExtractFileName(path));
    AddRecentProject(path);
    ClearModified();
}

void TForm1::WriteListSections(TIniDocument& doc, const std::string& path)
{
    // The hidden size column of the Files list is not stored.
    WriteRecords(doc, path, "Files", ListFiles(), kFilesSeparator, 4);
    WriteRecords(doc, path, "Prerequisites", ListView(TListId::Prereq), kFieldSeparator, ColumnsOf("Prerequisites"));
    WriteLanguageFiles(doc, path, "License", ListLicense);
    WriteLanguageFiles(doc, path, "Readme", ListReadme);
    for (const TListSectionPlace& place : kWrittenLists)
        WriteRecords(doc, path, place.Section, ListView(place.List), kFieldSeparator, ColumnsOf(place.Section));
}

// ---- Reader ----

bool TForm1::LoadProject(const std::string& fileName, bool ask)
{
    if (ask && !QuerySaveChanges())
        return false;
    if (!winlib::FileExists(fileName)) {
        // Also under /S, where the message function makes it the stderr line that
        // explains exit code 1.
        winlib::ShowMessageBox(Handle(), "File not found:\r\n" + fileName, kProductTitle, MB_OK | MB_ICONERROR);
        return false;
    }
    const std::string path = winlib::ExpandFileName(fileName);
    TIniDocument doc;
    if (!ReadProjectFile(path, doc))
        return false;
    LoadProjectValues(doc, path);
    MainMenu().EnableItem(cmTest, false);
    AppState().ProjectFileName = path;
    SetProjectCaption(winlib::ExtractFileName(path));
    AddRecentProject(path);
    ClearModified();
    winlib::ProcessMessages();
    return true;
}

// The whole file is parsed before any control changes, so an unreadable file leaves
// the open project as it was.
bool TForm1::ReadProjectFile(const std::string& path, TIniDocument& doc)
{
    try {
        doc.LoadFromFile(path);
        return true;
    } catch (const winlib::EOSError&) {
        winlib::ShowMessageBox(Handle(), "File access denied:\r\n" + path, kProductTitle, MB_OK | MB_ICONERROR);
        return false;
    }
}

void TForm1::LoadProjectValues(TIniDocument& doc, const std::string& path)
{
    TSetupReader setup(doc);
    const std::string version = setup.Text("Version", kProjectVersionMissing);
    if (ProjectMajorVersion(version) < 4 && !AppState().SilentBuild)
        winlib::ShowMessageBox(Handle(),
                               "\"" + winlib::ExtractFileName(path) + "\" was created with an old version (" +
                                   version + ") of Tarvex Installer.\r\nSome settings may be lost. Please recheck "
                                             "your project.",
                               kProductTitle, MB_OK | MB_ICONWARNING);
    LoadGeneralValues(doc, path);
    LoadInstallationValues(doc);
    LoadDialogsValues(doc);
    LoadFileValues(doc);
    LoadListSections(doc);
}

// Steps 4 to 10: information, GUID, graphics, requirements, prerequisites, links.
void TForm1::LoadGeneralValues(TIniDocument& doc, const std::string& path)
{
    const std::vector<TSetupValue> values = SetupValues(*this);
    TSetupReader setup(doc);
    ApplyAll(values, setup, {"AppName", "AppVersion"});
    if (setup.Has("GUID"))
        EGUID.SetText(setup.Text("GUID", ""));
    else
        AssignProductGuid(doc, path);
    ApplyAll(values, setup, {"CompanyName", "WebSite", "SupportLink", "SetupFile", "WizardBitmap", "HeaderBitmap"});
    ApplyAll(values, setup, {"CustomIcon", "CustomIconFile"});
    EIcon.Enable(CheckIcon.Checked());
    Button5.Enable(CheckIcon.Checked());
    ApplyAll(values, setup, {"x64", "Win9x", "WinNT", "Win2000", "WinXP", "WinSrv2003", "WinVista", "Win7", "Win8",
                             "Admin", "Internet", "CloseApp"});
    ECloseApp.Enable(CheckCloseApp.Checked());
    ECloseText.Enable(CheckCloseApp.Checked());
    ApplyAll(values, setup, {"CloseAppFile", "CloseAppText"});

    const std::pair<const char*, const char*> prerequisites[] = {
        {"dotNET", "dotNETVersion"}, {"IE", "IEVersion"}, {"AR", "ARVersion"},
        {"Java", "JavaVersion"},     {"SQL", "SQLVersion"},
    };
    for (const auto& [box, index] : prerequisites) {
        Apply(values, setup, box);
        const TSetupValue& combo = ValueOf(values, index);
        combo.Control->Enable(static_cast<winlib::TCheckBox*>(ValueOf(values, box).Control)->Checked());
        Apply(values, setup, index);
    }
    Apply(values, setup, "SQLE");
    ComboSQLE.Enable(CheckSQLE.Checked());
    int legacy = 0;
    if (setup.Has("SQLExpressVersion"))
        SelectComboItem(ComboSQLE, setup.Text("SQLExpressVersion", ""));
    else if (setup.Has("SQLEVersion") && ParseInt(setup.Text("SQLEVersion", ""), legacy) &&
             SqleItemOfLegacyIndex(legacy) >= 0)
        ComboSQLE.SetItemIndex(SqleItemOfLegacyIndex(legacy));
    ApplyAll(values, setup, {"LinkDN", "LinkIE", "LinkAR", "LinkJR", "LinkSQL", "LinkSQLE"});
}

// A file without a GUID gets one at once, also on disk: the GUID names the product's
// Add/Remove Programs entry, and a second load must not invent another. Only the
// GUID line is added; a file without [Setup] (not a project) is never written.
void TForm1::AssignProductGuid(TIniDocument& doc, const std::string& path)
{
    const std::string guid = NewProductGuid();
    EGUID.SetText(guid);
    if (!AppState().SilentBuild)
        winlib::ShowMessageBox(Handle(),
                               "The ProductGUID is not found in the project file. Since Tarvex Installer 5.0, the "
                               "ProductGUID is used as an identifier of a product, instead of Product Name.\r\n\r\n"
                               "The following ProductGUID has been created for your product:\r\n\r\n" + guid,
                               kProductTitle, MB_OK | MB_ICONWARNING);
    if (!doc.SectionExists(kSetup))
        return;
    try {
        doc.WriteString(kSetup, "GUID", guid, path);
        doc.SaveToFile(path);
    } catch (const std::exception&) {
        // A read-only project still loads; the GUID reaches the file with the next save.
    }
}

// Steps 11 to 14: installation parameters, files and folders, uninstallation,
// update, the dialogs' main options; then the first page is shown.
void TForm1::LoadInstallationValues(const TIniDocument& doc)
{
    const std::vector<TSetupValue> values = SetupValues(*this);
    TSetupReader setup(doc);
    Apply(values, setup, "InstallMode");
    ApplyInstallMode(ComboInstallMode.ItemIndex());
    ApplyAll(values, setup,
             {"InstallLevel", "PromptUninstall", "PromptSilentUninstall", "CheckVersions", "CheckMinVer", "CheckMaxVer"});
    ComboInstallPath.SetItemIndex(-1);
    ComboInstallPath.SetText(setup.Text("InstallationPath", ""));
    ApplyAll(values, setup,
             {"SourceFolder", "ExistMode", "NotRemove", "Uninstall", "SilentUninstall", "ShowAddRemove",
              "UninstallForce", "UninstallRestart", "VisitUninstallPage", "UninstallURL", "Updater", "UpdateURL",
              "CheckUpdateBefore", "AutoCheckUpdate", "UpdateDay", "AutoSilentUpdate"});
    // Its click handler must run with the final state, whatever the previous one was.
    CheckSilent.SetChecked(true);
    CheckSilent.SetChecked(false);
    Apply(values, setup, "SilentInstall");
    ApplyAll(values, setup,
             {"DialogWelcome", "DialogLicense", "DialogReadme", "DialogUserInfo", "DialogDestinationFolder",
              "DialogProgramGroup", "DialogReady", "DialogFinish"});
    ShowSettingsPage(pgGeneral);
    for (int page = pgGeneral; page <= pgRegister; ++page)
        Page(page).SetActivePage(0);
}

// Steps 15 to 18: languages before the default language, then the finish options,
// the program group, and the licence and readme files of the languages' rows.
void TForm1::LoadDialogsValues(const TIniDocument& doc)
{
    const std::vector<TSetupValue> values = SetupValues(*this);
    TSetupReader setup(doc);
    for (int i = 0; i < CheckListLng.Count(); ++i)
        CheckListLng.SetChecked(i, doc.ValueExists(kLanguages, CheckListLng.Cell(i, 0)));
    RebuildLanguageLists();
    SelectComboItem(ComboDefLng, setup.Text("DefaultLanguage", ""));
    ApplyAll(values, setup,
             {"AutoDetectLanguage", "AcceptAgreement", "InfoUserName", "InfoUserNameReq", "InfoCompany",
              "InfoCompanyReq", "InfoCustom", "InfoCustomReq", "InfoCustomName", "RestartComputer", "ViewReadme",
              "ViewReadmeFile", "ViewReadmeChecked", "CustomAction", "CustomActionName", "CustomActionCommand",
              "CustomActionChecked"});
    ComboProgramGroup.SetItemIndex(-1);
    ComboProgramGroup.SetText(setup.Text("ProgramGroup", ""));
    const std::pair<const char*, winlib::TListView*> languageFiles[] = {{"License", &ListLicense},
                                                                        {"Readme", &ListReadme}};
    for (const auto& [section, list] : languageFiles)
        for (const std::string& key : doc.ReadSection(section))
            for (int row = 0; row < list->Count(); ++row)
                if (winlib::SameText(list->Cell(row, 0), key))
                    list->SetCell(row, 1, doc.ReadString(section, key, ""));
}

// Steps 19 to 25: the lists emptied after the handlers above ran, the data-folder
// size, the additional files, the source-folder scan, the main executable and its
// version, the launch option.
void TForm1::LoadFileValues(const TIniDocument& doc)
{
    const std::vector<TSetupValue> values = SetupValues(*this);
    TSetupReader setup(doc);
    for (int id = 0; id < kListCount; ++id)  // the nine lists and the Additional Files
        ListView(static_cast<TListId>(id)).Clear();
    DataFolderSize = ReadFolderSize(setup.Text("FolderSize", "0"));

    const int rows = setup.Integer("AdditionalFiles", setup.Integer("FilesCount", -1) + 1);
    // Keys past the highest numbered one cannot exist: a huge count reads no further.
    long long highest = -1;
    for (const std::string& key : doc.ReadSection("Files")) {
        long long number = 0;
        if (winlib::ParseDecimal(key, 0, INT_MAX, number) && number > highest)
            highest = number;
    }
    std::vector<winlib::TListRow> files;
    for (long long i = 0; i < rows && i <= highest; ++i) {
        std::vector<std::string> fields;
        if (ReadFilesRecord(doc.ReadString("Files", std::to_string(i), ""), fields))
            files.push_back(RowOf(fields));
    }
    ListFiles().SetRows(std::move(files));

    ComboExecutable.Clear();
    ScanSourceFolder();
    RebuildDestinationTree();
    SelectComboItem(ComboExecutable, setup.Text("MainExecutable", ""));
    UpdateVersionFromExecutable();
    ApplyAll(values, setup, {"LaunchFile", "LaunchFileName", "LaunchFileChecked"});
}

// The product version follows the main executable's, when the preference asks for it.
void TForm1::UpdateVersionFromExecutable()
{
    if (Form15 == nullptr || !Form15->CheckBox5.Checked())
        return;
    const std::string executable = ComboExecutable.Text();
    const std::string file = winlib::ReplaceFirstNoCase(executable, "<InstallDir>", ESourceFolder.Text());
    if (!winlib::FileExists(file))
        return;
    const std::string version = GetFileProductVersion(file);
    if (version.empty() || version == EAppVersion.Text())
        return;
    if (!AppState().SilentBuild &&
        winlib::ShowMessageBox(Handle(),
                               "A new version of main executable \"" + winlib::ExtractFileName(executable) +
                                   "\" has been detected.\r\n\r\nWould you like to update the Product Version from " +
                                   EAppVersion.Text() + " to " + version + "?",
                               kProductTitle, MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
    EAppVersion.SetText(version);
}

// Step 26: each list's keys are counted, and keys "0" to count-1 are read.
void TForm1::LoadListSections(const TIniDocument& doc)
{
    const bool invert = InvertsSearchCriteria(doc.ReadString(kSetup, "Version", kProjectVersionMissing));
    std::vector<TListSectionPlace> order(std::begin(kWrittenLists), std::end(kWrittenLists));
    order.push_back({"Prerequisites", TListId::Prereq});
    for (const TListSectionPlace& place : order) {
        std::vector<winlib::TListRow> rows;
        const size_t count = doc.KeyCount(place.Section);
        for (size_t i = 0; i < count; ++i) {
            std::vector<std::string> fields;
            if (ReadListRecord(place.Section, doc.ReadString(place.Section, std::to_string(i), ""), invert, fields))
                rows.push_back(RowOf(fields));
        }
        ListView(place.List).SetRows(std::move(rows));
    }
}
