// IItemDialog over a winlib form: the form registers each field's control under its
// label, and the list editors reach the controls by those labels.
#pragma once
#include <map>
#include <string>

#include "authoring/ListEditor.h"
#include "winlib/Form.h"

class TItemDialogFields : public IItemDialog {
public:
    explicit TItemDialogFields(winlib::TForm& form) : form_(form) {}

    // Edit fields and spin fields' edits.
    void AddText(const std::string& label, winlib::TEdit& edit) { edits_[label] = &edit; }
    // Editable combo boxes (their text).
    void AddText(const std::string& label, winlib::TComboBox& combo) { editCombos_[label] = &combo; }
    void AddChoice(const std::string& label, winlib::TComboBox& list) { choices_[label] = &list; }
    void AddCheck(const std::string& label, winlib::TCheckBox& box) { checks_[label] = &box; }

    TMode Mode() const { return mode_; }

    void SetCaption(const std::string& caption, TMode mode) override;
    std::string FieldText(const std::string& label) const override;
    void SetFieldText(const std::string& label, const std::string& text) override;
    bool FieldChecked(const std::string& label) const override;
    void SetFieldChecked(const std::string& label, bool on) override;
    std::string FieldChoice(const std::string& label) const override;
    bool ChooseFieldItem(const std::string& label, const std::string& text) override;
    bool Execute() override;
    void EnableField(const std::string& label, bool on) override;

private:
    winlib::TForm& form_;
    TMode mode_ = Add;
    std::map<std::string, winlib::TEdit*> edits_;
    std::map<std::string, winlib::TComboBox*> editCombos_;
    std::map<std::string, winlib::TComboBox*> choices_;
    std::map<std::string, winlib::TCheckBox*> checks_;
};
