#include "authoring/NewProjectWizard.h"

#include <tuple>

#include "authoring/AppState.h"
#include "authoring/FilesPage.h"
#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "winlib/Application.h"
#include "winlib/Dialogs.h"
#include "winlib/Hint.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

using winlib::TBounds;

TForm19* Form19 = nullptr;

namespace {

constexpr int kClientWidth = 490;
constexpr int kClientHeight = 361;

}  // namespace

std::string NormalizeVersionText(const std::string& text)
{
    std::string result;
    for (char c : text)
        if (c != ' ')
            result += c == ',' ? '.' : c;
    return result;
}

TForm19::~TForm19()
{
    if (Form19 == this)
        Form19 = nullptr;
}

void TForm19::CreateForm(HWND owner)
{
    Create(owner, "Tarvex Installer Wizard", winlib::CentredDialogBounds(kClientWidth, kClientHeight));
}

void TForm19::OnCreate()
{
    HWND h = Handle();
    // The picture fills the window behind the fields, as on the setup's welcome page.
    Image1.Create(h, 200, TBounds{0, 0, 500, 314});
    std::string picture = AppState().ProgramFolder + "Bitmaps\\Wizard\\00.bmp";
    if (winlib::FileExists(picture)) {
        picture_ = static_cast<HBITMAP>(::LoadImageA(nullptr, picture.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        if (picture_ != nullptr)
            Image1.SetBitmap(picture_);
    }
    Label1.Create(h, 201, TBounds{180, 12, 300, 20}, "Create New Setup Project");
    LOGFONTA font = {};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    boldFont_ = ::CreateFontIndirectA(&font);
    ::SendMessageA(Label1.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), TRUE);

    const int left = 180, width = 296;
    int y = 40;
    auto label = [&](const char* caption) {
        labels_.push_back(std::make_unique<winlib::TLabel>());
        labels_.back()->Create(h, 210 + static_cast<int>(labels_.size()), TBounds{left, y, width, 16}, caption);
        y += 16;
    };
    label("Specify the source folder:");
    Edit1.Create(h, 101, TBounds{left, y, width - 34, 21}, true);
    Button2.Create(h, 102, TBounds{left + width - 30, y, 30, 21}, "...");
    winlib::SetHint(Button2.Handle(), "Browse...");
    Button2.OnClick = [this] { Button2Click(); };
    y += 28;
    label("Select the main executable:");
    ComboBox1.Create(h, 103, TBounds{left, y, width, 200});
    ComboBox1.OnChange = [this] { ComboBox1Change(); };
    y += 28;
    for (auto [edit, caption, id] : {std::tuple{&Edit2, "Product name:", 104}, std::tuple{&Edit3, "Version:", 105},
                                     std::tuple{&Edit4, "Company name:", 106}, std::tuple{&Edit5, "Website:", 107}}) {
        label(caption);
        edit->Create(h, id, TBounds{left, y, width, 21});
        y += 26;
    }
    Edit6.Create(h, 108, TBounds{left, y, width, 21});
    Edit6.Show(false);
    Button1.Create(h, IDOK, TBounds{kClientWidth - 166, kClientHeight - 34, 75, 25}, "OK", true);
    Button1.OnClick = [this] { Button1Click(); };
    Button3.Create(h, IDCANCEL, TBounds{kClientWidth - 83, kClientHeight - 34, 75, 25}, "Cancel");
    Button3.ModalResult = winlib::mrCancel;
    CheckBox1.Create(h, 109, TBounds{8, kClientHeight - 30, 200, 20}, "Do not show this dialog");
    DefaultButtonId = IDOK;
}

void TForm19::OnDestroy()
{
    if (picture_ != nullptr)
        ::DeleteObject(picture_);  // the control shows a bitmap only while it lives
    if (boldFont_ != nullptr)
        ::DeleteObject(boldFont_);
    picture_ = nullptr;
    boldFont_ = nullptr;
}

// Each display starts blank (once per display: a folder browser closing must not
// wipe the folder just chosen).
void TForm19::OnActivate()
{
    Edit1.SetText("");
    ComboBox1.Clear();
    ComboBox1Change();
}

void TForm19::Button2Click()
{
    if (scanning_)
        return;
    ComboBox1.Clear();
    ComboBox1.Add("");
    std::string folder;
    if (!winlib::BrowseForFolder(Handle(), "Select the folder that contains the application files.", folder))
        folder.clear();
    folder = winlib::ExcludeTrailingBackslash(folder);
    Edit1.SetText(folder);
    if (!folder.empty()) {
        winlib::THourglass hourglass;
        winlib::TMaskScope guard(scanning_);
        std::vector<std::string> files;
        // The files page's rule for hidden files; a large tree takes long, so the
        // window stays responsive and Cancel (or closing it) ends the scan.
        bool scanned = FindFiles(folder, "*.*", files, false, [this] {
            winlib::ProcessMessages();
            return ModalResult() == winlib::mrNone;
        });
        if (!scanned) {
            Edit1.SetText("");
            return;
        }
        for (const std::string& file : files)
            if (winlib::UpperCase(winlib::ExtractFileExt(file)) == ".EXE")
                ComboBox1.Add(winlib::ReplaceFirstNoCase(file, folder + "\\", ""));
        if (ComboBox1.Count() == 2)
            ComboBox1.SetItemIndex(1);
    }
    ComboBox1Change();
}

void TForm19::ComboBox1Change()
{
    for (winlib::TEdit* edit : {&Edit2, &Edit3, &Edit4, &Edit5, &Edit6})
        edit->SetText("");
    std::string item = ComboBox1.Text();
    if (item.empty())
        return;
    std::string file = Edit1.Text() + "\\" + item;
    if (winlib::FileExists(file))
        ReadVersionInfo(file);
    if (Edit2.Text().empty())
        Edit2.SetText(winlib::ExtractFileName(Edit1.Text()));
    if (!Edit3.Text().empty())
        Edit3.SetText(NormalizeVersionText(Edit3.Text()));
}

void TForm19::ReadVersionInfo(const std::string& file)
{
    TVersionStrings strings(file);
    if (!strings.Found())
        return;
    const std::pair<const char*, winlib::TEdit*> fields[] = {
        {"ProductName", &Edit2}, {"ProductVersion", &Edit3}, {"CompanyName", &Edit4},
        {"Comments", &Edit5},    {"FileDescription", &Edit6}};
    for (const auto& [name, edit] : fields)
        if (strings.Has(name))
            edit->SetText(strings.Value(name));
    std::string comments = winlib::UpperCase(Edit5.Text());
    if (comments.find("HTTP") == std::string::npos || comments.find("WWW") == std::string::npos)
        Edit5.SetText("");
}

void TForm19::Button1Click()
{
    if (scanning_ || Form1 == nullptr)
        return;
    TForm1& main = *Form1;
    main.EAppName.SetText(Edit2.Text());
    main.EAppVersion.SetText(Edit3.Text());
    main.ECompanyName.SetText(Edit4.Text());
    main.EWebSite.SetText(Edit5.Text());
    main.ESupport.SetText(Edit5.Text());
    // Without an executable the default name stays: "setup-" alone names nothing.
    std::string executable = ComboBox1.Text();
    if (!executable.empty())
        main.ESetupFile.SetText(winlib::ReplaceFirstNoCase(main.ESetupFile.Text(), "MySetup.exe",
                                                   "setup-" + winlib::ExtractFileName(executable)));
    std::string folder = Edit1.Text();
    main.ESourceFolder.SetText(folder);
    main.CheckUninstaller.SetChecked(true);
    main.ScanSourceFolder();
    main.RebuildDestinationTree();
    main.SelectComboItem(main.ComboExecutable,
                         winlib::ReplaceAllNoCase(folder + "\\" + executable, folder, "<InstallDir>"));
    main.ComboExecutableSelect();
    SetModalResult(winlib::mrOk);
}

int TForm19::Execute()
{
    int result = ShowModal();
    FormClose();
    return result;
}

// With "Do not show this dialog" on, the wizard preference goes off and the
// preferences are saved.
void TForm19::FormClose()
{
    if (CheckBox1.Checked() && Form15 != nullptr) {
        Form15->CheckWizard.SetChecked(false);
        Form15->SavePreferences();
    }
}
