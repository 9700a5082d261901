// Every window of the authoring program with the sample project loaded: the main
// window on each page and tab, Options, the new-project wizard, Information,
// About, the build window mid-build, each item dialog, the path picker, the ODBC
// dialog and one message box.
//
//   authoring_tour.exe --gallery FOLDER PROJECT: at each window writes
//     NN-<name>.ready into FOLDER and waits, pumping messages, for
//     authoring_gallery.sh to answer with the screen as NN-<name>.png.
//   authoring_tour.exe --layout PROJECT: checks each window's layout (every sheet
//     of every page control in turn) and prints what the exceptions do not cover.
//
// Exit code 0 when every window was reached (and, with --layout, nothing is left).
#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "authoring/AppState.h"
#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "authoring/PathPicker.h"
#include "authoring/NewProjectWizard.h"
#include "authoring/OdbcDialog.h"
#include "authoring/BuildWindow.h"
#include "authoring/ItemDialogBinding.h"
#include "authoring/ItemDialogs.h"
#include "authoring/ProjectInfo.h"
#include "tests/layout/GalleryShot.h"
#include "tests/layout/LayoutCheck.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"

namespace {

// Findings a person has looked at, with the reason they stay.
const std::vector<layout::TException> kExceptions = {
};

struct TTour {
    bool Gallery = false;
    std::string Folder;
    int Step = 0;
    int Failures = 0;
    bool Stalled = false;
    std::vector<layout::TFinding> Findings;
};
TTour tour;

void Fail(const std::string& what)
{
    ++tour.Failures;
    std::printf("authoring_tour: FAIL: %s\n", what.c_str());
    std::fflush(stdout);
}

// Wine copies a window's pixels to the X server only when its thread waits for
// messages: the empty wait makes the screen show what was painted.
void PaintNow(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    winlib::ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

std::string FileName(std::string name)
{
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '-')
            c = '-';
    return name;
}

void Capture(const std::string& name, HWND window)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++tour.Step);
    const std::string stem = tour.Folder + "\\" + number + "-" + FileName(name);
    if (tour.Stalled)
        return;
    PaintNow(window);
    switch (layout::RequestShot(stem)) {
    case layout::TShot::Taken: break;
    case layout::TShot::NotAsked: Fail("cannot write " + stem + ".ready"); break;
    case layout::TShot::NotAnswered:
        tour.Stalled = true;
        Fail("no " + stem + ".png within 20 s");
        break;
    }
}

// One window: each sheet in turn, shot or checked.
void Visit(const std::string& name, HWND window)
{
    std::printf("authoring_tour: %s\n", name.c_str());
    std::fflush(stdout);
    if (!IsWindowVisible(window)) {
        Fail(name + " is not shown");
        return;
    }
    layout::ForEachSheet(window, [&](const std::string& sheet) {
        if (tour.Gallery)
            Capture(name + sheet, window);
        else
            layout::CheckWindow(window, name + sheet, tour.Findings);
    });
}

// A modal form the tour did not ask for is cancelled and fails the tour.
void CancelUnasked(winlib::TForm& form)
{
    Fail("unexpected modal form \"" + form.Caption() + "\"");
    form.SetModalResult(winlib::mrCancel);
}

std::string DistFolder()
{
    std::string folder = "Z:" KIN_DIST_DIR "/";
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    return folder;
}

// A modal form opened by open (the program's own way in), visited inside its own
// loop, then cancelled.
void VisitModal(const std::string& name, const std::function<void()>& open)
{
    bool shown = false;
    winlib::TForm::SetModalHook([&](winlib::TForm& modal) {
        shown = true;
        Visit(name, modal.Handle());
        modal.SetModalResult(winlib::mrCancel);
    });
    open();
    winlib::TForm::SetModalHook(CancelUnasked);
    if (!shown)
        Fail(name + ": the form was never shown");
}

// The one message box: a thread timer finds it inside its own modal loop.
bool boxVisited = false;
BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
void CALLBACK VisitBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr)
        return;
    KillTimer(nullptr, timer);
    Visit("message-box", box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
    boxVisited = true;
}

// Boxes the tour does not ask for get their default answer and are reported.
int SinkBox(const std::string& text, const std::string&, UINT flags)
{
    std::printf("authoring_tour: box: %s\n", text.c_str());
    std::fflush(stdout);
    return (flags & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
}

void Tour(const std::string& project)
{
    RegistryHome().Base = "Software\\KinTests\\AuthoringTour";
    RegDeleteTreeA(HKEY_CURRENT_USER, RegistryHome().Base.c_str());
    winlib::SetMessageSink(SinkBox);
    winlib::TForm::SetModalHook(CancelUnasked);
    AppState() = TAppState{};
    Parameters() = {project};  // the first show loads it, as a double click on the file does
    auto form1 = std::make_unique<TForm1>();
    Form1 = form1.get();
    if (!form1->CreateForm())
        throw std::runtime_error("the main window was not made");
    form1->SetMainForm(false);
    AppState().ProgramFolder = DistFolder();
    std::vector<std::unique_ptr<winlib::TForm>> dialogs;
    auto make = [&](auto maker) { dialogs.push_back(maker(form1->Handle())); };
    {
        auto about = std::make_unique<TForm3>();
        about->CreateForm(form1->Handle());
        Form3 = about.get();
        dialogs.push_back(std::move(about));
        auto build = std::make_unique<TForm5>();
        build->CreateForm(form1->Handle());
        Form5 = build.get();
        dialogs.push_back(std::move(build));
        auto info = std::make_unique<TProjectInfo>();
        info->CreateForm(form1->Handle());
        ProjectInfo = info.get();
        dialogs.push_back(std::move(info));
        auto options = std::make_unique<TForm15>();
        options->CreateForm(form1->Handle());
        Form15 = options.get();
        dialogs.push_back(std::move(options));
        auto wizard = std::make_unique<TForm19>();
        wizard->CreateForm(form1->Handle());
        Form19 = wizard.get();
        dialogs.push_back(std::move(wizard));
    }
    for (auto maker : {MakeForm4, MakeForm6, MakeForm8, MakeForm9, MakeForm10, MakeForm11, MakeForm12, MakeForm13,
                       MakeForm14, MakeForm17, MakeForm18, MakeForm20})
        make(maker);
    BindItemDialogs(*form1);
    form1->ShowMain();
    winlib::ProcessMessages();
    if (AppState().ProjectFileName.empty())
        Fail("the sample project did not load: " + project);

    const char* pages[] = {"", "general", "installation", "dialogs", "system", "register"};
    for (int page = 1; page <= 5; ++page) {
        form1->ShowSettingsPage(page);
        winlib::ProcessMessages();
        Visit(std::string("main/") + pages[page], form1->Handle());
    }
    form1->ShowSettingsPage(1);

    VisitModal("options", [&] { form1->ShowOptions(0); });
    VisitModal("new-project-wizard", [] { Form19->Execute(); });
    VisitModal("information", [&] { form1->ShowInformation(); });
    VisitModal("about", [&] { form1->ShowAbout(); });

    // The build window mid-build as its reporter shows it (no build runs here).
    ShowWindow(Form5->Handle(), SW_SHOWNORMAL);
    Form5->Button2.SetText("Stop");
    Form5->Status("Compressing: C:\\sample\\files\\SampleApp.exe");
    Form5->Progress(50);
    winlib::ProcessMessages();
    Visit("build-window", Form5->Handle());
    ShowWindow(Form5->Handle(), SW_HIDE);

    const struct {
        const char* Name;
        winlib::TForm* Form;
    } dialogs2[] = {{"item-form4", Form4},   {"item-form6", Form6},   {"item-form8", Form8},
                    {"item-form9", Form9},   {"item-form10", Form10}, {"item-form11", Form11},
                    {"item-form13", Form13}, {"item-form14", Form14}, {"item-form17", Form17},
                    {"item-form18", Form18},
                    {"odbc", Form20}};
    for (const auto& d : dialogs2)
        VisitModal(d.Name, [&] { d.Form->ShowModal(); });
    VisitModal("path-picker", [] {
        std::string chosen;
        Form12->Execute("<InstallDir>", chosen);
    });

    winlib::SetMessageSink(nullptr);
    boxVisited = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, VisitBox);
    winlib::ShowMessageBox(form1->Handle(), "Save changes to the project \"Sample\"?", "Tarvex Installer",
                           MB_YESNOCANCEL | MB_ICONQUESTION);
    KillTimer(nullptr, timer);
    if (!boxVisited)
        Fail("the message box was not reached");
    winlib::SetMessageSink(SinkBox);

    form1->ClearModified();
    form1->Destroy();
    dialogs.clear();
    form1.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, RegistryHome().Base.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::string project;
    if (argc == 4 && std::string(argv[1]) == "--gallery") {
        tour.Gallery = true;
        tour.Folder = argv[2];
        project = argv[3];
    } else if (argc == 3 && std::string(argv[1]) == "--layout") {
        project = argv[2];
    } else {
        std::printf("usage: authoring_tour.exe --gallery FOLDER PROJECT | --layout PROJECT\n");
        return 2;
    }
    try {
        Tour(project);
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    if (!tour.Gallery) {
        int left = layout::ReportFindings("authoring_tour", tour.Findings, kExceptions);
        if (left != 0)
            Fail(std::to_string(left) + " layout finding(s)");
    }
    std::printf("authoring_tour: %d failure(s)\n", tour.Failures);
    return tour.Failures == 0 ? 0 : 1;
}
