// What the uninstaller refuses to touch. A log is plain text that anyone can
// edit; these rules keep a damaged or hostile one from deleting a drive, a
// registry hive or another product's entries.
#include "companions/uninstall/Uninstaller.h"

#include <cstring>

#include "winlib/StringList.h"

namespace uninst {

namespace {

std::vector<std::string> SplitPath(const std::string& path, const char* separators)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find_first_of(separators, start);
        parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

struct TRootName {
    const char* Name;
    HKEY Root;
};

const TRootName RootNames[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
};

// Keys that hold other products' data or the system's, relative to HKLM, HKCU or
// HKU\<SID>. Neither these nor their ancestors are ever deleted.
const char UninstallList[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char UninstallList32[] = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const ProtectedKeys[] = {
    UninstallList,
    UninstallList32,
    "SOFTWARE\\Classes",
    "SOFTWARE\\Wow6432Node",
    "SOFTWARE\\Wow6432Node\\Classes",
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
};

// Class keys that COM and the shell share, relative to a classes root.
const char* const ProtectedClasses[] = {"CLSID", "Interface", "TypeLib", "AppID", "*", "Directory", "Folder"};

// The classes roots below HKLM, HKCU and HKU\<SID> (HKCR is one itself, with its
// 32-bit branch).
const char* const ClassesRoots[] = {"SOFTWARE\\Classes\\", "SOFTWARE\\Wow6432Node\\Classes\\"};

// Whether key equals protectedKey or lies above it, both without case.
bool IsKeyOrAncestor(const std::string& key, const std::string& protectedKey)
{
    std::string k = winlib::UpperCase(key);
    std::string p = winlib::UpperCase(protectedKey);
    return k == p || (p.size() > k.size() && p.compare(0, k.size(), k) == 0 && p[k.size()] == '\\');
}

bool IsProtectedClass(const std::string& relative)
{
    for (const char* name : ProtectedClasses)
        if (winlib::SameText(relative, name))
            return true;
    return false;
}

// The key below the root that counts for the depth and protection rules: HKU's
// first level is a user's SID, which is itself a root.
bool EffectiveKey(const TRegKeyName& name, std::string& key)
{
    key = name.Key;
    if (name.Root != HKEY_USERS)
        return true;
    size_t slash = key.find('\\');
    if (slash == std::string::npos)
        return false;
    key = key.substr(slash + 1);
    return true;
}

// Keys go with their subtree, so they must lie two levels below HKLM, HKCU and
// HKU\<SID> (one below HKCR, where each extension and class is its own key).
bool DeepEnoughToDelete(const TRegKeyName& name, const std::string& key)
{
    size_t levels = SplitPath(key, "\\").size();
    return name.Root == HKEY_CLASSES_ROOT ? levels >= 1 : levels >= 2;
}

// A value touches nothing else, so one level suffices: per-user variables live
// in HKCU\Environment.
bool DeepEnoughForValues(const std::string& key) { return !SplitPath(key, "\\").empty(); }

}  // namespace

bool IsSafePath(const std::string& path)
{
    if (path.find_first_of("*?") != std::string::npos)
        return false;
    std::vector<std::string> parts = SplitPath(path, "\\/");
    size_t first = 0;  // the first part below the root
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) {
        first = 1;
    } else if (parts.size() >= 4 && parts[0].empty() && parts[1].empty() && !parts[2].empty() && !parts[3].empty()) {
        first = 4;  // "", "", server, share
    } else {
        return false;
    }
    if (parts.size() <= first)
        return false;
    for (size_t i = first; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == "." || part == "..")
            return false;
        if (part.empty() && i + 1 != parts.size())  // "a\\b"; one trailing "\" is allowed
            return false;
    }
    return !parts[first].empty();
}

bool ParseRegKeyName(const std::string& fullName, TRegKeyName& name)
{
    size_t slash = fullName.find('\\');
    if (slash == std::string::npos)
        return false;
    std::string rootName = fullName.substr(0, slash);
    std::string key = fullName.substr(slash + 1);
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    if (key.empty() || key.front() == '\\')
        return false;
    for (const std::string& part : SplitPath(key, "\\"))
        if (part.empty())
            return false;
    for (const TRootName& root : RootNames) {
        if (winlib::SameText(rootName, root.Name)) {
            name.Root = root.Root;
            name.Key = key;
            return true;
        }
    }
    return false;
}

bool IsSafeKeyForValues(const std::string& fullName)
{
    TRegKeyName name;
    std::string key;
    return ParseRegKeyName(fullName, name) && EffectiveKey(name, key) && DeepEnoughForValues(key);
}

bool IsSafeKeyToDelete(const std::string& fullName)
{
    TRegKeyName name;
    std::string key;
    if (!ParseRegKeyName(fullName, name) || !EffectiveKey(name, key) || !DeepEnoughToDelete(name, key))
        return false;
    if (name.Root == HKEY_CLASSES_ROOT) {
        std::string relative = key;
        if (winlib::UpperCase(relative).rfind("WOW6432NODE\\", 0) == 0)
            relative = relative.substr(std::strlen("WOW6432NODE\\"));
        return !winlib::SameText(key, "Wow6432Node") && !IsProtectedClass(relative);
    }
    for (const char* protectedKey : ProtectedKeys)
        if (IsKeyOrAncestor(key, protectedKey))
            return false;
    for (const char* classes : ClassesRoots) {
        std::string prefix = classes;
        if (key.size() > prefix.size() && winlib::UpperCase(key.substr(0, prefix.size())) == winlib::UpperCase(prefix) &&
            IsProtectedClass(key.substr(prefix.size())))
            return false;
    }
    return true;
}

bool IsKeyDeletedOnlyWhenEmpty(const std::string& fullName)
{
    TRegKeyName name;
    std::string key;
    if (!ParseRegKeyName(fullName, name) || name.Root == HKEY_CLASSES_ROOT || !EffectiveKey(name, key))
        return false;
    return winlib::SameText(key, UninstallList) || winlib::SameText(key, UninstallList32);
}

bool RemoveEnvEntries(std::string& value, const std::string& added)
{
    if (added.empty())
        return false;
    const std::string upperValue = winlib::UpperCase(value);
    const std::string upperAdded = winlib::UpperCase(added);
    for (size_t pos = upperValue.find(upperAdded); pos != std::string::npos; pos = upperValue.find(upperAdded, pos + 1)) {
        size_t end = pos + added.size();
        bool startsEntry = pos == 0 || value[pos - 1] == ';';
        bool endsEntry = end == value.size() || value[end] == ';';
        if (!startsEntry || !endsEntry)
            continue;
        if (pos > 0)
            value.erase(pos - 1, end - pos + 1);
        else if (end < value.size())
            value.erase(0, end + 1);
        else
            value.clear();
        return true;
    }
    return false;
}

}  // namespace uninst
