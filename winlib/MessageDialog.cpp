#include "winlib/MessageDialog.h"

#include <algorithm>

#include "winlib/MessageBox.h"

namespace winlib {

namespace {

// Ids that make the dialog look like a message box to the test responder and to
// accessibility tools: the text static is 0xFFFF and the icon 0x440, as in MessageBoxA.
constexpr int TextId = 0xFFFF;
constexpr int IconId = 0x440;
constexpr int Margin = 12;
constexpr int ButtonHeight = 23;
constexpr int ButtonMinWidth = 75;
constexpr int ButtonGap = 6;
constexpr int IconSize = 32;
constexpr int MaxTextWidth = 420;

constexpr WORD ButtonAtom = 0x0080;
constexpr WORD StaticAtom = 0x0082;

struct TDialogArgs {
    HWND Owner;
    const std::string* Text;
    const std::string* Caption;
    LPCSTR Icon;
    const std::vector<TDialogButton>* Buttons;
};

// A dialog template in memory: WORDs, each item DWORD-aligned. Texts are set at
// WM_INITDIALOG with the ANSI calls, so every string in the template is empty.
class TTemplate {
public:
    explicit TTemplate(WORD itemCount)
    {
        DWORD style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        Dword(style);
        Dword(0);
        words_.push_back(itemCount);
        for (int i = 0; i < 4; ++i)
            words_.push_back(0);  // placed and sized at WM_INITDIALOG
        words_.push_back(0);      // no menu
        words_.push_back(0);      // the standard dialog class, "#32770"
        words_.push_back(0);      // empty title
        words_.push_back(8);      // point size
        for (const wchar_t* c = L"MS Shell Dlg"; *c; ++c)
            words_.push_back(static_cast<WORD>(*c));
        words_.push_back(0);
    }

    void Item(DWORD style, int id, WORD classAtom)
    {
        if (words_.size() % 2)
            words_.push_back(0);
        Dword(style | WS_CHILD);
        Dword(0);
        for (int i = 0; i < 4; ++i)
            words_.push_back(0);
        words_.push_back(static_cast<WORD>(id));
        words_.push_back(0xFFFF);
        words_.push_back(classAtom);
        words_.push_back(0);  // empty title
        words_.push_back(0);  // no creation data
    }

    LPCDLGTEMPLATEA Get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(words_.data()); }

private:
    void Dword(DWORD value)
    {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    std::vector<WORD> words_;
};

SIZE TextExtent(HWND dialog, const std::string& text, UINT format, int width)
{
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    RECT r = {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void Place(HWND dialog, int id, int x, int y, int cx, int cy)
{
    SetWindowPos(GetDlgItem(dialog, id), nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Lays the dialog out like a message box: icon and text above, the buttons
// centred in a row below; the whole centred on its owner (or the screen).
void Layout(HWND dialog, const TDialogArgs& args)
{
    const std::vector<TDialogButton>& buttons = *args.Buttons;
    SIZE text = TextExtent(dialog, *args.Text, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX, MaxTextWidth);
    int buttonWidth = ButtonMinWidth;
    for (const TDialogButton& b : buttons)
        buttonWidth = std::max<int>(buttonWidth, TextExtent(dialog, b.Caption, DT_SINGLELINE, 0).cx + 16);
    int n = static_cast<int>(buttons.size());
    int rowWidth = n * buttonWidth + (n - 1) * ButtonGap;
    int textX = Margin + (args.Icon ? IconSize + Margin : 0);
    int topHeight = std::max<int>(text.cy, args.Icon ? IconSize : 0);
    int clientWidth = std::max<int>(textX + text.cx + Margin, rowWidth + 2 * Margin);
    int clientHeight = Margin + topHeight + Margin + ButtonHeight + Margin;

    if (args.Icon)
        Place(dialog, IconId, Margin, Margin, IconSize, IconSize);
    Place(dialog, TextId, textX, Margin + (topHeight - text.cy) / 2, text.cx, text.cy);
    int x = (clientWidth - rowWidth) / 2;
    for (const TDialogButton& b : buttons) {
        Place(dialog, b.Id, x, clientHeight - Margin - ButtonHeight, buttonWidth, ButtonHeight);
        x += buttonWidth + ButtonGap;
    }

    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    RECT area;
    if (!args.Owner || !IsWindowVisible(args.Owner) || !GetWindowRect(args.Owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER);
}

bool IsButtonOf(const TDialogArgs& args, int id)
{
    for (const TDialogButton& b : *args.Buttons)
        if (b.Id == id)
            return true;
    return false;
}

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* args = reinterpret_cast<TDialogArgs*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetWindowTextA(dialog, args->Caption->c_str());
        SetDlgItemTextA(dialog, TextId, args->Text->c_str());
        if (args->Icon)
            SendDlgItemMessageA(dialog, IconId, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, args->Icon)), 0);
        for (const TDialogButton& b : *args->Buttons)
            SetDlgItemTextA(dialog, b.Id, b.Caption.c_str());
        Layout(dialog, *args);
        SetFocus(GetDlgItem(dialog, args->Buttons->front().Id));
        return FALSE;  // the focus is set
    }
    case WM_COMMAND: {
        auto* args = reinterpret_cast<TDialogArgs*>(GetWindowLongPtrA(dialog, DWLP_USER));
        int id = LOWORD(wParam);
        if (id == IDCANCEL || (args && IsButtonOf(*args, id)))
            EndDialog(dialog, id);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

int RunDialog(void* context)
{
    auto* args = static_cast<TDialogArgs*>(context);
    const std::vector<TDialogButton>& buttons = *args->Buttons;
    // Icon, text, the buttons, and a hidden Cancel button: Escape and the close box
    // arrive as IDCANCEL, and a responder can "close" the box by that id.
    TTemplate tpl(static_cast<WORD>(buttons.size() + 3));
    tpl.Item(args->Icon ? WS_VISIBLE | SS_ICON : SS_ICON, IconId, StaticAtom);
    tpl.Item(WS_VISIBLE | SS_LEFT | SS_NOPREFIX, TextId, StaticAtom);
    for (size_t i = 0; i < buttons.size(); ++i)
        tpl.Item(WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), buttons[i].Id, ButtonAtom);
    tpl.Item(BS_PUSHBUTTON, IDCANCEL, ButtonAtom);
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), tpl.Get(), args->Owner, MessageDialogProc,
                                             reinterpret_cast<LPARAM>(args));
    return result < 0 ? 0 : static_cast<int>(result);  // -1: the dialog could not be made
}

}  // namespace

int ShowMessageDialog(HWND owner, const std::string& text, const std::string& caption, LPCSTR icon, UINT iconFlag,
                      const std::vector<TDialogButton>& buttons)
{
    if (buttons.empty())
        return 0;
    TDialogArgs args{owner, &text, &caption, icon, &buttons};
    return ShowResponderBox(text, caption, iconFlag, RunDialog, &args);
}

}  // namespace winlib
