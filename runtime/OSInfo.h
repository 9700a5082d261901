// What the setup asks about the machine it runs on: file versions, the Windows
// release, group membership, installed prerequisites, running programs and the
// Internet. Every probe only reads, never shows anything and never throws: a
// missing key, a failed call or an odd value gives the neutral answer (empty,
// "0.0", -1, false).
//
// HKLM is read in the package's view (64-bit for an x64 package, else 32-bit),
// except the Adobe Reader probe, which always reads the 32-bit view as the 32-bit
// runtime did. All registry reads go through TRegistryReader and the Windows
// version through TProbeSource, so that tests can put a fake machine behind them.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "winlib/Registry.h"

// Read-only access to HKEY_LOCAL_MACHINE, one open key at a time.
class TRegistryReader {
public:
    virtual ~TRegistryReader() = default;
    // Opens key (below HKLM) in view for reading, closing the one open before.
    virtual bool Open(winlib::RegView view, const std::string& key) = 0;
    virtual bool KeyExists(winlib::RegView view, const std::string& key) = 0;
    // Values of the open key. False when missing or of another type (a DWORD
    // read of a text is "missing", so one odd value hides nothing else).
    virtual bool ReadText(const std::string& name, std::string& value) = 0;
    virtual bool ReadDword(const std::string& name, DWORD& value) = 0;
    virtual bool SubkeyNames(std::vector<std::string>& names) = 0;
};

// The machine behind the probes. The default asks Windows.
class TProbeSource {
public:
    virtual ~TProbeSource() = default;
    virtual TRegistryReader& Registry() = 0;
    virtual bool QueryVersion(OSVERSIONINFOA& info) = 0;  // GetVersionExA
    virtual bool WindowsIs64() = 0;
};

// Names of the levels GetDotNetLevel, GetSqlCompactLevel and GetSqlServerLevel
// answer; the requirement messages name the required level with them.
constexpr int DotNetLevelCount = 11;
constexpr int SqlCompactLevelCount = 4;
constexpr int SqlServerLevelCount = 15;
extern const char* const DotNetLevelNames[DotNetLevelCount];
extern const char* const SqlCompactLevelNames[SqlCompactLevelCount];
extern const char* const SqlServerLevelNames[SqlServerLevelCount];

// The plain-HTTP page IsInternetAvailable asks for.
extern const char* const InternetProbeUrl;

class TOSInfo {
public:
    TOSInfo() = delete;

    // Points every probe at source; nullptr restores the machine. Answers the
    // source in use before.
    static TProbeSource* SetSource(TProbeSource* source);

    static std::string GetFileVersionString(const std::string& path);  // "a.b.c.d", "" without one
    // Whether Windows is 64-bit. Our runtime is a 64-bit program, so it is;
    // IsWow64Process would answer FALSE for it and is not asked.
    static bool IsWow64();
    static std::string GetRegisteredInfo(const std::string& kind);  // "user" or "company"
    static std::string GetWindowsName();  // "Win9x" ... "Win8", "WinUnknow"

    static bool IsInLocalGroup(DWORD rid);  // a built-in group: 544 Administrators, 547 Power Users
    static bool IsAdministrator();
    static bool IsPowerUser();
    static bool IsAdminOrPowerUser();

    static int GetDotNetLevel();                // -1 .. 10, the highest level installed
    static std::string GetAcrobatReaderVersion();  // "11.0", "0.0" when none
    static std::string GetJavaVersion();        // "1.8", "0.0" when none
    static std::string GetIEVersion();          // "11.0.9600...", "" when none
    static int GetSqlCompactLevel();            // -1 .. 3
    static int GetSqlServerLevel();             // -1 .. 14

    // The first process whose executable is name (on NT only name's file-name
    // part counts), without regard to case; -1 when none.
    static int64_t FindProcessId(const std::string& name);
    static bool IsProcessRunning(const std::string& name);

    static bool IsInternetAvailable();  // IsInternetAvailableAt(InternetProbeUrl)
    // True when url's server answers an HTTP request with any status (100-599)
    // within 10 s.
    static bool IsInternetAvailableAt(const std::string& url);

    // The two ways IsInLocalGroup can ask, for tests on a machine where both work.
    static bool IsInLocalGroupByCheck(DWORD rid);        // CheckTokenMembership
    static bool IsInLocalGroupByTokenGroups(DWORD rid);  // the thread's or process's token groups
    // GetWindowsName's table: the name for a version (platform: dwPlatformId).
    static std::string WindowsNameFor(DWORD major, DWORD minor, DWORD platform, bool windows64);
};

// The name the install run knows it by.
inline std::string GetFileVersionString(const std::string& path) { return TOSInfo::GetFileVersionString(path); }
