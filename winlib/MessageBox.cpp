#include "winlib/MessageBox.h"

#include <cstring>

#include "winlib/Application.h"
#include "winlib/OsError.h"

namespace winlib {

namespace {

thread_local TBoxResponder* activeResponder = nullptr;

// A message box is a dialog ("#32770") whose text is the static with id 0xFFFF.
bool IsMessageBoxWindow(HWND window)
{
    char className[16] = {};
    return GetClassNameA(window, className, sizeof className) > 0 && std::strcmp(className, "#32770") == 0 &&
           GetDlgItem(window, 0xFFFF) != nullptr;
}

bool HasButton(HWND box, int id)
{
    return GetDlgItem(box, id) != nullptr;
}

// Without a scripted answer, the least harmful button: the first of Cancel, No, OK
// that the box has. Boxes with none of these (Abort/Retry/Ignore) still get closed,
// so that a test fails instead of hanging.
int UnscriptedAnswer(HWND box)
{
    static const int preferred[] = {IDCANCEL, IDNO, IDOK, IDABORT, IDIGNORE, IDCONTINUE, IDRETRY, IDTRYAGAIN, IDYES};
    for (int id : preferred)
        if (HasButton(box, id))
            return id;
    return IDCANCEL;
}

}  // namespace

// Sees every window activation on the responder's thread; answers the box that
// the innermost open ShowMessageBox call put up, once.
LRESULT CALLBACK BoxResponderHook(int code, WPARAM wParam, LPARAM lParam)
{
    TBoxResponder* responder = activeResponder;
    if (code == HCBT_ACTIVATE && responder != nullptr && !responder->pending_.empty()) {
        HWND window = reinterpret_cast<HWND>(wParam);
        size_t record = responder->pending_.back();
        if (responder->windows_[record] == nullptr && IsMessageBoxWindow(window)) {
            responder->windows_[record] = window;
            int answer = 0;
            bool scripted = false;
            if (responder->next_ < responder->answers_.size()) {
                answer = responder->answers_[responder->next_++];
                // An answer the box has no button for would leave it open: treat it as missing.
                scripted = HasButton(window, answer);
            }
            if (!scripted)
                answer = UnscriptedAnswer(window);
            responder->boxes_[record].Scripted = scripted;
            responder->boxes_[record].Answer = answer;
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, answer)));
        }
    }
    HHOOK hook = responder != nullptr ? responder->hook_ : nullptr;
    return CallNextHookEx(hook, code, wParam, lParam);
}

namespace {

struct TPlainBox {
    HWND Owner;
    const std::string* Text;
    const std::string* Caption;
    UINT Flags;
};

// 0 means the box could not be shown (no desktop, out of memory); callers treat it as no answer.
int ShowPlainBox(void* context)
{
    const TPlainBox& box = *static_cast<const TPlainBox*>(context);
    // No caption: the system's own ("Error"), as a null caption gives.
    const char* caption = box.Caption->empty() ? nullptr : box.Caption->c_str();
    return MessageBoxA(box.Owner, box.Text->c_str(), caption, box.Flags);
}

}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags)
{
    TPlainBox box{owner, &text, &caption, flags};
    return ShowResponderBox(text, caption, flags, ShowPlainBox, &box);
}

namespace {

TMessageSink& Sink()
{
    static TMessageSink sink;
    return sink;
}

}  // namespace

void SetMessageSink(TMessageSink sink) { Sink() = std::move(sink); }

int ShowResponderBox(const std::string& text, const std::string& caption, UINT flags, TBoxShow show, void* context)
{
    if (Sink())
        return Sink()(text, caption, flags);
    AwaitWarmUp();
    TBoxResponder* responder = activeResponder;
    if (responder == nullptr)
        return show(context);

    size_t record = responder->boxes_.size();
    TBoxRecord box;
    box.Caption = caption;
    box.Text = text;
    box.Flags = flags;
    responder->boxes_.push_back(box);
    responder->windows_.push_back(nullptr);
    responder->pending_.push_back(record);
    int answer = show(context);
    responder->pending_.pop_back();
    responder->boxes_[record].Answer = answer;
    if (responder->windows_[record] == nullptr)
        responder->boxes_[record].Scripted = false;  // never reached the hook: nothing answered it
    return answer;
}

TBoxResponder::TBoxResponder(std::vector<int> answers) : answers_(std::move(answers))
{
    // Thread-local: only boxes of the thread under test are answered.
    hook_ = SetWindowsHookExA(WH_CBT, BoxResponderHook, nullptr, GetCurrentThreadId());
    if (hook_ == nullptr)
        RaiseLastOSError("Cannot install the message-box responder hook");
    previous_ = activeResponder;
    activeResponder = this;
}

TBoxResponder::~TBoxResponder()
{
    activeResponder = previous_;
    // Unhooking fails only for a hook that is already gone; there is nothing left to undo then.
    UnhookWindowsHookEx(hook_);
}

int TBoxResponder::UnscriptedCount() const
{
    int count = 0;
    for (const TBoxRecord& box : boxes_)
        if (!box.Scripted)
            ++count;
    return count;
}

}  // namespace winlib
