// The Dialogs page's languages: the list read from the program folder, its menu,
// the default language and the licence and readme file of each language.
#include <gtest/gtest.h>

#include "tests/dialogspage/DialogsPageFixture.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;
using Strings = std::vector<std::string>;

namespace {
constexpr const char* kSelect = "Please select a language.";
}

TEST_F(DialogsPageTest, LanguageListHoldsTheLanguageFilesSortedIgnoringCaseWithEnglishAloneChecked)
{
    WriteLanguageFile("afrikaans.lng");
    TForm1& f = Open(tabLanguages);
    EXPECT_EQ(Names(f.CheckListLng), (Strings{"afrikaans", "Deutsch", "English+", "French"}));
    EXPECT_EQ(f.ComboDefLng.Items(), (Strings{"English"}));
    EXPECT_EQ(f.ComboDefLng.ItemIndex(), 0);
    EXPECT_EQ(Rows(f.ListLicense), (Strings{"(Default)=", "English="}));
    EXPECT_EQ(Rows(f.ListReadme), (Strings{"(Default)=", "English="}));
}

TEST_F(DialogsPageTest, CheckingALanguageKeepsTheFilesAndDefaultThatStillApply)
{
    TForm1& f = Open(tabLanguages);
    f.ListLicense.SetCell(0, 1, "C:\\d.rtf");
    f.ListLicense.SetCell(1, 1, "C:\\en.rtf");
    f.ListReadme.SetCell(1, 1, "C:\\en.txt");
    f.ClearModified();
    ToggleItem(f.CheckListLng, IndexOf(f.CheckListLng, "French"));
    EXPECT_EQ(Rows(f.ListLicense), (Strings{"(Default)=C:\\d.rtf", "English=C:\\en.rtf", "French="}));
    EXPECT_EQ(Rows(f.ListReadme), (Strings{"(Default)=", "English=C:\\en.txt", "French="}));
    EXPECT_EQ(f.ComboDefLng.Items(), (Strings{"English", "French"}));
    EXPECT_EQ(f.ComboDefLng.Text(), "English");
    EXPECT_TRUE(f.IsModified());

    ToggleItem(f.CheckListLng, IndexOf(f.CheckListLng, "English"));  // the default goes: the first checked follows
    EXPECT_EQ(Rows(f.ListLicense), (Strings{"(Default)=C:\\d.rtf", "French="}));
    EXPECT_EQ(f.ComboDefLng.Text(), "French");
}

TEST_F(DialogsPageTest, ProjectReaderRebuildStartsTheFilesAndDefaultOver)
{
    TForm1& f = Open(tabLanguages);
    f.ListLicense.SetCell(0, 1, "C:\\d.rtf");
    f.CheckListLng.SetChecked(IndexOf(f.CheckListLng, "Deutsch"), true);  // from code: no rebuild
    EXPECT_EQ(f.ListLicense.Count(), 2);
    f.RebuildLanguageLists();
    EXPECT_EQ(Rows(f.ListLicense), (Strings{"(Default)=", "Deutsch=", "English="}));
    EXPECT_EQ(f.ComboDefLng.Text(), "Deutsch");
}

TEST_F(DialogsPageTest, MenuSelectsAllAndNoneAndRefreshKeepsChecksAndFiles)
{
    TForm1& f = Open(tabLanguages);
    f.ListLicense.SetCell(1, 1, "C:\\en.rtf");
    ClickMenuItem(f, f.LanguageMenu, TForm1::cmLngSelectAll);
    EXPECT_EQ(Names(f.CheckListLng), (Strings{"Deutsch+", "English+", "French+"}));
    EXPECT_EQ(Rows(f.ListLicense), (Strings{"(Default)=", "Deutsch=", "English=C:\\en.rtf", "French="}));

    ToggleItem(f.CheckListLng, IndexOf(f.CheckListLng, "French"));
    WriteLanguageFile("Italiano.lng");
    ASSERT_TRUE(DeleteFileA((folder_ + "Languages\\Deutsch.lng").c_str()));
    ClickMenuItem(f, f.LanguageMenu, TForm1::cmLngRefresh);
    EXPECT_EQ(Names(f.CheckListLng), (Strings{"English+", "French", "Italiano"}));
    EXPECT_EQ(Rows(f.ListLicense), (Strings{"(Default)=", "English=C:\\en.rtf"}));

    ClickMenuItem(f, f.LanguageMenu, TForm1::cmLngSelectNone);
    EXPECT_EQ(Rows(f.ListLicense), (Strings{"(Default)="}));
    EXPECT_EQ(f.ComboDefLng.Count(), 0);
}

TEST_F(DialogsPageTest, CtrlAAndCtrlNInTheLanguageListCheckAllAndNone)
{
    TForm1& f = Open(tabLanguages);
    f.CheckListLng.SetFocus();
    PressKeyInLoop(f.CheckListLng.Handle(), 'A', winlib::ssCtrl);
    EXPECT_EQ(f.ComboDefLng.Count(), 3);
    PressKeyInLoop(f.CheckListLng.Handle(), 'N', winlib::ssCtrl);
    EXPECT_EQ(f.ComboDefLng.Count(), 0);
    EXPECT_EQ(f.CheckListLng.Count(), 3);  // the main menu's New did not run
}

TEST_F(DialogsPageTest, EditOpensTheSelectedLanguageFileInNotepadQuotedAndNothingWithoutSelection)
{
    TForm1& f = Open(tabLanguages);
    TShellRecorder shell;
    ClickMenuItem(f, f.LanguageMenu, TForm1::cmLngEdit);
    EXPECT_TRUE(shell.Requests().empty());

    DoubleClickItem(f.CheckListLng, IndexOf(f.CheckListLng, "French"));
    ClickMenuItem(f, f.LanguageMenu, TForm1::cmLngOpenFolder);
    ASSERT_EQ(shell.Requests().size(), 2u);
    const winlib::TShellRequest& edit = shell.Requests()[0];
    EXPECT_EQ(edit.Verb, "open");
    EXPECT_EQ(edit.File, "notepad");
    EXPECT_EQ(edit.Parameters, "\"" + folder_ + "Languages\\French.lng\"");
    EXPECT_EQ(edit.Show, SW_SHOWNORMAL);
    EXPECT_EQ(shell.Requests()[1].File, folder_ + "Languages");
}

TEST_F(DialogsPageTest, FileButtonsAskForALanguageThenForAFileAsWarnings)
{
    TForm1& f = Open(tabLicense);
    f.CheckBox29.SetChecked(true);
    TExpectBoxes boxes({IDOK, IDOK, IDOK, IDOK});
    Click(f.BLSpecify);
    Click(f.BLEdit);
    Click(f.BLClear);
    ClickRow(f.ListLicense, 0);
    Click(f.BLEdit);
    ASSERT_EQ(boxes.Boxes().size(), 4u);
    for (const winlib::TBoxRecord& box : boxes.Boxes()) {
        EXPECT_EQ(box.Caption, "Tarvex Installer");
        EXPECT_EQ(box.Icon(), static_cast<UINT>(MB_ICONWARNING));
    }
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(boxes.Boxes()[i].Text, kSelect);
    EXPECT_EQ(boxes.Boxes()[3].Text, "Please specify a license file for the selected language.");
}

TEST_F(DialogsPageTest, SpecifyEditAndClearWorkOnTheSelectedRowsFile)
{
    TForm1& f = Open(tabReadme);
    f.CheckBox30.SetChecked(true);
    ClickRow(f.ListReadme, 1);
    {
        TExpectBoxes boxes({IDOK});
        Click(f.BREdit);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "Please specify a readme file for the selected language.");
    }
    TDialogResponder dialogs;
    dialogs.Choose({"C:\\docs\\readme.txt"});
    f.ClearModified();
    DoubleClickRow(f.ListReadme, 1);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].Filter,
              "Rich Text Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
    EXPECT_TRUE(dialogs.Requests()[0].Options & OFN_FILEMUSTEXIST);
    EXPECT_EQ(Rows(f.ListReadme), (Strings{"(Default)=", "English=C:\\docs\\readme.txt"}));
    EXPECT_TRUE(f.IsModified());

    TShellRecorder shell;
    Click(f.BREdit);
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_EQ(shell.Requests()[0].File, "C:\\docs\\readme.txt");
    Click(f.BRClear);
    EXPECT_EQ(f.ListReadme.Cell(1, 1), "");
}
