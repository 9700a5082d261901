// The files page: the tab "Files and Folders" (destination and source folder, main
// executable, basic file properties), the destination tree derived from every
// installed path, and the layout of the tab "Additional Files", whose commands are
// in FilesPageList.cpp.
#include <windows.h>

#include <algorithm>

#include "authoring/DestinationTree.h"
#include "authoring/FilesPage.h"
#include "authoring/MainWindow.h"
#include "winlib/Application.h"
#include "winlib/Dialogs.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

using winlib::TBounds;

namespace {

constexpr int kIdBase = 600;  // control ids on the files page's sheets
constexpr int kMargin = 8;
constexpr int kButtonHeight = 25;
constexpr int kButtonWidth = 85;
constexpr int kArrowsWidth = 17;
constexpr int kArrowsHeight = 34;

const char* const kInstallPaths[] = {
    "<ProgramFiles>\\<AppName>",   "<ProgramFiles>\\<CompanyName>\\<AppName>",   "<AppData>\\<AppName>",
    "<AppData>\\<CompanyName>\\<AppName>", "<CommonAppData>\\<AppName>", "<CommonAppData>\\<CompanyName>\\<AppName>",
};
const char* const kIfExists[] = {"Ask", "Overwrite", "Overwrite only if newer", "Skip"};
constexpr int kOverwrite = 1;

// The tab "Files and Folders", in tab order.
std::vector<TPlace> FilesAndFoldersLayout(TForm1& f)
{
    using K = TPlaceKind;
    constexpr int I = pgInstallation, T = tabFilesAndFolders;
    return {
        {K::Label, nullptr, "Destination Folder:", I, T, {16, 16, 300, 16}},
        {K::EditCombo, &f.ComboInstallPath, "", I, T, {16, 34, 400, 21}},
        {K::Button, &f.Button30, "...", I, T, {422, 33, 25, 23}},
        {K::Label, nullptr, "Source Folder:", I, T, {16, 68, 300, 16}},
        {K::ReadOnlyEdit, &f.ESourceFolder, "", I, T, {16, 86, 400, 21}},
        {K::Button, &f.Button25, "...", I, T, {422, 85, 25, 23}},
        {K::Label, nullptr, "Main Executable:", I, T, {16, 120, 300, 16}},
        {K::DropDown, &f.ComboExecutable, "", I, T, {16, 138, 431, 21}},
        {K::Group, nullptr, "Basic File Properties", I, T, {16, 176, 431, 92}},
        {K::Label, nullptr, "If File Exists:", I, T, {30, 203, 100, 16}},
        {K::DropDown, &f.ComboBasic, "", I, T, {136, 200, 200, 21}},
        {K::Check, &f.CheckDontRemove, "Do not remove during uninstallation", I, T, {30, 236, 300, 20}},
    };
}

// The tab "Additional Files": the list fills the sheet, the arrows at its right
// top, the buttons in a row below.
void LayOutAdditionalFiles(TForm1& form, int width, int height)
{
    int listWidth = std::max(0, width - 3 * kMargin - kArrowsWidth);
    int listHeight = std::max(0, height - 3 * kMargin - kButtonHeight);
    form.ListFiles().SetBounds(TBounds{kMargin, kMargin, listWidth, listHeight});
    form.UpDown3.SetBounds(TBounds{2 * kMargin + listWidth, kMargin, kArrowsWidth, kArrowsHeight});
    int left = kMargin, top = 2 * kMargin + listHeight;
    for (winlib::TButton* button : {&form.BAddFolder, &form.BAddFiles, &form.BEdit, &form.BRemove}) {
        button->SetBounds(TBounds{left, top, kButtonWidth, kButtonHeight});
        left += kButtonWidth + kMargin;
    }
}

LRESULT CALLBACK AdditionalFilesSheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR form)
{
    if (message == WM_SIZE)
        LayOutAdditionalFiles(*reinterpret_cast<TForm1*>(form), LOWORD(lParam), HIWORD(lParam));
    else if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(sheet, AdditionalFilesSheetProc, id);
    return ::DefSubclassProc(sheet, message, wParam, lParam);
}

// Lays a sheet out again at its present size.
void ResizeSheet(HWND sheet)
{
    RECT client = {};
    ::GetClientRect(sheet, &client);
    ::SendMessageA(sheet, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

// The files page as "Add all DLL/ActiveX" reads it.
class TPageFiles : public IProjectFiles {
public:
    explicit TPageFiles(TForm1& form) : form_(form) {}
    std::string SourceFolder() const override { return form_.ESourceFolder.Text(); }
    std::vector<std::string> SourceFiles() const override { return form_.ListSFiles; }
    std::vector<std::string> AdditionalInstallTo() const override
    {
        std::vector<std::string> destinations;
        for (const winlib::TListRow& row : form_.ListFiles().Rows())
            destinations.push_back(row.Texts.empty() ? std::string() : row.Texts.front());
        return destinations;
    }

private:
    TForm1& form_;
};

bool IsExe(const std::string& path) { return winlib::UpperCase(winlib::ExtractFileExt(path)) == ".EXE"; }

// The automatic shortcuts of a main executable are named "<AppName>".
void RemoveAutomaticShortcut(winlib::TListView& shortcuts, bool desktop)
{
    for (int i = 0; i < shortcuts.Count(); ++i) {
        const std::string destination = shortcuts.Cell(i, 0);
        bool place = desktop ? destination.find("Desktop>") != std::string::npos : destination == "<ProgramGroup>";
        if (place && shortcuts.Cell(i, 1) == "<AppName>") {
            shortcuts.Delete(i);
            return;
        }
    }
}

}  // namespace

void TForm1::CreateFilesPage()
{
    int id = PlaceControls(*this, FilesAndFoldersLayout(*this), kIdBase, filesStatics_, nullptr, nullptr);
    ComboInstallPath.SetItems(std::vector<std::string>(std::begin(kInstallPaths), std::end(kInstallPaths)));
    ComboInstallPath.SetText(kInstallPaths[0]);
    ComboBasic.SetItems(std::vector<std::string>(std::begin(kIfExists), std::end(kIfExists)));
    ComboBasic.SetItemIndex(kOverwrite);
    ComboExecutable.Add(std::string());
    ComboExecutable.SetItemIndex(0);
    ComboInstallPath.OnChange = [this] { Action1Execute(); };
    ComboBasic.OnChange = [this] { Action1Execute(); };
    CheckDontRemove.OnClick = [this] { Action1Execute(); };
    ComboExecutable.OnChange = [this] {
        Action1Execute();
        ComboExecutableSelect();
    };
    Button25.OnClick = [this] { Button25Click(); };
    Button30.OnClick = [this] { Button30Click(); };
    CreateAdditionalFilesTab(id);
    CreateDllButton(id + 10);
}

void TForm1::CreateDllButton(int id)
{
    HWND sheet = Sheet(pgRegister, tabOthers);
    Button22.Create(sheet, id, TBounds{}, "Add all DLL/ActiveX");
    Button22.OnClick = [this] { Button22Click(); };
    ResizeSheet(sheet);
}

void TForm1::CreateAdditionalFilesTab(int id)
{
    HWND sheet = Sheet(pgInstallation, tabAdditionalFiles);
    BAddFolder.Create(sheet, id++, TBounds{}, "Add Folder...");
    BAddFiles.Create(sheet, id++, TBounds{}, "Add Files...");
    BEdit.Create(sheet, id++, TBounds{}, "Edit...");
    BRemove.Create(sheet, id++, TBounds{}, "Remove");
    UpDown3.Create(sheet, id++, TBounds{});
    BAddFolder.OnClick = [this] { BAddFolderClick(); };
    BAddFiles.OnClick = [this] { BAddFilesClick(); };
    BEdit.OnClick = [this] { BEditClick(); };
    BRemove.OnClick = [this] { BRemoveClick(); };
    UpDown3.OnClick = [this](bool up) { UpDown3Click(up); };
    AttachFilesList();
    ::SetWindowSubclass(sheet, AdditionalFilesSheetProc, 1, reinterpret_cast<DWORD_PTR>(this));
    ResizeSheet(sheet);
}

void TForm1::ScanSourceFolder()
{
    ListSFiles.clear();
    ListDFiles.clear();
    AppState().FolderSize = 0;
    std::string folder = ESourceFolder.Text();
    if (folder.empty())
        return;
    if (folder.back() == '\\') {
        folder.pop_back();
        ESourceFolder.SetText(folder);
    }
    if (!winlib::DirectoryExists(folder))
        return;
    winlib::THourglass hourglass;
    FindFiles(folder, "*.*", ListSFiles, true);
    for (const std::string& path : ListSFiles)
        ListDFiles.push_back(winlib::ReplaceFirstNoCase(path, folder, "<InstallDir>"));
}

void TForm1::RebuildDestinationTree()
{
    winlib::THourglass hourglass;
    std::vector<std::string> destinations = ListDFiles;
    for (const winlib::TListRow& row : ListFiles().Rows())
        destinations.push_back(row.Texts.empty() ? std::string() : row.Texts.front());

    int chosen = ComboExecutable.ItemIndex();
    const std::string executable = chosen >= 0 ? ComboExecutable.Item(chosen) : std::string();
    ComboExecutable.Clear();
    ComboExecutable.Add(std::string());
    for (const std::string& destination : destinations)
        if (IsExe(destination) && winlib::UpperCase(destination).find("<SETUPTEMPDIR>") == std::string::npos)
            ComboExecutable.Add(destination);
    ComboExecutable.SetItemIndex(0);
    if (!executable.empty())
        ComboExecutable.SelectComboItem(executable);

    // In the tree, never among the main executables.
    if (CheckUninstaller.Checked())
        destinations.push_back("<InstallDir>\\Uninstall.exe");
    if (CheckUpdater.Checked())
        destinations.push_back("<InstallDir>\\Updater.exe");
    destinationTree_ = BuildDestinationTree(destinations);
}

void TForm1::ComboExecutableSelect()
{
    int chosen = ComboExecutable.ItemIndex();
    const std::string executable = chosen >= 0 ? ComboExecutable.Item(chosen) : std::string();
    CheckLaunchProgram.SetChecked(!executable.empty());
    ELaunchProgram.SetText(executable);
    winlib::TListView& shortcuts = ListView(TListId::Shortcuts);
    RemoveAutomaticShortcut(shortcuts, false);
    RemoveAutomaticShortcut(shortcuts, true);
    if (executable.empty())
        return;
    const std::string folder = winlib::ExtractFileDir(executable);
    for (const char* place : {"<ProgramGroup>", CheckAdmin.Checked() ? "<CommonDesktop>" : "<Desktop>"})
        shortcuts.Add({place, {"<AppName>", executable, "", "", folder, "", "0", "Normal"}});
}

// Cancel in the folder browser changes nothing.
void TForm1::Button25Click()
{
    std::string folder = ESourceFolder.Text();
    if (!winlib::BrowseForFolder(Handle(), "Select the folder that contains the application files:", folder))
        return;
    ESourceFolder.SetText(folder);
    ESourceFolder.SetModified(true);
    ScanSourceFolder();
    RebuildDestinationTree();
    ComboExecutableSelect();
}

void TForm1::Button30Click() { ShowHelpTopic("Description/2.html", SW_SHOWNORMAL); }

void TForm1::Button22Click() { AddAllDllActiveX(Handle(), ListView(TListId::Others), TPageFiles(*this)); }

bool TForm1::PickDestinationFile(const std::string& path, std::string& chosen)
{
    chosen = path;
    std::string picked;
    if (PathPicker == nullptr || !PathPicker->Execute(path, picked))
        return false;
    chosen = picked;
    return true;
}
