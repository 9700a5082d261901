// Registry exports read into Registry rows: both file formats, every data form,
// what is skipped and listed, and the parse errors that add nothing.
#include <gtest/gtest.h>

#include <string>

#include "authoring/RegImport.h"
#include "winlib/IniFile.h"

namespace {

constexpr size_t kLimit = 32000;

std::string Row(const TRegImportRow& row)
{
    return row.Key + "|" + row.Name + "|" + row.Type + "|" + row.Data;
}

std::string Rows(const TRegImportResult& result)
{
    std::string text;
    for (const TRegImportRow& row : result.Rows)
        text += Row(row) + "\n";
    return text;
}

// A version 5 export: FF FE and UTF-16LE text.
std::string Unicode(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

}  // namespace

TEST(RegImport, Regedit4DwordsBecomeSignedDecimalRows)
{
    TRegImportResult result = ParseRegFile(
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"Size\"=dword:00000100\r\n\"All\"=dword:ffffffff\r\n",
        kLimit);
    ASSERT_EQ(result.Status, TRegImportResult::Parsed);
    EXPECT_EQ(Rows(result),
              "HKEY_CURRENT_USER\\Software\\A|Size|REG_DWORD|256\n"
              "HKEY_CURRENT_USER\\Software\\A|All|REG_DWORD|-1\n");
    EXPECT_TRUE(result.Skipped.empty());
    EXPECT_EQ(RegImportMessage(result), "");
}

TEST(RegImport, Version5ExportGivesExactRowsAndListsWhatTheSetupCannotWrite)
{
    std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n\r\n"
        L"[HKEY_CURRENT_USER\\Software\\RegImp]\r\n"
        L"@=\"default text\"\r\n"
        L"\"Str\"=\"C:\\\\Dir \\\"q\\\" x\"\r\n"
        L"\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
        L"\"Dw\"=dword:ffffffff\r\n"
        L"\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        L"  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f\r\n"
        L"\"a=b\"=\"c\"\r\n"
        L"\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
        L"\"Qw\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        L"\"Empty\"=\"\"\r\n"
        L"\"Four\"=hex(4):01,01,00,00\r\n";
    TRegImportResult result = ParseRegFile(Unicode(text), kLimit);
    ASSERT_EQ(result.Status, TRegImportResult::Parsed);
    const std::string key = "HKEY_CURRENT_USER\\Software\\RegImp";
    EXPECT_EQ(Rows(result), key + "||REG_SZ|default text\n" +                          //
                                key + "|Str|REG_SZ|C:\\Dir \"q\" x\n" +                  //
                                key + "|Exp|REG_EXPAND_SZ|%A%\n" +                       //
                                key + "|Dw|REG_DWORD|-1\n" +                             //
                                key + "|Bin|REG_BINARY|00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,"
                                      "15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f\n" +
                                key + "|a=b|REG_SZ|c\n" +                                //
                                key + "|Empty|REG_SZ|\n" +                               //
                                key + "|Four|REG_DWORD|257\n");
    ASSERT_EQ(result.Skipped.size(), 2u);
    EXPECT_EQ(RegImportMessage(result),
              "8 registry value(s) imported.\r\n2 entries were not imported:\r\nLine 11: unsupported type\r\n"
              "Line 12: unsupported type");
}

TEST(RegImport, FilesOfNeitherFormatAreRefused)
{
    const std::pair<std::string, TRegImportResult::TStatus> cases[] = {
        {"", TRegImportResult::NoLines},
        {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A]\r\n", TRegImportResult::BadVersion},
        {"\xEF\xBB\xBFREGEDIT4\r\n", TRegImportResult::BadVersion},
        {"regedit4\r\n", TRegImportResult::BadVersion},
    };
    for (const auto& [bytes, status] : cases) {
        TRegImportResult result = ParseRegFile(bytes, kLimit);
        EXPECT_EQ(result.Status, status) << bytes;
        EXPECT_TRUE(result.Rows.empty());
    }
    EXPECT_EQ(RegImportMessage(ParseRegFile("", kLimit)), "Invalid registry file.");
    EXPECT_EQ(RegImportMessage(ParseRegFile("REGEDIT5\n", kLimit)), "Invalid registry version.");
}

TEST(RegImport, ParseErrorsNameTheirLineAndAddNothing)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\"A\"=dword:zz", "bad dword"},
        {"\"A\"=dword:123456789", "bad dword"},
        {"\"A\"=\"open", "unterminated quote"},
        {"\"A\"=\"a\\tb\"", "bad escape"},
        {"\"A\"=hex:0g", "bad hex pair"},
        {"\"A\"=hex:01,\\", "continuation at end of file"},
        {"\"A\"=hex:01,\\\r\n\r\n", "continuation at end of file"},
        {"\"A\"=hex:01,\\\r\n\r\n\"B\"=\"1\"", "continuation into a blank line"},
        {"junk", "unknown line"},
        {"[HKEY_CURRENT_USER\\B] x", "text after ']'"},
    };
    for (const auto& [line, expected] : cases) {
        std::string file = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"Ok\"=\"1\"\r\n" + line + "\r\n";
        TRegImportResult result = ParseRegFile(file, kLimit);
        ASSERT_EQ(result.Status, TRegImportResult::ParseError) << line;
        EXPECT_TRUE(result.Rows.empty());
        EXPECT_EQ(RegImportMessage(result), "Invalid registry file.\r\n\r\nLine 4: " + expected) << line;
    }
    TRegImportResult early = ParseRegFile("REGEDIT4\r\n\"A\"=\"1\"\r\n", kLimit);
    EXPECT_EQ(RegImportMessage(early), "Invalid registry file.\r\n\r\nLine 2: value before any key");
}

TEST(RegImport, EntriesTheSetupCannotCarryAreSkippedWithTheirReasons)
{
    std::string binary(3000 * 3, ',');
    for (size_t i = 0; i < 3000; ++i)
        binary.replace(i * 3, 2, "ab");
    binary.pop_back();
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n"
                        L"[HKEY_CURRENT_USER\\Software\\S]\r\n"
                        L"\"Cjk\"=\"\x6F22\x5B57\"\r\n"                 // line 3
                        L"\"Star\"=\"a*?b\"\r\n"                          // 4
                        L"\"Break\"=\"a\\nb\"\r\n"                        // 5
                        L"\"Nul\"=hex(1):41,00,00,00,42,00,00,00\r\n"     // 6
                        L"\"Gone\"=-\r\n"                                 // 7
                        L"[-HKEY_CURRENT_USER\\Software\\Old]\r\n"        // 8
                        L"\"Under\"=\"x\"\r\n"                            // 9
                        L"[HKEY_CURRENT_CONFIG\\X]\r\n"                   // 10
                        L"\"Root\"=\"x\"\r\n"                             // 11
                        L"[HKEY_CURRENT_USER\\Software\\S]\r\n"           // 12
                        L"\"Big\"=hex:" +
                        std::wstring(binary.begin(), binary.end()) + L"\r\n";  // 13
    TRegImportResult result = ParseRegFile(Unicode(text), 4000);
    ASSERT_EQ(result.Status, TRegImportResult::Parsed);
    EXPECT_TRUE(result.Rows.empty()) << Rows(result);
    std::string listed;
    for (const TRegImportNote& note : result.Skipped)
        listed += std::to_string(note.Line) + ":" + note.Reason + "\n";
    EXPECT_EQ(listed,
              "3:not in the ANSI code page\n4:contains \"*?\"\n5:line break or NUL\n6:line break or NUL\n"
              "7:value deletion\n8:key deletion\n9:under a deleted key\n11:unsupported root\n13:too long\n");
    EXPECT_EQ(ParseRegFile(Unicode(text), 32000).Rows.size(), 1u);  // the binary fits the real limit
}

// The project stores a row as Key*?Name*?Type*?Data*?Yes*?Yes, one value of the
// project file: a row whose record would pass the value limit is left out.
TEST(RegImport, ARecordAsLongAsTheProjectLimitIsImportedAndOneMoreIsTooLong)
{
    const std::string key = "HKEY_CURRENT_USER\\K", name = "N", type = "REG_SZ";
    const size_t fixed = key.size() + name.size() + type.size() + 2 * 3 + 5 * 2;
    for (size_t record : {winlib::TIniFile::MaxValueLength, winlib::TIniFile::MaxValueLength + 1}) {
        std::string file =
            "REGEDIT4\r\n[" + key + "]\r\n\"" + name + "\"=\"" + std::string(record - fixed, 'x') + "\"\r\n";
        TRegImportResult result = ParseRegFile(file, winlib::TIniFile::MaxValueLength);
        bool fits = record <= winlib::TIniFile::MaxValueLength;
        EXPECT_EQ(result.Rows.size(), fits ? 1u : 0u) << record;
        EXPECT_EQ(result.Skipped.size(), fits ? 0u : 1u) << record;
        if (!fits && !result.Skipped.empty())
            EXPECT_EQ(result.Skipped[0].Reason, "too long");
    }
}

TEST(RegImport, MoreThanTenSkipsAreCutWithDots)
{
    std::string file = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n";
    for (int i = 0; i < 12; ++i)
        file += "\"V" + std::to_string(i) + "\"=-\r\n";
    std::string message = RegImportMessage(ParseRegFile(file, kLimit));
    EXPECT_NE(message.find("12 entries were not imported:\r\nLine 3: value deletion"), std::string::npos);
    EXPECT_NE(message.find("Line 12: value deletion\r\n..."), std::string::npos);
    EXPECT_EQ(message.find("Line 13:"), std::string::npos);
}
