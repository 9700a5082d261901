// "Select File or Folder": the destination tree of the project, from which the
// other dialogs' "..." buttons pick an installed path. It only reads the tree.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "authoring/MainWindow.h"
#include "winlib/Controls.h"
#include "winlib/Form.h"
#include "winlib/Views.h"

class TForm12 : public winlib::TForm, public IPathPicker {
public:
    // tree: the main window's destination tree, read at every showing.
    using TTreeSource = std::function<std::vector<winlib::TTreeNodeData>()>;
    explicit TForm12(TTreeSource tree) : tree_(std::move(tree)) {}
    void CreateForm(HWND owner);

    // Opens on the node that start names (none selected when there is none); on OK
    // chosen is the path field. The field starts as start, so a path that is not in
    // the tree comes back unchanged.
    bool Execute(const std::string& start, std::string& chosen) override;

    winlib::TTreeView TreeView1;
    winlib::TEdit Edit1;  // read-only path
    winlib::TButton Button1, Button2;  // OK, Cancel

    // The path of a node: its texts from the root down, joined by "\".
    std::string NodePath(HTREEITEM node) const;
    void TreeView1Change();
    void TreeView1DblClick();

protected:
    void OnActivate() override;
    void OnResize() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TTreeSource tree_;
    winlib::TLabel label_;
    bool focusing_ = false;  // the tree selects its first node when focused with none
};
