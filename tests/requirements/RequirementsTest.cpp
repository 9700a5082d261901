// CheckRequirements on a fake machine: each refusal, its box and its log line,
// the built-in prerequisites with their fix-ups and links.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/Requirements.h"
#include "runtime/Seams.h"
#include "tests/requirements/Support.h"

using namespace requirements_test;

namespace {

class CheckRequirementsTest : public TMachineTest {
protected:
    int Check() { return Outcome([] { CheckRequirements(); }); }
    std::string LastLog() const { return ::Setup().LogList.empty() ? "" : ::Setup().LogList.back(); }
};

TEST_F(CheckRequirementsTest, X64PackageOnWindows32EndsWithFiveAfterMessage2OrSilently)
{
    ::Setup().Package64 = true;
    machine.Windows64 = false;
    machine.Answers = {IDOK};
    EXPECT_EQ(Check(), secRequirement);
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{"M2: "});
    EXPECT_EQ(machine.Boxes[0].Flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(machine.Boxes[0].Owner, nullptr);
    EXPECT_EQ(machine.Boxes[0].Caption, "App Setup");
    EXPECT_EQ(LastLog(), "Error requirement: 2 ");

    machine.Boxes.clear();
    ::Setup().SilentSetup = true;
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_TRUE(machine.Boxes.empty());
}

TEST_F(CheckRequirementsTest, DisallowedWindowsListsTheAllowedOnesAndYesGoesOn)
{
    machine.Name = "WinXP";
    Set("WinXP", "0");
    const std::string list = "9x/NT/2000/Server 2003/Vista/7/8";
    machine.Answers = {IDYES, IDNO};
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"M3: " + list, "M3: " + list}));
    EXPECT_EQ(machine.Boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(LastLog(), "Error requirement: 3 " + list);

    ::Setup().SilentSetup = true;
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(machine.Boxes.size(), 2u);
}

TEST_F(CheckRequirementsTest, OnlyTheAllowedVersionsAreListedAndUnknownWindowsPasses)
{
    machine.Name = "Win9x";
    for (const char* key : {"Win9x", "WinNT", "Win2000", "WinSrv2003", "Win8"})
        Set(key, "0");
    machine.Answers = {IDNO};
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"M3: XP/Vista/7"});

    machine.Name = "WinUnknow";
    Set("WinUnknow", "0");
    EXPECT_EQ(Check(), -1);
}

TEST_F(CheckRequirementsTest, AdministratorRequiredWithoutRightsEndsWithFive)
{
    ::Setup().AdminRequired = true;
    ::Setup().UserIsAdmin = false;
    machine.Answers = {IDOK};
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"M4: "});
    ::Setup().SilentSetup = true;
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(machine.Boxes.size(), 1u);
    ::Setup().UserIsAdmin = true;
    EXPECT_EQ(Check(), -1);
}

TEST_F(CheckRequirementsTest, InternetIsAskedOnlyInteractivelyAndNeverProbedWhenSilent)
{
    Set("Internet", "1");
    machine.Internet = false;
    machine.Answers = {IDYES, IDNO};
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"M5: ", "M5: "}));
    ::Setup().SilentSetup = true;
    machine.InternetProbes = 0;
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(machine.InternetProbes, 0);
}

TEST_F(CheckRequirementsTest, RunningApplicationAsksRetryUntilItIsClosedOrCancelled)
{
    Set("CloseApp", "1");
    Set("CloseAppFile", "<AppName>.exe");
    Set("CloseAppText", "<AppName> Viewer");
    int checks = 0;
    std::string asked;
    machine.Running = [&](const std::string& name) { asked = name; return ++checks < 3; };
    machine.Answers = {IDRETRY, IDRETRY};
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(asked, "App.exe");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"M6: App Viewer", "M6: App Viewer"}));
    EXPECT_EQ(machine.Boxes[0].Flags, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONWARNING));
    EXPECT_EQ(machine.Sleeps, (std::vector<DWORD>{200, 200}));  // before each pass but the first

    machine.Running = [](const std::string&) { return true; };
    machine.Answers.push_back(IDCANCEL);
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(LastLog(), "Error requirement: 6 App Viewer");
    ::Setup().SilentSetup = true;
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(machine.Boxes.size(), 3u);
}

// One row per built-in prerequisite: the keys that want it, what the fake
// machine has, and the message the refusal shows.
struct TBuiltInCase {
    const char* Wanted;
    const char* VersionKey;
    const char* Version;
    const char* LinkKey;
    std::function<void(TFakeMachine&, bool met)> Have;
    int Number;
    const char* Argument;
    std::string Message() const { return "M" + std::to_string(Number) + ": " + Argument; }
};

const TBuiltInCase BuiltInCases[] = {
    {"dotNET", "dotNETVersion", "8", "LinkDN", [](TFakeMachine& m, bool met) { m.DotNet = met ? 8 : 7; }, 7, "4.0 Full"},
    {"IE", "IEVersion", "9.0", "LinkIE", [](TFakeMachine& m, bool met) { m.IE = met ? "9.0.8112.16421" : "8.0.7600"; }, 8, "9.0"},
    {"AR", "ARVersion", "XI (11.0)", "LinkAR", [](TFakeMachine& m, bool met) { m.Acrobat = met ? "11.0" : "10.1"; }, 9, "XI (11.0)"},
    {"Java", "JavaVersion", "1.8", "LinkJR", [](TFakeMachine& m, bool met) { m.Java = met ? "1.8" : "1.6"; }, 10, "1.8"},
    {"SQL", "SQLVersion", "3", "LinkSQL", [](TFakeMachine& m, bool met) { m.SqlCompact = met ? 3 : -1; }, 24, "4.0"},
    {"SQLE", "SQLEVersion", "14", "LinkSQLE", [](TFakeMachine& m, bool met) { m.SqlServer = met ? 14 : 13; }, 26, "2014"},
};

class BuiltInPrompt : public CheckRequirementsTest, public ::testing::WithParamInterface<size_t> {
protected:
    const TBuiltInCase& Case() const { return BuiltInCases[GetParam()]; }
    void Want(const std::string& link)
    {
        Set(Case().Wanted, "1");
        Set(Case().VersionKey, Case().Version);
        Set(Case().LinkKey, link);
        Case().Have(machine, false);
    }
};

TEST_P(BuiltInPrompt, NoEndsWithFiveEvenWhenSilent)
{
    ::Setup().SilentSetup = true;
    Want("http://127.0.0.1:9/get");
    machine.Answers = {IDNO};
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Case().Message()});
    EXPECT_EQ(machine.Boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(LastLog(), "Error requirement: " + std::to_string(Case().Number) + " " + Case().Argument);
    EXPECT_TRUE(machine.Opens.empty());
}

TEST_P(BuiltInPrompt, YesWithFixUpRunsItWithItsParametersAndTestsAgain)
{
    std::string fixUp = ScratchName("fixup") + ".exe";
    FILE* f = std::fopen(fixUp.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    Want(fixUp + " /q /norestart");
    machine.OnRun = [&](const std::string&) { Case().Have(machine, true); };
    machine.Answers = {IDYES};
    EXPECT_EQ(Check(), -1);
    EXPECT_EQ(machine.Runs, std::vector<std::string>{fixUp + "|/q /norestart"});
    EXPECT_EQ(machine.Sleeps.size(), 1u);  // the whole pass again, after a pause
    DeleteFileA(fixUp.c_str());
}

TEST_P(BuiltInPrompt, YesWithAddressWarnsOpensItAndEndsWithFive)
{
    Want("http://127.0.0.1:9/get");
    machine.Answers = {IDYES, IDOK};
    EXPECT_EQ(Check(), secRequirement);
    ASSERT_EQ(BoxTexts(), (std::vector<std::string>{Case().Message(), "M28: "}));
    EXPECT_EQ(machine.Boxes[1].Caption, "Setup - App 1.0");
    EXPECT_EQ(machine.Opens, std::vector<std::string>{"http://127.0.0.1:9/get||"});
}

INSTANTIATE_TEST_SUITE_P(EachOfTheSix, BuiltInPrompt, ::testing::Range<size_t>(0, std::size(BuiltInCases)));

TEST_F(CheckRequirementsTest, RequiredLevelOutsideTheNameTableShowsItsNumber)
{
    Set("dotNET", "1");
    Set("dotNETVersion", "15");
    Set("SQLE", "1");
    Set("SQLEVersion", "-3");
    machine.DotNet = 10;
    machine.Answers = {IDNO};
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"M7: 15"});
    machine.DotNet = 15;
    EXPECT_EQ(Check(), -1);  // SQL Server at -1 meets a level of -3
}

TEST_F(CheckRequirementsTest, FixUpThatCannotStartIsLoggedAndTestedAgain)
{
    std::string fixUp = ScratchName("fixup") + ".exe";
    FILE* f = std::fopen(fixUp.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    Set("Java", "1");
    Set("LinkJR", fixUp);
    machine.RunStarts = false;
    machine.Answers = {IDYES, IDNO};
    EXPECT_EQ(Check(), secRequirement);
    EXPECT_EQ(machine.Boxes.size(), 2u);
    EXPECT_EQ(::Setup().LogList.front(), "Error run: " + fixUp);
    DeleteFileA(fixUp.c_str());
}

TEST_F(CheckRequirementsTest, OpenLinkWithoutRunOpensAnExistingFileInItsFolder)
{
    std::string file = ScratchName("readme") + ".txt";
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    EXPECT_FALSE(OpenLinkOrRun(file + " /x", false, false));
    EXPECT_TRUE(machine.Boxes.empty());
    EXPECT_EQ(machine.Opens, std::vector<std::string>{file + "|/x|" + winlib::ExtractFileDir(file)});
    DeleteFileA(file.c_str());
}

}  // namespace
