// The copy's undo steps, in the order that keeps each step's prerequisites in
// place: commands first (they may need the product), then registrations (they
// need the files), values, keys, environment, files, folders, the entry, and the
// after-commands last.
#include "companions/uninstall/Uninstaller.h"

#include <shellapi.h>

#include <cstdio>

#include "winlib/IniFile.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/StringList.h"

using namespace uninstlog;

namespace uninst {

namespace {

const char EnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

winlib::RegView ViewOf(const TLogView& log) { return log.Is64() ? winlib::RegView::View64 : winlib::RegView::View32; }

bool IsMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

template <class Action>
void LastFirst(const std::vector<std::string>& records, Action action)
{
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        action(*it);
}

void RunCommandSection(const TLogView& log, const char* section, TUndoReport& report)
{
    for (const std::string& record : log.Records(section))
        if (!StartLoggedCommand(record))
            report.Fail("Error command", record, ::GetLastError());
}

void UndoIniValues(const TLogView& log, TUndoReport& report)
{
    LastFirst(log.Records(SecINIValues), [&](const std::string& record) {
        std::vector<std::string> f = winlib::SplitRecord(record, FieldSeparator);
        if (f.size() != 3 || !IsSafePath(f[0]))
            return report.Fail("Refused INI value", record, ERROR_INVALID_DATA);
        if (!winlib::FileExists(f[0]))  // gone with its file; deleting would create it again
            return;
        try {
            winlib::TIniFile ini(f[0]);
            ini.DeleteKey(f[1], f[2]);
            if (ini.ReadSection(f[1]).empty())
                ini.EraseSection(f[1]);
            ini.UpdateFile();
        } catch (const winlib::EOSError& e) {
            report.Fail("Error INI value", record, e.Code());
        }
    });
}

void UndoRegistryValues(const TLogView& log, TUndoReport& report)
{
    LastFirst(log.Records(SecRegistryValues), [&](const std::string& record) {
        size_t sep = record.find(FieldSeparator);
        std::string keyName = record.substr(0, sep);
        std::string valueName = sep == std::string::npos ? std::string() : record.substr(sep + 2);
        TRegKeyName name;
        if (sep == std::string::npos || !IsSafeKeyForValues(keyName) || !ParseRegKeyName(keyName, name))
            return report.Fail("Refused registry value", record, ERROR_INVALID_DATA);
        winlib::TRegistry reg(name.Root, ViewOf(log));
        LONG result = reg.OpenKey(name.Key, false);
        if (result == ERROR_SUCCESS)
            result = reg.DeleteValue(valueName);  // "" is the default value, never the key
        if (result != ERROR_SUCCESS && !IsMissing(result))
            report.Fail("Error registry value", record, result);
    });
}

// The default values an association overwrote come back, each only while it
// still holds what the setup wrote: another product may own the extension since.
void UndoAssociationValues(const TLogView& log, TUndoReport& report)
{
    LastFirst(log.Records(SecAssociationValues), [&](const std::string& record) {
        TAssociationValue value;
        if (!ParseAssociationValue(record, value))
            return report.Fail("Refused association value", record, ERROR_INVALID_DATA);
        winlib::TRegistry reg(HKEY_CLASSES_ROOT, ViewOf(log));
        LONG result = reg.OpenKey(value.Key, false);
        if (IsMissing(result))
            return;  // the key went with its class: nothing to give back
        DWORD type = REG_NONE;
        std::string current;
        if (result == ERROR_SUCCESS && (reg.ReadType("", type) != ERROR_SUCCESS || type != REG_SZ ||
                                        reg.ReadString("", current) != ERROR_SUCCESS || current != value.Written))
            return;  // changed since: no longer the setup's
        if (result == ERROR_SUCCESS) {
            if (value.TypeBefore == AssocAbsent)
                result = reg.DeleteValue("");
            else if (value.TypeBefore == "REG_EXPAND_SZ")
                result = reg.WriteExpandString("", value.DataBefore);
            else
                result = reg.WriteString("", value.DataBefore);
        }
        if (result != ERROR_SUCCESS && !IsMissing(result))
            report.Fail("Error association value", record, result);
    });
}

// A shared key the setup created goes only while nothing is left in it; one
// that holds another product's data stays, unreported.
void DeleteKeyIfEmpty(const TRegKeyName& name, winlib::RegView view, const std::string& record, TUndoReport& report)
{
    winlib::TRegistry reg(name.Root, view);
    if (reg.OpenKeyReadOnly(name.Key) != ERROR_SUCCESS)
        return;  // gone already
    std::vector<std::string> keys, values;
    if (reg.GetKeyNames(keys) != ERROR_SUCCESS || reg.GetValueNames(values) != ERROR_SUCCESS || !keys.empty() ||
        !values.empty())
        return;
    reg.CloseKey();
    LONG result = ::RegDeleteKeyExA(name.Root, name.Key.c_str(), reg.ViewFlag(), 0);  // never a subtree
    if (result != ERROR_SUCCESS && !IsMissing(result))
        report.Fail("Error registry key", record, result);
}

void UndoRegistryKeys(const TLogView& log, TUndoReport& report)
{
    LastFirst(log.Records(SecRegistryKeys), [&](const std::string& record) {
        TRegKeyName name;
        if (IsKeyDeletedOnlyWhenEmpty(record) && ParseRegKeyName(record, name))
            return DeleteKeyIfEmpty(name, ViewOf(log), record, report);
        if (!IsSafeKeyToDelete(record) || !ParseRegKeyName(record, name))
            return report.Fail("Refused registry key", record, ERROR_INVALID_DATA);
        winlib::TRegistry reg(name.Root, ViewOf(log));
        LONG result = reg.DeleteKey(name.Key);
        if (result != ERROR_SUCCESS && !IsMissing(result))
            report.Fail("Error registry key", record, result);
    });
}

// One environment record: U<name>*?<added>, W<name>*?<old value>, D<name>.
LONG UndoEnvironmentRecord(winlib::TRegistry& env, const std::string& record, bool& changed)
{
    char kind = record.empty() ? '\0' : record[0];
    size_t sep = record.find(FieldSeparator);
    std::string name = record.substr(1, sep == std::string::npos ? std::string::npos : sep - 1);
    std::string text = sep == std::string::npos ? std::string() : record.substr(sep + 2);
    if (name.empty() || (kind != 'D' && sep == std::string::npos))
        return ERROR_INVALID_DATA;
    if (kind == 'D') {
        LONG result = env.DeleteValue(name);
        changed = changed || result == ERROR_SUCCESS;
        return IsMissing(result) ? ERROR_SUCCESS : result;
    }
    DWORD type = 0;
    std::string value;
    bool exists = env.ReadType(name, type) == ERROR_SUCCESS && env.ReadString(name, value) == ERROR_SUCCESS;
    if (kind == 'U') {
        if (!exists || !RemoveEnvEntries(value, text))
            return ERROR_SUCCESS;  // the user removed it already
    } else if (kind == 'W') {
        value = text;
        if (!exists)
            type = text.find('%') != std::string::npos ? REG_EXPAND_SZ : REG_SZ;
    } else {
        return ERROR_INVALID_DATA;
    }
    changed = true;
    return type == REG_EXPAND_SZ ? env.WriteExpandString(name, value) : env.WriteString(name, value);
}

void UndoEnvironment(const TLogView& log, TUndoReport& report)
{
    std::vector<std::string> records = log.Records(SecEnvironment);
    if (records.empty())
        return;
    winlib::TRegistry env(HKEY_LOCAL_MACHINE, ViewOf(log));
    LONG opened = env.OpenKey(EnvironmentKey, false);
    LastFirst(records, [&](const std::string& record) {
        LONG result = opened == ERROR_SUCCESS ? UndoEnvironmentRecord(env, record, report.EnvironmentChanged) : opened;
        if (result != ERROR_SUCCESS)
            report.Fail("Error environment", record, result);
    });
    if (report.EnvironmentChanged) {
        DWORD_PTR answer = 0;
        // Windows that do not answer within 5 s miss the news; nothing to undo.
        ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                              SMTO_ABORTIFHUNG, 5000, &answer);
    }
}

void UndoFiles(const TLogView& log, const std::string& uninstallerPath, TUndoReport& report)
{
    LastFirst(log.Records(SecFiles), [&](const std::string& file) {
        if (!IsSafePath(file))
            return report.Fail("Refused file", file, ERROR_INVALID_DATA);
        if (winlib::SameText(winlib::ExpandFileName(file), uninstallerPath))
            return;  // the running first instance: the copy deletes it at the end
        DWORD attributes = ::GetFileAttributesA(file.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return;  // missing is fine
        if (attributes & FILE_ATTRIBUTE_READONLY)
            ::SetFileAttributesA(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (::DeleteFileA(file.c_str()))
            return;
        DWORD code = ::GetLastError();
        // In use: Windows removes it at the next restart (needs administrator rights).
        ::MoveFileExA(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        report.Fail("Error file", file, code);
    });
}

}  // namespace

// Folders go only when empty; a folder still holding the user's files stays, unreported.
void RemoveEmptyFolders(const std::vector<std::string>& folders)
{
    LastFirst(folders, [](const std::string& folder) {
        if (IsSafePath(folder))
            ::RemoveDirectoryA(folder.c_str());  // a non-empty folder stays by design
    });
}

namespace {

// The entry goes only where it still points at this uninstaller: another copy
// of the product may have registered itself since.
void UndoEntry(const TLogView& log, const std::string& uninstallerPath, TUndoReport& report)
{
    std::string guid = log.General(KeyGUID);
    if (guid.empty() || guid.find('\\') != std::string::npos)
        return;
    std::string key = UninstallKey + guid;
    for (const std::string& named : log.Records(SecRegistryKeys))
        if (winlib::SameText(named, "HKEY_LOCAL_MACHINE\\" + key) || winlib::SameText(named, "HKEY_CURRENT_USER\\" + key))
            return;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        winlib::TRegistry reg(root, ViewOf(log));
        std::string target;
        if (reg.OpenKeyReadOnly(key) != ERROR_SUCCESS || reg.ReadString("UninstallString", target) != ERROR_SUCCESS)
            continue;
        reg.CloseKey();
        if (!winlib::SameText(target, uninstallerPath))
            continue;
        LONG result = reg.DeleteKey(key);
        if (result != ERROR_SUCCESS)
            report.Fail("Error registry key", key, result);
    }
}

}  // namespace

void TUndoReport::Fail(const std::string& what, const std::string& item, DWORD code)
{
    ++Failures;
    Left.push_back(item);
    LogFailure(what + ": " + item + " (" + winlib::SysErrorMessage(code) + ", code " + std::to_string(code) + ")");
}

void LogFailure(const std::string& line)
{
    std::string path = winlib::GetTempDir() + "\\" + FailureLogName;
    if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
        std::string text = line + "\r\n";
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    // A log that cannot be written leaves the count and the done box as the report.
}

void UndoAll(const TLogView& log, const std::string& uninstallerPath, TUndoReport& report)
{
    RunCommandSection(log, SecExecBeforeUninstall, report);
    UndoRegistrations(log, report);
    UndoIniValues(log, report);
    UndoRegistryValues(log, report);
    UndoAssociationValues(log, report);
    UndoRegistryKeys(log, report);
    UndoEnvironment(log, report);
    UndoFiles(log, uninstallerPath, report);
    RemoveEmptyFolders(log.Records(SecFolders));
    UndoEntry(log, uninstallerPath, report);
    RunCommandSection(log, SecExecAfterUninstall, report);
}

}  // namespace uninst
