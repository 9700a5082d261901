#include "authoring/PathPicker.h"

#include "authoring/DestinationTree.h"
#include "winlib/Menus.h"

namespace {

constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kEditHeight = 22;

}  // namespace

void TForm12::CreateForm(HWND owner)
{
    int w = 360, h = 420;
    int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    Create(owner, "Select File or Folder", {x, y, w, h}, true);
    TreeView1.Create(Handle(), 100, {});
    TreeView1.SetImages(winlib::SharedImageList());
    TreeView1.OnChange = [this] { TreeView1Change(); };
    label_.Create(Handle(), 101, {}, "Path:");
    Edit1.Create(Handle(), 102, {}, true);
    Button1.Create(Handle(), IDOK, {}, "OK", true);
    Button1.ModalResult = winlib::mrOk;
    Button2.Create(Handle(), IDCANCEL, {}, "Cancel");
    Button2.ModalResult = winlib::mrCancel;
    DefaultButtonId = IDOK;
    OnResize();
}

void TForm12::OnResize()
{
    if (Button2.Handle() == nullptr)
        return;
    winlib::TBounds c = ClientBounds();
    int buttonsTop = c.H - kMargin - kButtonHeight;
    int editTop = buttonsTop - kMargin - kEditHeight;
    TreeView1.SetBounds({kMargin, kMargin, c.W - 2 * kMargin, editTop - 2 * kMargin - 16});
    label_.SetBounds({kMargin, editTop - 18, 100, 16});
    Edit1.SetBounds({kMargin, editTop, c.W - 2 * kMargin, kEditHeight});
    Button1.SetBounds({c.W - 2 * (kButtonWidth + kMargin), buttonsTop, kButtonWidth, kButtonHeight});
    Button2.SetBounds({c.W - kButtonWidth - kMargin, buttonsTop, kButtonWidth, kButtonHeight});
}

bool TForm12::Execute(const std::string& start, std::string& chosen)
{
    Edit1.SetText(start);
    TreeView1.Fill(tree_ ? tree_() : std::vector<winlib::TTreeNodeData>());
    TreeView1.CollapseAll();
    HTREEITEM node = FindTreeNodeByPath(start, TreeView1);
    if (node != nullptr)
        TreeView1.Select(node);
    if (ShowModal() != winlib::mrOk)
        return false;
    chosen = Edit1.Text();
    return true;
}

std::string TForm12::NodePath(HTREEITEM node) const
{
    std::string path;
    for (; node != nullptr; node = TreeView1.Parent(node))
        path = path.empty() ? TreeView1.NodeText(node) : TreeView1.NodeText(node) + "\\" + path;
    return path;
}

// A path that is not in the tree stays in the field: the tree view's own choice of
// a first node on receiving the focus is not the user's.
void TForm12::OnActivate()
{
    winlib::TMaskScope mask(focusing_);
    TreeView1.SetFocus();
}

void TForm12::TreeView1Change()
{
    if (focusing_)
        return;
    HTREEITEM node = TreeView1.Selected();
    if (node != nullptr)
        Edit1.SetText(NodePath(node));
}

// Only a file closes the picker; a folder's double click just opens or closes it.
void TForm12::TreeView1DblClick()
{
    HTREEITEM node = TreeView1.Selected();
    if (node != nullptr && TreeView1.NodeImage(node) == winlib::kImageFile)
        Button1.Click();
}

LRESULT TForm12::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom == TreeView1.Handle() && header.code == NM_DBLCLK) {
            TreeView1DblClick();
            return 0;
        }
    }
    return TForm::WndProc(message, wParam, lParam);
}
