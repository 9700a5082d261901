// The destination tree: one node per path component, folders first, and the
// look-up of a path in a tree view filled from it.
#include <gtest/gtest.h>

#include <functional>

#include "authoring/DestinationTree.h"
#include "winlib/Form.h"
#include "winlib/Menus.h"

namespace {

// The tree as text: "name/" for a folder image, then its children in brackets.
std::string Show(const TDestinationTree& nodes)
{
    std::string text;
    for (const winlib::TTreeNodeData& node : nodes) {
        text += node.Text + (node.Image == winlib::kImageFolder ? "/" : "");
        if (!node.Children.empty())
            text += "[" + Show(node.Children) + "]";
        text += " ";
    }
    return text;
}

struct TTreeCase {
    std::vector<std::string> Destinations;
    const char* Expected;
};
const TTreeCase kTrees[] = {
    {{}, "<InstallDir>/ "},
    // lstrcmpA is a word sort: lower case before upper case.
    {{"<InstallDir>\\Bin\\a.exe", "<InstallDir>\\bin\\b.exe"}, "<InstallDir>/[bin/[b.exe ] Bin/[a.exe ] ] "},
    {{"<InstallDir>\\data\\data\\x.dat"}, "<InstallDir>/[data/[data/[x.dat ] ] ] "},
    {{"<InstallDir>\\z.txt", "<InstallDir>\\a.txt", "<InstallDir>\\m\\f.txt"},
     "<InstallDir>/[m/[f.txt ] a.txt z.txt ] "},
    {{"<SetupTempDir>\\7za.exe", "<InstallDir>\\a.exe"}, "<InstallDir>/[a.exe ] <SetupTempDir>/[7za.exe ] "},
};

}  // namespace

TEST(DestinationTree, BuildsOneLevelPerComponentWithFoldersFirst)
{
    for (const TTreeCase& c : kTrees)
        EXPECT_EQ(Show(BuildDestinationTree(c.Destinations)), c.Expected);
}

class TTreeForm : public winlib::TForm {
public:
    winlib::TTreeView Tree;

protected:
    void OnCreate() override { Tree.Create(Handle(), 1, {0, 0, 200, 200}); }
};

TEST(DestinationTree, FindTreeNodeByPathFollowsExactComponents)
{
    TTreeForm form;
    form.Create(nullptr, "tree", {0, 0, 300, 300});
    EXPECT_EQ(FindTreeNodeByPath("<InstallDir>", form.Tree), nullptr);  // empty tree
    form.Tree.Fill(BuildDestinationTree({"<InstallDir>\\bin\\a.exe", "<InstallDir>\\b.txt"}));

    HTREEITEM a = FindTreeNodeByPath("<InstallDir>\\bin\\a.exe", form.Tree);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(form.Tree.NodeText(a), "a.exe");
    EXPECT_EQ(form.Tree.NodeImage(a), winlib::kImageFile);
    EXPECT_EQ(form.Tree.NodeText(FindTreeNodeByPath("<InstallDir>\\b.txt", form.Tree)), "b.txt");
    EXPECT_EQ(FindTreeNodeByPath("<InstallDir>\\BIN\\a.exe", form.Tree), nullptr);
    EXPECT_EQ(FindTreeNodeByPath("<InstallDir>\\bin\\a.exe\\more", form.Tree), nullptr);
    EXPECT_EQ(FindTreeNodeByPath("", form.Tree), nullptr);
    form.Destroy();
}
