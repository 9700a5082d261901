// The Options dialog. While the program runs its controls are the user's
// preferences: other parts read them, and only its OK writes them to the
// registry. Here the controls exist in their initial states; the dialog's
// layout, buttons and OK/Cancel come with the options-and-tools work.
#pragma once
#include <array>
#include <string>

#include "winlib/Controls.h"
#include "winlib/Form.h"

class TForm15 : public winlib::TForm {
public:
    TForm15() = default;
    ~TForm15() override;
    void CreateForm(HWND owner);

    // Tab "General".
    winlib::TCheckBox CheckWizard;  // "Create new project using Wizard": on
    winlib::TCheckBox CheckBox1;    // "Open the most recent project": off
    winlib::TCheckBox CheckBox4;    // "Check for updates": off
    winlib::TCheckBox CheckBox5;    // "Automatically update product version": on
    winlib::TCheckBox CheckBox3;    // "Update File Version Info": off
    winlib::TCheckBox CheckBox2;    // "Don't add hidden files and folders": on
    winlib::TComboBox ComboBox1;    // folder mode, item 0
    winlib::TButton Button10;       // associate .zpf files: disabled
    // Tab "Prerequisite Links": Edit1..Edit6 with their "..." buttons Button4..Button9.
    std::array<winlib::TEdit, 6> LinkEdits;
    std::array<winlib::TButton, 6> LinkButtons;
    winlib::TEdit& Edit(int n) { return LinkEdits.at(static_cast<size_t>(n - 1)); }  // 1..6

protected:
    void OnCreate() override;
};

extern TForm15* Form15;
