#include "runtime/InstallFolder.h"

#include "cabinet/UninstallLogFormat.h"
#include "runtime/Form1.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/Startup.h"
#include "winlib/IniFile.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of the root that starts path ("X:", "X:\", "\\server\share" with the
// backslash after it); 0 when path is not absolute ("App", "\App", "C:App", "\\x").
size_t RootLength(const std::string& path)
{
    if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') {
        if (path.size() == 2)
            return 2;
        return path[2] == '\\' ? 3 : 0;
    }
    if (path.size() < 3 || path[0] != '\\' || path[1] != '\\' || path[2] == '\\')
        return 0;
    size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd + 1 >= path.size() || path[serverEnd + 1] == '\\')
        return 0;  // no share
    size_t shareEnd = path.find('\\', serverEnd + 1);
    return shareEnd == std::string::npos ? path.size() : shareEnd + 1;
}

// The part below the root, trailing backslashes left out.
std::string BelowRoot(const std::string& path, size_t rootLength)
{
    std::string rest = path.substr(rootLength);
    while (!rest.empty() && rest.back() == '\\')
        rest.pop_back();
    return rest;
}

}  // namespace

bool IsDriveOrShareRoot(const std::string& folder)
{
    size_t root = RootLength(folder);
    return root > 0 && BelowRoot(folder, root).empty();
}

std::string NormaliseInstallFolder(const std::string& text)
{
    std::string folder = winlib::Trim(text);
    if (folder.size() == 2 && RootLength(folder) == 2)
        folder += "\\";
    return folder;
}

bool InstallFolderAllowed(const std::string& folder, bool rootChosen, const std::string& productGuid)
{
    size_t root = RootLength(folder);
    if (root == 0)
        return false;
    if (!BelowRoot(folder, root).empty())
        return true;
    if (!rootChosen)
        return false;
    const std::string log = winlib::IncludeTrailingBackslash(folder.substr(0, root)) + uninstlog::LogName;
    if (!winlib::FileExists(log))
        return true;
    std::string owner = winlib::TIniFile(log).ReadString(uninstlog::SecGeneral, uninstlog::KeyGUID, "");
    return winlib::SameText(owner, productGuid);
}

bool InstallFolderAccepted(const TForm1& form)
{
    const TSetupState& s = Setup();
    bool chosen = form.Edit1.Modified() || !form.Edit1.Enabled();
    int p = FindSwitch("/P");
    if (!chosen && p > 0 && static_cast<size_t>(p) + 1 < s.Params.size())
        chosen = IsDriveOrShareRoot(winlib::Trim(s.Params[static_cast<size_t>(p) + 1]));
    return InstallFolderAllowed(winlib::Trim(form.Edit1.Text()), chosen, ExpandPlaceholders("<GUID>"));
}
