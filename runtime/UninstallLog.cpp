#include "runtime/UninstallLog.h"

#include <windows.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <set>
#include <vector>

#include "cabinet/SetupFormat.h"
#include "cabinet/UninstallLogFormat.h"
#include "runtime/Form1.h"
#include "runtime/Language.h"
#include "runtime/PackageView.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/StringList.h"

namespace {

using namespace uninstlog;

constexpr char BoxCaption[] = "Setup";
constexpr TLngKey LogErrorMessage = Lng("Messages", 14, TLngReader::UninstallLog);  // a file could not be written
constexpr TLngKey EntryErrorMessage = Lng("Messages", 15);  // a registry key could not be written

// The counter sections, indexed by TLogSection.
const char* const CounterSections[] = {SecFolders, SecFiles, SecRegistryKeys, SecRegistryValues, SecINIValues};
constexpr int CounterCount = static_cast<int>(std::size(CounterSections));

// How long a record may stay in memory only: a log saved this soon after each
// record names, after a kill at any moment, everything placed more than half a
// second before it (the save itself takes a little of that half second).
constexpr ULONGLONG SaveDelayMs = 400;

// The open log of this run, kept in memory and saved whole (see SaveUninstallLogIfDue).
// Actions that run without an opened log (a test that drives one action) get one
// on first use, numbered after what the file holds.
struct TOpenLog {
    std::unique_ptr<TUninstallLogWriter> Writer;
    std::string Path;  // empty: the setup temp folder's log
    unsigned long Next[CounterCount] = {};
    bool FailureReported = false;
    ULONGLONG UnsavedSince = 0;  // when the oldest record not yet on disk was added
    // Upper-cased "<section>\n<RecordIdentity>" of every record: each object once.
    std::set<std::string> Identities;
};
TOpenLog g_log;

// The name a run's log has in the install folder until the run ends.
constexpr char PartSuffix[] = ".part";

std::string IdentityKey(const std::string& section, const std::string& value)
{
    return winlib::UpperCase(section) + "\n" + RecordIdentity(section, value);
}

void IndexRecords(const TUninstallLogReader& log)
{
    for (const TLogSectionData& section : log.Sections())
        if (!IsHeaderSection(section.Name))
            for (const std::string& record : log.Records(section.Name))
                g_log.Identities.insert(IdentityKey(section.Name, record));
}

std::string SetupText(const char* key)
{
    const setupformat::TSetupKeyDef* def = setupformat::FindSetupKey(key);
    return Setup().SetupIni->ReadString(setupformat::SetupSection, key, def ? def->RuntimeDefault : "");
}

bool SetupBool(const char* key)
{
    const setupformat::TSetupKeyDef* def = setupformat::FindSetupKey(key);
    bool fallback = def && std::string(def->RuntimeDefault) == "1";
    return Setup().SetupIni->ReadBool(setupformat::SetupSection, key, fallback);
}

HWND BoxOwner()
{
    TForm1* form = dynamic_cast<TForm1*>(Setup().Fields);
    return form ? form->Handle() : nullptr;
}

// Log line, box unless silent, InstallErrors: how the log's writer reports a failure.
void ReportFailure(const std::string& logLine, const std::string& detail, TLngKey message, const std::string& subject)
{
    LogLine(logLine);
    if (!detail.empty())
        LogLine(detail);
    if (!Setup().SilentSetup)
        winlib::ShowMessageBox(BoxOwner(), LanguageText(message, subject), BoxCaption, MB_OK | MB_ICONERROR);
    Setup().InstallErrors = true;
}

// A log write the platform (or the log's form) refused. The run goes on; the
// user hears of it once, however many records follow.
void ReportLogFailure(const std::string& detail)
{
    Setup().InstallErrors = true;
    if (g_log.FailureReported) {
        LogLine(detail);
        return;
    }
    g_log.FailureReported = true;
    ReportFailure("Error file: " + UninstallLogPath(), detail, LogErrorMessage, UninstallLogPath());
}

// The log of this run, in memory, starting from what its file holds; counters
// continue after the records there.
TUninstallLogWriter& Writer()
{
    if (!g_log.Writer) {
        g_log.Writer = std::make_unique<TUninstallLogWriter>(UninstallLogPath());
        try {
            g_log.Writer->Load();
        } catch (const std::exception& e) {
            ReportLogFailure(e.what());
        }
        for (int i = 0; i < CounterCount; ++i)
            g_log.Next[i] = g_log.Writer->NextKey(CounterSections[i]);
        IndexRecords(g_log.Writer->Read());
    }
    return *g_log.Writer;
}

// Writes the log's file now. A refusal is reported (once) and the records stay
// in memory for the next save.
void SaveNow()
{
    // The log in the install folder waits for that folder: the run makes it
    // first thing, and saves right after (CreateMissingFolders).
    if (!g_log.Path.empty() && !winlib::DirectoryExists(winlib::ExtractFileDir(g_log.Path)))
        return;
    try {
        Writer().Save();
        g_log.UnsavedSince = 0;
    } catch (const std::exception& e) {
        ReportLogFailure(e.what());
        g_log.UnsavedSince = GetTickCount64();  // the next try waits its turn
    }
}

// Every write of the log goes through here: false (reported) when it was refused.
template <class Write>
bool Guarded(Write write)
{
    try {
        write(Writer());
        if (g_log.UnsavedSince == 0)
            g_log.UnsavedSince = GetTickCount64();
        SaveUninstallLogIfDue();
        return true;
    } catch (const ELogError& e) {
        ReportLogFailure(e.what());
    } catch (const winlib::EOSError& e) {
        ReportLogFailure(e.what());
    }
    return false;
}

void WriteLogValue(const char* section, const std::string& key, const std::string& value)
{
    Guarded([&](TUninstallLogWriter& w) { w.WriteString(section, key, value); });
}

// ---- [General] ------------------------------------------------------------------

enum class TFrom { Placeholder, SetupText, SetupBool, UninstallUrl };
enum class TWhen { Always, SourceNotEmpty, Uninstall, Updater };

struct TGeneralRow {
    const char* Key;
    TFrom From;
    const char* Source;  // a placeholder text or a [Setup] key
    TWhen When;
};

// In writing order. ProgramGroupDir is where the shortcuts went: <ProgramGroup>
// already names the menu (per-user or common) the install level chose.
const TGeneralRow GeneralRows[] = {
    {KeyAppName, TFrom::Placeholder, "<AppName>", TWhen::Always},
    {KeyAppVersion, TFrom::Placeholder, "<AppVersion>", TWhen::Always},
    {KeyGUID, TFrom::Placeholder, "<GUID>", TWhen::Always},
    {KeyAdmin, TFrom::SetupBool, "Admin", TWhen::Always},
    {KeyX64, TFrom::SetupBool, "x64", TWhen::Always},
    {KeyMainExecutable, TFrom::SetupText, "MainExecutable", TWhen::SourceNotEmpty},
    {KeyInstallDir, TFrom::Placeholder, "<InstallDir>", TWhen::Always},
    {KeyProgramGroupDir, TFrom::Placeholder, "<ProgramGroup>", TWhen::Always},
    {KeyUninstallURL, TFrom::UninstallUrl, "UninstallURL", TWhen::Uninstall},
    {KeyUninstallForce, TFrom::SetupBool, "UninstallForce", TWhen::Uninstall},
    {KeyUninstallRestart, TFrom::SetupBool, "UninstallRestart", TWhen::Uninstall},
    {KeySilentMode, TFrom::SetupBool, "SilentUninstall", TWhen::Uninstall},
    {KeyUpdateURL, TFrom::SetupText, "UpdateURL", TWhen::Updater},
};

bool RowWanted(const TGeneralRow& row)
{
    switch (row.When) {
    case TWhen::Always: return true;
    case TWhen::SourceNotEmpty: return !SetupText(row.Source).empty();
    case TWhen::Uninstall: return SetupBool("Uninstall");
    case TWhen::Updater: return SetupBool("Updater");
    }
    return false;
}

std::string RowValue(const TGeneralRow& row)
{
    switch (row.From) {
    case TFrom::Placeholder: return ExpandPlaceholders(row.Source);
    case TFrom::SetupText: return ExpandPlaceholders(SetupText(row.Source));
    case TFrom::SetupBool: return SetupBool(row.Source) ? "1" : "0";
    case TFrom::UninstallUrl: return SetupBool("VisitUninstallPage") ? ExpandPlaceholders(SetupText(row.Source)) : "";
    }
    return std::string();
}

// ---- The Add/Remove entry ---------------------------------------------------------

constexpr char UninstallKeyTail[] = "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct TEntryPlace {
    HKEY Root;
    std::string Parent;    // below the root, ends in "\"
    std::string LongName;  // the root's long name + "\" + Parent
};

TEntryPlace EntryPlace()
{
    const TSetupState& s = Setup();
    bool currentUser = s.InstallLevel == 0 || (s.InstallLevel == 2 && !s.UserIsAdmin);
    TEntryPlace place;
    place.Root = currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    place.Parent = std::string(currentUser ? "Software" : "SOFTWARE") + UninstallKeyTail;
    place.LongName = std::string(currentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") + place.Parent;
    return place;
}

// A name that is exactly one key below the Uninstall key.
bool IsSingleKeyName(const std::string& name) { return !name.empty() && name.find('\\') == std::string::npos; }

struct TEntryValue {
    const char* Name;
    bool Number;
    std::string Text;
    DWORD Value;
};

std::string TodayText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    snprintf(text, sizeof(text), "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

std::vector<TEntryValue> EntryValues()
{
    std::vector<TEntryValue> values = {
        {"DisplayName", false, ExpandPlaceholders("<AppName>"), 0},
        {"DisplayVersion", false, ExpandPlaceholders("<AppVersion>"), 0},
        {"DisplayIcon", false, ExpandPlaceholders(SetupText("MainExecutable")), 0},
        {"InstallLocation", false, ExpandPlaceholders("<InstallDir>"), 0},
        {"EstimatedSize", true, "", EstimatedSizeFromFilesSize(SetupText("FilesSize"))},
        {"InstallDate", false, TodayText(), 0},
        {"HelpLink", false, ExpandPlaceholders("<SupportLink>"), 0},
        {"Publisher", false, ExpandPlaceholders("<CompanyName>"), 0},
        {"UninstallString", false, ExpandPlaceholders("<InstallDir>\\Uninstall.exe"), 0},
        {"URLInfoAbout", false, ExpandPlaceholders("<WebSite>"), 0},
        {"NoModify", true, "", 1},
        {"NoRepair", true, "", 1},
        {"NoRemove", true, "", 0},
    };
    if (values[2].Text.empty())  // no main program, no icon
        values.erase(values.begin() + 2);
    return values;
}

bool EntryFailed(const std::string& fullName, LONG code)
{
    ReportFailure("Error registry key: " + fullName,
                  code == ERROR_SUCCESS ? std::string() : winlib::EOSError(static_cast<DWORD>(code), fullName).what(),
                  EntryErrorMessage, fullName);
    return false;
}

// An entry an older setup made under the product's name. Only a single key that
// is not the entry just written: an empty or "\"-holding name would reach the
// Uninstall key itself or another product's entry.
bool DeleteOldNamedEntry(winlib::TRegistry& registry, const TEntryPlace& place, const std::string& guid)
{
    std::string appName = ExpandPlaceholders("<AppName>");
    if (!IsSingleKeyName(appName) || winlib::SameText(appName, guid) || !registry.KeyExists(place.Parent + appName))
        return true;
    LONG result = registry.DeleteKey(place.Parent + appName);
    return result == ERROR_SUCCESS || EntryFailed(place.LongName + appName, result);
}

bool ParseUnsigned32(const std::string& raw, DWORD& value)
{
    long long number = 0;
    if (!winlib::ParseDecimal(winlib::Trim(raw), -2147483648LL, 4294967295LL, number))
        return false;
    value = static_cast<DWORD>(number);  // a wrapped negative size is its unsigned 32-bit value
    return true;
}

}  // namespace

// ---- The log ----------------------------------------------------------------------

std::string UninstallLogPath()
{
    return g_log.Path.empty() ? Setup().SetupTempDir + "\\" + LogTempName : g_log.Path;
}

namespace {

// A log that this run does not continue stays beside, under a new name.
void KeepAside(const std::string& path, const std::string& reason)
{
    std::string aside;
    for (int n = 1; n < 1000; ++n) {
        aside = path + ".old" + (n == 1 ? std::string() : std::to_string(n));
        if (!winlib::FileExists(aside))
            break;
    }
    if (MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
        LogLine("Uninstall log not continued (" + reason + "): " + path + " kept as " + aside);
    else
        ReportLogFailure(winlib::EOSError(GetLastError(), "Cannot rename \"" + path + "\"").what());
}

// An earlier run's log of this product in the install folder, read; false (and
// the file kept aside) when it does not parse or belongs to another product.
bool ReadEarlierLog(const std::string& path, TUninstallLogReader& log)
{
    try {
        log = TUninstallLogReader::FromFile(path);
    } catch (const std::exception& e) {
        ReportLogFailure(e.what());
        return false;  // cannot be read: cannot be renamed either
    }
    // x64 is read as the uninstaller reads it: absent is off.
    const std::string guid = winlib::Trim(log.Value(SecGeneral, KeyGUID, ""));
    const bool x64 = log.BoolValue(SecGeneral, KeyX64, false);
    if (!log.HasSection(SecGeneral))
        KeepAside(path, "no [General] section");
    else if (!winlib::SameText(guid, winlib::Trim(ExpandPlaceholders("<GUID>"))))
        KeepAside(path, "GUID " + guid);
    else if (x64 != SetupBool("x64"))
        KeepAside(path, std::string("x64=") + (x64 ? "1" : "0"));
    else
        return true;
    return false;
}

// An association value a later run writes again: its record keeps what the
// machine held before the first run and takes what this run wrote, since the
// uninstaller gives the old value back only while the written one still stands.
void TakeWrittenValue(const std::string& value)
{
    TAssociationValue now;
    if (!ParseAssociationValue(value, now))
        return;
    const TUninstallLogReader log = Writer().Read();  // held: the loop reads into it
    for (const TLogSectionData& section : log.Sections())
        if (winlib::SameText(section.Name, SecAssociationValues))
            for (const TLogEntry& entry : section.Entries) {
                TAssociationValue first;
                if (!ParseAssociationValue(entry.Value, first) || !winlib::SameText(first.Key, now.Key))
                    continue;
                first.Written = now.Written;
                Guarded([&](TUninstallLogWriter& w) {
                    w.WriteString(SecAssociationValues, entry.Key, FormatAssociationValue(first));
                });
                return;
            }
}

// Adds the records of an earlier log that the open log does not hold yet.
void MergeRecords(const TUninstallLogReader& log)
{
    for (const TLogSectionData& section : log.Sections()) {
        if (IsHeaderSection(section.Name))
            continue;
        for (const std::string& record : log.Records(section.Name))
            if (g_log.Identities.insert(IdentityKey(section.Name, record)).second)
                Guarded([&](TUninstallLogWriter& w) { w.AppendRecord(section.Name, record); });
    }
}

}  // namespace

void OpenUninstallLog(bool, const std::string& installDir)
{
    g_log = TOpenLog();
    if (!Setup().UninstallEnabled || installDir.empty()) {
        // No log goes into the install folder: this one is only the run's own.
        const std::string path = UninstallLogPath();
        if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            ReportLogFailure(winlib::EOSError(GetLastError(), "Cannot replace \"" + path + "\"").what());
        Writer();
        SaveNow();
        return;
    }
    // The product's log continues across runs: an install over an installed
    // copy (again, or a newer version) starts from the installed log and from
    // what a run that ended early left, so uninstall removes what any run made.
    const std::string installed = winlib::IncludeTrailingBackslash(installDir) + LogName;
    g_log.Path = installed + PartSuffix;
    TUninstallLogReader earlier;
    // A leftover of a run that ended early is kept aside unless it is this product's.
    const bool part = winlib::FileExists(g_log.Path) && ReadEarlierLog(g_log.Path, earlier);
    Writer();  // starts from the leftover, when it stays
    if (winlib::FileExists(installed) && ReadEarlierLog(installed, earlier)) {
        if (part) {
            MergeRecords(earlier);  // the leftover's run began from it: mostly there already
        } else {
            try {
                Writer().LoadFrom(installed);
            } catch (const std::exception& e) {
                ReportLogFailure(e.what());
            }
            g_log.Identities.clear();
            IndexRecords(Writer().Read());
        }
    }
    for (int i = 0; i < CounterCount; ++i)
        g_log.Next[i] = Writer().NextKey(CounterSections[i]);
    SaveNow();  // the log is on disk from the start of the run, once its folder is
}

void WriteUninstallLogHeader(TForm1&)
{
    for (TLngKey key : LngRun<MessageCount>("Uninstall", 0))
        WriteLogValue(SecMessages, LanguageKeyName(key), LanguageText(key));
    for (TLngKey key : LngRun<UpdaterMessageCount>("Updater", 0))
        WriteLogValue(SecUpdater, LanguageKeyName(key), LanguageText(key));
    for (const TGeneralRow& row : GeneralRows)
        if (RowWanted(row))
            WriteLogValue(SecGeneral, row.Key, RowValue(row));
}

void AddLogRecord(TLogSection section, const std::string& value)
{
    Writer();  // the counters are known once the log is
    const std::string key = IdentityKey(CounterSections[section], value);
    if (g_log.Identities.count(key))
        return;  // recorded already, by this run or an earlier one: the first record stands
    unsigned long& next = g_log.Next[section];
    if (Guarded([&](TUninstallLogWriter& w) { w.WriteString(CounterSections[section], std::to_string(next), value); })) {
        ++next;
        g_log.Identities.insert(key);
    }
}

void AddUninstallItem(const std::string& section, const std::string& value)
{
    Writer();
    const std::string key = IdentityKey(section, value);
    if (g_log.Identities.count(key)) {
        if (winlib::SameText(section, SecAssociationValues))
            TakeWrittenValue(value);
        return;
    }
    if (Guarded([&](TUninstallLogWriter& w) { w.AppendRecord(section, value); }))
        g_log.Identities.insert(key);
}

void SaveUninstallLog()
{
    if (g_log.Writer && g_log.Writer->Unsaved())
        SaveNow();
}

void SaveUninstallLogIfDue()
{
    if (g_log.UnsavedSince != 0 && GetTickCount64() - g_log.UnsavedSince >= SaveDelayMs)
        SaveUninstallLog();
}

void CloseUninstallLog()
{
    SaveUninstallLog();
    g_log = TOpenLog();
}

bool FinishUninstallLog()
{
    const std::string part = g_log.Path;
    SaveUninstallLog();
    const bool failed = g_log.Writer && g_log.Writer->Unsaved();  // reported by the save
    g_log = TOpenLog();
    if (part.empty())
        return true;
    const std::string installed = part.substr(0, part.size() - std::size(PartSuffix) + 1);
    if (!failed && MoveFileExA(part.c_str(), installed.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ReportFailure("Error file: " + installed,
                  failed ? std::string() : winlib::EOSError(GetLastError(), "Cannot rename \"" + part + "\"").what(),
                  LogErrorMessage, installed);
    return false;
}

void DiscardUninstallLog()
{
    const std::string part = g_log.Path;
    g_log = TOpenLog();
    if (!part.empty())
        DeleteFileA(part.c_str());  // the run ends anyway: nothing more to report
}

unsigned long NextLogKey(TLogSection section)
{
    Writer();
    return g_log.Next[section];
}

// ---- The Add/Remove entry ----------------------------------------------------------

unsigned long EstimatedSizeFromFilesSize(const std::string& filesSize)
{
    DWORD bytes = 0;
    return ParseUnsigned32(filesSize, bytes) ? bytes / 1024 : 0;
}

std::string AddRemoveEntryName()
{
    return EntryPlace().LongName + ExpandPlaceholders("<GUID>");
}

void GetAddRemovePlace(HKEY& root, std::string& uninstallKey)
{
    const TEntryPlace place = EntryPlace();
    root = place.Root;
    uninstallKey = place.Parent;
}

bool WriteAddRemoveEntry()
{
    const TEntryPlace place = EntryPlace();
    const std::string guid = ExpandPlaceholders("<GUID>");
    const std::string fullName = place.LongName + guid;
    // An empty or "\"-holding GUID would write into (and record for deletion)
    // the Uninstall key itself or another product's entry.
    if (!IsSingleKeyName(guid))
        return EntryFailed(fullName, ERROR_SUCCESS);

    winlib::TRegistry registry(place.Root, PackageView().RegistryView());
    // A per-user Uninstall key that this entry is the first to need is ours too:
    // the uninstaller removes it when no other entry is left in it.
    const std::string parent = place.Parent.substr(0, place.Parent.size() - 1);
    if (!registry.KeyExists(parent))
        AddUninstallItem(SecRegistryKeys, place.LongName.substr(0, place.LongName.size() - 1));
    LONG result = registry.OpenKey(place.Parent + guid, true);
    if (result != ERROR_SUCCESS)
        return EntryFailed(fullName, result);
    for (const TEntryValue& v : EntryValues()) {
        result = v.Number ? registry.WriteInteger(v.Name, v.Value) : registry.WriteString(v.Name, v.Text);
        if (result != ERROR_SUCCESS)
            return EntryFailed(fullName, result);  // the values written so far stay
    }
    registry.CloseKey();
    AddUninstallItem(SecRegistryKeys, fullName);
    return DeleteOldNamedEntry(registry, place, guid);
}

void DeleteAddRemoveEntry()
{
    const TEntryPlace place = EntryPlace();
    const std::string guid = ExpandPlaceholders("<GUID>");
    if (!IsSingleKeyName(guid))
        return;  // never written: see WriteAddRemoveEntry
    winlib::TRegistry registry(place.Root, PackageView().RegistryView());
    if (!registry.KeyExists(place.Parent + guid))
        return;
    LONG result = registry.DeleteKey(place.Parent + guid);
    if (result != ERROR_SUCCESS)
        EntryFailed(place.LongName + guid, result);
}

// ---- Start-menu folders -------------------------------------------------------------

void FillProgramGroups(TForm1& form)
{
    const std::string group = ExpandPlaceholders(SetupText("ProgramGroup"));
    form.ComboBox1.Clear();
    form.ComboBox1.Add(group);
    // The other folders are choices in the drop-down list only: a silent run has none.
    WIN32_FIND_DATAA found;
    HANDLE search = form.Silent() ? INVALID_HANDLE_VALUE
                                  : FindFirstFileA((GetFolderPath(pkProgramsMenu) + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {  // no menu folder: the list holds only the group
        do {
            std::string name = found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
                form.ComboBox1.Add(name + "\\" + group);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    form.ComboBox1.SetItemIndex(0);
}
