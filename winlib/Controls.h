// Thin wrappers over child controls: each holds its window handle (and, where the
// control needs it, its event handler), and each method is one message or call
// that says what it does.
//
// Events: a control created through Create() is bound to its wrapper, and the
// window that receives its notifications (a TForm or a panel of ours) hands
// WM_COMMAND / WM_NOTIFY back to the wrapper ("reflection"), which runs its
// OnClick / OnChange. Wrappers are fields of their form and never move.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace winlib {

// Position and size in the parent's client coordinates.
struct TBounds {
    int X = 0, Y = 0, W = 0, H = 0;
};

using TNotifyEvent = std::function<void()>;

// Sent by a button with a ModalResult to its top-level form (wParam: the result).
constexpr UINT WM_WINLIB_MODALRESULT = WM_USER + 0x700;

// Modifier keys held during a key or mouse event.
enum TShift : unsigned { ssShift = 1, ssCtrl = 2, ssAlt = 4 };
unsigned CurrentShiftState();

// What every window offers.
class TControl {
public:
    TControl() = default;
    explicit TControl(HWND hwnd) : hwnd_(hwnd) {}
    virtual ~TControl();  // unbinds the window, when bound to this wrapper

    HWND Handle() const { return hwnd_; }
    void Attach(HWND hwnd) { hwnd_ = hwnd; }

    bool Show(bool visible) const { return ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE) != FALSE; }
    bool Visible() const { return (::GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Enable(bool on) const
    {
        if (windowless_) {
            bool wasDisabled = !enabled_;
            enabled_ = on;
            return wasDisabled;
        }
        return ::EnableWindow(hwnd_, on) != FALSE;
    }
    bool Enabled() const { return windowless_ ? enabled_ : ::IsWindowEnabled(hwnd_) != FALSE; }
    // WM_SETTEXT: an edit control's modified flag is cleared, as after loading.
    bool SetText(const std::string& text) const
    {
        if (windowless_) {
            text_ = text;
            return true;
        }
        return ::SendMessageA(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != FALSE;
    }
    std::string Text() const;
    int Id() const { return ::GetDlgCtrlID(hwnd_); }
    void SetFocus() const { ::SetFocus(hwnd_); }
    bool SetBounds(const TBounds& b) const { return ::MoveWindow(hwnd_, b.X, b.Y, b.W, b.H, TRUE) != FALSE; }
    TBounds Bounds() const;

    // Reflection, called by the window that received the control's notification.
    // True: handled (result set for WM_NOTIFY).
    virtual bool ReflectCommand(WORD /*code*/, WORD /*id*/) { return false; }
    virtual bool ReflectNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual HBRUSH ReflectCtlColor(HDC /*dc*/) { return nullptr; }
    virtual bool ReflectContextMenu(int /*x*/, int /*y*/) { return false; }

    // A field of a form that is never shown gets no window: it keeps its text,
    // enabled state (and an edit's mark, a combo box's items and choice) itself,
    // so that code reading and setting it works as with a window. Under Wine each
    // window costs dozens of server round trips, and the first one of a process
    // loads the display driver and the theme. Create() later gives such a field
    // its window, which starts with the kept state (no change notification).
    void MakeWindowless() { windowless_ = true; }

protected:
    // Creates the window (font set, wrapper bound for reflection); throws EOSError.
    void CreateWindowed(DWORD exStyle, const char* className, const std::string& text, DWORD style, HWND parent,
                        int id, const TBounds& bounds);
    HWND hwnd_ = nullptr;
    bool windowless_ = false;
    mutable std::string text_;  // the text and state of a windowless field
    mutable bool enabled_ = true;

private:
    friend void BindControl(HWND hwnd, TControl* control);
    void Unbind(HWND window) const;
    bool bound_ = false;  // some window was bound to this wrapper
};

// While one lives on this thread, controls made by Create() get no font of
// their own: for a form that gives each control its font itself, once it knows
// it. The usual font first would be a second WM_SETFONT each, and under Wine a
// WM_SETFONT is a round trip to the server (a combo box's, several).
class TNoCreationFont {
public:
    TNoCreationFont();
    ~TNoCreationFont();
    TNoCreationFont(const TNoCreationFont&) = delete;
    TNoCreationFont& operator=(const TNoCreationFont&) = delete;

private:
    bool previous_;
};

// The wrapper a window was bound to by Create(), or nullptr.
TControl* ControlOf(HWND hwnd);
// Binds hwnd to control for reflection (done by Create(); also for helper windows
// such as a tool bar's tooltip).
void BindControl(HWND hwnd, TControl* control);
// Hands a notification message to the wrapper of the control that sent it.
// For WM_COMMAND, WM_NOTIFY, WM_CTLCOLORSTATIC, WM_CONTEXTMENU; false when no wrapper took it.
bool ReflectMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Sets a value from code without its change notification reaching the handler.
class TMaskScope {
public:
    explicit TMaskScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~TMaskScope() { flag_ = was_; }
    TMaskScope(const TMaskScope&) = delete;
    TMaskScope& operator=(const TMaskScope&) = delete;

private:
    bool& flag_;
    bool was_;
};

// Single-line edit. Typing fires OnChange and sets the changed mark; SetText from
// code fires nothing and keeps the mark as it was.
class TEdit : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, bool readOnly = false);
    bool Modified() const { return windowless_ ? modified_ : ::SendMessageA(hwnd_, EM_GETMODIFY, 0, 0) != 0; }
    void SetModified(bool on) const
    {
        if (windowless_)
            modified_ = on;
        else
            ::SendMessageA(hwnd_, EM_SETMODIFY, on ? TRUE : FALSE, 0);
    }
    bool ReadOnly() const { return (::GetWindowLongPtrA(hwnd_, GWL_STYLE) & ES_READONLY) != 0; }
    void SetReadOnly(bool on) const { ::SendMessageA(hwnd_, EM_SETREADONLY, on ? TRUE : FALSE, 0); }
    // WM_SETTEXT sends EN_CHANGE and clears the mark: both are undone here.
    bool SetText(const std::string& text) const;

    TNotifyEvent OnChange;
    bool ReflectCommand(WORD code, WORD id) override;

private:
    mutable bool masked_ = false;
    mutable bool modified_ = false;  // windowless
};

class TButton : public TControl {
public:
    using TControl::TControl;
    // isDefault: BS_DEFPUSHBUTTON (Enter presses it, through the form's default id).
    void Create(HWND parent, int id, const TBounds& bounds, const std::string& caption, bool isDefault = false);
    void Click() const { ::SendMessageA(hwnd_, BM_CLICK, 0, 0); }

    TNotifyEvent OnClick;
    int ModalResult = 0;  // non-zero: a click ends the form's ShowModal with it
    bool ReflectCommand(WORD code, WORD id) override;
};

// A check box. Setting the state from code runs OnClick exactly when it changes
// (BM_SETCHECK notifies nothing); a user click runs it once.
class TCheckBox : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, const std::string& caption);
    void SetChecked(bool on) const;
    bool Checked() const { return ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

    TNotifyEvent OnClick;
    bool ReflectCommand(WORD code, WORD id) override;
};

// Drop-down list or editable combo box. Code sets fire nothing; OnChange runs once
// per user selection or typed change.
class TComboBox : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, bool editable = false);
    void Clear() const;
    int Add(const std::string& item) const;
    void SetItems(const std::vector<std::string>& items) const;
    std::vector<std::string> Items() const;
    int Count() const;
    int ItemIndex() const;
    void SetItemIndex(int index) const;
    // The first item equal to text without regard to case, or -1.
    int IndexOf(const std::string& text) const;
    std::string Item(int index) const;
    // Selects the first item equal to text ignoring case; no match (or no items)
    // leaves the selection as it was. True when an item was selected.
    bool SelectComboItem(const std::string& text) const;
    // The text of an editable combo box (no OnChange).
    bool SetText(const std::string& text) const;

    TNotifyEvent OnChange;
    bool ReflectCommand(WORD code, WORD id) override;

private:
    mutable bool masked_ = false;
    mutable std::vector<std::string> items_;  // windowless: the list (unsorted, as made) ...
    mutable int index_ = -1;                  // ... and the chosen item
};

// A static control showing a bitmap (SS_BITMAP).
class TImage : public TControl {
public:
    using TControl::TControl;
    // A picture control (STATIC with SS_BITMAP) of its own.
    void Create(HWND parent, int id, const TBounds& bounds)
    {
        CreateWindowed(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, parent, id, bounds);
    }
    // Hands the bitmap to the control; returns the one it showed before (the caller frees it).
    HBITMAP SetBitmap(HBITMAP bitmap) const
    {
        return reinterpret_cast<HBITMAP>(
            ::SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
    HBITMAP Bitmap() const { return reinterpret_cast<HBITMAP>(::SendMessageA(hwnd_, STM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

class TLabel : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, const std::string& caption);
};

class TGroupBox : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, const std::string& caption);
};

// A label drawn as a link that runs OnClick when clicked: blue, with the hand
// cursor over it, and underlined only while the mouse is over it ("hot"). The
// hover state and the underlined copy of the label's font belong to the window
// (freed with it), so a wrapper may go before its window does.
class TLinkLabel : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds, const std::string& caption);
    // The mouse is over the label (it is drawn underlined).
    bool Hot() const;

    TNotifyEvent OnClick;
    bool ReflectCommand(WORD code, WORD id) override;
    HBRUSH ReflectCtlColor(HDC dc) override;
};

// Up/down arrows without a buddy. The range is 0..0: the default 100..0 would turn
// the up arrow into -1. OnClick gets true for the up arrow.
class TUpDown : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds);

    std::function<void(bool up)> OnClick;
    bool ReflectNotify(NMHDR& header, LRESULT& result) override;
};

// A vertical bar the user drags to resize the control on its left. OnMoved gets
// the bar's new left edge in the parent's client coordinates.
class TSplitter : public TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const TBounds& bounds);
    std::function<void(int left)> OnMoved;
    int MinLeft = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    int grab_ = -1;  // mouse offset inside the bar while dragging
};

}  // namespace winlib
