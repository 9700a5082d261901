// Drives forms as a user would, for tests only. Each action sends the message the
// control itself would send (never calls a handler), so the wiring is tested too;
// an action a user could not take (disabled, hidden or read-only control, disabled
// menu item or tool button) fails the test and does nothing.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "winlib/Controls.h"
#include "winlib/Dialogs.h"
#include "winlib/Form.h"
#include "winlib/Menus.h"
#include "winlib/MessageBox.h"
#include "winlib/Shell.h"
#include "winlib/Views.h"

namespace winlib::testing {

// Whether a user could reach the control: enabled and visible, with every parent.
bool UserCanReach(HWND control);
// The colour the window shows at a point of its client area, as painted on the screen.
COLORREF ShownPixel(HWND window, int x, int y);
// The window as it paints itself, frame included, written as a 24-bit BMP file.
bool WriteWindowPicture(HWND window, const std::string& path);
// The controls of the form (on every tab page) that lie partly or wholly outside
// their parent's client area, described one per entry: clipped, a user cannot
// see or click them.
std::vector<std::string> ControlsOutsideTheirParents(HWND form);

void Click(const TButton& button);
void Toggle(const TCheckBox& box);
void ToggleItem(const TCheckList& list, int index);
// A click or double click (click, then double click) on the row's text, not its box.
void ClickItem(const TCheckList& list, int index);
void DoubleClickItem(const TCheckList& list, int index);
void ChooseItem(const TComboBox& combo, int index);
void Type(const TEdit& edit, const std::string& text);
void TypeInCombo(const TComboBox& combo, const std::string& text);
void ClickLink(const TLinkLabel& link);
void ClickRow(const TListView& list, int index, unsigned shift = 0);
void DoubleClickRow(const TListView& list, int index);
void ClickHeader(const TListView& list, int column);
void ClickNode(const TTreeView& tree, HTREEITEM node);
void ClickTab(const TPageControl& pages, int page);
void ClickArrow(const TUpDown& arrows, bool up);
void ClickMenuItem(const TForm& form, const TMenu& menu, int id);
void ClickToolButton(const TToolBar& bar, int id);
// WM_KEYDOWN sent to the control, with the modifiers set in the keyboard state.
void PressKey(HWND control, UINT key, unsigned shift = 0);
// WM_KEYDOWN posted to the control and run through the application's loop
// (key preview, accelerators, dialog keys).
void PressKeyInLoop(HWND control, UINT key, unsigned shift = 0);
// An in-process HDROP of the paths, sent as WM_DROPFILES.
void DropFiles(HWND target, const std::vector<std::string>& paths);

// Message boxes: answers in order; on destruction an unexpected box (one beyond
// the answers) fails the test.
class TExpectBoxes : public TBoxResponder {
public:
    explicit TExpectBoxes(std::vector<int> answers = {}) : TBoxResponder(std::move(answers)) {}
    ~TExpectBoxes();
};

// File and folder dialogs: answered from a queue without showing anything; each
// request is recorded. A dialog with no answer queued is cancelled and fails the test.
struct TDialogRequest {
    enum TKind { Open, Save, Folder } Kind = Open;
    std::string Filter, FileName, InitialDir, DefaultExt, Title;  // Title: the folder prompt
    DWORD Options = 0;
};
class TDialogResponder {
public:
    TDialogResponder();
    ~TDialogResponder();
    TDialogResponder(const TDialogResponder&) = delete;
    TDialogResponder& operator=(const TDialogResponder&) = delete;
    void Choose(std::vector<std::string> paths) { answers_.push_back({true, std::move(paths)}); }
    void Cancel() { answers_.push_back({false, {}}); }
    const std::vector<TDialogRequest>& Requests() const { return requests_; }

private:
    struct TAnswer {
        bool Ok;
        std::vector<std::string> Paths;
    };
    bool Answer(TDialogRequest request, std::vector<std::string>& paths);
    std::deque<TAnswer> answers_;
    std::vector<TDialogRequest> requests_;
};

// Program starts and shell opens are recorded, never launched.
class TShellRecorder {
public:
    TShellRecorder();
    ~TShellRecorder();
    TShellRecorder(const TShellRecorder&) = delete;
    TShellRecorder& operator=(const TShellRecorder&) = delete;
    const std::vector<TShellRequest>& Requests() const { return requests_; }

private:
    std::vector<TShellRequest> requests_;
};

// Modal forms: each ShowModal runs the next queued responder inside its loop; the
// responder must end the form (click OK or Cancel). A form with no responder, or
// left open by one, is closed with Cancel and fails the test.
class TModalResponder {
public:
    TModalResponder();
    ~TModalResponder();
    TModalResponder(const TModalResponder&) = delete;
    TModalResponder& operator=(const TModalResponder&) = delete;
    void Expect(std::function<void(TForm& form)> responder) { queue_.push_back(std::move(responder)); }
    int Shown() const { return shown_; }

private:
    std::deque<std::function<void(TForm&)>> queue_;
    int shown_ = 0;
};

// Any dialog ("#32770") activated while it lives gets IDCANCEL: for real system
// dialogs (open, save, folder) that a test opens and cancels.
class TCancelDialogs {
public:
    TCancelDialogs();
    ~TCancelDialogs();
    TCancelDialogs(const TCancelDialogs&) = delete;
    TCancelDialogs& operator=(const TCancelDialogs&) = delete;
    int Count() const;
    std::vector<std::string> Captions() const;

private:
    HHOOK hook_ = nullptr;
};

}  // namespace winlib::testing
