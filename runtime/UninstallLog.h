// The uninstall log the setup writes while it installs (qzuninstall.ini in the
// setup temp folder, Uninstall.ini in the install folder afterwards), and the
// product's Add/Remove Programs entry.
#pragma once
#include <windows.h>

#include <string>

class TForm1;

// Sections numbered by the run's counters.
enum TLogSection { lsFolders, lsFiles, lsRegistryKeys, lsRegistryValues, lsINIValues };

// Opens the log of this run (UninstallLogPath()): the installed log's records in
// upgrade mode (counters continue after them), else a new one. The log is kept
// in memory and its file replaced whole, never left half written: at the open,
// within half a second of each record, on SaveUninstallLog and at the close.
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
std::string UninstallLogPath();  // <SetupTempDir>\qzuninstall.ini

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
