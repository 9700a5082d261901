#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <stdexcept>

#include "TempName.h"
#include "winlib/IniFile.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

using winlib::EIniError;
using winlib::TIniFile;
using winlib_test::ReadWholeFile;
using winlib_test::UniqueTempName;
using winlib_test::WriteWholeFile;

namespace {

std::string KeyName(int n)
{
    return std::string("K").append(std::to_string(n));
}

class IniFileTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // The platform caches the file; write it out before deleting so nothing reappears.
        TIniFile(path_).UpdateFile();
        DeleteFileA(path_.c_str());
    }
    std::string path_ = UniqueTempName("ini", ".ini");
};

// Values the platform would trim or unquote on read come back exactly.
TEST_F(IniFileTest, ValuesWithBlanksQuotesOrNothingReadBackUnchanged)
{
    const std::string values[] = {
        " a ", "\"q\"", "'q'", "\"C:\\x y\\a.exe\" /a \"b\"", "", "\tx", "x\t", "a\"", "\"a", "'a\"", "\"\"", "plain",
    };
    TIniFile ini(path_);
    int n = 0;
    for (const std::string& value : values)
        ini.WriteString("S", KeyName(n++), value);
    TIniFile reread(path_);
    n = 0;
    for (const std::string& value : values)
        EXPECT_EQ(reread.ReadString("S", KeyName(n++), "<default>"), value);
}

TEST_F(IniFileTest, QuotedOnDiskOnlyWhatTheReadWouldAlter)
{
    TIniFile ini(path_);
    ini.WriteString("S", "Padded", " a ");
    ini.WriteString("S", "Command", "\"C:\\x y\\a.exe\" /a \"b\"");
    ini.WriteString("S", "Plain", "C:\\x y\\a.exe /a");
    ini.UpdateFile();
    std::string text = ReadWholeFile(path_);
    EXPECT_NE(text.find("Padded=\" a \""), std::string::npos) << text;
    EXPECT_NE(text.find("Command=\"\"C:\\x y\\a.exe\" /a \"b\"\""), std::string::npos) << text;
    EXPECT_NE(text.find("Plain=C:\\x y\\a.exe /a\r\n"), std::string::npos) << text;
}

TEST(QuoteIniValue, WrapsLeadingOrTrailingBlanksAndMatchingOuterQuotes)
{
    struct Case { const char* value; const char* stored; };
    const Case cases[] = {
        {"", ""},           {"a", "a"},           {" a", "\" a\""},     {"a\t", "\"a\t\""},
        {"\"q\"", "\"\"q\"\""}, {"'q'", "\"'q'\""}, {"\"\"", "\"\"\"\""}, {"\"", "\""},
        {"'a\"", "'a\""},   {"a \"b\"", "a \"b\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(winlib::QuoteIniValue(c.value), c.stored) << "value [" << c.value << "]";
}

TEST_F(IniFileTest, LongValueIsReadWhole)
{
    std::string value;
    for (int i = 0; i < 5000; ++i)
        value += static_cast<char>('a' + i % 26);
    TIniFile ini(path_);
    ini.WriteString("S", "Long", value);
    EXPECT_EQ(ini.ReadString("S", "Long", ""), value);
}

TEST_F(IniFileTest, ValueOfTheMaximumLengthIsWrittenAndReadWhole)
{
    std::string value(TIniFile::MaxValueLength, 'x');
    TIniFile ini(path_);
    ini.WriteString("S", "Max", value);
    EXPECT_EQ(ini.ReadString("S", "Max", ""), value);
}

TEST_F(IniFileTest, LargeSectionListsEveryKeyInFileOrder)
{
    // Descending names: the list must follow the file, not sort.
    std::string text = "[Other]\r\nX=1\r\n[Big]\r\n";
    std::vector<std::string> expected;
    for (int i = 2999; i >= 0; --i) {
        char key[32];
        std::snprintf(key, sizeof key, "Key%04d", i);
        expected.push_back(key);
        text += std::string(key) + "=v" + std::to_string(i) + "\r\n";
    }
    text += "[Last]\r\nY=2\r\n";
    WriteWholeFile(path_, text);

    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadSection("Big"), expected);
    EXPECT_EQ(ini.ReadString("Big", "Key0000", ""), "v0");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Other", "Big", "Last"}));
}

TEST_F(IniFileTest, ValueOverTheLimitIsRefusedAndNothingWritten)
{
    TIniFile ini(path_);
    std::string value(TIniFile::MaxValueLength + 1, 'x');
    try {
        ini.WriteString("Files", "0", value);
        FAIL() << "no refusal";
    } catch (const EIniError& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("[Files] 0"), std::string::npos) << message;
        EXPECT_NE(message.find(ini.FileName()), std::string::npos) << message;
    }
    EXPECT_FALSE(ini.ValueExists("Files", "0"));
}

TEST_F(IniFileTest, LineBreaksAreRefusedInValuesKeysAndSections)
{
    TIniFile ini(path_);
    EXPECT_THROW(ini.WriteString("S", "K", "a\rb"), EIniError);
    EXPECT_THROW(ini.WriteString("S", "K", "a\nb"), EIniError);
    EXPECT_THROW(ini.WriteString("S", "K", std::string("a\0b", 3)), EIniError);
    EXPECT_THROW(ini.WriteString("S", "K\n", "v"), EIniError);
    EXPECT_THROW(ini.WriteString("S\r\n[T]", "K", "v"), EIniError);
    EXPECT_FALSE(winlib::FileExists(ini.FileName()));
}

TEST_F(IniFileTest, IntegersAreWholeSigned32BitDecimalsOrTheDefault)
{
    struct Case { const char* text; int expected; };
    const Case cases[] = {
        {"12", 12},      {"-5", -5},          {"abc", 77},          {"12abc", 77},
        {"3000000000", 77}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", 77}, {"-2147483649", 77}, {"", 77},           {"-", 77},
        {"0x10", 77},     {"1 2", 77},         {"  42  ", 42},
    };
    std::string text = "[N]\r\n";
    int n = 0;
    for (const Case& c : cases)
        text += KeyName(n++) + "=" + c.text + "\r\n";
    WriteWholeFile(path_, text);
    TIniFile ini(path_);
    n = 0;
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadInteger("N", KeyName(n++), 77), c.expected) << "text [" << c.text << "]";
}

TEST_F(IniFileTest, IntegersAndBoolsRoundTrip)
{
    TIniFile ini(path_);
    ini.WriteInteger("S", "Neg", -2147483647 - 1);
    ini.WriteBool("S", "On", true);
    ini.WriteBool("S", "Off", false);
    EXPECT_EQ(ini.ReadInteger("S", "Neg", 0), -2147483647 - 1);
    EXPECT_EQ(ini.ReadString("S", "On", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "Off", ""), "0");
    EXPECT_TRUE(ini.ReadBool("S", "On", false));
    EXPECT_FALSE(ini.ReadBool("S", "Off", true));
}

TEST_F(IniFileTest, MissingValuesGiveTheDefaultsUnchanged)
{
    TIniFile missingFile(path_);
    EXPECT_EQ(missingFile.ReadString("S", "K", "  spaced \"default\" "), "  spaced \"default\" ");
    EXPECT_EQ(missingFile.ReadInteger("S", "K", -9), -9);
    EXPECT_TRUE(missingFile.ReadBool("S", "K", true));
    EXPECT_TRUE(missingFile.ReadSection("S").empty());
    EXPECT_TRUE(missingFile.ReadSections().empty());

    WriteWholeFile(path_, "[S]\r\nEmpty=\r\nWord=abc\r\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("S", "Empty", "dflt"), "");  // present but empty is not missing
    EXPECT_EQ(ini.ReadString("S", "Other", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("T", "Word", "dflt"), "dflt");
    EXPECT_FALSE(ini.ReadBool("S", "Word", false));
    EXPECT_TRUE(ini.ReadBool("S", "Word", true));
}

TEST_F(IniFileTest, ExistsDeleteAndEraseFollowTheFile)
{
    TIniFile ini(path_);
    ini.WriteString("A", "One", "1");
    ini.WriteString("A", "Two", "");
    ini.WriteString("B", "Three", "3");
    EXPECT_TRUE(ini.SectionExists("a"));
    EXPECT_FALSE(ini.SectionExists("C"));
    EXPECT_TRUE(ini.ValueExists("A", "Two"));
    EXPECT_FALSE(ini.ValueExists("A", "Three"));

    ini.DeleteKey("A", "One");
    EXPECT_EQ(ini.ReadSection("A"), std::vector<std::string>{"Two"});
    ini.EraseSection("A");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"B"});
    ini.UpdateFile();
    EXPECT_EQ(ReadWholeFile(path_).find("One"), std::string::npos);
}

TEST_F(IniFileTest, DeletingFromAMissingFileIsNotAnError)
{
    TIniFile ini(path_);
    EXPECT_NO_THROW(ini.DeleteKey("S", "K"));
    EXPECT_NO_THROW(ini.EraseSection("S"));
}

TEST_F(IniFileTest, WriteIntoAMissingFolderRaisesWithFileAndOsError)
{
    std::string file = UniqueTempName("nofolder") + "\\x.ini";
    TIniFile ini(file);
    try {
        ini.WriteString("S", "K", "v");
        FAIL() << "no error";
    } catch (const winlib::EOSError& e) {
        EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
        EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
}

// A bare or relative name would otherwise land in the Windows folder.
TEST_F(IniFileTest, RelativeNameIsMadeAbsoluteInTheCurrentFolder)
{
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(winlib::GetTempDir().c_str()));
    std::string bare = winlib::ExtractFileName(path_);
    {
        TIniFile ini(bare);
        EXPECT_EQ(ini.FileName(), path_);
        ini.WriteString("S", "K", "v");
        ini.UpdateFile();
    }
    SetCurrentDirectoryA(saved);
    EXPECT_TRUE(winlib::FileExists(path_));
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    EXPECT_FALSE(winlib::FileExists(std::string(windows) + "\\" + bare));
}

}  // namespace

namespace {

// What the platform's own reader answers for one key: found, and its value.
std::pair<bool, std::string> PlatformAnswer(const std::string& file, const std::string& section, const std::string& key)
{
    char buffer[512];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01-", buffer, sizeof buffer, file.c_str());
    std::string a = buffer;
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x02-", buffer, sizeof buffer, file.c_str());
    bool found = a != "\x01-" || std::string(buffer) != "\x02-";
    return {found, found ? a : std::string()};
}

}  // namespace

// A kept file is read once and answered from memory: every answer must be the
// platform's, whatever the file holds, and a file the platform converts (a
// byte-order mark) is still answered by the platform.
TEST_F(IniFileTest, AKeptFileAnswersEveryKeyAsThePlatformDoes)
{
    const std::string bodies[] = {
        "[Texts]\r\nPlain=Hello\r\n  Padded  =  two blanks  \r\nQuoted=\"in quotes\"\r\nSingle='single'\r\n"
        "Mixed=\"half'\r\nLone=\"\r\nEmpty=\r\nEquals=a=b\r\nNoValue\r\n;Note=comment\r\nTab=\tx\t\r\n"
        "Dup=first\r\nDup=second\r\nhigh=\xE4\xF6\xFC\x80\r\n[ Spaced ]\r\nIn=side\r\n[Texts]\r\nLater=second section\r\n"
        "[Last]\nUnix=line ends\nEnd=no final line end",
        "\xEF\xBB\xBF[Texts]\r\nPlain=\xC3\xA4 with a mark\r\n",
    };
    const std::pair<const char*, const char*> lookups[] = {
        {"Texts", "Plain"}, {"texts", "PLAIN"}, {"Texts", "Padded"}, {"Texts", " Padded "}, {"Texts", "Quoted"},
        {"Texts", "Single"}, {"Texts", "Mixed"}, {"Texts", "Lone"}, {"Texts", "Empty"}, {"Texts", "Equals"},
        {"Texts", "NoValue"}, {"Texts", ";Note"}, {"Texts", "Tab"}, {"Texts", "Dup"}, {"Texts", "high"},
        {"Texts", "Later"}, {"Texts", "Missing"}, {"Spaced", "In"}, {" Spaced ", "In"}, {"Last", "Unix"},
        {"Last", "End"}, {"Nowhere", "Plain"},
    };
    for (const std::string& body : bodies) {
        const std::string path = UniqueTempName("kept", ".ini");
        WriteWholeFile(path, body);
        TIniFile kept(path);
        kept.KeepAnswers();
        for (const auto& [section, key] : lookups) {
            auto [found, value] = PlatformAnswer(path, section, key);
            SCOPED_TRACE(std::string("[") + section + "] " + key);
            EXPECT_EQ(kept.ValueExists(section, key), found);
            EXPECT_EQ(kept.ReadString(section, key, "default"), found ? value : "default");
        }
        DeleteFileA(path.c_str());
    }
}
