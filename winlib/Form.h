// Top-level windows of our own: a form is a class with its controls as fields and
// its handlers as methods. The window procedure is one static trampoline that
// finds the form (stored once at WM_NCCREATE), hands control notifications back
// to their wrappers, dispatches to the virtual handlers, and catches every
// exception at the boundary (one error box through the message function).
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "winlib/Controls.h"

namespace winlib {

enum TModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrYes = IDYES, mrNo = IDNO };

class TMenu;

// Outer bounds of a fixed dialog window with this client size, centred on the
// work area.
TBounds CentredDialogBounds(int clientWidth, int clientHeight);

class TForm {
public:
    TForm() = default;
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    // Makes the hidden window, registers the form in the application's list and
    // runs OnCreate. bounds: outer position and size; sizeable: a resizing border
    // and maximize box. Throws EOSError.
    void Create(HWND owner, const std::string& caption, const TBounds& bounds, bool sizeable = false);
    HWND Handle() const { return hwnd_; }
    // The form (of this process) whose window is hwnd or holds it, or nullptr.
    static TForm* FromHandle(HWND hwnd);

    // Shows the form modelessly (OnFirstShow before the first showing).
    void Show();
    void Hide() const { ::ShowWindow(hwnd_, SW_HIDE); }
    bool Visible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
    // Shows the form with its owner disabled and runs its own loop until ModalResult
    // is set (a button with a ModalResult, Esc, the close box, SetModalResult).
    // OnActivate runs once, after the form is visible.
    int ShowModal();
    bool InModalLoop() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    // A close request: OnCloseQuery decides; a modal form ends with mrCancel, the
    // main form is destroyed (ending the program's loop), others hide.
    void Close() const { ::SendMessageA(hwnd_, WM_CLOSE, 0, 0); }
    // The main form's destruction ends the program's message loop.
    void SetMainForm(bool on) { mainForm_ = on; }
    void Destroy();

    std::string Caption() const { return TControl(hwnd_).Text(); }
    void SetCaption(const std::string& caption) const { TControl(hwnd_).SetText(caption); }
    // Bounds of the restored window (GetWindowPlacement), whatever its state.
    TBounds NormalBounds() const;
    void SetNormalBounds(const TBounds& bounds) const;  // no smaller than MinWidth x MinHeight
    bool Maximized() const { return ::IsZoomed(hwnd_) != FALSE; }
    TBounds ClientBounds() const;

    // The system colour of the form's background and of its labels (COLOR_...).
    int Color = COLOR_BTNFACE;
    // The smallest window size a sizeable form takes, by the user or by code (0: none).
    int MinWidth = 0, MinHeight = 0;
    // Enter presses the button with this id (DM_GETDEFID); 0: none.
    int DefaultButtonId = 0;
    // Keys go to OnKeyPreview before the focused control.
    bool KeyPreview = false;
    void SetMenu(const TMenu& menu) const;
    // Accelerator table of this form (TranslateAccelerator in every loop).
    void SetAccelerators(const std::vector<ACCEL>& keys);

    // Runs inside each modal loop once the form is active (tests answer forms with it).
    using TModalHook = std::function<void(TForm& form)>;
    static void SetModalHook(TModalHook hook);

protected:
    virtual void OnCreate() {}
    virtual void OnFirstShow() {}
    virtual void OnActivate() {}  // once per ShowModal, after the form is visible
    virtual void OnDestroy() {}
    virtual bool OnCloseQuery() { return true; }
    virtual void OnResize() {}
    // Key preview (KeyPreview set): true consumes the key.
    virtual bool OnKeyPreview(UINT /*key*/, unsigned /*shift*/) { return false; }
    // A menu or accelerator command that no TMenu item handled.
    virtual bool OnCommand(int /*id*/) { return false; }
    // Everything else; the default calls DefWindowProcA.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static bool FilterMessage(MSG& msg);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleCommand(WPARAM wParam, LPARAM lParam);
    void FirstShow();

    HWND hwnd_ = nullptr;
    HACCEL accelerators_ = nullptr;
    int modalResult_ = 0;
    bool modal_ = false;
    bool shown_ = false;
    bool mainForm_ = false;
};

// A child window of ours that holds controls (a tab sheet, a panel): it hands
// their notifications back to them and passes the rest to its parent.
class TPanel : public TControl {
public:
    using TControl::TControl;
    // controlParent: WS_EX_CONTROLPARENT, so Tab moves through its controls.
    void Create(HWND parent, int id, const TBounds& bounds, bool controlParent = true);
};

}  // namespace winlib
