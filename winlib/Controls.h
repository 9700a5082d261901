// Thin wrappers over child controls: each holds only its window handle, and each
// method is one message or call that says what it does.
#pragma once
#include <windows.h>

#include <string>

namespace winlib {

// What every window offers.
class TControl {
public:
    TControl() = default;
    explicit TControl(HWND hwnd) : hwnd_(hwnd) {}

    HWND Handle() const { return hwnd_; }
    void Attach(HWND hwnd) { hwnd_ = hwnd; }

    bool Show(bool visible) const { return ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE) != FALSE; }
    bool Visible() const { return (::GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Enable(bool on) const { return ::EnableWindow(hwnd_, on) != FALSE; }
    bool Enabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
    // WM_SETTEXT: an edit control's modified flag is cleared, as after loading.
    bool SetText(const std::string& text) const
    {
        return ::SendMessageA(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != FALSE;
    }
    std::string Text() const;

protected:
    HWND hwnd_ = nullptr;
};

class TEdit : public TControl {
public:
    using TControl::TControl;
    bool Modified() const { return ::SendMessageA(hwnd_, EM_GETMODIFY, 0, 0) != 0; }
};

class TButton : public TControl {
public:
    using TControl::TControl;
    void Click() const { ::SendMessageA(hwnd_, BM_CLICK, 0, 0); }
};

class TCheckBox : public TControl {
public:
    using TControl::TControl;
    void SetChecked(bool on) const { ::SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    bool Checked() const { return ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

class TComboBox : public TControl {
public:
    using TControl::TControl;
    void Clear() const { ::SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0); }
    int Add(const std::string& item) const
    {
        return static_cast<int>(::SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())));
    }
    int Count() const { return static_cast<int>(::SendMessageA(hwnd_, CB_GETCOUNT, 0, 0)); }
    int ItemIndex() const { return static_cast<int>(::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)); }
    void SetItemIndex(int index) const { ::SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    // The first item equal to text without regard to case, or -1.
    int IndexOf(const std::string& text) const
    {
        return static_cast<int>(
            ::SendMessageA(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
    }
    std::string Item(int index) const;
};

// A static control showing a bitmap (SS_BITMAP).
class TImage : public TControl {
public:
    using TControl::TControl;
    // Hands the bitmap to the control; returns the one it showed before (the caller frees it).
    HBITMAP SetBitmap(HBITMAP bitmap) const
    {
        return reinterpret_cast<HBITMAP>(
            ::SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
    HBITMAP Bitmap() const { return reinterpret_cast<HBITMAP>(::SendMessageA(hwnd_, STM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

}  // namespace winlib
