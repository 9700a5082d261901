#include "winlib/Form.h"

#include <commctrl.h>

#include <algorithm>

#include "winlib/Application.h"
#include "winlib/Menus.h"
#include "winlib/OsError.h"

namespace winlib {

namespace {

const char FormClass[] = "WinlibForm";
const char PanelClass[] = "WinlibPanel";
constexpr UINT WM_WINLIB_MODALHOOK = WM_USER + 0x701;

ATOM formAtom = 0;

TForm::TModalHook& ModalHook()
{
    static TForm::TModalHook hook;
    return hook;
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        LRESULT result = 0;
        if (ReflectMessage(message, wParam, lParam, result))
            return result;
        // What no control of the panel took (menu commands, unbound controls) is the form's.
        if (message == WM_COMMAND || message == WM_NOTIFY)
            return ::SendMessageA(::GetParent(hwnd), message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportException(hwnd, error);
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterClasses(WNDPROC formProc)
{
    if (formAtom != 0)
        return;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    // Failure leaves only the classes comctl32 registers on load; creation then reports it.
    ::InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = formProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = FormClass;
    formAtom = ::RegisterClassA(&wc);
    if (formAtom == 0)
        RaiseLastOSError("Cannot register the form window class");
    wc.lpfnWndProc = PanelProc;
    wc.hIcon = nullptr;
    wc.lpszClassName = PanelClass;
    if (::RegisterClassA(&wc) == 0)
        RaiseLastOSError("Cannot register the panel window class");
}

}  // namespace

TBounds CentredDialogBounds(int clientWidth, int clientHeight)
{
    RECT frame = {0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    // Without a work area the whole screen is as good a frame.
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int w = frame.right - frame.left, h = frame.bottom - frame.top;
    return {work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2, w, h};
}

TForm::~TForm()
{
    if (hwnd_ != nullptr) {
        // The derived part is gone: the window must not reach its handlers any more.
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
        UnregisterForm(this);
    }
    if (accelerators_ != nullptr)
        ::DestroyAcceleratorTable(accelerators_);
}

void TForm::SetModalHook(TModalHook hook) { ModalHook() = std::move(hook); }

void TForm::Create(HWND owner, const std::string& caption, const TBounds& b, bool sizeable)
{
    RegisterClasses(Trampoline);
    SetMessageFilter(FilterMessage);
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (sizeable ? WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX : 0);
    DWORD exStyle = WS_EX_CONTROLPARENT | (sizeable ? 0 : WS_EX_DLGMODALFRAME);
    HWND hwnd = ::CreateWindowExA(exStyle, FormClass, caption.c_str(), style, b.X, b.Y, b.W, b.H, owner, nullptr,
                                  ::GetModuleHandleA(nullptr), this);
    if (hwnd == nullptr)
        RaiseLastOSError("Cannot create the window \"" + caption + "\"");
    RegisterForm(this);
    OnCreate();
}

TForm* TForm::FromHandle(HWND hwnd)
{
    HWND root = hwnd != nullptr ? ::GetAncestor(hwnd, GA_ROOT) : nullptr;
    if (root == nullptr || formAtom == 0 || ::GetClassLongPtrA(root, GCW_ATOM) != formAtom)
        return nullptr;
    return reinterpret_cast<TForm*>(::GetWindowLongPtrA(root, GWLP_USERDATA));
}

void TForm::FirstShow()
{
    if (shown_)
        return;
    shown_ = true;
    OnFirstShow();
}

void TForm::Show()
{
    FirstShow();
    ::ShowWindow(hwnd_, SW_SHOW);
}

int TForm::ShowModal()
{
    HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    bool disableOwner = owner != nullptr && ::IsWindowEnabled(owner);
    if (disableOwner)
        ::EnableWindow(owner, FALSE);
    modalResult_ = mrNone;
    modal_ = true;
    RunGuarded(hwnd_, [&] {
        FirstShow();
        ::ShowWindow(hwnd_, SW_SHOW);
        ::SetActiveWindow(hwnd_);
        OnActivate();
    });
    if (ModalHook())
        ::PostMessageA(hwnd_, WM_WINLIB_MODALHOOK, 0, 0);
    while (modalResult_ == mrNone)
        if (!HandleOneMessage())
            modalResult_ = mrCancel;  // the program is ending
    // The owner is enabled before this form hides, so that it gets the activation back.
    if (disableOwner)
        ::EnableWindow(owner, TRUE);
    ::ShowWindow(hwnd_, SW_HIDE);
    modal_ = false;
    return modalResult_;
}

void TForm::Destroy()
{
    if (hwnd_ != nullptr)
        ::DestroyWindow(hwnd_);
}

TBounds TForm::NormalBounds() const
{
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    ::GetWindowPlacement(hwnd_, &wp);
    const RECT& r = wp.rcNormalPosition;
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void TForm::SetNormalBounds(const TBounds& b) const
{
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    ::GetWindowPlacement(hwnd_, &wp);
    wp.rcNormalPosition = {b.X, b.Y, b.X + std::max(b.W, MinWidth), b.Y + std::max(b.H, MinHeight)};
    if (!Visible())
        wp.showCmd = SW_HIDE;
    ::SetWindowPlacement(hwnd_, &wp);
}

TBounds TForm::ClientBounds() const
{
    RECT r = {};
    ::GetClientRect(hwnd_, &r);
    return {0, 0, r.right, r.bottom};
}

void TForm::SetMenu(const TMenu& menu) const { ::SetMenu(hwnd_, menu.Handle()); }

void TForm::SetAccelerators(const std::vector<ACCEL>& keys)
{
    HACCEL table = ::CreateAcceleratorTableA(const_cast<ACCEL*>(keys.data()), static_cast<int>(keys.size()));
    if (table == nullptr)
        RaiseLastOSError("Cannot create the accelerator table of \"" + Caption() + "\"");
    if (accelerators_ != nullptr)
        ::DestroyAcceleratorTable(accelerators_);
    accelerators_ = table;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TForm::Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    TForm* form = nullptr;
    if (message == WM_NCCREATE) {
        form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    } else {
        form = reinterpret_cast<TForm*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (form == nullptr)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return form->Dispatch(message, wParam, lParam);
    } catch (const std::exception& error) {
        ReportException(hwnd, error);
        return 0;
    }
}

bool TForm::HandleCommand(WPARAM wParam, LPARAM lParam)
{
    LRESULT ignored = 0;
    if (lParam != 0)
        return ReflectMessage(WM_COMMAND, wParam, lParam, ignored);
    // A menu item (0), an accelerator (1), or Esc from dialog navigation without a Cancel button.
    int id = LOWORD(wParam);
    if (id == IDCANCEL && modal_) {
        Close();
        return true;
    }
    return DispatchMenuCommand(id) || OnCommand(id);
}

LRESULT TForm::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HandleCommand(wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CONTEXTMENU: {
        LRESULT result = 0;
        if (ReflectMessage(message, wParam, lParam, result))
            return result;
        if (message == WM_CTLCOLORSTATIC && Color != COLOR_BTNFACE) {  // labels take the form's colour
            ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(Color));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(Color));
        }
        break;
    }
    case WM_ERASEBKGND:
        if (Color != COLOR_BTNFACE) {  // the class brush is the dialog face
            RECT client = {};
            ::GetClientRect(hwnd_, &client);
            ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(Color));
            return 1;
        }
        break;
    case DM_GETDEFID:
        return DefaultButtonId != 0 ? MAKELRESULT(DefaultButtonId, DC_HASDEFID) : 0;
    case WM_WINLIB_MODALRESULT:
        modalResult_ = static_cast<int>(wParam);
        return 0;
    case WM_WINLIB_MODALHOOK:
        if (ModalHook() && modal_)
            ModalHook()(*this);
        return 0;
    case WM_CLOSE:
        if (OnCloseQuery()) {
            if (modal_)
                modalResult_ = mrCancel;
            else if (mainForm_)
                ::DestroyWindow(hwnd_);
            else
                Hide();
        }
        return 0;
    case WM_GETMINMAXINFO: {
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMinTrackSize.x = std::max<LONG>(info.ptMinTrackSize.x, MinWidth);
        info.ptMinTrackSize.y = std::max<LONG>(info.ptMinTrackSize.y, MinHeight);
        return 0;
    }
    case WM_SIZE:
        OnResize();
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_NCDESTROY:
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        UnregisterForm(this);
        if (mainForm_)
            Terminate(ExitCode());
        return 0;
    default:
        break;
    }
    return WndProc(message, wParam, lParam);
}

bool TForm::FilterMessage(MSG& msg)
{
    TForm* form = FromHandle(msg.hwnd);
    if (form == nullptr || form->hwnd_ == nullptr)
        return false;
    HWND root = form->hwnd_;
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && form->KeyPreview) {
        bool consumed = false;
        RunGuarded(root, [&] { consumed = form->OnKeyPreview(static_cast<UINT>(msg.wParam), CurrentShiftState()); });
        if (consumed)
            return true;
    }
    if (form->accelerators_ != nullptr && ::TranslateAcceleratorA(root, form->accelerators_, &msg))
        return true;
    return ::IsDialogMessageA(root, &msg) != FALSE;
}

void TPanel::Create(HWND parent, int id, const TBounds& bounds, bool controlParent)
{
    CreateWindowed(controlParent ? WS_EX_CONTROLPARENT : 0, PanelClass, "", WS_VISIBLE | WS_CLIPSIBLINGS, parent, id,
                   bounds);
}

}  // namespace winlib
