// What the target machine must have before the setup goes on: 64-bit Windows,
// an allowed Windows version, administrator rights, the Internet, the author's
// rules and the built-in prerequisites.
#include "runtime/Requirements.h"

#include <string>

#include "runtime/Form1.h"
#include "runtime/Language.h"
#include "runtime/MachineSeam.h"
#include "runtime/OSInfo.h"
#include "runtime/Placeholders.h"
#include "runtime/Seams.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Versions.h"
#include "winlib/Application.h"
#include "winlib/IniFile.h"
#include "winlib/Path.h"

namespace {

const winlib::TIniFile& Script() { return *Setup().SetupIni; }

bool SetupBool(const char* key, bool defaultValue) { return Script().ReadBool("Setup", key, defaultValue); }
std::string SetupText(const char* key, const char* defaultValue) { return Script().ReadString("Setup", key, defaultValue); }

// The Windows keys of [Setup] in the order the refusal lists them.
const struct {
    const char* Key;
    const char* Label;
} WindowsKeys[] = {
    {"Win9x", "9x/"},   {"WinNT", "NT/"},           {"Win2000", "2000/"}, {"WinXP", "XP/"},
    {"WinSrv2003", "Server 2003/"}, {"WinVista", "Vista/"}, {"Win7", "7/"}, {"Win8", "8/"},
};

std::string AllowedWindowsList()
{
    std::string list;
    for (const auto& row : WindowsKeys)
        if (SetupBool(row.Key, true))
            list += row.Label;
    if (!list.empty())
        list.pop_back();
    return list;
}

void CheckPlatform()
{
    TSetupState& s = Setup();
    if (s.Package64 && !Machine().WindowsIs64()) {
        if (!s.SilentSetup)
            AskWarning(LanguageText(Lng("Messages", 2), ""), MB_OK);
        RefuseRequirement(2, "");
    }
}

void CheckWindowsVersion()
{
    std::string name = Machine().WindowsName();
    if (name == "WinUnknow" || SetupBool(name.c_str(), true))
        return;
    std::string list = AllowedWindowsList();
    if (Setup().SilentSetup || AskWarning(LanguageText(Lng("Messages", 3), list), MB_YESNO) != IDYES)
        RefuseRequirement(3, list);
}

void CheckAdministrator()
{
    TSetupState& s = Setup();
    if (s.AdminRequired && !s.UserIsAdmin) {
        if (!s.SilentSetup)
            AskWarning(LanguageText(Lng("Messages", 4), ""), MB_OK);
        RefuseRequirement(4, "");
    }
}

void CheckInternet()
{
    // A silent setup goes on without a connection, so it does not wait for the probe either.
    if (Setup().SilentSetup || !SetupBool("Internet", false) || Machine().InternetAvailable())
        return;
    if (AskWarning(LanguageText(Lng("Messages", 5), ""), MB_YESNO) != IDYES)
        RefuseRequirement(5, "");
}

void CheckAuthorRules()
{
    std::vector<std::string> keys = Script().ReadSection("Prerequisites");
    Setup().ListBox1 = keys;
    for (const std::string& key : keys)
        CheckPrerequisite(Script().ReadString("Prerequisites", key, ""));
}

// The name of a required level; a number outside the table shows as itself.
std::string LevelName(const char* const* names, int count, int level)
{
    return level >= 0 && level < count ? names[level] : std::to_string(level);
}

// The built-in prerequisites in the order the loop tests them. A level row
// compares the probe's level index; a version row compares major.minor texts.
struct TBuiltIn {
    const char* Wanted;
    const char* VersionKey;
    TLngKey Message;  // its number is the refusal's number too
    const char* LinkKey;
    int (TSetupMachine::*Level)();
    const char* const* Names;
    int NameCount;
    std::string (TSetupMachine::*Version)();
    const char* DefaultVersion;
};

const TBuiltIn BuiltIns[] = {
    {"dotNET", "dotNETVersion", Lng("Messages", 7), "LinkDN", &TSetupMachine::DotNetLevel, DotNetLevelNames,
     DotNetLevelCount, nullptr, ""},
    {"IE", "IEVersion", Lng("Messages", 8), "LinkIE", nullptr, nullptr, 0, &TSetupMachine::IEVersion, "3.0"},
    {"AR", "ARVersion", Lng("Messages", 9), "LinkAR", nullptr, nullptr, 0, &TSetupMachine::AcrobatReaderVersion, "5.0"},
    {"Java", "JavaVersion", Lng("Messages", 10), "LinkJR", nullptr, nullptr, 0, &TSetupMachine::JavaVersion, "1.2"},
    {"SQL", "SQLVersion", Lng("Messages", 24), "LinkSQL", &TSetupMachine::SqlCompactLevel, SqlCompactLevelNames,
     SqlCompactLevelCount, nullptr, ""},
    {"SQLE", "SQLEVersion", Lng("Messages", 26), "LinkSQLE", &TSetupMachine::SqlServerLevel, SqlServerLevelNames,
     SqlServerLevelCount, nullptr, ""},
};

// Whether the row is wanted and missing; required gets the required version's name.
bool IsMissing(const TBuiltIn& row, std::string& required)
{
    if (!SetupBool(row.Wanted, false))
        return false;
    if (row.Level) {
        int level = Script().ReadInteger("Setup", row.VersionKey, 0);
        required = LevelName(row.Names, row.NameCount, level);
        return (Machine().*row.Level)() < level;
    }
    required = SetupText(row.VersionKey, row.DefaultVersion);
    return !IsVersionAtLeast((Machine().*row.Version)(), required);
}

// True when the application to close runs and the user chose Retry.
bool AppToCloseRuns()
{
    TSetupState& s = Setup();
    if (!SetupBool("CloseApp", false) || !Machine().ProcessRunning(ExpandPlaceholders(SetupText("CloseAppFile", ""))))
        return false;
    std::string text = ExpandPlaceholders(SetupText("CloseAppText", ""));
    if (s.SilentSetup || AskWarning(LanguageText(Lng("Messages", 6), text), MB_RETRYCANCEL) != IDRETRY)
        RefuseRequirement(6, text);
    return true;
}

// One pass of the built-in loop; true when every test passed. A pass that
// follows another waits 200 ms first, so that an application being closed or a
// prerequisite being installed has settled; the first pass has nothing to wait for.
bool BuiltInPass(bool again)
{
    if (again)
        Machine().Sleep(200);
    Machine().Pump();
    if (AppToCloseRuns())
        return false;
    for (const TBuiltIn& row : BuiltIns) {
        std::string required;
        if (!IsMissing(row, required))
            continue;
        // Shown in silent setups too: the author's fix-up may be what the user needs.
        if (AskWarning(LanguageText(row.Message, required), MB_YESNO) == IDYES &&
            OpenLinkOrRun(ExpandPlaceholders(SetupText(row.LinkKey, "")), true, true))
            return false;
        RefuseRequirement(row.Message.Number, required);
    }
    return true;
}

}  // namespace

std::string WizardCaption()
{
    TForm1* form = dynamic_cast<TForm1*>(Setup().Fields);
    return form ? form->Caption() : winlib::ApplicationTitle();
}

int AskWarning(const std::string& text, UINT buttons)
{
    return Machine().Ask(nullptr, text, WizardCaption(), buttons | MB_ICONWARNING);
}

void RefuseRequirement(int number, const std::string& argument)
{
    LogLine("Error requirement: " + std::to_string(number) + " " + argument);
    EndThroughMachine(secRequirement);
}

bool OpenLinkOrRun(const std::string& link, bool run, bool warn)
{
    TSetupMachine& m = Machine();
    size_t split = link.find(" /");
    std::string file = link.substr(0, split);
    std::string parameters = split == std::string::npos ? std::string() : link.substr(split + 1);
    bool exists = !file.empty() && m.FileExists(file);
    if (run && exists) {
        std::string program = winlib::ExpandFileName(file);
        // Not started counts as run: the caller tests again and asks again.
        if (!m.RunAndWait(program, parameters, SW_SHOWNORMAL))
            LogLine("Error run: " + program);
        return true;
    }
    if (warn)  // owned by the application, not the setup window
        m.Ask(nullptr, LanguageText(Lng("Messages", 28), ""), "Setup - " + Setup().SetupTitle,
              MB_OK | MB_ICONWARNING);
    if (exists) {
        std::string program = winlib::ExpandFileName(file);
        m.ShellOpen(program, parameters, winlib::ExtractFileDir(program));
    } else {
        m.ShellOpen(link, "", "");
    }
    return false;
}

void CheckRequirements()
{
    CheckPlatform();
    CheckWindowsVersion();
    CheckAdministrator();
    CheckInternet();
    CheckAuthorRules();
    for (bool again = false; !BuiltInPass(again); again = true) {
    }
}
