// The dialogs as the running program has them: made after the main window, bound
// to its nine lists, its help and its files list.
#include "tests/mainwindow/MainWindowFixture.h"

#include "authoring/OdbcDialog.h"
#include "authoring/ItemDialogBinding.h"
#include "authoring/ItemDialogs.h"
#include "winlib/testing/TestApi.h"

using namespace winlib;
using namespace winlib::testing;

namespace {

class MainWindowDialogs : public MainWindowTest {
protected:
    TRecordingForm1& StartWithDialogs()
    {
        TRecordingForm1& form = Start();
        for (auto make : {MakeForm4, MakeForm6, MakeForm8, MakeForm9, MakeForm10, MakeForm11, MakeForm12, MakeForm13,
                          MakeForm14, MakeForm17, MakeForm18, MakeForm20})
            dialogs_.push_back(make(form.Handle()));
        BindItemDialogs(form);
        return form;
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();  // the main window takes its owned dialogs' windows with it
        dialogs_.clear();
    }
    std::vector<std::unique_ptr<TForm>> dialogs_;
};

// What a user types into a dialog (by control name) before OK.
void Fill(TItemDialog& dialog, const std::vector<std::pair<std::string, std::string>>& fields)
{
    for (const auto& [name, text] : fields) {
        if (name.rfind("ComboBox", 0) == 0)
            TypeInCombo(dialog.ComboNamed(name), text);
        else
            Type(dialog.EditNamed(name), text);
    }
}

struct TAddCase {
    TListId List;
    std::vector<std::pair<std::string, std::string>> Fields;
};

}  // namespace

TEST_F(MainWindowDialogs, EveryListAddsARowThroughItsOwnDialog)
{
    TRecordingForm1& form = StartWithDialogs();
    const TAddCase cases[] = {
        {TListId::Prereq, {}},
        {TListId::Shortcuts, {{"Edit1", "<InstallDir>\\a.exe"}, {"Edit2", "A"}}},
        {TListId::Registry, {{"Edit3", "data"}}},
        {TListId::INI, {{"Edit1", "a.ini"}, {"Edit2", "s"}, {"Edit3", "k"}}},
        {TListId::Commands, {{"ComboBox4", "x.exe"}}},
        {TListId::Variables, {}},
        {TListId::Ext, {{"Edit2", "<InstallDir>\\v.exe"}}},
        {TListId::Env, {}},
        {TListId::Others, {{"Edit1", "<InstallDir>\\x.dll"}}},
    };
    TModalResponder modal;
    for (const TAddCase& c : cases)
        modal.Expect([&c](TForm& shown) {
            auto& dialog = dynamic_cast<TItemDialog&>(shown);
            Fill(dialog, c.Fields);
            Click(dialog.ButtonNamed(dialog.Spec().OkButton));
        });
    for (const TAddCase& c : cases) {
        form.ProjectList(c.List).Editor->Add();
        EXPECT_EQ(form.ListView(c.List).Count(), 1) << static_cast<int>(c.List);
    }
    const TListRow& registry = form.ListView(TListId::Registry).Row(0);
    EXPECT_EQ(registry.Caption, "HKEY_CURRENT_USER\\Software\\<CompanyName>\\<AppName>");
    EXPECT_EQ(registry.Texts, (std::vector<std::string>{"", "REG_SZ", "data", "Yes", "Yes"}));
}

TEST_F(MainWindowDialogs, HelpInADialogOpensTheMainWindowsTopic)
{
    StartWithDialogs();
    TShellRecorder shell;
    TModalResponder modal;
    modal.Expect([](TForm&) {
        PressKeyInLoop(Form17->Edit1().Handle(), VK_F1);
        Click(Form17->Button3());
    });
    EXPECT_FALSE(Form17->Fields().Execute());
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_EQ(shell.Requests()[0].Kind, TShellKind::WinExec);
}

TEST_F(MainWindowDialogs, LocalPrerequisiteFileIsAddedOnOkAndAnUnreadableOneChangesNothing)
{
    TRecordingForm1& form = StartWithDialogs();
    std::string file = MakeFile("setup.exe");
    TDialogResponder files;
    files.Choose({file});
    files.Choose({file});
    TModalResponder modal;
    modal.Expect([](TForm&) {  // picked, then cancelled
        Click(Form18->Button1());
        Click(Form18->Button3());
    });
    modal.Expect([](TForm&) {
        Click(Form18->Button1());
        Click(Form18->Button2());
    });
    EXPECT_FALSE(Form18->Fields().Execute());
    EXPECT_EQ(form.ListFiles().Count(), 0);
    EXPECT_TRUE(Form18->Fields().Execute());
    ASSERT_EQ(form.ListFiles().Count(), 1);
    EXPECT_EQ(form.ListFiles().Row(0).Caption, file);
    EXPECT_EQ(form.ListFiles().Row(0).Texts, (std::vector<std::string>{"<SetupTempDir>\\setup.exe", "Overwrite", "Yes"}));

    HANDLE held = ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Form18->Edit1().SetText("typed");
    files.Choose({file});
    TExpectBoxes boxes({IDOK});
    EXPECT_EQ(PickLocalPrerequisiteFile(form, Form18->Edit1()), "");
    ::CloseHandle(held);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "File access denied:\r\n" + file);
    EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Form18->Edit1().Text(), "typed");
    EXPECT_EQ(form.ListFiles().Count(), 1);
}

TEST_F(MainWindowDialogs, RowsAddedThroughTheDialogsReadBackIdenticalFromTheSavedProject)
{
    TRecordingForm1& form = StartWithDialogs();
    struct TStep {
        TListId List;
        std::vector<std::pair<std::string, std::string>> Fields;
        std::vector<std::pair<std::string, std::string>> Choices;
    };
    const TStep steps[] = {
        {TListId::Registry, {{"Edit2", "Count"}, {"Edit3", " 42 "}}, {{"ComboBox2", "REG_DWORD"}}},
        {TListId::Shortcuts, {{"Edit1", "<InstallDir>\\a.exe"}, {"Edit2", "A"}, {"Edit4", "/x"}}, {{"ComboBox2", "Hide"}}},
        {TListId::Variables, {{"Edit1", "<V>"}, {"Edit4", ""}}, {{"ComboBox2", "DWORD"}}},
        {TListId::Commands, {{"ComboBox4", "<SystemDir>\\cmd.exe"}, {"Edit2", "/c x"}}, {{"ComboBox3", "After Installation"}}},
    };
    TModalResponder modal;
    for (const TStep& step : steps)
        modal.Expect([&step](TForm& shown) {
            auto& dialog = dynamic_cast<TItemDialog&>(shown);
            Fill(dialog, step.Fields);
            for (const auto& [name, item] : step.Choices)
                ChooseItem(dialog.ComboNamed(name), dialog.ComboNamed(name).IndexOf(item));
            Click(dialog.ButtonNamed(dialog.Spec().OkButton));
        });
    std::vector<std::vector<TListRow>> added;
    for (const TStep& step : steps) {
        form.ProjectList(step.List).Editor->Add();
        added.push_back(form.ListView(step.List).Rows());
        ASSERT_EQ(added.back().size(), 1u);
    }
    std::string file = MakeFile("roundtrip.kip");
    form.SaveProject(file);
    for (const TStep& step : steps)
        form.ListView(step.List).Clear();
    ASSERT_TRUE(form.TForm1::LoadProject(file, false));
    for (size_t i = 0; i < std::size(steps); ++i) {
        const std::vector<TListRow>& back = form.ListView(steps[i].List).Rows();
        ASSERT_EQ(back.size(), 1u) << i;
        EXPECT_EQ(back[0].Caption, added[i][0].Caption) << i;
        EXPECT_EQ(back[0].Texts, added[i][0].Texts) << i;
    }
    EXPECT_EQ(added[0][0].Texts[2], "42");
}
