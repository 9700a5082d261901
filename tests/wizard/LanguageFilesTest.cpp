// The shipped language files hold exactly the keys the runtime reads, in both
// languages, with subjects and placeholders only where the runtime supplies them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "runtime/Language.h"

namespace {

const std::string Folder = LANGUAGES_DIR;

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

std::string Value(const std::string& path, const std::string& section, const std::string& key)
{
    char buffer[4096] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, path.c_str());
    return buffer;
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Keys that receive one subject through "%s".
bool TakesSubject(const std::string& section, const std::string& key)
{
    static const std::set<std::string> messages = {"3",  "6",  "7",  "8",  "9",  "10", "11", "12", "13", "14",
                                                   "15", "16", "17", "18", "19", "20", "21", "22", "23", "24",
                                                   "25", "26", "27", "29", "30"};
    if (section == "Messages")
        return messages.count(key) > 0;
    return (section == "DestinationFolder" && (key == "5" || key == "6" || key == "7")) ||
           (section == "ShortcutsFolder" && key == "6");
}

// "<Name>" or "<%VAR%>"; "<#>" is a line break and "< &Back" plain text.
bool HasPlaceholder(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '<' && (std::isalpha(static_cast<unsigned char>(text[i + 1])) || text[i + 1] == '%'))
            return true;
    return false;
}

bool Expanded(const TLngKey& key)
{
    TLngKind kind = LanguageTable[key.Row].Kind;
    return kind == TLngKind::Expanded || kind == TLngKind::FormatExpanded;
}

class ShippedLanguage : public ::testing::TestWithParam<const char*> {
protected:
    std::string Path() const { return Folder + "\\" + GetParam() + ".lng"; }
};

TEST_P(ShippedLanguage, HoldsEveryTableKeyAndNoOther)
{
    std::set<std::string> expected;
    for (TLngKey key : AllLanguageKeys()) {
        std::string section = LanguageSection(key), name = LanguageKeyName(key);
        expected.insert(section + "/" + name);
        EXPECT_FALSE(Value(Path(), section, name).empty()) << section << " " << name;
    }
    EXPECT_EQ(expected.size(), 116u);
    // Every line of the file, as written: sections, keys, duplicates.
    std::string bytes = ReadBytes(Path()), section;
    std::set<std::string> seen, sections;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "last line without CR LF";
        std::string line = bytes.substr(start, end - start);
        start = end + 2;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            section = line.substr(1, line.size() - 2);
            EXPECT_TRUE(sections.insert(section).second) << "repeated section " << section;
            continue;
        }
        std::string key = line.substr(0, line.find('='));
        EXPECT_TRUE(expected.count(section + "/" + key)) << "unread key " << section << " " << key;
        EXPECT_TRUE(seen.insert(section + "/" + key).second) << "duplicate " << section << " " << key;
        std::string value = line.substr(line.find('=') + 1);
        EXPECT_FALSE(value.front() == ' ' || value.back() == ' ') << section << " " << key;
        EXPECT_FALSE(value.size() > 1 && value.front() == '"' && value.back() == '"') << section << " " << key;
    }
    EXPECT_EQ(seen.size(), 116u);
    EXPECT_EQ(sections.size(), 17u);
}

TEST_P(ShippedLanguage, SubjectsPercentsAndPlaceholdersOnlyWhereTheRuntimeTakesThem)
{
    for (TLngKey key : AllLanguageKeys()) {
        std::string section = LanguageSection(key), name = LanguageKeyName(key);
        std::string text = Value(Path(), section, name);
        SCOPED_TRACE(section + " " + name + ": " + text);
        EXPECT_EQ(Count(text, "%s"), TakesSubject(section, name) ? 1u : 0u);
        EXPECT_EQ(Count(text, "%"), Count(text, "%s") + 2 * Count(text, "%%"));
        if (!Expanded(key)) {
            EXPECT_FALSE(HasPlaceholder(text));
        }
        if (section == "Uninstall" || section == "Updater") {
            EXPECT_EQ(text.find("<#>"), std::string::npos);
        }
        if (section == "Buttons" && name != "2") {  // Cancel answers to Esc
            EXPECT_NE(text.find('&'), std::string::npos);
        }
    }
}

TEST_P(ShippedLanguage, IsPlainCp1252WithCrLf)
{
    std::string bytes = ReadBytes(Path());
    ASSERT_FALSE(bytes.empty());
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(Count(bytes, "\n"), Count(bytes, "\r\n"));
    for (unsigned char c : bytes)
        EXPECT_FALSE(c == 0xC3 || c == 0xC2) << "a UTF-8 lead byte";
}

// The updater's texts by their numbers: only 3 (download it?) and 7 (install it
// now?) ask, and 6 is the one about the connection.
TEST_P(ShippedLanguage, UpdaterTextsFollowTheirNumbers)
{
    for (int key = 0; key <= 8; ++key) {
        std::string text = Value(Path(), "Updater", std::to_string(key));
        EXPECT_EQ(text.find('?') != std::string::npos, key == 3 || key == 7) << key << ": " << text;
    }
    EXPECT_NE(Value(Path(), "Updater", "6").find("Internet"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Both, ShippedLanguage, ::testing::Values("English", "Deutsch"));

TEST(ShippedLanguages, CarryTheirWindowsLanguageIdsAndGermanLetters)
{
    EXPECT_EQ(Value(Folder + "\\English.lng", "Info", "id"), "1033");
    EXPECT_EQ(Value(Folder + "\\English.lng", "Info", "lng"), "en");
    std::string german = Folder + "\\Deutsch.lng";
    EXPECT_EQ(Value(german, "Info", "id"), "1031");
    EXPECT_EQ(Value(german, "Info", "lng"), "de");
    EXPECT_EQ(Value(german, "Buttons", "0"), "< &Zur\xFC" "ck");
    std::string bytes = ReadBytes(german);
    for (const char* letter : {"\xE4", "\xF6", "\xFC", "\xDF"})
        EXPECT_NE(bytes.find(letter), std::string::npos) << "no " << letter;
}

}  // namespace
