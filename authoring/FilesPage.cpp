#include "authoring/FilesPage.h"

#include <windows.h>

#include "authoring/AppState.h"
#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"

namespace {

std::wstring Wide(const std::string& text)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// The name in the ANSI code page; false when a character has no exact form there
// (no mapping at all, or only a "best fit" such as "a" for "\u0101"). name gets
// the conversion anyway, with "?" for those characters.
bool Ansi(const wchar_t* wide, std::string& name)
{
    BOOL usedDefault = FALSE;
    int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &usedDefault);
    name.assign(length > 0 ? static_cast<size_t>(length) : 1, '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, name.data(), length, nullptr, &usedDefault);
    name.resize(name.size() - 1);
    return length > 0 && !usedDefault;
}

bool IsDotEntry(const wchar_t* name) { return lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0; }

// The entries are read in UTF-16: the ANSI functions would turn a name the code page
// cannot hold into one that names no file ("??.txt") or another file ("a.txt").
struct TSearch {
    std::wstring Mask;
    std::vector<std::string>& List;
    bool AddSizes, SkipHidden;
    const std::function<bool()>& KeepGoing;
    std::vector<std::string> LeftOut;  // names the code page cannot hold, "?" in them

    // False when KeepGoing stopped it.
    bool Run(const std::string& folder)
    {
        WIN32_FIND_DATAW entry = {};
        HANDLE find = ::FindFirstFileW((Wide(folder) + Mask).c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE)
            return true;  // an unreadable or empty folder contributes nothing
        bool going = true;
        do {
            going = !KeepGoing || KeepGoing();
            if (!going)
                break;
            if ((SkipHidden && (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0) || IsDotEntry(entry.cFileName))
                continue;
            std::string name;
            if (!Ansi(entry.cFileName, name)) {
                LeftOut.push_back(folder + name);
                continue;
            }
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                going = Run(folder + name + "\\");
                continue;
            }
            if (AddSizes)
                AppState().FolderSize += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
            List.push_back(folder + name);
        } while (going && ::FindNextFileW(find, &entry));
        ::FindClose(find);
        return going;
    }
};

}  // namespace

bool SkipHiddenFiles()
{
    // Without the Options dialog the option has its initial state, on.
    return Form15 == nullptr || Form15->CheckBox2.Checked();
}

bool FindFiles(const std::string& folder, const std::string& mask, std::vector<std::string>& list, bool addSizes,
               const std::function<bool()>& keepGoing)
{
    TSearch search{Wide(mask.empty() ? "*.*" : mask), list, addSizes, SkipHiddenFiles(), keepGoing, {}};
    bool completed = search.Run(winlib::IncludeTrailingBackslash(folder));
    if (!search.LeftOut.empty())  // a command-line build gets this as one "warning:" line
        winlib::ShowMessageBox(Form1 != nullptr ? Form1->Handle() : nullptr,
                               std::to_string(search.LeftOut.size()) +
                                   " file(s) left out: their names cannot be written in this system's code page."
                                   "\r\n\r\nThe first of them:\r\n" + search.LeftOut.front(),
                               kProductTitle, MB_OK | MB_ICONWARNING);
    return completed;
}
