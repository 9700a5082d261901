// Placeholder expansion: turns the publisher's texts ("<ProgramFiles>\<AppName>",
// "<%TEMP%>", "<MyVar1>", "<#>") into their final form on the target machine.
// Every call resolves afresh from the registry, the shell, the script, the
// language file and the wizard's controls (Setup().Fields); nothing is cached.
#pragma once
#include <string>

// The placeholder names in table order. A name's position (1-based) is its kind,
// the argument of GetFolderPath; other steps call it by number.
constexpr int PlaceholderCount = 61;
extern const char* const PlaceholderTable[PlaceholderCount];  // [kind - 1]

// Kinds that other steps ask for by number.
enum TPlaceholderKind : int {
    pkProgramFiles = 1, pkCommonFiles = 2, pkWindowsDir = 3, pkSystemDir = 4,
    pkTempDir = 5, pkInstallDir = 10, pkAppData = 15, pkDesktop = 18, pkProgramsMenu = 20,
    pkCommonDesktop = 22, pkCommonProgramsMenu = 24, pkProgramGroup = 26,
    pkAppName = 28, pkAppVersion = 29, pkCompanyName = 30, pkWebSite = 31,
    pkSupportLink = 32, pkSetupTempDir = 45, pkSystemDir64 = 51, pkGUID = 54,
};

// The value of placeholder number kind, one trailing backslash removed. An
// unavailable source, or a kind outside 1..61, gives "".
std::string GetFolderPath(int kind);

// The text with, in this order: the per-user rewrite, the author's variables
// (Setup().VariablesList), the placeholders, the "<%NAME%>" environment
// references and the "<#>" line breaks applied. Never fails.
std::string ExpandPlaceholders(const std::string& text);

// The process environment variable as this package sees it (PackageView), of any
// length; "" when unset.
std::string GetEnvVar(const std::string& name);

// Parses one [Variables] record (name, key, value name, type, default), reads the
// value and appends NAME + "?" + value to Setup().VariablesList. A record with
// another number of fields is ignored.
void LoadRegistryVariable(const std::string& record);
