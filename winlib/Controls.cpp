#include "winlib/Controls.h"

#include <memory>
#include <mutex>
#include <unordered_map>

#include "winlib/Application.h"
#include "winlib/Form.h"
#include "winlib/OsError.h"

namespace winlib {

namespace {

// Each bound window's wrapper, kept in the program's memory rather than in a
// window property: under Wine a property costs a server round trip to set and
// another each time it is read, and a label's colour is asked at every paint.
// Never destroyed, so wrappers that outlive the statics can still unbind.
struct TBindings {
    std::mutex Lock;
    std::unordered_map<HWND, TControl*> Wrappers;
};

TBindings& Bindings()
{
    static TBindings* bindings = new TBindings;
    return *bindings;
}

HFONT GuiFont() { return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)); }

thread_local bool noCreationFont = false;  // a TNoCreationFont lives on this thread

}  // namespace

unsigned CurrentShiftState()
{
    unsigned shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0)
        shift |= ssShift;
    if (::GetKeyState(VK_CONTROL) < 0)
        shift |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

std::string TControl::Text() const
{
    if (windowless_)
        return text_;
    int length = ::GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = ::GetWindowTextA(hwnd_, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

TBounds TControl::Bounds() const
{
    RECT r = {};
    ::GetWindowRect(hwnd_, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void TControl::CreateWindowed(DWORD exStyle, const char* className, const std::string& text, DWORD style,
                              HWND parent, int id, const TBounds& b)
{
    // A windowless field's kept text is the window's first text: set at creation,
    // it notifies nobody.
    const std::string& first = windowless_ ? text_ : text;
    if (windowless_ && !enabled_)
        style |= WS_DISABLED;
    if (bound_)
        Unbind(hwnd_);  // a wrapper made again leads from its new window only
    hwnd_ = ::CreateWindowExA(exStyle, className, first.c_str(), style | WS_CHILD, b.X, b.Y, b.W, b.H, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ == nullptr)
        RaiseLastOSError(std::string("Cannot create a control of class ") + className + " (id " + std::to_string(id) +
                         ")");
    windowless_ = false;
    if (!noCreationFont)
        ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), FALSE);
    BindControl(hwnd_, this);
}

TNoCreationFont::TNoCreationFont() : previous_(noCreationFont) { noCreationFont = true; }

TNoCreationFont::~TNoCreationFont() { noCreationFont = previous_; }

// A window that outlives its wrapper must not lead to it: every window bound to
// this one (its own, a helper such as a tool bar's tooltip) is unbound. A copy of
// a wrapper was never bound.
TControl::~TControl()
{
    if (bound_)
        Unbind(nullptr);
}

// Ends the binding of window to this wrapper, or (nullptr) of every window bound to it.
void TControl::Unbind(HWND window) const
{
    TBindings& bindings = Bindings();
    std::lock_guard<std::mutex> hold(bindings.Lock);
    for (auto bound = bindings.Wrappers.begin(); bound != bindings.Wrappers.end();) {
        bool mine = bound->second == this && (window == nullptr || bound->first == window);
        bound = mine ? bindings.Wrappers.erase(bound) : std::next(bound);
    }
}

TControl* ControlOf(HWND hwnd)
{
    if (hwnd == nullptr)
        return nullptr;
    TBindings& bindings = Bindings();
    std::lock_guard<std::mutex> hold(bindings.Lock);
    auto bound = bindings.Wrappers.find(hwnd);
    return bound != bindings.Wrappers.end() ? bound->second : nullptr;
}

// A destroyed window's entry stays until its wrapper goes or makes a new window:
// the system gives a handle value out again only after its reuse count wraps.
void BindControl(HWND hwnd, TControl* control)
{
    TBindings& bindings = Bindings();
    std::lock_guard<std::mutex> hold(bindings.Lock);
    bindings.Wrappers[hwnd] = control;
    control->bound_ = true;
}

bool ReflectMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND:
        if (TControl* c = ControlOf(reinterpret_cast<HWND>(lParam)))
            return c->ReflectCommand(HIWORD(wParam), LOWORD(wParam));
        return false;
    case WM_NOTIFY: {
        NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
        if (TControl* c = ControlOf(header.hwndFrom))
            return c->ReflectNotify(header, result);
        return false;
    }
    case WM_CTLCOLORSTATIC:
        if (TControl* c = ControlOf(reinterpret_cast<HWND>(lParam))) {
            HBRUSH brush = c->ReflectCtlColor(reinterpret_cast<HDC>(wParam));
            result = reinterpret_cast<LRESULT>(brush);
            return brush != nullptr;
        }
        return false;
    case WM_CONTEXTMENU:
        if (TControl* c = ControlOf(reinterpret_cast<HWND>(wParam)))
            return c->ReflectContextMenu(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return false;
    default:
        return false;
    }
}

// ---- TEdit

void TEdit::Create(HWND parent, int id, const TBounds& bounds, bool readOnly)
{
    const bool mark = windowless_ && modified_;
    CreateWindowed(WS_EX_CLIENTEDGE, "EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | (readOnly ? ES_READONLY : 0),
                   parent, id, bounds);
    if (mark)
        SetModified(true);
}

bool TEdit::SetText(const std::string& text) const
{
    TMaskScope mask(masked_);
    bool mark = Modified();
    bool done = TControl::SetText(text);
    SetModified(mark);
    return done;
}

bool TEdit::ReflectCommand(WORD code, WORD)
{
    if (code != EN_CHANGE)
        return false;
    if (!masked_ && OnChange)
        OnChange();
    return true;
}

// ---- TButton

void TButton::Create(HWND parent, int id, const TBounds& bounds, const std::string& caption, bool isDefault)
{
    CreateWindowed(0, "BUTTON", caption, WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                   parent, id, bounds);
}

bool TButton::ReflectCommand(WORD code, WORD)
{
    if (code != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    if (ModalResult != 0)
        ::SendMessageA(::GetAncestor(hwnd_, GA_ROOT), WM_WINLIB_MODALRESULT, static_cast<WPARAM>(ModalResult), 0);
    return true;
}

// ---- TCheckBox

void TCheckBox::Create(HWND parent, int id, const TBounds& bounds, const std::string& caption)
{
    CreateWindowed(0, "BUTTON", caption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, parent, id, bounds);
}

void TCheckBox::SetChecked(bool on) const
{
    if (Checked() == on)
        return;
    ::SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    if (OnClick)
        OnClick();
}

bool TCheckBox::ReflectCommand(WORD code, WORD)
{
    if (code != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

// ---- TComboBox

void TComboBox::Create(HWND parent, int id, const TBounds& bounds, bool editable)
{
    // The height includes the drop-down list.
    TBounds withList = bounds;
    withList.H = bounds.H + 200;
    // A windowless box's list, choice and typed text go into its new window.
    const bool kept = windowless_;
    const std::vector<std::string> items = std::move(items_);
    const std::string typed = std::move(text_);
    const int chosen = index_;
    items_.clear();
    text_.clear();
    CreateWindowed(0, "COMBOBOX", "",
                   WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | (editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST),
                   parent, id, withList);
    if (!kept)
        return;
    for (const std::string& item : items)
        Add(item);
    if (chosen >= 0)
        SetItemIndex(chosen);
    if (editable && !typed.empty())
        SetText(typed);
}

void TComboBox::Clear() const
{
    if (windowless_) {
        items_.clear();
        index_ = -1;
        text_.clear();
        return;
    }
    ::SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
}

int TComboBox::Add(const std::string& item) const
{
    if (windowless_) {
        items_.push_back(item);
        return static_cast<int>(items_.size()) - 1;
    }
    return static_cast<int>(::SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())));
}

int TComboBox::Count() const
{
    if (windowless_)
        return static_cast<int>(items_.size());
    return static_cast<int>(::SendMessageA(hwnd_, CB_GETCOUNT, 0, 0));
}

int TComboBox::ItemIndex() const
{
    if (windowless_)
        return index_;
    return static_cast<int>(::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
}

// As CB_SETCURSEL: the text becomes the item's, and an index outside the list
// leaves no choice and no text.
void TComboBox::SetItemIndex(int index) const
{
    if (windowless_) {
        bool inside = index >= 0 && index < Count();
        index_ = inside ? index : -1;
        text_ = inside ? items_[static_cast<size_t>(index)] : std::string();
        return;
    }
    ::SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TComboBox::IndexOf(const std::string& text) const
{
    if (windowless_) {
        for (size_t i = 0; i < items_.size(); ++i)
            if (::lstrcmpiA(items_[i].c_str(), text.c_str()) == 0)
                return static_cast<int>(i);
        return -1;
    }
    return static_cast<int>(
        ::SendMessageA(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
}

std::string TComboBox::Item(int index) const
{
    if (windowless_)
        return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)] : std::string();
    LRESULT length = ::SendMessageA(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = ::SendMessageA(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
    return text;
}

void TComboBox::SetItems(const std::vector<std::string>& items) const
{
    TMaskScope mask(masked_);
    Clear();
    for (const std::string& item : items)
        Add(item);
}

std::vector<std::string> TComboBox::Items() const
{
    std::vector<std::string> items;
    for (int i = 0, n = Count(); i < n; ++i)
        items.push_back(Item(i));
    return items;
}

bool TComboBox::SelectComboItem(const std::string& text) const
{
    int index = IndexOf(text);
    if (index < 0)
        return false;
    TMaskScope mask(masked_);
    SetItemIndex(index);
    return true;
}

bool TComboBox::SetText(const std::string& text) const
{
    TMaskScope mask(masked_);
    return TControl::SetText(text);
}

bool TComboBox::ReflectCommand(WORD code, WORD)
{
    if (code != CBN_SELCHANGE && code != CBN_EDITCHANGE)
        return false;
    if (!masked_ && OnChange)
        OnChange();
    return true;
}

// ---- TLabel, TGroupBox, TLinkLabel

void TLabel::Create(HWND parent, int id, const TBounds& bounds, const std::string& caption)
{
    CreateWindowed(0, "STATIC", caption, WS_VISIBLE | SS_LEFT, parent, id, bounds);
}

// A group box paints only its frame and caption. A form clips its children
// (WS_CLIPCHILDREN), so without WS_EX_TRANSPARENT nothing would paint inside the
// group and it would show black; transparent, the form paints there.
void TGroupBox::Create(HWND parent, int id, const TBounds& bounds, const std::string& caption)
{
    CreateWindowed(WS_EX_TRANSPARENT, "BUTTON", caption, WS_VISIBLE | BS_GROUPBOX, parent, id, bounds);
}

namespace {

constexpr UINT_PTR kLinkSubclassId = 0x4C4E4B;  // "LNK"
// The same state for Hot(): MinGW's comctl32 import library has no GetWindowSubclass.
const char LinkHoverProp[] = "winlib.linkhover";

// What a link label's window keeps while it lives. The form's fields (the
// wrappers) are destroyed before the form's window and its children, so this
// lives with the window and is freed at WM_NCDESTROY.
struct TLinkHover {
    bool Hot = false;
    HFONT Plain = nullptr;       // the font given to the label (not ours)
    HFONT Underlined = nullptr;  // ours: made from Plain at the first hover
};

void DropUnderlined(TLinkHover& hover)
{
    if (hover.Underlined != nullptr)
        ::DeleteObject(hover.Underlined);
    hover.Underlined = nullptr;
}

// The underlined copy of the plain font, made once per font.
HFONT UnderlinedFont(TLinkHover& hover)
{
    if (hover.Underlined == nullptr) {
        // A static without a font draws in the system font.
        HGDIOBJ plain = hover.Plain != nullptr ? hover.Plain : ::GetStockObject(SYSTEM_FONT);
        LOGFONTA lf = {};
        if (::GetObjectA(plain, sizeof lf, &lf) != 0) {
            lf.lfUnderline = TRUE;
            hover.Underlined = ::CreateFontIndirectA(&lf);
        }
    }
    // Out of GDI objects the hot label keeps its plain font: the hand cursor
    // still marks it as a link, and no underline beats no text.
    return hover.Underlined != nullptr ? hover.Underlined : hover.Plain;
}

// Every font change goes through WM_SETFONT: the handler below picks the plain
// or the underlined font by the hover state.
void ShowHover(HWND label, TLinkHover& hover, bool hot)
{
    hover.Hot = hot;
    ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(hover.Plain), FALSE);
    ::InvalidateRect(label, nullptr, TRUE);
}

void EnterHover(HWND label, TLinkHover& hover)
{
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, label, 0};
    // Without the leave notice the label would stay underlined: no tracking, no hover.
    // Wine differs from Windows: when the pointer is not over the label, Windows posts
    // WM_MOUSELEAVE at once, while Wine posts nothing (the label stays hot until the
    // pointer has passed over it and left).
    if (::TrackMouseEvent(&track))
        ShowHover(label, hover, true);
}

LRESULT SetLinkFont(HWND label, TLinkHover& hover, WPARAM wParam, LPARAM lParam)
{
    auto font = reinterpret_cast<HFONT>(wParam);
    if (font != hover.Plain) {  // a new font from outside: its underlined copy follows
        hover.Plain = font;
        DropUnderlined(hover);
    }
    HFONT shown = hover.Hot ? UnderlinedFont(hover) : hover.Plain;
    return ::DefSubclassProc(label, WM_SETFONT, reinterpret_cast<WPARAM>(shown), lParam);
}

LRESULT CALLBACK LinkProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data)
{
    auto& hover = *reinterpret_cast<TLinkHover*>(data);
    switch (message) {
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            if (HCURSOR hand = ::LoadCursorA(nullptr, IDC_HAND)) {
                ::SetCursor(hand);
                return TRUE;
            }
        }
        break;  // no hand cursor on this system: the class cursor
    case WM_MOUSEMOVE:
        if (!hover.Hot)
            EnterHover(label, hover);
        break;
    case WM_MOUSELEAVE:
        if (hover.Hot)
            ShowHover(label, hover, false);
        return 0;
    case WM_SETFONT:
        return SetLinkFont(label, hover, wParam, lParam);
    case WM_NCDESTROY: {
        ::RemoveWindowSubclass(label, LinkProc, id);
        ::RemovePropA(label, LinkHoverProp);
        LRESULT result = ::DefSubclassProc(label, message, wParam, lParam);
        DropUnderlined(hover);  // the window no longer draws with it
        delete &hover;
        return result;
    }
    default:
        break;
    }
    return ::DefSubclassProc(label, message, wParam, lParam);
}

}  // namespace

void TLinkLabel::Create(HWND parent, int id, const TBounds& bounds, const std::string& caption)
{
    CreateWindowed(0, "STATIC", caption, WS_VISIBLE | SS_LEFT | SS_NOTIFY, parent, id, bounds);
    auto hover = std::make_unique<TLinkHover>();
    hover->Plain = reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    if (!::SetPropA(hwnd_, LinkHoverProp, hover.get()))
        RaiseLastOSError("Cannot give a link label its hover state");
    if (!::SetWindowSubclass(hwnd_, LinkProc, kLinkSubclassId, reinterpret_cast<DWORD_PTR>(hover.get()))) {
        DWORD error = ::GetLastError();
        ::RemovePropA(hwnd_, LinkHoverProp);
        throw EOSError(error, "Cannot give a link label its hover");
    }
    hover.release();  // the window owns it now
}

bool TLinkLabel::Hot() const
{
    const auto* hover = static_cast<const TLinkHover*>(::GetPropA(hwnd_, LinkHoverProp));
    return hover != nullptr && hover->Hot;
}

bool TLinkLabel::ReflectCommand(WORD code, WORD)
{
    if (code != STN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

HBRUSH TLinkLabel::ReflectCtlColor(HDC dc)
{
    ::SetTextColor(dc, RGB(0, 0, 255));
    ::SetBkMode(dc, TRANSPARENT);
    const TForm* form = TForm::FromHandle(hwnd_);
    return ::GetSysColorBrush(form != nullptr ? form->Color : COLOR_BTNFACE);
}

// ---- TUpDown

void TUpDown::Create(HWND parent, int id, const TBounds& bounds)
{
    CreateWindowed(0, UPDOWN_CLASSA, "", WS_VISIBLE, parent, id, bounds);
    ::SendMessageA(hwnd_, UDM_SETRANGE32, 0, 0);
}

bool TUpDown::ReflectNotify(NMHDR& header, LRESULT& result)
{
    if (header.code != UDN_DELTAPOS)
        return false;
    const NMUPDOWN& change = reinterpret_cast<const NMUPDOWN&>(header);
    result = 0;
    if (OnClick)
        OnClick(change.iDelta > 0);
    return true;
}

// ---- TSplitter

namespace {
const char SplitterClass[] = "WinlibSplitter";
}

void TSplitter::Create(HWND parent, int id, const TBounds& bounds)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, IDC_SIZEWE);
        wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = SplitterClass;
        if (::RegisterClassA(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            RaiseLastOSError("Cannot register the splitter window class");
        registered = true;
    }
    CreateWindowed(0, SplitterClass, "", WS_VISIBLE, parent, id, bounds);
}

LRESULT CALLBACK TSplitter::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<TSplitter*>(ControlOf(hwnd));
    if (self != nullptr) {
        int x = static_cast<short>(LOWORD(lParam));
        switch (message) {
        case WM_LBUTTONDOWN:
            self->grab_ = x;
            ::SetCapture(hwnd);
            return 0;
        case WM_LBUTTONUP:
            if (self->grab_ >= 0) {
                int left = self->Bounds().X + x - self->grab_;
                self->grab_ = -1;
                ::ReleaseCapture();
                if (left < self->MinLeft)
                    left = self->MinLeft;
                // A throwing handler must not unwind through user32.
                RunGuarded(hwnd, [&] {
                    if (self->OnMoved)
                        self->OnMoved(left);
                });
            }
            return 0;
        default:
            break;
        }
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace winlib
