// The uninstall log's text form: what a record written by the runtime reads back
// as in the uninstaller, and how records are numbered.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "cabinet/UninstallLogFormat.h"
#include "winlib/Path.h"

using namespace uninstlog;

namespace {

class LogFormat : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = winlib::GetTempDir() + "\\uninstlog_format_" + std::to_string(GetCurrentProcessId()) + ".ini";
        DeleteFileA(path_.c_str());
    }
    void TearDown() override { DeleteFileA(path_.c_str()); }
    std::string path_;
};

TEST_F(LogFormat, ValuesRoundTripThroughTheFileAsReadersSeeThem)
{
    struct Case {
        const char* name;
        std::string value;
        std::string readBack;
    } cases[] = {
        {"crlf", "line1\r\nline2", "line1\r\nline2"},
        {"lone breaks", "a\nb\rc", "a\r\nb\r\nc"},
        {"literal mark", "x<#>y", "x\r\ny"},
        {"outer blanks", "  padded\t", "  padded\t"},
        {"double quotes", "\"quoted\"", "\"quoted\""},
        {"one leading quote", "\"half", "\"half"},
        {"single quotes", "'single'", "'single'"},
        {"record", "C:\\T1\\a b.dll*?x*?\"y\"", "C:\\T1\\a b.dll*?x*?\"y\""},
        {"long", std::string(5000, 'q') + "\r\n" + std::string(5000, 'r'), ""},
    };
    cases[8].readBack = cases[8].value;
    TUninstallLogWriter writer(path_);
    for (size_t i = 0; i < std::size(cases); ++i)
        writer.WriteString("Files", std::to_string(i), cases[i].value);
    writer.Save();

    TUninstallLogReader log = TUninstallLogReader::FromFile(path_);
    std::vector<std::string> records = log.Records("files");
    ASSERT_EQ(records.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(records[i], cases[i].readBack) << cases[i].name;
        // The platform's own reader (the stored form stays on one line, quotes stripped once).
        std::string buffer(20000, '\0');
        DWORD got = GetPrivateProfileStringA("Files", std::to_string(i).c_str(), "", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path_.c_str());
        EXPECT_EQ(DecodeLineBreaks(buffer.substr(0, got)), cases[i].readBack) << cases[i].name << " via profile API";
    }
}

TEST_F(LogFormat, ValueOverLimitIsRefusedAndNothingWritten)
{
    TUninstallLogWriter writer(path_);
    EXPECT_TRUE(ValueFits(std::string(32000, 'x')));
    EXPECT_FALSE(ValueFits(std::string(33000, 'x')));
    EXPECT_THROW(writer.WriteString("Files", "0", std::string(33000, 'x')), ELogError);
    EXPECT_FALSE(winlib::FileExists(path_));
}

TEST_F(LogFormat, NextRecordFollowsHighestKeyAndNothingIsOverwritten)
{
    TUninstallLogWriter writer(path_);
    for (const char* key : {"0", "1", "5"})
        writer.WriteString("Folders", key, std::string("old") + key);
    EXPECT_EQ(writer.AppendRecord("Folders", "new"), 6u);
    EXPECT_EQ(writer.Read().Records("Folders"), (std::vector<std::string>{"old0", "old1", "old5", "new"}));
}

TEST_F(LogFormat, FourThousandRecordsAllReadBackInOrder)
{
    TUninstallLogWriter writer(path_);
    for (int i = 0; i < 4000; ++i)
        writer.WriteString("Files", std::to_string(i), "f" + std::to_string(i));
    EXPECT_EQ(writer.AppendRecord("Files", "last"), 4000u);
    std::vector<std::string> records = writer.Read().Records("Files");
    ASSERT_EQ(records.size(), 4001u);
    for (int i = 0; i < 4000; ++i)
        ASSERT_EQ(records[i], "f" + std::to_string(i));
    EXPECT_EQ(records[4000], "last");
}

TEST_F(LogFormat, AddOnceIgnoresCaseAndNumbersAfterExistingKeys)
{
    TUninstallLogWriter writer(path_);
    for (const char* key : {"0", "1", "2"})
        writer.WriteString("ActiveX", key, std::string("c:\\app\\A") + key + ".DLL");
    EXPECT_FALSE(writer.AddOnce("ActiveX", "C:\\App\\a1.dll"));
    EXPECT_TRUE(writer.AddOnce("ActiveX", "C:\\App\\b.dll"));
    TUninstallLogReader log = writer.Read();
    EXPECT_EQ(log.Records("ActiveX").size(), 4u);
    EXPECT_EQ(log.Value("ActiveX", "3", ""), "C:\\App\\b.dll");
}

TEST(LogReader, ReadsGapsDuplicatesRepeatedSectionsAndNamedKeysFromText)
{
    TUninstallLogReader log = TUninstallLogReader::FromText(
        "\xEF\xBB\xBF[General]\r\nAppName = \" Demo \"\r\nx64=1\r\n"
        "[Files]\n10=ten\n2=two\n2=two again\nname=not a record\n"
        "[Other]\n0=x\n[FILES]\n1=one\n");
    EXPECT_EQ(log.Value("general", "appname", "?"), " Demo ");
    EXPECT_TRUE(log.BoolValue("General", "x64", false));
    EXPECT_EQ(log.Value("General", "Missing", "dflt"), "dflt");
    EXPECT_EQ(log.Records("Files"), (std::vector<std::string>{"one", "two", "two again", "ten"}));
    EXPECT_EQ(log.NextKey("Files"), 11u);
    EXPECT_EQ(log.NextKey("Nowhere"), 0u);
}

// The uninstaller writes these values back into HKEY_CLASSES_ROOT: only the four
// an association overwrites, with a type it can restore, are taken.
TEST(LogRecords, AssociationValuesAreOnlyTheFourDefaultsAnAssociationWrites)
{
    const struct {
        const char* Record;
        bool Accepted;
    } cases[] = {
        {"HKEY_CLASSES_ROOT\\.txt*?txtfile*?REG_SZ*?oldfile", true},
        {"HKEY_CLASSES_ROOT\\txtfile*?KzT text*?ABSENT*?", true},
        {"hkey_classes_root\\TXTFILE\\defaulticon*?a.exe,0*?REG_EXPAND_SZ*?%SystemRoot%\\x.dll,-102", true},
        {"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command*?\"a.exe\" \"%1\"*?REG_EXPAND_SZ*?n.exe %1", true},
        {"HKEY_CLASSES_ROOT\\txtfile*?*?REG_SZ*?", true},
        {"HKEY_CLASSES_ROOT\\CLSID*?x*?REG_SZ*?y", false},
        {"HKEY_CLASSES_ROOT\\txtfile\\shell\\edit\\command*?x*?REG_SZ*?y", false},
        {"HKEY_CLASSES_ROOT\\.txt\\ShellNew*?x*?REG_SZ*?y", false},
        {"HKEY_CLASSES_ROOT\\.*?x*?REG_SZ*?y", false},
        {"HKEY_CLASSES_ROOT\\file*?x*?REG_SZ*?y", false},
        {"HKEY_CLASSES_ROOT\\..\\txtfile*?x*?REG_SZ*?y", false},
        {"HKEY_CLASSES_ROOT\\txtfile\\\\DefaultIcon*?x*?REG_SZ*?y", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\txtfile*?x*?REG_SZ*?y", false},
        {"HKEY_CLASSES_ROOT\\txtfile*?x*?REG_DWORD*?1", false},
        {"HKEY_CLASSES_ROOT\\txtfile*?x*?ABSENT*?y", false},
        {"HKEY_CLASSES_ROOT\\txtfile*?x*?REG_SZ", false},
        {"HKEY_CLASSES_ROOT\\txtfile*?x*?REG_SZ*?y*?z", false},
    };
    for (const auto& c : cases) {
        TAssociationValue value;
        EXPECT_EQ(ParseAssociationValue(c.Record, value), c.Accepted) << c.Record;
    }
    TAssociationValue value{"txtfile\\shell\\open\\command", "\"a.exe\" \"%1\"", "REG_EXPAND_SZ", "n.exe %1"};
    TAssociationValue back;
    ASSERT_TRUE(ParseAssociationValue(FormatAssociationValue(value), back));
    EXPECT_EQ(back.Key, value.Key);
    EXPECT_EQ(back.Written, value.Written);
    EXPECT_EQ(back.TypeBefore, value.TypeBefore);
    EXPECT_EQ(back.DataBefore, value.DataBefore);
}

}  // namespace
