// The project list editors: rows built from the item dialogs, the shared scheme of
// keys, buttons and double click, moving rows, and the bulk operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "authoring/ItemDialogFields.h"
#include "authoring/ListEditor.h"
#include "winlib/Form.h"
#include "winlib/StringList.h"
#include "winlib/testing/TestApi.h"

using namespace winlib;
using namespace winlib::testing;

namespace {

// An item dialog without a window: fields by label, and a scripted user.
class TFakeDialog : public IItemDialog {
public:
    struct TState {
        std::map<std::string, std::string> Texts;
        std::map<std::string, bool> Checks;
        std::map<std::string, int> Chosen;
    };
    TState Fields;
    std::map<std::string, std::vector<std::string>> Items = {
        {"OS", {"All", "Windows XP"}},
        {"Search Criteria", {"File exists", "Registry key exists"}},
        {"Show", {"Normal", "Maximize", "Minimize", "Hide"}},
        {"Value Type", {"REG_SZ", "REG_EXPAND_SZ", "REG_DWORD", "REG_BINARY", "STRING"}},
        {"Launch", {"Before Installation", "After Installation"}},
        {"Launch on OS", {"All", "Windows XP"}},
        {"If Exists", {"Append", "Overwrite", "Skip"}},
        {"Register As", {"DLL/ActiveX", "Font"}},
    };
    std::string Caption;
    TMode Mode = Add;
    TState AtShow;
    int Shows = 0;
    std::function<bool(TFakeDialog&)> User = [](TFakeDialog&) { return true; };

    void SetCaption(const std::string& caption, TMode mode) override { Caption = caption, Mode = mode; }
    std::string FieldText(const std::string& label) const override { return Get(Fields.Texts, label, std::string()); }
    void SetFieldText(const std::string& label, const std::string& text) override { Fields.Texts[label] = text; }
    bool FieldChecked(const std::string& label) const override { return Get(Fields.Checks, label, false); }
    void SetFieldChecked(const std::string& label, bool on) override { Fields.Checks[label] = on; }
    std::string FieldChoice(const std::string& label) const override
    {
        int index = Get(Fields.Chosen, label, 0);
        return index < 0 ? std::string() : Items.at(label).at(static_cast<size_t>(index));
    }
    bool ChooseFieldItem(const std::string& label, const std::string& text) override
    {
        const std::vector<std::string>& items = Items.at(label);
        for (size_t i = 0; i < items.size(); ++i)
            if (SameText(items[i], text)) {
                Fields.Chosen[label] = static_cast<int>(i);
                return true;
            }
        return false;
    }
    bool Execute() override
    {
        ++Shows;
        AtShow = Fields;
        return User(*this);
    }
    // What a user does in the dialog.
    void Choose(const std::string& label, const std::string& text) { EXPECT_TRUE(ChooseFieldItem(label, text)) << text; }

private:
    template <class M, class V>
    static V Get(const M& map, const std::string& key, V fallback)
    {
        auto it = map.find(key);
        return it == map.end() ? fallback : it->second;
    }
};

class THostForm : public TForm {
public:
    THostForm() { Create(nullptr, "Lists", {40, 40, 760, 420}); }
    TListView List;
    TButton AddButton, EditButton, RemoveButton;
    TUpDown Arrows;

protected:
    void OnCreate() override
    {
        HWND h = Handle();
        List.Create(h, 100, {8, 8, 620, 300});
        AddButton.Create(h, 101, {640, 8, 90, 25}, "Add...");
        EditButton.Create(h, 102, {640, 40, 90, 25}, "Edit...");
        RemoveButton.Create(h, 103, {640, 72, 90, 25}, "Remove");
        Arrows.Create(h, 104, {640, 110, 20, 40});
    }
};

using TCells = std::vector<std::string>;

TCells CellsOf(const TListView& list, int index)
{
    TCells cells{list.Row(index).Caption};
    cells.insert(cells.end(), list.Row(index).Texts.begin(), list.Row(index).Texts.end());
    return cells;
}

TListRow RowOf(const TCells& cells) { return {cells.front(), TCells(cells.begin() + 1, cells.end())}; }

class ListEditorTest : public ::testing::Test {
protected:
    void Open(TListKind kind)
    {
        editor = std::make_unique<TListEditor>(ListSpecOf(kind), form.List, [this] { ++modified; });
        editor->CreateColumns();
        editor->Attach();
        editor->BindButtons(&form.AddButton, &form.EditButton, &form.RemoveButton);
        editor->BindArrows(form.Arrows);
        editor->BindDialog(&dialog);
        form.Show();
    }
    void Fill(const std::vector<TCells>& rows)
    {
        for (const TCells& row : rows)
            form.List.Add(RowOf(row));
    }
    TCells Cells(int index) const { return CellsOf(form.List, index); }

    THostForm form;
    TFakeDialog dialog;
    std::unique_ptr<TListEditor> editor;
    int modified = 0;
};

// What the user enters in the Add dialog of each list, and the row it gives.
struct TAddCase {
    TListKind Kind;
    std::vector<std::pair<std::string, std::string>> Texts;
    std::vector<std::pair<std::string, std::string>> Choices;
    std::vector<std::pair<std::string, bool>> Checks;
    TCells Row;
};

const std::vector<TAddCase> kAddCases = {
    {TListKind::Prereq,
     {{"Name", " P "}, {"Command", " c.exe "}, {"Value 1", " v1 "}, {"Value 2", ""}},
     {{"OS", "Windows XP"}, {"Search Criteria", "Registry key exists"}},
     {},
     {" P ", " c.exe ", "Windows XP", "Registry key exists", " v1 ", ""}},
    {TListKind::Shortcuts,
     {{"Shortcut Destination", " <Desktop> "}, {"Shortcut Name", " App "}, {"Target File", " <InstallDir>\\a.exe "},
      {"Description", " d "}, {"Parameters", " /p "}, {"Working Directory", " <InstallDir> "},
      {"Icon File", " i.ico "}, {"Icon Index", "2"}},
     {{"Show", "Maximize"}},
     {},
     {"<Desktop>", "App", "<InstallDir>\\a.exe", "d", "/p", "<InstallDir>", "i.ico", "2", "Maximize"}},
    {TListKind::Registry,
     {{"Registry Key", " HKEY_CURRENT_USER\\K "}, {"Value Name", " n "}, {"Value Data", " 5 "}},
     {{"Value Type", "REG_DWORD"}},
     {{"Overwrite Registry Value", false}, {"Do not remove during uninstallation", true}},
     {" HKEY_CURRENT_USER\\K ", " n ", "REG_DWORD", " 5 ", "No", "No"}},
    {TListKind::INI,
     {{"INI File", " a.ini "}, {"Section", " S "}, {"Key", " k "}, {"Value", " v "}},
     {},
     {{"Overwrite Value", true}, {"Do not remove during uninstallation", false}},
     {" a.ini ", " S ", " k ", " v ", "Yes", "Yes"}},
    {TListKind::Variables,
     {{"Variable Name", " <V> "}, {"Registry Key", " HKLM\\K "}, {"Value Name", " n "}, {"Default Value", " d "}},
     {{"Value Type", "STRING"}},
     {},
     {"<V>", "HKLM\\K", "n", "STRING", "d"}},
    {TListKind::Commands,
     {{"Command", " cmd.exe "}, {"Parameters", " /c x "}},
     {{"Show", "Hide"}, {"Launch", "After Installation"}, {"Launch on OS", "Windows XP"}},
     {{"Wait Until Process Finishes", true}},
     {"cmd.exe", "/c x", "Hide", "After Installation", "Yes", "Windows XP"}},
    {TListKind::Ext,
     {{"Extension", " pdf "}, {"Associated File", " a.exe "}, {"Description", " D "}, {"Icon File", " i "},
      {"Icon Index", "1"}},
     {},
     {},
     {" pdf ", " a.exe ", " D ", " i ", "1"}},
    {TListKind::Env,
     {{"Name", " PATH "}, {"Value", " <InstallDir> "}},
     {{"If Exists", "Skip"}},
     {{"Uninstall", false}},
     {" PATH ", " <InstallDir> ", "Skip", "No"}},
    {TListKind::Others,
     {{"File", " <InstallDir>\\f.dll "}},
     {{"Register As", "Font"}},
     {{"Do not unregister during uninstallation", true}},
     {"Font", "<InstallDir>\\f.dll", "Yes"}},
};

void Enter(TFakeDialog& dialog, const TAddCase& c)
{
    for (const auto& [field, text] : c.Texts)
        dialog.SetFieldText(field, text);
    for (const auto& [field, item] : c.Choices)
        dialog.Choose(field, item);
    for (const auto& [field, on] : c.Checks)
        dialog.SetFieldChecked(field, on);
}

}  // namespace

TEST_F(ListEditorTest, TableHasNineListsWithTheirColumnsAndTheShowColumnIsSixtyWide)
{
    ASSERT_EQ(ListSpecs().size(), 9u);
    Open(TListKind::Shortcuts);
    ASSERT_EQ(form.List.ColumnCount(), 9);
    EXPECT_EQ(form.List.ColumnWidth(8), 60);
    EXPECT_EQ(form.List.ColumnWidth(0), 90);
}

TEST_F(ListEditorTest, AddBuildsTheRowOfEveryListFromTheDialogFieldsWithItsTrimsAndFlagSenses)
{
    for (const TAddCase& c : kAddCases) {
        SCOPED_TRACE(ListSpecOf(c.Kind).Name);
        THostForm host;
        TFakeDialog fake;
        TListEditor list(ListSpecOf(c.Kind), host.List, [] {});
        list.CreateColumns();
        list.BindDialog(&fake);
        fake.User = [&](TFakeDialog& d) {
            Enter(d, c);
            return true;
        };
        list.Add();
        EXPECT_EQ(fake.Caption, ListSpecOf(c.Kind).AddCaption);
        EXPECT_EQ(fake.Mode, IItemDialog::Add);
        ASSERT_EQ(host.List.Count(), 1);
        EXPECT_EQ(CellsOf(host.List, 0), c.Row);
    }
}

TEST_F(ListEditorTest, EditPutsTheRowIntoTheFieldsAndOkWithoutChangesKeepsItExceptTrimOnEdit)
{
    for (const TAddCase& c : kAddCases) {
        SCOPED_TRACE(ListSpecOf(c.Kind).Name);
        THostForm host;
        TFakeDialog fake;
        TListEditor list(ListSpecOf(c.Kind), host.List, [] {});
        list.CreateColumns();
        list.BindDialog(&fake);
        host.List.Add(RowOf(c.Row));
        host.List.Select(0);
        list.Edit();
        EXPECT_EQ(fake.Caption, kEditCaption);
        EXPECT_EQ(fake.Mode, IItemDialog::Edit);
        TCells expected = c.Row;
        if (c.Kind == TListKind::Registry)
            expected[3] = "5";  // Value Data is trimmed when an edit writes it back
        EXPECT_EQ(CellsOf(host.List, 0), expected);
    }
}

TEST_F(ListEditorTest, SecondRegistryAddShowsThePreviousKeyAndTheResetFields)
{
    Open(TListKind::Registry);
    dialog.User = [](TFakeDialog& d) {
        d.SetFieldText("Registry Key", "HKEY_LOCAL_MACHINE\\Software\\X");
        d.SetFieldText("Value Name", "n");
        d.SetFieldText("Value Data", "d");
        d.Choose("Value Type", "REG_BINARY");
        d.SetFieldChecked("Overwrite Registry Value", false);
        d.SetFieldChecked("Do not remove during uninstallation", true);
        return true;
    };
    form.AddButton.Click();
    dialog.User = [](TFakeDialog&) { return false; };
    form.AddButton.Click();
    EXPECT_EQ(dialog.AtShow.Texts["Registry Key"], "HKEY_LOCAL_MACHINE\\Software\\X");
    EXPECT_EQ(dialog.AtShow.Texts["Value Name"], "");
    EXPECT_EQ(dialog.AtShow.Texts["Value Data"], "");
    EXPECT_EQ(dialog.AtShow.Chosen["Value Type"], 0);
    EXPECT_TRUE(dialog.AtShow.Checks["Overwrite Registry Value"]);
    EXPECT_FALSE(dialog.AtShow.Checks["Do not remove during uninstallation"]);
    EXPECT_EQ(form.List.Count(), 1) << "the cancelled Add adds nothing";
}

TEST_F(ListEditorTest, FlagsLoadIgnoringCaseInBothSenses)
{
    Open(TListKind::Registry);
    struct TCase {
        const char* Cell;
        bool Yes;
    };
    for (TCase c : {TCase{"Yes", true}, {"yes", true}, {"YES", true}, {"No", false}, {"", false}, {"x", false}}) {
        SCOPED_TRACE(c.Cell);
        form.List.Clear();
        form.List.Add(RowOf({"HKCU\\K", "n", "REG_SZ", "d", c.Cell, c.Cell}));
        form.List.Select(0);
        dialog.User = [](TFakeDialog&) { return false; };
        form.EditButton.Click();
        EXPECT_EQ(dialog.AtShow.Checks["Overwrite Registry Value"], c.Yes);
        EXPECT_EQ(dialog.AtShow.Checks["Do not remove during uninstallation"], !c.Yes);
    }
}

TEST_F(ListEditorTest, UnknownDropDownTextSurvivesEditUnlessTheUserChoseAnItem)
{
    Open(TListKind::Commands);
    Fill({{"a.exe", "", "Shown Later", "Before Installation", "No", "All"}});
    form.List.Select(0);
    form.EditButton.Click();
    EXPECT_EQ(Cells(0)[2], "Shown Later");
    dialog.User = [](TFakeDialog& d) {
        d.Choose("Show", "Minimize");
        return true;
    };
    form.EditButton.Click();
    EXPECT_EQ(Cells(0)[2], "Minimize");
}

TEST_F(ListEditorTest, CancelledEditChangesNothingAndEditTakesTheFirstSelectedRowOnly)
{
    Open(TListKind::Env);
    Fill({{"A", "1", "Append", "Yes"}, {"B", "2", "Skip", "No"}, {"C", "3", "Append", "Yes"}});
    form.List.Select(2);
    form.List.Select(1);
    dialog.User = [](TFakeDialog& d) {
        d.SetFieldText("Value", "changed");
        return false;
    };
    form.EditButton.Click();
    EXPECT_EQ(dialog.AtShow.Texts["Name"], "B");
    EXPECT_EQ(Cells(1), (TCells{"B", "2", "Skip", "No"}));
    dialog.User = [](TFakeDialog& d) {
        d.SetFieldText("Value", "changed");
        return true;
    };
    form.EditButton.Click();
    EXPECT_EQ(Cells(1), (TCells{"B", "changed", "Skip", "No"}));
    EXPECT_EQ(Cells(2), (TCells{"C", "3", "Append", "Yes"}));
}

TEST_F(ListEditorTest, SelectingARowMarksTheProjectModified)
{
    Open(TListKind::INI);
    Fill({{"a.ini", "s", "k", "v", "Yes", "Yes"}});
    modified = 0;
    ClickRow(form.List, 0);
    EXPECT_GE(modified, 1);
}

TEST_F(ListEditorTest, KeysAndDoubleClickPressTheButtons)
{
    Open(TListKind::Ext);
    Fill({{"pdf", "a.exe", "<AppName>", "", "0"}});
    dialog.User = [](TFakeDialog&) { return false; };
    PressKeyInLoop(form.List.Handle(), VK_INSERT);
    EXPECT_EQ(dialog.Shows, 1);
    EXPECT_EQ(dialog.Caption, "Add Extension");
    PressKeyInLoop(form.List.Handle(), VK_RETURN);
    EXPECT_EQ(dialog.Shows, 1) << "Enter without a selection edits nothing";
    ClickRow(form.List, 0);
    PressKeyInLoop(form.List.Handle(), VK_RETURN);
    EXPECT_EQ(dialog.Shows, 2);
    EXPECT_EQ(dialog.Caption, kEditCaption);
    DoubleClickRow(form.List, 0);
    EXPECT_EQ(dialog.Shows, 3);
    form.EditButton.Enable(false);
    PressKeyInLoop(form.List.Handle(), VK_RETURN);
    EXPECT_EQ(dialog.Shows, 3) << "a disabled Edit button stops its key";
    {
        TExpectBoxes boxes({IDYES});
        PressKeyInLoop(form.List.Handle(), VK_DELETE);
    }
    EXPECT_EQ(form.List.Count(), 0);
}

TEST_F(ListEditorTest, RemoveAsksOnlyWithASelectionAndDeletesEverySelectedRowOnYes)
{
    Open(TListKind::Variables);
    Fill({{"<A>"}, {"<B>"}, {"<C>"}, {"<D>"}});
    {
        TExpectBoxes none;
        Click(form.RemoveButton);
    }
    EXPECT_EQ(form.List.Count(), 4);
    for (int i : {0, 1, 3})
        form.List.Select(i);
    {
        TExpectBoxes boxes({IDNO});
        Click(form.RemoveButton);
    }
    EXPECT_EQ(form.List.Count(), 4);
    TExpectBoxes boxes({IDYES});
    Click(form.RemoveButton);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "Do you really want to delete the selected items?");
    EXPECT_EQ(boxes.Boxes()[0].Caption, "Tarvex Installer");
    EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(boxes.Boxes()[0].Buttons(), static_cast<UINT>(MB_YESNO));
    ASSERT_EQ(form.List.Count(), 1);
    EXPECT_EQ(Cells(0)[0], "<C>");
}

TEST_F(ListEditorTest, UnboundListDoesNothingOnAddAndEdit)
{
    Open(TListKind::Others);
    editor->BindDialog(nullptr);
    Fill({{"DLL/ActiveX", "f.dll", "No"}});
    form.List.Select(0);
    Click(form.AddButton);
    Click(form.EditButton);
    EXPECT_EQ(form.List.Count(), 1);
    EXPECT_EQ(dialog.Shows, 0);
}

TEST_F(ListEditorTest, MoveSwapsWholeRowsKeepsTheSelectionAndStopsAtTheEnds)
{
    Open(TListKind::Commands);
    const std::vector<TCells> rows = {{"a", "1", "Normal", "Before Installation", "No", "All"},
                                      {"b", "2", "Hide", "After Installation", "Yes", "Windows XP"},
                                      {"c", "3", "Normal", "Before Installation", "No", "All"}};
    Fill(rows);
    form.List.Select(0);
    ClickArrow(form.Arrows, true);
    EXPECT_EQ(Cells(0), rows[0]);
    ClickArrow(form.Arrows, false);
    EXPECT_EQ(Cells(0), rows[1]);
    EXPECT_EQ(Cells(1), rows[0]);
    EXPECT_EQ(form.List.SelectedIndexes(), std::vector<int>{1});
    ClickArrow(form.Arrows, true);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Cells(i), rows[static_cast<size_t>(i)]);
    EXPECT_EQ(form.List.SelectedIndexes(), std::vector<int>{0});
    form.List.ClearSelection();
    form.List.Select(2);
    ClickArrow(form.Arrows, false);
    EXPECT_EQ(Cells(2), rows[2]);
    form.List.ClearSelection();
    ClickArrow(form.Arrows, true);
    EXPECT_EQ(Cells(0), rows[0]);
}

namespace {

// A source folder on disk and its files, as the files page would list them.
class TSourceFiles : public IProjectFiles {
public:
    std::string Folder;  // as typed in the Source Folder field
    std::string Root;    // the real path
    std::vector<std::string> Additional;
    std::string SourceFolder() const override { return Folder; }
    std::vector<std::string> SourceFiles() const override
    {
        std::vector<std::string> files;
        Walk(Root, files);
        std::sort(files.begin(), files.end());
        return files;
    }
    std::vector<std::string> AdditionalInstallTo() const override { return Additional; }

private:
    static void Walk(const std::string& folder, std::vector<std::string>& files)
    {
        WIN32_FIND_DATAA data;
        HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return;
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                Walk(folder + "\\" + name, files);
            else
                files.push_back(folder + "\\" + name);
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
};

void WriteFile(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    ::CloseHandle(file);
}

}  // namespace

TEST_F(ListEditorTest, AddAllDllActiveXTakesSourceFilesByExtensionAndAdditionalRows)
{
    Open(TListKind::Others);
    char temp[MAX_PATH + 1] = {};
    ASSERT_GT(::GetTempPathA(sizeof temp, temp), 0u);
    TSourceFiles files;
    files.Root = std::string(temp) + "kinlists-src";
    ASSERT_TRUE(::CreateDirectoryA(files.Root.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    ::CreateDirectoryA((files.Root + "\\Bin").c_str(), nullptr);
    WriteFile(files.Root + "\\Bin\\x.dll");
    WriteFile(files.Root + "\\X.OCX");
    WriteFile(files.Root + "\\x.dll.bak");
    files.Folder = UpperCase(files.Root);  // the replacement ignores case
    files.Additional = {"<InstallDir>\\readme.txt", "<InstallDir>\\lib\\y.ocx"};
    Fill({{"Font", "<FontsDir>\\a.ttf", "No"}});
    {
        TExpectBoxes boxes({IDYES});
        AddAllDllActiveX(form.Handle(), form.List, files);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text,
                  "Please specify the following option for all items:\r\n\r\n'Do not unregister during uninstallation'");
        EXPECT_EQ(boxes.Boxes()[0].DefaultButton(), 1) << "No is the default";
        EXPECT_EQ(boxes.Boxes()[0].Buttons(), static_cast<UINT>(MB_YESNO));
    }
    ASSERT_EQ(form.List.Count(), 4);
    EXPECT_EQ(Cells(1), (TCells{"DLL/ActiveX", "<InstallDir>\\Bin\\x.dll", "Yes"}));
    EXPECT_EQ(Cells(2), (TCells{"DLL/ActiveX", "<InstallDir>\\X.OCX", "Yes"}));
    EXPECT_EQ(Cells(3), (TCells{"DLL/ActiveX", "<InstallDir>\\lib\\y.ocx", "Yes"}));
    {
        TExpectBoxes boxes({IDNO});
        AddAllDllActiveX(form.Handle(), form.List, files);
    }
    ASSERT_EQ(form.List.Count(), 7) << "a second run adds every file again";
    EXPECT_EQ(Cells(6)[2], "No");
    for (const char* name : {"\\Bin\\x.dll", "\\X.OCX", "\\x.dll.bak"})
        ::DeleteFileA((files.Root + name).c_str());
    ::RemoveDirectoryA((files.Root + "\\Bin").c_str());
    ::RemoveDirectoryA(files.Root.c_str());
}

TEST_F(ListEditorTest, UpdaterCommandOnAndOffLeavesTheListAsBeforeAlsoWhenMoved)
{
    Open(TListKind::Commands);
    const std::vector<TCells> before = {{kUpdaterCommand, "/S", "Normal", "After Installation", "No", "All"},
                                        {"a.exe", "", "Normal", "Before Installation", "No", "All"}};
    Fill(before);
    SetUpdaterCommand(form.List, true);
    ASSERT_EQ(form.List.Count(), 3);
    EXPECT_EQ(Cells(2), (TCells{kUpdaterCommand, "/S", "Normal", "Before Installation", "No", "All"}));
    SetUpdaterCommand(form.List, false);
    ASSERT_EQ(form.List.Count(), 2);
    EXPECT_EQ(Cells(0), before[0]) << "another Timing survives";
    SetUpdaterCommand(form.List, true);
    form.List.Select(2);
    ClickArrow(form.Arrows, true);
    ClickArrow(form.Arrows, true);
    EXPECT_EQ(Cells(0)[3], "Before Installation");
    SetUpdaterCommand(form.List, false);
    ASSERT_EQ(form.List.Count(), 2);
    EXPECT_EQ(Cells(0), before[0]);
    EXPECT_EQ(Cells(1), before[1]);
    SetUpdaterCommand(form.List, false);
    EXPECT_EQ(form.List.Count(), 2) << "off without the row removes nothing";
}

namespace {

// A registry dialog made from a winlib form, its fields registered by label.
class TRegistryDialog : public TForm {
public:
    TRegistryDialog() : Fields(*this) { Create(nullptr, "Add Registry Value", {80, 80, 420, 260}); }
    TEdit Key, Name, Data;
    TComboBox Type;
    TCheckBox Overwrite, Keep;
    TButton Ok, Cancel;
    TItemDialogFields Fields;

protected:
    void OnCreate() override
    {
        HWND h = Handle();
        Key.Create(h, 10, {8, 8, 380, 22});
        Name.Create(h, 11, {8, 36, 380, 22});
        Type.Create(h, 12, {8, 64, 200, 120});
        Type.SetItems({"REG_SZ", "REG_EXPAND_SZ", "REG_DWORD", "REG_BINARY"});
        Type.SetItemIndex(0);
        Data.Create(h, 13, {8, 92, 380, 22});
        Overwrite.Create(h, 14, {8, 120, 300, 20}, "Overwrite Registry Value");
        Keep.Create(h, 15, {8, 144, 300, 20}, "Do not remove during uninstallation");
        Ok.Create(h, IDOK, {210, 180, 80, 25}, "OK", true);
        Ok.ModalResult = mrOk;
        Cancel.Create(h, IDCANCEL, {300, 180, 80, 25}, "Cancel");
        Cancel.ModalResult = mrCancel;
        DefaultButtonId = IDOK;
        Fields.AddText("Registry Key", Key);
        Fields.AddText("Value Name", Name);
        Fields.AddChoice("Value Type", Type);
        Fields.AddText("Value Data", Data);
        Fields.AddCheck("Overwrite Registry Value", Overwrite);
        Fields.AddCheck("Do not remove during uninstallation", Keep);
    }
};

}  // namespace

TEST_F(ListEditorTest, AFormDialogAddsAndEditsRowsThroughItsModalLoop)
{
    Open(TListKind::Registry);
    TRegistryDialog registry;
    editor->BindDialog(&registry.Fields);
    TModalResponder modal;
    modal.Expect([&](TForm&) {
        EXPECT_EQ(registry.Caption(), "Add Registry Value");
        Type(registry.Key, "HKEY_CURRENT_USER\\K");
        Type(registry.Data, " 7 ");
        ChooseItem(registry.Type, 2);
        Toggle(registry.Keep);
        Click(registry.Ok);
    });
    modal.Expect([&](TForm&) {
        EXPECT_EQ(registry.Caption(), kEditCaption);
        EXPECT_EQ(registry.Fields.Mode(), IItemDialog::Edit);
        EXPECT_TRUE(registry.Keep.Checked());
        Click(registry.Ok);
    });
    modal.Expect([&](TForm&) {
        Type(registry.Data, "changed");
        Click(registry.Cancel);
    });
    Click(form.AddButton);
    ASSERT_EQ(form.List.Count(), 1);
    EXPECT_EQ(Cells(0), (TCells{"HKEY_CURRENT_USER\\K", "", "REG_DWORD", " 7 ", "Yes", "No"}));
    ClickRow(form.List, 0);
    Click(form.EditButton);
    EXPECT_EQ(Cells(0), (TCells{"HKEY_CURRENT_USER\\K", "", "REG_DWORD", "7", "Yes", "No"}));
    Click(form.EditButton);
    EXPECT_EQ(Cells(0)[3], "7");
    EXPECT_EQ(modal.Shown(), 3);
}

TEST_F(ListEditorTest, AFormDialogWithoutAFieldOfTheTableSaysWhichField)
{
    TRegistryDialog registry;
    EXPECT_THROW(
        {
            try {
                registry.Fields.SetFieldText("Section", "x");
            } catch (const std::logic_error& error) {
                EXPECT_NE(std::string(error.what()).find("\"Section\""), std::string::npos) << error.what();
                throw;
            }
        },
        std::logic_error);
}
