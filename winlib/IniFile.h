// An INI file through the platform's profile-string API, always on a full path
// (a bare name would land in the Windows folder).
//
// Reads return whole values and whole key lists, however long. Writes refuse
// what the API cannot hand back unchanged: CR or LF, and values over 32,000
// characters (the platform silently drops values of 32,767 and more). A value
// that begins or ends with a blank or tab, or is wrapped in a pair of the same
// quote, is written inside one extra pair of '"', which the read strips again.
#pragma once
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace winlib {

class TIniDocument;

class TIniFile {
public:
    static constexpr size_t MaxValueLength = 32000;

    explicit TIniFile(const std::string& fileName);  // made absolute here

    const std::string& FileName() const { return fileName_; }

    // For a file nothing else changes while this object lives (a setup's own script
    // and language file): the file is read once and its values are answered from
    // memory, by the rules of the platform's reader (TIniDocument). Under Wine
    // every profile call opens the file again to see whether it changed. A file
    // the platform would read differently (one with a byte-order mark, which it
    // converts, or a NUL byte) or could not be read is asked of the platform once
    // per answer instead, and the answer remembered exactly as it was given. Key
    // lists are always the platform's, remembered. Writes through this object
    // forget what was remembered, and its values are asked of the platform from
    // then on.
    void KeepAnswers() { keepAnswers_ = true; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // A trimmed signed 32-bit decimal; anything else ("12abc", "3000000000", "") gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // "1"/"0" as written; any other integer is true when not 0; not an integer gives the default.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Throw EIniError (refusals) or EOSError (the platform failed), naming file, section and key.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // The value exactly as given, without the quoting rule: for INI files that
    // other programs read (a setup's [INI] values), where "x" must stay "x".
    void WriteStringAsGiven(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);  // "1"/"0"

    std::vector<std::string> ReadSection(const std::string& section) const;  // key names in file order
    std::vector<std::string> ReadSections() const;                            // section names in file order
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);

    // Writes the platform's cached copy to disk. Needed before the file is packed
    // or copied; the call reports FALSE by design, so there is nothing to check.
    void UpdateFile();
    void Flush() { UpdateFile(); }  // the same, under the name packing code uses

private:
    void Write(const std::string& section, const std::string& key, const std::string& value, bool quote);
    bool Existing(const std::string& section, const std::string& key, std::string& value) const;
    std::vector<std::string> List(const char* section) const;
    void Forget() const;
    const TIniDocument* Document() const;

    std::string fileName_;
    bool keepAnswers_ = false;
    mutable std::map<std::string, std::pair<bool, std::string>> answers_;  // section NUL key -> found, value
    mutable std::map<std::string, std::vector<std::string>> lists_;         // section's keys ("\x01": the sections)
    mutable std::shared_ptr<const TIniDocument> document_;  // the kept file as read, when it could be
    mutable bool documentRead_ = false;                     // whether it was tried (or a write ended it)
};

// A value or key the INI file cannot hold.
class EIniError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The quoting rule of every writer in the project, exposed for callers that build
// INI text themselves: the value as it must be written so that it reads back unchanged.
std::string QuoteIniValue(const std::string& value);

}  // namespace winlib
