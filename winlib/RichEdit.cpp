#include "winlib/RichEdit.h"

#include <richedit.h>

#include <vector>

#include "winlib/OsError.h"

namespace winlib {

namespace {

// The control lives in riched20.dll, loaded once from the system folder by its
// full path so that a DLL planted beside the program is never picked up.
void LoadRichEditLibrary()
{
    static HMODULE library = nullptr;
    if (library != nullptr)
        return;
    char system[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        RaiseLastOSError("Cannot find the system folder for riched20.dll");
    std::string path = std::string(system) + "\\riched20.dll";
    library = ::LoadLibraryA(path.c_str());
    if (library == nullptr)
        RaiseLastOSError("Cannot load " + path);
}

}  // namespace

HWND TRichEdit::Create(HWND parent, int id, DWORD style, DWORD exStyle, int x, int y, int width, int height)
{
    LoadRichEditLibrary();
    hwnd_ = ::CreateWindowExA(exStyle, "RichEdit20A", "", style | WS_CHILD, x, y, width, height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ == nullptr)
        RaiseLastOSError("Cannot create the rich-text control");
    ::SendMessageA(hwnd_, EM_AUTOURLDETECT, TRUE, 0);
    LRESULT mask = ::SendMessageA(hwnd_, EM_GETEVENTMASK, 0, 0);
    ::SendMessageA(hwnd_, EM_SETEVENTMASK, 0, static_cast<LPARAM>(mask | ENM_LINK));
    return hwnd_;
}

bool TRichEdit::HandleNotify(LPARAM lParam, LRESULT& result)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr || hwnd_ == nullptr || header->hwndFrom != hwnd_ || header->code != EN_LINK)
        return false;
    const ENLINK* link = reinterpret_cast<const ENLINK*>(lParam);
    result = 0;
    if (link->msg != WM_LBUTTONDOWN)
        return true;
    CHARRANGE range = link->chrg;
    if (range.cpMin < 0 || range.cpMax <= range.cpMin)
        return true;  // nothing to open
    std::vector<char> text(static_cast<size_t>(range.cpMax - range.cpMin) + 2, '\0');
    TEXTRANGEA request = {range, text.data()};
    ::SendMessageA(hwnd_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&request));
    if (opener_)
        opener_(std::string(text.data()));
    return true;
}

}  // namespace winlib
