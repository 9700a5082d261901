// The event rules of the control wrappers, driven through the test API.
#include <gtest/gtest.h>

#include <memory>
#include <gtest/gtest-spi.h>

#include "TestForm.h"
#include "winlib/Application.h"
#include "winlib/testing/TestApi.h"

using namespace winlib;
using namespace winlib::testing;

namespace {

class GuiLayer : public ::testing::Test {
protected:
    void SetUp() override { form.Show(); }
    TTestForm form;
};

}  // namespace

TEST_F(GuiLayer, CheckBoxSetFromCodeRunsOnClickExactlyWhenChangedAndChainsInOrder)
{
    std::vector<std::string> log;
    form.CheckA.OnClick = [&] {
        log.push_back("A");
        form.CheckB.SetChecked(form.CheckA.Checked());
        log.push_back("A end");
    };
    form.CheckB.OnClick = [&] { log.push_back("B"); };
    form.CheckA.SetChecked(false);  // unchanged
    EXPECT_TRUE(log.empty());
    form.CheckA.SetChecked(true);
    EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "A end"}));
    log.clear();
    form.CheckA.SetChecked(true);
    EXPECT_TRUE(log.empty());
    Toggle(form.CheckA);  // a user click
    EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "A end"}));
    EXPECT_FALSE(form.CheckA.Checked());
    EXPECT_FALSE(form.CheckB.Checked());
}

// A window whose wrapper is gone leads nowhere: a click on it reaches no handler
// of a freed wrapper, and a second wrapper's window is still its own.
TEST_F(GuiLayer, AWindowOutlivingItsWrapperIsBoundToNothing)
{
    auto gone = std::make_unique<winlib::TCheckBox>();
    gone->Create(form.Handle(), 20, winlib::TBounds{8, 400, 120, 20}, "Gone");
    const HWND window = gone->Handle();
    ASSERT_EQ(winlib::ControlOf(window), gone.get());
    gone.reset();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(winlib::ControlOf(window), nullptr);
    SendMessageA(window, BM_CLICK, 0, 0);  // the form reflects the click to whatever is bound
    EXPECT_EQ(winlib::ControlOf(form.CheckA.Handle()), &form.CheckA);
    DestroyWindow(window);
}

TEST_F(GuiLayer, EditSetFromCodeFiresNothingAndKeepsTheMarkWhileTypingMarksAndFiresOnce)
{
    int changes = 0;
    form.Edit.OnChange = [&] { ++changes; };
    form.Edit.SetText("code");
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(form.Edit.Modified());
    Type(form.Edit, "typed");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(form.Edit.Modified());
    form.Edit.SetText("code again");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(form.Edit.Modified()) << "a typed change must not be forgotten";
    EXPECT_EQ(form.Edit.Text(), "code again");
}

TEST_F(GuiLayer, ComboFiresOnChangeOncePerUserChoiceOrTypedChangeAndNeverForCode)
{
    int changes = 0;
    form.Combo.OnChange = form.EditCombo.OnChange = [&] { ++changes; };
    form.Combo.SetItems({"One", "Two"});
    form.EditCombo.SetItems({"One", "Two"});
    form.Combo.SetItemIndex(1);
    form.EditCombo.SetText("free");
    form.EditCombo.SelectComboItem("one");
    EXPECT_EQ(changes, 0);
    ChooseItem(form.Combo, 0);
    EXPECT_EQ(changes, 1);
    TypeInCombo(form.EditCombo, "x");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(form.EditCombo.Text(), "x");
}

TEST_F(GuiLayer, SelectComboItemTakesTheFirstItemEqualIgnoringCaseAndElseLeavesTheSelection)
{
    struct TCase {
        std::vector<std::string> Items;
        int Before;
        std::string Text;
        int After;
    } cases[] = {
        {{"Overwrite", "Skip"}, 0, "SKIP", 1},
        {{"a", "B", "b"}, 0, "b", 1},
        {{"a", "b"}, 1, "c", 1},
        {{"a", "b"}, 0, "", 0},
        {{}, -1, "a", -1},
    };
    for (const TCase& c : cases) {
        form.Combo.SetItems(c.Items);
        form.Combo.SetItemIndex(c.Before);
        form.Combo.SelectComboItem(c.Text);
        EXPECT_EQ(form.Combo.ItemIndex(), c.After) << "\"" << c.Text << "\"";
    }
}

TEST_F(GuiLayer, CheckListRunsOnClickForUserTogglesOnly)
{
    std::vector<int> clicks;
    form.Checks.OnClick = [&](int i) { clicks.push_back(i); };
    form.Checks.Add("x", "1", true);
    form.Checks.Add("y", "2", false);
    form.Checks.SetChecked(0, false);
    EXPECT_TRUE(clicks.empty());
    ToggleItem(form.Checks, 1);
    EXPECT_EQ(clicks, std::vector<int>{1});
    EXPECT_TRUE(form.Checks.Checked(1));
    EXPECT_EQ(form.Checks.Cell(1, 1), "2");
}

TEST_F(GuiLayer, ListViewFiresOnChangeForEveryRowAndSelectionChange)
{
    int changes = 0;
    form.List.OnChange = [&] { ++changes; };
    form.List.Add({"b", {"2"}});
    form.List.Add({"a", {"1"}});
    form.List.SetCell(0, 1, "two");
    form.List.Swap(0, 1);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(form.List.Cell(1, 1), "two");
    form.List.Select(1);
    EXPECT_EQ(changes, 5);
    ClickRow(form.List, 0);
    EXPECT_GE(changes, 6);
    EXPECT_EQ(form.List.SelectedIndexes(), std::vector<int>{0});
    int before = changes;
    form.List.Delete(1);
    EXPECT_EQ(changes, before + 1);
    EXPECT_EQ(form.List.SelectedIndexes(), std::vector<int>{0});
}

TEST_F(GuiLayer, FirstSelectedIsTheTopmostSelectedRowAndSelectionFollowsMovedRows)
{
    for (const char* c : {"r0", "r1", "r2", "r3"})
        form.List.Add({c, {}});
    form.List.Select(3);
    form.List.Select(1);
    EXPECT_EQ(form.List.FirstSelected(), 1);
    form.List.Swap(1, 2);
    EXPECT_EQ(form.List.SelectedIndexes(), (std::vector<int>{2, 3}));
    form.List.Insert(0, {"new", {}});
    EXPECT_EQ(form.List.SelectedIndexes(), (std::vector<int>{3, 4}));
    EXPECT_EQ(form.List.Cell(3, 0), "r1");
}

TEST_F(GuiLayer, CtrlAPressedInAListSelectsEveryRowAndCountsAsAChange)
{
    for (const char* c : {"a", "b", "c"})
        form.List.Add({c, {}});
    int changes = 0;
    std::vector<UINT> keys;
    form.List.OnChange = [&] { ++changes; };
    form.List.OnKeyDown = [&](UINT key, unsigned shift) {
        if (shift == ssCtrl)
            keys.push_back(key);
    };
    PressKey(form.List.Handle(), 'A', ssCtrl);
    EXPECT_EQ(form.List.SelCount(), 3);
    EXPECT_GE(changes, 1);
    EXPECT_EQ(keys, std::vector<UINT>{'A'});
}

TEST_F(GuiLayer, ListViewSortedInsertsByCaptionAndReportsDoubleClickAndHeaderClick)
{
    form.List.SetSorted(true);
    for (const char* c : {"b", "c", "a"})
        form.List.Add({c, {}});
    EXPECT_EQ(form.List.Cell(0, 0) + form.List.Cell(1, 0) + form.List.Cell(2, 0), "abc");
    int doubles = 0, column = -1;
    form.List.OnDblClick = [&] { ++doubles; };
    form.List.OnColumnClick = [&](int c) { column = c; };
    DoubleClickRow(form.List, 1);
    ClickHeader(form.List, 1);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(column, 1);
}

TEST_F(GuiLayer, TreeSelectFromCodeFiresOnceAndFillFiresNothing)
{
    int changes = 0;
    form.Tree.OnChange = [&] { ++changes; };
    form.Tree.Fill({{"root", kImageFolder, {{"a", kImageFile, {}}, {"b", kImageFolder, {{"c", kImageFile, {}}}}}}});
    EXPECT_EQ(changes, 0);
    HTREEITEM c = form.Tree.NodeAt(3);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(form.Tree.NodeText(c), "c");
    EXPECT_EQ(form.Tree.AbsoluteIndex(c), 3);
    EXPECT_EQ(form.Tree.IndexAmongSiblings(form.Tree.NodeAt(2)), 1);
    form.Tree.Select(c);
    EXPECT_EQ(changes, 1);
    form.Tree.Select(c);
    EXPECT_EQ(changes, 1);
    ClickNode(form.Tree, form.Tree.NodeAt(1));
    EXPECT_EQ(form.Tree.Selected(), form.Tree.NodeAt(1));
    EXPECT_EQ(changes, 2);
    form.Tree.CollapseAll();
    EXPECT_EQ(TreeView_GetItemState(form.Tree.Handle(), form.Tree.Root(), TVIS_EXPANDED) & TVIS_EXPANDED, 0u);
}

TEST_F(GuiLayer, PageControlFiresOnChangeOnAUserTabSwitchOnlyAndShowsThatSheet)
{
    int changes = 0;
    form.Pages.OnChange = [&] { ++changes; };
    form.Pages.AddPage("One");
    form.Pages.AddPage("Two");
    form.Pages.AddPage("Three");
    form.Pages.SetActivePage(1);
    EXPECT_EQ(changes, 0);
    form.Pages.SetPageVisible(1, false);
    EXPECT_EQ(form.Pages.ActivePage(), 0) << "the hidden page's tab went away";
    ClickTab(form.Pages, 2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form.Pages.ActivePage(), 2);
    EXPECT_TRUE(IsWindowVisible(form.Pages.Sheet(2)));
    EXPECT_FALSE(IsWindowVisible(form.Pages.Sheet(0)));
}

TEST_F(GuiLayer, UpDownWithoutBuddyReportsUpAndDown)
{
    std::vector<bool> clicks;
    form.Arrows.OnClick = [&](bool up) { clicks.push_back(up); };
    ClickArrow(form.Arrows, true);
    ClickArrow(form.Arrows, false);
    EXPECT_EQ(clicks, (std::vector<bool>{true, false}));
}

TEST_F(GuiLayer, ActionsAUserCannotTakeFailTheTestAndChangeNothing)
{
    form.CheckA.Enable(false);
    EXPECT_NONFATAL_FAILURE(Toggle(form.CheckA), "cannot reach");
    EXPECT_FALSE(form.CheckA.Checked());
    form.Edit.SetReadOnly(true);
    EXPECT_NONFATAL_FAILURE(Type(form.Edit, "x"), "read-only");
    EXPECT_EQ(form.Edit.Text(), "");
    form.Menu.EnableItem(101, false);
    EXPECT_NONFATAL_FAILURE(ClickMenuItem(form, form.Menu, 101), "disabled menu item");
    EXPECT_TRUE(form.Log.empty());
}

TEST_F(GuiLayer, F8AndCtrlNReachTheirMenuItemsThroughTheLoop)
{
    form.Edit.SetFocus();
    PressKeyInLoop(form.Edit.Handle(), VK_F8);
    PressKeyInLoop(form.Edit.Handle(), 'N', ssCtrl);
    PressKeyInLoop(form.Edit.Handle(), 'N');  // no Ctrl: just a letter
    EXPECT_EQ(form.Log, (std::vector<std::string>{"build", "new"}));
}
