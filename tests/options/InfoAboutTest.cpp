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
