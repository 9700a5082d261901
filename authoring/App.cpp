#include "authoring/App.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "authoring/NewProjectWizard.h"
#include "authoring/BuildWindow.h"
#include "authoring/ItemDialogBinding.h"
#include "authoring/ProjectInfo.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"

namespace {

// The dialogs made after the main window, in this order. A form whose part is not
// built yet has no maker and is skipped. A command-line build makes only the forms
// whose controls it reads (the Options dialog holds preferences the build follows):
// the others cost a fifth of its start-up and none can be shown without a window.
struct TFormMaker {
    const char* Name;
    std::unique_ptr<winlib::TForm> (*Make)(HWND owner);
    bool Silent = false;
};

// A dialog of this program: made, created and published in its global.
template <class T, T*& Global>
std::unique_ptr<winlib::TForm> Make(HWND owner)
{
    auto form = std::make_unique<T>();
    form->CreateForm(owner);
    Global = form.get();
    return form;
}

const TFormMaker kForms[] = {
    {"TForm3", Make<TForm3, Form3>},     {"TForm4", MakeForm4},   {"TForm5", Make<TForm5, Form5>},
    {"TForm6", MakeForm6},               {"TForm8", MakeForm8},   {"TForm9", MakeForm9},
    {"TForm10", MakeForm10},             {"TForm11", MakeForm11}, {"TForm12", MakeForm12},
    {"TForm13", MakeForm13},             {"TForm14", MakeForm14}, {"TProjectInfo", Make<TProjectInfo, ProjectInfo>},
    {"TForm15", Make<TForm15, Form15>, true},  {"TForm17", MakeForm17}, {"TForm18", MakeForm18},
    {"TForm19", Make<TForm19, Form19>},  {"TForm20", MakeForm20},
};

// "error: ", "warning: " or "note: " by the box's icon, then the text on one line.
std::string SilentLine(const std::string& text, UINT flags)
{
    UINT icon = flags & MB_ICONMASK;
    std::string line = icon == MB_ICONERROR ? "error: " : icon == MB_ICONWARNING ? "warning: " : "note: ";
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    }
    return line;
}

// A GUI program has no standard handles when started from a console on Windows:
// it borrows its parent's console. (Under Wine, stdout and stderr reach Unix already.)
void AttachParentConsole()
{
    if (GetStdHandle(STD_ERROR_HANDLE) != nullptr && GetStdHandle(STD_ERROR_HANDLE) != INVALID_HANDLE_VALUE)
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;  // no console to write to: the exit code still tells the outcome
    // Reopening fails only without a console, which AttachConsole just gave us.
    (void)std::freopen("CONOUT$", "w", stdout);
    (void)std::freopen("CONOUT$", "w", stderr);
}

// A silent build shows no box: each goes to stderr and gets its default button.
int SilentBox(const std::string& text, const std::string& /*caption*/, UINT flags)
{
    std::fprintf(stderr, "%s\n", SilentLine(text, flags).c_str());
    std::fflush(stderr);
    int defaultButton = static_cast<int>((flags & MB_DEFMASK) >> 8);
    static const int answers[][3] = {
        {IDOK, IDOK, IDOK},           {IDOK, IDCANCEL, IDCANCEL},  {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL},      {IDYES, IDNO, IDNO},         {IDRETRY, IDCANCEL, IDCANCEL},
    };
    UINT type = flags & MB_TYPEMASK;
    if (type > 5 || defaultButton > 2)
        return IDCANCEL;
    return answers[type][defaultButton];
}

}  // namespace

int RunKInstaller()
{
    winlib::SetApplicationTitle(kProductTitle);
    bool silent = FindSwitch("/S") > 0;
    if (silent) {
        AttachParentConsole();
        winlib::SetMessageSink(SilentBox);
        AppState().NeverShown = true;
    }
    auto form1 = std::make_unique<TForm1>();
    Form1 = form1.get();
    if (!form1->CreateForm())
        return form1->AssociationExitCode();
    std::vector<std::unique_ptr<winlib::TForm>> dialogs;
    for (const TFormMaker& maker : kForms)
        if (maker.Make != nullptr && (maker.Silent || !silent))
            dialogs.push_back(maker.Make(form1->Handle()));
    BindItemDialogs(*form1);  // the lists, the files page and the pickers get their dialogs
    Form15->OnPickLink = [&form = *form1](winlib::TEdit& edit) {
        std::string path = PickLocalPrerequisiteFile(form, edit);
        if (!path.empty())
            AddPrerequisiteFileRow(form, path);
    };
    if (silent) {
        form1->FormShow();  // never visible
        int code = form1->SilentExitCode();
        form1->SaveSettings();
        // The windows go with the process: destroying some 300 controls one by one
        // costs Wine more server round trips than packing a small project.
        std::fflush(nullptr);
        std::exit(code);
    }
    form1->ShowMain();
    int code = winlib::RunMessageLoop();
    form1.reset();  // the main window is gone already; its dialogs follow
    return code;
}
