// The project information window and the About box: Copy, the folder opens and
// the two links, with program starts recorded.
#include <gtest/gtest.h>

#include "../mainwindow/MainWindowFixture.h"
#include "authoring/ProjectInfo.h"
#include "winlib/Path.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

std::string Clipboard()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<closed>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void SetClipboard(const std::string& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

class InfoAboutTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        info_.reset();
        about_.reset();
        MainWindowTest::TearDown();
    }
    TProjectInfo& Info(HWND owner)
    {
        info_ = std::make_unique<TProjectInfo>();
        info_->CreateForm(owner);
        ProjectInfo = info_.get();
        return *info_;
    }
    std::unique_ptr<TProjectInfo> info_;
    std::unique_ptr<TForm3> about_;
};

}  // namespace

TEST_F(InfoAboutTest, CopyTakesThePressedValueLabelAndNothingBefore)
{
    TRecordingForm1& form = Start();
    TProjectInfo& info = Info(form.Handle());
    TProjectInfo::CopySource = TProjectInfo::csNone;
    SetClipboard("untouched");
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        info.Copy1Click();
        EXPECT_EQ(Clipboard(), "untouched");
        SendMessageA(info.Label6.Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2));
        SendMessageA(info.Label6.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        info.Copy1Click();
        Click(info.Button3);
    });
    form.ShowInformation();
    EXPECT_EQ(Clipboard(), info.Label6.Text());
    EXPECT_EQ(info.Label4.Text(), "0 Byte");
}

TEST_F(InfoAboutTest, FolderButtonsSelectAnExistingFileOrOpenItsFolder)
{
    TRecordingForm1& form = Start();
    TProjectInfo& info = Info(form.Handle());
    std::string built = MakeFile("built-setup.exe");
    TShellRecorder shell;
    info.Edit1.SetText(built);
    info.Button1Click();
    info.Edit2.SetText(winlib::GetTempDir() + "\\never-built.exe");
    info.Button2Click();  // works while the window is hidden
    info.Edit2.SetText("C:\\no such folder\\setup.exe");
    info.Button2Click();
    ASSERT_EQ(shell.Requests().size(), 2u);
    EXPECT_EQ(shell.Requests()[0].File, "explorer.exe");
    EXPECT_EQ(shell.Requests()[0].Parameters, "/select, \"" + built + "\"");
    EXPECT_EQ(winlib::ExcludeTrailingBackslash(shell.Requests()[1].File), winlib::GetTempDir());
}

TEST_F(InfoAboutTest, AboutLinksRunTheWebSiteAndSupportCommands)
{
    TRecordingForm1& form = Start();
    about_ = std::make_unique<TForm3>();
    about_->CreateForm(form.Handle());
    Form3 = about_.get();
    TShellRecorder shell;
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        EXPECT_EQ(about_->Label1.Text(), "Tarvex Installer 5.4");
        ClickLink(about_->Label3);
        ClickLink(about_->Label4);
        Click(about_->Button1);
    });
    form.ShowAbout();
    Form3 = nullptr;
    ASSERT_EQ(shell.Requests().size(), 2u);
    EXPECT_NE(shell.Requests()[0].File.find("tarvex.example"), std::string::npos);
    EXPECT_EQ(shell.Requests()[1].File.rfind("mailto:", 0), 0u);
}

// The group of the information window is painted inside (not left black), and the
// About box is window-coloured, its labels too.
TEST_F(InfoAboutTest, InformationGroupAndAboutBoxPaintTheirBackgrounds)
{
    TRecordingForm1& form = Start();
    TProjectInfo& info = Info(form.Handle());
    about_ = std::make_unique<TForm3>();
    about_->CreateForm(form.Handle());
    Form3 = about_.get();
    std::vector<COLORREF> shown;
    TModalResponder modal;
    modal.Expect([&](winlib::TForm&) {
        shown = {ShownPixel(info.Handle(), 420, 100), ShownPixel(info.Handle(), 15, 170)};
        Click(info.Button3);
    });
    modal.Expect([&](winlib::TForm&) {
        shown.push_back(ShownPixel(about_->Handle(), 200, 80));
        shown.push_back(ShownPixel(about_->Handle(), 300, 130));  // inside Label2, below its text
        Click(about_->Button1);
    });
    form.ShowInformation();
    form.ShowAbout();
    Form3 = nullptr;
    const COLORREF face = GetSysColor(COLOR_BTNFACE), window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(shown, (std::vector<COLORREF>{face, face, window, window}));
}

TEST_F(InfoAboutTest, OptionsInformationAndAboutAreWrittenAsPictures)
{
    TRecordingForm1& form = Start();
    TProjectInfo& info = Info(form.Handle());
    about_ = std::make_unique<TForm3>();
    about_->CreateForm(form.Handle());
    Form3 = about_.get();
    CreateDirectoryA(KIN_SCREENSHOT_DIR, nullptr);
    auto shoot = [](winlib::TForm& shown, const char* name) {
        std::string path = std::string(KIN_SCREENSHOT_DIR) + "\\" + name + ".bmp";
        EXPECT_TRUE(WriteWindowPicture(shown.Handle(), path)) << path;
    };
    TModalResponder modal;
    modal.Expect([&](winlib::TForm& shown) {
        shoot(shown, "options-general");
        ClickTab(Form15->PageControl1, 1);
        shoot(shown, "options-links");
        Click(Form15->Button2);
    });
    modal.Expect([&](winlib::TForm& shown) {
        shoot(shown, "information");
        Click(info.Button3);
    });
    modal.Expect([&](winlib::TForm& shown) {
        shoot(shown, "about");
        Click(about_->Button1);
    });
    form.ShowOptions();
    form.ShowInformation();
    form.ShowAbout();
    Form3 = nullptr;
    EXPECT_EQ(modal.Shown(), 3);
}
