#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>

#include "winlib/StringList.h"

using winlib::JoinRecord;
using winlib::SplitRecord;
using Fields = std::vector<std::string>;

namespace {

TEST(SplitRecord, SeparatorsBecomeLinesAndOneEmptyLastFieldIsLost)
{
    struct Case { const char* record; const char* separator; Fields fields; };
    const Case cases[] = {
        {"a*?b*?", "*?", {"a", "b"}},
        {"", "*?", {}},
        {"a", "*?", {"a"}},
        {"a*?b", "*?", {"a", "b"}},
        {"a*?*?b", "*?", {"a", "", "b"}},
        {"*?", "*?", {""}},
        {"a*?*?", "*?", {"a", ""}},
        {"a*b?c", "*?", {"a*b?c"}},
        {"t?12?Overwrite?Yes", "?", {"t", "12", "Overwrite", "Yes"}},
        {"a\r\nb\rc\nd", "*?", {"a", "b", "c", "d"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitRecord(c.record, c.separator), c.fields) << "record [" << c.record << "]";
}

TEST(JoinRecord, JoinsFieldsThatSplitBack)
{
    EXPECT_EQ(JoinRecord({"a", "b", "c"}, "*?"), "a*?b*?c");
    EXPECT_EQ(JoinRecord({}, "*?"), "");
    EXPECT_EQ(JoinRecord({"a", "", "c"}, "?"), "a??c");
    Fields fields = {"C:\\x y\\a.exe", "/a *", "?"};
    EXPECT_EQ(SplitRecord(JoinRecord(fields, "*?"), "*?"), fields);
}

TEST(JoinRecord, RefusesAFieldHoldingTheSeparatorOrALineBreak)
{
    for (const char* bad : {"x*?y", "x\ry", "x\ny"}) {
        try {
            JoinRecord({"ok", bad}, "*?");
            FAIL() << "accepted [" << bad << "]";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("Field 2"), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(JoinRecord({"a?b"}, "?"), std::invalid_argument);
}

TEST(ReplaceFirstNoCase, ReplacesOnlyTheFirstMatchWhateverItsCase)
{
    EXPECT_EQ(winlib::ReplaceFirstNoCase("c:\\SRC\\a.txt", "C:\\Src", "<InstallDir>"), "<InstallDir>\\a.txt");
    EXPECT_EQ(winlib::ReplaceFirstNoCase("aXbxc", "x", "-"), "a-bxc");
    EXPECT_EQ(winlib::ReplaceFirstNoCase("abc", "d", "-"), "abc");
    EXPECT_EQ(winlib::ReplaceFirstNoCase("abc", "", "-"), "abc");
}

TEST(TextHelpers, CaseAndTrimming)
{
    EXPECT_EQ(winlib::UpperCase("abc-Z09"), "ABC-Z09");
    EXPECT_TRUE(winlib::SameText("Setup", "SETUP"));
    EXPECT_FALSE(winlib::SameText("Setup", "Setup2"));
    EXPECT_FALSE(winlib::SameText("co-op", "coop"));
    EXPECT_EQ(winlib::Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(winlib::Trim("   "), "");
    if (GetACP() == 1252) {
        EXPECT_EQ(winlib::UpperCase("\xe4\xf6"), "\xc4\xd6");
        EXPECT_TRUE(winlib::SameText("\xe4", "\xc4"));
    }
}

}  // namespace
