// Pages, help topics, web links, the update check and the small shared routines.
#include <shlobj.h>

#include "MainWindowFixture.h"
#include "winlib/Shell.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

TEST_F(MainWindowTest, EachTreeNodeShowsOnlyItsPage)
{
    TRecordingForm1& form = Start();
    winlib::TTreeView& tree = form.TreeView1();
    const int expected[6] = {1, 1, 2, 3, 4, 5};  // "Project" shows the General page
    for (int node = 5; node >= 0; --node) {
        SCOPED_TRACE(node);
        ClickNode(tree, tree.NodeAt(node));
        EXPECT_EQ(form.VisiblePage(), expected[node]);
        int shown = 0;
        for (int page = 1; page <= 5; ++page)
            shown += form.Page(page).Visible() ? 1 : 0;
        EXPECT_EQ(shown, 1);
    }
}

TEST_F(MainWindowTest, ShowSettingsPageSelectsItsNodeOnce)
{
    TRecordingForm1& form = Start();
    form.ShowSettingsPage(3);
    EXPECT_EQ(form.VisiblePage(), 3);
    EXPECT_EQ(form.TreeView1().AbsoluteIndex(form.TreeView1().Selected()), 3);
    ClickMenuItem(form, form.MainMenu(), cmViewRegister);
    EXPECT_EQ(form.VisiblePage(), 5);
    form.ShowSettingsPage(0);  // no page: all hidden, the root selected
    EXPECT_EQ(form.VisiblePage(), 0);
}

TEST_F(MainWindowTest, TabsFollowTheHelpTopicOrder)
{
    TRecordingForm1& form = Make();
    const std::vector<std::vector<const char*>> tabs = {
        {"Information", "Graphics", "Requirements", "Software Prerequisites"},
        {"Parameters", "Files and Folders", "Additional Files", "Uninstallation", "Update"},
        {"Main", "Languages", "License Agreement", "Readme", "User Information", "Finish"},
        {"Shortcuts", "Registry", "INI Files", "Variables", "Commands"},
        {"File Associations", "Environment Variables", "Others"},
    };
    for (int page = 1; page <= 5; ++page) {
        ASSERT_EQ(form.Page(page).PageCount(), static_cast<int>(tabs[page - 1].size()));
        for (size_t tab = 0; tab < tabs[page - 1].size(); ++tab) {
            TCITEMA item = {};
            char text[64] = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(form.Page(page).Handle(), TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(text, tabs[page - 1][tab]);
        }
    }
}

TEST_F(MainWindowTest, HelpRunsTheViewerOnTheTopicOfTheShownTab)
{
    TRecordingForm1& form = Start();
    // Quoted: the program folder may hold blanks ("C:\Program Files\...").
    auto help = [](const std::string& topic) {
        return "hh \"" + AppState().ProgramFolder + "KInstaller.chm::/" + topic + "\"";
    };
    TShellRecorder shell;
    form.TreeView1().Select(nullptr);
    ClickToolButton(form.ToolBar1(), tbHelp);
    ClickNode(form.TreeView1(), form.TreeView1().NodeAt(2));
    ClickTab(form.Page(2), 2);
    ClickToolButton(form.ToolBar1(), tbHelp);
    ClickNode(form.TreeView1(), form.TreeView1().NodeAt(0));
    ClickMenuItem(form, form.MainMenu(), cmHelpTopics);
    ClickMenuItem(form, form.MainMenu(), cmInstallerVariables);
    const auto& r = shell.Requests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].Kind, winlib::TShellKind::WinExec);
    EXPECT_EQ(r[0].File, help("Introduction/index.html"));
    EXPECT_EQ(r[1].File, help("Settings/Installation/3.html"));
    EXPECT_EQ(r[1].Show, SW_SHOWNORMAL);
    EXPECT_EQ(r[2].File, help("Settings/General/1.html"));
    EXPECT_EQ(r[3].File, help("Description/2.html"));
    EXPECT_EQ(r[3].Show, SW_SHOWMAXIMIZED);
}

TEST_F(MainWindowTest, LinksAndTheUpdaterAreOpenedByFullAddress)
{
    TRecordingForm1& form = Start();
    TShellRecorder shell;
    ClickToolButton(form.ToolBar1(), tbWebSite);
    ClickMenuItem(form, form.MainMenu(), cmFaq);
    ClickMenuItem(form, form.MainMenu(), cmSupport);
    ClickMenuItem(form, form.MainMenu(), cmCheckUpdates);
    const auto& r = shell.Requests();
    ASSERT_EQ(r.size(), 4u);
    std::string home = IsRegionalLocale() ? kVendorRegionalSite : kVendorSite;
    EXPECT_EQ(r[0].Verb, "open");
    EXPECT_EQ(r[0].File, home + "?vid=5.4");
    EXPECT_EQ(r[1].File, std::string(kVendorSite) + "help/faq.php?vid=5.4");
    EXPECT_EQ(r[2].File, std::string("mailto:") + kVendorSupport + "?subject=Tarvex_Installer_5.4");
    EXPECT_EQ(r[3].File, AppState().ProgramFolder + "Updater.exe");
    EXPECT_EQ(r[3].Parameters, "/A");
    EXPECT_EQ(r[3].Folder, winlib::ExcludeTrailingBackslash(AppState().ProgramFolder));
    EXPECT_EQ(r[3].Show, SW_SHOWNORMAL);
}

TEST_F(MainWindowTest, CheckForUpdatesAtStartRunsTheUpdaterSilently)
{
    Settings().WriteInteger("CheckUpdates", 1);
    TShellRecorder shell;
    Make().FormShow();
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_EQ(shell.Requests()[0].Parameters, "/S");
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsShortcutsAndTheDisabledDownloader)
{
    TRecordingForm1& form = Make();
    EXPECT_EQ(form.MainMenu().ItemCaption(cmNew), "New\tCtrl+N");
    EXPECT_EQ(form.MainMenu().ItemCaption(cmBuild), "Build\tF8");
    EXPECT_EQ(form.MainMenu().ItemCaption(cmExit), "Exit\tAlt+F4");
    EXPECT_FALSE(form.MainMenu().ItemEnabled(cmAddDownloader));
    EXPECT_TRUE(form.MainMenu().ItemEnabled(cmOpenProgramFiles));
    EXPECT_EQ(form.ToolBar1().Hint(tbRecent), "Open Project");
}

TEST_F(MainWindowTest, CaptionModifiedStateAndMacros)
{
    TRecordingForm1& form = Start();
    EXPECT_EQ(form.Caption(), "Tarvex Installer 5.4 - New Product");
    winlib::TEdit& name = form.EAppName;
    winlib::TEdit& version = form.EAppVersion;
    name.SetText("My <appversion> App");
    version.SetText("2.0");
    form.ECompanyName.SetText("<AppName> Ltd");
    EXPECT_FALSE(form.IsModified());
    EXPECT_EQ(form.ExpandProjectMacros("  C:\\<APPNAME>\\<AppName> <CompanyName>\t"),
              "C:\\My 2.0 App\\My 2.0 App <AppName> Ltd");
    Type(name, "x");
    EXPECT_TRUE(form.IsModified());
    form.ClearModified();
    EXPECT_FALSE(form.IsModified());
    form.Action1Execute();
    EXPECT_TRUE(form.IsModified());
}

TEST(MainWindowRoutines, RegionalLanguageIds)
{
    const std::pair<LANGID, bool> cases[] = {{0x0419, true}, {0x0422, true}, {0x0423, true}, {0x043F, true},
                                             {0x0440, true}, {0x0819, true}, {0x0409, false}, {0x0C19, false},
                                             {0x0407, false}, {0x0000, false}};
    for (const auto& [id, regional] : cases)
        EXPECT_EQ(IsRegionalLanguageId(id), regional) << std::hex << id;
}

TEST(MainWindowRoutines, SpecialFoldersEndWithABackslashOrAreEmpty)
{
    std::string temp = GetSpecialFolder(0);
    EXPECT_EQ(temp, winlib::GetTempDir() + "\\");
    std::string documents = GetSpecialFolder(CSIDL_PERSONAL);
    ASSERT_FALSE(documents.empty());
    EXPECT_EQ(documents.back(), '\\');
    EXPECT_TRUE(winlib::DirectoryExists(documents));
    EXPECT_EQ(GetSpecialFolder(0x7777), "");
}

TEST(MainWindowRoutines, ProductVersionComesFromTheVersionResource)
{
    EXPECT_EQ(GetFileProductVersion(ProgramPath()), "5.4.1.7 test");  // this test's own resource
    std::string plain = winlib::GetTempDir() + "\\kin_mw_plain.txt";
    HANDLE h = CreateFileA(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(GetFileProductVersion(plain), "");
    DeleteFileA(plain.c_str());
    EXPECT_EQ(GetFileProductVersion("C:\\missing\\x.exe"), "");
}

TEST(MainWindowRoutines, FindSwitchComparesWholeParametersIgnoringCase)
{
    Parameters() = {"C:\\a.zpf", "/sfa", "/S", "/Sx"};
    EXPECT_EQ(FindSwitch("/SFA"), 2);
    EXPECT_EQ(FindSwitch("/S"), 3);
    EXPECT_EQ(FindSwitch("/X"), 0);
    EXPECT_EQ(ParamStr(4), "/Sx");
    EXPECT_EQ(ParamStr(5), "");
    Parameters().clear();
}
