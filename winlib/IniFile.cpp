#include "winlib/IniFile.h"

#include <windows.h>

#include <climits>

#include "winlib/IniDocument.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace winlib {

namespace {

// The profile API reports a cut-off answer by filling the buffer: size - 1 for one
// value, size - 2 for a double-NUL list. Start small and double until it fits.
constexpr DWORD InitialBufferSize = 1024;
constexpr DWORD MaxBufferSize = 64u * 1024 * 1024;

std::string ReadProfile(const char* section, const char* key, const char* defaultValue, const std::string& file)
{
    const DWORD cutMargin = (section == nullptr || key == nullptr) ? 2 : 1;
    std::string buffer;
    for (DWORD size = InitialBufferSize;; size *= 2) {
        buffer.assign(size, '\0');
        DWORD length = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, file.c_str());
        if (length < size - cutMargin) {
            buffer.resize(length);
            return buffer;
        }
        if (size >= MaxBufferSize)
            throw EIniError("Cannot read \"" + file + "\": an entry or list is larger than " +
                            std::to_string(MaxBufferSize) + " bytes");
    }
}

std::vector<std::string> SplitNullList(const std::string& list)
{
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t end = list.find('\0', pos);
        if (end == std::string::npos)
            end = list.size();
        if (end > pos)
            names.push_back(list.substr(pos, end - pos));
        pos = end + 1;
    }
    return names;
}

// A stored value cannot hold control characters the file format would break on,
// so a value equal to both of these markers means the key is absent.
const char MissingMarkerA[] = "\x01winlib:absent\x01";
const char MissingMarkerB[] = "\x02winlib:absent\x02";

bool ReadExisting(const std::string& file, const std::string& section, const std::string& key, std::string& value)
{
    value = ReadProfile(section.c_str(), key.c_str(), MissingMarkerA, file);
    if (value != MissingMarkerA)
        return true;
    value = ReadProfile(section.c_str(), key.c_str(), MissingMarkerB, file);
    return value != MissingMarkerB;
}

// A trimmed signed 32-bit decimal: optional sign, at least one digit, nothing else.
bool ParseInteger(const std::string& raw, int& result)
{
    long long value = 0;
    if (!ParseDecimal(Trim(raw), INT_MIN, INT_MAX, value))
        return false;
    result = static_cast<int>(value);
    return true;
}

std::string Where(const std::string& file, const std::string& section, const std::string& key)
{
    return "[" + section + "] " + key + " in \"" + file + "\"";
}

void CheckName(const std::string& file, const std::string& section, const std::string& key, const std::string& name,
               const char* what)
{
    if (name.empty())
        throw EIniError("Cannot write " + Where(file, section, key) + ": the " + what + " name is empty");
    if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw EIniError("Cannot write " + Where(file, section, key) + ": the " + what +
                        " name holds a line break or a NUL character");
}

}  // namespace

std::string QuoteIniValue(const std::string& value)
{
    if (value.empty())
        return value;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    bool padded = blank(value.front()) || blank(value.back());
    bool quoted = value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'');
    return padded || quoted ? '"' + value + '"' : value;
}

TIniFile::TIniFile(const std::string& fileName) : fileName_(ExpandFileName(fileName))
{
}

// The kept file in memory, when the platform's reader would see the same bytes:
// not for text it converts (a byte-order mark) or cuts (a NUL), nor for a file
// that cannot be read now. Tried once; a write through this object ends it.
const TIniDocument* TIniFile::Document() const
{
    if (documentRead_)
        return document_.get();
    documentRead_ = true;
    std::string text;
    try {
        text = ReadWholeFile(fileName_);
    } catch (const EOSError&) {
        return nullptr;
    }
    static const char* const marks[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    for (const char* mark : marks)
        if (text.compare(0, std::char_traits<char>::length(mark), mark) == 0)
            return nullptr;
    if (text.find('\0') != std::string::npos)
        return nullptr;
    document_ = std::make_shared<const TIniDocument>(text);
    return document_.get();
}

bool TIniFile::Existing(const std::string& section, const std::string& key, std::string& value) const
{
    if (!keepAnswers_)
        return ReadExisting(fileName_, section, key, value);
    if (const TIniDocument* document = Document()) {
        if (!document->ValueExists(section, key))
            return false;
        value = document->ReadString(section, key, std::string());
        return true;
    }
    std::string id = section + '\0' + key;
    auto known = answers_.find(id);
    if (known == answers_.end()) {
        std::pair<bool, std::string> answer;
        answer.first = ReadExisting(fileName_, section, key, answer.second);
        known = answers_.emplace(id, std::move(answer)).first;
    }
    value = known->second.second;
    return known->second.first;
}

std::vector<std::string> TIniFile::List(const char* section) const
{
    if (!keepAnswers_)
        return SplitNullList(ReadProfile(section, nullptr, "", fileName_));
    std::string id = section ? section : "\x01";
    auto known = lists_.find(id);
    if (known == lists_.end())
        known = lists_.emplace(id, SplitNullList(ReadProfile(section, nullptr, "", fileName_))).first;
    return known->second;
}

void TIniFile::Forget() const
{
    answers_.clear();
    lists_.clear();
    document_.reset();
    documentRead_ = true;  // written through the platform: its cache may be ahead of the file
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const
{
    std::string value;
    return Existing(section, key, value) ? value : defaultValue;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const
{
    std::string text;
    int value = 0;
    if (Existing(section, key, text) && ParseInteger(text, value))
        return value;
    return defaultValue;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    std::string text;
    int value = 0;
    if (Existing(section, key, text) && ParseInteger(text, value))
        return value != 0;
    return defaultValue;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    Write(section, key, value, true);
}

void TIniFile::WriteStringAsGiven(const std::string& section, const std::string& key, const std::string& value)
{
    Write(section, key, value, false);
}

void TIniFile::Write(const std::string& section, const std::string& key, const std::string& value, bool quote)
{
    CheckName(fileName_, section, key, section, "section");
    CheckName(fileName_, section, key, key, "key");
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw EIniError("Cannot write " + Where(fileName_, section, key) +
                        ": the value holds a line break or a NUL character");
    if (value.size() > MaxValueLength)
        throw EIniError("Cannot write " + Where(fileName_, section, key) + ": the value has " +
                        std::to_string(value.size()) + " characters, more than " + std::to_string(MaxValueLength));
    // The profile writer stores the text as it is, quotes included.
    std::string stored = quote ? QuoteIniValue(value) : value;
    Forget();
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), stored.c_str(), fileName_.c_str()))
        RaiseLastOSError("Cannot write " + Where(fileName_, section, key));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const { return List(section.c_str()); }

std::vector<std::string> TIniFile::ReadSections() const { return List(nullptr); }

bool TIniFile::SectionExists(const std::string& section) const
{
    // Listed sections include those without keys; names compare without case, as the API does.
    for (const std::string& name : ReadSections())
        if (SameText(name, section))
            return true;
    return false;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const
{
    std::string value;
    return Existing(section, key, value);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key)
{
    Forget();
    if (WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, fileName_.c_str()))
        return;
    // No file means no key: nothing was left undone.
    if (!FileExists(fileName_))
        return;
    RaiseLastOSError("Cannot delete " + Where(fileName_, section, key));
}

void TIniFile::EraseSection(const std::string& section)
{
    Forget();
    if (WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str()))
        return;
    if (!FileExists(fileName_))
        return;
    RaiseLastOSError("Cannot erase section [" + section + "] in \"" + fileName_ + "\"");
}

void TIniFile::UpdateFile()
{
    // Writes the cached copy out. The call answers FALSE by design, so its result says nothing.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str());
}

}  // namespace winlib
