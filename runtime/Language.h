// The language file: every text the setup shows comes from it. One table names
// each key the runtime reads, with its default and how its text is prepared;
// LanguageText is the only reader of Setup().LanguageIni and takes table entries
// only, so a key outside the table does not compile.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TForm1;

// How a key's text is prepared before use.
enum class TLngKind {
    Raw,             // as written
    Expanded,        // placeholders expanded ("<#>" included)
    Format,          // one subject through FormatMessage1; "<#>" a line break
    FormatExpanded,  // FormatMessage1, then placeholders expanded
    InfoValue,       // [Info]: compared or shown as written
};

// A run of numbered keys of one section (First..Last), or one named key (Name set).
struct TLngRange {
    const char* Section;
    int First;
    int Last;
    TLngKind Kind;
    const char* Name = nullptr;
};

inline constexpr TLngRange LanguageTable[] = {
    {"Title", 0, 0, TLngKind::Expanded},
    {"Language", 0, 1, TLngKind::Expanded},
    {"Buttons", 0, 3, TLngKind::Raw},
    {"Buttons", 7, 7, TLngKind::Expanded},
    {"Buttons", 8, 8, TLngKind::Raw},
    {"Buttons", 11, 11, TLngKind::Raw},
    {"Welcome", 0, 1, TLngKind::Expanded},
    {"LicenseAgreement", 0, 4, TLngKind::Expanded},
    {"Readme", 0, 2, TLngKind::Expanded},
    {"UserInformation", 0, 4, TLngKind::Expanded},
    {"DestinationFolder", 0, 4, TLngKind::Expanded},
    {"DestinationFolder", 5, 7, TLngKind::FormatExpanded},
    {"ShortcutsFolder", 0, 5, TLngKind::Expanded},
    {"ShortcutsFolder", 6, 6, TLngKind::Format},
    {"ReadyToInstall", 0, 2, TLngKind::Expanded},
    {"Setup", 0, 2, TLngKind::Raw},
    {"Install", 0, 1, TLngKind::Expanded},
    {"Install", 2, 10, TLngKind::Raw},  // 7-9 shown as written; page 9 and the run expand the others
    {"SetupComplete", 0, 9, TLngKind::Expanded},
    {"Messages", 0, 1, TLngKind::Expanded},
    {"Messages", 2, 30, TLngKind::Format},
    {"Uninstall", 0, 6, TLngKind::Expanded},
    {"Updater", 0, 8, TLngKind::Expanded},
    {"Info", 0, 0, TLngKind::InfoValue, "id"},
    {"Info", 0, 0, TLngKind::InfoValue, "lng"},
};

// Whose default a key falls back to. Most keys have one; a key read in several
// places where each place has always had its own default names that place: an
// entry tagged with a reader serves only keys asked for with the same tag.
enum class TLngReader : unsigned char {
    Any,           // the key's usual default
    InstallPage,   // page 9's first task line, before the run names its first step
    InstallRun,    // the file copy's own failure boxes
    Environment,   // an environment variable that could not be set
    UninstallLog,  // the uninstall log that could not be written
};

// The texts a key falls back to when the language file lacks it ("" unless listed).
struct TLngDefault {
    const char* Section;
    int Key;
    const char* Text;
    TLngReader Reader = TLngReader::Any;
};

inline constexpr TLngDefault LanguageDefaults[] = {
    {"Install", 2, "Installing files..."},          {"Install", 3, "Creating shortcuts..."},
    {"Install", 4, "Creating registry entries..."}, {"Install", 5, "Modifying INI files..."},
    {"Install", 6, "Creating associations..."},     {"Install", 10, "Finishing setup..."},
    {"Messages", 13, "Error creating directory:"},  {"Messages", 14, "Error creating file:<#>%s"},
    {"Messages", 15, "Unable to write the registry key:<#>%s"},
    {"Messages", 16, "Error creating shortcut:"},   {"Messages", 17, "Error creating registry key:"},
    {"Messages", 18, "Error creating registry value:"},
    {"Messages", 20, "Error creating association for:"},
    {"Install", 2, "", TLngReader::InstallPage},
    {"Messages", 13, "", TLngReader::InstallRun},
    {"Messages", 18, "", TLngReader::Environment},
    {"Messages", 14, "Unable to write to %s", TLngReader::UninstallLog},
};

// One key of the table, read with one reader's default.
struct TLngKey {
    int Row;
    int Number;
    TLngReader Reader = TLngReader::Any;
};

namespace languagedetail {
constexpr bool Same(const char* a, std::string_view b) { return std::string_view(a) == b; }

// The row of the table holding the numbered key; -1 when none does.
constexpr int FindRow(std::string_view section, int number)
{
    int row = 0;
    for (const TLngRange& r : LanguageTable) {
        if (!r.Name && Same(r.Section, section) && number >= r.First && number <= r.Last)
            return row;
        ++row;
    }
    return -1;
}

constexpr bool HasDefault(std::string_view section, int number, TLngReader reader)
{
    for (const TLngDefault& d : LanguageDefaults)
        if (d.Reader == reader && d.Key == number && Same(d.Section, section))
            return true;
    return false;
}

constexpr bool DefaultsNameTableKeys()
{
    for (const TLngDefault& d : LanguageDefaults)
        if (FindRow(d.Section, d.Key) < 0)
            return false;
    return true;
}
}  // namespace languagedetail

static_assert(languagedetail::DefaultsNameTableKeys(), "a default for a key outside the language table");

// The key (section, number); a pair outside the table is a compile error, and so
// is a reader that has no default of its own for the key.
consteval TLngKey Lng(std::string_view section, int number, TLngReader reader = TLngReader::Any)
{
    int row = languagedetail::FindRow(section, number);
    if (row < 0)
        throw "not a key of the language table";
    if (reader != TLngReader::Any && !languagedetail::HasDefault(section, number, reader))
        throw "the reader has no default of its own for this key";
    return {row, number, reader};
}

// The keys first, first+1, ... of one section, for a reader that copies a run of them.
template <size_t Count>
consteval std::array<TLngKey, Count> LngRun(std::string_view section, int first)
{
    std::array<TLngKey, Count> keys{};
    for (size_t i = 0; i < Count; ++i)
        keys[i] = Lng(section, first + static_cast<int>(i));
    return keys;
}

// The named [Info] key.
consteval TLngKey LngInfo(std::string_view name)
{
    int row = 0;
    for (const TLngRange& r : LanguageTable) {
        if (r.Name && languagedetail::Same(r.Name, name))
            return {row, 0};
        ++row;
    }
    throw "not a key of the language table";
}

// Every key of the table, in table order (for checks of whole language files).
std::vector<TLngKey> AllLanguageKeys();
const char* LanguageSection(TLngKey key);
std::string LanguageKeyName(TLngKey key);  // "0".."30" or the [Info] name
const char* LanguageDefault(TLngKey key);  // "" for most keys

// Whether a language file is open: before the first and after the release, none.
bool LanguageFileOpen();

// The key's text prepared as its kind says; subject is the "%s" of a format
// text. Without an open language file (before the first, after the release),
// the default.
std::string LanguageText(TLngKey key, const std::string& subject = std::string());

// Two expanded keys joined by an empty line before the expansion (the finished
// page's text).
std::string LanguageJoined(TLngKey first, TLngKey second);

// ---- The language list and the setup font ----

// Language names from file names ending "qz.lng" (any case), sorted without
// regard to case; names that do not end so are passed over.
std::vector<std::string> LanguageNamesFromFiles(const std::vector<std::string>& fileNames);

// The language to select: the last name whose id equals systemId (decimal text,
// compared exactly) when autoDetect; else the first equal to defaultName ignoring
// case; else the first listed. ids[i] belongs to names[i]. -1 for an empty list.
int ChooseLanguage(const std::vector<std::string>& names, const std::vector<std::string>& ids,
                   const std::string& defaultName, bool autoDetect, unsigned systemId);

// The system's default language identifier; tests replace it.
using TSystemLanguageId = unsigned (*)();
unsigned SystemLanguageId();
void SetSystemLanguageIdProbe(TSystemLanguageId probe);  // nullptr: the system's

// Opens the language file at path as LanguageIni and puts its texts on the window.
void ApplyLanguage(TForm1& form, const std::string& path);

// A font.ini value: the key's default when missing or not a number; sizes outside
// 1..72 give the default too.
int FontIniValue(const std::string& text, int defaultValue, bool isSize);
