// The keyboard-cue repaint, through its test hook: forced active (Wine runs
// without themes), with the idle pass run by the message loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TestForm.h"
#include "winlib/Application.h"
#include "winlib/VistaAltFix.h"
#include "winlib/WindowHook.h"

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

// The watch is kept in the program's memory: comctl32's subclass chain is looked
// up in a window property on every message (a server round trip under Wine), and
// the watched form gets every message of the wizard. Wine names that property
// "CC32SubclassInfo".
TEST_F(AltFixTest, AWatchedFormCarriesNoSubclassProperty)
{
    TTestForm form;
    IdleOnce();
    ASSERT_GE(fix_->WatchedCount(), 1u);
    EXPECT_EQ(::GetPropA(form.Handle(), "CC32SubclassInfo"), nullptr);
    CueChange(form.Handle());
    IdleOnce();
    EXPECT_EQ(repaints_.Of(form.CheckA.Handle()), 1);
}

namespace {

std::string hookTrace;

LRESULT TraceHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void* data)
{
    const char name = *static_cast<const char*>(data);
    if (message == WM_USER) {
        hookTrace += name;
        if (wParam == static_cast<WPARAM>(name))  // this hook takes itself off
            winlib::UnhookWindow(window, TraceHook);
        if (lParam == static_cast<LPARAM>(name)) {  // this hook ends its window
            ::DestroyWindow(window);
            return 0;
        }
    }
    return winlib::CallNextHook(window, message, wParam, lParam);
}

LRESULT OtherHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void* data)
{
    if (message == WM_USER)
        hookTrace += *static_cast<const char*>(data);
    return winlib::CallNextHook(window, message, wParam, lParam);
}

}  // namespace

// Last laid runs first; a hook may take itself off or end its window while a
// message runs through the chain.
TEST(WindowHook, RunsLastLaidFirstAndSurvivesItsHooksTakingThemselvesOffOrEndingTheWindow)
{
    static const char a = 'a', b = 'b';
    HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(winlib::HookWindow(window, TraceHook, const_cast<char*>(&a)));
    ASSERT_TRUE(winlib::HookWindow(window, OtherHook, const_cast<char*>(&b)));
    EXPECT_FALSE(winlib::HookWindow(window, TraceHook, const_cast<char*>(&b)));  // laid once
    const struct {
        WPARAM WParam;
        LPARAM LParam;
        const char* Trace;
    } steps[] = {{0, 0, "ba"}, {'a', 0, "ba"}, {0, 0, "b"}};
    for (const auto& step : steps) {
        hookTrace.clear();
        ::SendMessageA(window, WM_USER, step.WParam, step.LParam);
        EXPECT_EQ(hookTrace, step.Trace);
    }
    ASSERT_TRUE(winlib::HookWindow(window, TraceHook, const_cast<char*>(&a)));
    hookTrace.clear();
    ::SendMessageA(window, WM_USER, 0, 'a');
    EXPECT_EQ(hookTrace, "a");
    EXPECT_FALSE(::IsWindow(window));
}
