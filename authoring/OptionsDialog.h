// The Options dialog. While the program runs its controls are the user's
// preferences: other parts read them, the main window's first show loads them
// from the registry, and only OK writes them back. The six prerequisite links
// belong to the open project (the project file stores them).
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "winlib/Controls.h"
#include "winlib/Form.h"
#include "winlib/Views.h"

class TForm15 : public winlib::TForm {
public:
    TForm15() = default;
    ~TForm15() override;
    void CreateForm(HWND owner);

    // Shows the dialog modally on tab (0 General, 1 Prerequisite Links).
    int Execute(int tab);

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
    winlib::TButton Button1, Button2, Button3;  // OK, Cancel, Help
    winlib::TPageControl PageControl1;

    // The preferences in the registry: SavePreferences writes all seven (the first
    // failure is shown and ends the writing; false then); RestorePreferences puts
    // back each value present and ignores errors.
    bool SavePreferences();
    void RestorePreferences();

    // Handlers.
    void Button1Click();   // OK
    void Button2Click();   // Cancel
    void Button3Click();   // Help
    void Button10Click();  // associate
    void LinkButtonClick(int n);  // "..." of Edit(n)

    // What a link's "..." does (a local installer the setup carries); set by the
    // item dialogs, which own the file picking and the Additional Files row.
    std::function<void(winlib::TEdit&)> OnPickLink;

protected:
    void OnCreate() override;
    template <class T>
    T& Decor()  // labels and group boxes, which nothing reads
    {
        decor_.push_back(std::make_unique<T>());
        return static_cast<T&>(*decor_.back());
    }
    void OnActivate() override;
    bool OnKeyPreview(UINT key, unsigned shift) override;

private:
    std::vector<std::unique_ptr<winlib::TControl>> decor_;
};

extern TForm15* Form15;
