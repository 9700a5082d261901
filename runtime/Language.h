// The language file: every text the setup shows comes from it. One table names
// each key the runtime reads, with its default and how its text is prepared;
// LanguageText is the only reader of Setup().LanguageIni and takes table entries
// only, so a key outside the table does not compile.
#pragma once
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
    {"Install", 2, 10, TLngKind::Raw},  // the page-9 use of "2" expands it itself
    {"SetupComplete", 0, 9, TLngKind::Expanded},
    {"Messages", 0, 1, TLngKind::Expanded},
    {"Messages", 2, 30, TLngKind::Format},
    {"Uninstall", 0, 6, TLngKind::Expanded},
    {"Updater", 0, 8, TLngKind::Expanded},
    {"Info", 0, 0, TLngKind::InfoValue, "id"},
    {"Info", 0, 0, TLngKind::InfoValue, "lng"},
};

// The texts a key falls back to when the language file lacks it.
struct TLngDefault {
    const char* Section;
    int Key;
    const char* Text;
};

inline constexpr TLngDefault LanguageDefaults[] = {
    {"Install", 2, "Installing files..."},          {"Install", 3, "Creating shortcuts..."},
    {"Install", 4, "Creating registry entries..."}, {"Install", 5, "Modifying INI files..."},
    {"Install", 6, "Creating associations..."},     {"Install", 10, "Finishing setup..."},
    {"Messages", 13, "Error creating directory:"},  {"Messages", 14, "Error creating file:"},
    {"Messages", 16, "Error creating shortcut:"},   {"Messages", 17, "Error creating registry key:"},
    {"Messages", 18, "Error creating registry value:"},
    {"Messages", 20, "Error creating association for:"},
};

// One key of the table.
struct TLngKey {
    int Row;
    int Number;
};

namespace languagedetail {
constexpr bool Same(const char* a, std::string_view b) { return std::string_view(a) == b; }
}  // namespace languagedetail

// The key (section, number); a pair outside the table is a compile error.
consteval TLngKey Lng(std::string_view section, int number)
{
    int row = 0;
    for (const TLngRange& r : LanguageTable) {
        if (!r.Name && languagedetail::Same(r.Section, section) && number >= r.First && number <= r.Last)
            return {row, number};
        ++row;
    }
    throw "not a key of the language table";
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
