// The author's prerequisite rules on real temp files and HKCU keys, and their
// fix-up loop on the fake machine's program runs.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/Form1.h"
#include "runtime/Requirements.h"
#include "tests/requirements/Support.h"

using namespace requirements_test;

namespace {

std::string Rule(const std::string& os, const std::string& criterion, const std::string& value1,
                 const std::string& value2 = "", const std::string& command = "")
{
    std::string rule = "Need it*?" + command + "*?" + os + "*?" + criterion + "*?" + value1;
    return value2.empty() ? rule + "*?" : rule + "*?" + value2;
}

void Touch(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    std::fclose(f);
}

class RuleTest : public TMachineTest {
protected:
    std::string file_, folder_, key_;

    void SetUp() override
    {
        TMachineTest::SetUp();
        file_ = ScratchName("file") + ".txt";
        folder_ = ScratchName("folder");
        Touch(file_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        key_ = "Software\\QzRequirementsTest-" + std::to_string(GetCurrentProcessId());
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
        auto text = [&](const char* name, const std::string& value) {
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
        };
        text("Str", "4.0.30319");
        text("Old", "3.5");
        text("Mixed", "Alpha");
        DWORD number = 378389;
        RegSetValueExA(key, "Num", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        BYTE bytes[3] = {1, 2, 3};
        RegSetValueExA(key, "Bin", 0, REG_BINARY, bytes, sizeof bytes);
        RegCloseKey(key);
    }

    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
        DeleteFileA(file_.c_str());
        RemoveDirectoryA(folder_.c_str());
        TMachineTest::TearDown();
    }

    // True when the rule passed; false when it asked M27 and No ended the setup.
    bool Passes(const std::string& rule)
    {
        machine.Boxes.clear();
        machine.Answers = {IDNO};
        int code = Outcome([&] { CheckPrerequisite(rule); });
        if (code == -1)
            return machine.Boxes.empty();
        EXPECT_EQ(code, secRequirement);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"M27: Need it"});
        return false;
    }
};

TEST_F(RuleTest, EachCriterionIsMetOrRefusedAsItsTableSays)
{
    const std::string k = "HKCU\\" + key_;
    const struct {
        const char* Criterion;
        std::string Value1, Value2;
        bool Met;
    } cases[] = {
        {"FILE EXISTS", file_, "", true},
        {"FILE EXISTS", folder_, "", false},
        {"FILE DOESN'T EXIST", file_ + ".none", "", true},
        {"FILE DOESN'T EXIST", file_, "", false},
        {"FOLDER EXISTS", folder_, "", true},
        {"FOLDER EXISTS", file_, "", false},
        {"FOLDER DOESN'T EXIST", file_, "", true},
        {"FOLDER DOESN'T EXIST", folder_, "", false},
        {"REGISTRY KEY EXISTS", k, "", true},
        {"REGISTRY KEY EXISTS", k + "\\Nope", "", false},
        {"REGISTRY KEY DOESN'T EXIST", k + "\\Nope", "", true},
        {"REGISTRY KEY DOESN'T EXIST", k, "", false},
        {"REGISTRY VALUE EXISTS", k + "\\Bin", "", true},
        {"REGISTRY VALUE EXISTS", k + "\\Nope", "", false},
        {"REGISTRY VALUE DOESN'T EXIST", k + "\\Nope", "", true},
        {"REGISTRY VALUE DOESN'T EXIST", k + "\\Str", "", false},
        {"REGISTRY VALUE CONTENTS", k + "\\Str", "30319", true},
        {"REGISTRY VALUE CONTENTS", k + "\\Mixed", "alpha", false},
        {"REGISTRY VALUE CONTENTS", k + "\\Bin", "1", false},
        {"REGISTRY VALUE DOESN'T CONTENT", k + "\\Nope\\Str", "x", true},
        {"REGISTRY VALUE DOESN'T CONTENT", k + "\\Bin", "1", true},
        {"REGISTRY VALUE DOESN'T CONTENT", k + "\\Str", "30319", false},
        {"REGISTRY VALUE GREATER OR EQUAL", k + "\\Str", "4.0", true},
        {"REGISTRY VALUE GREATER OR EQUAL", k + "\\Old", "4.0", false},
        {"REGISTRY VALUE GREATER OR EQUAL", k + "\\Nope", "0", false},
        {"REGISTRY VALUE GREATER OR EQUAL", k + "\\Num", "378389", true},
        {"REGISTRY VALUE GREATER OR EQUAL", k + "\\Num", "378390", false},
        {"REGISTRY VALUE LESS OR EQUAL", k + "\\Old", "4.0", true},
        {"REGISTRY VALUE LESS OR EQUAL", k + "\\Str", "4.0", false},
        {"REGISTRY VALUE LESS OR EQUAL", k + "\\Nope", "9", false},
        {"registry value exists", "HKEY_CURRENT_USER\\" + key_ + "\\Str", "", true},
        {"REGISTRY VALUE EXISTS", "FOO\\" + key_ + "\\Str", "", true},  // any other root is HKCU
        {"REGISTRY VALUE EXISTS", "HKLM\\" + key_ + "\\Str", "", false},
        {"NO SUCH CRITERION", "", "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Passes(Rule("All", c.Criterion, c.Value1, c.Value2)), c.Met) << c.Criterion << " " << c.Value1;
}

TEST_F(RuleTest, RegistryPathSplitsAtTheFirstAndLastBackslash)
{
    EXPECT_EQ(SplitRegistryPath("HKLM\\SOFTWARE\\Vendor\\App\\Version", true), "SOFTWARE\\Vendor\\App");
    EXPECT_EQ(SplitRegistryPath("HKLM\\SOFTWARE\\Vendor\\App\\Version", false), "Version");
    EXPECT_EQ(SplitRegistryPath("HKLM\\Key\\", false), "");  // the default value
    EXPECT_EQ(SplitRegistryPath("HKLM\\Key", true), "Key");
    EXPECT_EQ(SplitRegistryPath("HKLM\\Key", false), "Key");
}

TEST_F(RuleTest, ShortRowIsSkippedAndLoggedAndExtraFieldsAreIgnored)
{
    std::string shortRule = "Name*?cmd*?All*?FILE EXISTS";
    EXPECT_TRUE(Passes(shortRule));
    EXPECT_EQ(::Setup().LogList, std::vector<std::string>{"Error prerequisite: " + shortRule});
    EXPECT_TRUE(Passes(Rule("All", "FILE EXISTS", file_, "x") + "*?extra*?more"));
}

TEST_F(RuleTest, PlatformFieldSkipsRulesForTheOtherWindows)
{
    std::string missing = file_ + ".none";
    EXPECT_TRUE(Passes(Rule("x86", "FILE EXISTS", missing)));
    machine.Windows64 = false;
    EXPECT_TRUE(Passes(Rule("X64", "FILE EXISTS", missing)));
    EXPECT_FALSE(Passes(Rule("All", "FILE EXISTS", missing)));
}

TEST_F(RuleTest, X64PackageReadsThe64BitViewOnlyForX64Rules)
{
    ::Setup().Package64 = true;
    machine.FakeRegistry = true;
    machine.Keys[TFakeMachine::KeyName(HKEY_LOCAL_MACHINE, winlib::RegView::View64, "SOFTWARE\\Vendor")]["V"] = "1";
    EXPECT_TRUE(Passes(Rule("X64", "REGISTRY VALUE EXISTS", "HKLM\\SOFTWARE\\Vendor\\V")));
    EXPECT_FALSE(Passes(Rule("All", "REGISTRY VALUE EXISTS", "HKLM\\SOFTWARE\\Vendor\\V")));
    ::Setup().Package64 = false;
    EXPECT_FALSE(Passes(Rule("X64", "REGISTRY VALUE EXISTS", "HKLM\\SOFTWARE\\Vendor\\V")));
}

TEST_F(RuleTest, FixUpThatCreatesTheFilePassesAndOneThatDoesNothingAsksAgain)
{
    std::string fixUp = ScratchName("fixup") + ".exe";
    Touch(fixUp);
    std::string target = file_ + ".made";
    machine.OnRun = [&](const std::string&) { Touch(target); };
    machine.Answers = {IDYES};
    EXPECT_EQ(Outcome([&] { CheckPrerequisite(Rule("All", "FILE EXISTS", target, "", fixUp + " /fix")); }), -1);
    EXPECT_EQ(machine.Runs, std::vector<std::string>{fixUp + "|/fix"});
    EXPECT_EQ(machine.Sleeps, (std::vector<DWORD>{500, 500}));
    DeleteFileA(target.c_str());

    machine.OnRun = nullptr;
    machine.Boxes.clear();
    machine.Answers = {IDYES, IDNO};
    EXPECT_EQ(Outcome([&] { CheckPrerequisite(Rule("All", "FILE EXISTS", target, "", fixUp)); }), secRequirement);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"M27: Need it", "M27: Need it"}));
    EXPECT_EQ(::Setup().LogList.back(), "Error requirement: 27 Need it");
    DeleteFileA(fixUp.c_str());
}

TEST_F(RuleTest, SilentSetupStillAsksAndAnAddressEndsAfterMessage28)
{
    TForm1 form;  // the box of message 28 belongs to the application, not to this window
    ASSERT_TRUE(form.Create(GetModuleHandleA(nullptr))) << GetLastError();
    ::Setup().Fields = &form;
    ::Setup().SilentSetup = true;
    machine.Answers = {IDYES, IDOK};
    EXPECT_EQ(Outcome([&] { CheckPrerequisite(Rule("All", "FILE EXISTS", file_ + ".none", "", "http://127.0.0.1:9/")); }),
              secRequirement);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"M27: Need it", "M28: "}));
    ASSERT_EQ(machine.Boxes.size(), 2u);
    EXPECT_EQ(machine.Boxes[1].Owner, nullptr);
    EXPECT_EQ(machine.Opens, std::vector<std::string>{"http://127.0.0.1:9/||"});
    ::Setup().Fields = nullptr;
}

}  // namespace
