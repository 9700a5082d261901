// Menus (bar and pop-up, submenus rebuilt at run time), the tool bar and the
// program's shared image list. Items and tool buttons carry their handlers; a
// form hands WM_COMMAND of menus and accelerators to DispatchMenuCommand.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "winlib/Controls.h"

namespace winlib {

// A menu bar or a pop-up menu with its items' handlers. Live menus are known to
// DispatchMenuCommand; ids must be unique among them.
class TMenu {
public:
    explicit TMenu(bool popup = false);
    ~TMenu();
    TMenu(const TMenu&) = delete;
    TMenu& operator=(const TMenu&) = delete;

    HMENU Handle() const { return menu_; }
    // A submenu of parent (nullptr: the menu itself).
    HMENU AddSubmenu(HMENU parent, const std::string& caption);
    // shortcut: shown after a tab ("Ctrl+N"); the key itself is an accelerator.
    void AddItem(HMENU parent, int id, const std::string& caption, TNotifyEvent handler,
                 const std::string& shortcut = std::string());
    void AddSeparator(HMENU parent);
    // Removes every item of submenu (for lists rebuilt at run time, such as recent files).
    void ClearSubmenu(HMENU submenu);

    void EnableItem(int id, bool on) const;
    bool ItemEnabled(int id) const;
    void CheckItem(int id, bool on) const;
    bool ItemChecked(int id) const;
    std::string ItemCaption(int id) const;
    bool HasItem(int id) const { return handlers_.count(id) != 0; }

    // Runs the item's handler; false when no item of this menu has that id.
    bool Run(int id) const;
    // Pop-up menus: shows it at screen point (x, y); the chosen item's WM_COMMAND
    // goes to owner's form.
    void Popup(HWND owner, int x, int y) const;

private:
    void ForgetItems(HMENU menu);
    HMENU menu_;
    std::map<int, TNotifyEvent> handlers_;
};

// Runs the handler of a live menu's item; false when no menu has the id.
bool DispatchMenuCommand(int id);

// A flat tool bar with tooltips. Buttons run their handler; a drop-down button
// shows its menu below itself.
class TToolBar : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, HIMAGELIST images);
    void AddButton(int id, int image, const std::string& hint, TNotifyEvent handler, const TMenu* dropDown = nullptr);
    void AddSeparator();
    void EnableButton(int id, bool on) const { ::SendMessageA(hwnd_, TB_ENABLEBUTTON, id, MAKELPARAM(on ? 1 : 0, 0)); }
    bool ButtonEnabled(int id) const { return ::SendMessageA(hwnd_, TB_ISBUTTONENABLED, id, 0) != 0; }
    bool ButtonRect(int id, RECT& rect) const;
    std::string Hint(int id) const;
    int Height() const;

    bool ReflectCommand(WORD code, WORD id) override;
    bool ReflectNotify(NMHDR& header, LRESULT& result) override;

private:
    struct TButtonInfo {
        std::string Hint;
        TNotifyEvent Handler;
        const TMenu* DropDown = nullptr;
    };
    std::map<int, TButtonInfo> buttons_;
};

// The program's shared 16x16 image list: 12 is a file, 13 a folder; the others
// are the tool bar's pictures, which the program puts in with SetSharedImage.
constexpr int kImageFile = 12;
constexpr int kImageFolder = 13;
HIMAGELIST SharedImageList();
void SetSharedImage(int index, HICON icon);

}  // namespace winlib
