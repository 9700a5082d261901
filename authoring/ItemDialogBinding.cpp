#include "authoring/ItemDialogBinding.h"

#include "authoring/MainWindow.h"
#include "authoring/PathPicker.h"
#include "authoring/OdbcDialog.h"
#include "authoring/ItemDialogs.h"
#include "winlib/Dialogs.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"

TForm4* Form4 = nullptr;
TForm6* Form6 = nullptr;
TForm8* Form8 = nullptr;
TForm9* Form9 = nullptr;
TForm10* Form10 = nullptr;
TForm11* Form11 = nullptr;
TForm12* Form12 = nullptr;
TForm13* Form13 = nullptr;
TForm14* Form14 = nullptr;
TForm17* Form17 = nullptr;
TForm18* Form18 = nullptr;
TForm20* Form20 = nullptr;

namespace {

TListId ListIdOf(TListKind kind)
{
    switch (kind) {
    case TListKind::Prereq: return TListId::Prereq;
    case TListKind::Shortcuts: return TListId::Shortcuts;
    case TListKind::Registry: return TListId::Registry;
    case TListKind::INI: return TListId::INI;
    case TListKind::Variables: return TListId::Variables;
    case TListKind::Commands: return TListId::Commands;
    case TListKind::Ext: return TListId::Ext;
    case TListKind::Env: return TListId::Env;
    case TListKind::Others: return TListId::Others;
    }
    return TListId::Count;
}

// The main window at the moment of each call (tests make and drop it).
class TMainWindowHost : public IItemDialogHost {
public:
    bool PickDestinationFile(const std::string& path, std::string& chosen) override
    {
        return Main().PickDestinationFile(path, chosen);
    }
    void VariablesHelp() override { Main().Button30Click(); }
    void ContextHelp() override { Main().ToolButton7Click(); }
    std::string ExpandProjectMacros(const std::string& text) const override { return Main().ExpandProjectMacros(text); }
    std::vector<winlib::TListRow> ListRows(TListKind list) const override
    {
        return Main().ListView(ListIdOf(list)).Rows();
    }
    std::string PickLocalPrerequisiteFile(winlib::TEdit& edit) override
    {
        return ::PickLocalPrerequisiteFile(Main(), edit);
    }
    void AddPrerequisiteFileRow(const std::string& path) override { ::AddPrerequisiteFileRow(Main(), path); }

private:
    static TForm1& Main()
    {
        if (Form1 == nullptr)
            throw std::logic_error("an item dialog was used without the main window");
        return *Form1;
    }
};

template <class T>
std::unique_ptr<winlib::TForm> Make(HWND owner, T*& global)
{
    auto form = std::make_unique<T>(MainWindowDialogHost());
    form->CreateForm(owner);
    global = form.get();
    return form;
}

}  // namespace

IItemDialogHost& MainWindowDialogHost()
{
    static TMainWindowHost host;
    return host;
}

std::unique_ptr<winlib::TForm> MakeForm4(HWND owner) { return Make(owner, Form4); }
std::unique_ptr<winlib::TForm> MakeForm6(HWND owner) { return Make(owner, Form6); }
std::unique_ptr<winlib::TForm> MakeForm8(HWND owner) { return Make(owner, Form8); }
std::unique_ptr<winlib::TForm> MakeForm9(HWND owner) { return Make(owner, Form9); }
std::unique_ptr<winlib::TForm> MakeForm10(HWND owner) { return Make(owner, Form10); }
std::unique_ptr<winlib::TForm> MakeForm11(HWND owner) { return Make(owner, Form11); }
std::unique_ptr<winlib::TForm> MakeForm13(HWND owner) { return Make(owner, Form13); }
std::unique_ptr<winlib::TForm> MakeForm14(HWND owner) { return Make(owner, Form14); }
std::unique_ptr<winlib::TForm> MakeForm17(HWND owner) { return Make(owner, Form17); }
std::unique_ptr<winlib::TForm> MakeForm18(HWND owner) { return Make(owner, Form18); }

std::unique_ptr<winlib::TForm> MakeForm12(HWND owner)
{
    auto form = std::make_unique<TForm12>([] {
        return Form1 != nullptr ? Form1->DestinationTree() : std::vector<winlib::TTreeNodeData>();
    });
    form->CreateForm(owner);
    Form12 = form.get();
    return form;
}

std::unique_ptr<winlib::TForm> MakeForm20(HWND owner)
{
    auto form = std::make_unique<TForm20>();
    form->CreateForm(owner);
    form->AddRegistryRow = [](const winlib::TListRow& row) {
        if (Form1 == nullptr)
            throw std::logic_error("the ODBC dialog was used without the main window");
        Form1->ListView(TListId::Registry).Add(row);
    };
    form->Help = [] { MainWindowDialogHost().ContextHelp(); };
    Form20 = form.get();
    return form;
}

void BindItemDialogs(TForm1& form)
{
    struct TBinding {
        TListId List;
        TItemDialog* Dialog;
    };
    const TBinding bindings[] = {
        {TListId::Prereq, Form18},   {TListId::Shortcuts, Form8}, {TListId::Registry, Form9},
        {TListId::INI, Form11},      {TListId::Commands, Form13}, {TListId::Variables, Form6},
        {TListId::Ext, Form10},      {TListId::Env, Form17},      {TListId::Others, Form14},
    };
    for (const TBinding& binding : bindings)
        if (binding.Dialog != nullptr && form.ProjectList(binding.List).Editor)
            form.ProjectList(binding.List).Editor->BindDialog(&binding.Dialog->Fields());
    if (Form4 != nullptr)
        form.FileItemDialog = &Form4->Fields();
    form.PathPicker = Form12;
}

std::string PickLocalPrerequisiteFile(TForm1& form, winlib::TEdit& edit)
{
    winlib::TOpenDialog dialog;
    dialog.Filter = "Any Files (*.*)|*.*";
    if (!dialog.Execute(form.Handle()))
        return std::string();
    std::string path = dialog.FileName;
    // The build reads it later: it must open for reading now.
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        winlib::ShowMessageBox(form.Handle(), "File access denied:\r\n" + path, std::string(), MB_OK | MB_ICONERROR);
        return std::string();
    }
    ::CloseHandle(file);
    edit.SetText("<SetupTempDir>\\" + winlib::ExtractFileName(path));
    return path;
}

void AddPrerequisiteFileRow(TForm1& form, const std::string& path)
{
    form.ListFiles().Add({path, {"<SetupTempDir>\\" + winlib::ExtractFileName(path), "Overwrite", "Yes"}});
    form.RebuildDestinationTree();
}
