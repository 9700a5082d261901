#include "authoring/App.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "authoring/Form1.h"
#include "authoring/Form15.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"

namespace {

// The dialogs made after the main window, in this order. A form whose part is not
// built yet has no maker and is skipped.
struct TFormMaker {
    const char* Name;
    std::unique_ptr<winlib::TForm> (*Make)(HWND owner);
};

std::unique_ptr<winlib::TForm> MakeForm15(HWND owner)
{
    auto form = std::make_unique<TForm15>();
    form->CreateForm(owner);
    Form15 = form.get();
    return form;
}

const TFormMaker kForms[] = {
    {"TForm3", nullptr},  {"TForm4", nullptr},  {"TForm5", nullptr},        {"TForm6", nullptr},
    {"TForm8", nullptr},  {"TForm9", nullptr},  {"TForm10", nullptr},       {"TForm11", nullptr},
    {"TForm12", nullptr}, {"TForm13", nullptr}, {"TForm14", nullptr},       {"TProjectInfo", nullptr},
    {"TForm15", MakeForm15}, {"TForm17", nullptr}, {"TForm18", nullptr}, {"TForm19", nullptr},
    {"TForm20", nullptr},
};

// A silent build shows no box: each goes to stderr and gets its default button.
int SilentBox(const std::string& text, const std::string& caption, UINT flags)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
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
    if (silent)
        winlib::SetMessageSink(SilentBox);
    auto form1 = std::make_unique<TForm1>();
    Form1 = form1.get();
    if (!form1->CreateForm())
        return form1->AssociationExitCode();
    std::vector<std::unique_ptr<winlib::TForm>> dialogs;
    for (const TFormMaker& maker : kForms)
        if (maker.Make != nullptr)
            dialogs.push_back(maker.Make(form1->Handle()));
    if (silent) {
        form1->FormShow();  // never visible
        int code = form1->SilentExitCode();
        form1->Destroy();
        return code;
    }
    form1->ShowMain();
    int code = winlib::RunMessageLoop();
    form1.reset();  // the main window is gone already; its dialogs follow
    return code;
}
