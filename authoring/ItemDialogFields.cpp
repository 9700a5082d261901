#include "authoring/ItemDialogFields.h"

#include <stdexcept>

namespace {

// A label the dialog does not have is a mistake in a list table: say which.
[[noreturn]] void NoSuchField(const winlib::TForm& form, const std::string& label, const char* kind)
{
    throw std::logic_error("dialog \"" + form.Caption() + "\" has no " + kind + " field \"" + label + "\"");
}

template <class M>
auto Find(const M& map, const winlib::TForm& form, const std::string& label, const char* kind)
{
    auto it = map.find(label);
    if (it == map.end())
        NoSuchField(form, label, kind);
    return it->second;
}

}  // namespace

void TItemDialogFields::SetCaption(const std::string& caption, TMode mode)
{
    form_.SetCaption(caption);
    mode_ = mode;
}

std::string TItemDialogFields::FieldText(const std::string& label) const
{
    auto edit = edits_.find(label);
    if (edit != edits_.end())
        return edit->second->Text();
    return Find(editCombos_, form_, label, "text")->Text();
}

void TItemDialogFields::SetFieldText(const std::string& label, const std::string& text)
{
    auto edit = edits_.find(label);
    if (edit != edits_.end())
        edit->second->SetText(text);
    else
        Find(editCombos_, form_, label, "text")->SetText(text);
}

bool TItemDialogFields::FieldChecked(const std::string& label) const
{
    return Find(checks_, form_, label, "check")->Checked();
}

void TItemDialogFields::SetFieldChecked(const std::string& label, bool on)
{
    Find(checks_, form_, label, "check")->SetChecked(on);
}

std::string TItemDialogFields::FieldChoice(const std::string& label) const
{
    const winlib::TComboBox* list = Find(choices_, form_, label, "drop-down");
    int index = list->ItemIndex();
    return index < 0 ? std::string() : list->Item(index);
}

bool TItemDialogFields::ChooseFieldItem(const std::string& label, const std::string& text)
{
    return Find(choices_, form_, label, "drop-down")->SelectComboItem(text);
}

bool TItemDialogFields::Execute() { return form_.ShowModal() == winlib::mrOk; }

void TItemDialogFields::EnableField(const std::string& label, bool on)
{
    if (auto edit = edits_.find(label); edit != edits_.end())
        edit->second->Enable(on);
    else if (auto combo = editCombos_.find(label); combo != editCombos_.end())
        combo->second->Enable(on);
    else if (auto list = choices_.find(label); list != choices_.end())
        list->second->Enable(on);
    else
        Find(checks_, form_, label, "check")->Enable(on);
}
