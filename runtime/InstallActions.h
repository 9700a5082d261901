// One record of a list section each: shortcuts, associations, registry and INI
// values, environment variables and the "other" items. A failing action logs,
// reports unless silent, sets InstallErrors and returns: no action stops the run.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/Language.h"

class TForm1;

void CreateShortcut(const std::string& record);
void CreateAssociation(TForm1& form, const std::string& record);  // only when CheckAssociate allows
void CreateRegistryValue(const std::string& record);
void WriteIniValue(const std::string& record);
void ApplyEnvironmentVariable(const std::string& record);
void ProcessOtherItem(const std::string& record);

void RegisterFont(const std::string& file, bool keep);
void RegisterActiveX(const std::string& file, bool keep);
void RegisterTypeLibrary(const std::string& file, bool keep);
void InstallScreenSaver(const std::string& file);
void SetWallpaper(const std::string& file);

// ---- The decisions the actions make, open to tests ---------------------------

// REG_BINARY data: while two or more characters remain, the first two are one
// hexadecimal byte and the first three are consumed (pairs are separated by any
// one character); a last single character is ignored. False when a pair is not
// hexadecimal. No length limit.
bool ParseRegBinary(const std::string& data, std::vector<unsigned char>& bytes);

// REG_DWORD data: a decimal integer from -2147483648 to 4294967295 (a negative
// one is stored as its 32-bit two's complement). False for anything else.
bool ParseRegDword(const std::string& data, DWORD& value);

// What one [Environments] record does to a variable, decided from its current
// state. Records are [Environment] values of the uninstall log.
struct TEnvironmentChange {
    enum TAction { eaNone, eaWrite, eaDelete } Action = eaNone;
    std::string Value;     // eaWrite: the new value
    DWORD Type = REG_SZ;   // eaWrite: the old type kept; a new value with "%" is REG_EXPAND_SZ
    std::string Record;    // "" when the change leaves nothing to undo
};
TEnvironmentChange PlanEnvironmentChange(const std::string& name, const std::string& value,
                                         const std::string& mode, bool exists,
                                         const std::string& oldValue, DWORD oldType);
// Longest environment value the system takes.
constexpr size_t MaxEnvironmentValue = 32767;

// True when the file is a PE image for i386 (COFF Machine 0x014C): it cannot be
// loaded into this 64-bit process and is registered through SysWOW64's regsvr32.
bool IsI386Image(const std::string& file);

// How the registry action opens a key: RegOpenKeyExA, or RegCreateKeyExA when
// create is set, with access (which holds the view flag). Tests replace it to
// meet keys the machine refuses; SetKeyOpener returns the previous one, nullptr
// restores the system's.
using TKeyOpener = LONG (*)(HKEY root, const std::string& key, REGSAM access, bool create, HKEY& result);
TKeyOpener SetKeyOpener(TKeyOpener opener);

// ---- Shared by the action units -----------------------------------------------

// The one failure report of every action: the log line, the [Messages] text
// formatted with the subject in a box unless silent, and InstallErrors.
void ReportActionFailure(const std::string& logLine, TLngKey message, const std::string& subject);
// A missing file for a worker: the log line, the fixed "File not found" box unless
// silent, and InstallErrors.
void ReportMissingFile(const std::string& logLine, const std::string& file);
// The record's fields when there are exactly count of them; else empty.
std::vector<std::string> SplitActionRecord(const std::string& record, size_t count);
bool IsYes(const std::string& field);  // "YES" without regard to case
// COM on this thread, initialised once for the whole run.
void EnsureComInitialised();
// The installing page's labels, when the setup window has them.
void ShowActionTask(const std::string& text);
void ShowActionFile(const std::string& path);
