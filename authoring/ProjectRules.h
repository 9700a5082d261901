// The project file's pure rules: format version, list records with their
// migrations and field counts, the legacy SQL Server Express index, the data-folder
// size and the product GUID. No windows here, so each rule is testable alone.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The format version this program writes, and what a file without one counts as.
constexpr const char* kProjectVersion = "5.4";
constexpr const char* kProjectVersionMissing = "3.x";
constexpr const char* kFieldSeparator = "*?";
constexpr const char* kFilesSeparator = "?";

// The major version of a Version text: its first character as a digit, 4 when it
// is empty or not a digit ("10.0" is therefore 1).
int ProjectMajorVersion(const std::string& version);
// Files before 5.3 stored the prerequisites' search criteria with the opposite meaning.
bool InvertsSearchCriteria(const std::string& version);
std::string InvertSearchCriteria(const std::string& criteria);

// SQL Server Express: the index older versions read from the item index of
// ComboSQLE (-1: not written), and the item an older file's index selects (-1: none).
int SqleLegacyIndexOfItem(int item);
int SqleItemOfLegacyIndex(long long legacy);

// The list sections after [Files], in the order they are written.
struct TListSection {
    const char* Name;   // "Prerequisites", ...
    size_t Fields;      // the list's columns
};
const std::vector<TListSection>& ListSections();

// One record of a "*?" list section as the reader takes it: the section's
// migration applied, then its field count judged. False: the record is skipped.
bool ReadListRecord(const std::string& section, const std::string& value, bool invertCriteria,
                    std::vector<std::string>& fields);
// One [Files] record ("?"-separated): the first four fields of four or more.
bool ReadFilesRecord(const std::string& value, std::vector<std::string>& fields);

// The stored data-folder size: a decimal; a negative one is an older file's 32-bit
// wrap and gets 2^32 added; anything else is 0.
std::uint64_t ReadFolderSize(const std::string& text);

// A new product GUID, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with random
// upper-case hexadecimal digits. Throws EOSError when the system has no random source.
std::string NewProductGuid();
