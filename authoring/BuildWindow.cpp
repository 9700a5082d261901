#include "authoring/BuildWindow.h"

#include <commctrl.h>

#include "authoring/MainWindow.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"

TForm5* Form5 = nullptr;

namespace {
// The builder's boxes have no caption of their own: the system shows its own title
// (Wine's is "Error").
constexpr char kNoCaption[] = "";
constexpr int kClientWidth = 384;
constexpr int kClientHeight = 105;
}  // namespace

void TProgressBar::Create(HWND parent, int id, const winlib::TBounds& bounds)
{
    CreateWindowed(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, parent, id, bounds);
    ::SendMessageA(hwnd_, PBM_SETRANGE32, 0, 100);
}

void TProgressBar::SetPosition(int percent) const { ::SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(percent), 0); }
int TProgressBar::Position() const { return static_cast<int>(::SendMessageA(hwnd_, PBM_GETPOS, 0, 0)); }

TForm5::~TForm5()
{
    if (Form5 == this)
        Form5 = nullptr;
}

void TForm5::CreateForm(HWND owner)
{
    Create(owner, "Building Setup", winlib::CentredDialogBounds(kClientWidth, kClientHeight));
}

void TForm5::OnCreate()
{
    // The title bar cannot close the window: only its buttons end it.
    DeleteMenu(GetSystemMenu(Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
    Label1.Create(Handle(), 1, {12, 12, 360, 16}, "");
    ProgressBar1.Create(Handle(), 2, {12, 36, 360, 18});
    Button1.Create(Handle(), 3, {12, 70, 90, 25}, "Test");
    Button3.Create(Handle(), 4, {108, 70, 100, 25}, "Open Folder");
    Button2.Create(Handle(), 5, {282, 70, 90, 25}, "Cancel", true);
    DefaultButtonId = 5;
    Button1.Show(false);
    Button3.Show(false);
    Button1.OnClick = [this] { Button1Click(); };
    Button2.OnClick = [this] { Button2Click(); };
    Button3.OnClick = [this] { Button3Click(); };
}

// Runs once per showing: activation repeats after each box the build shows.
void TForm5::OnActivate()
{
    if (!building_)
        BuildSetup();
}

void TForm5::BuildSetup()
{
    target_ = Form1->ExpandProjectMacros(Form1->ESetupFile.Text());
    Form1->EnableTestCommand(false);
    Button1.Enable(true);
    Button1.Show(false);
    Button3.Show(false);
    Button2.SetText("Stop");
    building_ = true;
    cancel_ = false;
    TBuildResult result;
    try {
        result = RunBuild(Form1->TakeBuildProject(), *this);
    } catch (...) {
        building_ = false;
        throw;  // reported once at the window's boundary
    }
    building_ = false;
    if (result.Outcome == boFailed) {
        AbortBuild();
        return;
    }
    ProgressBar1.SetPosition(100);
    Button1.Show(true);
    Button3.Show(true);
    Button2.SetText("Close");
    Label1.SetText("Completed!\tFile size: " + TForm1::FormatSize(result.Size));
    winlib::ProcessMessages();
    Form1->EnableTestCommand(true);
    if (IsWindowVisible(Button2.Handle()) && IsWindowEnabled(Button2.Handle()))
        Button2.SetFocus();
}

void TForm5::AbortBuild() { PostMessageA(Handle(), WM_CLOSE, 0, 0); }

void TForm5::Button2Click()
{
    if (Button2.Text() == "Close") {
        Close();
        return;
    }
    if (!building_) {
        Close();
        return;
    }
    int answer = winlib::ShowMessageBox(Handle(), "Are you sure you want to stop the build process?", kProductTitle,
                                        MB_YESNO | MB_ICONQUESTION);
    // Yes: the builder ends at its next poll and the window then closes.
    cancel_ = answer == IDYES;
}

void TForm5::Button1Click()
{
    Button1.Enable(false);
    if (winlib::FileExists(target_))
        winlib::ShellOpen(Handle(), "open", target_, "", winlib::ExtractFileDir(target_), SW_SHOWNORMAL);
    Close();
}

void TForm5::Button3Click() { ShowInFolder(target_, Handle()); }

void TForm5::Message(const std::string& text) { winlib::ShowMessageBox(Handle(), text, kNoCaption, MB_OK | MB_ICONERROR); }

bool TForm5::PumpAndPoll()
{
    winlib::ProcessMessages();
    return cancel_;
}

void TSilentBuildReporter::Message(const std::string& text)
{
    winlib::ShowMessageBox(nullptr, text, kNoCaption, MB_OK | MB_ICONERROR);
}
