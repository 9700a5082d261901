// The new-project wizard: a folder of application files and its main executable
// become a ready-to-build project, with the product's name, version, company and
// web site proposed from the executable's version information.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "winlib/Controls.h"
#include "winlib/Form.h"

class TForm19 : public winlib::TForm {
public:
    TForm19() = default;
    ~TForm19() override;
    void CreateForm(HWND owner);

    winlib::TImage Image1;
    winlib::TLabel Label1;
    winlib::TEdit Edit1;  // source folder (read-only)
    winlib::TButton Button2;  // "..."
    winlib::TComboBox ComboBox1;  // executables, relative to the folder
    winlib::TEdit Edit2, Edit3, Edit4, Edit5, Edit6;  // name, version, company, web site, description (hidden)
    winlib::TCheckBox CheckBox1;  // "Do not show this dialog"
    winlib::TButton Button1, Button3;  // OK, Cancel

    // Shows the wizard modally; then FormClose. The main window reads Edit1 and Edit2 after.
    int Execute();

    void Button2Click();
    void ComboBox1Change();
    void ReadVersionInfo(const std::string& file);
    void Button1Click();
    void FormClose();  // after every close: OK, Cancel and the title bar alike

protected:
    void OnCreate() override;
    void OnActivate() override;
    void OnDestroy() override;

private:
    std::vector<std::unique_ptr<winlib::TLabel>> labels_;
    HFONT boldFont_ = nullptr;
    HBITMAP picture_ = nullptr;
    bool scanning_ = false;  // the folder listing pumps messages: "..." and OK wait for it
};

// "1, 0, 2, 5" -> "1.0.2.5": commas become dots, blanks go.
std::string NormalizeVersionText(const std::string& text);

extern TForm19* Form19;
