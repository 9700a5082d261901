#include "runtime/Placeholders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "cabinet/SetupFormat.h"
#include "runtime/Language.h"
#include "runtime/PackageView.h"
#include "runtime/SetupState.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/StringList.h"

const char* const PlaceholderTable[PlaceholderCount] = {
    "<ProgramFiles>", "<CommonFiles>", "<WindowsDir>", "<SystemDir>", "<TempDir>",
    "<FontsDir>", "<MyDocuments>", "<SystemDrive>", "<CurrentDir>", "<InstallDir>",
    "<SentTo>", "<Favorites>", "<CommonFavorites>", "<Templates>", "<AppData>",
    "<LocalSettings>", "<UserProfile>", "<Desktop>", "<StartMenu>", "<ProgramsMenu>",
    "<StartUp>", "<CommonDesktop>", "<CommonStartMenu>", "<CommonProgramsMenu>", "<CommonStartUp>",
    "<ProgramGroup>", "<QuickLaunch>", "<AppName>", "<AppVersion>", "<CompanyName>",
    "<WebSite>", "<SupportLink>", "<UserName>", "<UserCompany>", "<Date>",
    "<LocalAppData>", "<CommonAppData>", "<CommonMyDocuments>", "<CommonTemplates>", "<AllUserProfile>",
    "<CustomUserInfo>", "<Language>", "<Lng>", "<LngID>", "<SetupTempDir>",
    "<SystemLngID>", "<BuildDate>", "<SetupExe>", "<ProgramFiles64>", "<InstallDrive>",
    "<SystemDir64>", "<ProgramFiles86>", "<UserProfileName>", "<GUID>", "<MyPictures>",
    "<MyMusic>", "<CommonPictures>", "<CommonMusic>", "<CommonDocuments>", "<FormatDate>",
    "<SetupFile>",
};

namespace {

// ---- Text helpers: only ASCII letters fold, so the ANSI code page cannot change a match.

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

size_t FindNoCase(const std::string& text, const std::string& pattern, size_t from)
{
    if (pattern.empty() || pattern.size() > text.size())
        return std::string::npos;
    for (size_t i = from; i + pattern.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < pattern.size() && AsciiUpper(text[i + j]) == AsciiUpper(pattern[j]))
            ++j;
        if (j == pattern.size())
            return i;
    }
    return std::string::npos;
}

bool ContainsNoCase(const std::string& text, const std::string& pattern)
{
    return FindNoCase(text, pattern, 0) != std::string::npos;
}

// Every occurrence of name; the search resumes after each inserted value, so a
// value that holds the name cannot loop or be replaced again.
std::string ReplaceAllNoCase(const std::string& text, const std::string& name, const std::string& value)
{
    std::string result = text;
    size_t at = FindNoCase(result, name, 0);
    while (at != std::string::npos) {
        result.replace(at, name.size(), value);
        at = FindNoCase(result, name, at + value.size());
    }
    return result;
}

std::string UpperAscii(std::string text)
{
    for (char& c : text)
        c = AsciiUpper(c);
    return text;
}

// ---- Sources of values

constexpr char HklmCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char HklmShellFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char HkcuShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A string value in the package's registry view; "" when the key or value is missing.
bool ReadRegistryString(HKEY root, const char* key, const char* name, std::string& value)
{
    winlib::TRegistry registry(root, PackageView().RegistryView());
    if (registry.OpenKeyReadOnly(key) != ERROR_SUCCESS)
        return false;
    return registry.ReadString(name, value) == ERROR_SUCCESS;
}

std::string RegistryValue(HKEY root, const char* key, const char* name, const char* fallback = nullptr)
{
    std::string value;
    if (ReadRegistryString(root, key, name, value))
        return value;
    if (fallback != nullptr && ReadRegistryString(root, key, fallback, value))
        return value;
    return std::string();
}

std::string ShellFolder(int csidl)
{
    // No owner window: it only parents a dial-up prompt for a network folder.
    LPITEMIDLIST list = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &list)) || list == nullptr)
        return std::string();
    char path[MAX_PATH] = {};
    BOOL ok = ::SHGetPathFromIDListA(list, path);
    ::CoTaskMemFree(list);
    return ok ? std::string(path) : std::string();
}

// Levels 0 and 2 for a non-administrator: the user's folder; otherwise the common one.
int LevelCsidl(int userCsidl, int commonCsidl)
{
    const TSetupState& state = Setup();
    bool common = state.InstallLevel == 1 || (state.InstallLevel == 2 && state.UserIsAdmin);
    return common ? commonCsidl : userCsidl;
}

std::string TempPath()
{
    return winlib::AskSizedText([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
}

std::string WindowsDir()
{
    return winlib::AskSizedText([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); });
}

std::string ScriptValue(const char* key)
{
    const TSetupState& state = Setup();
    return state.SetupIni ? state.SetupIni->ReadString("Setup", key, "") : std::string();
}

std::string FieldValue(std::string (IWizardFields::*field)() const)
{
    const IWizardFields* fields = Setup().Fields;
    return fields != nullptr ? (fields->*field)() : std::string();
}

std::string DateText(DWORD flags)
{
    char buffer[128] = {};
    int length = ::GetDateFormatA(LOCALE_USER_DEFAULT, flags, nullptr, nullptr, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer) : std::string();
}

std::string FormatDate()
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04u%02u%02u", static_cast<unsigned>(now.wYear),
                  static_cast<unsigned>(now.wMonth), static_cast<unsigned>(now.wDay));
    return buffer;
}

// The folder above path: the text before its last backslash, "" without one.
std::string ParentFolder(const std::string& path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string InstallDrive()
{
    std::string dir = FieldValue(&IWizardFields::InstallDir);
    if (dir.empty())
        return "C:";
    size_t slash = dir.find('\\');
    return slash == std::string::npos ? std::string() : dir.substr(0, slash);
}

std::string StripTrailingBackslash(std::string value)
{
    if (!value.empty() && value.back() == '\\')
        value.pop_back();
    return value;
}

// The raw value of one kind. False when the kind has no source yet and its name
// must stay in the text as typed: the language file's values before it is open.
bool ResolveKind(int kind, std::string& value)
{
    const TSetupState& state = Setup();
    switch (kind) {
    case 1: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmCurrentVersion, "ProgramFilesDir"); break;
    case 2: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmCurrentVersion, "CommonFilesDir"); break;
    case 3: value = WindowsDir(); break;
    case 4: value = PackageView().SystemDir(); break;
    case 5: value = TempPath(); break;
    case 6: value = ShellFolder(CSIDL_FONTS); break;
    case 7: value = ShellFolder(CSIDL_PERSONAL); break;
    case 8: value = WindowsDir().substr(0, 2); break;
    case 9: value = winlib::ExtractFilePath(state.SetupExe); break;
    case 10: value = FieldValue(&IWizardFields::InstallDir); break;
    case 11: value = ShellFolder(CSIDL_SENDTO); break;
    case 12: value = ShellFolder(CSIDL_FAVORITES); break;
    case 13: value = ShellFolder(CSIDL_COMMON_FAVORITES); break;
    case 14: value = ShellFolder(CSIDL_TEMPLATES); break;
    case 15: value = ShellFolder(CSIDL_APPDATA); break;
    case 16: value = RegistryValue(HKEY_CURRENT_USER, HkcuShellFolders, "Local Settings", "Local AppData"); break;
    case 17: value = ParentFolder(GetFolderPath(18)); break;
    case 18: value = ShellFolder(LevelCsidl(CSIDL_DESKTOP, CSIDL_COMMON_DESKTOPDIRECTORY)); break;
    case 19: value = ShellFolder(LevelCsidl(CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU)); break;
    case 20: value = ShellFolder(LevelCsidl(CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS)); break;
    case 21: value = ShellFolder(LevelCsidl(CSIDL_STARTUP, CSIDL_COMMON_STARTUP)); break;
    case 22: value = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY); break;
    case 23: value = ShellFolder(CSIDL_COMMON_STARTMENU); break;
    case 24: value = ShellFolder(CSIDL_COMMON_PROGRAMS); break;
    case 25: value = ShellFolder(CSIDL_COMMON_STARTUP); break;
    case 26: value = GetFolderPath(20) + "\\" + FieldValue(&IWizardFields::ProgramGroup); break;
    case 27: {
        std::string appData = RegistryValue(HKEY_CURRENT_USER, HkcuShellFolders, "AppData");
        value = appData.empty() ? std::string() : appData + "\\Microsoft\\Internet Explorer\\Quick Launch";
        break;
    }
    case 28: value = ScriptValue("AppName"); break;
    case 29: value = ScriptValue("AppVersion"); break;
    case 30: value = ScriptValue("CompanyName"); break;
    case 31: value = ScriptValue("WebSite"); break;
    case 32: value = ScriptValue("SupportLink"); break;
    case 33: value = FieldValue(&IWizardFields::UserName); break;
    case 34: value = FieldValue(&IWizardFields::UserCompany); break;
    case 35: value = DateText(DATE_SHORTDATE); break;
    case 36: value = ShellFolder(CSIDL_LOCAL_APPDATA); break;
    case 37: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmShellFolders, "Common AppData"); break;
    case 38: value = GetFolderPath(59); break;
    case 39: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmShellFolders, "Common Templates"); break;
    case 40: value = ParentFolder(GetFolderPath(22)); break;
    case 41: value = FieldValue(&IWizardFields::CustomUserInfo); break;
    case 42: value = FieldValue(&IWizardFields::Language); break;
    case 43:
        if (!LanguageFileOpen())
            return false;
        value = LanguageText(LngInfo("lng"));
        break;
    case 44:
        if (!LanguageFileOpen())
            return false;
        value = LanguageText(LngInfo("id"));
        break;
    case 45: value = state.SetupTempDir; break;
    case 46: value = std::to_string(static_cast<unsigned>(::GetSystemDefaultLangID())); break;
    case 47: value = ScriptValue("BuildDate"); break;
    case 48: value = state.SetupExe; break;
    case 49: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmCurrentVersion, "ProgramW6432Dir", "ProgramFilesDir"); break;
    case 50: value = InstallDrive(); break;
    case 51: value = PackageView().SystemDir(); break;
    case 52: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmCurrentVersion, "ProgramFilesDir (x86)", "ProgramFilesDir"); break;
    case 53: value = winlib::ExtractFileName(GetFolderPath(17)); break;
    case 54: value = ScriptValue("GUID"); break;
    case 55: value = RegistryValue(HKEY_CURRENT_USER, HkcuShellFolders, "My Pictures"); break;
    case 56: value = RegistryValue(HKEY_CURRENT_USER, HkcuShellFolders, "My Music"); break;
    case 57: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmShellFolders, "CommonPictures"); break;
    case 58: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmShellFolders, "CommonMusic"); break;
    case 59: value = RegistryValue(HKEY_LOCAL_MACHINE, HklmShellFolders, "Common Documents"); break;
    case 60: value = FormatDate(); break;
    case 61: value = winlib::ExtractFileName(state.SetupExe); break;
    default: return false;
    }
    value = StripTrailingBackslash(value);
    return true;
}

// ---- Steps of the expansion

// A user who may not write the machine's folders gets per-user ones instead.
std::string PerUserRewrite(const std::string& text)
{
    const TSetupState& state = Setup();
    if (state.UserIsAdmin || state.InstallLevel == 1)
        return text;
    std::string result = ReplaceAllNoCase(text, PlaceholderTable[pkProgramFiles - 1], PlaceholderTable[pkAppData - 1]);
    return ReplaceAllNoCase(result, PlaceholderTable[pkCommonDesktop - 1], PlaceholderTable[pkDesktop - 1]);
}

std::string ApplyVariables(std::string text)
{
    for (const std::string& entry : Setup().VariablesList) {
        size_t mark = entry.find('?');
        if (mark == 0 || mark == std::string::npos)
            continue;  // no name: never matches
        text = ReplaceAllNoCase(text, entry.substr(0, mark), entry.substr(mark + 1));
    }
    return text;
}

std::string ApplyPlaceholders(std::string text)
{
    for (int kind = 1; kind <= PlaceholderCount; ++kind) {
        const char* name = PlaceholderTable[kind - 1];
        if (!ContainsNoCase(text, name))
            continue;
        std::string value;
        try {
            if (!ResolveKind(kind, value))
                continue;
        } catch (const std::exception&) {
            // One placeholder that cannot be resolved stays as typed; the rest still expand.
            continue;
        }
        text = ReplaceAllNoCase(text, name, value);
    }
    return text;
}

// Every "<%NAME%>" left to right; inserted values are not searched again, and a
// "<%" without a later "%>" stays.
std::string ApplyEnvironment(std::string text)
{
    size_t from = 0;
    for (;;) {
        size_t open = text.find("<%", from);
        if (open == std::string::npos)
            break;
        size_t close = text.find("%>", open + 2);
        if (close == std::string::npos)
            break;
        std::string value = GetEnvVar(text.substr(open + 2, close - open - 2));
        text.replace(open, close + 2 - open, value);
        from = open + value.size();
    }
    return text;
}

std::string ApplyLineBreaks(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find("<#>"); at != std::string::npos; at = text.find("<#>", from)) {
        result.append(text, from, at - from).append("\r\n");
        from = at + 3;
    }
    return result.append(text, from, std::string::npos);
}

HKEY RootKey(const std::string& name)
{
    std::string root = UpperAscii(name);
    if (root == "HKCR") root = "HKEY_CLASSES_ROOT";
    if (root == "HKCU") root = "HKEY_CURRENT_USER";
    if (root == "HKLM") root = "HKEY_LOCAL_MACHINE";
    if (root == "HKU") root = "HKEY_USERS";
    if (root == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (root == "HKEY_USERS") return HKEY_USERS;
    return HKEY_CURRENT_USER;  // also every name that is not a root
}

}  // namespace

std::string GetFolderPath(int kind)
{
    std::string value;
    if (kind < 1 || kind > PlaceholderCount || !ResolveKind(kind, value))
        return std::string();
    return value;
}

std::string ExpandPlaceholders(const std::string& text)
{
    std::string result = PerUserRewrite(text);
    result = ApplyVariables(result);
    result = ApplyPlaceholders(result);
    result = ApplyEnvironment(result);
    return ApplyLineBreaks(result);
}

std::string GetEnvVar(const std::string& name)
{
    TPackageView::TEnvSource source = PackageView().EnvSource(name);
    if (source.Fixed)
        return source.Value;
    // Sized from the call's answer; a value that grows in between is read again.
    std::string value(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = ::GetEnvironmentVariableA(source.Name.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0)
            return std::string();  // unset (or empty)
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.assign(length, '\0');
    }
    return std::string();
}

void LoadRegistryVariable(const std::string& record)
{
    TSetupState& state = Setup();
    state.FieldList = winlib::SplitRecord(record, setupformat::FieldSeparator);
    std::vector<std::string>& fields = state.FieldList;
    if (fields.size() == 4)
        fields.emplace_back();  // an empty default
    if (fields.size() != 5)
        return;

    std::string result = ExpandPlaceholders(fields[4]);
    std::string keyPath = ExpandPlaceholders(fields[1]);
    std::string valueName = ExpandPlaceholders(fields[2]);
    std::string name = fields[0];  // written as the author typed it
    bool asString = UpperAscii(fields[3]) == "STRING";

    // "HKLM\Software\X": root before the first backslash; without one the whole text is the key.
    size_t slash = keyPath.find('\\');
    std::string rootName = slash == std::string::npos ? std::string() : keyPath.substr(0, slash);
    std::string key = slash == std::string::npos ? keyPath : keyPath.substr(slash + 1);

    winlib::TRegistry registry(RootKey(rootName), PackageView().RegistryView());
    if (registry.OpenKeyReadOnly(key) == ERROR_SUCCESS && registry.ValueExists(valueName)) {
        // A value of the other type or a failed read keeps the expanded default.
        if (asString) {
            std::string text;
            if (registry.ReadString(valueName, text) == ERROR_SUCCESS)
                result = text;
        } else {
            DWORD number = 0;
            if (registry.ReadInteger(valueName, number) == ERROR_SUCCESS)
                result = std::to_string(static_cast<LONG>(number));  // REG_DWORD reads signed
        }
    }
    state.VariablesList.push_back(name + "?" + result);
}
