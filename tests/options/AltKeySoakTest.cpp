// Alt pressed and released in every dialog of the authoring program, twenty
// showings each, with the program's own keyboard-cue repaint forced active: no
// crash, no menu left open, and once the main window is gone the repaint keeps no
// watcher of a window that is gone and none of the program's windows is left over.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../mainwindow/MainWindowFixture.h"
#include "authoring/PathPicker.h"
#include "authoring/NewProjectWizard.h"
#include "authoring/OdbcDialog.h"
#include "authoring/BuildWindow.h"
#include "authoring/ItemDialogBinding.h"
#include "authoring/ItemDialogs.h"
#include "authoring/ProjectInfo.h"
#include "winlib/Application.h"
#include "winlib/VistaAltFix.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

constexpr int kShowings = 20;

BOOL CALLBACK CollectOwnWindow(HWND hwnd, LPARAM list)
{
    if (reinterpret_cast<HMODULE>(GetClassLongPtrA(hwnd, GCLP_HMODULE)) == GetModuleHandleA(nullptr))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

// The program's own top-level windows on this thread (of classes this module
// registered), the windows the repaint watches.
std::vector<HWND> OwnTopLevelWindows()
{
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectOwnWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Sent messages seen on this thread: keyboard-cue changes, and a menu loop gone
// idle (a menu that Alt left open, which is ended here so that the test goes on).
thread_local int cueChanges = 0;
thread_local int menusLeftOpen = 0;

LRESULT CALLBACK SpyProc(int code, WPARAM wParam, LPARAM lParam)
{
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent.message == WM_UPDATEUISTATE) {
        ++cueChanges;
    } else if (code == HC_ACTION && sent.message == WM_ENTERIDLE && sent.wParam == MSGF_MENU) {
        ++menusLeftOpen;
        EndMenu();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class TMessageSpy {
public:
    TMessageSpy() : hook_(SetWindowsHookExA(WH_CALLWNDPROC, SpyProc, nullptr, GetCurrentThreadId()))
    {
        EXPECT_NE(hook_, nullptr);
    }
    ~TMessageSpy() { UnhookWindowsHookEx(hook_); }
    TMessageSpy(const TMessageSpy&) = delete;
    TMessageSpy& operator=(const TMessageSpy&) = delete;

private:
    HHOOK hook_;
};

// Alt pressed and released twice, as the keyboard gives it: the first release puts
// the window in menu mode (its system menu), the second press leaves it. Keys go to
// the foreground window's focus, so the dialog is made foreground first. Then the
// queue is emptied and the loop's idle point runs, where the repaint works.
void PressAltTwice(HWND dialog)
{
    SetForegroundWindow(dialog);
    EXPECT_EQ(GetForegroundWindow(), dialog);
    for (int press = 0; press < 2; ++press) {
        keybd_event(VK_MENU, 0, 0, 0);
        keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
    }
    for (int pass = 0; pass < 2; ++pass) {
        winlib::ProcessMessages();
        winlib::RunIdle();
    }
}

// One of the program's dialogs made as process start makes it, published in its global.
template <class T, T*& Global>
std::unique_ptr<winlib::TForm> MakeDialog(HWND owner)
{
    auto form = std::make_unique<T>();
    form->CreateForm(owner);
    Global = form.get();
    return form;
}

struct TShowing {
    std::string Name;
    std::function<void()> Show;  // through the program's own entry point
};

class AltKeySoak : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        winlib::TVistaAltFix::SetAutoMode(winlib::TVistaAltFix::ForceActive);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();  // the main window takes its owned dialogs' windows with it
        dialogs_.clear();
        winlib::TVistaAltFix::SetAutoMode(winlib::TVistaAltFix::Auto);
    }

    // The main window with every dialog of the program, made and bound as at start.
    TRecordingForm1& StartWithDialogs()
    {
        TRecordingForm1& form = Start();
        HWND owner = form.Handle();
        for (auto make : {MakeDialog<TForm3, Form3>, MakeDialog<TForm5, Form5>, MakeDialog<TProjectInfo, ProjectInfo>,
                          MakeDialog<TForm19, Form19>, MakeForm4, MakeForm6, MakeForm8, MakeForm9, MakeForm10, MakeForm11,
                          MakeForm12, MakeForm13, MakeForm14, MakeForm17, MakeForm18, MakeForm20})
            dialogs_.push_back(make(owner));
        BindItemDialogs(form);
        return form;
    }

    // The build window (TForm5) is left out: its activation starts a build.
    std::vector<TShowing> Showings(TRecordingForm1& form)
    {
        std::vector<TShowing> showings = {
            {"Options", [&form] { form.ShowOptions(); }},
            {"About", [&form] { form.ShowAbout(); }},
            {"Information", [&form] { form.ShowInformation(); }},
            {"New-project wizard", [] { Form19->Execute(); }},
            {"Select File or Folder", [] {
                 std::string chosen;
                 Form12->Execute("", chosen);
             }},
            {"Create ODBC DSN", [] { Form20->ShowModal(); }},
        };
        for (TItemDialog* dialog : std::initializer_list<TItemDialog*>{Form4, Form6, Form8, Form9, Form10, Form11,
                                                                       Form13, Form14, Form17, Form18})
            showings.push_back({dialog->Spec().Caption, [dialog] { dialog->Fields().Execute(); }});
        return showings;
    }

    std::vector<std::unique_ptr<winlib::TForm>> dialogs_;
};

}  // namespace

TEST_F(AltKeySoak, AltInEveryDialogTwentyTimesEndsWithNoWatcherOrWindowLeftOver)
{
    ASSERT_TRUE(OwnTopLevelWindows().empty());
    TRecordingForm1& form = StartWithDialogs();
    winlib::TVistaAltFix& fix = *form.AltFix();
    ASSERT_TRUE(fix.Active());
    int repaints = 0;
    fix.OnRepaint = [&repaints](HWND) { ++repaints; };
    TMessageSpy spy;
    cueChanges = menusLeftOpen = 0;

    TModalResponder modal;
    for (const TShowing& showing : Showings(form)) {
        int shownBefore = modal.Shown();
        for (int round = 0; round < kShowings; ++round) {
            modal.Expect([](winlib::TForm& dialog) {
                PressAltTwice(dialog.Handle());
                dialog.Close();
            });
            showing.Show();
        }
        EXPECT_EQ(modal.Shown() - shownBefore, kShowings) << showing.Name;
        EXPECT_EQ(menusLeftOpen, 0) << showing.Name;
    }
    // Wine differs from Windows: Alt there sends no WM_UPDATEUISTATE (menu mode is
    // entered all the same), so only Windows gets here to check the repaint; the
    // repaint rule itself is checked with posted cue changes in the winlib tests.
    if (cueChanges > 0)
        EXPECT_GT(repaints, 0);

    std::vector<HWND> dialogWindows;
    for (const auto& dialog : dialogs_)
        dialogWindows.push_back(dialog->Handle());
    HWND options = Form15->Handle();
    Close();
    winlib::RunIdle();
    for (HWND window : dialogWindows)
        EXPECT_FALSE(IsWindow(window));
    // Only the Options window and what it owns (its tool tip) are left: the fixture
    // makes it without an owner. The watchers are those of the windows left.
    std::vector<HWND> left = OwnTopLevelWindows();
    EXPECT_NE(std::find(left.begin(), left.end(), options), left.end());
    for (HWND window : left)
        EXPECT_TRUE(window == options || GetWindow(window, GW_OWNER) == options) << window;
    EXPECT_EQ(fix.WatchedCount(), left.size());

    fix.OnRepaint = nullptr;
    ResetForms();
    dialogs_.clear();
    EXPECT_TRUE(OwnTopLevelWindows().empty());
}
