#include "authoring/Form15.h"

using winlib::TBounds;

TForm15* Form15 = nullptr;

namespace {

// The initial download pages of the six prerequisites.
const char* const kInitialLinks[6] = {
    "https://dotnet.example/download",      "https://browser.example/download",
    "https://reader.example/download",      "https://java.example/manual-download",
    "https://sqlcompact.example/download",  "https://sqlexpress.example/download",
};

}  // namespace

TForm15::~TForm15()
{
    if (Form15 == this)
        Form15 = nullptr;
}

void TForm15::CreateForm(HWND owner)
{
    Create(owner, "Options", TBounds{0, 0, 460, 420});
}

void TForm15::OnCreate()
{
    HWND h = Handle();
    // Provisional positions: the dialog's layout belongs to its own work.
    int y = 8;
    auto row = [&y] { TBounds b{8, y, 420, 20}; y += 22; return b; };
    CheckWizard.Create(h, 101, row(), "Create new project using Wizard");
    CheckBox1.Create(h, 102, row(), "Open the most recent project");
    CheckBox4.Create(h, 103, row(), "Check for updates");
    CheckBox5.Create(h, 104, row(), "Automatically update product version");
    CheckBox3.Create(h, 105, row(), "Update File Version Info");
    CheckBox2.Create(h, 106, row(), "Don't add hidden files and folders");
    ComboBox1.Create(h, 107, row());
    ComboBox1.SetItems({"Append the last folder name", "Doesn't append the last folder name", "Drive only"});
    ComboBox1.SetItemIndex(0);
    Button10.Create(h, 108, row(), "Associate '.zpf' files with Tarvex Installer");
    Button10.Enable(false);
    CheckWizard.SetChecked(true);
    CheckBox5.SetChecked(true);
    CheckBox2.SetChecked(true);
    for (size_t i = 0; i < LinkEdits.size(); ++i) {
        TBounds b = row();
        LinkEdits[i].Create(h, static_cast<int>(111 + i), TBounds{b.X, b.Y, 380, 20});
        LinkEdits[i].SetText(kInitialLinks[i]);
        LinkButtons[i].Create(h, static_cast<int>(121 + i), TBounds{b.X + 390, b.Y, 30, 20}, "...");
    }
}
