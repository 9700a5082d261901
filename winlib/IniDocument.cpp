#include "winlib/IniDocument.h"

#include <algorithm>
#include <utility>

#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace winlib {

namespace {

TIniSaveFault& SaveFault()
{
    static TIniSaveFault fault;
    return fault;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// One pair of the same outer quote is removed, as the platform's reader does.
std::string Unquote(const std::string& value)
{
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// A name the reader gets back exactly: no line break, no outer blanks, and for a key
// no "=" and no leading "[" (that line would start a section).
bool ReadableName(const std::string& name, bool isKey)
{
    if (name.empty() || HasLineBreak(name) || TrimBlanks(name) != name)
        return false;
    return isKey ? name.find('=') == std::string::npos && name.front() != '['
                 : name.find(']') == std::string::npos;
}

DWORD InjectedFault(const char* step)
{
    const TIniSaveFault& fault = SaveFault();
    return fault ? fault(step) : 0;
}

// Runs one step of a save: the injected fault when one is set (the call is then not
// made), else the call's result.
template <class Call>
bool Step(const char* step, Call call)
{
    if (DWORD injected = InjectedFault(step); injected != 0) {
        SetLastError(injected);
        return false;
    }
    return call();
}

bool WriteAll(HANDLE file, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, chunk, &written, nullptr))
            return false;
        if (written != chunk) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

void SetIniSaveFault(TIniSaveFault fault) { SaveFault() = std::move(fault); }

void TIniDocument::Parse(const std::string& text)
{
    preamble_.clear();
    sections_.clear();
    sectionIndex_.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        TLine line;
        line.Raw = text.substr(pos, end - pos);
        if (!line.Raw.empty() && line.Raw.back() == '\r')
            line.Raw.pop_back();
        pos = end + 1;

        std::string trimmed = TrimBlanks(line.Raw);
        if (!trimmed.empty() && trimmed.front() == '[') {
            size_t close = trimmed.find(']');
            TSection section;
            section.Name = TrimBlanks(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            section.Lines.push_back(std::move(line));
            sectionIndex_.emplace(UpperCase(section.Name), sections_.size());
            sections_.push_back(std::move(section));
            continue;
        }
        size_t equals = line.Raw.find('=');
        if (equals != std::string::npos) {
            line.IsKey = true;
            line.Key = TrimBlanks(line.Raw.substr(0, equals));
            line.Value = Unquote(TrimBlanks(line.Raw.substr(equals + 1)));
        }
        if (sections_.empty()) {
            preamble_.push_back(std::move(line));
        } else {
            TSection& section = sections_.back();
            section.Lines.push_back(std::move(line));
            IndexLine(section, section.Lines.size() - 1);
        }
    }
}

void TIniDocument::LoadFromFile(const std::string& fileName)
{
    std::string path = ExpandFileName(fileName);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        RaiseLastOSError("Cannot open " + path);
    std::string text;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok && static_cast<unsigned long long>(size.QuadPart) > text.max_size() / 2) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        ok = false;
    }
    if (ok) {
        text.resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (ok && done < text.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 20));
            DWORD read = 0;
            ok = ReadFile(file, text.data() + done, chunk, &read, nullptr) != FALSE;
            if (ok && read == 0)
                break;  // the file shrank while being read: what is there is the text
            done += read;
        }
        text.resize(done);
    }
    DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok)
        throw EOSError(error, "Cannot read " + path);
    Parse(text);
}

void TIniDocument::IndexLine(TSection& section, size_t line)
{
    const TLine& entry = section.Lines[line];
    if (entry.IsKey)
        section.Index.emplace(UpperCase(entry.Key), line);  // the first of a name stays
}

void TIniDocument::Reindex(TSection& section)
{
    section.Index.clear();
    for (size_t i = 0; i < section.Lines.size(); ++i)
        IndexLine(section, i);
}

const TIniDocument::TSection* TIniDocument::Find(const std::string& section) const
{
    auto it = sectionIndex_.find(UpperCase(TrimBlanks(section)));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TIniDocument::TSection* TIniDocument::Find(const std::string& section)
{
    return const_cast<TSection*>(std::as_const(*this).Find(section));
}

bool TIniDocument::SectionExists(const std::string& section) const { return Find(section) != nullptr; }

bool TIniDocument::ValueExists(const std::string& section, const std::string& key) const
{
    const TSection* found = Find(section);
    return found != nullptr && found->Index.count(UpperCase(TrimBlanks(key))) != 0;
}

std::string TIniDocument::ReadString(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const
{
    const TSection* found = Find(section);
    if (found == nullptr)
        return defaultValue;
    auto it = found->Index.find(UpperCase(TrimBlanks(key)));
    return it == found->Index.end() ? defaultValue : found->Lines[it->second].Value;
}

std::vector<std::string> TIniDocument::ReadSection(const std::string& section) const
{
    std::vector<std::string> keys;
    if (const TSection* found = Find(section))
        for (const TLine& line : found->Lines)
            if (line.IsKey)
                keys.push_back(line.Key);
    return keys;
}

size_t TIniDocument::KeyCount(const std::string& section) const
{
    size_t count = 0;
    if (const TSection* found = Find(section))
        for (const TLine& line : found->Lines)
            count += line.IsKey ? 1 : 0;
    return count;
}

void TIniDocument::WriteString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName)
{
    if (HasLineBreak(value) || !ReadableName(section, false) || !ReadableName(key, true))
        throw EIniError("Unable to write to " + fileName + "\r\n\r\n[" + section + "] " + key);
    TLine line;
    line.IsKey = true;
    line.Key = key;
    line.Value = value;
    line.Raw = key + "=" + QuoteIniValue(value);

    TSection* target = Find(section);
    if (target == nullptr) {
        TSection added;
        added.Name = section;
        added.Lines.push_back(TLine{"[" + section + "]", false, {}, {}});
        sectionIndex_.emplace(UpperCase(section), sections_.size());
        sections_.push_back(std::move(added));
        target = &sections_.back();
    }
    if (auto it = target->Index.find(UpperCase(key)); it != target->Index.end()) {
        target->Lines[it->second] = std::move(line);
        return;
    }
    size_t after = 0;  // the header, or the section's last key (looked for from the end: records are appended)
    for (size_t i = target->Lines.size(); i-- > 1;)
        if (target->Lines[i].IsKey) {
            after = i;
            break;
        }
    target->Lines.insert(target->Lines.begin() + static_cast<std::ptrdiff_t>(after + 1), std::move(line));
    if (after + 2 == target->Lines.size())
        IndexLine(*target, after + 1);
    else
        Reindex(*target);
}

std::string TIniDocument::Text() const
{
    size_t size = 0;
    for (const TLine& line : preamble_)
        size += line.Raw.size() + 2;
    for (const TSection& section : sections_)
        for (const TLine& line : section.Lines)
            size += line.Raw.size() + 2;
    std::string text;
    text.reserve(size);
    auto put = [&text](const TLine& line) {
        text += line.Raw;
        text += "\r\n";
    };
    for (const TLine& line : preamble_)
        put(line);
    for (const TSection& section : sections_)
        for (const TLine& line : section.Lines)
            put(line);
    return text;
}

void TIniDocument::SaveToFile(const std::string& fileName, const char* tempPrefix) const
{
    std::string path = ExpandFileName(fileName);
    std::string text = Text();
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!Step("create", [&] {
            file = CreateUniqueFile(ExtractFileDir(path), tempPrefix, temp);
            return file != INVALID_HANDLE_VALUE;
        }))
        RaiseLastOSError("Unable to write to " + path);
    bool ok = Step("write", [&] { return WriteAll(file, text); }) &&
              Step("flush", [&] { return FlushFileBuffers(file) != FALSE; });
    DWORD error = GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (ok) {
        ok = Step("move", [&] {
            return MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        });
        error = GetLastError();
    }
    if (!ok) {
        if (!temp.empty())
            DeleteFileA(temp.c_str());  // best effort: the error below is what the caller needs
        throw EOSError(error != 0 ? error : ERROR_GEN_FAILURE, "Unable to write to " + path);
    }
}

}  // namespace winlib
