#include "winlib/Views.h"

#include <shellapi.h>

#include <algorithm>
#include <numeric>

#include "winlib/Application.h"
#include "winlib/Menus.h"
#include "winlib/OsError.h"

namespace winlib {

// ---- TListView

void TListView::Create(HWND parent, int id, const TBounds& bounds, bool multiSelect)
{
    CreateWindowed(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                   WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS |
                       (multiSelect ? 0 : LVS_SINGLESEL),
                   parent, id, bounds);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    if (!::SetWindowSubclass(hwnd_, KeyProc, 2, 0))
        RaiseLastOSError("Cannot subclass a list");
}

// A list view does not ask for Enter, so the form's dialog keys would take it for the
// default button; a list with a key handler keeps it (Enter edits the row).
LRESULT CALLBACK TListView::KeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_GETDLGCODE && lParam != 0 && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
        reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
        const auto* list = dynamic_cast<const TListView*>(ControlOf(hwnd));
        if (list != nullptr && list->OnKeyDown)
            return DLGC_WANTMESSAGE | ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, KeyProc, 2);
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

void TListView::AddColumn(const std::string& caption, int width)
{
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(caption.c_str());
    column.cx = width;
    if (::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, columns_, reinterpret_cast<LPARAM>(&column)) < 0)
        RaiseLastOSError("Cannot add the list column \"" + caption + "\"");
    ++columns_;
}

std::string TListView::Cell(int index, int column) const
{
    const TListRow& row = Row(index);
    if (column == 0)
        return row.Caption;
    size_t i = static_cast<size_t>(column) - 1;
    return i < row.Texts.size() ? row.Texts[i] : std::string();
}

void TListView::Changed()
{
    if (OnChange)
        OnChange();
}

void TListView::SyncCount() const
{
    ::SendMessageA(hwnd_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOSCROLL);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

std::vector<bool> TListView::SelectionFlags() const
{
    std::vector<bool> flags(rows_.size(), false);
    for (int i : SelectedIndexes())
        if (static_cast<size_t>(i) < flags.size())
            flags[static_cast<size_t>(i)] = true;
    return flags;
}

void TListView::ApplySelection(const std::vector<bool>& selected)
{
    TMaskScope mask(masked_);
    Select(-1, false);
    for (size_t i = 0; i < selected.size(); ++i)
        if (selected[i])
            Select(static_cast<int>(i), true);
}

int TListView::Add(const TListRow& row)
{
    int index = Count();
    if (sorted_) {
        auto it = std::upper_bound(rows_.begin(), rows_.end(), row, [](const TListRow& a, const TListRow& b) {
            return ::lstrcmpA(a.Caption.c_str(), b.Caption.c_str()) < 0;
        });
        index = static_cast<int>(it - rows_.begin());
    }
    Insert(index, row);
    return index;
}

void TListView::Insert(int index, const TListRow& row)
{
    std::vector<bool> selected = SelectionFlags();
    rows_.insert(rows_.begin() + index, row);
    selected.insert(selected.begin() + index, false);
    SyncCount();
    ApplySelection(selected);
    Changed();
}

void TListView::Delete(int index)
{
    std::vector<bool> selected = SelectionFlags();
    rows_.erase(rows_.begin() + index);
    selected.erase(selected.begin() + index);
    {
        TMaskScope mask(masked_);
        Select(-1, false);  // before the count shrinks under selected rows
    }
    SyncCount();
    ApplySelection(selected);
    Changed();
}

void TListView::Clear()
{
    SetRows({});
}

void TListView::SetRows(std::vector<TListRow> rows)
{
    {
        TMaskScope mask(masked_);
        Select(-1, false);
    }
    rows_ = std::move(rows);
    if (sorted_)
        std::stable_sort(rows_.begin(), rows_.end(), [](const TListRow& a, const TListRow& b) {
            return ::lstrcmpA(a.Caption.c_str(), b.Caption.c_str()) < 0;
        });
    SyncCount();
    Changed();
}

void TListView::SetRow(int index, const TListRow& row)
{
    rows_.at(static_cast<size_t>(index)) = row;
    ::SendMessageA(hwnd_, LVM_REDRAWITEMS, index, index);
    Changed();
}

void TListView::SetCell(int index, int column, const std::string& text)
{
    TListRow& row = rows_.at(static_cast<size_t>(index));
    if (column == 0) {
        row.Caption = text;
    } else {
        size_t i = static_cast<size_t>(column) - 1;
        if (row.Texts.size() <= i)
            row.Texts.resize(i + 1);
        row.Texts[i] = text;
    }
    ::SendMessageA(hwnd_, LVM_REDRAWITEMS, index, index);
    Changed();
}

void TListView::Swap(int a, int b)
{
    std::vector<bool> selected = SelectionFlags();
    std::swap(rows_.at(static_cast<size_t>(a)), rows_.at(static_cast<size_t>(b)));
    bool sa = selected[static_cast<size_t>(a)];
    selected[static_cast<size_t>(a)] = selected[static_cast<size_t>(b)];
    selected[static_cast<size_t>(b)] = sa;
    ApplySelection(selected);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    Changed();
}

void TListView::SetSorted(bool on)
{
    sorted_ = on;
    if (!on || rows_.empty())
        return;
    std::vector<bool> selected = SelectionFlags();
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        return ::lstrcmpA(rows_[a].Caption.c_str(), rows_[b].Caption.c_str()) < 0;
    });
    std::vector<TListRow> rows;
    std::vector<bool> flags;
    for (size_t i : order) {
        rows.push_back(std::move(rows_[i]));
        flags.push_back(selected[i]);
    }
    rows_ = std::move(rows);
    ApplySelection(flags);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    Changed();
}

void TListView::Select(int index, bool on) const
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = on ? LVIS_SELECTED : 0;
    ::SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

bool TListView::Selected(int index) const
{
    return (::SendMessageA(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

std::vector<int> TListView::SelectedIndexes() const
{
    std::vector<int> indexes;
    for (int i = NextSelected(-1); i >= 0; i = NextSelected(i))
        indexes.push_back(i);
    return indexes;
}

bool TListView::ItemRect(int index, RECT& rect) const
{
    rect = {};
    rect.left = LVIR_LABEL;
    return ::SendMessageA(hwnd_, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) != 0;
}

void TListView::EndUpdate() const
{
    ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

bool TListView::ReflectNotify(NMHDR& header, LRESULT& result)
{
    result = 0;
    switch (header.code) {
    case LVN_GETDISPINFOA: {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(header).item;
        if (item.iItem < 0 || item.iItem >= Count())
            return true;
        if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0)
            ::lstrcpynA(item.pszText, Cell(item.iItem, item.iSubItem).c_str(), item.cchTextMax);
        if (item.mask & LVIF_IMAGE)
            item.iImage = Row(item.iItem).Image;
        return true;
    }
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!masked_ && (change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            Changed();
        return true;
    }
    case LVN_ODSTATECHANGED: {
        const NMLVODSTATECHANGE& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
        if (!masked_ && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            Changed();
        return true;
    }
    case LVN_ODFINDITEMA: {
        const NMLVFINDITEMA& find = reinterpret_cast<const NMLVFINDITEMA&>(header);
        result = -1;
        if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find.lvfi.psz != nullptr) {
            size_t length = ::lstrlenA(find.lvfi.psz);
            for (int n = 0, i = std::max(find.iStart, 0); n < Count(); ++n, i = (i + 1) % Count())
                if (::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, rows_[i].Caption.c_str(),
                                     static_cast<int>(std::min(length, rows_[i].Caption.size())), find.lvfi.psz,
                                     static_cast<int>(length)) == CSTR_EQUAL) {
                    result = i;
                    break;
                }
        }
        return true;
    }
    case NM_DBLCLK:
        if (OnDblClick)
            OnDblClick();
        return true;
    case LVN_KEYDOWN: {
        UINT key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
        unsigned shift = CurrentShiftState();
        if (key == 'A' && shift == ssCtrl && (::GetWindowLongPtrA(hwnd_, GWL_STYLE) & LVS_SINGLESEL) == 0)
            SelectAll();
        if (OnKeyDown)
            OnKeyDown(key, shift);
        return true;
    }
    case LVN_COLUMNCLICK:
        if (OnColumnClick)
            OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return true;
    default:
        return false;
    }
}

namespace {

// A pop-up menu at the mouse, or from the keyboard (x = y = -1) below the row
// given, or at the list's corner without one.
void PopupAtRow(HWND list, const TMenu& menu, int x, int y, int row, const RECT* rowRect)
{
    if (x == -1 && y == -1) {
        POINT p = {0, 0};
        if (row >= 0 && rowRect != nullptr)
            p = {rowRect->left, rowRect->bottom};
        ::ClientToScreen(list, &p);
        x = p.x;
        y = p.y;
    }
    menu.Popup(list, x, y);
}

}  // namespace

bool TListView::ReflectContextMenu(int x, int y)
{
    if (PopupMenu == nullptr)
        return false;
    RECT r = {};
    int focused = static_cast<int>(::SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    PopupAtRow(hwnd_, *PopupMenu, x, y, focused, focused >= 0 && ItemRect(focused, r) ? &r : nullptr);
    return true;
}

std::vector<std::string> DroppedFiles(HDROP drop)
{
    std::vector<std::string> paths;
    UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = ::DragQueryFileA(drop, i, nullptr, 0);
        std::string path(length + 1, '\0');
        UINT got = ::DragQueryFileA(drop, i, path.data(), length + 1);
        path.resize(got);
        if (!path.empty())
            paths.push_back(path);
    }
    return paths;
}

void TListView::AcceptFiles(TDropEvent handler)
{
    onDrop_ = std::move(handler);
    ::DragAcceptFiles(hwnd_, TRUE);
    if (!::SetWindowSubclass(hwnd_, DropProc, 1, reinterpret_cast<DWORD_PTR>(this)))
        RaiseLastOSError("Cannot accept dropped files on a list");
}

LRESULT CALLBACK TListView::DropProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR self)
{
    if (message == WM_DROPFILES) {
        HDROP drop = reinterpret_cast<HDROP>(wParam);
        RunGuarded(hwnd, [&] {
            std::vector<std::string> paths = DroppedFiles(drop);
            auto* list = reinterpret_cast<TListView*>(self);
            if (list->onDrop_)
                list->onDrop_(paths);
        });
        ::DragFinish(drop);
        return 0;
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, DropProc, 1);
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

// ---- TCheckList

void TCheckList::Create(HWND parent, int id, const TBounds& bounds, const std::string& caption1, int width1,
                        const std::string& caption2, int width2)
{
    CreateWindowed(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                   WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, parent,
                   id, bounds);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    const std::string* captions[] = {&caption1, &caption2};
    int widths[] = {width1, width2};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(captions[i]->c_str());
        column.cx = widths[i];
        ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

int TCheckList::Add(const std::string& caption, const std::string& text, bool checked)
{
    TMaskScope mask(masked_);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = Count();
    item.pszText = const_cast<char*>(caption.c_str());
    int index = static_cast<int>(::SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0)
        RaiseLastOSError("Cannot add \"" + caption + "\" to a check list");
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(hwnd_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    SetChecked(index, checked);
    return index;
}

void TCheckList::Clear()
{
    TMaskScope mask(masked_);
    ::SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
}

std::string TCheckList::Cell(int index, int column) const
{
    char text[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    LRESULT got = ::SendMessageA(hwnd_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return std::string(text, static_cast<size_t>(got));
}

bool TCheckList::Checked(int index) const
{
    return ((::SendMessageA(hwnd_, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void TCheckList::SetChecked(int index, bool on)
{
    TMaskScope mask(masked_);
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
    ::SendMessageA(hwnd_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

bool TCheckList::ItemRect(int index, RECT& rect) const
{
    rect = {};
    rect.left = LVIR_BOUNDS;
    return ::SendMessageA(hwnd_, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)) != 0;
}

bool TCheckList::ReflectNotify(NMHDR& header, LRESULT& result)
{
    if (header.code == NM_DBLCLK) {
        if (OnDblClick)
            OnDblClick();
        return true;
    }
    if (header.code != LVN_ITEMCHANGED)
        return false;
    const NMLISTVIEW& change = reinterpret_cast<const NMLISTVIEW&>(header);
    result = 0;
    // The first state image is given when the row is made: that is no toggle.
    if (!masked_ && (change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) &&
        (change.uOldState & LVIS_STATEIMAGEMASK) != 0 && OnClick)
        OnClick(change.iItem);
    return true;
}

bool TCheckList::ReflectContextMenu(int x, int y)
{
    if (PopupMenu == nullptr)
        return false;
    RECT r = {};
    int selected = ItemIndex();
    PopupAtRow(hwnd_, *PopupMenu, x, y, selected, selected >= 0 && ItemRect(selected, r) ? &r : nullptr);
    return true;
}

// ---- TTreeView

void TTreeView::Create(HWND parent, int id, const TBounds& bounds)
{
    CreateWindowed(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                   WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS,
                   parent, id, bounds);
}

HTREEITEM TTreeView::Add(HTREEITEM parent, const std::string& text, int image)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent != nullptr ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | (image >= 0 ? TVIF_IMAGE | TVIF_SELECTEDIMAGE : 0);
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    auto node = reinterpret_cast<HTREEITEM>(::SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (node == nullptr)
        RaiseLastOSError("Cannot add the tree node \"" + text + "\"");
    return node;
}

void TTreeView::Clear()
{
    TMaskScope mask(masked_);
    TreeView_DeleteAllItems(hwnd_);
}

void TTreeView::AddTree(HTREEITEM parent, const TTreeNodeData& node)
{
    HTREEITEM item = Add(parent, node.Text, node.Image);
    for (const TTreeNodeData& child : node.Children)
        AddTree(item, child);
}

void TTreeView::Fill(const std::vector<TTreeNodeData>& roots)
{
    TMaskScope mask(masked_);
    ::SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(hwnd_);
    for (const TTreeNodeData& root : roots)
        AddTree(nullptr, root);
    ::SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

std::string TTreeView::NodeText(HTREEITEM node) const
{
    char text[1024] = {};
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = node;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    return ::SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? std::string(text) : std::string();
}

int TTreeView::NodeImage(HTREEITEM node) const
{
    TVITEMA item = {};
    item.mask = TVIF_IMAGE;
    item.hItem = node;
    return ::SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.iImage : -1;
}

namespace {

// The next node in depth-first order over all nodes, expanded or not.
HTREEITEM NextNode(HWND tree, HTREEITEM node)
{
    if (HTREEITEM child = TreeView_GetChild(tree, node))
        return child;
    for (; node != nullptr; node = TreeView_GetParent(tree, node))
        if (HTREEITEM next = TreeView_GetNextSibling(tree, node))
            return next;
    return nullptr;
}

}  // namespace

int TTreeView::AbsoluteIndex(HTREEITEM node) const
{
    int index = 0;
    for (HTREEITEM n = Root(); n != nullptr; n = NextNode(hwnd_, n), ++index)
        if (n == node)
            return index;
    return -1;
}

int TTreeView::IndexAmongSiblings(HTREEITEM node) const
{
    int index = 0;
    for (HTREEITEM n = TreeView_GetPrevSibling(hwnd_, node); n != nullptr; n = TreeView_GetPrevSibling(hwnd_, n))
        ++index;
    return index;
}

HTREEITEM TTreeView::NodeAt(int absoluteIndex) const
{
    HTREEITEM n = Root();
    for (int i = 0; n != nullptr && i < absoluteIndex; ++i)
        n = NextNode(hwnd_, n);
    return n;
}

void TTreeView::CollapseAll() const
{
    for (HTREEITEM n = Root(); n != nullptr; n = NextNode(hwnd_, n))
        if (FirstChild(n) != nullptr)
            Expand(n, false);
}

bool TTreeView::NodeRect(HTREEITEM node, RECT& rect) const
{
    return TreeView_GetItemRect(hwnd_, node, &rect, TRUE) != FALSE;
}

bool TTreeView::ReflectNotify(NMHDR& header, LRESULT& result)
{
    if (header.code != TVN_SELCHANGEDA)
        return false;
    result = 0;
    if (!masked_ && OnChange)
        OnChange();
    return true;
}

// ---- TPageControl

void TPageControl::Create(HWND parent, int id, const TBounds& bounds)
{
    CreateWindowed(WS_EX_CONTROLPARENT, WC_TABCONTROLA, "", WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN, parent, id,
                   bounds);
}

int TPageControl::AddPage(const std::string& caption)
{
    HWND sheet = ::CreateWindowExA(WS_EX_CONTROLPARENT, "WinlibPanel", "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 10, 10,
                                   hwnd_, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (sheet == nullptr)
        RaiseLastOSError("Cannot create the page \"" + caption + "\" (is a form created first?)");
    int active = ActivePage();
    pages_.push_back({caption, sheet, true});
    RebuildTabs(active);
    Layout();
    return PageCount() - 1;
}

int TPageControl::PageOfTab(int tab) const
{
    for (int page = 0, seen = -1; page < PageCount(); ++page)
        if (pages_[static_cast<size_t>(page)].Visible && ++seen == tab)
            return page;
    return -1;
}

int TPageControl::TabOfPage(int page) const
{
    if (!PageVisible(page))
        return -1;
    int tab = 0;
    for (int p = 0; p < page; ++p)
        if (pages_[static_cast<size_t>(p)].Visible)
            ++tab;
    return tab;
}

int TPageControl::ActivePage() const { return PageOfTab(TabCtrl_GetCurSel(hwnd_)); }

void TPageControl::ShowSheetOfTab() const
{
    int active = ActivePage();
    for (int page = 0; page < PageCount(); ++page)
        ::ShowWindow(pages_[static_cast<size_t>(page)].Sheet, page == active ? SW_SHOW : SW_HIDE);
}

void TPageControl::SetActivePage(int page)
{
    int tab = TabOfPage(page);
    if (tab < 0)
        return;
    TabCtrl_SetCurSel(hwnd_, tab);
    ShowSheetOfTab();
}

void TPageControl::RebuildTabs(int active)
{
    TabCtrl_DeleteAllItems(hwnd_);
    int tab = 0;
    for (TPage& page : pages_) {
        if (!page.Visible)
            continue;
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(page.Caption.c_str());
        ::SendMessageA(hwnd_, TCM_INSERTITEMA, tab++, reinterpret_cast<LPARAM>(&item));
    }
    int keep = active >= 0 ? TabOfPage(active) : -1;
    TabCtrl_SetCurSel(hwnd_, keep >= 0 ? keep : 0);
    ShowSheetOfTab();
}

void TPageControl::SetPageVisible(int page, bool visible)
{
    if (PageVisible(page) == visible)
        return;
    int active = ActivePage();  // before the tab indexes shift
    pages_.at(static_cast<size_t>(page)).Visible = visible;
    RebuildTabs(active);
}

void TPageControl::Layout() const
{
    RECT r = {};
    ::GetClientRect(hwnd_, &r);
    TabCtrl_AdjustRect(hwnd_, FALSE, &r);
    for (const TPage& page : pages_)
        ::MoveWindow(page.Sheet, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

bool TPageControl::TabRect(int page, RECT& rect) const
{
    int tab = TabOfPage(page);
    return tab >= 0 && TabCtrl_GetItemRect(hwnd_, tab, &rect) != FALSE;
}

bool TPageControl::ReflectNotify(NMHDR& header, LRESULT& result)
{
    result = 0;
    if (header.code == TCN_SELCHANGING)
        return true;
    // Wine 8 switches the tab on a click but sends only NM_CLICK: a click that left
    // the active page's sheet hidden is the switch. On Windows TCN_SELCHANGE comes first.
    if (header.code != TCN_SELCHANGE && header.code != static_cast<UINT>(NM_CLICK))
        return false;
    int active = ActivePage();
    if (active < 0 || (::GetWindowLongPtrA(Sheet(active), GWL_STYLE) & WS_VISIBLE) != 0)
        return true;
    ShowSheetOfTab();
    if (OnChange)
        OnChange();
    return true;
}

}  // namespace winlib
