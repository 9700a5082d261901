#include "cabinet/UninstallLogFormat.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "winlib/IniFile.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace uninstlog {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string Where(const std::string& file, const std::string& section, const std::string& key)
{
    return "[" + section + "] " + key + " in \"" + file + "\"";
}

// UTF-16LE text (as a profile file may be stored) to the ANSI code page.
std::string WideToAnsi(const char* bytes, size_t size)
{
    int chars = static_cast<int>(size / 2);
    if (chars == 0)
        return std::string();
    std::wstring wide(chars, L'\0');
    memcpy(wide.data(), bytes, static_cast<size_t>(chars) * 2);
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, nullptr, 0, nullptr, nullptr);
    std::string text(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, text.data(), length, nullptr, nullptr);
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) {
            if (pos < text.size())
                lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

// Every line break (CR LF, CR or LF) as the line-break mark.
std::string MarkLineBreaks(const std::string& value)
{
    std::string marked;
    marked.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            marked += LineBreakMark;
        } else {
            marked += c;
        }
    }
    return marked;
}

}  // namespace

// ---- Values ------------------------------------------------------------------

std::string EncodeValue(const std::string& value)
{
    return winlib::QuoteIniValue(MarkLineBreaks(value));
}

std::string DecodeValue(const std::string& stored)
{
    std::string text = TrimBlanks(stored);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return DecodeLineBreaks(text);
}

std::string DecodeLineBreaks(const std::string& text)
{
    std::string value;
    value.reserve(text.size());
    const size_t markLength = sizeof(LineBreakMark) - 1;
    for (size_t pos = 0;;) {
        size_t mark = text.find(LineBreakMark, pos);
        if (mark == std::string::npos) {
            value.append(text, pos, std::string::npos);
            return value;
        }
        value.append(text, pos, mark - pos);
        value += "\r\n";
        pos = mark + markLength;
    }
}

bool ValueFits(const std::string& value)
{
    return value.find('\0') == std::string::npos && EncodeValue(value).size() <= MaxStoredLength;
}

bool ParseRecordKey(const std::string& key, unsigned long& number)
{
    std::string digits = TrimBlanks(key);
    if (digits.empty() || digits.size() > 9)  // up to 999,999,999: no overflow, far beyond any log
        return false;
    unsigned long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    number = value;
    return true;
}

// ---- Reading -----------------------------------------------------------------

TUninstallLogReader TUninstallLogReader::FromText(const std::string& raw)
{
    std::string text;
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF && static_cast<unsigned char>(raw[1]) == 0xFE)
        text = WideToAnsi(raw.data() + 2, raw.size() - 2);
    else if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = raw.substr(3);
    else
        text = raw;

    TUninstallLogReader log;
    TLogSectionData* current = nullptr;
    for (const std::string& rawLine : SplitLines(text)) {
        std::string line = TrimBlanks(rawLine);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            name = TrimBlanks(name);
            // A repeated section continues the first one, so no record is lost.
            auto same = [&name](const TLogSectionData& data) { return winlib::SameText(data.Name, name); };
            auto found = std::find_if(log.sections_.begin(), log.sections_.end(), same);
            if (found == log.sections_.end()) {
                log.sections_.push_back(TLogSectionData{name, {}});
                found = log.sections_.end() - 1;
            }
            current = &*found;
            continue;
        }
        if (current == nullptr)
            continue;  // lines before the first section belong to none
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        current->Entries.push_back(TLogEntry{TrimBlanks(line.substr(0, equals)), DecodeValue(line.substr(equals + 1))});
    }
    return log;
}

TUninstallLogReader TUninstallLogReader::FromFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        winlib::RaiseLastOSError("Cannot open the uninstall log \"" + path + "\"");
    std::string text;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
            DWORD code = GetLastError();
            CloseHandle(file);
            throw winlib::EOSError(code, "Cannot read the uninstall log \"" + path + "\"");
        }
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    CloseHandle(file);
    return FromText(text);
}

const TLogSectionData* TUninstallLogReader::Find(const std::string& section) const
{
    for (const TLogSectionData& data : sections_)
        if (winlib::SameText(data.Name, section))
            return &data;
    return nullptr;
}

bool TUninstallLogReader::HasSection(const std::string& section) const
{
    return Find(section) != nullptr;
}

std::string TUninstallLogReader::Value(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) const
{
    if (const TLogSectionData* data = Find(section))
        for (const TLogEntry& entry : data->Entries)
            if (winlib::SameText(entry.Key, key))
                return entry.Value;
    return defaultValue;
}

bool TUninstallLogReader::BoolValue(const std::string& section, const std::string& key, bool defaultValue) const
{
    std::string text = TrimBlanks(Value(section, key, std::string()));
    unsigned long number = 0;
    if (!ParseRecordKey(text, number))
        return defaultValue;
    return number != 0;
}

std::vector<std::string> TUninstallLogReader::Records(const std::string& section) const
{
    std::vector<std::pair<unsigned long, const std::string*>> numbered;
    if (const TLogSectionData* data = Find(section))
        for (const TLogEntry& entry : data->Entries) {
            unsigned long number = 0;
            if (ParseRecordKey(entry.Key, number))
                numbered.emplace_back(number, &entry.Value);
        }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> records;
    records.reserve(numbered.size());
    for (const auto& item : numbered)
        records.push_back(*item.second);
    return records;
}

unsigned long TUninstallLogReader::NextKey(const std::string& section) const
{
    unsigned long next = 0;
    if (const TLogSectionData* data = Find(section))
        for (const TLogEntry& entry : data->Entries) {
            unsigned long number = 0;
            if (ParseRecordKey(entry.Key, number) && number + 1 > next)
                next = number + 1;
        }
    return next;
}

bool TUninstallLogReader::HasRecord(const std::string& section, const std::string& value) const
{
    // Compared as a reader sees it, so a line break matches its stored mark.
    const std::string wanted = DecodeValue(EncodeValue(value));
    if (const TLogSectionData* data = Find(section))
        for (const TLogEntry& entry : data->Entries) {
            unsigned long number = 0;
            if (ParseRecordKey(entry.Key, number) && winlib::SameText(entry.Value, wanted))
                return true;
        }
    return false;
}

std::string RecordIdentity(const std::string& section, const std::string& value)
{
    std::string upper = winlib::UpperCase(DecodeValue(EncodeValue(value)));  // as a reader sees it
    if (winlib::SameText(section, SecEnvironment) && !upper.empty() && (upper[0] == 'W' || upper[0] == 'D')) {
        size_t separator = upper.find(FieldSeparator);  // "W<name>*?<before>", "D<name>"
        return "=" + upper.substr(1, separator == std::string::npos ? std::string::npos : separator - 1);
    }
    // A replaced association value and the desktop picture are one object each, named
    // by their first field; the fields after it hold what was there before, which a
    // later run must not replace with what the first run wrote.
    if (winlib::SameText(section, SecAssociationValues) || winlib::SameText(section, SecWallpaper))
        return upper.substr(0, upper.find(FieldSeparator));
    return upper;
}

bool IsHeaderSection(const std::string& section)
{
    return winlib::SameText(section, SecMessages) || winlib::SameText(section, SecUpdater) ||
           winlib::SameText(section, SecGeneral);
}

// ---- Writing -----------------------------------------------------------------

TUninstallLogWriter::TUninstallLogWriter(const std::string& path) : fileName_(winlib::ExpandFileName(path))
{
}

void TUninstallLogWriter::Load()
{
    if (winlib::FileExists(fileName_))
        LoadFrom(fileName_);
    else
        doc_ = winlib::TIniDocument();
}

void TUninstallLogWriter::LoadFrom(const std::string& path)
{
    winlib::TIniDocument loaded;
    loaded.LoadFromFile(path);
    doc_ = std::move(loaded);
    unsaved_ = !winlib::SameText(winlib::ExpandFileName(path), fileName_);
}

void TUninstallLogWriter::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    auto badName = [](const std::string& name) {
        return name.empty() || name.find_first_of(std::string("\r\n\0[]=", 6)) != std::string::npos;
    };
    if (badName(section) || badName(key))
        throw ELogError("Cannot write " + Where(fileName_, section, key) + ": not a valid section or key name");
    if (value.find('\0') != std::string::npos)
        throw ELogError("Cannot write " + Where(fileName_, section, key) + ": the value holds a NUL character");
    std::string marked = MarkLineBreaks(value);
    size_t storedLength = winlib::QuoteIniValue(marked).size();  // the document quotes it so
    if (storedLength > MaxStoredLength)
        throw ELogError("Cannot write " + Where(fileName_, section, key) + ": the value has " +
                        std::to_string(storedLength) + " characters, more than " +
                        std::to_string(MaxStoredLength));
    try {
        doc_.WriteString(section, key, marked, fileName_);
    } catch (const winlib::EIniError& e) {
        throw ELogError("Cannot write " + Where(fileName_, section, key) + ": " + e.what());
    }
    unsaved_ = true;
}

void TUninstallLogWriter::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

unsigned long TUninstallLogWriter::NextKey(const std::string& section) const
{
    unsigned long next = 0;
    for (const std::string& key : doc_.ReadSection(section)) {
        unsigned long number = 0;
        if (ParseRecordKey(key, number) && number + 1 > next)
            next = number + 1;
    }
    return next;
}

unsigned long TUninstallLogWriter::AppendRecord(const std::string& section, const std::string& value)
{
    unsigned long key = NextKey(section);
    WriteString(section, std::to_string(key), value);
    return key;
}

bool TUninstallLogWriter::AddOnce(const std::string& section, const std::string& value)
{
    // Compared as a reader sees it, so a line break matches its stored mark.
    const std::string wanted = DecodeValue(EncodeValue(value));
    for (const std::string& key : doc_.ReadSection(section)) {
        unsigned long number = 0;
        if (ParseRecordKey(key, number) && winlib::SameText(DecodeLineBreaks(doc_.ReadString(section, key, "")), wanted))
            return false;
    }
    WriteString(section, std::to_string(NextKey(section)), value);
    return true;
}

TUninstallLogReader TUninstallLogWriter::Read() const
{
    return TUninstallLogReader::FromText(doc_.Text());
}

void TUninstallLogWriter::Save()
{
    doc_.SaveToFile(fileName_, "qzn");
    unsaved_ = false;
}

// ---- [AssociationValues] ----------------------------------------------------------

namespace {

// Every field, empty ones included (a record's data may be empty or hold a line break).
std::vector<std::string> SplitAll(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + separator.size();
    }
}

}  // namespace

bool IsAssociationValueKey(const std::string& key)
{
    std::vector<std::string> parts = SplitAll(key, "\\");
    for (const std::string& part : parts)
        if (part.empty() || part == "." || part == "..")
            return false;
    const std::string& first = parts[0];
    if (first[0] == '.')
        return parts.size() == 1 && first.size() > 1;
    // The class the association names: the extension + "file".
    const std::string suffix = "file";
    if (first.size() <= suffix.size() || !winlib::SameText(first.substr(first.size() - suffix.size()), suffix))
        return false;
    if (parts.size() == 1)
        return true;
    std::string rest = key.substr(first.size() + 1);
    return winlib::SameText(rest, "DefaultIcon") || winlib::SameText(rest, "shell\\open\\command");
}

std::string FormatAssociationValue(const TAssociationValue& value)
{
    return std::string(AssocRoot) + "\\" + value.Key + FieldSeparator + value.Written + FieldSeparator +
           value.TypeBefore + FieldSeparator + value.DataBefore;
}

bool ParseAssociationValue(const std::string& record, TAssociationValue& value)
{
    std::vector<std::string> f = SplitAll(record, FieldSeparator);
    const std::string root = std::string(AssocRoot) + "\\";
    if (f.size() != 4 || f[0].size() <= root.size() || !winlib::SameText(f[0].substr(0, root.size()), root))
        return false;
    value.Key = f[0].substr(root.size());
    value.Written = f[1];
    value.TypeBefore = winlib::UpperCase(f[2]);
    value.DataBefore = f[3];
    if (value.TypeBefore == AssocAbsent)
        return value.DataBefore.empty() && IsAssociationValueKey(value.Key);
    return (value.TypeBefore == "REG_SZ" || value.TypeBefore == "REG_EXPAND_SZ") && IsAssociationValueKey(value.Key);
}

// ---- [Wallpaper] ------------------------------------------------------------------

std::string FormatWallpaperRecord(const TWallpaperRecord& record)
{
    return record.Picture + FieldSeparator + record.Wallpaper + FieldSeparator + record.Tile + FieldSeparator +
           record.Style;
}

bool ParseWallpaperRecord(const std::string& text, TWallpaperRecord& record)
{
    std::vector<std::string> f = SplitAll(text, FieldSeparator);
    if (f[0].empty() || (f.size() != 1 && f.size() != 4))
        return false;
    record.Picture = f[0];
    record.HasBefore = f.size() == 4;
    if (record.HasBefore) {
        record.Wallpaper = f[1];
        record.Tile = f[2];
        record.Style = f[3];
    }
    return true;
}

}  // namespace uninstlog
