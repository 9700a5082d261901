#include "authoring/ItemDialogs.h"

#include "authoring/ItemDialogChecks.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

using K = TFieldKind;
constexpr const char* kDoNotRemove = "Do not remove during uninstallation";
const std::vector<std::string> kShow = {"Normal", "Maximize", "Minimize", "Hide"};
const std::vector<std::string> kOperatingSystems = {"All", "x86", "x64"};
constexpr const char* kIncorrectValueData = "Incorrect value data.";
constexpr const char* kLocalFilePrefix = "<SetupTempDir>\\";

TFieldSpec Field(const char* control, K kind, const char* label, std::string value = std::string(),
                 std::vector<std::string> items = {})
{
    return {control, kind, label, std::move(value), std::move(items)};
}

// A field with a "..." button.
TFieldSpec Picked(TFieldSpec field, const char* button, TPick pick, const char* hint = "")
{
    field.Button = button;
    field.Pick = pick;
    field.Hint = hint;
    return field;
}

// ---- TForm4 ----

TFieldSpec FilePathField(TFieldSpec field)
{
    field.FilePath = true;
    return field;
}

TDialogSpec Form4Spec()
{
    TDialogSpec spec{"Add Files",
                     {Picked(FilePathField(Field("ComboBox1", K::Combo, "Destination", "<InstallDir>",
                                                 DestinationPlaceholders())),
                             "Button3", TPick::Custom, "Variables..."),
                      FilePathField(Field("Edit1", K::Edit, "File name")),
                      Field("ComboBox2", K::List, "If File Exists", "Overwrite",
                            {"Ask", "Overwrite", "Overwrite only if newer", "Skip"}),
                      Field("CheckBox1", K::Check, kDoNotRemove)},
                     "ComboBox1",
                     // The trailing "\" goes before the empty test, so that "\" alone is refused.
                     {TrimStep({"ComboBox1"}), TransformStep("ComboBox1", StripOneTrailingBackslash),
                      RequireStep("ComboBox1"),
                      CheckStep([](const TItemDialog& d) { return BelowSetupTempDir(d.Text("ComboBox1")).empty(); },
                                "Files for the setup's temporary folder cannot go into a sub-folder",
                                TBoxCaption::Product, MB_ICONWARNING, "ComboBox1")}};
    spec.HelpButton = "Button4";
    return spec;
}

// ---- TForm6 ----

bool VariableExists(const TItemDialog& dialog, IItemDialogHost& host)
{
    std::string name = winlib::Trim(dialog.Text("Edit1"));
    for (const winlib::TListRow& row : host.ListRows(TListKind::Variables))
        // The setup replaces variable names without regard to case.
        if (winlib::SameText(row.Caption, name))
            return true;
    return false;
}

TDialogSpec Form6Spec(IItemDialogHost& host)
{
    auto name = [](const TItemDialog& d) { return d.Text("Edit1"); };
    return {"Add Variable",
            {Field("Edit1", K::Edit, "Variable Name", "<MyVar1>"),
             Field("Edit2", K::Edit, "Registry Key",
                   "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\<AppName>"),
             Field("Edit3", K::Edit, "Value Name", "InstallLocation"),
             Field("ComboBox2", K::List, "Value Type", "STRING", {"STRING", "DWORD"}),
             Picked(Field("Edit4", K::Edit, "Default Value", "<ProgramFiles>\\<AppName>"), "Button4",
                    TPick::Destination, "Browse...")},
            "Edit1",
            {CheckStep([](const TItemDialog& d) { return IsVariableName(d.Text("Edit1")); },
                       "Incorrect variable name.\rExample: <MyVar1>", TBoxCaption::None, MB_ICONWARNING, "Edit1"),
             CheckStep([&host](const TItemDialog& d) { return d.Mode() != IItemDialog::Add || !VariableExists(d, host); },
                       "Variable %s already exists.", TBoxCaption::None, MB_ICONWARNING, "Edit1", name),
             CheckStep(
                 [](const TItemDialog& d) {
                     std::string value = winlib::Trim(d.Text("Edit4"));
                     return d.Text("ComboBox2") != "DWORD" || value.empty() || IsInteger32(value);
                 },
                 "Incorrect Default Value.", TBoxCaption::None, MB_ICONWARNING, "Edit4")}};
}

// ---- TForm8 ----

std::string ShortcutPath(const std::string& destination, const std::string& name) { return destination + "\\" + name; }

bool ShortcutExists(const TItemDialog& d, IItemDialogHost& host)
{
    std::string mine = winlib::UpperCase(host.ExpandProjectMacros(ShortcutPath(d.Text("ComboBox1"), d.Text("Edit2"))));
    for (const winlib::TListRow& row : host.ListRows(TListKind::Shortcuts)) {
        std::string name = row.Texts.empty() ? std::string() : row.Texts[0];
        if (winlib::UpperCase(host.ExpandProjectMacros(ShortcutPath(row.Caption, name))) == mine)
            return true;
    }
    return false;
}

TDialogSpec Form8Spec(IItemDialogHost& host)
{
    return {"Add Shortcut",
            {Picked(Field("Edit1", K::Edit, "Target File"), "Button4", TPick::Custom, "Browse..."),
             Field("ComboBox1", K::Combo, "Shortcut Destination", "<ProgramGroup>",
                   {"<ProgramGroup>", "<ProgramsMenu>", "<StartMenu>", "<Desktop>", "<QuickLaunch>",
                    "<CommonProgramsMenu>", "<CommonStartMenu>", "<CommonDesktop>"}),
             Field("Edit2", K::Edit, "Shortcut Name"), Field("Edit3", K::Edit, "Description"),
             Field("Edit4", K::Edit, "Parameters"), Field("Edit5", K::Edit, "Working Directory"),
             Picked(Field("Edit6", K::Edit, "Icon File"), "Button5", TPick::Destination),
             Field("SpinEdit1", K::Spin, "Icon Index", "0"), Field("ComboBox2", K::List, "Show", "Normal", kShow)},
            "Edit1",
            {TrimStep({"Edit1", "ComboBox1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"}), RequireStep("Edit1"),
             RequireStep("ComboBox1"), RequireStep("Edit2"),
             CheckStep([&host](const TItemDialog& d) { return d.Mode() != IItemDialog::Add || !ShortcutExists(d, host); },
                       "Shortcut \"%s\" already exists.", TBoxCaption::Product, MB_ICONWARNING, "Edit2",
                       [](const TItemDialog& d) { return ShortcutPath(d.Text("ComboBox1"), d.Text("Edit2")); })}};
}

// ---- TForm9 ----

bool DataIsValid(const TItemDialog& d, const char* type, bool (*valid)(const std::string&))
{
    std::string data = d.Text("Edit3");
    return d.Text("ComboBox2") != type || data.empty() || valid(data);
}

TDialogSpec Form9Spec()
{
    return {"Add Registry Value",
            {Field("Edit1", K::Edit, "Registry Key", "HKEY_CURRENT_USER\\Software\\<CompanyName>\\<AppName>"),
             Field("Edit2", K::Edit, "Value Name"),
             Field("ComboBox2", K::List, "Value Type", "REG_SZ", {"REG_SZ", "REG_EXPAND_SZ", "REG_DWORD", "REG_BINARY"}),
             Picked(Field("Edit3", K::Edit, "Value Data"), "Button5", TPick::Destination),
             Field("CheckBox1", K::Check, "Overwrite Registry Value", "1"), Field("CheckBox2", K::Check, kDoNotRemove, "1")},
            "Edit2",
            {TrimStep({"Edit1", "Edit2", "Edit3"}), RequireStep("Edit1"),
             CheckStep([](const TItemDialog& d) { return HasKnownRegistryRoot(d.Text("Edit1")); },
                       "Incorrect registry key.\r\rExample: HKEY_CURRENT_USER\\Software\\<AppName>", TBoxCaption::None,
                       MB_ICONERROR, "Edit1"),
             CheckStep([](const TItemDialog& d) { return DataIsValid(d, "REG_DWORD", IsInteger32); }, kIncorrectValueData,
                       TBoxCaption::None, MB_ICONERROR, "Edit3"),
             CheckStep([](const TItemDialog& d) { return DataIsValid(d, "REG_BINARY", IsHexByteList); },
                       kIncorrectValueData, TBoxCaption::None, MB_ICONERROR, "Edit3")}};
}

// ---- TForm10, TForm11 ----

TDialogSpec Form10Spec()
{
    return {"Add Extension",
            {Field("Edit1", K::Edit, "Extension", "pdf"),
             Picked(Field("Edit2", K::Edit, "Associated File"), "Button4", TPick::Custom),
             Field("Edit3", K::Edit, "Description", "<AppName>"),
             Picked(Field("Edit4", K::Edit, "Icon File"), "Button5", TPick::Destination),
             Field("SpinEdit1", K::Spin, "Icon Index", "0")},
            "Edit1",
            {TrimStep({"Edit1", "Edit2"}),
             CheckStep(
                 [](const TItemDialog& d) {
                     std::string ext = d.Text("Edit1");
                     return !ext.empty() && ext[0] != '.';
                 },
                 "Incorrect extension.\r\rExample: txt", TBoxCaption::None, MB_ICONERROR, "Edit1"),
             RequireStep("Edit2")}};
}

TDialogSpec Form11Spec()
{
    // Each field is trimmed just before its own test: a failure leaves the later ones as typed.
    return {"Add INI Value",
            {Picked(Field("Edit1", K::Edit, "INI File"), "Button4", TPick::Destination),
             Field("Edit2", K::Edit, "Section"), Field("Edit3", K::Edit, "Key"),
             Picked(Field("Edit4", K::Edit, "Value"), "Button5", TPick::Destination),
             Field("CheckBox1", K::Check, "Overwrite Value", "1"), Field("CheckBox2", K::Check, kDoNotRemove, "1")},
            "Edit1",
            {TrimStep({"Edit1"}), RequireStep("Edit1"), TrimStep({"Edit2"}), RequireStep("Edit2"), TrimStep({"Edit3"}),
             RequireStep("Edit3")}};
}

// ---- TForm13, TForm14 ----

TDialogSpec Form13Spec()
{
    return {"Add Command",
            {Picked(Field("ComboBox4", K::Combo, "Command", "", {"<SystemDir>\\cmd.exe"}), "Button4", TPick::Destination),
             Picked(Field("Edit2", K::Edit, "Parameters"), "Button5", TPick::Custom),
             Field("ComboBox1", K::List, "Launch on OS", "All", kOperatingSystems),
             Field("ComboBox2", K::List, "Show", "Normal", kShow),
             Field("ComboBox3", K::List, "Launch", "Before Installation",
                   {"Before Installation", "After Folder Select", "After Installation", "Before Uninstallation",
                    "After Uninstallation"}),
             Field("CheckBox1", K::Check, "Wait Until Process Finishes")},
            "ComboBox4",
            {TrimStep({"ComboBox4"}), RequireStep("ComboBox4")}};
}

TDialogSpec Form14Spec()
{
    return {"Register",
            {Picked(Field("Edit1", K::Edit, "File"), "Button4", TPick::Custom),
             Field("ComboBox1", K::List, "Register As", "DLL/ActiveX",
                   {"DLL/ActiveX", "Type Library", "Font", "ScreenSaver", "Wallpaper"}),
             Field("CheckBox1", K::Check, "Do not unregister during uninstallation")},
            "Edit1",
            {TrimStep({"Edit1"}), RequireStep("Edit1"),
             CheckStep(
                 [](const TItemDialog& d) {
                     return d.Text("ComboBox1") != "Wallpaper" || winlib::SameText(winlib::ExtractFileExt(d.Text("Edit1")), ".bmp");
                 },
                 "Supported BITMAP (.bmp) files only.", TBoxCaption::Dialog, MB_ICONWARNING, "Edit1")}};
}

// ---- TForm17, TForm18 ----

TDialogSpec Form17Spec()
{
    TDialogSpec spec{"Add Environment Variable",
                     {Field("Edit1", K::Edit, "Name", "PATH"),
                      Picked(Field("Edit2", K::Edit, "Value", "<InstallDir>"), "Button1", TPick::Destination),
                      Field("ComboBox1", K::List, "If Exists", "Append", {"Overwrite", "Skip", "Append", "Prepend", "Remove"}),
                      Field("CheckBox1", K::Check, "Uninstall", "1")},
                     "Edit1",
                     {TrimStep({"Edit1", "Edit2"}),
                      CheckStep([](const TItemDialog& d) { return !d.Text("Edit1").empty(); }, "Incorrect variable name.",
                                TBoxCaption::None, MB_ICONERROR, "Edit1")}};
    spec.OkButton = "Button2", spec.CancelButton = "Button3", spec.HelpButton = "Button4";
    return spec;
}

TDialogSpec Form18Spec()
{
    TDialogSpec spec{
        "Add Prerequisite",
        {Field("ComboBox1", K::Combo, "Name", "My Prerequisite", {"My Prerequisite"}),
         Picked(Field("Edit1", K::Edit, "Command", "http://www.example.com/setup.exe"), "Button1", TPick::Custom),
         Field("ComboBox2", K::List, "OS", "All", kOperatingSystems),
         Field("ComboBox3", K::List, "Search Criteria", "File exists",
               {"File exists", "File doesn't exist", "Folder exists", "Folder doesn't exist", "Registry Key exists",
                "Registry Key doesn't exist", "Registry Value exists", "Registry Value doesn't exist",
                "Registry Value contents", "Registry Value doesn't content", "Registry Value greater or equal",
                "Registry Value less or equal"}),
         Field("Edit2", K::Edit, "Value 1", "<WindowsDir>\\file.exe"), Field("Edit3", K::Edit, "Value 2")},
        "ComboBox1",
        {TrimStep({"ComboBox1", "Edit1", "Edit2"}), RequireStep("ComboBox1"), RequireStep("Edit1"), RequireStep("Edit2")}};
    spec.OkButton = "Button2", spec.CancelButton = "Button3", spec.HelpButton = "Button4";
    return spec;
}

}  // namespace

const std::vector<std::string>& DestinationPlaceholders()
{
    static const std::vector<std::string> items = {
        "<InstallDir>",     "<SetupTempDir>",     "<ProgramFiles>",     "<WindowsDir>",      "<SystemDir>",
        "<TempDir>",        "<FontsDir>",         "<MyDocuments>",      "<SystemDrive>",     "<CurrentDir>",
        "<AllUserProfile>", "<LocalAppData>",     "<UserProfile>",      "<AppData>",         "<LocalSettings>",
        "<CommonFiles>",    "<Templates>",        "<Favorites>",        "<CommonAppData>",   "<CommonMyDocuments>",
        "<CommonTemplates>", "<CommonFavorites>", "<SentTo>",           "<ProgramGroup>",    "<Desktop>",
        "<StartMenu>",      "<ProgramsMenu>",     "<StartUp>",          "<QuickLaunch>",     "<CommonDesktop>",
        "<CommonStartMenu>", "<CommonProgramsMenu>", "<CommonStartUp>"};
    return items;
}

TForm4::TForm4(IItemDialogHost& host) : TItemDialog(Form4Spec(), host) {}

// Adding starts from the defaults; an edit keeps what the caller put in.
void TForm4::OnShowRule()
{
    if (Mode() == IItemDialog::Edit)
        return;
    ComboBox1().SetText(DestinationPlaceholders().front());
    ComboBox2().SetItemIndex(1);
    CheckBox1().SetChecked(false);
}

void TForm4::PickClick(const TFieldSpec& /*field*/) { Host().VariablesHelp(); }

TForm6::TForm6(IItemDialogHost& host) : TItemDialog(Form6Spec(host), host) {}

TForm8::TForm8(IItemDialogHost& host) : TItemDialog(Form8Spec(host), host) {}

// A new target names the shortcut and gives its working directory.
void TForm8::PickClick(const TFieldSpec& /*field*/)
{
    std::string before = winlib::Trim(Edit1().Text());
    Edit1().SetText(before);
    if (!PickInto("Edit1") || Edit1().Text() == before)
        return;
    std::string target = Edit1().Text();
    Edit2().SetText(FileTitleOf(target));
    Edit5().SetText(winlib::ExtractFileDir(target));
}

TForm9::TForm9(IItemDialogHost& host) : TItemDialog(Form9Spec(), host) {}

TForm10::TForm10(IItemDialogHost& host) : TItemDialog(Form10Spec(), host) {}

// The associated program usually carries the icon; a cancelled pick keeps what was typed.
void TForm10::PickClick(const TFieldSpec& /*field*/)
{
    if (!PickInto("Edit2"))
        return;
    Edit4().SetText(Edit2().Text());
    SpinEdit1().SetText("0");
}

TForm11::TForm11(IItemDialogHost& host) : TItemDialog(Form11Spec(), host) {}

TForm13::TForm13(IItemDialogHost& host) : TItemDialog(Form13Spec(), host)
{
    menu_.AddItem(nullptr, cmFilesAndFolders, "Files and Folders", [this] { FilesandFolders1Click(); });
    menu_.AddItem(nullptr, cmCommandVariables, "Variables", [this] { Variables1Click(); });
}

void TForm13::PickClick(const TFieldSpec& /*field*/)
{
    POINT at = {};
    ::GetCursorPos(&at);
    menu_.Popup(Handle(), at.x, at.y);
}

void TForm13::FilesandFolders1Click()
{
    std::string chosen;
    if (Host().PickDestinationFile(std::string(), chosen))
        Edit2().SetText(Edit2().Text() + chosen);
}

void TForm13::Variables1Click() { Host().VariablesHelp(); }

TForm14::TForm14(IItemDialogHost& host) : TItemDialog(Form14Spec(), host) {}

void TForm14::PickClick(const TFieldSpec& /*field*/)
{
    Edit1().SetText(winlib::Trim(Edit1().Text()));
    if (!PickInto("Edit1"))
        return;
    std::string type = RegisterTypeForFile(Edit1().Text());
    if (!type.empty())
        ComboBox1().SelectComboItem(type);
}

TForm17::TForm17(IItemDialogHost& host) : TItemDialog(Form17Spec(), host) {}

TForm18::TForm18(IItemDialogHost& host) : TItemDialog(Form18Spec(), host) {}

void TForm18::PickClick(const TFieldSpec& /*field*/)
{
    std::string path = Host().PickLocalPrerequisiteFile(Edit1());
    if (!path.empty())
        picked_ = path;
}

// The picked file is packed only when the accepted command still names it.
void TForm18::OnAccepted()
{
    if (picked_.empty() || Edit1().Text() != kLocalFilePrefix + winlib::ExtractFileName(picked_))
        return;
    Host().AddPrerequisiteFileRow(picked_);
    picked_.clear();
}
