// The scheme every project list shares: change marks the project modified; keys
// and double click press the buttons; Add, Edit and Remove through the item
// dialog; moving rows; and the two bulk operations on single lists.
#include "authoring/ListEditor.h"

#include "winlib/MessageBox.h"
#include "winlib/StringList.h"

using winlib::TListRow;
using winlib::TListView;

namespace {

constexpr const char* kBoxCaption = "Tarvex Installer";
constexpr const char* kYes = "Yes";
constexpr const char* kNo = "No";

// The runtime upper-cases flags before comparing, so a hand-written "yes" is Yes here too.
bool IsYes(const std::string& cell) { return winlib::SameText(cell, kYes); }

HWND OwnerOf(const TListView& list) { return ::GetAncestor(list.Handle(), GA_ROOT); }

}  // namespace

TListEditor::TListEditor(const TListSpec& spec, TListView& list, std::function<void()> markModified)
    : spec_(spec), list_(list), markModified_(std::move(markModified))
{
}

void TListEditor::CreateColumns() const
{
    for (const TColumnSpec& column : spec_.Columns)
        list_.AddColumn(column.Caption, column.Width);
}

void TListEditor::Attach()
{
    list_.OnChange = [this] {
        if (markModified_)
            markModified_();
    };
    list_.OnDblClick = [this] { ClickEdit(); };
    list_.OnKeyDown = [this](UINT key, unsigned shift) { KeyDown(key, shift); };
}

void TListEditor::BindButtons(winlib::TButton* add, winlib::TButton* edit, winlib::TButton* remove)
{
    addButton_ = add;
    editButton_ = edit;
    removeButton_ = remove;
    if (add)
        add->OnClick = [this] { Add(); };
    if (edit)
        edit->OnClick = [this] { Edit(); };
    if (remove)
        remove->OnClick = [this] { Remove(); };
}

void TListEditor::BindArrows(winlib::TUpDown& arrows)
{
    arrows.OnClick = [this](bool up) { Move(up); };
}

// Ctrl+A has already selected every row in the list view itself.
void TListEditor::KeyDown(unsigned key, unsigned /*shift*/)
{
    switch (key) {
    case VK_RETURN:
        ClickEdit();
        break;
    case VK_INSERT:
        ClickAdd();
        break;
    case VK_DELETE:
        ClickRemove();
        break;
    default:
        break;
    }
}

// Without bound buttons the operation runs directly.
// A key presses the button as a user would, so a disabled button also stops its key
// (checked here: whether BM_CLICK acts on a disabled button differs between systems).
static bool PressButton(const winlib::TButton* button)
{
    if (button == nullptr)
        return false;
    if (button->Enabled())
        button->Click();
    return true;
}

void TListEditor::ClickAdd()
{
    if (!PressButton(addButton_))
        Add();
}

void TListEditor::ClickEdit()
{
    if (!PressButton(editButton_))
        Edit();
}

void TListEditor::ClickRemove()
{
    if (!PressButton(removeButton_))
        Remove();
}

void TListEditor::Add()
{
    if (dialog_ == nullptr)
        return;  // the list's dialog is not part of the program yet
    dialog_->SetCaption(spec_.AddCaption, IItemDialog::Add);
    for (const TFieldReset& reset : spec_.AddResets) {
        switch (reset.Kind) {
        case TFieldReset::TextField:
            dialog_->SetFieldText(reset.Field, reset.Value);
            break;
        case TFieldReset::CheckField:
            dialog_->SetFieldChecked(reset.Field, reset.Checked);
            break;
        case TFieldReset::ChoiceField:
            dialog_->ChooseFieldItem(reset.Field, reset.Value);
            break;
        }
    }
    unknown_.clear();
    if (dialog_->Execute())
        list_.Add(RowFromDialog(false));
}

void TListEditor::Edit()
{
    int index = list_.FirstSelected();
    if (dialog_ == nullptr || index < 0)
        return;
    dialog_->SetCaption(kEditCaption, IItemDialog::Edit);
    RowToDialog(list_.Row(index));
    if (dialog_->Execute())
        list_.SetRow(index, RowFromDialog(true));
    unknown_.clear();
}

void TListEditor::Remove()
{
    if (list_.FirstSelected() < 0)
        return;
    int answer = winlib::ShowMessageBox(OwnerOf(list_), "Do you really want to delete the selected items?",
                                        kBoxCaption, MB_ICONQUESTION | MB_YESNO);
    if (answer != IDYES)
        return;
    for (int index = list_.FirstSelected(); index >= 0; index = list_.FirstSelected())
        list_.Delete(index);
}

void TListEditor::Move(bool up)
{
    int index = list_.FirstSelected();
    if (index < 0)
        return;
    int target = up ? index - 1 : index + 1;
    if (target < 0 || target >= list_.Count())
        return;
    // The selection moves with the row, so repeated clicks keep moving the same record.
    list_.Swap(index, target);
    list_.Select(index, false);
    list_.Select(target, true);
}

TListRow TListEditor::RowFromDialog(bool editing) const
{
    std::vector<std::string> cells;
    for (size_t column = 0; column < spec_.Columns.size(); ++column) {
        const TColumnSpec& spec = spec_.Columns[column];
        std::string cell;
        switch (spec.Rule) {
        case TColumnRule::Text:
            cell = dialog_->FieldText(spec.Field);
            break;
        case TColumnRule::Trimmed:
            cell = winlib::Trim(dialog_->FieldText(spec.Field));
            break;
        case TColumnRule::TrimmedOnEdit:
            cell = editing ? winlib::Trim(dialog_->FieldText(spec.Field)) : dialog_->FieldText(spec.Field);
            break;
        case TColumnRule::Choice:
            cell = dialog_->FieldChoice(spec.Field);
            for (const TUnknownChoice& unknown : unknown_)
                if (unknown.Column == column && cell == unknown.Shown)
                    cell = unknown.Stored;  // the user chose nothing: keep what the row held
            break;
        case TColumnRule::YesIfChecked:
            cell = dialog_->FieldChecked(spec.Field) ? kYes : kNo;
            break;
        case TColumnRule::NoIfChecked:
            cell = dialog_->FieldChecked(spec.Field) ? kNo : kYes;
            break;
        }
        cells.push_back(std::move(cell));
    }
    TListRow row;
    row.Caption = cells.empty() ? std::string() : cells.front();
    row.Texts.assign(cells.begin() + (cells.empty() ? 0 : 1), cells.end());
    return row;
}

void TListEditor::RowToDialog(const TListRow& row)
{
    unknown_.clear();
    for (size_t column = 0; column < spec_.Columns.size(); ++column) {
        const TColumnSpec& spec = spec_.Columns[column];
        std::string cell = column == 0 ? row.Caption
                           : column - 1 < row.Texts.size() ? row.Texts[column - 1]
                                                           : std::string();
        switch (spec.Rule) {
        case TColumnRule::Text:
        case TColumnRule::Trimmed:
        case TColumnRule::TrimmedOnEdit:
            dialog_->SetFieldText(spec.Field, cell);
            break;
        case TColumnRule::Choice:
            if (!dialog_->ChooseFieldItem(spec.Field, cell))
                unknown_.push_back({column, cell, dialog_->FieldChoice(spec.Field)});
            break;
        case TColumnRule::YesIfChecked:
            dialog_->SetFieldChecked(spec.Field, IsYes(cell));
            break;
        case TColumnRule::NoIfChecked:
            dialog_->SetFieldChecked(spec.Field, !IsYes(cell));
            break;
        }
    }
}

namespace {

bool IsDllOrOcx(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string extension = winlib::UpperCase(path.substr(dot));
    return extension == ".DLL" || extension == ".OCX";
}

}  // namespace

void AddAllDllActiveX(HWND owner, TListView& others, const IProjectFiles& files)
{
    int answer = winlib::ShowMessageBox(
        owner, "Please specify the following option for all items:\r\n\r\n'Do not unregister during uninstallation'",
        kBoxCaption, MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2);
    const std::string flag = answer == IDYES ? kYes : kNo;
    const std::string folder = files.SourceFolder();
    for (const std::string& path : files.SourceFiles())
        if (IsDllOrOcx(path))
            others.Add({"DLL/ActiveX", {winlib::ReplaceAllNoCase(path, folder, "<InstallDir>"), flag}});
    for (const std::string& installTo : files.AdditionalInstallTo())
        if (IsDllOrOcx(installTo))
            others.Add({"DLL/ActiveX", {installTo, flag}});
}

void SetUpdaterCommand(TListView& commands, bool on)
{
    if (on) {
        commands.Add({kUpdaterCommand, {"/S", "Normal", "Before Installation", kNo, "All"}});
        return;
    }
    for (int index = 0; index < commands.Count(); ++index)
        if (commands.Cell(index, 0) == kUpdaterCommand && commands.Cell(index, 3) == "Before Installation") {
            commands.Delete(index);
            return;
        }
}
