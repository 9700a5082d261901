// Start-up of the main window: the command line, the preferences in the
// registry, the recent list.
#include <shlobj.h>

#include "MainWindowFixture.h"
#include "winlib/testing/TestApi.h"

using winlib::TBounds;

namespace {

struct TCommandLineCase {
    const char* Name;
    std::vector<std::string> Params;  // "<file>": an existing project, "<dir>": an existing folder
    bool LoadSucceeds;
    bool ValidSucceeds;
    std::vector<std::string> ExpectLoaded;
    bool ExpectSilent;
    int ExpectExit;
    int ExpectNewProjects;
};

}  // namespace

TEST_F(MainWindowTest, CommandLineDecidesWhatLoadsAndHowTheRunEnds)
{
    std::string file = MakeFile("kin_mw_project.zpf");
    std::string dir = winlib::GetTempDir();
    std::string relative = "kin_mw_relative.zpf";
    std::string absolute = winlib::ExpandFileName(relative);
    const TCommandLineCase cases[] = {
        {"nothing", {}, false, false, {}, false, 0, 1},
        {"existing file", {"<file>"}, true, false, {"<file>"}, false, 0, 0},
        {"existing file that fails to load", {"<file>"}, false, false, {"<file>"}, false, 0, 1},
        {"missing path", {"C:\\missing.zpf"}, false, false, {}, false, 0, 1},
        {"a folder", {"<dir>"}, false, false, {}, false, 0, 1},
        {"/S alone", {"/S"}, false, false, {}, true, 1, 0},
        {"/S missing project", {"/S", "C:\\missing.zpf"}, false, false, {"C:\\missing.zpf"}, true, 1, 0},
        {"/s builds", {"/s", "<file>"}, true, true, {"<file>"}, true, 7, 0},
        {"/S invalid", {"/S", "<file>"}, true, false, {"<file>"}, true, 2, 0},
        {"/S path made absolute", {"/S", relative}, false, false, {absolute}, true, 1, 0},
        {"project then /S", {"<file>", "/S"}, true, true, {"<file>"}, true, 1, 0},
    };
    for (const TCommandLineCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto expand = [&](std::vector<std::string> v) {
            for (std::string& s : v)
                s = s == "<file>" ? file : s == "<dir>" ? dir : s;
            return v;
        };
        TRecordingForm1& form = Make(expand(c.Params));
        form.LoadResult = c.LoadSucceeds;
        form.ValidResult = c.ValidSucceeds;
        form.BuildResult = 7;
        form.FormShow();
        EXPECT_EQ(form.Loaded, expand(c.ExpectLoaded));
        EXPECT_EQ(AppState().SilentBuild, c.ExpectSilent);
        if (c.ExpectSilent) {
            EXPECT_EQ(form.SilentExitCode(), c.ExpectExit);
        }
        EXPECT_EQ(form.NewProjects, c.ExpectNewProjects);
        EXPECT_FALSE(form.Visible());
        Reset();
    }
}

TEST_F(MainWindowTest, NoParametersOpenTheMostRecentProjectWhenTheOptionIsOn)
{
    std::string file = MakeFile("kin_mw_recent.zpf");
    Recent().WriteString("1", file);
    Settings().WriteInteger("OpenRecentProject", 1);
    TRecordingForm1& form = Make();
    form.LoadResult = true;
    form.FormShow();
    EXPECT_EQ(form.Loaded, std::vector<std::string>{file});
    EXPECT_EQ(form.NewProjects, 0);
}

TEST_F(MainWindowTest, OnlyMainWidthStoredAppliesItAndCloseWritesEveryValue)
{
    Settings().WriteInteger("Main_Width", 900);
    Settings().WriteInteger("FilesCol4", 1);
    Settings().WriteInteger("RegistryCol6", 1);
    Settings().WriteInteger("VariablesCol5", 1);
    TRecordingForm1& form = Start();
    EXPECT_FALSE(AppState().FirstRun);
    EXPECT_EQ(form.NormalBounds().W, 900);
    EXPECT_EQ(form.TreeWidth(), 153);
    Close();
    winlib::TRegistry& settings = Settings(false);
    std::vector<std::string> names = {"Main_Maximized", "Main_Width", "Main_Height", "Main_Left", "Main_Top",
                                      "TreeView_Width"};
    for (const TListPlace& place : ListPlaces())
        for (int i = 0; i < place.Columns; ++i)
            names.push_back(place.WidthPrefix + std::to_string(i));
    EXPECT_EQ(names.size(), 60u);
    for (const std::string& name : names)
        EXPECT_TRUE(settings.ValueExists(name)) << name;
    DWORD width = 0;
    EXPECT_EQ(settings.ReadInteger("Main_Width", width), ERROR_SUCCESS);
    EXPECT_EQ(width, 900u);
    for (const char* obsolete : {"FilesCol4", "RegistryCol6", "VariablesCol5"})
        EXPECT_FALSE(settings.ValueExists(obsolete)) << obsolete;
}

TEST_F(MainWindowTest, NoSettingsKeyIsAFirstRunWithDesignBounds)
{
    TRecordingForm1& form = Make();
    EXPECT_TRUE(AppState().FirstRun);
    EXPECT_EQ(form.NormalBounds().W, 880);
}

TEST_F(MainWindowTest, AWronglyTypedValueEndsTheReading)
{
    Settings().WriteInteger("Main_Width", 900);
    Settings().WriteString("Main_Height", "500");
    Settings().WriteInteger("Main_Left", 33);
    TRecordingForm1& form = Make();
    TBounds b = form.NormalBounds();
    EXPECT_EQ(b.W, 900);
    EXPECT_EQ(b.H, 620);
    EXPECT_EQ(b.X, 120);
}

TEST_F(MainWindowTest, StoredColumnWidthsComeBack)
{
    winlib::TRegistry& s = Settings();
    for (const char* name : {"Main_Width", "Main_Height", "Main_Left", "Main_Top"})
        s.WriteInteger(name, 900);
    s.WriteInteger("Main_Maximized", 0);
    s.WriteInteger("TreeView_Width", 99);
    for (int i = 0; i < 6; ++i)
        s.WriteInteger("PrerequisitesCol" + std::to_string(i), 50 + i);
    s.WriteInteger("FilesCol0", 77);
    TRecordingForm1& form = Make();
    EXPECT_EQ(form.TreeWidth(), 99);
    EXPECT_EQ(form.ListView(TListId::Prereq).ColumnWidth(5), 55);
    EXPECT_EQ(form.ListView(TListId::Files).ColumnWidth(0), 77);
    EXPECT_EQ(form.ListView(TListId::Files).ColumnWidth(1), 200);  // the reading stopped at FilesCol1: design width
}

TEST_F(MainWindowTest, ClosingMaximizedKeepsTheStoredNormalBounds)
{
    winlib::TRegistry& s = Settings();
    s.WriteInteger("Main_Width", 900);
    s.WriteInteger("Main_Height", 700);
    s.WriteInteger("Main_Left", 10);
    s.WriteInteger("Main_Top", 20);
    s.WriteInteger("Main_Maximized", 1);
    TRecordingForm1& form = Start();
    EXPECT_TRUE(form.StartMaximized());
    EXPECT_TRUE(form.Maximized());
    Close();
    DWORD value = 0;
    winlib::TRegistry& after = Settings(false);
    EXPECT_EQ(after.ReadInteger("Main_Maximized", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(after.ReadInteger("Main_Width", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 900u);
}

TEST_F(MainWindowTest, ClosingMinimizedStoresTheNormalBounds)
{
    TRecordingForm1& form = Start();
    form.SetNormalBounds(TBounds{50, 60, 900, 700});
    ShowWindow(form.Handle(), SW_MINIMIZE);
    Close();
    DWORD left = 0, width = 0;
    winlib::TRegistry& after = Settings(false);
    EXPECT_EQ(after.ReadInteger("Main_Left", left), ERROR_SUCCESS);
    EXPECT_EQ(after.ReadInteger("Main_Width", width), ERROR_SUCCESS);
    EXPECT_EQ(left, 50u);
    EXPECT_EQ(width, 900u);
}

TEST_F(MainWindowTest, AWindowStoredOffTheScreenComesBackOntoTheWorkArea)
{
    winlib::TRegistry& s = Settings();
    s.WriteInteger("Main_Width", 900);
    s.WriteInteger("Main_Height", 700);
    s.WriteInteger("Main_Left", 5000);
    s.WriteInteger("Main_Top", 5000);
    TRecordingForm1& form = Make();
    RECT work;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    TBounds b = form.NormalBounds();
    EXPECT_LT(b.X, work.right);
    EXPECT_LT(b.Y, work.bottom);
    EXPECT_EQ(b.W, 900);
}

TEST_F(MainWindowTest, FirstShowMovesLegacyLinksAndReadsUpdateVersion)
{
    winlib::TRegistry& s = Settings();
    s.WriteString("LinkDN", "https://dn.example/get");
    s.WriteString("LinkSQLE", "https://sqle.example/get");
    s.WriteInteger("UpdateVersion", 1);
    s.WriteInteger("HiddenFiles", 0);
    s.WriteInteger("SelectFolderMode", 2);
    Make().FormShow();
    EXPECT_EQ(Form15->Edit(1).Text(), "https://dn.example/get");
    EXPECT_EQ(Form15->Edit(6).Text(), "https://sqle.example/get");
    EXPECT_TRUE(Form15->CheckBox3.Checked());
    EXPECT_FALSE(Form15->CheckBox2.Checked());
    EXPECT_TRUE(Form15->CheckWizard.Checked());  // absent: its initial state
    EXPECT_EQ(Form15->ComboBox1.ItemIndex(), 2);
    winlib::TRegistry& after = Settings(false);
    EXPECT_FALSE(after.ValueExists("LinkDN"));
    EXPECT_FALSE(after.ValueExists("LinkSQLE"));
}

TEST_F(MainWindowTest, RecentListSkipsMissingFilesAndIsRewrittenFromOne)
{
    std::string one = MakeFile("kin_mw_one.zpf");
    std::string three = MakeFile("kin_mw_three.zpf");
    Recent().WriteString("1", one);
    Recent().WriteString("2", "C:\\gone\\missing.zpf");
    Recent().WriteString("3", three);
    TRecordingForm1& form = Start();
    EXPECT_EQ(form.RecentList(), (std::vector<std::string>{one, three}));
    Close();
    std::string value;
    winlib::TRegistry& after = Recent();
    EXPECT_EQ(after.ReadString("1", value), ERROR_SUCCESS);
    EXPECT_EQ(value, one);
    EXPECT_EQ(after.ReadString("2", value), ERROR_SUCCESS);
    EXPECT_EQ(value, three);
    EXPECT_FALSE(after.ValueExists("3"));
}

TEST_F(MainWindowTest, ASilentBuildWritesNoWindowSettingsButTheRecentList)
{
    std::string one = MakeFile("kin_mw_silent.zpf");
    Recent().WriteString("1", one);
    TRecordingForm1& form = Make({"/S"});
    form.FormShow();
    Close();
    winlib::TRegistry settings(HKEY_CURRENT_USER, winlib::RegView::View64);
    EXPECT_NE(settings.OpenKeyReadOnly(RegistryHome().Settings()), ERROR_SUCCESS);
    std::string value;
    EXPECT_EQ(Recent().ReadString("1", value), ERROR_SUCCESS);
}

TEST_F(MainWindowTest, TheWindowKeepsItsDesignSizeSoEveryControlStaysInsideItsTab)
{
    winlib::TRegistry& s = Settings();
    s.WriteInteger("Main_Width", 640);
    s.WriteInteger("Main_Height", 480);
    TRecordingForm1& form = Start();
    EXPECT_EQ(form.NormalBounds().W, 880);
    EXPECT_EQ(form.NormalBounds().H, 620);
    ASSERT_TRUE(MoveWindow(form.Handle(), 10, 10, 640, 480, TRUE));  // as dragging its border would
    RECT r = {};
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.right - r.left, 880);
    EXPECT_EQ(r.bottom - r.top, 620);
    EXPECT_EQ(winlib::testing::ControlsOutsideTheirParents(form.Handle()), std::vector<std::string>{});
}
