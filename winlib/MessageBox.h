// Every message box of both programs goes through ShowMessageBox, so that a test
// can answer it and see what it said.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace winlib {

// MessageBoxA with the same meaning of owner, flags and the answer (IDOK, IDYES, ...).
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// What a box showed and how it was answered.
struct TBoxRecord {
    std::string Caption;
    std::string Text;
    UINT Flags = 0;
    int Answer = 0;
    bool Scripted = true;  // false: the responder had no answer left and closed it
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
    friend int ShowMessageBox(HWND, const std::string&, const std::string&, UINT);
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
