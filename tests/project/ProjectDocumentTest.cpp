// The project file and document, in process: a real main window saves, loads and
// asks as a user meets it; files on disk are checked by re-parsing them.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "winlib/Application.h"
#include "winlib/IniDocument.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/testing/TestApi.h"

using winlib::TIniDocument;
using winlib::testing::TDialogResponder;
using winlib::testing::TExpectBoxes;

namespace {

std::string ReadText(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string text(GetFileSize(h, nullptr), '\0');
    DWORD read = 0;
    ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(h);
    return text;
}

void WriteText(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end - pos));
        pos = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        base_ = "Software\\KinTests\\Project_" + name;
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
        RegistryHome().Base = base_;
        AppState() = TAppState{};
        Parameters().clear();
        dir_ = winlib::GetTempDir() + "\\kin_project_" + name + "\\";
        winlib::DeleteTree(dir_);
        winlib::ForceDirectories(dir_ + "Languages");
        winlib::ForceDirectories(dir_ + "src");
        for (const char* file : {"Languages\\English.lng", "Languages\\Deutsch.lng", "src\\app.exe"})
            WriteText(dir_ + file, "x");
        unexpectedBoxes_ = std::make_unique<TExpectBoxes>();  // a box nobody expects fails, not hangs
    }
    void TearDown() override
    {
        winlib::SetIniSaveFault(nullptr);
        DestroyForms();
        unexpectedBoxes_.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
        winlib::DeleteTree(dir_);
    }
    void DestroyForms()
    {
        form1_.reset();
        form15_.reset();
        Form1 = nullptr;
        Form15 = nullptr;
    }
    // The window as the program starts it, on a new project.
    TForm1& Start()
    {
        form15_ = std::make_unique<TForm15>();
        form15_->CreateForm(nullptr);
        Form15 = form15_.get();
        form1_ = std::make_unique<TForm1>();
        Form1 = form1_.get();
        form1_->CreateForm();
        form1_->SetMainForm(false);
        AppState().ProgramFolder = dir_;
        form15_->CheckWizard.SetChecked(false);
        form1_->ShowMain();
        return *form1_;
    }
    std::string Fixture(const std::string& name)
    {
        return Replace(ReadText(std::string(KIN_PROJECT_FIXTURES) + "\\" + name), "@SRC@", dir_ + "src");
    }
    std::string Put(const std::string& name, const std::string& text)
    {
        WriteText(dir_ + name, text);
        return dir_ + name;
    }
    std::vector<std::string> Row(TListId list, int index)
    {
        const winlib::TListRow& row = form1_->ListView(list).Row(index);
        std::vector<std::string> fields{row.Caption};
        fields.insert(fields.end(), row.Texts.begin(), row.Texts.end());
        return fields;
    }
    std::string Caption() { return form1_->Caption(); }

    std::string base_, dir_;
    std::unique_ptr<TForm15> form15_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TExpectBoxes> unexpectedBoxes_;
};

TEST_F(ProjectTest, FullProjectSurvivesLoadAndSaveInTheFilesOrder)
{
    TForm1& f = Start();
    const std::string text = Fixture("full.zpf");
    ASSERT_TRUE(f.LoadProject(Put("full.zpf", text), false));
    EXPECT_FALSE(f.IsModified());
    EXPECT_EQ(f.EAppName.Text(), "\"Quoted App\"");
    EXPECT_EQ(f.ECompanyName.Text(), " Lead Blank Co");
    EXPECT_EQ(f.DataFolderSize, 5000000000ULL);
    f.SaveProject(dir_ + "saved.zpf");
    const std::vector<std::string> expected = Lines(text), saved = Lines(ReadText(dir_ + "saved.zpf"));
    for (size_t i = 0; i < expected.size() && i < saved.size(); ++i)
        EXPECT_EQ(saved[i].substr(0, 200), expected[i].substr(0, 200)) << "line " << i + 1;
    EXPECT_EQ(saved.size(), expected.size());
}

TEST_F(ProjectTest, NewProjectCaptionAndItsEmptyListsOnDisk)
{
    TForm1& f = Start();
    EXPECT_EQ(Caption(), "Tarvex Installer 5.4 - New Product");
    EXPECT_EQ(AppState().ProjectFileName, "New Product");
    f.SaveProject(dir_ + "new.zpf");
    TIniDocument doc(ReadText(dir_ + "new.zpf"));
    for (const auto& [key, value] : {std::pair{"Admin", "1"}, {"InstallLevel", "1"}, {"ExistMode", "1"},
                                     {"FilesCount", "-1"}, {"AdditionalFiles", "0"}, {"Version", "5.4"}})
        EXPECT_EQ(doc.ReadString("Setup", key, "<none>"), value) << key;
    EXPECT_EQ(doc.ReadSection("Languages"), std::vector<std::string>{"English"});
    EXPECT_EQ(doc.ReadSection("License"), (std::vector<std::string>{"(Default)", "English"}));
    EXPECT_EQ(doc.ReadSection("Readme"), (std::vector<std::string>{"(Default)", "English"}));
    for (const char* absent : {"Files", "Prerequisites", "Shortcuts", "Registry", "INI", "Commands", "Variables",
                               "Extensions", "Environments", "Others"})
        EXPECT_FALSE(doc.SectionExists(absent)) << absent;
    EXPECT_EQ(Caption(), "Tarvex Installer 5.4 - new.zpf");

    f.ShowSettingsPage(pgDialogs);
    f.Page(pgDialogs).SetActivePage(tabLanguages);
    winlib::ProcessMessages();
    for (int i = 0; i < f.CheckListLng.Count(); ++i)
        if (f.CheckListLng.Checked(i))
            winlib::testing::ToggleItem(f.CheckListLng, i);
    f.SaveProject(dir_ + "none.zpf");
    TIniDocument none(ReadText(dir_ + "none.zpf"));
    EXPECT_FALSE(none.SectionExists("Languages"));
    EXPECT_EQ(none.ReadSection("License"), std::vector<std::string>{"(Default)"});
}

TEST_F(ProjectTest, FileRowsFollowTheCountsAndListsTheirKeyCount)
{
    TForm1& f = Start();
    const std::string text =
        "[Setup]\r\nVersion=5.4\r\nGUID=\r\nFilesCount=2\r\n[Files]\r\n0=a?b?c?d\r\n1=short?x\r\n2=e?f?g?h?99\r\n3=late?f?g?h\r\n"
        "[Environments]\r\n0=A*?1*?Append*?Yes\r\n1=B*?2*?Append*?Yes\r\n5=C*?3*?Append*?Yes\r\n";
    ASSERT_TRUE(f.LoadProject(Put("counts.zpf", text), false));
    ASSERT_EQ(f.ListFiles().Count(), 2);
    EXPECT_EQ(Row(TListId::Files, 1), (std::vector<std::string>{"e", "f", "g", "h"}));
    ASSERT_EQ(f.ListView(TListId::Env).Count(), 2);
    EXPECT_EQ(Row(TListId::Env, 1)[0], "B");
    EXPECT_EQ(f.EGUID.Text(), "");  // an empty GUID loads as it is
    EXPECT_EQ(ReadText(dir_ + "counts.zpf"), text);
}

TEST_F(ProjectTest, OldFileLoadsMigratedAndCurrentVersionIsNotInverted)
{
    TForm1& f = Start();
    ASSERT_TRUE(f.LoadProject(Put("old.zpf", Fixture("old.zpf")), false));
    EXPECT_EQ(Row(TListId::Registry, 0),
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Old", "Path", "REG_SZ", "C:\\old", "Yes", "No"}));
    ASSERT_EQ(f.ListView(TListId::Commands).Count(), 1);
    EXPECT_EQ(Row(TListId::Commands, 0).back(), "All");
    EXPECT_EQ(Row(TListId::Variables, 0),
              (std::vector<std::string>{"V1", "HKEY_LOCAL_MACHINE\\Software\\Old", "Dir", "REG_SZ", ""}));
    EXPECT_EQ(Row(TListId::Variables, 1),
              (std::vector<std::string>{"V2", "HKEY_CURRENT_USER\\Software\\Old", "N", "REG_SZ", "D"}));
    EXPECT_EQ(Row(TListId::Others, 0)[0], "DLL/ActiveX");
    EXPECT_EQ(Row(TListId::Prereq, 0)[3], "Registry Key doesn't exist");

    ASSERT_TRUE(f.LoadProject(Put("current.zpf", Replace(Fixture("old.zpf"), "Version=4.0", "Version=5.4")), false));
    EXPECT_EQ(Row(TListId::Prereq, 0)[3], "Registry Key exists");
}

TEST_F(ProjectTest, OldVersionWarningAndSqlExpressFromTextThenLegacyIndex)
{
    TForm1& f = Start();
    {
        TExpectBoxes boxes({IDOK});
        ASSERT_TRUE(f.LoadProject(Put("v3.zpf", "[Setup]\r\nGUID=\r\nVersion=10.0\r\nSQLEVersion=8\r\n"), false));
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "\"v3.zpf\" was created with an old version (10.0) of Tarvex Installer.\r\n"
                                         "Some settings may be lost. Please recheck your project.");
        EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONWARNING));
    }
    EXPECT_EQ(f.ComboSQLE.Text(), "2012");
    const std::string both = "[Setup]\r\nGUID=\r\nVersion=5.4\r\nSQLExpressVersion=2008 r2\r\nSQLEVersion=6\r\n";
    ASSERT_TRUE(f.LoadProject(Put("both.zpf", both), false));
    EXPECT_EQ(f.ComboSQLE.Text(), "2008 R2");
    f.ComboSQLE.SetItemIndex(8);  // "2008 SP3"
    f.SaveProject(dir_ + "sqle.zpf");
    TIniDocument doc(ReadText(dir_ + "sqle.zpf"));
    EXPECT_EQ(doc.ReadString("Setup", "SQLExpressVersion", ""), "2008 SP3");
    EXPECT_EQ(doc.ReadString("Setup", "SQLEVersion", ""), "6");
}

TEST_F(ProjectTest, DataFolderSizeKeeps3GiBAndUndoesTheOldWrap)
{
    TForm1& f = Start();
    ASSERT_TRUE(f.LoadProject(Put("wrap.zpf", "[Setup]\r\nGUID=\r\nVersion=5.4\r\nFolderSize=-1073741824\r\n"), false));
    EXPECT_EQ(f.DataFolderSize, 3221225472ULL);
    f.SaveProject(dir_ + "big.zpf");
    EXPECT_EQ(TIniDocument(ReadText(dir_ + "big.zpf")).ReadString("Setup", "FolderSize", ""), "3221225472");
}

TEST_F(ProjectTest, FailingSaveChangesNothing)
{
    TForm1& f = Start();
    const std::string path = Put("keep.zpf", "old content\r\n");
    AppState().ProjectFileName = path;
    f.EAppName.SetModified(true);
    const std::string caption = Caption();
    const std::vector<std::string> recent = f.RecentList();
    winlib::SetIniSaveFault([](const std::string& step) -> DWORD { return step == "write" ? ERROR_DISK_FULL : 0; });
    {
        TExpectBoxes boxes({IDOK});
        EXPECT_FALSE(f.SaveDocument());
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text.rfind("Unable to write to " + path, 0), 0u) << boxes.Boxes()[0].Text;
    }
    EXPECT_EQ(ReadText(path), "old content\r\n");
    EXPECT_EQ(Caption(), caption);
    EXPECT_EQ(f.RecentList(), recent);
    EXPECT_TRUE(f.IsModified());

    // A separator inside a field is refused before anything is written.
    winlib::SetIniSaveFault(nullptr);
    f.ListView(TListId::Env).Add({"A*?B", {"v", "Append", "Yes"}});
    try {
        f.SaveProject(path);
        ADD_FAILURE() << "saved a field holding the separator";
    } catch (const winlib::EIniError& error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + path + "\r\n\r\n[Environments] 0").c_str());
    }
    EXPECT_EQ(ReadText(path), "old content\r\n");
}

TEST_F(ProjectTest, SaveQuestionYesNoCancelAndOpenAsksOnce)
{
    TForm1& f = Start();
    f.EAppName.SetModified(true);
    {
        TExpectBoxes boxes({IDYES});
        TDialogResponder dialogs;
        dialogs.Cancel();  // Save As on the untitled project
        EXPECT_FALSE(f.QuerySaveChanges());
        EXPECT_EQ(boxes.Boxes().at(0).Text, "The current project has been changed. Do you want to save the changes?");
        EXPECT_EQ(dialogs.Requests().at(0).FileName, "New Product");
        EXPECT_EQ(dialogs.Requests().at(0).Filter, "Tarvex Installer Project (*.zpf)|*.zpf");
        EXPECT_TRUE(f.IsModified());
        EXPECT_EQ(AppState().ProjectFileName, "New Product");
    }
    {
        TExpectBoxes boxes({IDCANCEL});
        EXPECT_FALSE(f.QuerySaveChanges());
    }
    {
        TExpectBoxes boxes({IDNO});
        EXPECT_TRUE(f.QuerySaveChanges());
    }
    const std::string other = Put("other.zpf", "[Setup]\r\nGUID=\r\nVersion=5.4\r\nAppName=Other\r\n");
    {
        TExpectBoxes boxes({IDNO});  // one question only
        TDialogResponder dialogs;
        dialogs.Choose({other});
        f.ToolButton2Click();
        EXPECT_EQ(dialogs.Requests().at(0).Filter, "Tarvex Installer Projects (*.zpf)|*.zpf|All Files (*.*)|*.*");
    }
    EXPECT_EQ(f.EAppName.Text(), "Other");
    EXPECT_EQ(Caption(), "Tarvex Installer 5.4 - other.zpf");
    f.EAppName.SetModified(true);
    {
        TExpectBoxes boxes({IDYES});  // Yes saves to the open file and goes on
        EXPECT_TRUE(f.QuerySaveChanges());
    }
    EXPECT_FALSE(f.IsModified());
    EXPECT_EQ(TIniDocument(ReadText(other)).ReadString("Setup", "AppName", ""), "Other");
}

TEST_F(ProjectTest, RecentProjectsKeepNineIgnoreCaseEscapeAmpersandsAndReachTheRegistry)
{
    TForm1& f = Start();
    for (int i = 0; i < 10; ++i)
        f.AddRecentProject("C:\\p\\project" + std::to_string(i) + ".zpf");
    f.AddRecentProject("C:\\P\\PROJECT5.ZPF");
    const std::string amp = Put("R&D.zpf", "[Setup]\r\nGUID=\r\nVersion=5.4\r\nAppName=RD\r\n");
    f.AddRecentProject(amp);
    ASSERT_EQ(f.RecentList().size(), 9u);
    EXPECT_EQ(f.RecentList()[0], amp);
    EXPECT_EQ(f.RecentList()[1], "C:\\P\\PROJECT5.ZPF");
    EXPECT_EQ(f.RecentList()[8], "C:\\p\\project2.zpf");
    EXPECT_EQ(f.MainMenu().ItemCaption(cmRecentFirst), "1 " + Replace(amp, "&", "&&"));

    winlib::testing::ClickMenuItem(f, f.MainMenu(), cmRecentFirst);
    EXPECT_EQ(f.EAppName.Text(), "RD");
    {
        TExpectBoxes boxes({IDOK});
        winlib::testing::ClickMenuItem(f, f.MainMenu(), cmRecentFirst + 1);  // a file that is gone
        EXPECT_EQ(boxes.Boxes().at(0).Text, "File not found:\r\nC:\\P\\PROJECT5.ZPF");
    }
    EXPECT_EQ(f.RecentList().size(), 9u);

    f.Destroy();
    winlib::TRegistry recent(HKEY_CURRENT_USER, winlib::RegView::View64);
    ASSERT_EQ(recent.OpenKeyReadOnly(RegistryHome().Recent()), ERROR_SUCCESS);
    std::vector<std::string> names;
    recent.GetValueNames(names);
    EXPECT_EQ(names.size(), 9u);
    std::string first;
    recent.ReadString("1", first);
    EXPECT_EQ(first, amp);
}

TEST_F(ProjectTest, GuidlessFileGainsOneGuidLineUnderSilentBuildAndBinaryFilesStayUntouched)
{
    TForm1& f = Start();
    AppState().SilentBuild = true;
    const std::string text = "; made by hand\r\n[Setup]\r\nVersion=5.4\r\nAppName=NoGuid\r\n\r\n[Files]\r\n";
    ASSERT_TRUE(f.LoadProject(Put("noguid.zpf", text), true));
    const std::string guid = f.EGUID.Text();
    EXPECT_EQ(guid.size(), 38u);
    EXPECT_EQ(ReadText(dir_ + "noguid.zpf"),
              "; made by hand\r\n[Setup]\r\nVersion=5.4\r\nAppName=NoGuid\r\nGUID=" + guid + "\r\n\r\n[Files]\r\n");
    EXPECT_FALSE(f.IsModified());

    Put("copy.zpf", text);
    ASSERT_TRUE(f.LoadProject(dir_ + "copy.zpf", true));
    EXPECT_NE(f.EGUID.Text(), guid);

    const std::string binary("MZ\x90\0\x03\0\0\0\x04\0\xff\xff", 12);
    ASSERT_TRUE(f.LoadProject(Put("tool.exe", binary), true));
    EXPECT_EQ(ReadText(dir_ + "tool.exe"), binary);
}

TEST_F(ProjectTest, GuidAnnouncedWhenNotSilentAndUnreadableFileChangesNothing)
{
    TForm1& f = Start();
    {
        TExpectBoxes boxes({IDOK});
        ASSERT_TRUE(f.LoadProject(Put("a.zpf", "[Setup]\r\nVersion=5.4\r\nAppName=A\r\n"), false));
        EXPECT_NE(boxes.Boxes().at(0).Text.find("The following ProductGUID has been created for your product:\r\n\r\n" +
                                                f.EGUID.Text()),
                  std::string::npos);
    }
    const std::string locked = Put("locked.zpf", "[Setup]\r\nAppName=Locked\r\n");
    HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    {
        TExpectBoxes boxes({IDOK});
        EXPECT_FALSE(f.LoadProject(locked, false));
        EXPECT_EQ(boxes.Boxes().at(0).Text, "File access denied:\r\n" + locked);
    }
    CloseHandle(h);
    EXPECT_EQ(f.EAppName.Text(), "A");
    EXPECT_EQ(Caption(), "Tarvex Installer 5.4 - a.zpf");
}

TEST_F(ProjectTest, FiveThousandRegistryRowsAndA40000CharacterValueSurviveSaveAndOpen)
{
    TForm1& f = Start();
    std::vector<winlib::TListRow> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back({"HKEY_CURRENT_USER\\Software\\K" + std::to_string(i), {"V", "REG_SZ", "d", "Yes", "No"}});
    rows[4321].Texts[2] = " " + std::string(40000, 'w') + "'";
    f.ListView(TListId::Registry).SetRows(rows);
    const std::string path = dir_ + "big.zpf";
    {
        TDialogResponder dialogs;
        dialogs.Choose({path});
        EXPECT_TRUE(f.SaveDocument());
    }
    f.ListView(TListId::Registry).Clear();
    f.ClearModified();
    {
        TDialogResponder dialogs;
        dialogs.Choose({path});
        f.ToolButton2Click();
    }
    ASSERT_EQ(f.ListView(TListId::Registry).Count(), 5000);
    EXPECT_EQ(f.ListView(TListId::Registry).Rows()[4321].Texts[2], rows[4321].Texts[2]);
    EXPECT_EQ(f.ListView(TListId::Registry).Rows()[4999].Caption, rows[4999].Caption);
}

TEST_F(ProjectTest, ProjectMacrosExpandInAnyCaseInOrderAndTrim)
{
    TForm1& f = Start();
    f.EAppName.SetText("App <AppVersion>");
    f.EAppVersion.SetText("2.0");
    f.ECompanyName.SetText("Co <AppName>");
    EXPECT_EQ(f.ExpandProjectMacros("  <appname>\\<COMPANYNAME>\\<AppVersion>\t"), "App 2.0\\Co <AppName>\\2.0");
    EXPECT_EQ(f.ExpandProjectMacros(" <InstallDir>\\x "), "<InstallDir>\\x");
}

}  // namespace
