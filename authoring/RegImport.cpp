#include "authoring/RegImport.h"

#include <windows.h>

#include <cctype>
#include <cstdint>

namespace {

constexpr const char* kVersion4 = "REGEDIT4";
constexpr const char* kVersion5 = "Windows Registry Editor Version 5.00";
constexpr size_t kListedSkips = 10;

// A parse error: the whole import stops and nothing is added.
struct EParse {
    std::string Reason;
    int Line = 0;  // 0: the entry being read
};

struct TLine {
    std::string Text;
    bool Lost = false;  // a character had no ANSI mapping
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// UTF-16LE text to ANSI; lost is set when a character had no mapping.
std::string WideToAnsi(const std::wstring& wide, bool& lost)
{
    BOOL usedDefault = FALSE;
    if (wide.empty())
        return std::string();
    int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                       &usedDefault);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                          &usedDefault);
    lost = usedDefault != FALSE || length <= 0;
    return text;
}

std::wstring Utf16(const std::string& bytes, size_t from)
{
    std::wstring wide;
    for (size_t i = from; i + 1 < bytes.size(); i += 2)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return wide;
}

// The lines of a version 5 file, each converted on its own so that a character
// without a mapping costs only the entries on that line.
std::vector<TLine> Version5Lines(const std::string& bytes)
{
    std::wstring wide = Utf16(bytes, 2);
    std::vector<TLine> lines;
    std::wstring line;
    auto flush = [&] {
        TLine converted;
        converted.Text = WideToAnsi(line, converted.Lost);
        lines.push_back(converted);
        line.clear();
    };
    for (size_t i = 0; i < wide.size(); ++i) {
        wchar_t c = wide[i];
        if (c == L'\r' || c == L'\n') {
            flush();
            if (c == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        flush();
    return lines;
}

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// One logical entry: continued lines joined, with its first line's number.
struct TEntry {
    int Line = 0;
    std::string Text;
    bool Lost = false;
};

std::vector<TEntry> JoinLines(const std::vector<TLine>& lines)
{
    std::vector<TEntry> entries;
    for (size_t i = 1; i < lines.size(); ++i) {  // line 0 is the header
        TEntry entry{static_cast<int>(i) + 1, lines[i].Text, lines[i].Lost};
        while (!entry.Text.empty() && entry.Text.back() == '\\') {
            entry.Text = Trim(entry.Text.substr(0, entry.Text.size() - 1));
            if (i + 1 >= lines.size() || Trim(lines[i + 1].Text).empty()) {
                bool textFollows = false;
                for (size_t j = i + 1; j < lines.size() && !textFollows; ++j)
                    textFollows = !Trim(lines[j].Text).empty();
                throw EParse{textFollows ? "continuation into a blank line" : "continuation at end of file",
                             entry.Line};
            }
            ++i;
            entry.Text += Trim(lines[i].Text);  // a trailing backslash continues the loop
            entry.Lost = entry.Lost || lines[i].Lost;
        }
        entries.push_back(entry);
    }
    return entries;
}

// A quoted text starting at text[at] == '"': unescaped; at moves past the closing quote.
// skip is set for \n and \r (a line break the project cannot carry).
std::string Unquote(const std::string& text, size_t& at, bool& skip)
{
    std::string out;
    for (++at; at < text.size(); ++at) {
        char c = text[at];
        if (c == '"') {
            ++at;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++at >= text.size())
            break;
        switch (text[at]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': case 'r': skip = true; break;
        default: throw EParse{"bad escape"};
        }
    }
    throw EParse{"unterminated quote"};
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "01,02, ab" -> the pairs as written and their bytes.
std::vector<uint8_t> HexPairs(const std::string& text, std::string& written)
{
    std::vector<uint8_t> bytes;
    written.clear();
    std::string pairs;
    for (char c : text)
        if (c != ' ' && c != '\t')
            pairs += c;
    if (pairs.empty())
        return bytes;
    size_t from = 0;
    while (true) {
        size_t comma = pairs.find(',', from);
        std::string pair = pairs.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        if (pair.size() != 2 || HexDigit(pair[0]) < 0 || HexDigit(pair[1]) < 0)
            throw EParse{"bad hex pair"};
        bytes.push_back(static_cast<uint8_t>(HexDigit(pair[0]) * 16 + HexDigit(pair[1])));
        written += (written.empty() ? "" : ",") + pair;
        if (comma == std::string::npos)
            break;
        from = comma + 1;
        if (from == pairs.size())
            break;  // a trailing comma, as some editors write
    }
    return bytes;
}

std::string SignedDecimal(uint32_t value) { return std::to_string(static_cast<int32_t>(value)); }

struct TValue {
    std::string Type, Data;
    std::string Skip;  // a reason: the entry gives no row
};

TValue TextFromBytes(const std::vector<uint8_t>& bytes, bool unicode, const std::string& type)
{
    TValue value{type, "", ""};
    if (unicode) {
        if (bytes.size() % 2 != 0)
            throw EParse{"odd UTF-16 byte count"};
        std::wstring wide;
        for (size_t i = 0; i < bytes.size(); i += 2)
            wide += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (!wide.empty() && wide.back() == L'\0')
            wide.pop_back();
        bool lost = false;
        value.Data = WideToAnsi(wide, lost);
        if (lost)
            value.Skip = "not in the ANSI code page";
    } else {
        value.Data.assign(bytes.begin(), bytes.end());
        if (!value.Data.empty() && value.Data.back() == '\0')
            value.Data.pop_back();
    }
    if (value.Data.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        value.Skip = "line break or NUL";
    return value;
}

TValue ParseData(const std::string& data, bool unicode)
{
    if (data == "-")
        return {"", "", "value deletion"};
    if (!data.empty() && data[0] == '"') {
        size_t at = 0;
        bool skip = false;
        TValue value{"REG_SZ", Unquote(data, at, skip), ""};
        if (!Trim(data.substr(at)).empty())
            throw EParse{"unknown line"};
        if (skip)
            value.Skip = "line break or NUL";
        return value;
    }
    if (StartsWithNoCase(data, "dword:")) {
        std::string digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8)
            throw EParse{"bad dword"};
        uint32_t number = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0)
                throw EParse{"bad dword"};
            number = number * 16 + static_cast<uint32_t>(HexDigit(c));
        }
        return {"REG_DWORD", SignedDecimal(number), ""};
    }
    if (!StartsWithNoCase(data, "hex"))
        throw EParse{"unknown line"};
    size_t colon = data.find(':');
    if (colon == std::string::npos)
        throw EParse{"unknown line"};
    std::string kind = data.substr(0, colon);
    std::string written;
    std::vector<uint8_t> bytes = HexPairs(data.substr(colon + 1), written);
    std::string k;
    for (char c : kind)
        k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (k == "hex" || k == "hex(3)")
        return {"REG_BINARY", written, ""};
    if (k == "hex(1)")
        return TextFromBytes(bytes, unicode, "REG_SZ");
    if (k == "hex(2)")
        return TextFromBytes(bytes, unicode, "REG_EXPAND_SZ");
    if (k == "hex(4)") {
        if (bytes.size() != 4)
            throw EParse{"bad dword"};
        return {"REG_DWORD", SignedDecimal(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24)), ""};
    }
    if (k.size() > 5 && k.compare(0, 4, "hex(") == 0 && k.back() == ')')
        return {"", "", "unsupported type"};
    throw EParse{"unknown line"};
}

bool SupportedRoot(const std::string& key)
{
    static const char* const roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
    std::string root = key.substr(0, key.find('\\'));
    for (const char* known : roots)
        if (::lstrcmpiA(root.c_str(), known) == 0)
            return true;
    return false;
}

class TParser {
public:
    TParser(bool unicode, size_t limit, TRegImportResult& result) : unicode_(unicode), limit_(limit), result_(result) {}

    void Entry(const TEntry& entry)
    {
        std::string text = Trim(entry.Text);
        if (text.empty() || text[0] == ';')
            return;
        if (text[0] == '[')
            Key(text, entry);
        else
            Value(text, entry);
    }

private:
    void Key(const std::string& text, const TEntry& entry)
    {
        size_t close = text.rfind(']');
        if (close == std::string::npos)
            throw EParse{"unknown line"};
        if (!Trim(text.substr(close + 1)).empty())
            throw EParse{"text after ']'"};
        key_ = text.substr(1, close - 1);
        haveKey_ = true;
        deleted_ = !key_.empty() && key_[0] == '-';
        keyLost_ = entry.Lost;
        if (deleted_)
            Skip(entry, "key deletion");
    }

    void Value(const std::string& text, const TEntry& entry)
    {
        if (!haveKey_)
            throw EParse{"value before any key"};
        std::string name;
        size_t at = 0;
        bool skip = false;
        if (text[0] == '@') {
            at = 1;
        } else if (text[0] == '"') {
            name = Unquote(text, at, skip);
        } else {
            throw EParse{"unknown line"};
        }
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        if (at >= text.size() || text[at] != '=')
            throw EParse{"unknown line"};
        TValue value = ParseData(Trim(text.substr(at + 1)), unicode_);
        if (deleted_)
            return Skip(entry, "under a deleted key");
        if (!value.Skip.empty())
            return Skip(entry, value.Skip);
        if (skip)
            return Skip(entry, "line break or NUL");
        if (!SupportedRoot(key_))
            return Skip(entry, "unsupported root");
        if (entry.Lost || keyLost_)
            return Skip(entry, "not in the ANSI code page");
        if ((key_ + name + value.Data).find("*?") != std::string::npos)
            return Skip(entry, "contains \"*?\"");
        TRegImportRow row{key_, name, value.Type, value.Data};
        // The project's record: the four texts, the two "Yes" flags and five "*?" separators.
        size_t record = row.Key.size() + row.Name.size() + row.Type.size() + row.Data.size() + 2 * 3 + 5 * 2;
        if (record > limit_)
            return Skip(entry, "too long");
        result_.Rows.push_back(row);
    }

    void Skip(const TEntry& entry, const std::string& reason) { result_.Skipped.push_back({entry.Line, reason}); }

    bool unicode_;
    size_t limit_;
    TRegImportResult& result_;
    std::string key_;
    bool haveKey_ = false, deleted_ = false, keyLost_ = false;
};

}  // namespace

TRegImportResult ParseRegFile(const std::string& bytes, size_t recordLimit)
{
    TRegImportResult result;
    std::vector<std::string> plain = SplitLines(bytes);
    if (plain.empty()) {
        result.Status = TRegImportResult::NoLines;
        return result;
    }
    std::vector<TLine> lines;
    bool unicode = false;
    if (plain[0] == kVersion4) {
        for (const std::string& line : plain)
            lines.push_back({line, false});
    } else if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
        lines = Version5Lines(bytes);
        unicode = true;
    }
    if (lines.empty() || lines[0].Text != (unicode ? kVersion5 : kVersion4)) {
        result.Status = TRegImportResult::BadVersion;
        return result;
    }
    int line = 0;
    try {
        std::vector<TEntry> entries = JoinLines(lines);
        TParser parser(unicode, recordLimit, result);
        for (const TEntry& entry : entries) {
            line = entry.Line;
            parser.Entry(entry);
        }
    } catch (const EParse& error) {
        result = TRegImportResult{};
        result.Status = TRegImportResult::ParseError;
        result.Error = {error.Line != 0 ? error.Line : line, error.Reason};
    }
    return result;
}

std::string RegImportMessage(const TRegImportResult& result)
{
    switch (result.Status) {
    case TRegImportResult::NoLines: return "Invalid registry file.";
    case TRegImportResult::BadVersion: return "Invalid registry version.";
    case TRegImportResult::ParseError:
        return "Invalid registry file.\r\n\r\nLine " + std::to_string(result.Error.Line) + ": " + result.Error.Reason;
    case TRegImportResult::Parsed: break;
    }
    if (result.Skipped.empty())
        return std::string();
    std::string text = std::to_string(result.Rows.size()) + " registry value(s) imported.\r\n" +
                       std::to_string(result.Skipped.size()) + " entries were not imported:";
    for (size_t i = 0; i < result.Skipped.size() && i < kListedSkips; ++i)
        text += "\r\nLine " + std::to_string(result.Skipped[i].Line) + ": " + result.Skipped[i].Reason;
    if (result.Skipped.size() > kListedSkips)
        text += "\r\n...";
    return text;
}
