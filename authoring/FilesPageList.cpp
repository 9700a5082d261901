// The tab "Additional Files": the list of files added one by one, by folder or by
// dropping them onto it, with its buttons, keys and pop-up menu.
//
// Each staged path keeps the folder its destination is relative to (ListBox1Bases):
// with items from several folders one common base would leave other items' source
// paths in their "Install To", and the setup would install them there.
#include <windows.h>
#include <commdlg.h>

#include "authoring/FilesPage.h"
#include "authoring/MainWindow.h"
#include "winlib/Application.h"
#include "winlib/Dialogs.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"
#include "winlib/StringList.h"

namespace {

constexpr const char* kBoxCaption = "Tarvex Installer";
constexpr const char* kEditSelected = "Edit Selected Item(s)";

// The pop-up menu's commands.
enum : int { cmFilesEdit = 1301, cmFilesRemove, cmFilesSelectAll, cmFilesLocation, cmFilesShortcut };

// Columns of a row: caption "File", then "Install To", "If Exists", "Uninstall".
enum { colInstallTo = 0, colIfExists = 1, colUninstall = 2 };

struct TColumn {
    const char* Caption;
    int Width;
};
constexpr TColumn kColumns[] = {{"File", 200}, {"Install To", 200}, {"If Exists", 80}, {"Uninstall", 60}};

std::string Text(const winlib::TListRow& row, int column)
{
    return static_cast<size_t>(column) < row.Texts.size() ? row.Texts[static_cast<size_t>(column)] : std::string();
}

// The folder a staged path's destination is relative to, without a trailing "\".
std::string BaseOf(const std::string& path) { return winlib::ExcludeTrailingBackslash(winlib::ExtractFileDir(path)); }

// An attribute set that cannot be read counts as hidden.
bool IsHidden(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

// The file's name without its last extension (the whole name when it has none).
std::string NameWithoutExtension(const std::string& path)
{
    std::string name = winlib::ExtractFileName(path);
    return name.substr(0, name.size() - winlib::ExtractFileExt(name).size());
}

// A row's properties as the file-properties dialog gives them.
struct TFileProperties {
    std::string Destination, IfExists, Uninstall;
};
TFileProperties PropertiesOf(const IItemDialog& dialog)
{
    return {dialog.FieldText(FileField::Destination), dialog.FieldChoice(FileField::IfExists),
            dialog.FieldChecked(FileField::DoNotRemove) ? "No" : "Yes"};
}

// Shows the dialog to add files: its file-name field empty and disabled.
bool AskNewFileProperties(IItemDialog& dialog, const char* caption)
{
    dialog.SetCaption(caption, IItemDialog::Add);
    dialog.SetFieldText(FileField::FileName, std::string());
    dialog.EnableField(FileField::FileName, false);
    return dialog.Execute();
}

}  // namespace

void TForm1::AttachFilesList()
{
    winlib::TListView& list = ListFiles();
    for (const TColumn& column : kColumns)
        list.AddColumn(column.Caption, column.Width);
    list.OnChange = [this] { Action1Execute(); };
    list.OnDblClick = [this] { BEditClick(); };
    list.OnColumnClick = [this](int) { ListFiles().SetSorted(!ListFiles().Sorted()); };
    // Ctrl+A has already selected every row in the list view itself.
    list.OnKeyDown = [this](UINT key, unsigned) {
        if (key == VK_RETURN)
            BEditClick();
        else if (key == VK_INSERT)
            BAddFilesClick();
        else if (key == VK_DELETE)
            BRemoveClick();
    };
    list.AcceptFiles([this](const std::vector<std::string>& paths) { WMDropFiles(paths); });
    FilesPopup.AddItem(nullptr, cmFilesEdit, "Edit...", [this] { BEditClick(); }, "Enter");
    FilesPopup.AddItem(nullptr, cmFilesRemove, "Remove", [this] { BRemoveClick(); }, "Del");
    FilesPopup.AddItem(nullptr, cmFilesSelectAll, "Select All", [this] { ListFiles().SelectAll(); }, "Ctrl+A");
    FilesPopup.AddSeparator(nullptr);
    FilesPopup.AddItem(nullptr, cmFilesLocation, "File Location", [this] { FileLocationClick(); });
    FilesPopup.AddItem(nullptr, cmFilesShortcut, "Create Shortcut...", [this] { CreateShortcutClick(); });
    list.PopupMenu = &FilesPopup;
}

void TForm1::BAddFolderClick()
{
    if (FileItemDialog == nullptr)
        return;  // the dialog is not part of the program yet
    std::string folder;
    if (!winlib::BrowseForFolder(Handle(), "Select Folder:", folder) || folder.empty())
        return;
    if (!AskNewFileProperties(*FileItemDialog, "Add Folder"))
        return;
    winlib::THourglass hourglass;
    folder = winlib::ExcludeTrailingBackslash(folder);
    std::vector<std::string> found;
    FindFiles(folder, "*.*", found, false);
    const TFileProperties properties = PropertiesOf(*FileItemDialog);
    winlib::TListView& list = ListFiles();
    list.BeginUpdate();
    for (const std::string& path : found)
        list.Add({path,
                  {winlib::ReplaceFirstNoCase(path, folder, properties.Destination), properties.IfExists,
                   properties.Uninstall}});
    list.EndUpdate();
    RebuildDestinationTree();
}

// The button, the Insert key, the pop-up and drops (which stage their items first).
void TForm1::BAddFilesClick()
{
    struct TClearStaging {
        TForm1& Form;
        ~TClearStaging()
        {
            Form.ListBox1.clear();
            Form.ListBox1Bases.clear();
            AppState().DropBaseFolder.clear();
        }
    } clearStaging{*this};
    if (FileItemDialog == nullptr)
        return;  // the dialog is not part of the program yet
    if (ListBox1.empty()) {
        winlib::TOpenDialog dialog;
        dialog.Filter = "Any Files (*.*)|*.*";
        dialog.Options |= OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_NODEREFERENCELINKS;
        if (!dialog.Execute(Handle()))
            return;
        for (const std::string& file : dialog.Files) {
            ListBox1.push_back(file);
            ListBox1Bases.push_back(BaseOf(file));
        }
    }
    if (!AskNewFileProperties(*FileItemDialog, "Add Files"))
        return;
    AddStagedFiles();
    RebuildDestinationTree();
}

void TForm1::AddStagedFiles()
{
    winlib::THourglass hourglass;
    const TFileProperties properties = PropertiesOf(*FileItemDialog);
    const bool skipHidden = SkipHiddenFiles();
    winlib::TListView& list = ListFiles();
    list.BeginUpdate();
    for (size_t i = 0; i < ListBox1.size(); ++i) {
        const std::string& path = ListBox1[i];
        if (skipHidden && IsHidden(path))
            continue;
        // A path staged without its base is taken relative to its own folder.
        const std::string base = i < ListBox1Bases.size() ? ListBox1Bases[i] : BaseOf(path);
        list.Add({path,
                  {winlib::ReplaceFirstNoCase(path, base, properties.Destination), properties.IfExists,
                   properties.Uninstall}});
    }
    list.EndUpdate();
}

// Every path was read whole (each length asked first). A dropped folder keeps its
// own name under the destination; an item that no longer exists is left out.
void TForm1::WMDropFiles(const std::vector<std::string>& paths)
{
    ListBox1.clear();
    ListBox1Bases.clear();
    AppState().DropBaseFolder.clear();
    for (const std::string& path : paths) {
        if (winlib::FileExists(path)) {
            ListBox1.push_back(path);
            ListBox1Bases.push_back(BaseOf(path));
        } else if (winlib::DirectoryExists(path)) {
            const std::string folder = winlib::ExcludeTrailingBackslash(path);
            FindFiles(folder, "*.*", ListBox1, false);
            ListBox1Bases.resize(ListBox1.size(), BaseOf(folder));
        }
    }
    if (!ListBox1.empty())
        BAddFilesClick();
}

void TForm1::BEditClick()
{
    winlib::TListView& list = ListFiles();
    const std::vector<int> selected = list.SelectedIndexes();
    if (FileItemDialog == nullptr || selected.empty())
        return;
    IItemDialog& dialog = *FileItemDialog;
    const winlib::TListRow first = list.Row(list.FirstSelected());
    const std::string firstInstallTo = Text(first, colInstallTo);
    const std::string folder = winlib::ExtractFileDir(firstInstallTo);
    const bool single = selected.size() == 1;
    dialog.SetCaption(kEditSelected, IItemDialog::Edit);
    dialog.SetFieldText(FileField::FileName, single ? winlib::ExtractFileName(firstInstallTo) : std::string());
    dialog.EnableField(FileField::FileName, single);
    dialog.SetFieldText(FileField::Destination, folder);
    dialog.ChooseFieldItem(FileField::IfExists, winlib::Trim(Text(first, colIfExists)));
    dialog.SetFieldChecked(FileField::DoNotRemove, !winlib::SameText(Text(first, colUninstall), "Yes"));
    if (!dialog.Execute())
        return;
    const TFileProperties properties = PropertiesOf(dialog);
    const std::string name = winlib::Trim(dialog.FieldText(FileField::FileName));
    // With several rows each keeps its own folder unless the destination was changed:
    // one common folder would flatten their subfolders.
    const bool moveAll = single || properties.Destination != folder;
    list.BeginUpdate();
    for (int index : selected) {
        winlib::TListRow row = list.Row(index);
        const std::string installTo = Text(row, colInstallTo);
        const std::string target = moveAll ? properties.Destination : winlib::ExtractFileDir(installTo);
        row.Texts.resize(3);
        row.Texts[colInstallTo] = target + "\\" + (name.empty() ? winlib::ExtractFileName(installTo) : name);
        row.Texts[colIfExists] = properties.IfExists;
        row.Texts[colUninstall] = properties.Uninstall;
        list.SetRow(index, row);
    }
    list.EndUpdate();
    RebuildDestinationTree();
}

void TForm1::BRemoveClick()
{
    winlib::TListView& list = ListFiles();
    if (list.FirstSelected() < 0)
        return;
    if (winlib::ShowMessageBox(Handle(), "Do you really want to delete the selected items?", kBoxCaption,
                               MB_ICONQUESTION | MB_YESNO) != IDYES)
        return;
    {
        winlib::THourglass hourglass;
        std::vector<int> selected = list.SelectedIndexes();
        if (static_cast<int>(selected.size()) == list.Count()) {
            list.Clear();
        } else {
            list.BeginUpdate();
            for (auto it = selected.rbegin(); it != selected.rend(); ++it)
                list.Delete(*it);
            list.EndUpdate();
        }
    }
    RebuildDestinationTree();
}

// The selection moves with the row (Swap exchanges both).
void TForm1::UpDown3Click(bool up)
{
    winlib::TListView& list = ListFiles();
    int index = list.FirstSelected();
    if (index < 0)
        return;
    int target = up ? index - 1 : index + 1;
    if (target < 0 || target >= list.Count())
        return;
    list.Swap(index, target);
}

void TForm1::FileLocationClick()
{
    int index = ListFiles().FirstSelected();
    if (index < 0)
        return;
    const std::string path = ListFiles().Cell(index, 0);
    if (!winlib::FileExists(path)) {
        winlib::ShowMessageBox(Handle(), "File not found.", kBoxCaption, MB_ICONWARNING | MB_OK);
        return;
    }
    if (!winlib::ShellOpen(Handle(), "open", "explorer.exe", "/select, \"" + path + "\"", "", SW_SHOWNORMAL))
        winlib::ShowMessageBox(Handle(), "Cannot show the location of the file:\r\n" + path, kBoxCaption,
                               MB_ICONERROR | MB_OK);
}

// The shortcut dialog of the shortcut list, prefilled for the row's installed file.
void TForm1::CreateShortcutClick()
{
    winlib::TListView& list = ListFiles();
    if (list.SelCount() != 1)
        return;
    const std::string installTo = list.Cell(list.FirstSelected(), 1);
    ShowSettingsPage(pgSystem);
    Page(pgSystem).SetActivePage(tabShortcuts);
    TListEditor* shortcuts = ProjectList(TListId::Shortcuts).Editor.get();
    IItemDialog* dialog = shortcuts != nullptr ? shortcuts->Dialog() : nullptr;
    if (dialog == nullptr)
        return;  // the dialog is not part of the program yet
    dialog->SetCaption(shortcuts->Spec().AddCaption, IItemDialog::Add);
    shortcuts->RowToDialog({"<ProgramGroup>",
                            {NameWithoutExtension(installTo), installTo, "", "", winlib::ExtractFileDir(installTo), "",
                             "0", "Normal"}});
    if (dialog->Execute())
        ListView(TListId::Shortcuts).Add(shortcuts->RowFromDialog(false));
}
