#include "authoring/FilesPage.h"

#include <windows.h>

#include "authoring/AppState.h"
#include "authoring/Form15.h"
#include "winlib/Path.h"

namespace {

bool IsDotEntry(const char* name) { return lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0; }

struct TSearch {
    std::string Mask;
    std::vector<std::string>& List;
    bool AddSizes, SkipHidden;
    const std::function<bool()>& KeepGoing;

    // False when KeepGoing stopped it.
    bool Run(const std::string& folder)
    {
        WIN32_FIND_DATAA entry = {};
        HANDLE find = ::FindFirstFileA((folder + Mask).c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE)
            return true;  // an unreadable or empty folder contributes nothing
        bool going = true;
        do {
            going = !KeepGoing || KeepGoing();
            if (!going)
                break;
            if (SkipHidden && (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0)
                continue;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                if (!IsDotEntry(entry.cFileName))
                    going = Run(folder + entry.cFileName + "\\");
                continue;
            }
            if (AddSizes)
                AppState().FolderSize += (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
            List.push_back(folder + entry.cFileName);
        } while (going && ::FindNextFileA(find, &entry));
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
    TSearch search{mask.empty() ? "*.*" : mask, list, addSizes, SkipHiddenFiles(), keepGoing};
    return search.Run(winlib::IncludeTrailingBackslash(folder));
}
