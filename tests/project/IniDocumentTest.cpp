// The in-memory INI document: what it reads, what it writes, and that a failed save
// destroys nothing. The platform's own profile reader is the oracle where it can be.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "winlib/IniDocument.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

using winlib::TIniDocument;

namespace {

std::string Numbered(char letter, size_t number)
{
    std::string text(1, letter);
    text += std::to_string(number);
    return text;
}

class IniDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = winlib::GetTempDir() + "\\kin_inidoc_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        winlib::DeleteTree(dir_);
        winlib::ForceDirectories(dir_);
        path_ = dir_ + "\\test.ini";
    }
    void TearDown() override
    {
        winlib::SetIniSaveFault(nullptr);
        winlib::DeleteTree(dir_);
    }
    std::string ReadBytes(const std::string& path)
    {
        TIniDocument doc;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return "<missing>";
        std::string bytes(GetFileSize(h, nullptr), '\0');
        DWORD read = 0;
        ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(h);
        return bytes;
    }
    void WriteBytes(const std::string& path, const std::string& bytes)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
    std::vector<std::string> FilesInDir()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((dir_ + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            std::string name = data.cFileName;
            if (name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return names;
    }
    std::string dir_, path_;
};

TEST_F(IniDocumentTest, TrickyValuesRoundTripHereAndThroughTheProfileReader)
{
    const std::vector<std::string> values = {
        " lead", "trail ", "\ttab\t", "\"both\"", "'single'", "\"", "'", "\"\"", "a=b=c", "\"open", "mixed'\"",
        "", std::string(3000, 'x'), std::string(40000, 'y'), "\x01\x7f\xe4\xff bytes",
    };
    TIniDocument doc;
    for (size_t i = 0; i < values.size(); ++i)
        doc.WriteString("S", Numbered('k', i), values[i], path_);
    for (int i = 0; i < 5000; ++i)
        doc.WriteString("Many", std::to_string(i), Numbered('v', i), path_);
    doc.SaveToFile(path_);

    TIniDocument back;
    back.LoadFromFile(path_);
    EXPECT_EQ(back.KeyCount("Many"), 5000u);
    EXPECT_EQ(back.ReadString("Many", "4999", ""), "v4999");
    for (size_t i = 0; i < values.size(); ++i) {
        std::string key = "k" + std::to_string(i);
        EXPECT_EQ(back.ReadString("S", key, "<none>"), values[i]) << key;
        if (values[i].size() >= 32000)
            continue;  // the platform drops values of 32,767 characters and more
        std::string oracle(33000, '\0');
        DWORD n = GetPrivateProfileStringA("S", key.c_str(), "<none>", oracle.data(), 33000, path_.c_str());
        EXPECT_EQ(oracle.substr(0, n), values[i]) << key;
    }
}

TEST_F(IniDocumentTest, ReadsLikeTheProfileFunctions)
{
    TIniDocument doc(
        "orphan=before any section\r\n"
        "  [ Alpha ]  \r\n"
        "  Key  =  'quoted value'  \r\n"
        "key=second value of a duplicate\r\n"
        "no equals sign here\n"
        "Empty=\r\n"
        "[ALPHA]\r\n"
        "Hidden=in the repeated section\r\n"
        "[Beta]\r\n"
        "x= \"keeps 'inner' quotes\" \r\n");
    EXPECT_EQ(doc.ReadString("alpha", "KEY", ""), "quoted value");
    EXPECT_EQ(doc.KeyCount("Alpha"), 3u);  // the duplicate counts, the line without "=" does not
    EXPECT_EQ(doc.ReadSection("Alpha"), (std::vector<std::string>{"Key", "key", "Empty"}));
    EXPECT_TRUE(doc.ValueExists("Alpha", "Empty"));
    EXPECT_FALSE(doc.ValueExists("Alpha", "Hidden"));  // a repeated section is invisible
    EXPECT_FALSE(doc.ValueExists("Alpha", "orphan"));
    EXPECT_EQ(doc.ReadString("beta", "x", ""), "keeps 'inner' quotes");
    EXPECT_EQ(doc.ReadString("Gamma", "x", "default"), "default");
}

TEST_F(IniDocumentTest, WritingIntoParsedTextChangesOnlyThatKey)
{
    TIniDocument doc("; comment\r\n[Setup]\r\nVersion=5.4\r\nnot a key\r\nAppName=A\r\n\r\n[Files]\r\n0=a?b?c?d\r\n");
    doc.WriteString("Setup", "GUID", "{G}");
    doc.WriteString("setup", "appname", "B");
    EXPECT_EQ(doc.Text(),
              "; comment\r\n[Setup]\r\nVersion=5.4\r\nnot a key\r\nappname=B\r\nGUID={G}\r\n\r\n[Files]\r\n0=a?b?c?d\r\n");
}

TEST_F(IniDocumentTest, RefusesLineBreaksAndUnreadableNamesNamingFileSectionAndKey)
{
    TIniDocument doc;
    for (const char* value : {"a\r\nb", "a\nb", "a\rb"}) {
        try {
            doc.WriteString("Sec", "Key", value, "C:\\p.zpf");
            FAIL() << "accepted a line break";
        } catch (const winlib::EIniError& error) {
            EXPECT_STREQ(error.what(), "Unable to write to C:\\p.zpf\r\n\r\n[Sec] Key");
        }
    }
    EXPECT_THROW(doc.WriteString("Sec", "a=b", "v"), winlib::EIniError);
    EXPECT_THROW(doc.WriteString("Sec", " pad", "v"), winlib::EIniError);
    EXPECT_THROW(doc.WriteString("S]", "k", "v"), winlib::EIniError);
    EXPECT_EQ(doc.Text(), "");
}

TEST_F(IniDocumentTest, RelativeNamesResolveAgainstTheCurrentFolderNotWindows)
{
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
    TIniDocument doc;
    doc.WriteString("S", "k", "v");
    doc.SaveToFile("relative.ini");
    TIniDocument back;
    back.LoadFromFile("relative.ini");
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(back.ReadString("S", "k", ""), "v");
    EXPECT_TRUE(winlib::FileExists(dir_ + "\\relative.ini"));
}

TEST_F(IniDocumentTest, MissingLockedAndBinaryFiles)
{
    TIniDocument doc;
    EXPECT_THROW(doc.LoadFromFile(dir_ + "\\missing.ini"), winlib::EOSError);

    WriteBytes(path_, "[S]\r\nk=v\r\n");
    HANDLE lock = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    try {
        doc.LoadFromFile(path_);
        ADD_FAILURE() << "read a file held without sharing";
    } catch (const winlib::EOSError& error) {
        EXPECT_EQ(error.Code(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_NE(std::string(error.what()).find(path_), std::string::npos);
    }
    CloseHandle(lock);

    const char bytes[] = "MZ\x90\0\x03\0[S\0]\r\nk=\0v\xff\r\n";
    const std::string binary(bytes, sizeof bytes - 1);
    WriteBytes(path_, binary);
    doc.LoadFromFile(path_);
    EXPECT_FALSE(doc.SectionExists("Setup"));
    EXPECT_EQ(doc.Text(), binary);
}

TEST_F(IniDocumentTest, FailedSaveLeavesTheOldFileAndNoTemporaryFile)
{
    const std::string old = "[Old]\r\nkeep=this\r\n";
    TIniDocument doc;
    doc.WriteString("New", "k", "v");
    for (const char* failing : {"create", "write", "flush", "move"}) {
        WriteBytes(path_, old);
        winlib::SetIniSaveFault([failing](const std::string& step) -> DWORD {
            return step == failing ? ERROR_DISK_FULL : 0;
        });
        try {
            doc.SaveToFile(path_);
            ADD_FAILURE() << "no error at " << failing;
        } catch (const winlib::EOSError& error) {
            EXPECT_EQ(error.Code(), static_cast<DWORD>(ERROR_DISK_FULL)) << failing;
            EXPECT_EQ(std::string(error.what()).rfind("Unable to write to " + path_, 0), 0u) << error.what();
        }
        EXPECT_EQ(ReadBytes(path_), old) << failing;
        EXPECT_EQ(FilesInDir(), std::vector<std::string>{"test.ini"}) << failing;
    }
    winlib::SetIniSaveFault(nullptr);
    // A folder where the file should be: the move fails for real.
    winlib::ForceDirectories(dir_ + "\\folder.ini");
    EXPECT_THROW(doc.SaveToFile(dir_ + "\\folder.ini"), winlib::EOSError);
    EXPECT_EQ(FilesInDir().size(), 2u);
}

}  // namespace
