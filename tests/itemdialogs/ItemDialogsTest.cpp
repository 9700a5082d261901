// The row dialogs, each shown modally and driven as a user would: fields typed or
// chosen, "..." and OK clicked, boxes answered. One driver runs one table of
// cases per dialog; each case states whether the dialog closed, where the focus
// is, which box it showed and what the fields hold afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "authoring/ItemDialogChecks.h"
#include "authoring/ItemDialogs.h"
#include "winlib/testing/TestApi.h"

using namespace winlib;
using namespace winlib::testing;

namespace {

class TFakeHost : public IItemDialogHost {
public:
    std::vector<std::string> PickAnswers;  // "" cancels; taken in order
    std::vector<std::string> PickedFrom;
    std::map<TListKind, std::vector<TListRow>> Rows;
    int VariableHelps = 0, ContextHelps = 0;
    std::string LocalFile;  // what the local-file pick answers ("" cancels)
    std::vector<std::string> AddedFiles;

    bool PickDestinationFile(const std::string& path, std::string& chosen) override
    {
        PickedFrom.push_back(path);
        std::string answer = PickAnswers.empty() ? std::string() : PickAnswers.front();
        if (!PickAnswers.empty())
            PickAnswers.erase(PickAnswers.begin());
        chosen = answer.empty() ? path : answer;
        return !answer.empty();
    }
    void VariablesHelp() override { ++VariableHelps; }
    void ContextHelp() override { ++ContextHelps; }
    std::string ExpandProjectMacros(const std::string& text) const override
    {
        std::string out = text;
        for (size_t at; (at = out.find("<AppName>")) != std::string::npos;)
            out.replace(at, 9, "Demo");
        return out;
    }
    std::vector<TListRow> ListRows(TListKind list) const override
    {
        auto it = Rows.find(list);
        return it == Rows.end() ? std::vector<TListRow>() : it->second;
    }
    std::string PickLocalPrerequisiteFile(TEdit& edit) override
    {
        if (!LocalFile.empty())
            edit.SetText("<SetupTempDir>\\" + LocalFile.substr(LocalFile.rfind('\\') + 1));
        return LocalFile;
    }
    void AddPrerequisiteFileRow(const std::string& path) override { AddedFiles.push_back(path); }
};

using TFields = std::vector<std::pair<std::string, std::string>>;

struct TBoxSeen {
    std::string Caption, Text;
    UINT Icon = 0;
};

struct TCase {
    const char* Name;
    IItemDialog::TMode Mode;
    TFields Set;                              // typed or chosen before OK
    bool Closes;                              // with OK
    std::string Focus;                        // when it stays open
    TBoxSeen Box = {};                        // Text "" = no box
    TFields Expect = {};                      // afterwards
    std::function<void(TItemDialog&)> Act = nullptr;  // a user action before OK
};

// What a user does to one field.
void Enter(TItemDialog& dialog, const std::string& name, const std::string& text)
{
    for (const TFieldSpec& field : dialog.Spec().Fields) {
        if (name != field.Control)
            continue;
        if (field.Kind == TFieldKind::List) {
            TComboBox& combo = dialog.ComboNamed(name);
            ChooseItem(combo, combo.IndexOf(text));
        } else if (field.Kind == TFieldKind::Combo) {
            TypeInCombo(dialog.ComboNamed(name), text);
        } else {
            Type(dialog.EditNamed(name), text);
        }
        return;
    }
    ADD_FAILURE() << "no field " << name;
}

// Shows the dialog, runs the case inside its loop, and checks what the case says.
void RunCase(TItemDialog& dialog, const TCase& c)
{
    SCOPED_TRACE(c.Name);
    dialog.Fields().SetCaption(c.Mode == IItemDialog::Add ? dialog.Spec().Caption : "Edit Current Item", c.Mode);
    TModalResponder modal;
    TExpectBoxes boxes(c.Box.Text.empty() ? std::vector<int>{} : std::vector<int>{IDOK});
    bool closed = false;
    std::string focus;
    modal.Expect([&](TForm& form) {
        for (const auto& [name, text] : c.Set)
            Enter(dialog, name, text);
        if (c.Act)
            c.Act(dialog);
        Click(dialog.ButtonNamed(dialog.Spec().OkButton));
        closed = form.ModalResult() == mrOk;
        focus = dialog.FocusedField();
        if (!closed)
            Click(dialog.ButtonNamed(dialog.Spec().CancelButton));
    });
    bool ok = dialog.Fields().Execute();
    EXPECT_EQ(ok, c.Closes);
    EXPECT_EQ(closed, c.Closes);
    if (!c.Closes) {
        EXPECT_EQ(focus, c.Focus);
    }
    ASSERT_EQ(boxes.Boxes().size(), c.Box.Text.empty() ? 0u : 1u);
    if (!c.Box.Text.empty()) {
        EXPECT_EQ(boxes.Boxes()[0].Text, c.Box.Text);
        EXPECT_EQ(boxes.Boxes()[0].Caption, c.Box.Caption);
        EXPECT_EQ(boxes.Boxes()[0].Icon(), c.Box.Icon);
    }
    for (const auto& [name, text] : c.Expect)
        EXPECT_EQ(dialog.Text(name), text) << name;
}

template <class T>
std::unique_ptr<T> Make(TFakeHost& host)
{
    auto dialog = std::make_unique<T>(host);
    dialog->CreateForm(nullptr);
    return dialog;
}

const IItemDialog::TMode A = IItemDialog::Add, E = IItemDialog::Edit;
const TBoxSeen kNoBox;
const char* kProduct = "Tarvex Installer";

void RunAll(TItemDialog& dialog, const std::vector<TCase>& cases)
{
    for (const TCase& c : cases)
        RunCase(dialog, c);
}

}  // namespace

TEST(ItemDialogs, RegistryValueRefusesBadDataAndKeysWithTheirMessages)
{
    TFakeHost host;
    auto dlg = Make<TForm9>(host);
    const TBoxSeen data{"", "Incorrect value data.", MB_ICONERROR};
    const TBoxSeen key{"", "Incorrect registry key.\r\rExample: HKEY_CURRENT_USER\\Software\\<AppName>", MB_ICONERROR};
    const std::string k = "HKCU\\Software\\X";
    RunAll(*dlg, {
        {"dword 12x", A, {{"Edit1", k}, {"ComboBox2", "REG_DWORD"}, {"Edit3", " 12x "}}, false, "Edit3", data},
        {"dword 42", A, {{"Edit3", " 42 "}}, true, "", kNoBox, {{"Edit3", "42"}}},
        {"dword -1", A, {{"Edit3", "-1"}}, true, "", kNoBox},
        {"dword too big", A, {{"Edit3", "4294967296"}}, false, "Edit3", data},
        {"binary pairs run together", A, {{"ComboBox2", "REG_BINARY"}, {"Edit3", "0a0b"}}, false, "Edit3", data},
        {"binary pairs", A, {{"Edit3", "0a,0b ff"}}, true, "", kNoBox},
        {"blank key", A, {{"Edit1", "   "}}, false, "Edit1", kNoBox},
        {"unknown root", A, {{"Edit1", "Software\\X"}}, false, "Edit1", key},
        {"root only", A, {{"Edit1", "HKCU\\"}}, false, "Edit1", key},
        {"root only, two backslashes", A, {{"Edit1", "HKEY_LOCAL_MACHINE\\\\"}}, false, "Edit1", key},
        {"short root any case", A, {{"Edit1", "hklm\\Software\\X"}, {"Edit3", ""}}, true, "", kNoBox},
        {"separator", A, {{"Edit2", "a*?b"}}, false, "Edit2", {kProduct, "The characters \"*?\" are not allowed in this field.", MB_ICONWARNING}},
    });
}

TEST(ItemDialogs, ShortcutDuplicatesCountOnlyWhenAddingAndTargetPicksNameTheShortcut)
{
    TFakeHost host;
    host.Rows[TListKind::Shortcuts] = {{"<ProgramGroup>", {"<AppName>", "x.exe"}}};
    auto dlg = Make<TForm8>(host);
    auto pick = [](TItemDialog& d) { Click(d.ButtonNamed("Button4")); };
    RunAll(*dlg, {
        {"duplicate", A, {{"Edit1", "x.exe"}, {"ComboBox1", "<programgroup>"}, {"Edit2", "DEMO"}}, false, "Edit2",
         {kProduct, "Shortcut \"<programgroup>\\DEMO\" already exists.", MB_ICONWARNING}},
        {"editing may duplicate", E, {}, true, "", kNoBox},
        {"empty target", A, {{"Edit1", " "}}, false, "Edit1", kNoBox},
    });
    host.PickAnswers = {"<InstallDir>\\bin\\app.exe", "", "<InstallDir>\\a.b.c.b"};
    RunAll(*dlg, {
        {"picked target", A, {{"Edit2", "old"}, {"Edit5", "wd"}, {"SpinEdit1", "-3"}}, true, "", kNoBox,
         {{"Edit1", "<InstallDir>\\bin\\app.exe"}, {"Edit2", "app"}, {"Edit5", "<InstallDir>\\bin"}, {"SpinEdit1", "-3"}}, pick},
        {"cancelled pick", A, {{"Edit2", "kept"}}, true, "", kNoBox, {{"Edit2", "kept"}, {"Edit5", "<InstallDir>\\bin"}}, pick},
        {"last extension only", A, {}, true, "", kNoBox, {{"Edit2", "a.b.c"}}, pick},
    });
}

TEST(ItemDialogs, ExtensionRefusesALeadingDotAndCopiesTheProgramAsIconOnlyOnOk)
{
    TFakeHost host;
    auto dlg = Make<TForm10>(host);
    const TBoxSeen ext{"", "Incorrect extension.\r\rExample: txt", MB_ICONERROR};
    auto pick = [](TItemDialog& d) { Click(d.ButtonNamed("Button4")); };
    host.PickAnswers = {"", "<InstallDir>\\v.exe"};
    RunAll(*dlg, {
        {"dot", A, {{"Edit1", " .txt "}, {"Edit2", "a.exe"}}, false, "Edit1", ext},
        {"plain", A, {{"Edit1", " txt "}}, true, "", kNoBox, {{"Edit1", "txt"}}},
        {"no program", A, {{"Edit2", ""}}, false, "Edit2", kNoBox},
        {"cancelled pick keeps icon", A, {{"Edit2", "p.exe"}, {"Edit4", "typed.ico"}, {"SpinEdit1", "4"}}, true, "", kNoBox,
         {{"Edit4", "typed.ico"}, {"SpinEdit1", "4"}}, pick},
        {"pick copies", A, {}, true, "", kNoBox, {{"Edit4", "<InstallDir>\\v.exe"}, {"SpinEdit1", "0"}}, pick},
    });
}

TEST(ItemDialogs, IconIndexThatIsNoIntegerIsRefusedWithTheFocusOnIt)
{
    TFakeHost host;
    auto shortcut = Make<TForm8>(host);
    auto extension = Make<TForm10>(host);
    const TBoxSeen bad{"", "Incorrect icon index.", MB_ICONERROR};
    for (const char* text : {"abc", "99999999999", ""}) {
        RunAll(*shortcut, {{text, A, {{"Edit1", "x.exe"}, {"Edit2", "s"}, {"SpinEdit1", text}}, false, "SpinEdit1", bad}});
        RunAll(*extension, {{text, A, {{"Edit1", "txt"}, {"Edit2", "a.exe"}, {"SpinEdit1", text}}, false, "SpinEdit1", bad}});
    }
    RunAll(*extension, {{"blanks around", A, {{"SpinEdit1", " -2 "}}, true, "", kNoBox, {{"SpinEdit1", "-2"}}}});
}

TEST(ItemDialogs, IniTrimsEachFieldOnlyWhenItsTestIsReached)
{
    TFakeHost host;
    auto dlg = Make<TForm11>(host);
    RunAll(*dlg, {{"empty section", A, {{"Edit1", " a.ini "}, {"Edit2", "  "}, {"Edit3", " k "}, {"Edit4", " v "}}, false,
                   "Edit2", kNoBox, {{"Edit1", "a.ini"}, {"Edit3", " k "}}},
                  {"value kept as typed", A, {{"Edit2", "s"}}, true, "", kNoBox, {{"Edit3", "k"}, {"Edit4", " v "}}}});
}

TEST(ItemDialogs, FilePropertiesResetWhenAddingAndStripOneTrailingBackslash)
{
    TFakeHost host;
    auto dlg = Make<TForm4>(host);
    dlg->ComboBox1().SetText("<AppData>");
    dlg->ComboBox2().SetItemIndex(3);
    dlg->CheckBox1().SetChecked(true);
    auto box = [](TItemDialog& d) {  // a box inside the dialog must not reset it
        Enter(d, "ComboBox2", "Skip");
        Type(d.EditNamed("Edit1"), "a?b");
        Click(d.ButtonNamed("Button1"));
        Type(d.EditNamed("Edit1"), "");
    };
    RunAll(*dlg, {
        {"edit keeps", E, {}, true, "", kNoBox, {{"ComboBox1", "<AppData>"}, {"ComboBox2", "Skip"}}},
        {"add resets", A, {}, true, "", kNoBox, {{"ComboBox1", "<InstallDir>"}, {"ComboBox2", "Overwrite"}}},
        {"one backslash", A, {{"ComboBox1", "<InstallDir>\\sub\\\\"}}, true, "", kNoBox, {{"ComboBox1", "<InstallDir>\\sub\\"}}},
        {"root alone", A, {{"ComboBox1", "\\"}}, false, "ComboBox1", kNoBox},
        {"question mark", A, {{"ComboBox1", "a?b"}}, false, "ComboBox1",
         {kProduct, "The character \"?\" is not allowed in a file path.", MB_ICONWARNING}},
        {"setup temp folder", A, {{"ComboBox1", "<SetupTempDir>\\"}}, true, "", kNoBox, {{"ComboBox1", "<SetupTempDir>"}}},
        {"its sub-folder", A, {{"ComboBox1", "<setuptempdir>\\sub"}}, false, "ComboBox1",
         {kProduct, "Files for the setup's temporary folder cannot go into a sub-folder", MB_ICONWARNING}},
    });
    RunCase(*dlg, {"box keeps fields", A, {}, true, "", {kProduct, "The character \"?\" is not allowed in a file path.", MB_ICONWARNING},
                   {{"ComboBox2", "Skip"}}, box});
    EXPECT_FALSE(dlg->CheckBox1().Checked());
    EXPECT_EQ(dlg->ComboBox1().Count(), 33);
}

TEST(ItemDialogs, VariableNameFormDuplicatesIgnoringCaseAndDwordDefault)
{
    TFakeHost host;
    host.Rows[TListKind::Variables] = {{"<V>", {}}};
    auto dlg = Make<TForm6>(host);
    const TBoxSeen name{"", "Incorrect variable name.\rExample: <MyVar1>", MB_ICONWARNING};
    const TBoxSeen dword{"", "Incorrect Default Value.", MB_ICONWARNING};
    RunAll(*dlg, {
        {"empty brackets", A, {{"Edit1", "<>"}}, false, "Edit1", name},
        {"no brackets", A, {{"Edit1", "MyVar"}}, false, "Edit1", name},
        {"leading blank", A, {{"Edit1", " <W>"}}, false, "Edit1", name},
        {"duplicate", A, {{"Edit1", "<v>"}}, false, "Edit1", {"", "Variable <v> already exists.", MB_ICONWARNING}},
        {"editing", E, {}, true, "", kNoBox},
        {"dword text", A, {{"Edit1", "<W>"}, {"ComboBox2", "DWORD"}, {"Edit4", "abc"}}, false, "Edit4", dword},
        {"dword empty", A, {{"Edit4", ""}}, true, "", kNoBox},
    });
}

TEST(ItemDialogs, CommandMenuAppendsAPickedPathToTheParameters)
{
    TFakeHost host;
    auto dlg = Make<TForm13>(host);
    auto menu = [](TItemDialog& d) { ::SendMessageA(d.Handle(), WM_COMMAND, cmFilesAndFolders, 0); };
    host.PickAnswers = {"<InstallDir>\\bin\\app.exe", ""};
    RunAll(*dlg, {
        {"picked", A, {{"ComboBox4", "run.exe"}, {"Edit2", "/x "}}, true, "", kNoBox, {{"Edit2", "/x <InstallDir>\\bin\\app.exe"}}, menu},
        {"cancelled", A, {{"Edit2", "/x "}}, true, "", kNoBox, {{"Edit2", "/x "}}, menu},
        {"no command", A, {{"ComboBox4", "  "}}, false, "ComboBox4", kNoBox},
    });
    ::SendMessageA(dlg->Handle(), WM_COMMAND, cmCommandVariables, 0);
    EXPECT_EQ(host.VariableHelps, 1);
    EXPECT_EQ(dlg->ComboBox4().IndexOf("<SystemDir>\\cmd.exe"), 0);
}

TEST(ItemDialogs, RegisterTypeFollowsThePickedExtensionAndWallpaperMustBeABitmap)
{
    TFakeHost host;
    auto dlg = Make<TForm14>(host);
    auto pick = [](TItemDialog& d) { Click(d.ButtonNamed("Button4")); };
    RunAll(*dlg, {
        {"jpeg wallpaper", A, {{"Edit1", "C:\\w\\pic.jpg"}, {"ComboBox1", "Wallpaper"}}, false, "Edit1",
         {"Register", "Supported BITMAP (.bmp) files only.", MB_ICONWARNING}},
        {"bitmap any case", A, {{"Edit1", "PIC.BMP"}}, true, "", kNoBox},
    });
    host.PickAnswers = {"<InstallDir>\\x.ocx", "<InstallDir>\\x.scr"};
    RunCase(*dlg, {"ocx", A, {{"ComboBox1", "Font"}}, true, "", kNoBox, {{"ComboBox1", "DLL/ActiveX"}}, pick});
    RunCase(*dlg, {"scr", A, {}, true, "", kNoBox, {{"ComboBox1", "ScreenSaver"}}, pick});
}

TEST(ItemDialogs, EnvironmentAndPrerequisiteRequireTheirFieldsInOrder)
{
    TFakeHost host;
    auto env = Make<TForm17>(host);
    RunCase(*env, {"blank name", A, {{"Edit1", "   "}}, false, "Edit1", {"", "Incorrect variable name.", MB_ICONERROR}});
    auto pre = Make<TForm18>(host);
    RunAll(*pre, {
        {"no name", A, {{"ComboBox1", " "}}, false, "ComboBox1", kNoBox},
        {"no command", A, {{"ComboBox1", "n"}, {"Edit1", " "}}, false, "Edit1", kNoBox},
        {"no value 1", A, {{"Edit1", "c"}, {"Edit2", ""}}, false, "Edit2", kNoBox},
        {"value 2 as typed", A, {{"Edit2", "v"}, {"Edit3", " 4.0"}}, true, "", kNoBox, {{"Edit3", " 4.0"}}},
    });
}

TEST(ItemDialogs, LocalPrerequisiteFileJoinsTheProjectOnlyWhenOkAcceptsIt)
{
    TFakeHost host;
    auto dlg = Make<TForm18>(host);
    host.LocalFile = "C:\\t\\setup.exe";
    auto pick = [](TItemDialog& d) { Click(d.ButtonNamed("Button1")); };
    TModalResponder modal;
    modal.Expect([&](TForm&) {
        pick(*dlg);
        Click(dlg->Button3());
    });
    EXPECT_FALSE(dlg->Fields().Execute());
    EXPECT_TRUE(host.AddedFiles.empty());
    RunCase(*dlg, {"ok", A, {}, true, "", kNoBox, {{"Edit1", "<SetupTempDir>\\setup.exe"}}, pick});
    RunCase(*dlg, {"edited again", E, {}, true, "", kNoBox});
    EXPECT_EQ(host.AddedFiles, std::vector<std::string>{"C:\\t\\setup.exe"});
}

TEST(ItemDialogs, EscCancelsEnterRunsOkAndF1AsksForContextHelp)
{
    TFakeHost host;
    auto dlg = Make<TForm17>(host);
    TModalResponder modal;
    modal.Expect([&](TForm&) {
        PressKeyInLoop(dlg->Edit1().Handle(), VK_F1);
        PressKeyInLoop(dlg->Edit1().Handle(), VK_ESCAPE);
    });
    modal.Expect([&](TForm&) { PressKeyInLoop(dlg->Edit1().Handle(), VK_RETURN); });
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    EXPECT_EQ(host.ContextHelps, 1);
    EXPECT_EQ(dlg->ShowModal(), mrOk);
}

TEST(ItemDialogChecks, IntegerIsAnOptionalMinusAndDigitsInThe32BitRange)
{
    for (const char* good : {"0", "-1", "2147483647", "-2147483648"})
        EXPECT_TRUE(IsInteger32(good)) << good;
    for (const char* bad : {"", "-", "+1", " 1", "1 ", "2147483648", "-2147483649", "1e3", "0x10"})
        EXPECT_FALSE(IsInteger32(bad)) << bad;
}
