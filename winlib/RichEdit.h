// A rich-text control ("RichEdit20A") whose web addresses are links: a left click
// on one hands its text to the owner's opener.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace winlib {

class TRichEdit {
public:
    using TLinkOpener = std::function<void(const std::string& link)>;

    // Loads riched20.dll once; throws EOSError when it or the window cannot be made.
    // After creation, URL detection is on and link notifications are in the event mask.
    HWND Create(HWND parent, int id, DWORD style, DWORD exStyle, int x, int y, int width, int height);
    HWND Handle() const { return hwnd_; }

    void SetLinkOpener(TLinkOpener opener) { opener_ = std::move(opener); }

    // Call from the parent's WM_NOTIFY. Answers true for this control's link
    // notifications (result is then 0 and the message must not be passed on):
    // a left button going down over a link opens its text; others do nothing.
    bool HandleNotify(LPARAM lParam, LRESULT& result);

    void SetText(const std::string& text) const { ::SetWindowTextA(hwnd_, text.c_str()); }

private:
    HWND hwnd_ = nullptr;
    TLinkOpener opener_;
};

}  // namespace winlib
