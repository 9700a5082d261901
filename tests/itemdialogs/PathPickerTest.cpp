// "Select File or Folder" over a destination tree: what a double click does, and
// what the picker hands back on OK and Cancel.
#include <gtest/gtest.h>

#include "authoring/PathPicker.h"
#include "winlib/Application.h"
#include "winlib/Menus.h"
#include "winlib/testing/TestApi.h"

using namespace winlib;
using namespace winlib::testing;

namespace {

std::vector<TTreeNodeData> Tree()
{
    return {{"<InstallDir>", kImageFolder, {{"bin", kImageFolder, {{"app.exe", kImageFile, {}}}}, {"r.txt", kImageFile, {}}}}};
}

// A user's double click on a node (the tree answers a posted one with NM_DBLCLK).
void DoubleClickNode(const TTreeView& tree, HTREEITEM node)
{
    ClickNode(tree, node);
    RECT r = {};
    ASSERT_TRUE(tree.NodeRect(node, r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::PostMessageA(tree.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageA(tree.Handle(), WM_LBUTTONUP, 0, at);
    ProcessMessages();
}

class PathPicker : public ::testing::Test {
protected:
    void SetUp() override { picker_.CreateForm(nullptr); }
    TForm12 picker_{Tree};
    TModalResponder modal_;
};

}  // namespace

TEST_F(PathPicker, DoubleClickClosesOnAFileOnlyWithItsPath)
{
    bool openAfterFolder = false;
    std::string folderPath;
    modal_.Expect([&](TForm& form) {
        HTREEITEM root = picker_.TreeView1.Root();
        HTREEITEM bin = picker_.TreeView1.FirstChild(root);
        EXPECT_EQ(picker_.TreeView1.Selected(), root);  // opened on the incoming path
        picker_.TreeView1.Expand(root);
        DoubleClickNode(picker_.TreeView1, bin);
        openAfterFolder = form.ModalResult() == mrNone;
        folderPath = picker_.Edit1.Text();
        picker_.TreeView1.Expand(bin);
        DoubleClickNode(picker_.TreeView1, picker_.TreeView1.FirstChild(bin));
    });
    std::string chosen;
    EXPECT_TRUE(picker_.Execute("<InstallDir>", chosen));
    EXPECT_TRUE(openAfterFolder);
    EXPECT_EQ(folderPath, "<InstallDir>\\bin");
    EXPECT_EQ(chosen, "<InstallDir>\\bin\\app.exe");
}

TEST_F(PathPicker, APathNotInTheTreeComesBackUnchangedAndCancelPicksNothing)
{
    modal_.Expect([&](TForm&) { Click(picker_.Button1); });
    modal_.Expect([&](TForm&) {
        ClickNode(picker_.TreeView1, picker_.TreeView1.Root());
        Click(picker_.Button2);
    });
    std::string chosen = "before";
    ASSERT_TRUE(picker_.Execute("<InstallDir>\\gone.txt", chosen));
    EXPECT_EQ(chosen, "<InstallDir>\\gone.txt");
    chosen = "before";
    EXPECT_FALSE(picker_.Execute("<AppData>\\x", chosen));
    EXPECT_EQ(chosen, "before");
}
