// The ten row dialogs, each a declaration on the item-dialog engine; code only
// where a dialog really differs (its pick handlers, an on-show rule, what OK does
// once every check has passed). Controls keep their designed names.
#pragma once
#include <string>
#include <vector>

#include "authoring/ItemDialog.h"
#include "winlib/Menus.h"

// The destinations offered for files, in this order.
const std::vector<std::string>& DestinationPlaceholders();

// The items of the commands' "..." menu.
enum TCommandMenuId : int { cmFilesAndFolders = 4101, cmCommandVariables = 4102 };

#define KIN_EDIT(name) winlib::TEdit& name() const { return EditNamed(#name); }
#define KIN_COMBO(name) winlib::TComboBox& name() const { return ComboNamed(#name); }
#define KIN_CHECK(name) winlib::TCheckBox& name() const { return CheckNamed(#name); }
#define KIN_BUTTON(name) winlib::TButton& name() const { return ButtonNamed(#name); }

// "Add Files": destination, file name, if-exists mode, keep-on-uninstall.
class TForm4 : public TItemDialog {
public:
    explicit TForm4(IItemDialogHost& host);
    KIN_COMBO(ComboBox1) KIN_COMBO(ComboBox2) KIN_EDIT(Edit1) KIN_CHECK(CheckBox1)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3)
protected:
    void OnShowRule() override;
    void PickClick(const TFieldSpec& field) override;
};

// "Add Variable".
class TForm6 : public TItemDialog {
public:
    explicit TForm6(IItemDialogHost& host);
    KIN_EDIT(Edit1) KIN_EDIT(Edit2) KIN_EDIT(Edit3) KIN_EDIT(Edit4) KIN_COMBO(ComboBox2)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4)
};

// "Add Shortcut".
class TForm8 : public TItemDialog {
public:
    explicit TForm8(IItemDialogHost& host);
    KIN_EDIT(Edit1) KIN_EDIT(Edit2) KIN_EDIT(Edit3) KIN_EDIT(Edit4) KIN_EDIT(Edit5) KIN_EDIT(Edit6)
    KIN_EDIT(SpinEdit1) KIN_COMBO(ComboBox1) KIN_COMBO(ComboBox2)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4) KIN_BUTTON(Button5)
protected:
    void PickClick(const TFieldSpec& field) override;
};

// "Add Registry Value".
class TForm9 : public TItemDialog {
public:
    explicit TForm9(IItemDialogHost& host);
    KIN_EDIT(Edit1) KIN_EDIT(Edit2) KIN_EDIT(Edit3) KIN_COMBO(ComboBox2) KIN_CHECK(CheckBox1) KIN_CHECK(CheckBox2)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button5)
};

// "Add Extension".
class TForm10 : public TItemDialog {
public:
    explicit TForm10(IItemDialogHost& host);
    KIN_EDIT(Edit1) KIN_EDIT(Edit2) KIN_EDIT(Edit3) KIN_EDIT(Edit4) KIN_EDIT(SpinEdit1)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4) KIN_BUTTON(Button5)
protected:
    void PickClick(const TFieldSpec& field) override;
};

// "Add INI Value".
class TForm11 : public TItemDialog {
public:
    explicit TForm11(IItemDialogHost& host);
    KIN_EDIT(Edit1) KIN_EDIT(Edit2) KIN_EDIT(Edit3) KIN_EDIT(Edit4) KIN_CHECK(CheckBox1) KIN_CHECK(CheckBox2)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4) KIN_BUTTON(Button5)
};

// "Add Command".
class TForm13 : public TItemDialog {
public:
    explicit TForm13(IItemDialogHost& host);
    KIN_COMBO(ComboBox4) KIN_EDIT(Edit2) KIN_COMBO(ComboBox1) KIN_COMBO(ComboBox2) KIN_COMBO(ComboBox3)
    KIN_CHECK(CheckBox1) KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4)
    KIN_BUTTON(Button5)
    const winlib::TMenu& PopupMenu1() const { return menu_; }
    void FilesandFolders1Click();
    void Variables1Click();
protected:
    void PickClick(const TFieldSpec& field) override;
private:
    winlib::TMenu menu_{true};
};

// "Register".
class TForm14 : public TItemDialog {
public:
    explicit TForm14(IItemDialogHost& host);
    KIN_EDIT(Edit1) KIN_COMBO(ComboBox1) KIN_CHECK(CheckBox1)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4)
protected:
    void PickClick(const TFieldSpec& field) override;
};

// "Add Environment Variable".
class TForm17 : public TItemDialog {
public:
    explicit TForm17(IItemDialogHost& host);
    KIN_EDIT(Edit1) KIN_EDIT(Edit2) KIN_COMBO(ComboBox1) KIN_CHECK(CheckBox1)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4)
};

// "Add Prerequisite". A local file picked for the command joins the project's
// files only when OK accepts the command that names it.
class TForm18 : public TItemDialog {
public:
    explicit TForm18(IItemDialogHost& host);
    KIN_COMBO(ComboBox1) KIN_EDIT(Edit1) KIN_COMBO(ComboBox2) KIN_COMBO(ComboBox3) KIN_EDIT(Edit2) KIN_EDIT(Edit3)
    KIN_BUTTON(Button1) KIN_BUTTON(Button2) KIN_BUTTON(Button3) KIN_BUTTON(Button4)
protected:
    void PickClick(const TFieldSpec& field) override;
    void OnAccepted() override;
private:
    std::string picked_;  // the last local file picked and not yet added
};

#undef KIN_EDIT
#undef KIN_COMBO
#undef KIN_CHECK
#undef KIN_BUTTON
