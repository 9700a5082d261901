// A small editable grid: a report list view whose column headers are the header
// row, with an edit laid over a cell to change it (Enter or leaving the cell keeps
// the text, Esc drops it). Columns are resized by dragging their headers.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "winlib/Controls.h"

namespace winlib {

class TMenu;

class TStringGrid : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, int columns, int columnWidth);
    void SetHeader(int column, const std::string& text) const;
    std::string Header(int column) const;

    // Data rows, below the header.
    int RowCount() const { return static_cast<int>(rows_.size()); }
    std::string Cell(int row, int column) const;
    void SetCell(int row, int column, const std::string& text);
    void AddRow();
    void DeleteRow(int row);
    void ClearRows();
    // The selected row, or -1.
    int CurrentRow() const;
    void SelectRow(int row) const;

    // Opens the cell editor over a cell (a click on a cell does the same).
    void EditCell(int row, int column);
    HWND Editor() const { return editor_; }
    // Keeps the editor's text in its cell and closes it; nothing when none is open.
    void CommitEdit();

    TMenu* PopupMenu = nullptr;
    bool ReflectNotify(NMHDR& header, LRESULT& result) override;
    bool ReflectContextMenu(int x, int y) override;

private:
    static LRESULT CALLBACK EditorProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void CloseEditor(bool keep);
    int columns_ = 0;
    std::vector<std::vector<std::string>> rows_;
    HWND editor_ = nullptr;
    int editRow_ = -1, editColumn_ = -1;
};

}  // namespace winlib
