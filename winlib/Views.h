// List view, check list, tree view and page control wrappers.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "winlib/Controls.h"

namespace winlib {

class TMenu;

// One list row: the caption (first column) and one text per further column.
struct TListRow {
    std::string Caption;
    std::vector<std::string> Texts;
    int Image = -1;
};

// Report-style, virtual list view (LVS_OWNERDATA): the rows live here, reads never
// ask the control. OnChange runs for every row change and every selection change,
// from code or user (range selections arrive as LVN_ODSTATECHANGED and count too).
class TListView : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, bool multiSelect = true);
    void AddColumn(const std::string& caption, int width);
    int ColumnCount() const { return static_cast<int>(columns_); }
    int ColumnWidth(int column) const { return static_cast<int>(::SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, column, 0)); }
    void SetColumnWidth(int column, int width) const { ::SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, column, width); }
    void SetImages(HIMAGELIST images) const { ::SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)); }

    int Count() const { return static_cast<int>(rows_.size()); }
    const TListRow& Row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    const std::vector<TListRow>& Rows() const { return rows_; }
    // Text of column (0 = caption); empty where the row has fewer texts.
    std::string Cell(int index, int column) const;

    int Add(const TListRow& row);  // sorted lists insert in order; returns the index
    void Insert(int index, const TListRow& row);
    void Delete(int index);
    void Clear();
    void SetRow(int index, const TListRow& row);
    void SetCell(int index, int column, const std::string& text);
    void Swap(int a, int b);  // rows and their selection
    void SetRows(std::vector<TListRow> rows);  // all rows in one call

    void Select(int index, bool on = true) const;
    void SelectAll() const { Select(-1, true); }
    void ClearSelection() const { Select(-1, false); }
    bool Selected(int index) const;
    std::vector<int> SelectedIndexes() const;
    int SelCount() const { return static_cast<int>(::SendMessageA(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0)); }
    // The topmost selected row, or -1.
    int FirstSelected() const { return NextSelected(-1); }
    int NextSelected(int after) const
    {
        return static_cast<int>(::SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
    }
    void MakeVisible(int index) const { ::SendMessageA(hwnd_, LVM_ENSUREVISIBLE, index, FALSE); }
    bool ItemRect(int index, RECT& rect) const;

    void BeginUpdate() const { ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0); }
    void EndUpdate() const;
    // Keeps rows in caption order (lstrcmpA) while on.
    void SetSorted(bool on);
    bool Sorted() const { return sorted_; }

    // WM_DROPFILES becomes a list of full paths.
    using TDropEvent = std::function<void(const std::vector<std::string>& paths)>;
    void AcceptFiles(TDropEvent handler);

    TNotifyEvent OnChange;
    TNotifyEvent OnDblClick;
    std::function<void(UINT key, unsigned shift)> OnKeyDown;  // after Ctrl+A has selected all
    std::function<void(int column)> OnColumnClick;
    TMenu* PopupMenu = nullptr;

    bool ReflectNotify(NMHDR& header, LRESULT& result) override;
    bool ReflectContextMenu(int x, int y) override;

private:
    static LRESULT CALLBACK DropProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK KeyProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Changed();
    void SyncCount() const;
    // Reapplies a selection after rows moved (no notifications).
    void ApplySelection(const std::vector<bool>& selected);
    std::vector<bool> SelectionFlags() const;

    std::vector<TListRow> rows_;
    size_t columns_ = 0;
    bool sorted_ = false;
    bool masked_ = false;
    TDropEvent onDrop_;
    std::string cellBuffer_;
};

// The paths of a drop, each length asked first. Does not call DragFinish.
std::vector<std::string> DroppedFiles(HDROP drop);

// Two-column list with check boxes. OnClick runs for user toggles only.
class TCheckList : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, const std::string& caption1, int width1,
                const std::string& caption2, int width2);
    int Add(const std::string& caption, const std::string& text, bool checked);
    void Clear();
    int Count() const { return static_cast<int>(::SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int index, int column) const;
    bool Checked(int index) const;
    void SetChecked(int index, bool on);
    bool ItemRect(int index, RECT& rect) const;

    std::function<void(int index)> OnClick;
    bool ReflectNotify(NMHDR& header, LRESULT& result) override;

    // The selected row (single selection), or -1; the double click, the pop-up menu.
    int ItemIndex() const
    {
        return static_cast<int>(::SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    TNotifyEvent OnDblClick;
    TMenu* PopupMenu = nullptr;
    bool ReflectContextMenu(int x, int y) override;

private:
    bool masked_ = false;
};

// A node for filling a tree in one update.
struct TTreeNodeData {
    std::string Text;
    int Image = -1;
    std::vector<TTreeNodeData> Children;
};

// Tree view. Selecting from code fires OnChange once (when the selection changes).
class TTreeView : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds);
    void SetImages(HIMAGELIST images) const { ::SendMessageA(hwnd_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images)); }

    HTREEITEM Add(HTREEITEM parent, const std::string& text, int image = -1);
    void Clear();
    // Replaces the whole tree in one update (no OnChange on the way).
    void Fill(const std::vector<TTreeNodeData>& roots);

    std::string NodeText(HTREEITEM node) const;
    int NodeImage(HTREEITEM node) const;
    HTREEITEM Parent(HTREEITEM node) const { return TreeView_GetParent(hwnd_, node); }
    HTREEITEM FirstChild(HTREEITEM node) const { return TreeView_GetChild(hwnd_, node); }
    HTREEITEM NextSibling(HTREEITEM node) const { return TreeView_GetNextSibling(hwnd_, node); }
    HTREEITEM Root() const { return TreeView_GetRoot(hwnd_); }
    int Count() const { return static_cast<int>(TreeView_GetCount(hwnd_)); }
    // Position in depth-first order over all nodes, and among its siblings.
    int AbsoluteIndex(HTREEITEM node) const;
    int IndexAmongSiblings(HTREEITEM node) const;
    HTREEITEM NodeAt(int absoluteIndex) const;

    HTREEITEM Selected() const { return TreeView_GetSelection(hwnd_); }
    void Select(HTREEITEM node) const { TreeView_SelectItem(hwnd_, node); }
    void Expand(HTREEITEM node, bool on = true) const { TreeView_Expand(hwnd_, node, on ? TVE_EXPAND : TVE_COLLAPSE); }
    void CollapseAll() const;
    bool NodeRect(HTREEITEM node, RECT& rect) const;

    TNotifyEvent OnChange;
    bool ReflectNotify(NMHDR& header, LRESULT& result) override;

private:
    void AddTree(HTREEITEM parent, const TTreeNodeData& node);
    bool masked_ = false;
};

// Tabs with one sheet (a WS_EX_CONTROLPARENT panel) each. OnChange runs on a user
// tab switch; setting the active page from code fires nothing.
class TPageControl : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds);
    // Adds a page and returns its index; controls of the page take Sheet(index) as parent.
    int AddPage(const std::string& caption);
    HWND Sheet(int page) const { return pages_.at(static_cast<size_t>(page)).Sheet; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    int ActivePage() const;
    void SetActivePage(int page);
    void SetPageVisible(int page, bool visible);
    bool PageVisible(int page) const { return pages_.at(static_cast<size_t>(page)).Visible; }
    // Tab index of a visible page, or -1.
    int TabOfPage(int page) const;
    void Layout() const;  // after a size change
    bool TabRect(int page, RECT& rect) const;

    TNotifyEvent OnChange;
    bool ReflectNotify(NMHDR& header, LRESULT& result) override;

private:
    struct TPage {
        std::string Caption;
        HWND Sheet = nullptr;
        bool Visible = true;
    };
    int PageOfTab(int tab) const;
    void ShowSheetOfTab() const;
    void RebuildTabs(int active);  // keeps that page active when it stays visible
    std::vector<TPage> pages_;
};

}  // namespace winlib
