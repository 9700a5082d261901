// The package format both programs share: trailer, sizes, names and tables.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cabinet/SetupFormat.h"

using namespace setupformat;

namespace {

bool Parses(const std::string& text, int& length) { return ParseTrailer(text.data(), text.size(), length); }

}  // namespace

TEST(Trailer, WritesMagicAndTenZeroPaddedDigits)
{
    EXPECT_EQ(MakeTrailer(123), "ZYX0000000123");
    EXPECT_EQ(MakeTrailer(4096), "ZYX0000004096");
    EXPECT_EQ(MakeTrailer(2147483647), "ZYX2147483647");
    EXPECT_EQ(MakeTrailer(0).size(), TrailerLength);
    EXPECT_THROW(MakeTrailer(-1), std::invalid_argument);
}

TEST(Trailer, ParsesWhatItWrites)
{
    for (int length : {0, 123, 2147483647}) {
        int parsed = -1;
        ASSERT_TRUE(Parses(MakeTrailer(length), parsed)) << length;
        EXPECT_EQ(parsed, length);
    }
}

TEST(Trailer, RejectsAnythingButExactlyTenDigitsInRange)
{
    const char* bad[] = {"ZYXABCDEFGHIJ", "ZYX 000000123", "ZYX+000000123", "ZYX2147483648", "ZYX9999999999",
                         "zyx0000000123", "ZYX-000000123", "ZYX00000001 3", "XYZ0000000123"};
    for (const char* text : bad) {
        int length = 77;
        EXPECT_FALSE(Parses(text, length)) << text;
        EXPECT_EQ(length, 77) << "a rejected trailer leaves the length alone: " << text;
    }
    int length = 0;
    EXPECT_FALSE(Parses("zyx", length));
    EXPECT_FALSE(Parses("ZYX000000012", length)) << "one digit short";
    EXPECT_FALSE(Parses("ZYX00000001234", length)) << "one byte too many";
    EXPECT_FALSE(Parses(std::string("ZYX000000\0" "123", 13), length)) << "a zero byte among the digits";
}

TEST(Sizes, FilesSizeIsClampedInsteadOfWrappingNegative)
{
    EXPECT_EQ(ClampFilesSize(0), 0);
    EXPECT_EQ(ClampFilesSize(123456), 123456);
    EXPECT_EQ(ClampFilesSize(2147483647ULL), 2147483647);
    EXPECT_EQ(ClampFilesSize(2147483648ULL), 2147483647);
    EXPECT_EQ(ClampFilesSize(4294967296ULL + 5), 2147483647) << "low 32 bits would give 5";
    EXPECT_EQ(ClampFilesSize(3000000000ULL), 2147483647) << "low 32 bits would be negative";
}

TEST(Sizes, PackagesOfTwoGibibytesOrMoreAreRefused)
{
    EXPECT_TRUE(PackageSizeAllowed(0));
    EXPECT_TRUE(PackageSizeAllowed(2147483647ULL));
    EXPECT_FALSE(PackageSizeAllowed(2147483648ULL));
    EXPECT_FALSE(PackageSizeAllowed(5000000000ULL));
    EXPECT_TRUE(PackageSizeAllowed(999, 1000));
    EXPECT_FALSE(PackageSizeAllowed(1000, 1000));
}

TEST(Names, MembersAndTemplates)
{
    EXPECT_EQ(LanguageMemberName("English"), "Englishqz.lng");
    EXPECT_EQ(LicenceMemberName("(Default)"), "L(Default).rtf");
    EXPECT_EQ(ReadmeMemberName("German"), "RGerman.rtf");
    EXPECT_EQ(EngineTemplateName(0), "Data\\Engine1.dat");
    EXPECT_EQ(EngineTemplateName(2), "Data\\Engine3.dat");
    EXPECT_EQ(UninstallTemplateName(1), "Data\\Uninstall2.exe");
    EXPECT_STREQ(FieldSeparator, "*?");
    EXPECT_STREQ(FilesSeparator, "?");
}

TEST(MemberOrder, FollowsThePackingTable)
{
    const TMemberKind expected[] = {TMemberKind::Language,      TMemberKind::Licence,       TMemberKind::Readme,
                                    TMemberKind::Script,        TMemberKind::WizardPicture, TMemberKind::HeaderPicture,
                                    TMemberKind::TempFile,      TMemberKind::Uninstaller,   TMemberKind::Updater,
                                    TMemberKind::UpdaterIni};
    ASSERT_EQ(MemberOrder().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(MemberOrder()[i].Kind, expected[i]) << i;
        EXPECT_EQ(MemberRank(expected[i]), static_cast<int>(i));
    }
}

TEST(MemberOrder, KindOfAMemberName)
{
    struct {
        const char* Name;
        TMemberKind Kind;
    } cases[] = {
        {"Englishqz.lng", TMemberKind::Language},  {"L(Default).rtf", TMemberKind::Licence},
        {"RGerman.rtf", TMemberKind::Readme},      {"QZSETUP.INI", TMemberKind::Script},
        {"qzwizard.bmp", TMemberKind::WizardPicture}, {"qzheader.bmp", TMemberKind::HeaderPicture},
        {"helper.dll", TMemberKind::TempFile},     {"notes.rtf", TMemberKind::TempFile},
        {"qzuninstall.exe", TMemberKind::Uninstaller}, {"ZEZerevaz.exe", TMemberKind::Updater},
        {"Updater.ini", TMemberKind::UpdaterIni},
    };
    for (const auto& c : cases) EXPECT_EQ(MemberKindOfName(c.Name), c.Kind) << c.Name;
}

TEST(SetupKeys, NinetyNineUniqueKeysFromBuildDateToEngineSize)
{
    auto keys = SetupKeys();
    ASSERT_EQ(keys.size(), 99u);
    EXPECT_STREQ(keys.front().Name, "BuildDate");
    EXPECT_STREQ(keys[keys.size() - 3].Name, "FilesCount");
    EXPECT_STREQ(keys[keys.size() - 2].Name, "FilesSize");
    EXPECT_STREQ(keys.back().Name, "EngineSize");
    std::set<std::string> names;
    for (const TSetupKeyDef& key : keys) EXPECT_TRUE(names.insert(key.Name).second) << key.Name;
    EXPECT_EQ(names.count("UserMenu"), 0u) << "UserMenu is written by no one";
}

TEST(SetupKeys, RuntimeDefaults)
{
    struct {
        const char* Name;
        const char* Default;
        bool Reads;
    } cases[] = {
        {"Win9x", "1", true},        {"Win8", "1", true},         {"Admin", "1", true},
        {"x64", "0", true},          {"IEVersion", "3.0", true},  {"ARVersion", "5.0", true},
        {"JavaVersion", "1.2", true}, {"InstallLevel", "1", true}, {"PromptUninstall", "1", true},
        {"DefaultLanguage", "English", true}, {"AppName", "", true}, {"Version", "", false},
        {"ExistMode", "", false},    {"NotRemove", "", false},    {"CheckUpdateBefore", "", false},
        {"UpdateDay", "", false},    {"EngineSize", "0", true},   {"userMenu", "1", true},
    };
    for (const auto& c : cases) {
        const TSetupKeyDef* key = FindSetupKey(c.Name);
        ASSERT_NE(key, nullptr) << c.Name;
        EXPECT_STREQ(key->RuntimeDefault, c.Default) << c.Name;
        EXPECT_EQ(key->RuntimeReads, c.Reads) << c.Name;
    }
    EXPECT_EQ(FindSetupKey("NoSuchKey"), nullptr);
    EXPECT_EQ(FindSetupKey("UserMenu"), &UserMenuKey());
}

TEST(ListSections, InFileOrderWithFieldCounts)
{
    struct {
        const char* Name;
        int Fields;
        const char* Separator;
    } expected[] = {
        {"Prerequisites", 6, "*?"}, {"Shortcuts", 8, "*?"},    {"Registry", 6, "*?"}, {"INI", 6, "*?"},
        {"Commands", 6, "*?"},      {"Variables", 5, "*?"},    {"Extensions", 5, "*?"},
        {"Environments", 4, "*?"},  {"Others", 3, "*?"},       {"Files", 4, "?"},
    };
    auto sections = ListSections();
    ASSERT_EQ(sections.size(), std::size(expected));
    for (size_t i = 0; i < sections.size(); ++i) {
        EXPECT_EQ(sections[i].Id, static_cast<TListSectionId>(i));
        EXPECT_STREQ(sections[i].Name, expected[i].Name);
        EXPECT_EQ(sections[i].FieldCount, expected[i].Fields) << expected[i].Name;
        EXPECT_STREQ(sections[i].Separator, expected[i].Separator) << expected[i].Name;
    }
}
