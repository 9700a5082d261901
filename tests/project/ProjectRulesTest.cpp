// The project file's pure rules: version, migrations, inversion, field counts,
// the legacy SQL Server Express index, the stored folder size and the GUID.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "authoring/ProjectRules.h"

namespace {

using Fields = std::vector<std::string>;

TEST(ProjectRules, MajorVersionAndWhichFilesInvertTheCriteria)
{
    const struct {
        const char* Version;
        int Major;
        bool Inverts;
    } cases[] = {
        {"", 4, true}, {"x", 4, true}, {"3.x", 3, true}, {"5.2", 5, true},
        {"5.3", 5, false}, {"5.4", 5, false}, {"10.0", 1, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProjectMajorVersion(c.Version), c.Major) << c.Version;
        EXPECT_EQ(InvertsSearchCriteria(c.Version), c.Inverts) << c.Version;
    }
}

TEST(ProjectRules, SearchCriteriaInvertBothWaysExactlyAndOthersStay)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"File exists", "File doesn't exist"},
        {"Folder exists", "Folder doesn't exist"},
        {"Registry Key exists", "Registry Key doesn't exist"},
        {"Registry Value exists", "Registry Value doesn't exist"},
        {"Registry Value contents", "Registry Value doesn't content"},
    };
    for (const auto& [a, b] : pairs) {
        EXPECT_EQ(InvertSearchCriteria(a), b);
        EXPECT_EQ(InvertSearchCriteria(b), a);
    }
    EXPECT_EQ(InvertSearchCriteria("file exists"), "file exists");
    EXPECT_EQ(InvertSearchCriteria("Windows Version"), "Windows Version");
}

TEST(ProjectRules, SqlExpressLegacyIndexBothWays)
{
    const int written[15] = {0, 1, 2, 3, 4, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8};
    for (int item = 0; item < 15; ++item)
        EXPECT_EQ(SqleLegacyIndexOfItem(item), written[item]) << item;
    EXPECT_EQ(SqleLegacyIndexOfItem(-1), -1);
    EXPECT_EQ(SqleLegacyIndexOfItem(15), -1);
    const int selected[] = {0, 1, 2, 3, 4, 5, 6, 9, 12};
    for (int legacy = 0; legacy <= 8; ++legacy)
        EXPECT_EQ(SqleItemOfLegacyIndex(legacy), selected[legacy]) << legacy;
    EXPECT_EQ(SqleItemOfLegacyIndex(9), -1);
    EXPECT_EQ(SqleItemOfLegacyIndex(-1), -1);
}

TEST(ProjectRules, RecordsAreMigratedThenJudgedByFieldCount)
{
    const struct {
        const char* Section;
        std::string Value;
        bool Invert;
        bool Taken;
        Fields Expected;
    } cases[] = {
        {"Registry", "HKLM*?Software\\A*?V*?REG_SZ*?D*?Yes*?No", false, true,
         {"HKLM\\Software\\A", "V", "REG_SZ", "D", "Yes", "No"}},
        {"Registry", "HKLM\\K*?V*?REG_SZ*?D*?Yes*?No", false, true, {"HKLM\\K", "V", "REG_SZ", "D", "Yes", "No"}},
        {"Registry", "HKLM\\K*?V*?REG_SZ*?D*?Yes", false, false, {}},
        {"Commands", "c.exe*?/q*?Normal*?After*?Yes", false, true, {"c.exe", "/q", "Normal", "After", "Yes", "All"}},
        {"Commands", "c*?p*?s*?t*?w*?x*?y*?z", false, true, {"c", "p", "s", "t", "w", "All"}},
        {"Commands", "c*?p*?s*?t", false, false, {}},
        {"Commands", "", false, false, {}},
        {"Prerequisites", "N*?C*?All*?File exists*?v1*?v2", true, true, {"N", "C", "All", "File doesn't exist", "v1", "v2"}},
        {"Prerequisites", "N*?C*?All*?File exists*?v1*?v2", false, true, {"N", "C", "All", "File exists", "v1", "v2"}},
        {"Prerequisites", "N*?C*?All*?Folder exists*?v1", false, true, {"N", "C", "All", "Folder exists", "v1", ""}},
        {"Prerequisites", "N*?C*?All*?F*?v1*?v2*?extra", false, true, {"N", "C", "All", "F", "v1", ""}},
        {"Prerequisites", "N*?C*?All*?F", false, false, {}},
        {"Variables", "V*?HKLM\\K*?N*?REG_SZ*?", false, true, {"V", "HKLM\\K", "N", "REG_SZ", ""}},
        {"Variables", "V*?HKLM*?K*?N*?REG_SZ*?D", false, true, {"V", "HKLM\\K", "N", "REG_SZ", "D"}},
        {"Variables", "V*?HKLM*?K*?N*?REG_SZ*?", false, true, {"V", "HKLM\\K", "N", "REG_SZ", ""}},
        {"Others", "ActiveX*?a.ocx*?No", false, true, {"DLL/ActiveX", "a.ocx", "No"}},
        {"Others", "activex*?a.ocx*?No", false, true, {"activex", "a.ocx", "No"}},
        {"Shortcuts", "d*?n*?t*?x*?p*?w*?i*?0*?Normal", false, true, {"d", "n", "t", "x", "p", "w", "i", "0", "Normal"}},
        {"Shortcuts", "d*?n*?t*?x*?p*?w*?i*?0", false, false, {}},
        {"INI", "f*?s*?k*?*?Yes*?No", false, true, {"f", "s", "k", "", "Yes", "No"}},
        {"Extensions", "e*?f*?d*?i*?0", false, true, {"e", "f", "d", "i", "0"}},
        {"Environments", "N*?V*?Append*?Yes*?x", false, false, {}},
    };
    for (const auto& c : cases) {
        Fields fields;
        EXPECT_EQ(ReadListRecord(c.Section, c.Value, c.Invert, fields), c.Taken) << c.Section << " " << c.Value;
        if (c.Taken) {
            EXPECT_EQ(fields, c.Expected) << c.Section << " " << c.Value;
        }
    }
}

TEST(ProjectRules, FilesRecordsTakeTheFirstFourOfFourOrMore)
{
    Fields fields;
    EXPECT_TRUE(ReadFilesRecord("C:\\a.txt?<InstallDir>\\a.txt?Overwrite?Yes?123", fields));
    EXPECT_EQ(fields, (Fields{"C:\\a.txt", "<InstallDir>\\a.txt", "Overwrite", "Yes"}));
    EXPECT_FALSE(ReadFilesRecord("C:\\a.txt?<InstallDir>?Overwrite", fields));
    EXPECT_FALSE(ReadFilesRecord("", fields));
}

TEST(ProjectRules, StoredFolderSizeUndoesTheOld32BitWrap)
{
    EXPECT_EQ(ReadFolderSize("3221225472"), 3221225472ULL);
    EXPECT_EQ(ReadFolderSize("-1073741824"), 3221225472ULL);
    EXPECT_EQ(ReadFolderSize("0"), 0ULL);
    EXPECT_EQ(ReadFolderSize("12abc"), 0ULL);
    EXPECT_EQ(ReadFolderSize(""), 0ULL);
}

TEST(ProjectRules, TenThousandGuidsAreDistinctAndWellFormed)
{
    const std::regex shape("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$");
    std::set<std::string> seen;
    for (int i = 0; i < 10000; ++i) {
        std::string guid = NewProductGuid();
        ASSERT_TRUE(std::regex_match(guid, shape)) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 10000u);
}

}  // namespace
