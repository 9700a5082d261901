// The setup package format, shared by the authoring program (which writes it) and
// the setup runtime (which reads it). This is the only unit of cabinet/ that knows
// about setups; everything both sides must agree on is defined here once.
//
// A setup executable is, in file order:
//   the engine copy (EngineSize bytes), one MSZIP cabinet per installed file laid
//   end to end in [Files] key order, the setup cabinet qzsetup.cab (L bytes), and
//   a 13-byte trailer "ZYX" + L as ten zero-padded decimal digits.
// Offsets and lengths are signed 32-bit numbers, so a package stays below 2 GiB.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace setupformat {

// ---- Trailer -------------------------------------------------------------------

inline constexpr char TrailerMagic[] = "ZYX";
inline constexpr size_t TrailerMagicLength = 3;
inline constexpr size_t TrailerDigits = 10;
inline constexpr size_t TrailerLength = TrailerMagicLength + TrailerDigits;  // 13
// The runtime scans for the trailer from the end down to this offset, so the engine
// copy must be at least this long.
inline constexpr long long TrailerScanFloor = 400000;

// "ZYX" + length as ten digits. Throws std::invalid_argument for a negative length.
std::string MakeTrailer(int setupCabinetLength);

// Parses exactly TrailerLength bytes. True only for "ZYX" (case-sensitive) followed
// by exactly ten ASCII digits whose value fits a signed 32-bit integer; anything
// else is "no trailer" and leaves length untouched.
bool ParseTrailer(const char* bytes, size_t size, int& length);

// ---- Sizes ---------------------------------------------------------------------

// A package of this size or more cannot be described by the 32-bit offsets.
inline constexpr unsigned long long PackageSizeLimit = 2147483648ULL;  // 2 GiB
bool PackageSizeAllowed(unsigned long long packageSize,
                        unsigned long long limit = PackageSizeLimit);

// The [Setup] FilesSize value for an installed-size estimate: at most 2,147,483,647.
// A wrapped (negative) value would pass the runtime's free-space check.
int ClampFilesSize(unsigned long long estimate);

// ---- Separators ----------------------------------------------------------------

inline constexpr char FieldSeparator[] = "*?";  // list sections
inline constexpr char FilesSeparator[] = "?";   // [Files] records

// ---- [Files] records -----------------------------------------------------------

// "target?length?mode?uninstall?crc": the fifth field, the CRC-32 of the installed
// file as eight hexadecimal digits, lets the setup refuse a copy damaged on its way
// (the cabinet's own block checksums miss some damage). A record without it (older
// builds; the uninstaller's slot, which owns no bytes) is installed unchecked.
inline constexpr size_t FilesCrcField = 4;
std::string FormatFileCrc(uint32_t crc);  // "0A1B2C3D"
// Exactly eight hexadecimal digits (either case); anything else is false.
bool ParseFileCrc(const std::string& text, uint32_t& crc);

// ---- File and member names ---------------------------------------------------

inline constexpr char SetupScriptName[] = "qzsetup.ini";
inline constexpr char SetupCabinetName[] = "qzsetup.cab";
inline constexpr char WizardPictureName[] = "qzwizard.bmp";
inline constexpr char HeaderPictureName[] = "qzheader.bmp";
inline constexpr char UninstallerMemberName[] = "QZUninstall.exe";
inline constexpr char UpdaterMemberName[] = "ZEZerevaz.exe";
inline constexpr char UpdaterIniName[] = "Updater.ini";
inline constexpr char LanguageMemberSuffix[] = "qz.lng";

std::string LanguageMemberName(const std::string& language);  // L + "qz.lng"
std::string LicenceMemberName(const std::string& caption);    // "L" + caption + ".rtf"
std::string ReadmeMemberName(const std::string& caption);     // "R" + caption + ".rtf"

// Templates beside the authoring program; N = install level + 1.
std::string EngineTemplateName(int installLevel);     // "Data\EngineN.dat"
std::string UninstallTemplateName(int installLevel);  // "Data\UninstallN.exe"

// The uninstaller's [Files] record: its file comes from the setup cabinet, so it owns no bytes.
inline constexpr char UninstallerTarget[] = "<InstallDir>\\Uninstall.exe";

// ---- Members of qzsetup.cab, in the order they are packed ----------------------

enum class TMemberKind {
    Language,       // L + "qz.lng", one per language, in list order
    Licence,        // "L" + caption + ".rtf"
    Readme,         // "R" + caption + ".rtf"
    Script,         // qzsetup.ini
    WizardPicture,  // qzwizard.bmp
    HeaderPicture,  // qzheader.bmp
    TempFile,       // an author's file bound for <SetupTempDir>, under its own name
    Uninstaller,    // QZUninstall.exe
    Updater,        // ZEZerevaz.exe
    UpdaterIni,     // Updater.ini
};

struct TMemberOrderEntry {
    TMemberKind Kind;
    const char* FixedName;  // nullptr where each member has its own name
};

std::span<const TMemberOrderEntry> MemberOrder();  // packing order
int MemberRank(TMemberKind kind);                   // position in MemberOrder()

// The kind a member name stands for: the fixed names first, then the language,
// licence and readme patterns; any other name is a file bound for <SetupTempDir>.
TMemberKind MemberKindOfName(const std::string& name);

// ---- [Setup] keys ------------------------------------------------------------

inline constexpr char SetupSection[] = "Setup";
inline constexpr char ScriptFormatVersion[] = "5.4";  // the Version key

enum class TKeyForm { Text, Bool, Integer };

struct TSetupKeyDef {
    const char* Name;
    TKeyForm Form;
    const char* RuntimeDefault;  // what the runtime uses when the key is missing
    bool RuntimeReads;           // false: written for the record, never read by the runtime
};

// The 99 keys in the order they are written (EngineSize last).
std::span<const TSetupKeyDef> SetupKeys();
// Read by the runtime (integer, default 1) but written by no one.
const TSetupKeyDef& UserMenuKey();
// The definition of a [Setup] key (names compare without regard to case, as the
// INI functions do), UserMenu included; nullptr for an unknown name.
const TSetupKeyDef* FindSetupKey(const std::string& name);

inline constexpr char FilesCountKey[] = "FilesCount";
inline constexpr char FilesSizeKey[] = "FilesSize";
inline constexpr char EngineSizeKey[] = "EngineSize";

// ---- List sections -----------------------------------------------------------

enum TListSectionId {
    lsPrerequisites,
    lsShortcuts,
    lsRegistry,
    lsIni,
    lsCommands,
    lsVariables,
    lsExtensions,
    lsEnvironments,
    lsOthers,
    lsFiles,
    lsCount
};

struct TListSectionDef {
    TListSectionId Id;
    const char* Name;
    int FieldCount;
    const char* Separator;
};

// In file order, after [Setup]; [Files] is last and joins its fields with "?".
std::span<const TListSectionDef> ListSections();
const TListSectionDef& ListSection(TListSectionId id);

// ---- Updater.ini -------------------------------------------------------------

inline constexpr char UpdaterSection[] = "General";

}  // namespace setupformat
