#include "winlib/Menus.h"

#include <shellapi.h>

#include <algorithm>

#include "winlib/OsError.h"

namespace winlib {

namespace {

std::vector<TMenu*>& LiveMenus()
{
    static std::vector<TMenu*> menus;
    return menus;
}

MENUITEMINFOA StateQuery()
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    return info;
}

}  // namespace

TMenu::TMenu(bool popup) : menu_(popup ? ::CreatePopupMenu() : ::CreateMenu())
{
    if (menu_ == nullptr)
        RaiseLastOSError("Cannot create a menu");
    LiveMenus().push_back(this);
}

TMenu::~TMenu()
{
    auto& menus = LiveMenus();
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
    // A menu bar still set on a window is destroyed with the window; DestroyMenu then fails harmlessly.
    ::DestroyMenu(menu_);
}

HMENU TMenu::AddSubmenu(HMENU parent, const std::string& caption)
{
    HMENU sub = ::CreatePopupMenu();
    if (sub == nullptr || !::AppendMenuA(parent != nullptr ? parent : menu_, MF_POPUP | MF_STRING,
                                         reinterpret_cast<UINT_PTR>(sub), caption.c_str()))
        RaiseLastOSError("Cannot add the menu \"" + caption + "\"");
    return sub;
}

void TMenu::AddItem(HMENU parent, int id, const std::string& caption, TNotifyEvent handler,
                    const std::string& shortcut)
{
    std::string text = shortcut.empty() ? caption : caption + "\t" + shortcut;
    if (!::AppendMenuA(parent != nullptr ? parent : menu_, MF_STRING, static_cast<UINT_PTR>(id), text.c_str()))
        RaiseLastOSError("Cannot add the menu item \"" + caption + "\"");
    handlers_[id] = std::move(handler);
}

void TMenu::AddSeparator(HMENU parent)
{
    if (!::AppendMenuA(parent != nullptr ? parent : menu_, MF_SEPARATOR, 0, nullptr))
        RaiseLastOSError("Cannot add a menu separator");
}

void TMenu::ForgetItems(HMENU menu)
{
    for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i))
            ForgetItems(sub);
        else
            handlers_.erase(static_cast<int>(::GetMenuItemID(menu, i)));
    }
}

void TMenu::ClearSubmenu(HMENU submenu)
{
    ForgetItems(submenu);
    while (::GetMenuItemCount(submenu) > 0)
        if (!::DeleteMenu(submenu, 0, MF_BYPOSITION))
            RaiseLastOSError("Cannot clear a submenu");
}

void TMenu::EnableItem(int id, bool on) const
{
    ::EnableMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

bool TMenu::ItemEnabled(int id) const
{
    MENUITEMINFOA info = StateQuery();
    return ::GetMenuItemInfoA(menu_, static_cast<UINT>(id), FALSE, &info) && (info.fState & MFS_DISABLED) == 0;
}

void TMenu::CheckItem(int id, bool on) const
{
    ::CheckMenuItem(menu_, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

bool TMenu::ItemChecked(int id) const
{
    MENUITEMINFOA info = StateQuery();
    return ::GetMenuItemInfoA(menu_, static_cast<UINT>(id), FALSE, &info) && (info.fState & MFS_CHECKED) != 0;
}

std::string TMenu::ItemCaption(int id) const
{
    char text[512] = {};
    int got = ::GetMenuStringA(menu_, static_cast<UINT>(id), text, sizeof text, MF_BYCOMMAND);
    return std::string(text, got > 0 ? static_cast<size_t>(got) : 0);
}

bool TMenu::Run(int id) const
{
    auto it = handlers_.find(id);
    if (it == handlers_.end())
        return false;
    if (it->second)
        it->second();
    return true;
}

void TMenu::Popup(HWND owner, int x, int y) const
{
    ::TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, ::GetAncestor(owner, GA_ROOT), nullptr);
}

bool DispatchMenuCommand(int id)
{
    // A handler may rebuild menus: look the item up first, then run it.
    for (TMenu* menu : LiveMenus())
        if (menu->HasItem(id))
            return menu->Run(id);
    return false;
}

// ---- TToolBar

void TToolBar::Create(HWND parent, int id, HIMAGELIST images)
{
    CreateWindowed(0, TOOLBARCLASSNAMEA, "", WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, parent, id, {});
    ::SendMessageA(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(hwnd_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    ::SendMessageA(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    // The tooltip asks the tool bar's parent for its texts: let it find us.
    if (HWND tips = reinterpret_cast<HWND>(::SendMessageA(hwnd_, TB_GETTOOLTIPS, 0, 0)))
        BindControl(tips, this);
}

void TToolBar::AddButton(int id, int image, const std::string& hint, TNotifyEvent handler, const TMenu* dropDown)
{
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = id;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = static_cast<BYTE>(BTNS_BUTTON | (dropDown != nullptr ? BTNS_DROPDOWN : 0));
    button.iString = -1;
    if (!::SendMessageA(hwnd_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button)))
        RaiseLastOSError("Cannot add the tool button \"" + hint + "\"");
    buttons_[id] = {hint, std::move(handler), dropDown};
    ::SendMessageA(hwnd_, TB_AUTOSIZE, 0, 0);
}

void TToolBar::AddSeparator()
{
    TBBUTTON button = {};
    button.fsStyle = BTNS_SEP;
    button.iBitmap = 6;
    ::SendMessageA(hwnd_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

bool TToolBar::ButtonRect(int id, RECT& rect) const
{
    return ::SendMessageA(hwnd_, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&rect)) != 0;
}

std::string TToolBar::Hint(int id) const
{
    auto it = buttons_.find(id);
    return it != buttons_.end() ? it->second.Hint : std::string();
}

int TToolBar::Height() const
{
    RECT r = {};
    ::GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
}

bool TToolBar::ReflectCommand(WORD, WORD id)
{
    auto it = buttons_.find(id);
    if (it == buttons_.end())
        return DispatchMenuCommand(id);
    if (it->second.Handler)
        it->second.Handler();
    return true;
}

bool TToolBar::ReflectNotify(NMHDR& header, LRESULT& result)
{
    if (header.code == TTN_GETDISPINFOA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        auto it = buttons_.find(static_cast<int>(header.idFrom));
        if (it != buttons_.end())
            info.lpszText = const_cast<char*>(it->second.Hint.c_str());
        result = 0;
        return true;
    }
    if (header.code == TBN_DROPDOWN) {
        auto& info = reinterpret_cast<NMTOOLBARA&>(header);
        auto it = buttons_.find(info.iItem);
        if (it != buttons_.end() && it->second.DropDown != nullptr) {
            RECT r = {};
            ButtonRect(info.iItem, r);
            ::MapWindowPoints(hwnd_, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
            it->second.DropDown->Popup(hwnd_, r.left, r.bottom);
        }
        result = TBDDRET_DEFAULT;
        return true;
    }
    return false;
}

// ---- shared image list

namespace {

HICON ShellSmallIcon(DWORD attributes)
{
    SHFILEINFOA info = {};
    if (::SHGetFileInfoA("x", attributes, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        return info.hIcon;
    return nullptr;
}

}  // namespace

HIMAGELIST SharedImageList()
{
    static HIMAGELIST list = nullptr;
    if (list != nullptr)
        return list;
    list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kImageFolder + 1, 4);
    if (list == nullptr)
        RaiseLastOSError("Cannot create the image list");
    HICON blank = ::LoadIconA(nullptr, IDI_APPLICATION);
    for (int i = 0; i < kImageFile; ++i)
        ImageList_AddIcon(list, blank);
    HICON file = ShellSmallIcon(FILE_ATTRIBUTE_NORMAL);
    HICON folder = ShellSmallIcon(FILE_ATTRIBUTE_DIRECTORY);
    ImageList_AddIcon(list, file != nullptr ? file : blank);
    ImageList_AddIcon(list, folder != nullptr ? folder : blank);
    // The list holds copies.
    if (file != nullptr)
        ::DestroyIcon(file);
    if (folder != nullptr)
        ::DestroyIcon(folder);
    return list;
}

void SetSharedImage(int index, HICON icon)
{
    if (ImageList_ReplaceIcon(SharedImageList(), index, icon) < 0)
        RaiseLastOSError("Cannot set image " + std::to_string(index) + " of the image list");
}

}  // namespace winlib
