#include "authoring/ProjectRules.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <limits>

#include "winlib/OsError.h"
#include "winlib/StringList.h"

namespace {

const char* const kCriteriaPairs[][2] = {
    {"File exists", "File doesn't exist"},
    {"Folder exists", "Folder doesn't exist"},
    {"Registry Key exists", "Registry Key doesn't exist"},
    {"Registry Value exists", "Registry Value doesn't exist"},
    {"Registry Value contents", "Registry Value doesn't content"},
};

bool Is(const std::string& section, const char* name) { return winlib::SameText(section, name); }

const TListSection* SectionOf(const std::string& name)
{
    for (const TListSection& section : ListSections())
        if (Is(name, section.Name))
            return &section;
    return nullptr;
}

// Older files stored a registry key as root and path in two fields: at (the root)
// takes both, and the record keeps its length minus one.
void JoinKeyFields(std::vector<std::string>& fields, size_t at)
{
    fields[at] += "\\" + fields[at + 1];
    fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(at + 1));
}

// Commands and prerequisites take any record of five or more fields: the first five
// and the sixth's default.
bool FiveOrMore(std::vector<std::string>& fields, const char* sixth)
{
    if (fields.size() < 5)
        return false;
    if (fields.size() != 6) {
        fields.resize(5);
        fields.push_back(sixth);
    }
    return true;
}

}  // namespace

int ProjectMajorVersion(const std::string& version)
{
    if (version.empty() || version[0] < '0' || version[0] > '9')
        return 4;
    return version[0] - '0';
}

bool InvertsSearchCriteria(const std::string& version) { return version != "5.3" && version != "5.4"; }

std::string InvertSearchCriteria(const std::string& criteria)
{
    for (const auto& pair : kCriteriaPairs) {
        if (criteria == pair[0])
            return pair[1];
        if (criteria == pair[1])
            return pair[0];
    }
    return criteria;
}

int SqleLegacyIndexOfItem(int item)
{
    if (item < 0 || item > 14)
        return -1;
    if (item <= 6)
        return item;
    return item <= 8 ? 6 : item <= 11 ? 7 : 8;
}

int SqleItemOfLegacyIndex(long long legacy)
{
    if (legacy >= 0 && legacy <= 6)
        return static_cast<int>(legacy);
    return legacy == 7 ? 9 : legacy == 8 ? 12 : -1;
}

const std::vector<TListSection>& ListSections()
{
    static const std::vector<TListSection> sections = {
        {"Prerequisites", 6}, {"Shortcuts", 9}, {"Registry", 6},   {"INI", 6},          {"Commands", 6},
        {"Variables", 5},     {"Extensions", 5}, {"Environments", 4}, {"Others", 3},
    };
    return sections;
}

bool ReadListRecord(const std::string& section, const std::string& value, bool invertCriteria,
                    std::vector<std::string>& fields)
{
    const TListSection* known = SectionOf(section);
    if (known == nullptr)
        return false;
    std::string record = value;
    // An empty Default Value at the end would vanish in the split.
    if (Is(section, "Variables") && record.size() >= 3 && record.compare(record.size() - 2, 2, kFieldSeparator) == 0)
        record += kFieldSeparator;
    fields = winlib::SplitRecord(record, kFieldSeparator);

    if (Is(section, "Registry") && fields.size() == 7)
        JoinKeyFields(fields, 0);
    else if (Is(section, "Variables") && fields.size() == 6)
        JoinKeyFields(fields, 1);
    else if (Is(section, "Others") && !fields.empty() && fields[0] == "ActiveX")
        fields[0] = "DLL/ActiveX";

    if (Is(section, "Commands"))
        return FiveOrMore(fields, "All");
    if (Is(section, "Prerequisites")) {
        if (!FiveOrMore(fields, ""))
            return false;
        if (invertCriteria)
            fields[3] = InvertSearchCriteria(fields[3]);
        return true;
    }
    return fields.size() == known->Fields;
}

bool ReadFilesRecord(const std::string& value, std::vector<std::string>& fields)
{
    fields = winlib::SplitRecord(value, kFilesSeparator);
    if (fields.size() < 4)
        return false;
    fields.resize(4);
    return true;
}

std::uint64_t ReadFolderSize(const std::string& text)
{
    long long value = 0;
    if (!winlib::ParseDecimal(text, std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max(),
                              value))
        return 0;
    if (value < 0)
        value += 1LL << 32;
    return value < 0 ? 0 : static_cast<std::uint64_t>(value);
}

namespace {

// The system's random source, opened once for the process: opening it costs far
// more than drawing from it.
HCRYPTPROV RandomSource()
{
    static const HCRYPTPROV provider = [] {
        HCRYPTPROV opened = 0;
        if (!CryptAcquireContextA(&opened, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            winlib::RaiseLastOSError("Cannot create a product GUID");
        return opened;
    }();
    return provider;
}

}  // namespace

std::string NewProductGuid()
{
    // A clock seed repeats within one tick, and two products would then share one
    // Add/Remove Programs key: the digits come from the system's random source.
    BYTE random[32];
    if (!CryptGenRandom(RandomSource(), sizeof random, random))
        winlib::RaiseLastOSError("Cannot create a product GUID");
    static const char kDigits[] = "0123456789ABCDEF";
    static const int kGroups[] = {8, 4, 4, 4, 12};
    std::string guid = "{";
    size_t next = 0;
    for (int group : kGroups) {
        if (next != 0)
            guid += '-';
        for (int i = 0; i < group; ++i)
            guid += kDigits[random[next++] & 0x0F];
    }
    return guid + "}";
}
