// Process-wide state of the authoring program and the small routines every part
// of it calls: the command line, special folders, file versions, the locale.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

constexpr const char* kProductTitle = "Tarvex Installer";
constexpr const char* kProductTitleVersion = "Tarvex Installer 5.4";
// Bytes the size estimate adds for the uninstaller and the updater.
constexpr std::uint32_t UninstallerSizeDefault = 403456;
constexpr std::uint32_t UpdaterSizeDefault = 562688;

// One instance per process, owned by the main window's unit.
struct TAppState {
    std::string ProgramFolder;    // with a trailing backslash
    std::string ProjectFileName;  // "" none, "New Product" never saved
    bool ProjectModified = false;
    bool SilentBuild = false;
    bool NeverShown = false;  // a command-line build: the main window is never shown
    bool FirstShow = true;
    bool FirstRun = true;
    std::uint32_t UninstallerSize = 0;
    std::uint32_t UpdaterSize = 0;
    std::uint64_t FolderSize = 0;  // the source folder's total
    std::string DropBaseFolder;
};
TAppState& AppState();

// The registry home of the preferences: HKEY_CURRENT_USER\<base>\Settings and
// \Recent, and the classes root the file association goes to. Tests point them
// at keys of their own.
struct TRegistryHome {
    HKEY Root = HKEY_CURRENT_USER;
    HKEY Classes = HKEY_CLASSES_ROOT;
    std::string Base = "Software\\Quellix\\Tarvex Installer";
    std::string Settings() const { return Base + "\\Settings"; }
    std::string Recent() const { return Base + "\\Recent"; }
};
TRegistryHome& RegistryHome();

// The program's parameters as the C runtime splits them (without the program
// itself). Set once by main; tests set their own.
std::vector<std::string>& Parameters();
// 1-based index of the first parameter equal to sw ignoring case; 0 when none is.
int FindSwitch(const std::string& sw);
// Parameter at a 1-based index, "" beyond the list.
std::string ParamStr(int index);

// csidl 0: the temp folder; others: that shell folder. Ends with "\"; "" on any failure.
std::string GetSpecialFolder(int csidl);
// The strings of a file's version resource under its first translation
// ("ProductName", "ProductVersion", ...). Found() is false without a resource or
// a translation entry.
class TVersionStrings {
public:
    explicit TVersionStrings(const std::string& path);
    bool Found() const { return !prefix_.empty(); }
    bool Has(const std::string& name) const;
    std::string Value(const std::string& name) const;  // "" when absent

private:
    std::vector<char> data_;
    std::string prefix_;  // "\\StringFileInfo\\040904E4\\"
};
// ProductVersion of the file's version resource under its first translation; "" when absent.
std::string GetFileProductVersion(const std::string& path);
// The languages whose users get the regional home page.
bool IsRegionalLanguageId(LANGID id);
bool IsRegionalLocale();

// Full path of the running program.
std::string ProgramPath();
