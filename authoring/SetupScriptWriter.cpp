#include "authoring/SetupScriptWriter.h"

#include <windows.h>

#include <set>

#include "winlib/IniFile.h"
#include "winlib/OsError.h"
#include "winlib/StringList.h"

using namespace setupformat;

namespace {

std::string Where(const char* section, const std::string& key)
{
    std::string where = "[";  // built by appending: GCC 12 warns falsely on "[" + std::string
    where += section;
    where += "] key \"";
    where += key;
    where += '"';
    return where;
}

void CheckValue(const char* section, const std::string& key, const std::string& value)
{
    if (value.find_first_of("\r\n") != std::string::npos)
        throw ESetupScriptError(Where(section, key) + ": the value holds a line break");
    if (value.size() > winlib::TIniFile::MaxValueLength)
        throw ESetupScriptError(Where(section, key) + ": the value is " + std::to_string(value.size()) +
                                " characters long; at most " +
                                std::to_string(winlib::TIniFile::MaxValueLength) + " can be written");
}

// Joins a record's fields, naming section and key when a field would shift the others.
std::string JoinChecked(const TListSectionDef& def, size_t index, const std::vector<std::string>& fields)
{
    std::string key = std::to_string(index);
    if (fields.size() != static_cast<size_t>(def.FieldCount))
        throw ESetupScriptError(Where(def.Name, key) + ": " + std::to_string(fields.size()) +
                                " fields, the section needs " + std::to_string(def.FieldCount));
    std::string text;
    try {
        text = winlib::JoinRecord(fields, def.Separator);
    } catch (const std::invalid_argument& e) {
        throw ESetupScriptError(Where(def.Name, key) + " (separator \"" + def.Separator + "\"): " + e.what());
    }
    CheckValue(def.Name, key, text);
    return text;
}

void CheckSetupKeys(const TSetupScript& script)
{
    std::set<std::string> seen;
    for (const TSetupValue& entry : script.Setup) {
        const TSetupKeyDef* def = FindSetupKey(entry.Key);
        if (!def) throw ESetupScriptError(Where(SetupSection, entry.Key) + ": not a setup script key");
        if (def->Name == std::string(EngineSizeKey))
            throw ESetupScriptError(Where(SetupSection, entry.Key) +
                                    ": written by the package writer, after the list sections");
        if (!seen.insert(def->Name).second)
            throw ESetupScriptError(Where(SetupSection, entry.Key) + ": given twice");
        CheckValue(SetupSection, entry.Key, entry.Value);
    }
    const std::string* count = script.Find(FilesCountKey);
    if (count && *count != std::to_string(script.Files.size()))
        throw ESetupScriptError(Where(SetupSection, FilesCountKey) + ": " + *count + ", but [Files] has " +
                                std::to_string(script.Files.size()) + " slots");
    if (script.EngineSize < 0 || script.EngineSize >= static_cast<long long>(PackageSizeLimit))
        throw ESetupScriptError(Where(SetupSection, EngineSizeKey) + ": " + std::to_string(script.EngineSize) +
                                " is not a valid engine length");
}

}  // namespace

void TSetupScript::Set(const std::string& key, const std::string& value)
{
    for (TSetupValue& entry : Setup) {
        if (winlib::SameText(entry.Key, key)) {
            entry.Value = value;
            return;
        }
    }
    Setup.push_back({key, value});
}

void TSetupScript::SetInteger(const std::string& key, long long value) { Set(key, std::to_string(value)); }

void TSetupScript::SetBool(const std::string& key, bool value) { Set(key, value ? "1" : "0"); }

const std::string* TSetupScript::Find(const std::string& key) const
{
    for (const TSetupValue& entry : Setup)
        if (winlib::SameText(entry.Key, key)) return &entry.Value;
    return nullptr;
}

std::string FilesRecordText(const TFilesRecord& record, size_t slot)
{
    const TListSectionDef& def = ListSection(lsFiles);
    if (record.Length < 0 || record.Length >= static_cast<long long>(PackageSizeLimit))
        throw ESetupScriptError(Where(def.Name, std::to_string(slot)) + ": cabinet length " +
                                std::to_string(record.Length) + " is out of range");
    std::vector<std::string> fields = {record.Target, std::to_string(record.Length), record.Mode, record.Uninstall};
    if (!record.Crc)
        return JoinChecked(def, slot, fields);
    TListSectionDef withCrc = def;  // the trailing field the section's count leaves out
    withCrc.FieldCount = static_cast<int>(FilesCrcField) + 1;
    fields.push_back(FormatFileCrc(*record.Crc));
    return JoinChecked(withCrc, slot, fields);
}

void CheckSetupScript(const TSetupScript& script)
{
    CheckSetupKeys(script);
    for (const TListSectionDef& def : ListSections()) {
        if (def.Id == lsFiles) continue;
        const std::vector<TListRecord>& records = script.List(def.Id);
        for (size_t i = 0; i < records.size(); ++i) JoinChecked(def, i, records[i]);
    }
    for (size_t i = 0; i < script.Files.size(); ++i)
        if (script.Files[i]) FilesRecordText(*script.Files[i], i);
}

namespace {

// The profile functions append to what is there: start from an empty file.
void RemoveOldFile(const std::string& fileName)
{
    if (!DeleteFileA(fileName.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        winlib::RaiseLastOSError("Cannot replace \"" + fileName + "\"");
}

// One "key=value" line, the value quoted as the profile functions need to read it back.
void AppendLine(std::string& text, const char* section, const std::string& key, const std::string& value)
{
    if (value.find('\0') != std::string::npos)
        throw ESetupScriptError(Where(section, key) + ": the value holds a NUL character");
    text += key;
    text += '=';
    text += winlib::QuoteIniValue(value);
    text += "\r\n";
}

void AppendSection(std::string& text, const char* section)
{
    text += '[';
    text += section;
    text += "]\r\n";
}

// The whole script as the profile functions would write it key by key: sections in
// order, "key=value" lines, CR LF, no blank lines.
std::string ScriptText(const TSetupScript& script)
{
    std::string text;
    AppendSection(text, SetupSection);
    for (const TSetupValue& entry : script.Setup) AppendLine(text, SetupSection, entry.Key, entry.Value);
    // Measured last, written last: the runtime finds the first file cabinet here.
    AppendLine(text, SetupSection, EngineSizeKey, std::to_string(script.EngineSize));
    for (const TListSectionDef& def : ListSections()) {
        if (def.Id == lsFiles) continue;
        const std::vector<TListRecord>& records = script.List(def.Id);
        if (!records.empty()) AppendSection(text, def.Name);
        for (size_t i = 0; i < records.size(); ++i)
            AppendLine(text, def.Name, std::to_string(i), JoinChecked(def, i, records[i]));
    }
    const char* files = ListSection(lsFiles).Name;
    bool filesSection = false;
    for (size_t i = 0; i < script.Files.size(); ++i) {
        if (!script.Files[i]) continue;
        if (!filesSection) AppendSection(text, files);
        filesSection = true;
        AppendLine(text, files, std::to_string(i), FilesRecordText(*script.Files[i], i));
    }
    return text;
}

}  // namespace

// Composed in memory and written in one go: the profile functions rewrite the whole
// file for every key, which made a script of n files cost n squared.
void WriteSetupScript(const TSetupScript& script, const std::string& fileName)
{
    winlib::TIniFile ini(fileName);
    std::string text;
    try {
        CheckSetupScript(script);
        text = ScriptText(script);
    } catch (const ESetupScriptError& e) {
        throw ESetupScriptError("Cannot write \"" + ini.FileName() + "\": " + e.what());
    }
    RemoveOldFile(ini.FileName());
    HANDLE file = CreateFileA(ini.FileName().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) winlib::RaiseLastOSError("Cannot write \"" + ini.FileName() + "\"");
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    DWORD code = !ok ? GetLastError() : written != text.size() ? ERROR_WRITE_FAULT : 0;
    if (!CloseHandle(file) && code == 0) code = GetLastError();
    if (code != 0) {
        DeleteFileA(ini.FileName().c_str());  // a torn script must not be packed
        throw winlib::EOSError(code, "Cannot write \"" + ini.FileName() + "\"");
    }
}

void WriteUpdaterIni(const std::string& fileName, const std::string& appName, const std::string& appVersion,
                     const std::string& updateUrl)
{
    winlib::TIniFile ini(fileName);
    const TSetupValue keys[] = {{"AppName", appName}, {"AppVersion", appVersion}, {"UpdateURL", updateUrl}};
    try {
        for (const TSetupValue& key : keys) CheckValue(UpdaterSection, key.Key, key.Value);
    } catch (const ESetupScriptError& e) {
        throw ESetupScriptError("Cannot write \"" + ini.FileName() + "\": " + e.what());
    }
    RemoveOldFile(ini.FileName());
    for (const TSetupValue& key : keys) ini.WriteString(UpdaterSection, key.Key, key.Value);
}
