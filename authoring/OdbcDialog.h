// "Create ODBC DSN": turns one of the publisher's own ODBC data sources (or one
// typed in) into registry rows that recreate it on the customer's machine.
#pragma once
#include <functional>
#include <string>

#include "winlib/Controls.h"
#include "winlib/Form.h"
#include "winlib/Menus.h"
#include "winlib/StringGrid.h"
#include "winlib/Views.h"

// A combo box that tells a choice from the list apart from typing.
class TChoiceComboBox : public winlib::TComboBox {
public:
    winlib::TNotifyEvent OnSelect;  // a user's choice of an item only
    bool ReflectCommand(WORD code, WORD id) override;
};

enum TOdbcMenuId : int { cmGridAdd = 4201, cmGridRemove = 4202 };

class TForm20 : public winlib::TForm {
public:
    void CreateForm(HWND owner);

    // Where the user's data sources are read, below HKEY_CURRENT_USER.
    std::string OdbcKey = "Software\\ODBC\\ODBC.INI";
    // Appends one row to the project's registry list; the Help button.
    std::function<void(const winlib::TListRow& row)> AddRegistryRow;
    std::function<void()> Help;

    TChoiceComboBox ComboBox1, ComboBox2;  // data source name, driver (both editable)
    winlib::TComboBox ComboBox3;           // register for: User, System
    winlib::TStringGrid StringGrid1;
    winlib::TButton Button1, Button2, Button3;  // OK, Close, Help
    winlib::TMenu PopupMenu1{true};

    void FormActivate();
    void ComboBox1Change();
    void ComboBox2Change();
    void Button1Click();
    void Add1Click() { StringGrid1.AddRow(); }
    void Remove1Click();

protected:
    void OnActivate() override { FormActivate(); }
    bool OnKeyPreview(UINT key, unsigned shift) override;

private:
    bool SelectedSource(int& index) const;
    bool Refuse(HWND field, const std::string& message, const std::string& caption, UINT icon) const;
    void LoadGrid(const std::string& name);
    std::vector<winlib::TLabel> labels_ = std::vector<winlib::TLabel>(3);
};
