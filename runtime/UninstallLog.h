// The uninstall log the setup writes while it installs (qzuninstall.ini in the
// setup temp folder, Uninstall.ini in the install folder afterwards), and the
// product's Add/Remove Programs entry.
#pragma once
#include <windows.h>

#include <string>

class TForm1;

// Sections numbered by the run's counters.
enum TLogSection { lsFolders, lsFiles, lsRegistryKeys, lsRegistryValues, lsINIValues };

// Opens <SetupTempDir>\qzuninstall.ini: a copy of the installed log in upgrade
// mode (counters continue after its records), else a new one.
void OpenUninstallLog(bool upgrade, const std::string& installDir);
void WriteUninstallLogHeader(TForm1& form);  // [Messages], [Updater], [General]
// Adds a record under the section's next number. Refused writes are reported once.
void AddLogRecord(TLogSection section, const std::string& value);
// Adds value to section unless an equal value (case ignored) is there already.
void AddUninstallItem(const std::string& section, const std::string& value);
void CloseUninstallLog();
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
