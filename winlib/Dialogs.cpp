#include "winlib/Dialogs.h"

#include <commdlg.h>

#include <vector>

#include "winlib/OsError.h"

namespace winlib {

namespace {

TOpenDialogHook& OpenDialogHook()
{
    static TOpenDialogHook hook;
    return hook;
}

// "a|b|c|d" becomes "a\0b\0c\0d\0\0", the form the dialog reads.
std::string FilterToNulList(const std::string& filter)
{
    std::string list = filter;
    for (char& c : list)
        if (c == '|')
            c = '\0';
    list.append(2, '\0');
    return list;
}

}  // namespace

void SetOpenDialogHook(TOpenDialogHook hook) { OpenDialogHook() = std::move(hook); }

bool TOpenDialog::Execute(HWND owner)
{
    if (OpenDialogHook())
        return OpenDialogHook()(*this);
    std::string filter = FilterToNulList(Filter);
    std::vector<char> name(32768, '\0');
    FileName.copy(name.data(), name.size() - 1);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.Flags = Options;
    if (GetOpenFileNameA(&ofn)) {
        FileName = name.data();
        return true;
    }
    DWORD error = CommDlgExtendedError();
    if (error != 0)
        throw EOSError(error, "The open-file dialog failed (common dialog error)");
    return false;
}

}  // namespace winlib
