// The uninstall log the setup writes while it installs (qzuninstall.ini in the
// setup temp folder, Uninstall.ini in the install folder afterwards), and the
// product's Add/Remove Programs entry.
#pragma once
#include <windows.h>

#include <string>

class TForm1;

// Sections numbered by the run's counters.
enum TLogSection { lsFolders, lsFiles, lsRegistryKeys, lsRegistryValues, lsINIValues };

// Opens the log of this run (UninstallLogPath()). With the uninstaller on, it is
// <installDir>\Uninstall.ini.part and continues the product's earlier logs there
// (Uninstall.ini, and a .part a run that ended early left): their records stay,
// each object is recorded once, and the first record of an object stands. A log
// that does not parse or belongs to another GUID or x64 setting is renamed aside
// (named in the setup log). Without the uninstaller, a new log in the setup temp
// folder. The log is kept in memory and its file replaced whole, never left half
// written: at the open, within half a second of each record, on SaveUninstallLog
// and at the close. upgrade is no longer needed: both modes continue the log.
void OpenUninstallLog(bool upgrade, const std::string& installDir);
void WriteUninstallLogHeader(TForm1& form);  // [Messages], [Updater], [General]
// Adds a record under the section's next number. Refused writes are reported once.
void AddLogRecord(TLogSection section, const std::string& value);
// Adds value to section unless an equal value (case ignored) is there already.
void AddUninstallItem(const std::string& section, const std::string& value);
// Saves what is not on disk yet: at the end of a stage of the run.
void SaveUninstallLog();
// Saves when a record has waited long enough; cheap, for a run's every step.
void SaveUninstallLogIfDue();
void CloseUninstallLog();  // saves, then forgets the log
// The end of the run: saves, forgets the log and renames the .part over
// <InstallDir>\Uninstall.ini. False (reported) when it cannot.
bool FinishUninstallLog();
// An aborted run: forgets the log and deletes the .part.
void DiscardUninstallLog();
// <InstallDir>\Uninstall.ini.part, or <SetupTempDir>\qzuninstall.ini (see OpenUninstallLog).
std::string UninstallLogPath();

// Writes the Add/Remove Programs entry; false (reported) when it cannot.
bool WriteAddRemoveEntry();
// Deletes the entry again (its log could not be put in place).
void DeleteAddRemoveEntry();

void FillProgramGroups(TForm1& form);  // fills ComboBox1

// The number the section's next record gets.
unsigned long NextLogKey(TLogSection section);
// [Setup] FilesSize as the entry's EstimatedSize: read as unsigned 32-bit (a size
// past 2 GB was written wrapped negative), divided by 1024; 0 when not a number.
unsigned long EstimatedSizeFromFilesSize(const std::string& filesSize);
// The entry's full key name as the log records it ("HKEY_LOCAL_MACHINE\SOFTWARE\...\<GUID>").
std::string AddRemoveEntryName();
// Where this install level's Add/Remove entries live: the root and the Uninstall
// key below it (ending in "\"). The previous-version step looks there.
void GetAddRemovePlace(HKEY& root, std::string& uninstallKey);
