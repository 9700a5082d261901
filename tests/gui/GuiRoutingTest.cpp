// The routing points: boxes, handler exceptions, modal forms, file and folder
// dialogs, drops and program starts.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <stdexcept>

#include "TestForm.h"
#include "winlib/Application.h"
#include "winlib/Shell.h"
#include "winlib/testing/TestApi.h"

using namespace winlib;
using namespace winlib::testing;

TEST(GuiRouting, BoxTraceHoldsCaptionTextIconButtonsAndDefault)
{
    TExpectBoxes boxes({IDNO});
    int answer = ShowMessageBox(nullptr, "Add all?", "Tarvex Installer", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(answer, IDNO);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const TBoxRecord& box = boxes.Boxes()[0];
    EXPECT_EQ(box.Caption, "Tarvex Installer");
    EXPECT_EQ(box.Text, "Add all?");
    EXPECT_EQ(box.Icon(), static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(box.Buttons(), static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(box.DefaultButton(), 1);
}

TEST(GuiRouting, AnUnexpectedBoxIsClosedAndFailsTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            TExpectBoxes boxes;
            EXPECT_EQ(ShowMessageBox(nullptr, "Surprise", "X", MB_YESNO), IDNO);
        },
        "Unexpected box");
}

TEST(GuiRouting, TheMessageSinkTakesEveryBox)
{
    std::string seen;
    SetMessageSink([&](const std::string& text, const std::string&, UINT) {
        seen = text;
        return IDOK;
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "to stderr", "X", MB_OK), IDOK);
    SetMessageSink(nullptr);
    EXPECT_EQ(seen, "to stderr");
}

TEST(GuiRouting, AThrowingHandlerGivesOneErrorBoxAndTheFormGoesOn)
{
    TTestForm form;
    form.Show();
    form.CheckA.OnClick = [] { throw std::runtime_error("Cannot open C:\\x.zpf"); };
    TExpectBoxes boxes({IDOK});
    Toggle(form.CheckA);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "Cannot open C:\\x.zpf");
    EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(form.CheckA.Checked());
}

TEST(GuiRouting, ActivationRunsOncePerShowModalEvenWhenABoxClosesInside)
{
    TTestForm owner;
    owner.Show();
    TTestForm dialog;
    SetWindowLongPtrA(dialog.Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner.Handle()));
    TModalResponder modal;
    TExpectBoxes boxes({IDOK});
    modal.Expect([&](TForm&) {
        EXPECT_FALSE(IsWindowEnabled(owner.Handle()));
        ShowMessageBox(dialog.Handle(), "inside", "X", MB_OK);
        ProcessMessages();
        Click(dialog.Ok);
    });
    modal.Expect([&](TForm&) { PressKey(dialog.Edit.Handle(), VK_ESCAPE); Click(dialog.Cancel); });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(dialog.Activations, 1);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(dialog.Activations, 2);
}

TEST(GuiRouting, EnterPressesTheDefaultButtonAndEscapeCancelsThroughTheLoop)
{
    TTestForm dialog;
    TModalResponder modal;
    modal.Expect([&](TForm&) { PressKeyInLoop(dialog.Edit.Handle(), VK_RETURN); });
    modal.Expect([&](TForm&) { PressKeyInLoop(dialog.Edit.Handle(), VK_ESCAPE); });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST(GuiRouting, AnUnexpectedModalFormClosesWithCancelAndFailsTheTest)
{
    TTestForm dialog;
    int result = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            TModalResponder modal;
            result = dialog.ShowModal();
        },
        "Unexpected modal form");
    EXPECT_EQ(result, mrCancel);
}

TEST(GuiRouting, DialogResponderSeesTheRequestAndGivesPathsOrCancel)
{
    TDialogResponder dialogs;
    dialogs.Choose({"C:\\a\\x.exe", "C:\\a\\y.exe"});
    dialogs.Cancel();
    dialogs.Choose({"C:\\src"});
    TOpenDialog open;
    open.Filter = "Programs|*.exe|All files|*.*";
    open.Options |= OFN_ALLOWMULTISELECT;
    open.DefaultExt = "exe";
    ASSERT_TRUE(open.Execute(nullptr));
    EXPECT_EQ(open.Files, (std::vector<std::string>{"C:\\a\\x.exe", "C:\\a\\y.exe"}));
    TSaveDialog save;
    EXPECT_FALSE(save.Execute(nullptr));
    std::string folder = "C:\\start";
    ASSERT_TRUE(BrowseForFolder(nullptr, "Choose the source folder", folder));
    EXPECT_EQ(folder, "C:\\src");
    ASSERT_EQ(dialogs.Requests().size(), 3u);
    EXPECT_EQ(dialogs.Requests()[0].Filter, "Programs|*.exe|All files|*.*");
    EXPECT_EQ(dialogs.Requests()[0].DefaultExt, "exe");
    EXPECT_EQ(dialogs.Requests()[1].Kind, TDialogRequest::Save);
    EXPECT_EQ(dialogs.Requests()[2].Title, "Choose the source folder");
    EXPECT_EQ(dialogs.Requests()[2].InitialDir, "C:\\start");
}

TEST(GuiRouting, FilterAndBothMultiSelectResultFormsConvert)
{
    EXPECT_EQ(FilterToNulList("A|*.a|B|*.b"), std::string("A\0*.a\0B\0*.b\0\0", 13));
    const char explorer[] = "C:\\dir\0one.txt\0two.txt\0";
    EXPECT_EQ(ParseFileNames(explorer, true), (std::vector<std::string>{"C:\\dir\\one.txt", "C:\\dir\\two.txt"}));
    const char single[] = "C:\\dir\\one.txt\0";
    EXPECT_EQ(ParseFileNames(single, true), std::vector<std::string>{"C:\\dir\\one.txt"});
    EXPECT_EQ(ParseFileNames("C:\\ one.txt two.txt", false),
              (std::vector<std::string>{"C:\\one.txt", "C:\\two.txt"}));
    EXPECT_EQ(ParseFileNames("C:\\dir\\one.txt", false), std::vector<std::string>{"C:\\dir\\one.txt"});
}

TEST(GuiRouting, RealOpenSaveAndFolderDialogsOpenAndCancel)
{
    TCancelDialogs cancel;
    TOpenDialog open;
    open.Filter = "All files|*.*";
    open.Options |= OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
    EXPECT_FALSE(open.Execute(nullptr));
    TSaveDialog save;
    save.Options |= OFN_OVERWRITEPROMPT;
    save.DefaultExt = "zpf";
    EXPECT_FALSE(save.Execute(nullptr));
    std::string folder;
    EXPECT_FALSE(BrowseForFolder(nullptr, "Folder", folder));
    EXPECT_EQ(cancel.Count(), 3);
}

TEST(GuiRouting, ADropOfFilesAFolderAndALongPathArrivesWhole)
{
    TTestForm form;
    form.Show();
    std::vector<std::string> got;
    int calls = 0;
    form.List.AcceptFiles([&](const std::vector<std::string>& paths) {
        got = paths;
        ++calls;
    });
    std::string longPath = "C:\\" + std::string(240, 'd') + "\\file12345.txt";
    longPath.resize(255, 'x');
    std::vector<std::string> dropped = {"C:\\a\\one.txt", "C:\\b\\two.dll", "C:\\folder", longPath};
    DropFiles(form.List.Handle(), dropped);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(got, dropped);
}

TEST(GuiRouting, ProgramStartsAndShellOpensAreRecorded)
{
    TShellRecorder shell;
    EXPECT_TRUE(ShellOpen(nullptr, "open", "https://www.tarvex.example/", "", "", SW_SHOWNORMAL));
    EXPECT_GT(RunProgram("hh \"C:\\KInstaller.chm::/index.html\""), 31u);
    EXPECT_EQ(ShellStart(nullptr, "runas", "C:\\u.exe", "/A", "C:\\"), nullptr);
    ASSERT_EQ(shell.Requests().size(), 3u);
    EXPECT_EQ(shell.Requests()[0].File, "https://www.tarvex.example/");
    EXPECT_EQ(shell.Requests()[1].Kind, TShellKind::WinExec);
    EXPECT_EQ(shell.Requests()[2].Verb, "runas");
    EXPECT_EQ(shell.Requests()[2].Parameters, "/A");
}
