// The wizard's rules that need no window: page skipping, the folder browser's
// result, the size setting, the ready summary, the language choice, font.ini
// values and the literal formatting of language texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Language.h"
#include "runtime/SetupState.h"
#include "runtime/Wizard.h"

namespace {

TEST(PageSkipping, PassesSwitchedOffPagesInTheDirectionOfTravel)
{
    bool enabled[11] = {};
    enabled[6] = enabled[8] = true;
    EXPECT_EQ(LandingPage(1, true, enabled), 6);
    EXPECT_EQ(LandingPage(7, true, enabled), 8);
    EXPECT_EQ(LandingPage(7, false, enabled), 6);
    EXPECT_EQ(LandingPage(9, true, enabled), 9);
    bool none[11] = {};
    EXPECT_EQ(LandingPage(1, true, none), 9);  // all off: straight to installing
    EXPECT_EQ(LandingPage(0, false, enabled), 6);  // below page 1 starts over instead of recursing
}

TEST(FolderBrowser, ModesAppendTheLastFolderKeepTheChoiceOrTakeTheDrive)
{
    const std::string current = "C:\\Program Files\\Didu";
    const struct {
        const char* Chosen;
        int Mode;
        const char* Expected;
    } cases[] = {
        {"D:\\Apps", 0, "D:\\Apps\\Didu"}, {"D:\\Apps", 1, "D:\\Apps"}, {"D:\\Apps", 2, "D:\\"},
        {"E:\\", 0, "E:\\Didu"},           {"E:\\", 1, "E:\\"},         {"E:\\", 2, "E:\\"},
        {"D:\\Apps\\", 1, "D:\\Apps"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowseDestination(current, c.Chosen, c.Mode), c.Expected) << c.Chosen << " mode " << c.Mode;
    EXPECT_EQ(BrowseDestination("C:\\Program Files\\Didu\\", "D:\\Apps", 0), "D:\\Apps\\Didu");
}

TEST(FilesSize, ReadsSizesOfTwoGigabytesAndMoreAsPositive)
{
    EXPECT_EQ(FilesSizeValue("1234"), 1234);
    EXPECT_EQ(FilesSizeValue("-1294967296"), 3000000000LL);
    EXPECT_EQ(FilesSizeValue("3000000000"), 3000000000LL);
    EXPECT_EQ(FilesSizeValue("12abc"), 0);
    EXPECT_EQ(FilesSizeValue(""), 0);
}

TEST(ReadySummary, ListsGroupAndTasksOnlyWhenThereAreAny)
{
    TReadySummary summary;
    summary.DestinationHeading = "Destination:";
    summary.Destination = "C:\\App";
    summary.GroupHeading = "Group:";
    summary.Group = "App";
    summary.TasksHeading = "Tasks:";
    EXPECT_EQ(ReadySummaryLines(summary), (std::vector<std::string>{"Destination:", "\tC:\\App", ""}));
    summary.HasGroup = true;
    summary.Tasks = {"Desktop", "Associate .txt"};
    EXPECT_EQ(ReadySummaryLines(summary),
              (std::vector<std::string>{"Destination:", "\tC:\\App", "", "Group:", "\tApp", "", "Tasks:", "\tDesktop",
                                        "\tAssociate .txt"}));
}

TEST(LanguageList, KeepsNamesEndingQzLngSortedWithoutRegardToCase)
{
    EXPECT_EQ(LanguageNamesFromFiles({"englishqz.lng", "DeutschQZ.LNG", "Italianoqz.lngx", "ABCQZ~1.LNG", "x.txt"}),
              (std::vector<std::string>{"Deutsch", "english"}));
}

TEST(LanguageChoice, DefaultAutoDetectionAndFallback)
{
    const std::vector<std::string> names = {"Deutsch", "English", "Schweiz"};
    const std::vector<std::string> ids = {"1031", "1033", "1031"};
    EXPECT_EQ(ChooseLanguage(names, ids, "english", false, 1031), 1);      // default, case ignored
    EXPECT_EQ(ChooseLanguage(names, ids, "English", true, 1031), 2);       // the last match wins
    EXPECT_EQ(ChooseLanguage(names, ids, "English", true, 3079), 1);       // no match: the default stays
    EXPECT_EQ(ChooseLanguage(names, {"01031", "", ""}, "English", true, 1031), 1);  // exact text only
    EXPECT_EQ(ChooseLanguage(names, ids, "Fran\xE7" "ais", false, 1033), 0);  // no default: the first listed
    EXPECT_EQ(ChooseLanguage({}, {}, "English", false, 1033), -1);
}

TEST(FontIni, NumbersOnlySizesWithinReason)
{
    EXPECT_EQ(FontIniValue("14", 10, true), 14);
    EXPECT_EQ(FontIniValue("big", 10, true), 10);
    EXPECT_EQ(FontIniValue("0", 8, true), 8);
    EXPECT_EQ(FontIniValue("500", 8, true), 8);
    EXPECT_EQ(FontIniValue("204", 1, false), 204);
    EXPECT_EQ(FontIniValue("", 1, false), 1);
}

TEST(LanguageText, FormatsLiterallyAndFallsBackToDefaultsWithoutAFile)
{
    ::Setup() = TSetupState();
    EXPECT_EQ(LanguageText(Lng("Install", 3)), "Creating shortcuts...");
    EXPECT_EQ(LanguageText(Lng("Messages", 13), "C:\\x"), "Error creating directory:");
    EXPECT_EQ(LanguageText(Lng("Buttons", 1)), "");
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::string file = std::string(path) + "wizard-rules-" + std::to_string(GetCurrentProcessId()) + ".lng";
    WritePrivateProfileStringA("Messages", "12", "%d %s%s 100% done%%", file.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    ::Setup().LanguageIni = std::make_unique<winlib::TIniFile>(file);
    EXPECT_EQ(LanguageText(Lng("Messages", 12), "%s"), "%d %s%s 100% done%");
    ::Setup().LanguageIni.reset();
    DeleteFileA(file.c_str());
}

// A key read in several places keeps each reader's default while the file lacks
// it; the file's text serves every reader, and after the release the defaults
// come back.
TEST(LanguageText, EachReaderKeepsItsDefaultUntilTheFileHasTheKey)
{
    ::Setup() = TSetupState();
    EXPECT_EQ(LanguageText(Lng("Install", 2)), "Installing files...");
    EXPECT_EQ(LanguageText(Lng("Install", 2, TLngReader::InstallPage)), "");
    EXPECT_EQ(LanguageText(Lng("Messages", 13, TLngReader::InstallRun), "C:\\x"), "");
    EXPECT_EQ(LanguageText(Lng("Messages", 14), "C:\\x"), "Error creating file:\r\nC:\\x");
    EXPECT_EQ(LanguageText(Lng("Messages", 14, TLngReader::UninstallLog), "C:\\u.ini"), "Unable to write to C:\\u.ini");
    EXPECT_EQ(LanguageText(Lng("Messages", 18), "K: v"), "Error creating registry value:");
    EXPECT_EQ(LanguageText(Lng("Messages", 18, TLngReader::Environment), "K: v"), "");
    EXPECT_FALSE(LanguageFileOpen());

    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::string file = std::string(path) + "wizard-readers-" + std::to_string(GetCurrentProcessId()) + ".lng";
    WritePrivateProfileStringA("Messages", "13", "Kein Ordner: %s", file.c_str());
    WritePrivateProfileStringA("DestinationFolder", "5", "Braucht %s (100%%)", file.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
    ::Setup().LanguageIni = std::make_unique<winlib::TIniFile>(file);
    EXPECT_TRUE(LanguageFileOpen());
    EXPECT_EQ(LanguageText(Lng("Messages", 13), "C:\\x"), "Kein Ordner: C:\\x");
    EXPECT_EQ(LanguageText(Lng("Messages", 13, TLngReader::InstallRun), "C:\\x"), "Kein Ordner: C:\\x");
    EXPECT_EQ(LanguageText(Lng("DestinationFolder", 5), "12 MB"), "Braucht 12 MB (100%)");
    ::Setup().LanguageIni.reset();
    EXPECT_EQ(LanguageText(Lng("Messages", 13), "C:\\x"), "Error creating directory:");
    DeleteFileA(file.c_str());
}

}  // namespace
