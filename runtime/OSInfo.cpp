#include "runtime/OSInfo.h"

#include <tlhelp32.h>
#include <wininet.h>

#include <iterator>
#include <memory>

#include "runtime/PackageView.h"
#include "runtime/Versions.h"
#include "winlib/StringList.h"

using winlib::RegView;

const char* const DotNetLevelNames[DotNetLevelCount] = {
    "1.0", "1.1", "2.0", "3.0", "3.5", "3.5 SP1 Client", "3.5 SP1", "4.0 Client", "4.0 Full", "4.5", "4.5.1"};
const char* const SqlCompactLevelNames[SqlCompactLevelCount] = {"3.5", "3.5 SP1", "3.5 SP2", "4.0"};
const char* const SqlServerLevelNames[SqlServerLevelCount] = {
    "2005",        "2005 SP1", "2005 SP2", "2005 SP3",    "2005 SP4",    "2008",        "2008 SP1", "2008 SP2",
    "2008 SP3",    "2008 R2",  "2008 R2 SP1", "2008 R2 SP2", "2012",     "2012 SP1",    "2014"};

const char* const InternetProbeUrl = "http://example.com/";

namespace {

// HKLM through winlib's registry, one key at a time.
class THklmReader : public TRegistryReader {
public:
    bool Open(RegView view, const std::string& key) override
    {
        reg_ = std::make_unique<winlib::TRegistry>(HKEY_LOCAL_MACHINE, view);
        return reg_->OpenKeyReadOnly(key) == ERROR_SUCCESS;
    }
    bool KeyExists(RegView view, const std::string& key) override
    {
        return winlib::TRegistry(HKEY_LOCAL_MACHINE, view).KeyExists(key);
    }
    bool ReadText(const std::string& name, std::string& value) override
    {
        return reg_ && reg_->ReadString(name, value) == ERROR_SUCCESS;
    }
    bool ReadDword(const std::string& name, DWORD& value) override
    {
        return reg_ && reg_->ReadInteger(name, value) == ERROR_SUCCESS;
    }
    bool SubkeyNames(std::vector<std::string>& names) override
    {
        return reg_ && reg_->GetKeyNames(names) == ERROR_SUCCESS;
    }

private:
    std::unique_ptr<winlib::TRegistry> reg_;
};

class TMachineSource : public TProbeSource {
public:
    TRegistryReader& Registry() override { return registry_; }
    bool QueryVersion(OSVERSIONINFOA& info) override
    {
        info = {};
        info.dwOSVersionInfoSize = sizeof info;
        return GetVersionExA(&info) != FALSE;
    }
    // Our runtime is built for x64 only, so Windows is 64-bit wherever it runs.
    bool WindowsIs64() override { return true; }

private:
    THklmReader registry_;
};

TProbeSource* g_source = nullptr;

TProbeSource& Source()
{
    static TMachineSource machine;
    return g_source ? *g_source : machine;
}

TRegistryReader& Reg() { return Source().Registry(); }
RegView ProbeView() { return PackageView().RegistryView(); }

// The platform and major version; an unanswered query counts as NT of unknown major.
void PlatformOf(DWORD& platform, DWORD& major)
{
    OSVERSIONINFOA info;
    bool known = Source().QueryVersion(info);
    platform = known ? info.dwPlatformId : VER_PLATFORM_WIN32_NT;
    major = known ? info.dwMajorVersion : 0;
}

bool IsNT()
{
    DWORD platform = 0, major = 0;
    PlatformOf(platform, major);
    return platform == VER_PLATFORM_WIN32_NT;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Opens key in the package view and tests a DWORD value for 1.
bool DwordIsOne(const std::string& key, const std::string& name)
{
    DWORD value = 0;
    return Reg().Open(ProbeView(), key) && Reg().ReadDword(name, value) && value == 1;
}

// RAII for a WinINet handle.
struct TInternetHandle {
    HINTERNET Handle;
    explicit TInternetHandle(HINTERNET handle) : Handle(handle) {}
    ~TInternetHandle()
    {
        if (Handle)
            InternetCloseHandle(Handle);  // nothing to do when closing fails
    }
    TInternetHandle(const TInternetHandle&) = delete;
    TInternetHandle& operator=(const TInternetHandle&) = delete;
};

}  // namespace

TProbeSource* TOSInfo::SetSource(TProbeSource* source)
{
    TProbeSource* previous = g_source;
    g_source = source;
    return previous;
}

// ---- Files and Windows ----

std::string TOSInfo::GetFileVersionString(const std::string& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return std::string();
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return std::string();
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

bool TOSInfo::IsWow64() { return Source().WindowsIs64(); }

std::string TOSInfo::GetRegisteredInfo(const std::string& kind)
{
    const char* value = kind == "user" ? "RegisteredOwner" : kind == "company" ? "RegisteredOrganization" : nullptr;
    if (!value)
        return std::string();
    std::string key = std::string("SOFTWARE\\Microsoft") + (IsNT() ? "\\Windows NT\\" : "\\Windows\\") + "CurrentVersion";
    std::string text;
    if (!Reg().Open(ProbeView(), key) || !Reg().ReadText(value, text))
        return std::string();
    return text;
}

std::string TOSInfo::WindowsNameFor(DWORD major, DWORD minor, DWORD platform, bool windows64)
{
    switch (major) {
    case 4:
        if (minor == 0)
            return platform == VER_PLATFORM_WIN32_NT ? "WinNT" : "Win9x";
        return minor == 10 || minor == 90 ? "Win9x" : "WinUnknow";
    case 5:
        // x64 XP reports 5.2 like Server 2003.
        return minor == 0 ? "Win2000" : minor == 1 ? "WinXP" : minor == 2 ? (windows64 ? "WinXP" : "WinSrv2003")
                                                                            : "WinUnknow";
    case 6:
        // Without a supportedOS entry in the manifest, Windows 8.1 and 10 report 6.2.
        return minor == 0 ? "WinVista" : minor == 1 ? "Win7" : minor <= 9 ? "Win8" : "WinUnknow";
    case 7:
        return "Win8";
    default:
        return "WinUnknow";
    }
}

std::string TOSInfo::GetWindowsName()
{
    OSVERSIONINFOA info;
    if (!Source().QueryVersion(info))
        return "WinUnknow";
    return WindowsNameFor(info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId, IsWow64());
}

// ---- Groups ----

namespace {

// The SID of built-in group rid, freed on scope exit; null when it cannot be made.
struct TBuiltinSid {
    PSID Sid = nullptr;
    explicit TBuiltinSid(DWORD rid)
    {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, rid, 0, 0, 0, 0, 0, 0, &Sid))
            Sid = nullptr;
    }
    ~TBuiltinSid()
    {
        if (Sid)
            FreeSid(Sid);
    }
    TBuiltinSid(const TBuiltinSid&) = delete;
    TBuiltinSid& operator=(const TBuiltinSid&) = delete;
};

using CheckTokenMembershipProc = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);

// Looked up by name: Windows NT 4 has no CheckTokenMembership.
CheckTokenMembershipProc FindCheckTokenMembership()
{
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    if (!advapi)
        advapi = LoadLibraryA("advapi32.dll");
    return advapi ? reinterpret_cast<CheckTokenMembershipProc>(
                        reinterpret_cast<void*>(GetProcAddress(advapi, "CheckTokenMembership")))
                  : nullptr;
}

bool TokenHasEnabledGroup(HANDLE token, PSID sid)
{
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenGroups, nullptr, 0, &size) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenGroups, buffer.data(), size, &size))
        return false;
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        DWORD attributes = groups->Groups[i].Attributes;
        if (EqualSid(groups->Groups[i].Sid, sid) && (attributes & SE_GROUP_ENABLED) &&
            !(attributes & SE_GROUP_USE_FOR_DENY_ONLY))
            return true;
    }
    return false;
}

}  // namespace

bool TOSInfo::IsInLocalGroupByCheck(DWORD rid)
{
    TBuiltinSid group(rid);
    CheckTokenMembershipProc check = FindCheckTokenMembership();
    BOOL member = FALSE;
    return group.Sid && check && check(nullptr, group.Sid, &member) && member;
}

bool TOSInfo::IsInLocalGroupByTokenGroups(DWORD rid)
{
    TBuiltinSid group(rid);
    if (!group.Sid)
        return false;
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return false;
    }
    bool member = TokenHasEnabledGroup(token, group.Sid);
    CloseHandle(token);
    return member;
}

bool TOSInfo::IsInLocalGroup(DWORD rid)
{
    DWORD platform = 0, major = 0;
    PlatformOf(platform, major);
    if (platform != VER_PLATFORM_WIN32_NT)
        return true;  // Windows 9x has no groups: everyone may do everything
    if (major >= 5 && FindCheckTokenMembership())
        return IsInLocalGroupByCheck(rid);
    return IsInLocalGroupByTokenGroups(rid);
}

bool TOSInfo::IsAdministrator() { return IsInLocalGroup(DOMAIN_ALIAS_RID_ADMINS); }
bool TOSInfo::IsPowerUser() { return IsInLocalGroup(DOMAIN_ALIAS_RID_POWER_USERS); }
bool TOSInfo::IsAdminOrPowerUser() { return IsAdministrator() || IsPowerUser(); }

// ---- Prerequisites ----

int TOSInfo::GetDotNetLevel()
{
    const std::string setup = "SOFTWARE\\Microsoft\\NET Framework Setup\\";
    // A machine holds several releases side by side; the highest one answers.
    int level = -1;
    auto found = [&level](int candidate) { level = candidate > level ? candidate : level; };
    if (Reg().KeyExists(ProbeView(), "SOFTWARE\\Microsoft\\.NETFramework\\Policy\\v1.0"))
        found(0);
    if (DwordIsOne(setup + "NDP\\v1.1.4322", "Install"))
        found(1);
    if (DwordIsOne(setup + "NDP\\v2.0.50727", "Install"))
        found(2);
    if (DwordIsOne(setup + "NDP\\v3.0\\Setup", "InstallSuccess"))
        found(3);
    if (DwordIsOne(setup + "NDP\\v3.5", "Install")) {
        DWORD sp = 0;
        found(Reg().ReadDword("SP", sp) && sp == 1 ? 6 : 4);
    }
    if (DwordIsOne(setup + "DotNetClient\\v3.5", "Install"))
        found(5);
    if (DwordIsOne(setup + "NDP\\v4\\Client", "Install"))
        found(7);
    if (DwordIsOne(setup + "NDP\\v4\\Full", "Install")) {
        DWORD release = 0;
        bool hasRelease = Reg().ReadDword("Release", release);
        found(!hasRelease || release < 378389 ? 8 : release < 378675 ? 9 : 10);
    }
    return level;
}

std::string TOSInfo::GetAcrobatReaderVersion()
{
    // The 32-bit view, whatever the package: the reader's key lives there.
    std::vector<std::string> names;
    if (!Reg().Open(RegView::View32, "SOFTWARE\\Adobe\\Acrobat Reader") || !Reg().SubkeyNames(names))
        return "0.0";
    std::string best;
    TDecimal bestNumber;
    for (const std::string& name : names) {
        TDecimal number;
        if (ParseDecimalNumber(name, number) && (best.empty() || CompareDecimal(number, bestNumber) > 0)) {
            best = name;
            bestNumber = number;
        }
    }
    if (best.empty())
        return "0.0";
    size_t dot = best.find('.');
    return dot == std::string::npos ? best : best.substr(0, dot + 2);
}

std::string TOSInfo::GetJavaVersion()
{
    std::vector<std::string> names;
    if (!Reg().Open(ProbeView(), "SOFTWARE\\JavaSoft\\Java Runtime Environment") || !Reg().SubkeyNames(names))
        return "0.0";
    std::string best;
    TDecimal bestNumber;
    for (const std::string& name : names) {
        TDecimal number;
        if (name.size() <= 2 || name[1] != '.' || !ParseDecimalNumber(name.substr(0, 3), number))
            continue;
        if (best.empty() || CompareDecimal(number, bestNumber) > 0) {
            best = name.substr(0, 3);  // 1.8.0_201 is 1.8; 1.10 reads as 1.1
            bestNumber = number;
        }
    }
    return best.empty() ? "0.0" : best;
}

std::string TOSInfo::GetIEVersion()
{
    std::string version, service;
    if (!Reg().Open(ProbeView(), "SOFTWARE\\Microsoft\\Internet Explorer"))
        return std::string();
    if (!Reg().ReadText("Version", version))
        version.clear();
    // From IE 10 on, "Version" stays 9.11... and the real release is "svcVersion".
    return Reg().ReadText("svcVersion", service) ? service : version;
}

int TOSInfo::GetSqlCompactLevel()
{
    const std::string root = "SOFTWARE\\Microsoft\\Microsoft SQL Server Compact Edition\\";
    int level = -1;
    std::string version, servicePack;
    if (Reg().Open(ProbeView(), root + "v3.5\\ENU") && Reg().ReadText("DesktopRuntimeVersion", version)) {
        if (version.compare(0, 3, "3.5") != 0)
            level = -1;
        else if (!Reg().ReadText("DesktopRuntimeServicePackLevel", servicePack))
            level = 0;
        else
            level = StartsWith(servicePack, "2") ? 2 : StartsWith(servicePack, "1") ? 1 : 0;
    }
    if (Reg().Open(ProbeView(), root + "v4.0\\ENU") && Reg().ReadText("DesktopRuntimeVersion", version) &&
        StartsWith(version, "4."))
        level = 3;
    return level;
}

namespace {

struct TSqlPrefix {
    const char* Prefix;
    int Level;
};

// Client tools versions by release, each list in the order its tests run: a later
// match replaces an earlier one, so the longest matching prefix wins.
const TSqlPrefix Sql2005[] = {{"9.0", 0}, {"9.00.2", 1}, {"9.00.3", 2}, {"9.00.4", 3}, {"9.00.5", 4}};
const TSqlPrefix Sql2008[] = {{"10.0", 5},  {"10.00.2", 6}, {"10.00.4", 7},  {"10.00.5", 8},
                              {"10.50", 9}, {"10.50.2", 10}, {"10.50.4", 11}};
const TSqlPrefix Sql2012[] = {{"11.", 12}, {"11.0.3", 13}, {"11.00.3", 13}};
const TSqlPrefix Sql2014[] = {{"12.", 14}};
// The Express server key: every prefix in order of level, "10.5" standing for "10.50".
const TSqlPrefix SqlExpress[] = {{"9.0", 0},     {"9.00.2", 1},   {"9.00.3", 2},   {"9.00.4", 3},   {"9.00.5", 4},
                                 {"10.0", 5},    {"10.00.2", 6},  {"10.00.4", 7},  {"10.00.5", 8},  {"10.5", 9},
                                 {"10.50.2", 10}, {"10.50.4", 11}, {"11.", 12},    {"11.0.3", 13},  {"11.00.3", 13},
                                 {"12.", 14}};

struct TSqlKey {
    const char* Key;
    const TSqlPrefix* Prefixes;
    size_t Count;
};

const char* const SqlRoot = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\";

// Reads the key's "CurrentVersion" (empty when missing) and applies its prefixes
// to level. False when the key does not open.
bool ApplySqlKey(const TSqlKey& key, int& level, bool noMatchResets)
{
    if (!Reg().Open(ProbeView(), std::string(SqlRoot) + key.Key))
        return false;
    std::string version;
    if (!Reg().ReadText("CurrentVersion", version))
        version.clear();
    bool matched = false;
    for (size_t i = 0; i < key.Count; ++i) {
        if (StartsWith(version, key.Prefixes[i].Prefix)) {
            level = key.Prefixes[i].Level;
            matched = true;
        }
    }
    if (!matched && noMatchResets)
        level = -1;
    return true;
}

}  // namespace

int TOSInfo::GetSqlServerLevel()
{
    const TSqlKey clients[] = {
        {"90\\Tools\\ClientSetup\\CurrentVersion", Sql2005, std::size(Sql2005)},
        {"100\\Tools\\ClientSetup\\CurrentVersion", Sql2008, std::size(Sql2008)},
        {"110\\Tools\\ClientSetup\\CurrentVersion", Sql2012, std::size(Sql2012)},
        {"120\\Tools\\ClientSetup\\CurrentVersion", Sql2014, std::size(Sql2014)},
    };
    int level = -1;
    for (size_t i = 0; i < std::size(clients); ++i)
        ApplySqlKey(clients[i], level, i == 0);
    if (level < 0)
        ApplySqlKey({"SQLEXPRESS\\MSSQLServer\\CurrentVersion", SqlExpress, std::size(SqlExpress)}, level, false);
    return level;
}

// ---- Processes ----

int64_t TOSInfo::FindProcessId(const std::string& name)
{
    // Processes only: a snapshot that also lists modules can fail (ERROR_BAD_LENGTH),
    // which would read as "not running".
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    std::string wanted = name;
    if (IsNT()) {
        // NT lists the executable's file name only; Windows 9x its full path.
        size_t slash = wanted.find_last_of("\\/:");
        if (slash != std::string::npos)
            wanted = wanted.substr(slash + 1);
    }
    wanted = winlib::UpperCase(wanted);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int64_t id = -1;
    for (BOOL more = Process32First(snapshot, &entry); more && id < 0; more = Process32Next(snapshot, &entry)) {
        if (winlib::UpperCase(entry.szExeFile) == wanted)
            id = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return id;
}

bool TOSInfo::IsProcessRunning(const std::string& name) { return FindProcessId(name) != -1; }

// ---- Internet ----

bool TOSInfo::IsInternetAvailable() { return IsInternetAvailableAt(InternetProbeUrl); }

bool TOSInfo::IsInternetAvailableAt(const std::string& url)
{
    char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = "";
    char path[INTERNET_MAX_URL_LENGTH + 1] = "";
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    if (url.size() > INTERNET_MAX_URL_LENGTH || !InternetCrackUrlA(url.c_str(), 0, 0, &parts))
        return false;
    TInternetHandle session(InternetOpenA("Setup", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.Handle)
        return false;
    TInternetHandle connection(
        InternetConnectA(session.Handle, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.Handle)
        return false;
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_UI | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    TInternetHandle request(
        HttpOpenRequestA(connection.Handle, "GET", path[0] ? path : "/", nullptr, nullptr, nullptr, flags, 0));
    if (!request.Handle)
        return false;
    // On the request handle: Wine ignores timeouts set on the session or connection.
    DWORD timeout = 10000;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(request.Handle, option, &timeout, sizeof timeout);  // a refused option leaves the default
    if (!HttpSendRequestA(request.Handle, nullptr, 0, nullptr, 0))
        return false;
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(request.Handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return false;
    // A server that never answers can still leave HttpSendRequest successful with status 0.
    return status >= 100 && status <= 599;
}
