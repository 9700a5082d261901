#include "authoring/OptionsDialog.h"

#include <commctrl.h>

#include "authoring/AppState.h"
#include "authoring/MainWindow.h"
#include "authoring/NewProjectWizard.h"
#include "winlib/Hint.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/Shell.h"

using winlib::RegView;
using winlib::TBounds;
using winlib::TRegistry;

TForm15* Form15 = nullptr;

namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 312;

// The initial download pages of the six prerequisites.
const char* const kInitialLinks[6] = {
    "https://dotnet.example/download",      "https://browser.example/download",
    "https://reader.example/download",      "https://java.example/manual-download",
    "https://sqlcompact.example/download",  "https://sqlexpress.example/download",
};
const char* const kLinkLabels[6] = {
    ".NET Framework Link:", "Internet Explorer Link:", "Acrobat Reader Link:",
    "Java (JRE) Link:",     "SQL Compact Link",        "SQL Express Link",
};

constexpr const char* kUserChoice = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zpf\\UserChoice";

// The seven preferences in the order OK writes them.
struct TPreference {
    const char* Name;
    winlib::TCheckBox TForm15::*Box;  // null: the folder mode list
};
constexpr TPreference kPreferences[] = {
    {"Wizard", &TForm15::CheckWizard},       {"OpenRecentProject", &TForm15::CheckBox1},
    {"CheckUpdates", &TForm15::CheckBox4},   {"AutoUpdate", &TForm15::CheckBox5},
    {"UpdateVersion", &TForm15::CheckBox3},  {"HiddenFiles", &TForm15::CheckBox2},
    {"SelectFolderMode", nullptr},
};

void ShowError(HWND owner, const std::string& text)
{
    winlib::ShowMessageBox(owner, text, "", MB_OK | MB_ICONERROR);
}

}  // namespace

TForm15::~TForm15()
{
    if (Form15 == this)
        Form15 = nullptr;
}

void TForm15::CreateForm(HWND owner)
{
    Create(owner, "Options", winlib::CentredDialogBounds(kClientWidth, kClientHeight));
}

void TForm15::OnCreate()
{
    HWND h = Handle();
    KeyPreview = true;
    // The rows below end within the tab pages, which are about 237 px high inside.
    PageControl1.Create(h, 100, TBounds{8, 8, kClientWidth - 16, kClientHeight - 49});
    PageControl1.AddPage("General");
    PageControl1.AddPage("Prerequisite Links");
    HWND general = PageControl1.Sheet(0);
    auto group = [this](HWND parent, int id, const TBounds& b, const char* caption) {
        Decor<winlib::TGroupBox>().Create(parent, id, b, caption);
    };
    group(general, 130, TBounds{8, 2, 480, 64}, "On Startup");
    CheckWizard.Create(general, 101, TBounds{20, 20, 440, 20}, "Create new project using Wizard");
    CheckBox1.Create(general, 102, TBounds{20, 42, 440, 20}, "Open the most recent project");
    CheckBox4.Create(general, 103, TBounds{20, 70, 440, 20}, "Check for updates");
    group(general, 131, TBounds{8, 92, 480, 84}, "Project Options");
    CheckBox5.Create(general, 104, TBounds{20, 110, 440, 20}, "Automatically update product version");
    CheckBox3.Create(general, 105, TBounds{20, 132, 440, 20}, "Update File Version Info");
    CheckBox2.Create(general, 106, TBounds{20, 154, 440, 20}, "Don't add hidden files and folders");
    Decor<winlib::TLabel>().Create(general, 132, TBounds{8, 186, 200, 18}, "Mode 'Select Destination Folder':");
    ComboBox1.Create(general, 107, TBounds{210, 182, 278, 200});
    ComboBox1.SetItems({"Append the last folder name", "Doesn't append the last folder name", "Drive only"});
    ComboBox1.SetItemIndex(0);
    Button10.Create(general, 108, TBounds{8, 208, 300, 24}, "Associate '.zpf' files with Tarvex Installer");
    Button10.Enable(false);
    Button10.OnClick = [this] { Button10Click(); };
    CheckWizard.SetChecked(true);
    CheckBox5.SetChecked(true);
    CheckBox2.SetChecked(true);

    HWND links = PageControl1.Sheet(1);
    for (size_t i = 0; i < LinkEdits.size(); ++i) {
        int y = 6 + static_cast<int>(i) * 37;
        Decor<winlib::TLabel>().Create(links, static_cast<int>(140 + i), TBounds{8, y, 300, 16}, kLinkLabels[i]);
        LinkEdits[i].Create(links, static_cast<int>(111 + i), TBounds{8, y + 16, 440, 21});
        LinkEdits[i].SetText(kInitialLinks[i]);
        LinkEdits[i].OnChange = [] { AppState().ProjectModified = true; };  // the project file stores the links
        LinkButtons[i].Create(links, static_cast<int>(121 + i), TBounds{452, y + 16, 30, 21}, "...");
        winlib::SetHint(LinkButtons[i].Handle(), "Browse...");
        int n = static_cast<int>(i) + 1;
        LinkButtons[i].OnClick = [this, n] { LinkButtonClick(n); };
    }

    int y = kClientHeight - 33;
    Button1.Create(h, IDOK, TBounds{kClientWidth - 3 * 83, y, 75, 25}, "OK", true);
    Button1.OnClick = [this] { Button1Click(); };
    Button2.Create(h, IDCANCEL, TBounds{kClientWidth - 2 * 83, y, 75, 25}, "Cancel");
    Button2.OnClick = [this] { Button2Click(); };
    Button3.Create(h, 110, TBounds{kClientWidth - 83, y, 75, 25}, "Help");
    Button3.OnClick = [this] { Button3Click(); };
    DefaultButtonId = IDOK;
}

int TForm15::Execute(int tab)
{
    PageControl1.SetActivePage(tab);
    return ShowModal();
}

void TForm15::OnActivate()
{
    if (Button10.Enabled())
        ::SendMessageA(Button10.Handle(), BCM_SETSHIELD, 0, TRUE);
}

bool TForm15::OnKeyPreview(UINT key, unsigned /*shift*/)
{
    if (key != VK_F1)
        return false;
    Button3.Click();
    return true;
}

bool TForm15::SavePreferences()
{
    TRegistry settings(RegistryHome().Root, RegView::View64);
    LONG result = settings.OpenKey(RegistryHome().Settings(), true);
    for (const TPreference& preference : kPreferences) {
        if (result != ERROR_SUCCESS)
            break;
        DWORD value = preference.Box != nullptr ? ((this->*preference.Box).Checked() ? 1 : 0)
                                                : static_cast<DWORD>(ComboBox1.ItemIndex());
        result = settings.WriteInteger(preference.Name, value);
    }
    if (result == ERROR_SUCCESS)
        return true;
    ShowError(Handle(), winlib::SysErrorMessage(static_cast<DWORD>(result)));
    return false;
}

void TForm15::RestorePreferences()
{
    TRegistry settings(RegistryHome().Root, RegView::View64);
    if (settings.OpenKeyReadOnly(RegistryHome().Settings()) != ERROR_SUCCESS)
        return;
    for (const TPreference& preference : kPreferences) {
        DWORD value = 0;
        if (settings.ReadInteger(preference.Name, value) != ERROR_SUCCESS)
            continue;
        if (preference.Box != nullptr)
            (this->*preference.Box).SetChecked(value != 0);
        else if (value <= 2)
            ComboBox1.SetItemIndex(static_cast<int>(value));
    }
}

void TForm15::Button1Click()
{
    SavePreferences();
    if (Form19 != nullptr)
        Form19->CheckBox1.SetChecked(!CheckWizard.Checked());
    SetModalResult(winlib::mrOk);
}

void TForm15::Button2Click()
{
    RestorePreferences();
    SetModalResult(winlib::mrCancel);
}

void TForm15::Button3Click()
{
    if (Form1 != nullptr)
        Form1->ShowHelpTopic("Description/5.html", SW_SHOWNORMAL);
}

// Explorer's own choice of program would still win over the association the
// elevated copy of this program writes, so it goes first.
void TForm15::Button10Click()
{
    TRegistry user(RegistryHome().Root, RegView::View64);
    if (user.KeyExists(kUserChoice)) {
        LONG result = user.DeleteKey(kUserChoice);
        if (result != ERROR_SUCCESS)
            ShowError(Handle(), winlib::SysErrorMessage(static_cast<DWORD>(result)) + "\r\r" +
                                    "Please log in as administrator.");
    }
    // Under Wine "runas" starts the program without asking: the declined case is
    // reached only on Windows.
    if (winlib::RunElevated(Handle(), ProgramPath(), "/SFA"))
        Button10.Enable(false);
}

void TForm15::LinkButtonClick(int n)
{
    if (OnPickLink)
        OnPickLink(Edit(n));
}
