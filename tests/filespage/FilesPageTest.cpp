// The files page driven as an author would: source folder, main executable,
// Additional Files list with its dialog, drops, keys and pop-up commands.
#include <algorithm>

#include "FilesPageFixture.h"

using namespace winlib::testing;
using S = std::vector<std::string>;

namespace {

// The Finish tab's launch option belongs to the Dialogs page; where that page is not
// built yet the test makes the two controls so that their values can be read.
void EnsureLaunchControls(TForm1& form)
{
    HWND sheet = form.Sheet(pgDialogs, tabFinish);
    if (form.CheckLaunchProgram.Handle() == nullptr)
        form.CheckLaunchProgram.Create(sheet, 990, {}, "Launch Application");
    if (form.ELaunchProgram.Handle() == nullptr)
        form.ELaunchProgram.Create(sheet, 991, {});
}

std::vector<std::string> Shortcuts(TForm1& form)
{
    std::vector<std::string> rows;
    winlib::TListView& list = form.ListView(TListId::Shortcuts);
    for (int i = 0; i < list.Count(); ++i)
        rows.push_back(list.Cell(i, 0) + "|" + list.Cell(i, 1) + "|" + list.Cell(i, 2) + "|" + list.Cell(i, 5));
    return rows;
}

}  // namespace

TEST_F(FilesPageTest, SourceFolderBrowseScansTheTreeWithSizesAndMapsItUnderInstallDir)
{
    Put("App\\bin\\x.exe", 10);
    Put("App\\readme.txt", 5);
    TRecordingForm1& form = Open(tabFilesAndFolders);
    TDialogResponder dialogs;
    dialogs.Choose({root_ + "\\App\\"});
    Click(form.Button25);

    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].Title, "Select the folder that contains the application files:");
    EXPECT_EQ(form.ESourceFolder.Text(), root_ + "\\App");
    EXPECT_TRUE(form.IsModified());
    std::vector<std::string> destinations = form.ListDFiles;
    std::sort(destinations.begin(), destinations.end());
    EXPECT_EQ(destinations, (S{"<InstallDir>\\bin\\x.exe", "<InstallDir>\\readme.txt"}));
    EXPECT_EQ(AppState().FolderSize, 15u);
    EXPECT_EQ(form.ComboExecutable.Items(), (S{"", "<InstallDir>\\bin\\x.exe"}));
}

TEST_F(FilesPageTest, HiddenFolderCountsOnlyWhileTheHiddenFilesOptionIsOffAndAMissingFolderIsEmpty)
{
    Put("App\\a.txt", 3);
    Put("App\\secret\\b.txt", 100);
    ASSERT_TRUE(SetFileAttributesA(Dir("App\\secret").c_str(), FILE_ATTRIBUTE_HIDDEN));
    TRecordingForm1& form = Open(tabFilesAndFolders);
    form.ESourceFolder.SetText(root_ + "\\App");

    ASSERT_TRUE(Form15->CheckBox2.Checked());  // the option's initial state
    form.ScanSourceFolder();
    EXPECT_EQ(form.ListDFiles, (S{"<InstallDir>\\a.txt"}));
    EXPECT_EQ(AppState().FolderSize, 3u);

    Form15->CheckBox2.SetChecked(false);
    form.ScanSourceFolder();
    EXPECT_EQ(form.ListDFiles.size(), 2u);
    EXPECT_EQ(AppState().FolderSize, 103u);
    SetFileAttributesA(Dir("App\\secret").c_str(), FILE_ATTRIBUTE_NORMAL);

    form.ESourceFolder.SetText(root_ + "\\Missing");
    TExpectBoxes none;
    form.ScanSourceFolder();
    EXPECT_TRUE(form.ListSFiles.empty() && form.ListDFiles.empty());
    EXPECT_EQ(AppState().FolderSize, 0u);
}

TEST_F(FilesPageTest, MainExecutableChoicesKeepOnePairOfShortcutsAndTheLaunchOption)
{
    Put("App\\a.exe");
    Put("App\\sub\\b.exe");
    TRecordingForm1& form = Open(tabFilesAndFolders);
    EnsureLaunchControls(form);
    form.CheckAdmin.SetChecked(false);  // the desktop shortcut goes to the user's desktop
    TDialogResponder dialogs;
    dialogs.Choose({root_ + "\\App"});
    Click(form.Button25);
    ASSERT_EQ(form.ComboExecutable.Count(), 3);
    int b = form.ComboExecutable.IndexOf("<InstallDir>\\sub\\b.exe");

    ChooseItem(form.ComboExecutable, 3 - b);  // a.exe
    ChooseItem(form.ComboExecutable, b);
    EXPECT_EQ(Shortcuts(form), (S{"<ProgramGroup>|<AppName>|<InstallDir>\\sub\\b.exe|<InstallDir>\\sub",
                            "<Desktop>|<AppName>|<InstallDir>\\sub\\b.exe|<InstallDir>\\sub"}));
    EXPECT_TRUE(form.CheckLaunchProgram.Checked());
    EXPECT_EQ(form.ELaunchProgram.Text(), "<InstallDir>\\sub\\b.exe");

    // Cancelling the browser changes nothing.
    dialogs.Cancel();
    Click(form.Button25);
    EXPECT_EQ(form.ESourceFolder.Text(), root_ + "\\App");
    EXPECT_EQ(form.ComboExecutable.Item(form.ComboExecutable.ItemIndex()), "<InstallDir>\\sub\\b.exe");
    EXPECT_EQ(Shortcuts(form).size(), 2u);

    ChooseItem(form.ComboExecutable, 0);
    EXPECT_TRUE(Shortcuts(form).empty());
    EXPECT_FALSE(form.CheckLaunchProgram.Checked());
    EXPECT_EQ(form.ELaunchProgram.Text(), "");
}

TEST_F(FilesPageTest, AddFolderAndAddFilesAskTheDialogWithADisabledFileNameAndSkipHiddenFiles)
{
    std::string a = Put("Lib\\a.dll");
    Put("Lib\\sub\\b.dll");
    std::string hidden = Put("Loose\\h.txt");
    std::string visible = Put("Loose\\v.txt");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    TRecordingForm1& form = Open(tabAdditionalFiles);
    TDialogResponder dialogs;

    dialogs.Choose({root_ + "\\Lib\\"});
    dialog_.Answer = [](TFakeItemDialog& d) {
        d.Texts[FileField::Destination] = "<InstallDir>\\lib";
        d.Checks[FileField::DoNotRemove] = true;
        return true;
    };
    Click(form.BAddFolder);
    EXPECT_EQ(dialogs.Requests().back().Title, "Select Folder:");
    std::vector<std::string> rows = InstallTo(form.ListFiles());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (S{"<InstallDir>\\lib\\a.dll", "<InstallDir>\\lib\\sub\\b.dll"}));
    EXPECT_EQ(form.ListFiles().Cell(0, 3), "No");

    dialogs.Choose({hidden, visible});
    dialog_.Answer = [](TFakeItemDialog&) { return true; };
    Click(form.BAddFiles);
    ASSERT_EQ(form.ListFiles().Count(), 3);
    EXPECT_EQ(form.ListFiles().Row(2).Caption, visible);
    EXPECT_EQ(form.ListFiles().Row(2).Texts, (S{"<InstallDir>\\v.txt", "Overwrite", "Yes"}));

    for (const TFakeItemDialog::TShown& shown : dialog_.Shown) {
        EXPECT_EQ(shown.FileName, "");
        EXPECT_FALSE(shown.FileNameEnabled);
    }
    EXPECT_EQ(dialog_.Shown[0].Caption, "Add Folder");
    EXPECT_EQ(dialog_.Shown[1].Caption, "Add Files");

    // Cancel in the dialog adds nothing and leaves nothing staged.
    dialogs.Choose({a});
    dialog_.Answer = [](TFakeItemDialog&) { return false; };
    Click(form.BAddFiles);
    EXPECT_EQ(form.ListFiles().Count(), 3);
    EXPECT_TRUE(form.ListBox1.empty());
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesPageTest, DroppedFolderKeepsItsNameAndEachItemKeepsItsOwnBase)
{
    Put("Src\\Pics\\p1.png");
    Put("Src\\Pics\\deep\\p2.png");
    std::string other = Put("Other\\doc.txt");
    TRecordingForm1& form = Open(tabAdditionalFiles);

    DropFiles(form.ListFiles().Handle(), {root_ + "\\Src\\Pics", other, root_ + "\\Gone.txt"});
    ASSERT_EQ(dialog_.Shown.size(), 1u);
    EXPECT_EQ(dialog_.Shown[0].Caption, "Add Files");
    std::vector<std::string> rows = InstallTo(form.ListFiles());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (S{"<InstallDir>\\Pics\\deep\\p2.png", "<InstallDir>\\Pics\\p1.png",
                                  "<InstallDir>\\doc.txt"}));
    EXPECT_TRUE(form.ListBox1.empty());
    EXPECT_TRUE(AppState().DropBaseFolder.empty());
}

TEST_F(FilesPageTest, EditOfRowsInTwoFoldersChangingOnlyIfExistsKeepsBothFolders)
{
    TRecordingForm1& form = Open(tabAdditionalFiles);
    winlib::TListView& list = form.ListFiles();
    list.Add({"C:\\s\\a.txt", {"<InstallDir>\\one\\a.txt", "Overwrite", "yes"}});
    list.Add({"C:\\s\\b.txt", {"<InstallDir>\\two\\b.txt", "Overwrite", "No"}});
    list.SelectAll();
    dialog_.Answer = [](TFakeItemDialog& d) {
        EXPECT_EQ(d.Texts[FileField::Destination], "<InstallDir>\\one");
        EXPECT_FALSE(d.Checks[FileField::DoNotRemove]);  // "yes" counts as Yes
        d.Texts[FileField::IfExists] = "Skip";
        return true;
    };
    PressKeyInLoop(list.Handle(), VK_RETURN);
    ASSERT_EQ(dialog_.Shown.size(), 1u);
    EXPECT_EQ(dialog_.Shown[0].Caption, "Edit Selected Item(s)");
    EXPECT_FALSE(dialog_.Shown[0].FileNameEnabled);
    EXPECT_EQ(InstallTo(list), (S{"<InstallDir>\\one\\a.txt", "<InstallDir>\\two\\b.txt"}));
    EXPECT_EQ(list.Cell(1, 2), "Skip");
    EXPECT_EQ(list.Cell(1, 3), "Yes");

    // One row: the file name is offered and a new one renames the destination.
    list.ClearSelection();
    ClickRow(list, 1);
    dialog_.Answer = [](TFakeItemDialog& d) {
        d.Texts[FileField::FileName] = " c.txt ";
        return true;
    };
    DoubleClickRow(list, 1);
    EXPECT_EQ(dialog_.Shown[1].FileName, "b.txt");
    EXPECT_TRUE(dialog_.Shown[1].FileNameEnabled);
    EXPECT_EQ(list.Cell(1, 1), "<InstallDir>\\two\\c.txt");
}

TEST_F(FilesPageTest, RemoveMoveSortAndSelectAllOnTheList)
{
    TRecordingForm1& form = Open(tabAdditionalFiles);
    winlib::TListView& list = form.ListFiles();
    for (const char* name : {"b", "c", "a"})
        list.Add({std::string("C:\\") + name, {std::string("<InstallDir>\\") + name, "Overwrite", "Yes"}});

    ClickRow(list, 0);
    ClickArrow(form.UpDown3, true);  // the first row up: nothing
    EXPECT_EQ(list.Cell(0, 0), "C:\\b");
    ClickArrow(form.UpDown3, false);
    EXPECT_EQ(list.Cell(1, 0), "C:\\b");
    EXPECT_TRUE(list.Selected(1));
    ClickRow(list, 2);
    ClickArrow(form.UpDown3, false);  // the last row down: nothing
    EXPECT_EQ(list.Cell(2, 0), "C:\\a");

    ClickHeader(list, 2);
    EXPECT_EQ(list.Cell(0, 0), "C:\\a");
    ClickHeader(list, 0);
    list.Add({"C:\\0", {"<InstallDir>\\0", "Overwrite", "Yes"}});
    EXPECT_EQ(list.Cell(3, 0), "C:\\0");  // unsorted again: appended at the end

    {
        TExpectBoxes answers({IDNO, IDYES});
        PressKey(list.Handle(), 'A', winlib::ssCtrl);
        EXPECT_EQ(list.SelCount(), 4);
        PressKey(list.Handle(), VK_DELETE);
        EXPECT_EQ(list.Count(), 4);
        PressKey(list.Handle(), VK_DELETE);
        ASSERT_EQ(answers.Boxes().size(), 2u);
        EXPECT_EQ(answers.Boxes()[0].Text, "Do you really want to delete the selected items?");
        EXPECT_EQ(answers.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONQUESTION));
    }
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(FilesPageTest, FileLocationSelectsAnExistingFileInExplorerAndWarnsOfAMissingOne)
{
    std::string file = Put("Here\\f.txt");
    TRecordingForm1& form = Open(tabAdditionalFiles);
    form.ListFiles().Add({file, {"<InstallDir>\\f.txt", "Overwrite", "Yes"}});
    form.ListFiles().Add({root_ + "\\gone.txt", {"<InstallDir>\\gone.txt", "Overwrite", "Yes"}});
    TShellRecorder shell;
    ClickRow(form.ListFiles(), 0);
    ClickMenuItem(form, form.FilesPopup, 1304);
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_EQ(shell.Requests()[0].Verb, "open");
    EXPECT_EQ(shell.Requests()[0].File, "explorer.exe");
    EXPECT_EQ(shell.Requests()[0].Parameters, "/select, \"" + file + "\"");

    TExpectBoxes answers({IDOK});
    ClickRow(form.ListFiles(), 1);
    ClickMenuItem(form, form.FilesPopup, 1304);
    ASSERT_EQ(answers.Boxes().size(), 1u);
    EXPECT_EQ(answers.Boxes()[0].Text, "File not found.");
    EXPECT_EQ(answers.Boxes()[0].Caption, "Tarvex Installer");
    EXPECT_EQ(answers.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONWARNING));
}

TEST_F(FilesPageTest, CreateShortcutOffersTheNameWithoutItsLastExtension)
{
    TRecordingForm1& form = Open(tabAdditionalFiles);
    TFakeItemDialog shortcutDialog;
    shortcutDialog.ResetOnShow = false;
    form.ProjectList(TListId::Shortcuts).Editor->BindDialog(&shortcutDialog);
    winlib::TListView& list = form.ListFiles();
    list.Add({"C:\\r.txt", {"<InstallDir>\\doc\\report.old.txt", "Overwrite", "Yes"}});
    list.Add({"C:\\README", {"<InstallDir>\\README", "Overwrite", "Yes"}});

    for (int row : {0, 1}) {
        form.ShowSettingsPage(pgInstallation);
        list.ClearSelection();
        ClickRow(list, row);
        ClickMenuItem(form, form.FilesPopup, 1305);
    }
    EXPECT_EQ(form.VisiblePage(), pgSystem);
    EXPECT_EQ(shortcutDialog.Caption, "Add Shortcut");
    EXPECT_EQ(Shortcuts(form), (S{"<ProgramGroup>|report.old|<InstallDir>\\doc\\report.old.txt|<InstallDir>\\doc",
                                             "<ProgramGroup>|README|<InstallDir>\\README|<InstallDir>"}));
}

TEST_F(FilesPageTest, AddAllDllActiveXTakesSourceFilesAndAdditionalRowsWithTheAnsweredFlag)
{
    Put("Src\\Bin\\x.dll");
    Put("Src\\X.OCX");
    Put("Src\\x.dll.bak");
    TRecordingForm1& form = Open(tabFilesAndFolders);
    form.ESourceFolder.SetText(root_ + "\\Src");
    form.ScanSourceFolder();
    form.ListFiles().Add({"C:\\y.ocx", {"<InstallDir>\\lib\\y.ocx", "Overwrite", "Yes"}});
    form.ListFiles().Add({"C:\\7za.exe", {"<SetupTempDir>\\7za.exe", "Overwrite", "Yes"}});
    form.RebuildDestinationTree();
    EXPECT_EQ(form.ComboExecutable.Count(), 1);  // a file of the setup's temp folder is no main executable
    form.ShowSettingsPage(pgRegister);
    ClickTab(form.Page(pgRegister), tabOthers);

    TExpectBoxes answers({IDYES});
    Click(form.Button22);
    ASSERT_EQ(answers.Boxes().size(), 1u);
    EXPECT_EQ(answers.Boxes()[0].DefaultButton(), 1);  // No
    winlib::TListView& others = form.ListView(TListId::Others);
    std::vector<std::string> rows;
    for (int i = 0; i < others.Count(); ++i)
        rows.push_back(others.Cell(i, 0) + "|" + others.Cell(i, 1) + "|" + others.Cell(i, 2));
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (S{"DLL/ActiveX|<InstallDir>\\Bin\\x.dll|Yes", "DLL/ActiveX|<InstallDir>\\X.OCX|Yes",
                                  "DLL/ActiveX|<InstallDir>\\lib\\y.ocx|Yes"}));
}

TEST_F(FilesPageTest, PageStartsOnOverwriteAndTheDestinationButtonOpensThePlaceholderHelp)
{
    TRecordingForm1& form = Open(tabFilesAndFolders);
    EXPECT_EQ(form.ComboBasic.Item(form.ComboBasic.ItemIndex()), "Overwrite");
    EXPECT_EQ(form.ComboInstallPath.Text(), "<ProgramFiles>\\<AppName>");
    TShellRecorder shell;
    Click(form.Button30);
    ASSERT_EQ(shell.Requests().size(), 1u);
    EXPECT_NE(shell.Requests()[0].File.find("KInstaller.chm::/Description/2.html"), std::string::npos);
}

// Names the ANSI code page cannot hold (one with no mapping at all, one only
// "best fit" would map) are left out with one warning, whether the folder is
// scanned as the source folder or dropped on the list.
TEST_F(FilesPageTest, NamesTheCodePageCannotHoldAreLeftOutWithOneWarning)
{
    std::string ok = Put("Intl\\ok.txt");
    const std::wstring intl = std::wstring(root_.begin(), root_.end()) + L"\\Intl\\";
    struct TWideFiles {  // the ANSI tree deletion cannot name them
        std::vector<std::wstring> Paths;
        ~TWideFiles()
        {
            for (const std::wstring& path : Paths)
                DeleteFileW(path.c_str());
        }
    } wide{{intl + L"\x65E5\x672C.txt", intl + L"\x0101.txt"}};
    for (const std::wstring& path : wide.Paths) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    TRecordingForm1& form = Open(tabAdditionalFiles);
    auto expectWarning = [&](const TExpectBoxes& boxes) {
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Caption, "Tarvex Installer");
        EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(boxes.Boxes()[0].Text.rfind("2 file(s) left out", 0), 0u) << boxes.Boxes()[0].Text;
        EXPECT_NE(boxes.Boxes()[0].Text.find(root_ + "\\Intl\\"), std::string::npos);
    };
    {
        TExpectBoxes boxes({IDOK});
        form.ESourceFolder.SetText(root_ + "\\Intl");
        form.ScanSourceFolder();
        expectWarning(boxes);
        EXPECT_EQ(form.ListSFiles, (S{ok}));
    }
    {
        TExpectBoxes boxes({IDOK});
        DropFiles(form.ListFiles().Handle(), {root_ + "\\Intl"});
        expectWarning(boxes);
        EXPECT_EQ(InstallTo(form.ListFiles()), (S{"<InstallDir>\\Intl\\ok.txt"}));
    }
}
