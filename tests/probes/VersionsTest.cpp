// Version texts compare the same in every locale: the suite runs these once as is
// and once with LC_ALL=de_DE.UTF-8, where the C runtime's decimal separator is ",".
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "runtime/Versions.h"

namespace {

bool GermanRun()
{
    const char* all = std::getenv("LC_ALL");
    return all && std::strncmp(all, "de_", 3) == 0;
}

// Under the German run, make the C runtime's numbers German too, so that any
// hidden use of its number parsing would read "1.10" differently. Named
// explicitly: Wine derives the user locale from a registry copy that test
// processes running in parallel under other locales keep rewriting.
const bool GermanNumbers = GermanRun() && std::setlocale(LC_NUMERIC, "German_Germany.1252") != nullptr;

TEST(Versions, GermanRunReallyHasACommaAsDecimalSeparator)
{
    if (!GermanRun())
        GTEST_SKIP() << "only under LC_ALL=de_DE.UTF-8";
    EXPECT_TRUE(GermanNumbers);
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

struct TGreaterRow {
    const char* A;
    const char* B;
    bool Greater;
};

TEST(Versions, IsVersionGreaterComparesFourNumericParts)
{
    const TGreaterRow rows[] = {
        {"1.10", "1.9", true},      {"1.9", "1.10", false},     {"2.0", "2", false},
        {"1.0.0.1", "1", true},     {"1.2", "1.2.0.0", false},  {"2,0,1", "2.0.1", false},
        {"2.0.1", "2,0,1", false},  {"2,0,1", "2.0.0.9", true}, {"1.2 beta 3", "1.22", true},
        {"", "0.0.0.0", false},     {"0.0.0.1", "", true},      {"1.2.3.4.9", "1.2.3.4", false},
        {"4294967295", "4294967294", true}, {"4294967296", "1", false},  // over 32 bits counts as 0
    };
    for (const TGreaterRow& row : rows)
        EXPECT_EQ(IsVersionGreater(row.A, row.B), row.Greater) << row.A << " > " << row.B;
}

TEST(Versions, ParseVersionDropsLettersAndTreatsCommasAsDots)
{
    struct {
        const char* Text;
        uint32_t Parts[4];
    } rows[] = {
        {"2,0,1", {2, 0, 1, 0}},         {"1.2 beta 3", {1, 23, 0, 0}},   {"", {0, 0, 0, 0}},
        {"1..3", {1, 0, 3, 0}},          {"1.2.3.4.5", {1, 2, 3, 4}},     {"v 3 . 1", {3, 1, 0, 0}},
        {"4294967295.4294967296", {4294967295u, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        TVersion v = ParseVersion(row.Text);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(v.Part[i], row.Parts[i]) << row.Text << " part " << i;
    }
}

TEST(Versions, IsVersionAtLeastComparesMajorAndOneMinorDigit)
{
    const TGreaterRow rows[] = {
        // installed, required, at least
        {"9.0.8112.16421", "9.0", true}, {"11.0.9600.19036", "11.0", true}, {"8.0", "9.0", false},
        {"11.0", "XI (11.0)", true},     {"10.0", "XI (11.0)", false},      {"10.1", "X (10.0)", true},
        {"4.10", "4.9", false},  // 4.10 reads as 4.1
        {"4.9", "4.10", true},           {"1.8", "1.8", true},              {"1.6", "1.8", false},
        {"11", "10.0", true},            {"9", "10.0", false},              {"10.5", "11", false},
        {"", "1.0", false},              {"1.0", "", false},                {"abc", "1.0", false},
        {"5.", "1.0", false},            {".5", "0.1", false},              {"0.0", "5.0", false},
        {"100000000000000000000.0", "99999999999999999999.9", true},
    };
    for (const TGreaterRow& row : rows)
        EXPECT_EQ(IsVersionAtLeast(row.A, row.B), row.Greater) << row.A << " >= " << row.B;
}

}  // namespace
