#include "authoring/FilesPage.h"

#include <windows.h>

#include "authoring/AppState.h"
#include "authoring/Form15.h"
#include "winlib/Path.h"

namespace {

bool IsDotEntry(const char* name) { return lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0; }

void Search(const std::string& folder, const std::string& mask, std::vector<std::string>& list, bool addSizes,
            bool skipHidden)
{
    WIN32_FIND_DATAA entry = {};
    HANDLE find = ::FindFirstFileA((folder + mask).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;  // an unreadable or empty folder contributes nothing
    do {
        if (skipHidden && (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0)
            continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if (!IsDotEntry(entry.cFileName))
                Search(folder + entry.cFileName + "\\", mask, list, addSizes, skipHidden);
            continue;
        }
        if (addSizes)
            AppState().FolderSize += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        list.push_back(folder + entry.cFileName);
    } while (::FindNextFileA(find, &entry));
    ::FindClose(find);
}

}  // namespace

bool SkipHiddenFiles()
{
    // Without the Options dialog the option has its initial state, on.
    return Form15 == nullptr || Form15->CheckBox2.Checked();
}

void FindFiles(const std::string& folder, const std::string& mask, std::vector<std::string>& list, bool addSizes)
{
    Search(winlib::IncludeTrailingBackslash(folder), mask.empty() ? "*.*" : mask, list, addSizes, SkipHiddenFiles());
}
