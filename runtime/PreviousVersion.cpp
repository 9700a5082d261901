// An installed copy of the product: removed first, or upgraded in place.
#include <string>

#include "runtime/Form1.h"
#include "runtime/Language.h"
#include "runtime/MachineSeam.h"
#include "runtime/PackageView.h"
#include "runtime/Placeholders.h"
#include "runtime/Requirements.h"
#include "runtime/Seams.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/UninstallLog.h"
#include "runtime/Versions.h"
#include "winlib/IniFile.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

// Unattended removal gives up after this many uninstaller runs, or this long a
// wait for one run's "QZUninstall.exe": an uninstaller that keeps its file,
// cannot start, or waits on a dialog would otherwise hold the install forever.
constexpr int MaxUnattendedRuns = 3;
constexpr ULONGLONG MaxUninstallerWait = 300000;
constexpr char UninstallerProcess[] = "QZUninstall.exe";

const winlib::TIniFile& Script() { return *Setup().SetupIni; }

struct TInstalledCopy {
    std::string Uninstaller;  // empty: none registered
    std::string Version;      // empty: no Uninstall.ini
};

// Only a drive or UNC path names a file we may start; a relative one would run
// whatever "Uninstall.exe" the current folder holds.
bool IsAbsolutePath(const std::string& path)
{
    bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    return drive || path.rfind("\\\\", 0) == 0;
}

// The UninstallString of the entry under name; false when its key does not open.
bool ReadUninstallString(const std::string& name, std::string& uninstaller)
{
    HKEY root;
    std::string parent;
    GetAddRemovePlace(root, parent);
    TRegistryValue value = Machine().ReadRegistryValue(root, PackageView().RegistryView(), parent + name, "UninstallString");
    if (value.Exists && value.HasText)
        uninstaller = value.Text;
    return value.KeyOpens;
}

std::string UninstallIniOf(const std::string& folder) { return winlib::IncludeTrailingBackslash(folder) + "Uninstall.ini"; }

TInstalledCopy FindInstalledCopy()
{
    TInstalledCopy copy;
    if (!ReadUninstallString(ExpandPlaceholders("<GUID>"), copy.Uninstaller))
        ReadUninstallString(ExpandPlaceholders("<AppName>"), copy.Uninstaller);
    Machine().Pump();
    if (!IsAbsolutePath(copy.Uninstaller))
        copy.Uninstaller.clear();
    if (copy.Uninstaller.empty())
        return copy;
    std::string ini = UninstallIniOf(winlib::ExtractFileDir(copy.Uninstaller));
    if (Machine().FileExists(ini))
        copy.Version = Machine().ReadIniString(ini, "General", "AppVersion");
    return copy;
}

[[noreturn]] void QuitByUser() { EndThroughMachine(secOk); }

[[noreturn]] void RefuseUpgrade(const std::string& reason)
{
    LogLine("Error upgrade: " + reason);
    EndThroughMachine(secOk);
}

// Waits while an uninstaller runs under its relaunched name. False when an
// unattended wait reached its bound.
bool WaitForUninstaller(bool bounded)
{
    TSetupMachine& m = Machine();
    ULONGLONG start = m.Now();
    while (m.ProcessRunning(UninstallerProcess)) {
        if (bounded && m.Now() - start >= MaxUninstallerWait)
            return false;
        m.Sleep(500);
        m.Pump();
    }
    m.Sleep(300);
    m.Pump();
    return true;
}

// The previous-version loop; answers the copy of its last pass.
TInstalledCopy RemovePreviousVersion()
{
    TSetupState& s = Setup();
    std::string appName = ExpandPlaceholders("<AppName>");
    std::string appVersion = ExpandPlaceholders("<AppVersion>");
    bool upgrade = Script().ReadInteger("Setup", "InstallMode", 0) != 0;
    bool unattended = s.SilentSetup || Script().ReadBool("Setup", "PromptSilentUninstall", false);
    for (int runs = 0;; ++runs) {
        TInstalledCopy copy = FindInstalledCopy();
        if (upgrade || copy.Uninstaller.empty() || !Machine().FileExists(copy.Uninstaller))
            return copy;
        std::string installed = appName + " " + copy.Version;
        if (!IsVersionGreater(appVersion, copy.Version) && !s.SilentSetup &&
            // The text ends in "... install version": the question mark follows the number.
            AskWarning(LanguageText(Lng("Messages", 30), installed) + " " + appVersion + "?",
                       MB_YESNO | MB_DEFBUTTON2) != IDYES)
            QuitByUser();
        if (!Script().ReadBool("Setup", "PromptUninstall", true))
            return copy;
        if (unattended && runs == MaxUnattendedRuns) {
            LogLine("Error uninstall: " + copy.Uninstaller);
            return copy;
        }
        if (!unattended && AskWarning(LanguageText(Lng("Messages", 11), installed), MB_YESNO | MB_DEFBUTTON1) != IDYES)
            QuitByUser();
        // A failed start is not reported: the next pass looks again.
        Machine().RunAndWait(copy.Uninstaller, unattended ? "/S" : "", SW_SHOWNORMAL);
        if (!WaitForUninstaller(unattended)) {
            LogLine("Error uninstall: " + copy.Uninstaller);
            return copy;
        }
    }
}

// The installed copy's Start-menu group as a name below this user's Programs
// menu; "" when it lies elsewhere or is not recorded.
std::string RelativeProgramGroup(const std::string& installDir)
{
    std::string ini = UninstallIniOf(installDir);
    TSetupMachine& m = Machine();
    if (!m.FileExists(ini) || !m.IniValueExists(ini, "General", "ProgramGroupDir"))
        return std::string();
    std::string group = winlib::ReplaceFirstNoCase(m.ReadIniString(ini, "General", "ProgramGroupDir"),
                                                   ExpandPlaceholders("<ProgramsMenu>") + "\\", "");
    return group.size() > 2 && group[1] != ':' ? group : std::string();
}

void Upgrade(TForm1& form, const TInstalledCopy& copy)
{
    TSetupState& s = Setup();
    std::string appName = ExpandPlaceholders("<AppName>");
    if (copy.Uninstaller.empty() || !Machine().FileExists(copy.Uninstaller)) {
        if (!s.SilentSetup)
            AskWarning(LanguageText(Lng("Messages", 25), appName) + "\r\n\r\n" + ExpandPlaceholders("<WebSite>"),
                       MB_OK);
        RefuseUpgrade("no installed copy of " + appName);
    }
    if (Script().ReadBool("Setup", "CheckVersions", false)) {
        std::string minimum = Script().ReadString("Setup", "CheckMinVer", "");
        std::string maximum = Script().ReadString("Setup", "CheckMaxVer", "");
        if ((!minimum.empty() && IsVersionGreater(minimum, copy.Version)) ||
            (!maximum.empty() && IsVersionGreater(copy.Version, maximum))) {
            std::string range = appName + " " + minimum + ".." + maximum;
            if (!s.SilentSetup)
                AskWarning(LanguageText(Lng("Messages", 25), range), MB_OK);
            RefuseUpgrade("installed version \"" + copy.Version + "\" outside " + range);
        }
    }
    std::string installDir = winlib::ExtractFileDir(copy.Uninstaller);
    form.Edit1.SetText(installDir);
    form.Edit1.Enable(false);
    form.Button4.Enable(false);
    std::string group = RelativeProgramGroup(installDir);
    if (group.empty())
        return;
    form.ComboBox1.Clear();
    form.ComboBox1.Add(group);
    form.ComboBox1.SetItemIndex(0);
    form.ComboBox1.Enable(false);
    form.CheckBox2.Enable(false);
}

}  // namespace

void CheckPreviousVersion(TForm1& form)
{
    TInstalledCopy copy = RemovePreviousVersion();
    if (Script().ReadInteger("Setup", "InstallMode", 0) == 1)
        Upgrade(form, copy);
}
