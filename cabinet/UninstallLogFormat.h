// The uninstall log's text form (qzuninstall.ini while a setup runs, Uninstall.ini
// in the install folder afterwards), shared by the setup runtime, which writes it,
// and the uninstaller and updater, which read it. Everything both sides must agree
// on is here once: section names, the [General] keys, how a value is stored, how
// records are numbered and how the file is read back.
//
// Stored form of a value: every line break (CR LF, CR or LF) becomes "<#>", so a
// record stays on one line; then a value that begins or ends with a blank or a
// tab, or begins and ends with the same quote, is wrapped in one pair of '"'
// (winlib::QuoteIniValue), because the profile functions trim blanks and strip a
// surrounding quote pair on read. Reading undoes both: one outer quote pair is
// stripped and every "<#>" becomes CR LF (a literal "<#>" in a value therefore
// reads back as a line break: it is the line-break mark).
//
// Records: sections whose keys are decimal numbers; a new record goes under the
// highest number present + 1, so a log with gaps (a hand edit, a failed write)
// never has a record overwritten. Readers take numbered records in ascending key
// order and accept gaps and repeated keys.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "winlib/IniDocument.h"

namespace uninstlog {

// ---- Names -------------------------------------------------------------------

inline constexpr char LogTempName[] = "qzuninstall.ini";  // in the setup temp folder
inline constexpr char LogName[] = "Uninstall.ini";        // in the install folder
inline constexpr char UninstallerName[] = "Uninstall.exe";
inline constexpr char FieldSeparator[] = "*?";  // fields inside one record
inline constexpr char LineBreakMark[] = "<#>";

// Fixed sections, in writing order.
inline constexpr char SecMessages[] = "Messages";  // "0".."6": the uninstaller's texts
inline constexpr char SecUpdater[] = "Updater";    // "0".."8": the updater's texts
inline constexpr char SecGeneral[] = "General";
inline constexpr int MessageCount = 7;
inline constexpr int UpdaterMessageCount = 9;

// Record sections.
inline constexpr char SecFolders[] = "Folders";
inline constexpr char SecFiles[] = "Files";
inline constexpr char SecRegistryKeys[] = "RegistryKeys";
inline constexpr char SecRegistryValues[] = "RegistryValues";
inline constexpr char SecINIValues[] = "INIValues";
inline constexpr char SecEnvironment[] = "Environment";
inline constexpr char SecFonts[] = "Fonts";
inline constexpr char SecActiveX[] = "ActiveX";
inline constexpr char SecTypeLibrary[] = "TypeLibrary";
inline constexpr char SecScreenSaver[] = "ScreenSaver";
inline constexpr char SecWallpaper[] = "Wallpaper";
inline constexpr char SecExecBeforeUninstall[] = "ExecBeforeUninstall";
inline constexpr char SecExecAfterUninstall[] = "ExecAfterUninstall";
// Default values an association overwrote under HKEY_CLASSES_ROOT (add-once).
inline constexpr char SecAssociationValues[] = "AssociationValues";

// [General] keys.
inline constexpr char KeyAppName[] = "AppName";
inline constexpr char KeyAppVersion[] = "AppVersion";
inline constexpr char KeyGUID[] = "GUID";
inline constexpr char KeyAdmin[] = "Admin";
inline constexpr char KeyX64[] = "x64";
inline constexpr char KeyMainExecutable[] = "MainExecutable";
inline constexpr char KeyInstallDir[] = "InstallDir";
inline constexpr char KeyProgramGroupDir[] = "ProgramGroupDir";
inline constexpr char KeyUninstallURL[] = "UninstallURL";
inline constexpr char KeyUninstallForce[] = "UninstallForce";
inline constexpr char KeyUninstallRestart[] = "UninstallRestart";
inline constexpr char KeySilentMode[] = "SilentMode";
inline constexpr char KeyUpdateURL[] = "UpdateURL";

// ---- Values ------------------------------------------------------------------

// The longest stored form the log takes: the profile functions silently drop
// values of 32,767 characters and more, so a margin stays below that.
inline constexpr size_t MaxStoredLength = 32000;

std::string EncodeValue(const std::string& value);  // the stored form
std::string DecodeValue(const std::string& stored); // what a reader of the file's text gets
// For a value read through the profile functions, which already trim and strip
// the quote pair: only the line-break marks become CR LF.
std::string DecodeLineBreaks(const std::string& text);
// Whether the value can be logged: its stored form fits and it holds no NUL.
// Actions ask before they change anything, so a refused record never leaves an
// unrecorded change behind.
bool ValueFits(const std::string& value);

// A value or name the log cannot hold.
class ELogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- [AssociationValues] records -----------------------------------------------

// One default value an association overwrote, so that uninstalling gives the
// machine's own association back:
//   HKEY_CLASSES_ROOT\<key> *? <what the setup wrote> *? <type before> *? <data before>
// The type before is "REG_SZ", "REG_EXPAND_SZ" or "ABSENT" (no default value);
// the data is the text, empty for ABSENT. Only the four values an association
// writes are valid keys: ".<ext>", "<ext>file", "<ext>file\DefaultIcon" and
// "<ext>file\shell\open\command".
inline constexpr char AssocAbsent[] = "ABSENT";
inline constexpr char AssocRoot[] = "HKEY_CLASSES_ROOT";

struct TAssociationValue {
    std::string Key;      // below HKEY_CLASSES_ROOT, e.g. "txtfile\shell\open\command"
    std::string Written;  // REG_SZ data the setup wrote
    std::string TypeBefore = AssocAbsent;
    std::string DataBefore;
};

// Whether key (below HKEY_CLASSES_ROOT) is one of the four an association writes.
bool IsAssociationValueKey(const std::string& key);
std::string FormatAssociationValue(const TAssociationValue& value);
// False for a record of any other form, key or type.
bool ParseAssociationValue(const std::string& record, TAssociationValue& value);

// ---- [Wallpaper] records -----------------------------------------------------------

// The picture the setup set and the desktop settings it replaced, so that
// uninstalling puts the user's desktop back:
//   <picture> *? <Wallpaper before> *? <TileWallpaper before> *? <WallpaperStyle before>
// (values of HKCU\Control Panel\Desktop; an empty field stands for a value that
// was not there). A record of the picture alone (older setups) is accepted.
struct TWallpaperRecord {
    std::string Picture;
    bool HasBefore = false;  // false for the older form
    std::string Wallpaper, Tile, Style;
};
std::string FormatWallpaperRecord(const TWallpaperRecord& record);
bool ParseWallpaperRecord(const std::string& text, TWallpaperRecord& record);

// ---- Reading -----------------------------------------------------------------

struct TLogEntry {
    std::string Key;
    std::string Value;  // decoded
};

struct TLogSectionData {
    std::string Name;
    std::vector<TLogEntry> Entries;  // in file order; a repeated section's entries follow
};

// A whole log read from its text: every section, values of any length, decoded.
class TUninstallLogReader {
public:
    TUninstallLogReader() = default;
    // Parses INI text (ANSI; a UTF-8 or UTF-16LE byte-order mark is understood).
    static TUninstallLogReader FromText(const std::string& text);
    // Reads the file; throws winlib::EOSError naming it when it cannot be read.
    static TUninstallLogReader FromFile(const std::string& path);

    const std::vector<TLogSectionData>& Sections() const { return sections_; }
    bool HasSection(const std::string& section) const;  // names compare without case
    // The first value of a named key; defaultValue when there is none.
    std::string Value(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    bool BoolValue(const std::string& section, const std::string& key, bool defaultValue) const;
    // The values under decimal keys, ascending by number; equal numbers keep
    // their file order. Other keys are not records and are left out.
    std::vector<std::string> Records(const std::string& section) const;
    // The highest decimal key + 1; 0 for a section without records.
    unsigned long NextKey(const std::string& section) const;
    // Whether a record equal to value without regard to case is in the section.
    bool HasRecord(const std::string& section, const std::string& value) const;

private:
    const TLogSectionData* Find(const std::string& section) const;
    std::vector<TLogSectionData> sections_;
};

// What a record of the section stands for, upper-cased: records with the same
// identity name one object, and a log continued across runs holds each object
// once. Paths and keys compare without case. An [Environment] record that
// writes or deletes a variable stands for the variable, whatever its kind and
// its before data (so the first run's original value is the one kept); an
// entry appended to a list variable stands for that entry. Any other record
// stands for its whole text.
std::string RecordIdentity(const std::string& section, const std::string& value);
// Sections of a log that hold no records: the run writes them anew each time.
bool IsHeaderSection(const std::string& section);

// A key made only of decimal digits (blanks around it allowed), as a number.
bool ParseRecordKey(const std::string& key, unsigned long& number);

// ---- Writing -----------------------------------------------------------------

// Keeps the log in memory; Save() writes it whole: a temporary file beside it
// (named with the setup's "qzn" prefix), flushed, then renamed over it, so the
// file on disk is always a complete log, old or new, and a log of n records
// costs n writes in memory, not n rewrites of the file. The caller decides how
// often to save. Every failure throws: ELogError for a value the log cannot
// hold, winlib::EOSError when the platform refuses; both name the file (and the
// section and key).
class TUninstallLogWriter {
public:
    // Starts empty; Load() takes in what the file already holds.
    explicit TUninstallLogWriter(const std::string& path);
    const std::string& FileName() const { return fileName_; }

    // The log as the file holds it (nothing when it does not exist), or as another
    // file holds it (an installed log that this one continues). Throws EOSError.
    void Load();
    void LoadFrom(const std::string& path);

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteBool(const std::string& section, const std::string& key, bool value);  // "1"/"0"
    // Writes value under the section's next number; answers the key.
    unsigned long AppendRecord(const std::string& section, const std::string& value);
    // Appends value unless the section holds an equal record (case ignored);
    // true when it wrote.
    bool AddOnce(const std::string& section, const std::string& value);
    // The highest decimal key of the section + 1; 0 for a section without records.
    unsigned long NextKey(const std::string& section) const;
    TUninstallLogReader Read() const;  // the log as it stands in memory

    bool Unsaved() const { return unsaved_; }
    void Save();  // also when nothing changed: the file then exists

private:
    std::string fileName_;
    winlib::TIniDocument doc_;
    bool unsaved_ = false;
};

}  // namespace uninstlog
