// The uninstaller stand-in: removes what a setup recorded in Uninstall.ini.
//
// Two processes do the work. The first instance (<InstallDir>\Uninstall.exe)
// checks the log, copies itself to %TEMP%\QZUN<digits>\QZUninstall.exe, starts
// the copy and hands back the copy's result, so that the copy can delete
// Uninstall.exe once the first instance has ended. The copy reads the log, asks,
// undoes every record in a fixed order and reports what it could not remove.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "cabinet/UninstallLogFormat.h"

namespace uninst {

// Exit codes; a silent caller's only report.
enum TUninstallResult : int {
    urDone = 0,            // everything recorded was undone
    urDeclined = 1,        // the user said No
    urNoLog = 2,           // no usable Uninstall.ini
    urItemsLeft = 3,       // some items could not be removed
    urRelaunchFailed = 4,  // the copy could not be made or started, or ended without a result
};

inline constexpr char CopyName[] = "QZUninstall.exe";
inline constexpr char CopyFolderPrefix[] = "QZUN";
inline constexpr char FailureLogName[] = "QZUNINSTALLLOG.TXT";
// In each copy folder from its creation until its copy ends (see DeleteOldCopyFolders).
inline constexpr char CopyLockName[] = "QZUninstall.lck";
// Held while old copy folders are removed or a new one is made with its lock.
inline constexpr char CopyFoldersMutexName[] = "QZUninstallCopyFolders";
inline constexpr DWORD CopyFoldersWaitMs = 30000;
// The copy's internal switch: /QZCOPY <first instance's pid> <pipe handle> <install folder>
// [<lock handle> <image handle>] (handles inherited from the first instance; 0 for none).
inline constexpr char CopySwitch[] = "/QZCOPY";

// ---- Guards: what the uninstaller refuses to touch (a refused item is left) ----

// An absolute file or folder path (X:\... or \\server\share\...) with something
// below the root, no "." or ".." part and no wildcard.
bool IsSafePath(const std::string& path);

// A registry key as the log names it: long root name + "\" + key.
struct TRegKeyName {
    HKEY Root = nullptr;
    std::string Key;  // below the root, no trailing backslash
};
// Splits a full key name; false for an unknown root or an empty key.
bool ParseRegKeyName(const std::string& fullName, TRegKeyName& name);
// A key the uninstaller may delete with its subtree: under one of the four roots,
// at least two levels below HKLM, HKCU and HKU\<SID> (one below HKCR), and never
// a key Windows or other products rely on, nor an ancestor of one.
bool IsSafeKeyToDelete(const std::string& fullName);
// The list of Add/Remove entries (Software\Microsoft\Windows\CurrentVersion\Uninstall
// below HKLM, HKCU or HKU\<SID>, and its 32-bit branch): a setup that created it
// records it, and it goes only while it holds no entry and no value.
bool IsKeyDeletedOnlyWhenEmpty(const std::string& fullName);
// A key whose values the uninstaller may delete: one level or more below HKLM,
// HKCU, HKU\<SID> or HKCR (HKCU\Environment), no list of protected keys (a value
// the setup wrote anywhere is the setup's own).
bool IsSafeKeyForValues(const std::string& fullName);

// ---- Environment -------------------------------------------------------------

// Removes the first run of whole ";"-entries equal to added (case ignored) and the
// ";" before it (after it, at the start), so the value from before the append or
// prepend comes back byte for byte. False when the run is not there.
bool RemoveEnvEntries(std::string& value, const std::string& added);

// ---- The copy's work ---------------------------------------------------------

// The log read once at the start, with the English default of each empty message.
class TLogView {
public:
    explicit TLogView(uninstlog::TUninstallLogReader reader) : reader_(std::move(reader)) {}
    std::vector<std::string> Records(const char* section) const { return reader_.Records(section); }
    std::string General(const char* key) const { return reader_.Value(uninstlog::SecGeneral, key, ""); }
    bool GeneralBool(const char* key) const { return reader_.BoolValue(uninstlog::SecGeneral, key, false); }
    std::string Message(int number) const;  // [Messages] number, else its default
    bool Is64() const { return GeneralBool(uninstlog::KeyX64); }

private:
    uninstlog::TUninstallLogReader reader_;
};

std::string DefaultMessage(int number, const std::string& appName);

// What one run could not do.
struct TUndoReport {
    int Failures = 0;
    std::vector<std::string> Left;  // items left in place, for the done box
    bool EnvironmentChanged = false;
    void Fail(const std::string& what, const std::string& item, DWORD code);  // counted, logged, left
};

// Appends one line to %TEMP%\QZUNINSTALLLOG.TXT.
void LogFailure(const std::string& line);

// Undoes every record of the log in its order. uninstallerPath is the first
// instance's Uninstall.exe (kept here, deleted later by the copy).
void UndoAll(const TLogView& log, const std::string& uninstallerPath, TUndoReport& report);

// RemoveDirectory on each folder, last first; a folder that is not empty stays.
void RemoveEmptyFolders(const std::vector<std::string>& folders);

// Starts a logged command: program, parameters, show text, wait text.
bool StartLoggedCommand(const std::string& record);

// Removes what the log's system sections registered: COM servers, type
// libraries, fonts, the screen saver and the wallpaper.
void UndoRegistrations(const TLogView& log, TUndoReport& report);

// The whole copy: reads the log, asks (unless silent), undoes, shows the done
// boxes. Answers the result and the log's folders (FinishCopy retries them).
int RunCopy(const std::string& installDir, bool silentSwitch, std::vector<std::string>& folders);

// The first instance: checks the log, copies and starts the copy, hands back its result.
int RunFirstInstance(const std::string& selfPath, bool silentSwitch);

// After the result went back: waits for the first instance, deletes Uninstall.exe
// after results 0 and 3, retries the folders, then removes the copy's own folder
// (given its lock and image handles) or schedules its removal. Closes lock.
void FinishCopy(const std::string& installDir, HANDLE firstInstance, int result,
                const std::vector<std::string>& folders, HANDLE lock, HANDLE image);

// Deletes %TEMP%\QZUN<digits> folders left by earlier runs: whose copy has ended
// and whose lock file nobody holds. The caller holds CopyFoldersMutexName.
void DeleteOldCopyFolders(const std::string& tempDir);

}  // namespace uninst
