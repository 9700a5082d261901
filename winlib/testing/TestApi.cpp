#include "winlib/testing/TestApi.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "winlib/Application.h"

namespace winlib::testing {

namespace {

std::string Describe(HWND control)
{
    char cls[64] = {};
    ::GetClassNameA(control, cls, sizeof cls);
    return std::string(cls) + " id " + std::to_string(::GetDlgCtrlID(control)) + " \"" + TControl(control).Text() +
           "\"";
}

// Fails the test when a user could not act on the control.
bool Reachable(HWND control, const char* action)
{
    if (control != nullptr && UserCanReach(control))
        return true;
    ADD_FAILURE() << action << " on a control a user cannot reach: " << Describe(control);
    return false;
}

// Holds the modifier keys down in the thread's keyboard state while it lives.
class TModifiers {
public:
    explicit TModifiers(unsigned shift)
    {
        ::GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof state);
        auto set = [&](int key, bool down) { state[key] = down ? 0x80 : 0; };
        set(VK_SHIFT, shift & ssShift);
        set(VK_LSHIFT, shift & ssShift);
        set(VK_CONTROL, shift & ssCtrl);
        set(VK_LCONTROL, shift & ssCtrl);
        set(VK_MENU, shift & ssAlt);
        set(VK_LMENU, shift & ssAlt);
        ::SetKeyboardState(state);
    }
    ~TModifiers() { ::SetKeyboardState(saved_); }

private:
    BYTE saved_[256];
};

WPARAM MouseKeys(unsigned shift)
{
    return MK_LBUTTON | ((shift & ssShift) ? MK_SHIFT : 0) | ((shift & ssCtrl) ? MK_CONTROL : 0);
}

// A click as the mouse gives it. The button-up is posted first: controls that
// detect a drag (list and tree views) wait for it inside WM_LBUTTONDOWN.
void ClickAt(HWND control, POINT p, unsigned shift = 0, bool doubleClick = false)
{
    TModifiers keys(shift);
    LPARAM where = MAKELPARAM(p.x, p.y);
    ::PostMessageA(control, WM_LBUTTONUP, MouseKeys(shift) & ~MK_LBUTTON, where);
    ::SendMessageA(control, doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MouseKeys(shift), where);
    ProcessMessages();
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

}  // namespace

bool UserCanReach(HWND control)
{
    return ::IsWindowVisible(control) && ::IsWindowEnabled(control) &&
           (::GetAncestor(control, GA_ROOT) == control || ::IsWindowEnabled(::GetAncestor(control, GA_ROOT)));
}

COLORREF ShownPixel(HWND window, int x, int y)
{
    ::UpdateWindow(window);
    HDC dc = ::GetDC(window);
    COLORREF colour = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return colour;
}

bool WriteWindowPicture(HWND window, const std::string& path)
{
    RECT r = {};
    ::GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    // From the window's own surface: PrintWindow in Wine draws the background without
    // the controls, and the screen shows an owned window black under Xvfb.
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC own = ::GetWindowDC(window);
    bool painted = dib != nullptr && ::BitBlt(memory, 0, 0, width, height, own, 0, 0, SRCCOPY) != FALSE;
    ::ReleaseDC(window, own);
    ::GdiFlush();
    DWORD imageSize = ((static_cast<DWORD>(width) * 3 + 3) & ~3u) * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    bool written = false;
    HANDLE out = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (painted && out != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written = ::WriteFile(out, &file, sizeof file, &done, nullptr) &&
                  ::WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) &&
                  ::WriteFile(out, bits, imageSize, &done, nullptr);
    }
    if (out != INVALID_HANDLE_VALUE)
        ::CloseHandle(out);
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return written;
}

std::vector<std::string> ControlsOutsideTheirParents(HWND form)
{
    std::vector<std::string> outside;
    auto check = [](HWND control, LPARAM list) -> BOOL {
        // Own style, not IsWindowVisible: the controls of a tab page not shown count too.
        HWND parent = ::GetParent(control);
        if ((::GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE) == 0 || parent == nullptr)
            return TRUE;
        RECT r = {}, client = {};
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
        ::GetClientRect(parent, &client);
        if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)
            reinterpret_cast<std::vector<std::string>*>(list)->push_back(
                Describe(control) + " at " + std::to_string(r.left) + "," + std::to_string(r.top) + "-" +
                std::to_string(r.right) + "," + std::to_string(r.bottom) + " in " + std::to_string(client.right) + "x" +
                std::to_string(client.bottom));
        return TRUE;
    };
    ::EnumChildWindows(form, check, reinterpret_cast<LPARAM>(&outside));
    return outside;
}

void Click(const TButton& button)
{
    if (Reachable(button.Handle(), "Click"))
        ::SendMessageA(button.Handle(), BM_CLICK, 0, 0);
}

void Toggle(const TCheckBox& box)
{
    if (Reachable(box.Handle(), "Toggle"))
        ::SendMessageA(box.Handle(), BM_CLICK, 0, 0);
}

void ToggleItem(const TCheckList& list, int index)
{
    if (!Reachable(list.Handle(), "Toggle item"))
        return;
    // The space bar toggles the focused row's box, as a click on it does.
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    item.state = LVIS_FOCUSED | LVIS_SELECTED;
    ::SendMessageA(list.Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    ::SendMessageA(list.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageA(list.Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
}

void ClickItem(const TCheckList& list, int index)
{
    RECT r = {};
    if (Reachable(list.Handle(), "Click item") && list.ItemRect(index, r))
        ClickAt(list.Handle(), Centre(r));
}

void DoubleClickItem(const TCheckList& list, int index)
{
    RECT r = {};
    if (!Reachable(list.Handle(), "Double-click item") || !list.ItemRect(index, r))
        return;
    ClickAt(list.Handle(), Centre(r));  // the first click selects, as the mouse's does
    ClickAt(list.Handle(), Centre(r), 0, true);
}

void ChooseItem(const TComboBox& combo, int index)
{
    if (!Reachable(combo.Handle(), "Choose item"))
        return;
    ::SendMessageA(combo.Handle(), CB_SETCURSEL, index, 0);
    // CB_SETCURSEL notifies nothing; a user's choice sends CBN_SELCHANGE.
    ::SendMessageA(::GetParent(combo.Handle()), WM_COMMAND, MAKEWPARAM(combo.Id(), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo.Handle()));
}

void Type(const TEdit& edit, const std::string& text)
{
    if (!Reachable(edit.Handle(), "Type"))
        return;
    if (edit.ReadOnly()) {
        ADD_FAILURE() << "Type into a read-only edit: " << Describe(edit.Handle());
        return;
    }
    ::SendMessageA(edit.Handle(), EM_SETSEL, 0, -1);
    ::SendMessageA(edit.Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TypeInCombo(const TComboBox& combo, const std::string& text)
{
    HWND edit = ::FindWindowExA(combo.Handle(), nullptr, "EDIT", nullptr);
    if (!Reachable(combo.Handle(), "Type in combo box"))
        return;
    if (edit == nullptr) {
        ADD_FAILURE() << "Type into a drop-down list: " << Describe(combo.Handle());
        return;
    }
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void ClickLink(const TLinkLabel& link)
{
    if (Reachable(link.Handle(), "Click link"))
        ClickAt(link.Handle(), {2, 2});
}

void ClickRow(const TListView& list, int index, unsigned shift)
{
    RECT r = {};
    if (Reachable(list.Handle(), "Click row") && list.ItemRect(index, r))
        ClickAt(list.Handle(), Centre(r), shift);
}

void DoubleClickRow(const TListView& list, int index)
{
    RECT r = {};
    if (Reachable(list.Handle(), "Double-click row") && list.ItemRect(index, r))
        ClickAt(list.Handle(), Centre(r), 0, true);
}

void ClickHeader(const TListView& list, int column)
{
    HWND header = reinterpret_cast<HWND>(::SendMessageA(list.Handle(), LVM_GETHEADER, 0, 0));
    RECT r = {};
    if (Reachable(list.Handle(), "Click header") &&
        ::SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r)))
        ClickAt(header, Centre(r));
}

void ClickNode(const TTreeView& tree, HTREEITEM node)
{
    RECT r = {};
    if (Reachable(tree.Handle(), "Click node") && tree.NodeRect(node, r))
        ClickAt(tree.Handle(), Centre(r));
}

void ClickTab(const TPageControl& pages, int page)
{
    RECT r = {};
    if (Reachable(pages.Handle(), "Click tab") && pages.TabRect(page, r))
        ClickAt(pages.Handle(), Centre(r));
}

void ClickArrow(const TUpDown& arrows, bool up)
{
    if (!Reachable(arrows.Handle(), "Click arrow"))
        return;
    RECT r = {};
    ::GetClientRect(arrows.Handle(), &r);
    ClickAt(arrows.Handle(), {r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4});
    ::KillTimer(arrows.Handle(), 1);  // no auto-repeat after the click
}

void ClickMenuItem(const TForm& form, const TMenu& menu, int id)
{
    if (!Reachable(form.Handle(), "Click menu item"))
        return;
    if (!menu.HasItem(id) || !menu.ItemEnabled(id)) {
        ADD_FAILURE() << "Click on a missing or disabled menu item " << id << " \"" << menu.ItemCaption(id) << "\"";
        return;
    }
    ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void ClickToolButton(const TToolBar& bar, int id)
{
    RECT r = {};
    if (!Reachable(bar.Handle(), "Click tool button"))
        return;
    if (!bar.ButtonEnabled(id) || !bar.ButtonRect(id, r)) {
        ADD_FAILURE() << "Click on a missing or disabled tool button " << id << " \"" << bar.Hint(id) << "\"";
        return;
    }
    ClickAt(bar.Handle(), Centre(r));
}

void PressKey(HWND control, UINT key, unsigned shift)
{
    if (!Reachable(control, "Press key"))
        return;
    TModifiers keys(shift);
    ::SendMessageA(control, WM_KEYDOWN, key, 1);
}

void PressKeyInLoop(HWND control, UINT key, unsigned shift)
{
    if (!Reachable(control, "Press key"))
        return;
    TModifiers keys(shift);
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ProcessMessages();
}

void DropFiles(HWND target, const std::vector<std::string>& paths)
{
    size_t chars = 1;
    for (const std::string& path : paths)
        chars += path.size() + 1;
    HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars);
    ASSERT_NE(memory, nullptr);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* p = reinterpret_cast<char*>(header + 1);
    for (const std::string& path : paths) {
        std::memcpy(p, path.c_str(), path.size() + 1);
        p += path.size() + 1;
    }
    ::GlobalUnlock(memory);
    // The receiver frees it with DragFinish.
    ::SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

TExpectBoxes::~TExpectBoxes()
{
    for (const TBoxRecord& box : Boxes())
        EXPECT_TRUE(box.Scripted) << "Unexpected box \"" << box.Caption << "\": " << box.Text;
}

// ---- dialogs

TDialogResponder::TDialogResponder()
{
    auto file = [this](TDialogRequest::TKind kind, TFileDialog& d) {
        TDialogRequest request{kind, d.Filter, d.FileName, d.InitialDir, d.DefaultExt, d.Title, d.Options};
        std::vector<std::string> paths;
        if (!Answer(request, paths) || paths.empty())
            return false;
        d.Files = paths;
        d.FileName = paths.front();
        return true;
    };
    SetOpenDialogHook([file](TOpenDialog& d) { return file(TDialogRequest::Open, d); });
    SetSaveDialogHook([file](TSaveDialog& d) { return file(TDialogRequest::Save, d); });
    SetBrowseForFolderHook([this](const std::string& prompt, std::string& folder) {
        TDialogRequest request;
        request.Kind = TDialogRequest::Folder;
        request.Title = prompt;
        request.InitialDir = folder;
        std::vector<std::string> paths;
        if (!Answer(request, paths) || paths.empty())
            return false;
        folder = paths.front();
        return true;
    });
}

TDialogResponder::~TDialogResponder()
{
    SetOpenDialogHook(nullptr);
    SetSaveDialogHook(nullptr);
    SetBrowseForFolderHook(nullptr);
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " dialog answer(s) never asked for";
}

bool TDialogResponder::Answer(TDialogRequest request, std::vector<std::string>& paths)
{
    requests_.push_back(request);
    if (answers_.empty()) {
        ADD_FAILURE() << "Unexpected dialog (filter \"" << request.Filter << "\", prompt \"" << request.Title << "\")";
        return false;
    }
    TAnswer answer = answers_.front();
    answers_.pop_front();
    paths = answer.Paths;
    return answer.Ok;
}

// ---- shell

TShellRecorder::TShellRecorder()
{
    SetShellHook([this](const TShellRequest& request) -> UINT {
        requests_.push_back(request);
        return 33;
    });
}

TShellRecorder::~TShellRecorder() { SetShellHook(nullptr); }

// ---- modal forms

TModalResponder::TModalResponder()
{
    TForm::SetModalHook([this](TForm& form) {
        ++shown_;
        if (queue_.empty()) {
            ADD_FAILURE() << "Unexpected modal form \"" << form.Caption() << "\"";
            form.SetModalResult(mrCancel);
            return;
        }
        auto responder = std::move(queue_.front());
        queue_.pop_front();
        responder(form);
        if (form.ModalResult() == mrNone && form.InModalLoop()) {
            ADD_FAILURE() << "The responder left the modal form \"" << form.Caption() << "\" open";
            form.SetModalResult(mrCancel);
        }
    });
}

TModalResponder::~TModalResponder()
{
    TForm::SetModalHook(nullptr);
    EXPECT_TRUE(queue_.empty()) << queue_.size() << " modal form(s) expected but never shown";
}

// ---- real dialogs cancelled

namespace {

thread_local std::vector<std::string> cancelledCaptions;
thread_local HHOOK cancelHook = nullptr;

LRESULT CALLBACK CancelHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char cls[16] = {};
        if (::GetClassNameA(window, cls, sizeof cls) > 0 && std::strcmp(cls, "#32770") == 0) {
            cancelledCaptions.push_back(TControl(window).Text());
            ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
    return ::CallNextHookEx(cancelHook, code, wParam, lParam);
}

}  // namespace

TCancelDialogs::TCancelDialogs()
{
    cancelledCaptions.clear();
    hook_ = ::SetWindowsHookExA(WH_CBT, CancelHook, nullptr, ::GetCurrentThreadId());
    cancelHook = hook_;
    EXPECT_NE(hook_, nullptr);
}

TCancelDialogs::~TCancelDialogs()
{
    ::UnhookWindowsHookEx(hook_);
    cancelHook = nullptr;
}

int TCancelDialogs::Count() const { return static_cast<int>(cancelledCaptions.size()); }
std::vector<std::string> TCancelDialogs::Captions() const { return cancelledCaptions; }

}  // namespace winlib::testing
