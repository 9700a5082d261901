// Writes the setup script (qzsetup.ini) and Updater.ini.
//
// The caller fills a TSetupScript (the package builder takes the values from the
// main window; the test utility from a fixture) and hands it over whole. The
// writer checks every key and record before it writes anything, so a refused
// script leaves no half-written file: a field that holds its section's separator,
// CR or LF would shift the fields the runtime reads and install wrong data silently.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cabinet/SetupFormat.h"

// A script the platform's INI file could not carry unchanged. The message names
// the section and key (and the file, once writing was attempted).
class ESetupScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TSetupValue {
    std::string Key;
    std::string Value;
};

// One [Files] record: "target?length?mode?uninstall", and "?crc" when Crc is set.
struct TFilesRecord {
    std::string Target;     // full target path, placeholders kept
    long long Length = 0;   // length of the file's cabinet in the package; 0 owns no bytes
    std::string Mode;       // existing-file mode
    std::string Uninstall;  // "Yes" or "No"
    std::optional<uint32_t> Crc = std::nullopt;  // CRC-32 of the file the cabinet holds
};

using TListRecord = std::vector<std::string>;  // fields in column order

struct TSetupScript {
    // [Setup] keys in writing order. EngineSize is not among them: it is measured
    // when the engine is copied and always written last.
    std::vector<TSetupValue> Setup;
    // Records of the list sections before [Files], indexed by TListSectionId.
    std::array<std::vector<TListRecord>, setupformat::lsFiles> Lists;
    // [Files] key slots 0 .. FilesCount - 1; an empty slot writes no key.
    std::vector<std::optional<TFilesRecord>> Files;
    long long EngineSize = 0;

    // Replace the value of key, or append the key when it is not there yet.
    void Set(const std::string& key, const std::string& value);
    void SetInteger(const std::string& key, long long value);
    void SetBool(const std::string& key, bool value);  // "1"/"0"
    const std::string* Find(const std::string& key) const;

    std::vector<TListRecord>& List(setupformat::TListSectionId id) { return Lists.at(id); }
    const std::vector<TListRecord>& List(setupformat::TListSectionId id) const { return Lists.at(id); }
};

// "target?length?mode?uninstall[?crc]"; throws ESetupScriptError when a field holds "?", CR or LF.
std::string FilesRecordText(const TFilesRecord& record, size_t slot);

// Checks the whole script; throws ESetupScriptError naming the first bad section and key.
// Refuses: unknown or repeated [Setup] keys and EngineSize among them; a FilesCount
// that differs from the number of slots; a list record with the wrong field count;
// a field holding its separator ("*?", in [Files] "?"), CR or LF; a value over
// winlib::TIniFile::MaxValueLength characters; a negative length.
void CheckSetupScript(const TSetupScript& script);

// Checks, then writes fileName from scratch: [Setup] in the given order, the list
// sections in their fixed order (none for an empty list), [Files], and EngineSize as
// the last key of [Setup]. Throws ESetupScriptError or winlib::EOSError, naming fileName.
void WriteSetupScript(const TSetupScript& script, const std::string& fileName);

// Updater.ini for the updater tool: [General] AppName, AppVersion, UpdateURL as typed.
void WriteUpdaterIni(const std::string& fileName, const std::string& appName,
                     const std::string& appVersion, const std::string& updateUrl);
