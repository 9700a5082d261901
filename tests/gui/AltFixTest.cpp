// The keyboard-cue repaint, through its test hook: forced active (Wine runs
// without themes), with the idle pass run by the message loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TestForm.h"
#include "winlib/Application.h"
#include "winlib/VistaAltFix.h"

namespace {

// One pass of the message loop: the queue is empty, so the idle handler runs.
void IdleOnce()
{
    winlib::ProcessMessages();
    winlib::RunIdle();
}

struct TRepaints {
    std::vector<HWND> Controls;
    int Of(HWND control) const { return static_cast<int>(std::count(Controls.begin(), Controls.end(), control)); }
};

class AltFixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fix_ = std::make_unique<winlib::TVistaAltFix>(winlib::TVistaAltFix::ForceActive);
        fix_->OnRepaint = [this](HWND control) { repaints_.Controls.push_back(control); };
    }
    void TearDown() override { fix_.reset(); }
    void CueChange(HWND form) { ::SendMessageA(form, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0); }

    std::unique_ptr<winlib::TVistaAltFix> fix_;
    TRepaints repaints_;
};

}  // namespace

TEST_F(AltFixTest, RepaintsOncePerIdlePassAndOnlyAfterACueChange)
{
    TTestForm form;
    IdleOnce();  // the form is watched from here on
    EXPECT_GE(fix_->WatchedCount(), 1u);
    IdleOnce();
    EXPECT_TRUE(repaints_.Controls.empty());
    CueChange(form.Handle());
    CueChange(form.Handle());
    IdleOnce();
    EXPECT_EQ(repaints_.Of(form.CheckA.Handle()), 1);
    EXPECT_EQ(repaints_.Of(form.List.Handle()), 1);  // every windowed control
    repaints_.Controls.clear();
    IdleOnce();
    EXPECT_TRUE(repaints_.Controls.empty());
}

TEST_F(AltFixTest, WithoutRepaintAllOnlyButtonsOnTheActiveSheetAreRepainted)
{
    fix_->RepaintAll = false;
    TTestForm form;
    form.Pages.AddPage("One");
    form.Pages.AddPage("Two");
    winlib::TCheckBox onActive, onHidden;
    onActive.Create(form.Pages.Sheet(0), 50, {8, 8, 100, 20}, "Active");
    onHidden.Create(form.Pages.Sheet(1), 51, {8, 8, 100, 20}, "Hidden");
    IdleOnce();
    CueChange(form.Handle());
    IdleOnce();
    EXPECT_EQ(repaints_.Of(onActive.Handle()), 1);
    EXPECT_EQ(repaints_.Of(onHidden.Handle()), 0);
    EXPECT_EQ(repaints_.Of(form.CheckA.Handle()), 1);
    EXPECT_EQ(repaints_.Of(form.List.Handle()), 0);
}

TEST_F(AltFixTest, GoneFormsLoseTheirWatcherAndFormsOutlivingTheFixKeepWorking)
{
    IdleOnce();
    size_t before = fix_->WatchedCount();
    {
        TTestForm dialog;
        IdleOnce();
        EXPECT_GT(fix_->WatchedCount(), before);
    }
    IdleOnce();
    EXPECT_EQ(fix_->WatchedCount(), before);

    TTestForm survivor;
    IdleOnce();
    fix_.reset();  // the fix goes first: the form gets its own handling back
    CueChange(survivor.Handle());
    survivor.CheckA.SetChecked(true);
    EXPECT_TRUE(survivor.CheckA.Checked());
    winlib::ProcessMessages();
}

TEST(AltFixInert, InertFixHooksNothing)
{
    winlib::TVistaAltFix fix(winlib::TVistaAltFix::ForceInert);
    TTestForm form;
    winlib::RunIdle();
    EXPECT_FALSE(fix.Active());
    EXPECT_EQ(fix.WatchedCount(), 0u);
}
