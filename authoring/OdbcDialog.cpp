#include "authoring/OdbcDialog.h"

#include <stdexcept>

#include "authoring/ItemDialog.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Registry.h"
#include "winlib/StringList.h"

namespace {

constexpr const char* kSourcesKey = "ODBC Data Sources";

// HKEY_CURRENT_USER\Software is one key in both registry views.
constexpr winlib::RegView kUserView = winlib::RegView::View64;

// The string values of a key (the others skipped), in the key's order. A missing
// key has none; any other failure is raised with the key's name.
std::vector<std::pair<std::string, std::string>> StringValues(const std::string& key)
{
    winlib::TRegistry reg(HKEY_CURRENT_USER, kUserView);
    LONG code = reg.OpenKeyReadOnly(key);
    if (code == ERROR_FILE_NOT_FOUND)
        return {};
    std::vector<std::string> names;
    if (code == ERROR_SUCCESS)
        code = reg.GetValueNames(names);
    if (code != ERROR_SUCCESS)
        throw winlib::EOSError(static_cast<DWORD>(code), "Cannot read HKEY_CURRENT_USER\\" + key);
    std::vector<std::pair<std::string, std::string>> values;
    for (const std::string& name : names) {
        std::string value;
        DWORD type = 0;
        if (reg.ReadType(name, type) == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) &&
            reg.ReadString(name, value) == ERROR_SUCCESS)
            values.emplace_back(name, value);
    }
    return values;
}

}  // namespace

bool TChoiceComboBox::ReflectCommand(WORD code, WORD id)
{
    if (code == CBN_SELCHANGE && OnSelect)
        OnSelect();
    return TComboBox::ReflectCommand(code, id);
}

void TForm20::CreateForm(HWND owner)
{
    int w = 420, h = 380;
    Create(owner, "Create ODBC DSN",
           {(::GetSystemMetrics(SM_CXSCREEN) - w) / 2, (::GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h});
    KeyPreview = true;
    const char* captions[] = {"Data Source Name:", "Driver:", "Register for:"};
    winlib::TComboBox* combos[] = {&ComboBox1, &ComboBox2, &ComboBox3};
    for (int i = 0; i < 3; ++i) {
        labels_[static_cast<size_t>(i)].Create(Handle(), 100 + 2 * i, {12, 15 + 30 * i, 120, 18}, captions[i]);
        combos[i]->Create(Handle(), 101 + 2 * i, {136, 12 + 30 * i, 260, 200}, i < 2);
    }
    ComboBox3.SetItems({"User", "System"});
    ComboBox3.SetItemIndex(0);
    ComboBox1.OnSelect = [this] { ComboBox1Change(); };
    ComboBox2.OnSelect = [this] { ComboBox2Change(); };
    StringGrid1.Create(Handle(), 110, {12, 104, 384, 190}, 2, 180);
    PopupMenu1.AddItem(nullptr, cmGridAdd, "Add...", [this] { Add1Click(); });
    PopupMenu1.AddItem(nullptr, cmGridRemove, "Remove", [this] { Remove1Click(); });
    StringGrid1.PopupMenu = &PopupMenu1;
    Button1.Create(Handle(), IDOK, {159, 306, 75, 25}, "OK", true);
    Button2.Create(Handle(), IDCANCEL, {240, 306, 75, 25}, "Close");
    Button3.Create(Handle(), 9, {321, 306, 75, 25}, "Help");
    DefaultButtonId = IDOK;
    Button1.OnClick = [this] { Button1Click(); };
    Button2.ModalResult = winlib::mrCancel;
    Button3.OnClick = [this] {
        if (Help)
            Help();
    };
}

bool TForm20::OnKeyPreview(UINT key, unsigned shift)
{
    if (key != VK_F1 || shift != 0)
        return false;
    Button3.Click();
    return true;
}

// Each showing reads the data sources again; the grid keeps its rows.
void TForm20::FormActivate()
{
    StringGrid1.SetHeader(0, "Name");
    StringGrid1.SetHeader(1, "Value");
    ComboBox1.Clear();
    ComboBox2.Clear();
    for (const auto& [name, driver] : StringValues(OdbcKey + "\\" + kSourcesKey)) {
        ComboBox1.Add(name);
        ComboBox2.Add(driver);
    }
    ComboBox1.SetFocus();
}

// A listed data source, chosen and not typed over since.
bool TForm20::SelectedSource(int& index) const
{
    index = ComboBox1.ItemIndex();
    return index >= 0 && ComboBox1.Count() == ComboBox2.Count();
}

void TForm20::ComboBox1Change()
{
    int index = 0;
    if (ComboBox1.ItemIndex() < 0)
        return;
    if (SelectedSource(index))
        ComboBox2.SetItemIndex(index);
    LoadGrid(ComboBox1.Item(ComboBox1.ItemIndex()));
}

// The chosen data source keeps its own driver; the grid is never touched here.
void TForm20::ComboBox2Change()
{
    int index = 0;
    if (SelectedSource(index) && ComboBox1.Text() == ComboBox1.Item(index))
        ComboBox2.SetItemIndex(index);
}

void TForm20::LoadGrid(const std::string& name)
{
    StringGrid1.ClearRows();
    for (const auto& [value, data] : StringValues(OdbcKey + "\\" + name)) {
        StringGrid1.AddRow();
        StringGrid1.SetCell(StringGrid1.RowCount() - 1, 0, value);
        StringGrid1.SetCell(StringGrid1.RowCount() - 1, 1, data);
    }
}

void TForm20::Remove1Click()
{
    int row = StringGrid1.CurrentRow();
    if (row >= 0)
        StringGrid1.DeleteRow(row);
}

bool TForm20::Refuse(HWND field, const std::string& message, const std::string& caption, UINT icon) const
{
    winlib::ShowMessageBox(Handle(), message, caption, MB_OK | icon);
    ::SetFocus(field);
    return false;
}

void TForm20::Button1Click()
{
    StringGrid1.CommitEdit();
    ComboBox1.SetText(winlib::Trim(ComboBox1.Text()));
    ComboBox2.SetText(winlib::Trim(ComboBox2.Text()));
    const std::string name = ComboBox1.Text(), driver = ComboBox2.Text();
    // An empty name would write into ODBC.INI itself; a "\" would name a subkey.
    if (name.empty() || name.find('\\') != std::string::npos) {
        Refuse(ComboBox1.Handle(), "Incorrect data source name.", std::string(), MB_ICONERROR);
        return;
    }
    std::vector<std::pair<HWND, std::string>> texts = {{ComboBox1.Handle(), name}, {ComboBox2.Handle(), driver}};
    for (int row = 0; row < StringGrid1.RowCount(); ++row)
        for (int column = 0; column < 2; ++column)
            texts.emplace_back(StringGrid1.Handle(), StringGrid1.Cell(row, column));
    for (const auto& [field, text] : texts)
        if (text.find("*?") != std::string::npos) {
            Refuse(field, kSeparatorMessage, kProductCaption, MB_ICONWARNING);
            return;
        }
    bool system = ComboBox3.ItemIndex() == 1;
    const std::string root = system ? "HKLM\\SOFTWARE\\ODBC\\ODBC.INI\\" : "HKCU\\Software\\ODBC\\ODBC.INI\\";
    if (!AddRegistryRow)
        throw std::logic_error("the ODBC dialog has no registry list to add its rows to");
    AddRegistryRow({root + kSourcesKey, {name, "REG_SZ", driver, "Yes", "Yes"}});
    for (int row = 0; row < StringGrid1.RowCount(); ++row) {
        std::string value = StringGrid1.Cell(row, 0), data = StringGrid1.Cell(row, 1);
        if (!value.empty() || !data.empty())
            AddRegistryRow({root + name, {value, "REG_SZ", data, "Yes", "Yes"}});
    }
    SetModalResult(winlib::mrOk);
}
