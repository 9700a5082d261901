// The install run: every [Files] record's cabinet unpacked into place, then the
// list sections, the Add/Remove entry and the uninstall log in the install folder.
#pragma once
#include <string>

#include "runtime/OSInfo.h"  // GetFileVersionString, used by the install run and its tests

class TForm1;

// Runs the whole installation. Returns when it is done; a fatal failure or a
// confirmed cancel ends the process through AbortInstall.
void InstallFiles(TForm1& form);

// Ends the setup during the run: nothing more is installed, the log is not put in
// place, the temp folder goes. secOk after a confirmed cancel, secInstallAborted
// after a failure.
[[noreturn]] void AbortInstall(int exitCode);

// Creates the missing folders of path's folder part (of path itself when
// includeLast), from the root down; records each one it made in [Folders] when
// record is set. On failure returns false with the folder that could not be made.
bool CreateMissingFolders(const std::string& path, bool includeLast, bool record, std::string& failedFolder);

bool IsNewerFile(const std::string& newFile, const std::string& oldFile);
void UnregisterDll(const std::string& path);
void CancelOtherItemsFor(const std::string& target);

// The file's last write in local time as a packed date and time (date in the high
// 16 bits, the platform's 2-second precision), so that later is greater; 0 when
// the file is missing or has no readable date.
unsigned long GetFileDateTime(const std::string& path);

// The progress bar's position while cabinet i of filesCount is copied: copied of
// length bytes done. Halves round to even; the answer stays within 0..100.
int InstallProgress(int i, int filesCount, long long copied, long long length);

// "X:\" or "\\server\share\" followed by at least one more character: a path
// that names something below a drive or share root.
bool IsRootedBelowRoot(const std::string& path);

// Button ids of the overwrite question ("Warning"); a close without a button
// answers IDCANCEL (2).
enum TOverwriteAnswer : int { oaYes = 6, oaNo = 7, oaNoToAll = 20, oaYesToAll = 21 };
