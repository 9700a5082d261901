// The project lists of the main window: each list view sits on its tab sheet
// above a row of Add/Edit/Remove buttons, with its columns and an editor from the
// list table. The Files list is made here too (its stored widths are read with
// the others), but the files page drives it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "authoring/MainWindow.h"
#include "winlib/Hint.h"

namespace {

constexpr int kListIdBase = 300;
constexpr int kControlIdBase = 320;  // four per list: Add, Edit, Remove, arrows
constexpr int kImportButtonId = 319;

constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kWideButtonWidth = 130;
constexpr int kButtonHeight = 25;
constexpr int kArrowsWidth = 17;
constexpr int kArrowsHeight = 34;

// The editor table's entry for each list; the lists whose rows have an order
// (prerequisites, commands) get the arrows.
struct TListBinding {
    TListId List;
    TListKind Kind;
    bool Arrows;
};
constexpr TListBinding kBindings[] = {
    {TListId::Prereq, TListKind::Prereq, true},
    {TListId::Shortcuts, TListKind::Shortcuts, false},
    {TListId::Registry, TListKind::Registry, false},
    {TListId::INI, TListKind::INI, false},
    {TListId::Commands, TListKind::Commands, true},
    {TListId::Variables, TListKind::Variables, false},
    {TListId::Ext, TListKind::Ext, false},
    {TListId::Env, TListKind::Env, false},
    {TListId::Others, TListKind::Others, false},
};

const TListBinding* BindingOf(TListId id)
{
    for (const TListBinding& binding : kBindings)
        if (binding.List == id)
            return &binding;
    return nullptr;
}

int ControlId(TListId id, int index) { return kControlIdBase + 4 * static_cast<int>(id) + index; }

// List filling the sheet, the arrows at its right top, the buttons in a row below.
void LayOutList(TForm1& form, TListId id, int width, int height)
{
    TProjectList& controls = form.ProjectList(id);
    bool arrows = controls.Arrows.Handle() != nullptr;
    int listWidth = std::max(0, width - 2 * kMargin - (arrows ? kArrowsWidth + kMargin : 0));
    int listTop = kMargin + TForm1::ListTopOffset(id);  // below the tab's own settings, if any
    int listHeight = std::max(0, height - 2 * kMargin - listTop - kButtonHeight);
    form.ListView(id).SetBounds(winlib::TBounds{kMargin, listTop, listWidth, listHeight});
    if (arrows)
        controls.Arrows.SetBounds(
            winlib::TBounds{kMargin + listWidth + kMargin, listTop, kArrowsWidth, kArrowsHeight});
    int top = listTop + listHeight + kMargin;
    int left = kMargin;
    for (winlib::TButton* button : {&controls.Add, &controls.Edit, &controls.Remove}) {
        button->SetBounds(winlib::TBounds{left, top, kButtonWidth, kButtonHeight});
        left += kButtonWidth + kMargin;
    }
    // The Others list's "Add all DLL/ActiveX" (made by the files page) and the
    // Registry list's "Import..." follow their buttons.
    if (id == TListId::Others && form.Button22.Handle() != nullptr)
        form.Button22.SetBounds(winlib::TBounds{left, top, kWideButtonWidth, kButtonHeight});
    if (id == TListId::Registry && form.Button20.Handle() != nullptr)
        form.Button20.SetBounds(winlib::TBounds{left, top, kButtonWidth, kButtonHeight});
}

// The sheets are sized by their page control; each sheet holding a list lays the
// list out again when its size changes.
LRESULT CALLBACK ListSheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR listId,
                               DWORD_PTR form)
{
    if (message == WM_SIZE)
        LayOutList(*reinterpret_cast<TForm1*>(form), static_cast<TListId>(listId), LOWORD(lParam), HIWORD(lParam));
    else if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(sheet, ListSheetProc, listId);
    return ::DefSubclassProc(sheet, message, wParam, lParam);
}

}  // namespace

void TForm1::BuildProjectLists()
{
    for (const TListPlace& place : ListPlaces()) {
        winlib::TListView& list = ListView(place.List);
        HWND sheet = Sheet(place.Page, place.Tab);
        list.Create(sheet, kListIdBase + static_cast<int>(place.List), winlib::TBounds{kMargin, kMargin, 500, 300});
        const TListBinding* binding = BindingOf(place.List);
        if (binding == nullptr)  // Files: the files page makes its columns and handlers (MainWindowFiles.cpp)
            continue;
        TProjectList& controls = ProjectList(place.List);
        controls.Editor = std::make_unique<TListEditor>(ListSpecOf(binding->Kind), list, [this] { Action1Execute(); });
        controls.Editor->CreateColumns();
        controls.Editor->Attach();
        // A command-line build never shows the window: nobody can press the list's
        // buttons there, so they are not made (under Wine each window costs dozens of
        // server round trips); their handlers are bound all the same.
        const bool buttons = !AppState().NeverShown;
        if (buttons) {
            controls.Add.Create(sheet, ControlId(place.List, 0), winlib::TBounds{}, "Add...");
            controls.Edit.Create(sheet, ControlId(place.List, 1), winlib::TBounds{}, "Edit...");
            controls.Remove.Create(sheet, ControlId(place.List, 2), winlib::TBounds{}, "Remove");
        }
        controls.Editor->BindButtons(&controls.Add, &controls.Edit, &controls.Remove);
        if (place.List == TListId::Registry) {
            if (buttons)
                Button20.Create(sheet, kImportButtonId, winlib::TBounds{}, "Import...");
            Button20.OnClick = [this] { Button20Click(); };
        }
        if (binding->Arrows) {
            if (buttons) {
                controls.Arrows.Create(sheet, ControlId(place.List, 3), winlib::TBounds{});
                winlib::SetHint(controls.Arrows.Handle(), "Up/Down");
            }
            controls.Editor->BindArrows(controls.Arrows);
        }
        // The item dialogs are made after the main window; BindItemDialogs
        // (ItemDialogBinding.cpp) hands each editor its own. Until then Add and Edit do nothing.
        controls.Editor->BindDialog(nullptr);
        RECT client = {};
        ::GetClientRect(sheet, &client);
        LayOutList(*this, place.List, client.right, client.bottom);
        ::SetWindowSubclass(sheet, ListSheetProc, static_cast<UINT_PTR>(place.List), reinterpret_cast<DWORD_PTR>(this));
    }
}
