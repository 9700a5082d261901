#include "winlib/StringGrid.h"

#include "winlib/Menus.h"
#include "winlib/OsError.h"

namespace winlib {

void TStringGrid::Create(HWND parent, int id, const TBounds& bounds, int columns, int columnWidth)
{
    CreateWindowed(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                   WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, parent,
                   id, bounds);
    ::SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    columns_ = columns;
    for (int i = 0; i < columns; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = columnWidth;
        column.pszText = const_cast<char*>("");
        ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void TStringGrid::SetHeader(int column, const std::string& text) const
{
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT;
    c.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(hwnd_, LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
}

std::string TStringGrid::Header(int column) const
{
    char buffer[256] = {};
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT;
    c.pszText = buffer;
    c.cchTextMax = sizeof buffer;
    ::SendMessageA(hwnd_, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
    return buffer;
}

std::string TStringGrid::Cell(int row, int column) const
{
    return rows_.at(static_cast<size_t>(row)).at(static_cast<size_t>(column));
}

void TStringGrid::SetCell(int row, int column, const std::string& text)
{
    rows_.at(static_cast<size_t>(row)).at(static_cast<size_t>(column)) = text;
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(hwnd_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void TStringGrid::AddRow()
{
    CloseEditor(true);
    rows_.emplace_back(static_cast<size_t>(columns_));
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(rows_.size()) - 1;
    item.pszText = const_cast<char*>("");
    if (::SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
        rows_.pop_back();
        RaiseLastOSError("Cannot add a row to the grid");
    }
}

void TStringGrid::DeleteRow(int row)
{
    CloseEditor(true);
    rows_.erase(rows_.begin() + row);
    ::SendMessageA(hwnd_, LVM_DELETEITEM, row, 0);
}

void TStringGrid::ClearRows()
{
    CloseEditor(false);
    rows_.clear();
    ::SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
}

int TStringGrid::CurrentRow() const
{
    return static_cast<int>(::SendMessageA(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TStringGrid::SelectRow(int row) const
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(hwnd_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void TStringGrid::EditCell(int row, int column)
{
    CloseEditor(true);
    RECT r = {};
    r.top = column;
    r.left = LVIR_LABEL;
    if (::SendMessageA(hwnd_, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&r)) == 0)
        return;  // the cell is not shown: nothing to lay the editor over
    if (column == 0)  // the first column's rectangle spans the whole row
        r.right = r.left + static_cast<int>(::SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, 0, 0));
    editor_ = ::CreateWindowExA(0, "EDIT", Cell(row, column).c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
    if (editor_ == nullptr)
        RaiseLastOSError("Cannot open the cell editor");
    ::SendMessageA(editor_, WM_SETFONT, ::SendMessageA(hwnd_, WM_GETFONT, 0, 0), TRUE);
    ::SetWindowSubclass(editor_, EditorProc, 0, reinterpret_cast<DWORD_PTR>(this));
    editRow_ = row, editColumn_ = column;
    ::SendMessageA(editor_, EM_SETSEL, 0, -1);
    ::SetFocus(editor_);
}

void TStringGrid::CommitEdit() { CloseEditor(true); }

void TStringGrid::CloseEditor(bool keep)
{
    if (editor_ == nullptr)
        return;
    HWND editor = editor_;
    editor_ = nullptr;  // first: destroying it moves the focus, which would close it again
    if (keep && editRow_ < RowCount())
        SetCell(editRow_, editColumn_, TControl(editor).Text());
    bool hadFocus = ::GetFocus() == editor;
    ::DestroyWindow(editor);
    if (hadFocus)
        ::SetFocus(hwnd_);
}

LRESULT CALLBACK TStringGrid::EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self)
{
    auto* grid = reinterpret_cast<TStringGrid*>(self);
    switch (message) {
    case WM_GETDLGCODE:  // Enter and Esc belong to the editor, not to the dialog's buttons
        return DLGC_WANTALLKEYS | ::DefSubclassProc(hwnd, message, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            grid->CloseEditor(wParam == VK_RETURN);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == 27)
            return 0;  // no beep for the keys handled above
        break;
    case WM_KILLFOCUS:
        if (grid->editor_ == hwnd)
            grid->CloseEditor(true);
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, EditorProc, 0);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

bool TStringGrid::ReflectNotify(NMHDR& header, LRESULT& result)
{
    if (header.code != NM_CLICK)
        return false;
    LVHITTESTINFO hit = {};
    hit.pt = reinterpret_cast<NMITEMACTIVATE&>(header).ptAction;
    if (::SendMessageA(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 && hit.iItem >= 0)
        EditCell(hit.iItem, hit.iSubItem);
    result = 0;
    return true;
}

bool TStringGrid::ReflectContextMenu(int x, int y)
{
    if (PopupMenu == nullptr)
        return false;
    CloseEditor(true);
    if (x == -1 && y == -1) {  // from the keyboard: below the grid's top left corner
        RECT r = {};
        ::GetWindowRect(hwnd_, &r);
        x = r.left + 8, y = r.top + 8;
    }
    PopupMenu->Popup(::GetAncestor(hwnd_, GA_ROOT), x, y);
    return true;
}

}  // namespace winlib
