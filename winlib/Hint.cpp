#include "winlib/Hint.h"

#include <commctrl.h>

#include <vector>

#include "winlib/OsError.h"

namespace winlib {

namespace {

// The tooltip window of each top-level window that has hints. Entries whose
// window is gone (or whose handle was reused) fail the owner check and are replaced.
struct TTipsOf {
    HWND Top;
    HWND Tips;
};
std::vector<TTipsOf>& TipWindows()
{
    static std::vector<TTipsOf> windows;
    return windows;
}

HWND ExistingTips(HWND top)
{
    for (const TTipsOf& entry : TipWindows())
        if (entry.Top == top && ::IsWindow(entry.Tips) && ::GetWindow(entry.Tips, GW_OWNER) == top)
            return entry.Tips;
    return nullptr;
}

HWND TipsFor(HWND top)
{
    if (HWND tips = ExistingTips(top))
        return tips;
    HWND tips = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, top, nullptr, ::GetModuleHandleA(nullptr),
                                  nullptr);
    if (tips == nullptr)
        throw EOSError(::GetLastError(), "Cannot create the tooltip window");
    std::vector<TTipsOf>& windows = TipWindows();
    for (TTipsOf& entry : windows)
        if (entry.Top == top) {
            entry.Tips = tips;
            return tips;
        }
    windows.push_back({top, tips});
    return tips;
}

// The size of the first version of the structure, which every comctl32 takes.
TOOLINFOA ToolOf(HWND top, HWND control, const char* text)
{
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = top;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    return tool;
}

}  // namespace

void SetHint(HWND control, const std::string& text)
{
    HWND top = ::GetAncestor(control, GA_ROOT);
    if (text.empty()) {
        if (HWND tips = ExistingTips(top)) {
            TOOLINFOA tool = ToolOf(top, control, nullptr);
            ::SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }
        return;
    }
    HWND tips = TipsFor(top);
    TOOLINFOA tool = ToolOf(top, control, text.c_str());
    TOOLINFOA probe = ToolOf(top, control, nullptr);
    if (::SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&probe)) != FALSE)
        ::SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    else if (::SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE)
        throw EOSError(::GetLastError(), "Cannot add a tooltip");
}

std::string Hint(HWND control)
{
    HWND top = ::GetAncestor(control, GA_ROOT);
    HWND tips = ExistingTips(top);
    if (tips == nullptr)
        return "";
    TOOLINFOA probe = ToolOf(top, control, nullptr);
    if (::SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&probe)) == FALSE)
        return "";
    // Older tooltip controls ignore the size and copy at most 80 characters; hints are short.
    std::vector<char> buffer(1024, '\0');
    TOOLINFOA tool = ToolOf(top, control, buffer.data());
    ::SendMessageA(tips, TTM_GETTEXTA, buffer.size(), reinterpret_cast<LPARAM>(&tool));
    return buffer.data();
}

}  // namespace winlib
