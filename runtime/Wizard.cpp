// The setup wizard: its pages, their order and their checks, the installing and
// finished pages, finish and cancel.
#include "runtime/Wizard.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/Commands.h"
#include "runtime/Form1.h"
#include "runtime/InstallFolder.h"
#include "runtime/InstallRun.h"
#include "runtime/Language.h"
#include "runtime/Placeholders.h"
#include "runtime/Requirements.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "winlib/Application.h"
#include "winlib/Dialogs.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

winlib::TIniFile& Script() { return *Setup().SetupIni; }
bool SetupBool(const char* key) { return Script().ReadBool("Setup", key, false); }
std::string SetupExpanded(const char* key) { return ExpandPlaceholders(Script().ReadString("Setup", key, "")); }

bool AnyEnabled(const bool (&enabled)[11], int from, int to)
{
    for (int p = from; p <= to; ++p)
        if (p >= 1 && p <= 8 && enabled[p])
            return true;
    return false;
}

long long FreeSpace(char letter)
{
    auto probe = WizardSeams().DriveFreeSpace;
    return probe ? probe(letter) : GetDriveFreeSpace(letter);
}

bool HasDriveLetter(const std::string& path)
{
    char letter = path.empty() ? '\0' : static_cast<char>(path[0] & ~0x20);
    return path.size() >= 2 && path[1] == ':' && letter >= 'A' && letter <= 'Z';
}

long long FilesSize() { return FilesSizeValue(Script().ReadString("Setup", "FilesSize", "0")); }

struct TStreamSource {
    const std::string* Text;
    size_t Offset;
};

DWORD CALLBACK StreamIn(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read)
{
    auto* source = reinterpret_cast<TStreamSource*>(cookie);
    size_t n = std::min(static_cast<size_t>(size), source->Text->size() - source->Offset);
    std::memcpy(buffer, source->Text->data() + source->Offset, n);
    source->Offset += n;
    *read = static_cast<LONG>(n);
    return 0;
}

// Licence or readme: the language's own file, else the default one. A file that
// does not start as rich text is plain text (an author may pick a .txt). A file
// that cannot be read leaves the box as it was.
void LoadRichText(const winlib::TRichEdit& box, char prefix)
{
    const std::string folder = Setup().SetupTempDir + "\\" + prefix;
    std::string path = folder + Setup().Fields->Language() + ".rtf";
    if (!winlib::FileExists(path))
        path = folder + "(Default).rtf";
    std::string text;
    try {
        text = winlib::ReadWholeFile(path);
    } catch (const winlib::EOSError&) {
        LogLine("Cannot read " + path);
        return;
    }
    TStreamSource source = {&text, 0};
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, StreamIn};
    WPARAM format = text.rfind("{\\rtf", 0) == 0 ? SF_RTF : SF_TEXT;
    SendMessageA(box.Handle(), EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
}

void EndByDestroying(TForm1& form) { DestroyWindow(form.Handle()); }

void SetCaptionIfChanged(const winlib::TControl& control, const std::string& text)
{
    if (control.Text() != text)
        control.SetText(text);
}

// A check box's caption as plain text: its access-key "&" goes ("&&" is one "&").
std::string WithoutAccessKey(const std::string& caption)
{
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

}  // namespace

// ---- Rules without a window ----

int LandingPage(int page, bool forward, const bool (&enabled)[11])
{
    if (page < 1) {
        page = 1;  // going back past page 1 would never end: start over from the first
        forward = true;
    }
    while (page >= 1 && page <= 8 && !enabled[page])
        page += forward ? 1 : -1;
    return page < 1 ? LandingPage(1, true, enabled) : page;
}

bool LastPageBeforeInstalling(int page, const bool (&enabled)[11]) { return !AnyEnabled(enabled, page + 1, 8); }

std::string BrowseDestination(const std::string& current, const std::string& chosen, int mode)
{
    std::string t = winlib::Trim(current);
    if (!t.empty() && t.back() == '\\')
        t.pop_back();
    std::string last = t.substr(t.find_last_of("\\:") == std::string::npos ? 0 : t.find_last_of("\\:") + 1);
    std::string p = chosen;
    if (!p.empty() && p.back() == '\\')
        p.pop_back();
    if (mode == 0)
        p += "\\" + last;
    else if (mode == 2 && p.find('\\') != std::string::npos)
        p = p.substr(0, p.find('\\') + 1);
    // A drive alone ("D:") is the drive's root, also in drive-only mode.
    if (p.size() == 2 && p[1] == ':')
        p += "\\";
    return p;
}

std::string BrowseStart(const std::string& current)
{
    std::string start = winlib::ExtractFileDir(winlib::Trim(current));
    return winlib::DirectoryExists(start) ? start : winlib::ExtractFileDir(start);
}

long long FilesSizeValue(const std::string& text)
{
    std::string t = winlib::Trim(text);
    char* end = nullptr;
    long long value = std::strtoll(t.c_str(), &end, 10);
    if (t.empty() || *end != '\0')
        return 0;
    return static_cast<long long>(static_cast<unsigned long long>(value) & 0xFFFFFFFFull);
}

std::vector<std::string> ReadySummaryLines(const TReadySummary& summary)
{
    std::vector<std::string> lines = {summary.DestinationHeading, "\t" + summary.Destination, ""};
    if (summary.HasGroup) {
        lines.push_back(summary.GroupHeading);
        lines.push_back("\t" + summary.Group);
    }
    if (!summary.Tasks.empty()) {
        lines.push_back("");
        lines.push_back(summary.TasksHeading);
        for (const std::string& task : summary.Tasks)
            lines.push_back("\t" + task);
    }
    return lines;
}

TWizardSeams& WizardSeams()
{
    static TWizardSeams seams;
    return seams;
}

// ---- Pages ----

void TForm1::FormActivate()
{
    TSetupState& s = Setup();
    if (!s.FirstActivation)
        return;
    s.FirstActivation = false;
    // A Next pressed while the window came up has shown the first page already.
    if (s.CurrentPage == 0)
        ShowPage(wpLanguage, true);
}

void TForm1::ShowPage(int page, bool forward)
{
    TSetupState& s = Setup();
    // A page that is off passes the turn on in the direction of travel: the page
    // that lands is found first, and only that one is made.
    page = LandingPage(page, forward, s.PageEnabled);
    s.CurrentPage = page;
    // Back shows before the installing page where an earlier page is on, and Next
    // on every page but the installing one, which hides both itself (as the
    // finished page hides Back). Each is set once: under Wine a button shown and
    // hidden again in one turn costs dozens of server round trips.
    if (page < wpInstalling)
        BtnBack.Show(AnyEnabled(s.PageEnabled, 1, page - 1));
    if (page != wpInstalling)
        BtnNext.Show(true);
    BtnNext.Enable(true);
    // The host the new page shares with the old one stays up: hidden and shown
    // again it would repaint whole, picture and all.
    const bool headerPage = page >= wpLicense && page <= wpInstalling;
    (headerPage ? Panel1 : Panel2).Show(false);
    for (const winlib::TControl* c : std::initializer_list<const winlib::TControl*>{
             &P1, &P2, &P3, &P4, &P5, &P6, &P7, &ComboLng, &CheckLaunchFile, &CheckViewReadme, &CheckCustomRun})
        if (c->Handle())
            c->Show(false);  // one not made yet is not shown either
    RadioGroup1.Show(false);
    std::string next = LanguageText(Lng("Buttons", 1));
    if (page < wpInstalling) {
        if (LastPageBeforeInstalling(page, s.PageEnabled))
            next = LanguageText(Lng("Buttons", 3));
    }
    // A caption is set only when it changes: each set repaints the button.
    SetCaptionIfChanged(BtnBack, LanguageText(Lng("Buttons", 0)));
    SetCaptionIfChanged(BtnNext, next);
    SetCaptionIfChanged(BtnCancel, LanguageText(Lng("Buttons", 2)));
    ShowPageContent(page);
}

void TForm1::ShowPageContent(int page)
{
    MakePage(page);
    switch (page) {
    case wpLanguage:
        Label1.SetCaption(LanguageText(Lng("Language", 0)));
        Label2.SetCaption(LanguageText(Lng("Language", 1)));
        Panel1.Show(true);
        ComboLng.Show(true);
        break;
    case wpWelcome:
        Label1.SetCaption(LanguageText(Lng("Welcome", 0)));
        Label2.SetCaption(LanguageText(Lng("Welcome", 1)));
        Panel1.Show(true);
        break;
    case wpLicense:
        ShowLicensePage();
        return;
    case wpReadme:
        Text1.SetCaption(LanguageText(Lng("Readme", 0)));
        Text2.SetCaption(LanguageText(Lng("Readme", 1)));
        Label18.SetCaption(LanguageText(Lng("Readme", 2)));
        Panel2.Show(true);
        P2.Show(true);
        LoadRichText(RichText(false), 'R');
        break;
    case wpUserInfo:
        ShowUserInfoPage();
        return;
    case wpDestination:
        ShowDestinationPage();
        break;
    case wpProgramGroup:
        Text1.SetCaption(LanguageText(Lng("ShortcutsFolder", 0)));
        Text2.SetCaption(LanguageText(Lng("ShortcutsFolder", 1)));
        Label3.SetCaption(LanguageText(Lng("ShortcutsFolder", 2)));
        CheckBox2.SetText(LanguageText(Lng("ShortcutsFolder", 3)));
        CheckDesktop.SetText(LanguageText(Lng("ShortcutsFolder", 4)));
        CheckQuick.SetText(LanguageText(Lng("ShortcutsFolder", 5)));
        Panel2.Show(true);
        P5.Show(true);
        break;
    case wpReady:
        ShowReadyPage();
        break;
    case wpInstalling:
        ShowInstallingPage();
        return;
    default:
        ShowFinishedPage();
        return;
    }
    FocusIfPossible(BtnNext);
}

void TForm1::ShowLicensePage()
{
    Text1.SetCaption(LanguageText(Lng("LicenseAgreement", 0)));
    Text2.SetCaption(LanguageText(Lng("LicenseAgreement", 1)));
    Label4.SetCaption(LanguageText(Lng("LicenseAgreement", 2)));
    Label11.SetCaption(LanguageText(Lng("LicenseAgreement", 3)));
    CheckBox1.SetText(LanguageText(Lng("LicenseAgreement", 4)));
    Label11.Show(false);
    CheckBox1.Show(false);
    Panel2.Show(true);
    P1.Show(true);
    if (SetupBool("AcceptAgreement")) {
        CheckBox1.SetChecked(false);  // asked again on every visit
        CheckBox1.Show(true);
        BtnNext.Enable(false);
        FocusIfPossible(CheckBox1);
    } else {
        CheckBox1.SetChecked(true);
        Label11.Show(true);
        BtnNext.SetText(LanguageText(Lng("Buttons", 11)));
        BtnNext.Enable(true);
        FocusIfPossible(BtnNext);
    }
    LoadRichText(RichText(true), 'L');
}

void TForm1::ShowUserInfoPage()
{
    Text1.SetCaption(LanguageText(Lng("UserInformation", 0)));
    Text2.SetCaption(LanguageText(Lng("UserInformation", 1)));
    Label5.SetCaption(LanguageText(Lng("UserInformation", 2)));
    struct TField {
        const char* Key;
        const TWizardLabel& Label;
        const winlib::TEdit& Edit;
        std::string Caption;
    } fields[] = {
        {"InfoUserName", LUser, EUser, LanguageText(Lng("UserInformation", 3))},
        {"InfoCompany", LCompany, ECompany, LanguageText(Lng("UserInformation", 4))},
        {"InfoCustom", LCustomInfo, ECustomInfo, SetupExpanded("InfoCustomName") + ":"},
    };
    const winlib::TEdit* first = nullptr;
    for (const TField& f : fields) {
        bool shown = SetupBool(f.Key);
        f.Label.Show(shown);
        f.Edit.Show(shown);
        if (!shown)
            continue;
        f.Label.SetCaption(f.Caption + (SetupBool((std::string(f.Key) + "Req").c_str()) ? "*" : ""));
        if (!first)
            first = &f.Edit;
    }
    Panel2.Show(true);
    P3.Show(true);
    if (first)
        FocusIfPossible(*first);
}

void TForm1::ShowDestinationPage()
{
    TSetupState& s = Setup();
    // The folder follows the user's details (a "<UserName>" folder) until the
    // user chooses the folder: a typed or browsed folder is never thrown away.
    bool detailsEdited = EUser.Modified() || ECompany.Modified() || ECustomInfo.Modified();
    if (Edit1.Enabled() && detailsEdited && !Edit1.Modified()) {
        Edit1.SetText(SetupExpanded("InstallationPath"));
        int i = FindSwitch("/P");
        if (i > 0 && static_cast<size_t>(i) + 1 < s.Params.size())
            Edit1.SetText(ExpandPlaceholders(s.Params[static_cast<size_t>(i) + 1]));
    }
    Text1.SetCaption(LanguageText(Lng("DestinationFolder", 0)));
    Text2.SetCaption(LanguageText(Lng("DestinationFolder", 1)));
    Label10.SetCaption(LanguageText(Lng("DestinationFolder", 2)));
    if (Button4.Enabled())
        Label6.SetCaption(LanguageText(Lng("DestinationFolder", 3)));
    GroupBox1.SetText(LanguageText(Lng("DestinationFolder", 4)));
    Button4.SetText(LanguageText(Lng("Buttons", 7)));
    LSpaceRequired.SetCaption(LanguageText(Lng("DestinationFolder", 5), FormatByteSize(FilesSize())));
    UpdateFreeSpaceLine(Edit1.Text());
    Panel2.Show(true);
    P4.Show(true);
}

void TForm1::UpdateFreeSpaceLine(const std::string& folder)
{
    long long free = folder.size() >= 2 && folder[1] == ':' ? FreeSpace(folder[0]) : 0;
    LSpaceFree.SetCaption(LanguageText(Lng("DestinationFolder", 6), FormatByteSize(free)));
}

void TForm1::ShowReadyPage()
{
    Text1.SetCaption(LanguageText(Lng("ReadyToInstall", 0)));
    Text2.SetCaption(LanguageText(Lng("ReadyToInstall", 1)));
    Label7.SetCaption(LanguageText(Lng("ReadyToInstall", 2)));
    TReadySummary summary;
    summary.DestinationHeading = LanguageText(Lng("Setup", 0));
    summary.Destination = Edit1.Text();
    summary.HasGroup = !CheckBox2.Checked();
    summary.GroupHeading = LanguageText(Lng("Setup", 1));
    summary.Group = ComboBox1.Text();
    summary.TasksHeading = LanguageText(Lng("Setup", 2));
    if (CheckDesktop.Checked())
        summary.Tasks.push_back(WithoutAccessKey(LanguageText(Lng("ShortcutsFolder", 4))));
    if (CheckQuick.Checked())
        summary.Tasks.push_back(WithoutAccessKey(LanguageText(Lng("ShortcutsFolder", 5))));
    if (CheckAssociate.Checked())
        summary.Tasks.push_back(WithoutAccessKey(CheckAssociate.Text()));
    std::string text;
    for (const std::string& line : ReadySummaryLines(summary))
        text += line + "\r\n";
    Memo1.SetText(text);
    Panel2.Show(true);
    P6.Show(true);
}

void TForm1::ShowInstallingPage()
{
    TSetupState& s = Setup();
    Text1.SetCaption(LanguageText(Lng("Install", 0)));
    Text2.SetCaption(LanguageText(Lng("Install", 1)));
    LTask.SetText(ExpandPlaceholders(LanguageText(Lng("Install", 2, TLngReader::InstallPage))));
    Panel2.Show(true);
    P7.Show(true);
    FocusIfPossible(BtnCancel);
    BtnBack.Show(false);
    BtnNext.Show(false);
    auto run = WizardSeams().InstallRun;
    (run ? run : InstallFiles)(*this);
    if (s.CancelRequested) {
        // The user agreed to cancel while a part of the run that cannot stop went
        // on: no finished page, no finish actions, but the full clean-up.
        ReleaseSetupResources();
        CleanupTemp();
        AgreedClose();
        return;
    }
    ShowPage(wpFinished, true);
}

void TForm1::ShowFinishedPage()
{
    TSetupState& s = Setup();
    Label1.SetCaption(LanguageText(Lng("SetupComplete", 0)));
    Label2.SetCaption(LanguageJoined(Lng("SetupComplete", 1), s.InstallErrors ? Lng("SetupComplete", 2)
                                                                                : Lng("SetupComplete", 3)));
    const bool restart = SetupBool("RestartComputer");
    const struct {
        const winlib::TCheckBox& Box;
        const char* Shown;
        const char* Checked;
    } boxes[] = {{CheckLaunchFile, "LaunchFile", "LaunchFileChecked"},
                 {CheckViewReadme, "ViewReadme", "ViewReadmeChecked"},
                 {CheckCustomRun, "CustomAction", "CustomActionChecked"}};
    bool shown[3] = {};
    for (int i = 0; i < 3; ++i)
        shown[i] = SetupBool(boxes[i].Shown);
    MakeFinishChoices(restart, shown);
    CheckLaunchFile.SetText(LanguageText(Lng("SetupComplete", 4)));
    CheckViewReadme.SetText(LanguageText(Lng("SetupComplete", 5)));
    CheckCustomRun.SetText(SetupExpanded("CustomActionName"));
    BtnBack.Show(false);
    BtnCancel.Show(false);
    BtnNext.SetText(LanguageText(Lng("Buttons", 8)));
    Panel1.Show(true);
    FocusIfPossible(BtnNext);
    if (restart) {
        // The restart choice covers the finish boxes, so they stay hidden; a
        // failed install still says so above the restart text.
        RadioGroup1.Show(true);
        Label2.SetCaption(s.InstallErrors ? LanguageJoined(Lng("SetupComplete", 2), Lng("SetupComplete", 6))
                                          : LanguageText(Lng("SetupComplete", 6)));
        RadioGroup1.Frame.SetText(LanguageText(Lng("SetupComplete", 7)));
        RadioGroup1.Choice[0].SetText(LanguageText(Lng("SetupComplete", 8)));
        RadioGroup1.Choice[1].SetText(LanguageText(Lng("SetupComplete", 9)));
    } else {
        for (int i = 0; i < 3; ++i) {
            boxes[i].Box.Show(shown[i]);
            if (SetupBool(boxes[i].Checked))
                boxes[i].Box.SetChecked(true);
        }
    }
    if (!s.PageEnabled[wpFinished])
        BtnNextClick();  // ends as if Finish had been pressed on the page
}

// ---- Buttons and checks ----

void TForm1::BtnBackClick() { ShowPage(Setup().CurrentPage - 1, false); }

void TForm1::BtnCancelClick() { SendMessageA(hwnd_, WM_CLOSE, 0, 0); }

void TForm1::EnterPressed()
{
    if (IsWindowVisible(BtnNext.Handle()) && IsWindowEnabled(BtnNext.Handle()))
        BtnNextClick();
}

void TForm1::BtnNextClick()
{
    TSetupState& s = Setup();
    switch (s.CurrentPage) {
    case wpUserInfo:
        if (!UserInfoComplete())
            return;
        break;
    case wpDestination:
        if (!DestinationAccepted())
            return;
        for (const std::string& key : Script().ReadSection("Commands"))
            RunCommands(1, Script().ReadString("Commands", key, ""));
        break;
    case wpProgramGroup:
        if (!ProgramGroupAccepted())
            return;
        break;
    case wpFinished:
        SendMessageA(hwnd_, WM_CLOSE, 0, 0);
        return;
    default:
        break;
    }
    if (s.CurrentPage < wpInstalling)
        ShowPage(s.CurrentPage + 1, true);
}

bool TForm1::UserInfoComplete()
{
    const struct {
        const char* Shown;
        const char* Required;
        const winlib::TEdit& Edit;
    } fields[] = {{"InfoUserName", "InfoUserNameReq", EUser},
                  {"InfoCompany", "InfoCompanyReq", ECompany},
                  {"InfoCustom", "InfoCustomReq", ECustomInfo}};
    for (const auto& f : fields)
        if (SetupBool(f.Shown) && SetupBool(f.Required) && winlib::Trim(f.Edit.Text()).empty()) {
            FocusIfPossible(f.Edit);
            return false;
        }
    return true;
}

bool TForm1::DestinationAccepted()
{
    std::string folder = NormaliseInstallFolder(Edit1.Text());
    Edit1.SetText(folder);
    // Refused here is everything the install run would refuse, so that no folder
    // accepted now fails after Install.
    if (!InstallFolderAccepted(*this)) {
        winlib::ShowMessageBox(hwnd_, LanguageText(Lng("DestinationFolder", 1)), Caption(), MB_OK | MB_ICONWARNING);
        FocusIfPossible(Edit1);
        return false;
    }
    if (!HasDriveLetter(folder))
        return true;  // a network path: no space test
    long long required = FilesSize();
    long long free = FreeSpace(folder[0]);
    if (free >= required)
        return true;
    LSpaceFree.SetCaption(LanguageText(Lng("DestinationFolder", 6), FormatByteSize(free)));
    int answer = winlib::ShowMessageBox(hwnd_, LanguageText(Lng("DestinationFolder", 7), folder.substr(0, 2)),
                                        Caption(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (answer == IDYES)
        return true;
    FocusIfPossible(Button4);
    return false;
}

bool TForm1::ProgramGroupAccepted()
{
    // With "Don't create a Start Menu folder" checked no folder is made, so no name is needed.
    if (CheckBox2.Checked() || !winlib::Trim(ComboBox1.Text()).empty())
        return true;
    winlib::ShowMessageBox(hwnd_, LanguageText(Lng("ShortcutsFolder", 0)), Caption(), MB_OK | MB_ICONWARNING);
    FocusIfPossible(ComboBox1);
    return false;
}

void TForm1::CheckBox1Click()
{
    if (!CheckBox1.Checked()) {
        BtnNext.Enable(false);
        return;
    }
    BtnNext.Enable(true);
    FocusIfPossible(BtnNext);
}

void TForm1::CheckBox2Click()
{
    ComboBox1.SetText(SetupExpanded("ProgramGroup"));
    ComboBox1.Enable(!CheckBox2.Checked());
}

void TForm1::FinishControlClick() { FocusIfPossible(BtnNext); }

void TForm1::Button4Click()
{
    std::string current = Edit1.Text();
    std::string folder = BrowseStart(current);
    int mode = Script().ReadInteger("Setup", "SelectFolderMode", 0);
    winlib::TBrowseOptions options;
    options.ShowPath = true;  // the path of the folder the user points at, under the tree
    if (!winlib::BrowseForFolder(hwnd_, Text1.Text() + ":", folder, options) || folder.size() <= 1)
        return;
    std::string chosen = BrowseDestination(current, folder, mode);
    Edit1.SetText(chosen);
    Edit1.SetModified(true);  // the user's choice: never re-derived from the user's details
    UpdateFreeSpaceLine(chosen);
    FocusIfPossible(BtnNext);
}

// ---- Finish and cancel ----

bool TForm1::FormCloseQuery()
{
    TSetupState& s = Setup();
    if (s.CurrentPage == wpFinished) {
        RunFinishActions();
        return true;
    }
    if (s.CurrentPage == wpInstalling && s.CancelRequested)
        return false;  // already agreed: the run is ending the setup
    int answer = winlib::ShowMessageBox(hwnd_, LanguageText(Lng("Messages", 1)), LanguageText(Lng("Messages", 0)),
                                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer != IDYES)
        return false;
    if (s.CurrentPage == wpInstalling) {
        // The run below this handler ends the setup at its next test of the flag;
        // until then the window stays, and a second cancel is not offered.
        s.CancelRequested = true;
        BtnCancel.Enable(false);
        return false;
    }
    RunFinishActions();
    return true;
}

void TForm1::RunFinishActions()
{
    try {
        const struct {
            const winlib::TCheckBox& Box;
            const char* Key;
        } actions[] = {{CheckLaunchFile, "LaunchFileName"},
                       {CheckViewReadme, "ViewReadmeFile"},
                       {CheckCustomRun, "CustomActionCommand"}};
        for (const auto& a : actions)
            if (a.Box.Visible() && a.Box.Checked())
                OpenLinkOrRun(SetupExpanded(a.Key), false, false);
        if (RadioGroup1.Visible() && RadioGroup1.ItemIndex() == 0)
            (WizardSeams().Reboot ? WizardSeams().Reboot : RebootComputer)();
    } catch (const std::exception& e) {
        LogLine(std::string("Error finish action: ") + e.what());  // the clean-up below still runs
    }
    ReleaseSetupResources();
    CleanupTemp();  // also removes the setup font
}

void TForm1::EndWizard()
{
    auto end = WizardSeams().EndProcess;
    (end ? end : EndByDestroying)(*this);
}
