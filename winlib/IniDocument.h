// A whole INI file held in memory: parsed once, read and edited there, saved in one
// atomic step. For files that must round-trip exactly and be written as a unit
// (the project file); TIniFile stays the class for everything else.
//
// Reading follows the platform's profile functions: section and key names are
// trimmed and match without regard to case, and the first of a name wins; a line
// "key=value" splits at its first "=", both sides trimmed and one pair of matching
// outer quotes (" or ') removed from the value; a line without "=" is no key.
// There are no length limits, and bytes are kept as they are.
//
// Writing keeps every line it does not change. A value is stored with QuoteIniValue,
// so the platform's own reader also gets it back unchanged; a value holding CR or
// LF, and a key that could not be read back as written, are refused.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "winlib/IniFile.h"

namespace winlib {

class TIniDocument {
public:
    TIniDocument() = default;
    explicit TIniDocument(const std::string& text) { Parse(text); }

    // Replaces the content with the parsed text.
    void Parse(const std::string& text);
    // Reads the whole file. Throws EOSError (with the file name) when it cannot.
    void LoadFromFile(const std::string& fileName);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Key names of the first section of that name, in file order, duplicates included.
    std::vector<std::string> ReadSection(const std::string& section) const;
    size_t KeyCount(const std::string& section) const;

    // Sets the first key of that name, or adds it after the section's last key (the
    // section goes to the end of the text when it is new). fileName only names the
    // file in a refusal: EIniError "Unable to write to <file>\r\n\r\n[section] key".
    void WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& fileName = std::string());

    // The whole text, CR LF line ends.
    std::string Text() const;
    // Writes Text() to a temporary file in the target's folder (named tempPrefix +
    // four hexadecimal digits + ".tmp"), flushes it and moves it over the target. On
    // any failure the temporary file is deleted, the target is left as it was, and
    // EOSError "Unable to write to <file>" with the OS error follows.
    void SaveToFile(const std::string& fileName, const char* tempPrefix = "kin") const;

private:
    struct TLine {
        std::string Raw;  // as read, or as written by WriteString
        bool IsKey = false;
        std::string Key, Value;
    };
    struct TSection {
        std::string Name;  // trimmed
        std::vector<TLine> Lines;  // the header first
        std::unordered_map<std::string, size_t> Index;  // upper-cased key -> first line
    };
    const TSection* Find(const std::string& section) const;
    TSection* Find(const std::string& section);
    static void IndexLine(TSection& section, size_t line);
    void Reindex(TSection& section);

    std::vector<TLine> preamble_;  // lines before the first section
    std::vector<TSection> sections_;
    std::unordered_map<std::string, size_t> sectionIndex_;  // upper-cased name -> first section
};

// Test seam for SaveToFile: while set, it is asked before each step ("create",
// "write", "flush", "move") and a non-zero answer fails that step with that OS error.
using TIniSaveFault = std::function<DWORD(const std::string& step)>;
void SetIniSaveFault(TIniSaveFault fault);

}  // namespace winlib
