// Creation, first show, close and destruction of the main window: the
// association mode, the preferences in the registry, the recent list and the
// command line.
#include "authoring/MainWindow.h"

#include <shlobj.h>

#include <functional>
#include <utility>

#include "authoring/OptionsDialog.h"
#include "winlib/Application.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"

using winlib::RegView;
using winlib::TBounds;
using winlib::TRegistry;

namespace {

const TBounds kDesignBounds{120, 80, 880, 620};

// Writes a key's default value, creating the key. True on success.
bool WriteDefault(TRegistry& root, const std::string& key, const std::string& value)
{
    root.CloseKey();
    return root.OpenKey(key, true) == ERROR_SUCCESS && root.WriteString("", value) == ERROR_SUCCESS;
}

}  // namespace

bool TForm1::CreateForm()
{
    // Smaller, controls of the pages would lie outside their tabs where nobody can reach them.
    MinWidth = kDesignBounds.W;
    MinHeight = kDesignBounds.H;
    Create(nullptr, kProductTitleVersion, kDesignBounds, true);
    SetMainForm(true);
    return !associationRan_;
}

void TForm1::OnCreate()
{
    TAppState& state = AppState();
    state.UninstallerSize = UninstallerSizeDefault;
    state.UpdaterSize = UpdaterSizeDefault;
    if (FindSwitch("/SFA") > 0) {
        associationRan_ = true;
        associationExit_ = RunAssociationMode() ? 0 : 1;
        return;
    }
    winlib::SetApplicationTitle(kProductTitleVersion);
    state.ProgramFolder = winlib::ExtractFilePath(ProgramPath());
    state.ProjectModified = false;
    state.FirstShow = true;
    altFix_ = std::make_unique<winlib::TVistaAltFix>();
    CreateLayout();
    BuildProjectLists();
    CreateSettingsPages();
    CreateFilesPage();
    CreateDialogsPage();
    WireEnableRules();
    ReadWindowPreferences();
    KeepOnWorkArea();
    LoadRecentList();
}

// HKEY_CLASSES_ROOT: the project file type opens with this program. The first
// failing write ends the writing and the process exits 1 (under Wine HKCR writes
// never fail, so only an injected error reaches that path there).
bool TForm1::RunAssociationMode()
{
    std::string program = ProgramPath();
    TRegistry classes(RegistryHome().Classes, RegView::View64);
    bool written = WriteDefault(classes, ".zpf", "zpffile") &&
                   WriteDefault(classes, "zpffile", "Tarvex Installer Project") &&
                   WriteDefault(classes, "zpffile\\DefaultIcon", program + ",1") &&
                   WriteDefault(classes, "zpffile\\shell\\open\\command", "\"" + program + "\" \"%1\"");
    winlib::ProcessMessages();
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return written;
}

// The window's values in the stored order, each applied at once; the first absent
// or wrongly typed value ends the reading and the rest keep their design values.
void TForm1::ReadWindowPreferences()
{
    TRegistry settings(RegistryHome().Root, RegView::View64);
    if (settings.OpenKeyReadOnly(RegistryHome().Settings()) != ERROR_SUCCESS)
        return;
    AppState().FirstRun = false;
    auto bounds = [this](int TBounds::*field) {
        return [this, field](DWORD value) {
            TBounds b = NormalBounds();
            b.*field = static_cast<int>(value);
            SetNormalBounds(b);
        };
    };
    std::vector<std::pair<std::string, std::function<void(DWORD)>>> order = {
        {"Main_Width", bounds(&TBounds::W)},
        {"Main_Height", bounds(&TBounds::H)},
        {"Main_Left", bounds(&TBounds::X)},
        {"Main_Top", bounds(&TBounds::Y)},
        {"Main_Maximized", [this](DWORD value) { startMaximized_ = value != 0; }},
        {"TreeView_Width", [this](DWORD value) { SetTreeWidth(static_cast<int>(value)); }},
    };
    for (const TListPlace& place : ListPlaces())
        for (int column = 0; column < place.Columns; ++column)
            order.emplace_back(place.WidthPrefix + std::to_string(column), [this, &place, column](DWORD value) {
                ListView(place.List).SetColumnWidth(column, static_cast<int>(value));
            });
    for (const auto& [name, apply] : order) {
        DWORD value = 0;
        if (settings.ReadInteger(name, value) != ERROR_SUCCESS)
            return;
        apply(value);
    }
}

// Stored bounds from another screen layout may lie wholly off the work area.
void TForm1::KeepOnWorkArea()
{
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        return;  // no work area known: the stored bounds stay
    TBounds b = NormalBounds();
    RECT window{b.X, b.Y, b.X + b.W, b.Y + b.H};
    RECT common;
    if (IntersectRect(&common, &window, &work))
        return;
    b.X = work.left;
    b.Y = work.top;
    SetNormalBounds(b);
}

// Values "1" to "9" naming existing files; missing ones close up, a read error ends the list.
void TForm1::LoadRecentList()
{
    recentList_.clear();
    TRegistry recent(RegistryHome().Root, RegView::View64);
    if (recent.OpenKeyReadOnly(RegistryHome().Recent()) != ERROR_SUCCESS)
        return;
    for (int n = 1; n <= 9; ++n) {
        std::string path;
        LONG result = recent.ReadString(std::to_string(n), path);
        if (result == ERROR_FILE_NOT_FOUND)
            continue;
        if (result != ERROR_SUCCESS)
            return;
        if (winlib::FileExists(path))
            recentList_.push_back(path);
    }
}

void TForm1::ShowMain()
{
    Show();
    if (startMaximized_)
        ::ShowWindow(Handle(), SW_MAXIMIZE);
}

void TForm1::FormShow()
{
    TAppState& state = AppState();
    if (!state.FirstShow)
        return;
    state.FirstShow = false;
    RebuildRecentMenu();
    EnableAssociationButton();
    ReadOptionPreferences();
    Refresh1Click();
    state.ProjectModified = false;
    state.ProjectFileName.clear();
    state.SilentBuild = false;
    RunCommandLine();
}

// The association button is offered when ".zpf" is not ours, its open command
// names another program, or the user picked another program in Explorer.
void TForm1::EnableAssociationButton()
{
    if (Form15 == nullptr)
        return;
    bool offer = false;
    TRegistry classes(RegistryHome().Classes, RegView::View64);
    std::string value;
    if (classes.OpenKeyReadOnly(".zpf") != ERROR_SUCCESS || classes.ReadString("", value) != ERROR_SUCCESS ||
        value != "zpffile")
        offer = true;
    classes.CloseKey();
    if (classes.OpenKeyReadOnly("zpffile\\shell\\open\\command") == ERROR_SUCCESS) {
        std::string command;
        if (classes.ReadString("", command) != ERROR_SUCCESS ||
            command.find(winlib::ExtractFileName(ProgramPath())) == std::string::npos)
            offer = true;
    }
    TRegistry user(RegistryHome().Root, RegView::View64);
    if (user.KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zpf\\UserChoice"))
        offer = true;
    Form15->Button10.Enable(offer);
}

// Each preference present goes into its Options control; legacy links move into
// the link edits and are deleted.
void TForm1::ReadOptionPreferences()
{
    if (Form15 == nullptr)
        return;
    TRegistry settings(RegistryHome().Root, RegView::View64);
    if (settings.OpenKey(RegistryHome().Settings(), false) != ERROR_SUCCESS)
        return;
    const std::pair<const char*, winlib::TCheckBox*> boxes[] = {
        {"Wizard", &Form15->CheckWizard},     {"OpenRecentProject", &Form15->CheckBox1},
        {"CheckUpdates", &Form15->CheckBox4}, {"AutoUpdate", &Form15->CheckBox5},
        {"HiddenFiles", &Form15->CheckBox2},  {"UpdateVersion", &Form15->CheckBox3},
    };
    for (const auto& [name, box] : boxes) {
        DWORD value = 0;
        if (settings.ReadInteger(name, value) == ERROR_SUCCESS)
            box->SetChecked(value != 0);
    }
    DWORD mode = 0;
    if (settings.ReadInteger("SelectFolderMode", mode) == ERROR_SUCCESS && mode <= 2)
        Form15->ComboBox1.SetItemIndex(static_cast<int>(mode));
    const char* const links[6] = {"LinkDN", "LinkIE", "LinkAR", "LinkJR", "LinkSQL", "LinkSQLE"};
    for (int i = 0; i < 6; ++i) {
        std::string link;
        if (settings.ReadString(links[i], link) != ERROR_SUCCESS)
            continue;
        Form15->Edit(i + 1).SetText(link);
        settings.DeleteValue(links[i]);  // a failed delete leaves the old home; the link is read again next start
    }
}

void TForm1::RunCommandLine()
{
    TAppState& state = AppState();
    std::string first = ParamStr(1);
    if (!first.empty() && winlib::FileExists(first))
        LoadProject(first, true);
    if (Parameters().empty() && Form15 != nullptr && Form15->CheckBox1.Checked() && !recentList_.empty())
        LoadProject(recentList_.front(), true);
    if (int at = FindSwitch("/S"); at > 0) {
        // The caller closes the window without showing it or asking anything.
        state.SilentBuild = true;
        std::string project = ParamStr(at + 1);
        silentExit_ = 1;
        if (!project.empty() && LoadProject(winlib::ExpandFileName(project), true))
            silentExit_ = ValidateProject() ? BuildSetup() : 2;
        return;
    }
    if (Form15 != nullptr && Form15->CheckBox4.Checked())
        StartUpdater("/S");
    if (state.ProjectFileName.empty())
        NewProject();
}

bool TForm1::OnCloseQuery() { return QuerySaveChanges(); }

void TForm1::OnDestroy() { SaveSettings(); }

void TForm1::SaveSettings()
{
    if (associationRan_)
        return;
    // A silent build never showed the window: its bounds are not the user's.
    if (!AppState().SilentBuild)
        WritePreferences();
    WriteRecentList();
}

// Registry errors at exit end the writing: the process ends anyway, and there is
// no window left to report them in.
void TForm1::WritePreferences()
{
    TRegistry settings(RegistryHome().Root, RegView::View64);
    if (settings.OpenKey(RegistryHome().Settings(), true) != ERROR_SUCCESS)
        return;
    auto put = [&settings](const std::string& name, int value) {
        return settings.WriteInteger(name, static_cast<DWORD>(value)) == ERROR_SUCCESS;
    };
    if (Maximized()) {
        if (!put("Main_Maximized", 1))
            return;
    } else {
        TBounds b = NormalBounds();
        if (!put("Main_Maximized", 0) || !put("Main_Width", b.W) || !put("Main_Height", b.H) ||
            !put("Main_Left", b.X) || !put("Main_Top", b.Y))
            return;
    }
    if (!put("TreeView_Width", treeWidth_))
        return;
    for (const TListPlace& place : ListPlaces()) {
        for (int column = 0; column < place.Columns; ++column)
            if (!put(place.WidthPrefix + std::to_string(column), ListView(place.List).ColumnWidth(column)))
                return;
        // Older versions stored one column more for these lists.
        if (place.List == TListId::Files || place.List == TListId::Registry || place.List == TListId::Variables) {
            LONG result = settings.DeleteValue(place.WidthPrefix + std::to_string(place.Columns));
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
                return;
        }
    }
}

void TForm1::WriteRecentList()
{
    TRegistry recent(RegistryHome().Root, RegView::View64);
    if (recent.OpenKey(RegistryHome().Recent(), true) != ERROR_SUCCESS)
        return;
    for (int n = 0; n <= 9; ++n) {
        LONG result = recent.DeleteValue(std::to_string(n));
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            return;
    }
    for (size_t i = 0; i < recentList_.size(); ++i)
        if (recent.WriteString(std::to_string(i + 1), recentList_[i]) != ERROR_SUCCESS)
            return;
}
