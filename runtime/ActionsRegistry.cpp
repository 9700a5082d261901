// [Registry] values and [Environments] variables. Every key is opened in the
// package's view; a key is recorded for the uninstaller only when this action
// made it, so that uninstalling never deletes a key the machine already had.
#include <cctype>
#include <cstdlib>

#include "runtime/InstallActions.h"
#include "runtime/PackageView.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/UninstallLog.h"
#include "winlib/Application.h"
#include "winlib/IniFile.h"
#include "winlib/StringList.h"

namespace {

constexpr char FieldSeparator[] = "*?";
constexpr char EnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

LONG SystemKeyOpener(HKEY root, const std::string& key, REGSAM access, bool create, HKEY& result)
{
    return create ? RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                    &result, nullptr)
                  : RegOpenKeyExA(root, key.c_str(), 0, access, &result);
}

TKeyOpener keyOpener = SystemKeyOpener;

// An open key, closed on every way out.
struct TKey {
    HKEY Handle = nullptr;
    ~TKey() { if (Handle) RegCloseKey(Handle); }
};

// Whether the key is there, probed for reading only: a key we may not even read
// still exists and is never ours.
bool KeyPresent(HKEY root, const std::string& key)
{
    TKey k;
    LONG result = keyOpener(root, key, KEY_READ | PackageView().RegistryFlag(), false, k.Handle);
    return result == ERROR_SUCCESS || result == ERROR_ACCESS_DENIED;
}

// The key and its ancestors, root down ("A", "A\B", "A\B\C").
std::vector<std::string> KeyChain(const std::string& key)
{
    std::vector<std::string> chain;
    for (size_t i = 0; i < key.size(); ++i)
        if (key[i] == '\\' && i > 0)
            chain.push_back(key.substr(0, i));
    if (!key.empty())
        chain.push_back(key);
    return chain;
}

struct TRoot {
    const char* Short;
    const char* Long;
    HKEY Handle;
};
const TRoot Roots[] = {
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

// An unknown root writes under HKEY_CURRENT_USER and is recorded by that name, so
// the uninstaller finds what was written.
const TRoot& FindRoot(const std::string& upperName)
{
    for (const TRoot& r : Roots)
        if (upperName == r.Short || upperName == r.Long)
            return r;
    return Roots[1];
}

LONG WriteValue(HKEY key, const std::string& name, DWORD type, const void* data, size_t size)
{
    return RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

// The typed data of a [Registry] record; false for an unknown type or data its
// type does not take.
bool EncodeValue(const std::string& type, const std::string& data, DWORD& regType, std::vector<unsigned char>& bytes)
{
    if (type == "REG_SZ" || type == "REG_EXPAND_SZ") {
        regType = type == "REG_SZ" ? REG_SZ : REG_EXPAND_SZ;
        bytes.assign(data.begin(), data.end());
        bytes.push_back(0);
        return true;
    }
    if (type == "REG_DWORD") {
        DWORD value = 0;
        if (!ParseRegDword(data, value))
            return false;
        regType = REG_DWORD;
        bytes.assign(reinterpret_cast<const unsigned char*>(&value), reinterpret_cast<const unsigned char*>(&value) + 4);
        return true;
    }
    if (type == "REG_BINARY") {
        regType = REG_BINARY;
        return ParseRegBinary(data, bytes);
    }
    return false;
}

// Splits on ";" keeping empty entries.
std::vector<std::string> Entries(const std::string& text)
{
    std::vector<std::string> entries;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(';', start);
        entries.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return entries;
        start = end + 1;
    }
}

// Whether value's entries stand in oldValue as one run of whole entries.
bool HoldsEntries(const std::string& oldValue, const std::string& value)
{
    std::vector<std::string> have = Entries(oldValue), want = Entries(value);
    for (size_t i = 0; i + want.size() <= have.size(); ++i) {
        size_t j = 0;
        while (j < want.size() && winlib::SameText(have[i + j], want[j]))
            ++j;
        if (j == want.size())
            return true;
    }
    return false;
}

// The whole value and its type; false when it is not there.
bool ReadEnvironmentValue(HKEY key, const std::string& name, std::string& value, DWORD& type)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::string buffer;
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {  // it may grow between calls
        buffer.assign(size + 1, '\0');
        size = static_cast<DWORD>(buffer.size());
        result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    if (result != ERROR_SUCCESS)
        return false;
    buffer.resize(size);
    while (!buffer.empty() && buffer.back() == '\0')
        buffer.pop_back();
    value = buffer;
    return true;
}

}  // namespace

TKeyOpener SetKeyOpener(TKeyOpener opener)
{
    TKeyOpener previous = keyOpener;
    keyOpener = opener ? opener : SystemKeyOpener;
    return previous;
}

bool ParseRegBinary(const std::string& data, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    bytes.reserve(data.size() / 3 + 1);
    for (size_t pos = 0; pos + 2 <= data.size(); pos += 3) {
        char pair[3] = {data[pos], data[pos + 1], '\0'};
        if (!isxdigit(static_cast<unsigned char>(pair[0])) || !isxdigit(static_cast<unsigned char>(pair[1])))
            return false;
        bytes.push_back(static_cast<unsigned char>(std::strtoul(pair, nullptr, 16)));
    }
    return true;
}

bool ParseRegDword(const std::string& data, DWORD& value)
{
    long long number = 0;
    if (!winlib::ParseDecimal(data, -2147483648LL, 4294967295LL, number))
        return false;
    value = static_cast<DWORD>(number);
    return true;
}

TEnvironmentChange PlanEnvironmentChange(const std::string& name, const std::string& value, const std::string& mode,
                                         bool exists, const std::string& oldValue, DWORD oldType)
{
    TEnvironmentChange change;
    std::string m = winlib::UpperCase(mode);
    DWORD keptType = oldType == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
    if (m == "REMOVE") {
        if (exists)
            change.Action = TEnvironmentChange::eaDelete;
        return change;
    }
    if ((m == "APPEND" || m == "PREPEND") && exists) {
        if (HoldsEntries(oldValue, value))
            return change;  // already there: the uninstaller must not take the user's own entry
        change.Action = TEnvironmentChange::eaWrite;
        change.Value = m == "APPEND" ? oldValue + ";" + value : value + ";" + oldValue;
        change.Type = keptType;
        change.Record = "U" + name + FieldSeparator + value;
        return change;
    }
    if (m != "APPEND" && m != "PREPEND" && m != "OVERWRITE")
        return change;
    change.Action = TEnvironmentChange::eaWrite;
    change.Value = value;
    if (exists) {
        change.Type = keptType;
        change.Record = "W" + name + FieldSeparator + oldValue;
    } else {
        change.Type = value.find('%') != std::string::npos ? REG_EXPAND_SZ : REG_SZ;
        change.Record = "D" + name;
    }
    return change;
}

// ---- [Registry] ------------------------------------------------------------------

void CreateRegistryValue(const std::string& record)
{
    std::vector<std::string> f = SplitActionRecord(record, 6);
    if (f.empty())
        return;
    std::string path = f[0];
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    size_t slash = path.find('\\');
    const TRoot& root = FindRoot(winlib::UpperCase(path.substr(0, slash)));
    std::string key = slash == std::string::npos ? std::string() : ExpandPlaceholders(path.substr(slash + 1));
    std::string name = ExpandPlaceholders(f[1]);
    std::string type = winlib::UpperCase(f[2]);
    std::string data = ExpandPlaceholders(f[3]);
    bool overwrite = IsYes(f[4]);
    bool record_ = Setup().UninstallEnabled && IsYes(f[5]);
    std::string fullKey = std::string(root.Long) + "\\" + key;
    // A root alone would put the value at the top of the hive, where the
    // uninstaller may not delete it: refused before anything is written.
    if (key.find_first_not_of('\\') == std::string::npos)
        return ReportActionFailure("Error registry key: " + fullKey, Lng("Messages", 17), fullKey);

    std::vector<std::string> chain = KeyChain(key);
    std::vector<bool> before;
    for (const std::string& k : chain)
        before.push_back(KeyPresent(root.Handle, k));
    // Keys about to be made are recorded and saved first: after a kill, a later
    // run could not tell a key nobody recorded from the user's own. One that
    // then fails to appear is found absent at uninstall.
    if (record_) {
        for (size_t i = 0; i < chain.size(); ++i)
            if (!before[i])
                AddLogRecord(lsRegistryKeys, std::string(root.Long) + "\\" + chain[i]);
        SaveUninstallLog();
    }
    TKey handle;
    LONG opened = keyOpener(root.Handle, key, KEY_ALL_ACCESS | PackageView().RegistryFlag(), true, handle.Handle);
    if (opened != ERROR_SUCCESS)
        return ReportActionFailure("Error registry key: " + fullKey, Lng("Messages", 17), fullKey);

    bool exists = RegQueryValueExA(handle.Handle, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    if (exists && !overwrite)
        return;
    DWORD regType = REG_NONE;
    std::vector<unsigned char> bytes;
    if (!EncodeValue(type, data, regType, bytes) ||
        WriteValue(handle.Handle, name, regType, bytes.data(), bytes.size()) != ERROR_SUCCESS)
        return ReportActionFailure("Error registry value: " + fullKey + ": " + name, Lng("Messages", 18),
                                   fullKey + ": " + name);
    if (record_)
        AddLogRecord(lsRegistryValues, fullKey + FieldSeparator + name);
    winlib::ProcessMessages();
}

// ---- [Environments] --------------------------------------------------------------

void ApplyEnvironmentVariable(const std::string& record)
{
    std::vector<std::string> f = SplitActionRecord(record, 4);
    if (f.empty())
        return;
    std::string name = ExpandPlaceholders(f[0]);
    std::string value = ExpandPlaceholders(f[1]);
    bool record_ = Setup().UninstallEnabled && IsYes(f[3]);
    std::string subject = std::string("HKLM\\") + EnvironmentKey + "\\" + name;
    auto fail = [&subject] {
        ReportActionFailure("Error registry value: " + subject, Lng("Messages", 18, TLngReader::Environment), subject);
    };

    TKey key;
    if (keyOpener(HKEY_LOCAL_MACHINE, EnvironmentKey, KEY_ALL_ACCESS | PackageView().RegistryFlag(), false,
                  key.Handle) != ERROR_SUCCESS)
        return fail();
    std::string oldValue;
    DWORD oldType = REG_NONE;
    bool exists = ReadEnvironmentValue(key.Handle, name, oldValue, oldType);
    TEnvironmentChange change = PlanEnvironmentChange(name, value, f[2], exists, oldValue, oldType);
    // Refused before anything changes: the system drops longer values, and the log
    // cannot hold a longer record.
    if (change.Value.size() > MaxEnvironmentValue || (record_ && change.Record.size() > winlib::TIniFile::MaxValueLength))
        return fail();

    // Recorded and saved before the change, as keys are (CreateRegistryValue).
    if (record_ && !change.Record.empty()) {
        AddUninstallItem("Environment", change.Record);
        SaveUninstallLog();
    }
    LONG result = ERROR_SUCCESS;
    if (change.Action == TEnvironmentChange::eaDelete)
        result = RegDeleteValueA(key.Handle, name.c_str());
    else if (change.Action == TEnvironmentChange::eaWrite)
        result = WriteValue(key.Handle, name, change.Type, change.Value.c_str(), change.Value.size() + 1);
    if (result != ERROR_SUCCESS)
        return fail();
    // The broadcast of the change is the install run's, once after the section.
}
