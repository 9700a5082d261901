// Every message box of both programs goes through ShowMessageBox, so that a test
// can answer it and see what it said.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace winlib {

// MessageBoxA with the same meaning of owner, flags and the answer (IDOK, IDYES, ...).
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// For a box of our own making that a test must answer like a message box: a
// "#32770" dialog whose text is the static 0xFFFF and whose buttons are answered
// by command id. show(context) runs its modal loop and returns the answer; the
// box is recorded and answered like one of ShowMessageBox.
using TBoxShow = int (*)(void* context);
int ShowResponderBox(const std::string& text, const std::string& caption, UINT flags, TBoxShow show, void* context);

// The one replaceable sink of every box (ShowMessageBox, ShowResponderBox): while
// set, boxes go to it instead of the screen (a silent run writes them to stderr)
// and its result is the answer. An empty function restores real boxes.
using TMessageSink = std::function<int(const std::string& text, const std::string& caption, UINT flags)>;
void SetMessageSink(TMessageSink sink);

// What a box showed and how it was answered.
struct TBoxRecord {
    std::string Caption;
    std::string Text;
    UINT Flags = 0;
    int Answer = 0;
    bool Scripted = true;  // false: the responder had no answer left and closed it

    UINT Icon() const { return Flags & MB_ICONMASK; }          // MB_ICONERROR, ...
    UINT Buttons() const { return Flags & MB_TYPEMASK; }       // MB_OK, MB_YESNO, ...
    int DefaultButton() const { return static_cast<int>((Flags & MB_DEFMASK) >> 8); }  // 0 = first
};

// Test responder: while it lives, boxes shown on this thread are answered in
// order with the scripted button ids, through a thread-local WH_CBT hook, and
// recorded. A box beyond the script gets the first of Cancel, No, OK that it
// has and is recorded as unscripted, so a test fails instead of hanging.
class TBoxResponder {
public:
    explicit TBoxResponder(std::vector<int> answers);
    ~TBoxResponder();
    TBoxResponder(const TBoxResponder&) = delete;
    TBoxResponder& operator=(const TBoxResponder&) = delete;

    const std::vector<TBoxRecord>& Boxes() const { return boxes_; }
    int UnscriptedCount() const;

private:
    friend int ShowResponderBox(const std::string&, const std::string&, UINT, TBoxShow, void*);
    friend LRESULT CALLBACK BoxResponderHook(int, WPARAM, LPARAM);
    std::vector<int> answers_;
    size_t next_ = 0;
    std::vector<TBoxRecord> boxes_;
    HHOOK hook_ = nullptr;
    TBoxResponder* previous_ = nullptr;  // the responder this one hides while it lives
    std::vector<size_t> pending_;        // records of ShowMessageBox calls still open, innermost last
    std::vector<HWND> windows_;          // the box window of each record, once answered
};

}  // namespace winlib
