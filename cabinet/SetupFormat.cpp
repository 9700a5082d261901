#include "cabinet/SetupFormat.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace setupformat {

namespace {

constexpr int MaxInt32 = 2147483647;

bool EqualNoCase(const char* a, const std::string& b) { return lstrcmpiA(a, b.c_str()) == 0; }

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    size_t n = std::strlen(prefix);
    return text.size() >= n && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text.c_str(),
                                              static_cast<int>(n), prefix, static_cast<int>(n)) == CSTR_EQUAL;
}

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    size_t n = std::strlen(suffix);
    return text.size() >= n && lstrcmpiA(text.c_str() + text.size() - n, suffix) == 0;
}

}  // namespace

std::string FormatFileCrc(uint32_t crc)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int k = 7; k >= 0; --k, crc >>= 4)
        text[k] = digits[crc & 0xF];
    return text;
}

bool ParseFileCrc(const std::string& text, uint32_t& crc)
{
    if (text.size() != 8)
        return false;
    uint32_t value = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    crc = value;
    return true;
}

namespace {

using K = TKeyForm;

// The [Setup] keys in writing order, with what the runtime falls back to.
constexpr TSetupKeyDef SetupKeyTable[] = {
    {"BuildDate", K::Text, "", true},
    {"Version", K::Text, "", false},
    {"AppName", K::Text, "", true},
    {"AppVersion", K::Text, "", true},
    {"GUID", K::Text, "", true},
    {"CompanyName", K::Text, "", true},
    {"WebSite", K::Text, "", true},
    {"SupportLink", K::Text, "", true},
    {"Win9x", K::Bool, "1", true},
    {"WinNT", K::Bool, "1", true},
    {"Win2000", K::Bool, "1", true},
    {"WinXP", K::Bool, "1", true},
    {"WinSrv2003", K::Bool, "1", true},
    {"WinVista", K::Bool, "1", true},
    {"Win7", K::Bool, "1", true},
    {"Win8", K::Bool, "1", true},
    {"x64", K::Bool, "0", true},
    {"Admin", K::Bool, "1", true},
    {"Internet", K::Bool, "0", true},
    {"CloseApp", K::Bool, "0", true},
    {"CloseAppFile", K::Text, "", true},
    {"CloseAppText", K::Text, "", true},
    {"dotNET", K::Bool, "0", true},
    {"dotNETVersion", K::Integer, "0", true},
    {"IE", K::Bool, "0", true},
    {"IEVersion", K::Text, "3.0", true},
    {"AR", K::Bool, "0", true},
    {"ARVersion", K::Text, "5.0", true},
    {"Java", K::Bool, "0", true},
    {"JavaVersion", K::Text, "1.2", true},
    {"SQL", K::Bool, "0", true},
    {"SQLVersion", K::Integer, "0", true},
    {"SQLE", K::Bool, "0", true},
    {"SQLEVersion", K::Integer, "0", true},
    {"LinkDN", K::Text, "", true},
    {"LinkIE", K::Text, "", true},
    {"LinkAR", K::Text, "", true},
    {"LinkJR", K::Text, "", true},
    {"LinkSQL", K::Text, "", true},
    {"LinkSQLE", K::Text, "", true},
    {"SelectFolderMode", K::Integer, "0", true},
    {"InstallationPath", K::Text, "", true},
    {"MainExecutable", K::Text, "", true},
    {"ExistMode", K::Text, "", false},
    {"NotRemove", K::Bool, "", false},
    {"Uninstall", K::Bool, "0", true},
    {"SilentUninstall", K::Bool, "0", true},
    {"ShowAddRemove", K::Bool, "0", true},
    {"UninstallForce", K::Bool, "0", true},
    {"UninstallRestart", K::Bool, "0", true},
    {"VisitUninstallPage", K::Bool, "0", true},
    {"UninstallURL", K::Text, "", true},
    {"InstallMode", K::Integer, "0", true},
    {"InstallLevel", K::Integer, "1", true},
    {"PromptUninstall", K::Bool, "1", true},
    {"PromptSilentUninstall", K::Bool, "0", true},
    {"CheckVersions", K::Bool, "0", true},
    {"CheckMinVer", K::Text, "", true},
    {"CheckMaxVer", K::Text, "", true},
    {"Updater", K::Bool, "0", true},
    {"UpdateURL", K::Text, "", true},
    {"CheckUpdateBefore", K::Bool, "", false},
    {"AutoCheckUpdate", K::Bool, "", false},
    {"UpdateDay", K::Text, "", false},
    {"AutoSilentUpdate", K::Bool, "", false},
    {"SilentInstall", K::Bool, "0", true},
    {"DialogWelcome", K::Bool, "0", true},
    {"DialogLicense", K::Bool, "0", true},
    {"DialogReadme", K::Bool, "0", true},
    {"DialogUserInfo", K::Bool, "0", true},
    {"DialogDestinationFolder", K::Bool, "0", true},
    {"DialogProgramGroup", K::Bool, "0", true},
    {"DialogReady", K::Bool, "0", true},
    {"DialogFinish", K::Bool, "0", true},
    {"DefaultLanguage", K::Text, "English", true},
    {"AutoDetectLanguage", K::Bool, "0", true},
    {"AcceptAgreement", K::Bool, "0", true},
    {"InfoUserName", K::Bool, "0", true},
    {"InfoUserNameReq", K::Bool, "0", true},
    {"InfoCompany", K::Bool, "0", true},
    {"InfoCompanyReq", K::Bool, "0", true},
    {"InfoCustom", K::Bool, "0", true},
    {"InfoCustomReq", K::Bool, "0", true},
    {"InfoCustomName", K::Text, "", true},
    {"RestartComputer", K::Bool, "0", true},
    {"LaunchFile", K::Bool, "0", true},
    {"LaunchFileName", K::Text, "", true},
    {"LaunchFileChecked", K::Bool, "0", true},
    {"ViewReadme", K::Bool, "0", true},
    {"ViewReadmeFile", K::Text, "", true},
    {"ViewReadmeChecked", K::Bool, "0", true},
    {"CustomAction", K::Bool, "0", true},
    {"CustomActionName", K::Text, "", true},
    {"CustomActionCommand", K::Text, "", true},
    {"CustomActionChecked", K::Bool, "0", true},
    {"ProgramGroup", K::Text, "", true},
    {"FilesCount", K::Integer, "0", true},
    {"FilesSize", K::Integer, "0", true},
    {"EngineSize", K::Integer, "0", true},
};
static_assert(std::size(SetupKeyTable) == 99);

constexpr TSetupKeyDef UserMenu = {"UserMenu", K::Integer, "1", true};

constexpr TListSectionDef ListSectionTable[] = {
    {lsPrerequisites, "Prerequisites", 6, FieldSeparator},
    {lsShortcuts, "Shortcuts", 8, FieldSeparator},
    {lsRegistry, "Registry", 6, FieldSeparator},
    {lsIni, "INI", 6, FieldSeparator},
    {lsCommands, "Commands", 6, FieldSeparator},
    {lsVariables, "Variables", 5, FieldSeparator},
    {lsExtensions, "Extensions", 5, FieldSeparator},
    {lsEnvironments, "Environments", 4, FieldSeparator},
    {lsOthers, "Others", 3, FieldSeparator},
    {lsFiles, "Files", 4, FilesSeparator},
};
static_assert(std::size(ListSectionTable) == lsCount);

constexpr TMemberOrderEntry MemberOrderTable[] = {
    {TMemberKind::Language, nullptr},
    {TMemberKind::Licence, nullptr},
    {TMemberKind::Readme, nullptr},
    {TMemberKind::Script, SetupScriptName},
    {TMemberKind::WizardPicture, WizardPictureName},
    {TMemberKind::HeaderPicture, HeaderPictureName},
    {TMemberKind::TempFile, nullptr},
    {TMemberKind::Uninstaller, UninstallerMemberName},
    {TMemberKind::Updater, UpdaterMemberName},
    {TMemberKind::UpdaterIni, UpdaterIniName},
};

std::string TemplateName(const char* stem, int installLevel, const char* extension)
{
    return std::string("Data\\") + stem + std::to_string(installLevel + 1) + extension;
}

}  // namespace

std::string MakeTrailer(int setupCabinetLength)
{
    if (setupCabinetLength < 0)
        throw std::invalid_argument("setup cabinet length " + std::to_string(setupCabinetLength) +
                                    " cannot be written in a trailer");
    char text[TrailerLength + 1];
    std::snprintf(text, sizeof text, "%s%010d", TrailerMagic, setupCabinetLength);
    return std::string(text, TrailerLength);
}

bool ParseTrailer(const char* bytes, size_t size, int& length)
{
    if (size != TrailerLength || std::memcmp(bytes, TrailerMagic, TrailerMagicLength) != 0) return false;
    long long value = 0;
    for (size_t i = TrailerMagicLength; i < TrailerLength; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9') return false;
        value = value * 10 + (bytes[i] - '0');
    }
    if (value > MaxInt32) return false;
    length = static_cast<int>(value);
    return true;
}

bool PackageSizeAllowed(unsigned long long packageSize, unsigned long long limit)
{
    return packageSize < limit;
}

int ClampFilesSize(unsigned long long estimate)
{
    return estimate > static_cast<unsigned long long>(MaxInt32) ? MaxInt32 : static_cast<int>(estimate);
}

std::string LanguageMemberName(const std::string& language) { return language + LanguageMemberSuffix; }
std::string LicenceMemberName(const std::string& caption) { return "L" + caption + ".rtf"; }
std::string ReadmeMemberName(const std::string& caption) { return "R" + caption + ".rtf"; }

std::string EngineTemplateName(int installLevel) { return TemplateName("Engine", installLevel, ".dat"); }
std::string UninstallTemplateName(int installLevel) { return TemplateName("Uninstall", installLevel, ".exe"); }

std::span<const TMemberOrderEntry> MemberOrder() { return MemberOrderTable; }

int MemberRank(TMemberKind kind)
{
    for (size_t i = 0; i < std::size(MemberOrderTable); ++i)
        if (MemberOrderTable[i].Kind == kind) return static_cast<int>(i);
    throw std::invalid_argument("unknown setup cabinet member kind");
}

TMemberKind MemberKindOfName(const std::string& name)
{
    for (const TMemberOrderEntry& entry : MemberOrderTable)
        if (entry.FixedName && EqualNoCase(entry.FixedName, name)) return entry.Kind;
    if (EndsWithNoCase(name, LanguageMemberSuffix)) return TMemberKind::Language;
    if (EndsWithNoCase(name, ".rtf")) {
        if (StartsWithNoCase(name, "L")) return TMemberKind::Licence;
        if (StartsWithNoCase(name, "R")) return TMemberKind::Readme;
    }
    return TMemberKind::TempFile;
}

std::span<const TSetupKeyDef> SetupKeys() { return SetupKeyTable; }

const TSetupKeyDef& UserMenuKey() { return UserMenu; }

const TSetupKeyDef* FindSetupKey(const std::string& name)
{
    for (const TSetupKeyDef& key : SetupKeyTable)
        if (EqualNoCase(key.Name, name)) return &key;
    return EqualNoCase(UserMenu.Name, name) ? &UserMenu : nullptr;
}

std::span<const TListSectionDef> ListSections() { return ListSectionTable; }

const TListSectionDef& ListSection(TListSectionId id)
{
    if (id < 0 || id >= lsCount) throw std::out_of_range("unknown list section");
    return ListSectionTable[id];
}

}  // namespace setupformat
