#include <gtest/gtest.h>

#include <windows.h>

#include "TempName.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"

using winlib_test::UniqueTempName;

namespace {

TEST(PathParts, NameFolderAndExtension)
{
    struct Case { const char* path; const char* name; const char* folder; const char* dir; const char* ext; };
    const Case cases[] = {
        {"C:\\a\\b.txt", "b.txt", "C:\\a\\", "C:\\a", ".txt"},
        {"C:\\b.tar.gz", "b.tar.gz", "C:\\", "C:\\", ".gz"},
        {"C:b", "b", "C:", "C:", ""},
        {"a/b", "b", "a/", "a", ""},
        {"dir.x\\name", "name", "dir.x\\", "dir.x", ""},
        {"name", "name", "", "", ""},
        {"\\x", "x", "\\", "\\", ""},
        {"C:\\a\\", "", "C:\\a\\", "C:\\a", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(winlib::ExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(winlib::ExtractFilePath(c.path), c.folder) << c.path;
        EXPECT_EQ(winlib::ExtractFileDir(c.path), c.dir) << c.path;
        EXPECT_EQ(winlib::ExtractFileExt(c.path), c.ext) << c.path;
    }
}

TEST(PathParts, TrailingBackslash)
{
    EXPECT_EQ(winlib::IncludeTrailingBackslash(""), "");
    EXPECT_EQ(winlib::IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(winlib::IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(winlib::ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(winlib::ExcludeTrailingBackslash("C:\\a"), "C:\\a");
}

TEST(Paths, RelativeNamesExpandAgainstTheCurrentFolder)
{
    char current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    EXPECT_EQ(winlib::ExpandFileName("x\\..\\y.txt"), winlib::IncludeTrailingBackslash(current) + "y.txt");
    EXPECT_EQ(winlib::ExpandFileName("C:\\a\\.\\b"), "C:\\a\\b");
}

TEST(Paths, TempFolderExistsWithoutTrailingBackslash)
{
    std::string temp = winlib::GetTempDir();
    ASSERT_FALSE(temp.empty());
    EXPECT_NE(temp.back(), '\\');
    EXPECT_TRUE(winlib::DirectoryExists(temp));
    EXPECT_FALSE(winlib::FileExists(temp));
}

class ForceDirectoriesTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* sub : {"\\a\\b\\c\\d", "\\a\\b\\c", "\\a\\b", "\\a\\file", "\\a", ""}) {
            std::string path = base_ + sub;
            if (!RemoveDirectoryA(path.c_str()))
                DeleteFileA(path.c_str());
        }
    }
    std::string base_ = UniqueTempName("dirs");
};

TEST_F(ForceDirectoriesTest, CreatesEveryMissingParentAndAcceptsATrailingBackslash)
{
    winlib::ForceDirectories(base_ + "\\a\\b\\c\\");
    EXPECT_TRUE(winlib::DirectoryExists(base_ + "\\a\\b\\c"));
    winlib::ForceDirectories(base_ + "\\a\\b\\c");  // already there: nothing to do
    winlib::ForceDirectories(base_ + "/a/b/c/d");
    EXPECT_TRUE(winlib::DirectoryExists(base_ + "\\a\\b\\c\\d"));
}

TEST_F(ForceDirectoriesTest, AFileInTheWayRaisesNamingTheFolder)
{
    winlib::ForceDirectories(base_ + "\\a");
    winlib_test::WriteWholeFile(base_ + "\\a\\file", "x");
    EXPECT_EQ(winlib::FileSize(base_ + "\\a\\file"), 1u);
    try {
        winlib::ForceDirectories(base_ + "\\a\\file\\sub");
        FAIL() << "no error";
    } catch (const winlib::EOSError& e) {
        EXPECT_NE(std::string(e.what()).find(base_ + "\\a\\file"), std::string::npos) << e.what();
        EXPECT_NE(e.Code(), 0u);
    }
}

TEST_F(ForceDirectoriesTest, DeleteTreeRemovesNestedReadOnlyEntriesAndToleratesAMissingFolder)
{
    winlib::ForceDirectories(base_ + "\\a\\b\\c");
    winlib_test::WriteWholeFile(base_ + "\\a\\file", "x");
    winlib_test::WriteWholeFile(base_ + "\\a\\b\\c\\deep.txt", "y");
    ASSERT_TRUE(SetFileAttributesA((base_ + "\\a\\file").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((base_ + "\\a\\b").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_TRUE(winlib::DeleteTree(base_));
    EXPECT_EQ(GetFileAttributesA(base_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(winlib::DeleteTree(base_)) << "a folder that is already gone is gone";
    EXPECT_FALSE(winlib::DeleteTree("")) << "an empty name names nothing to delete";
}

TEST(Paths, FileSizeOfAMissingFileRaisesWithError2)
{
    try {
        winlib::FileSize(UniqueTempName("missing"));
        FAIL() << "no error";
    } catch (const winlib::EOSError& e) {
        EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
}

TEST(OsError, TextHasNoTrailingBreakBlankOrFullStop)
{
    std::string text = winlib::SysErrorMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    for (char c : {'.', '\r', '\n', ' '})
        EXPECT_NE(text.back(), c) << text;
    EXPECT_EQ(winlib::SysErrorMessage(0x2FFFFFFF), "System error 805306367");
}

TEST(OsError, MessageCarriesContextTextAndCode)
{
    winlib::EOSError error(ERROR_FILE_NOT_FOUND, "Cannot open \"x\"");
    EXPECT_EQ(error.Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(error.Context(), "Cannot open \"x\"");
    EXPECT_EQ(std::string(error.what()),
              "Cannot open \"x\": " + winlib::SysErrorMessage(ERROR_FILE_NOT_FOUND) + " (code 2)");
}

TEST(OsError, RaiseWithoutALastErrorStillFails)
{
    SetLastError(0);
    try {
        winlib::RaiseLastOSError("doing x");
    } catch (const winlib::EOSError& e) {
        EXPECT_EQ(e.Code(), static_cast<DWORD>(ERROR_GEN_FAILURE));
    }
}

}  // namespace
