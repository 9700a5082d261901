// The file association: the "/SFA" mode's writes and the conditions that offer
// the Options dialog's association button. The classes root is a key of the
// test's own (RegOverridePredefKey does not reach Wine's explicit 64-bit view).
#include "MainWindowFixture.h"

namespace {

const char kUserChoice[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zpf\\UserChoice";

class AssociationTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Redirect(KEY_ALL_ACCESS);
    }
    void TearDown() override
    {
        RegistryHome().Classes = HKEY_CLASSES_ROOT;
        if (classes_ != nullptr)
            RegCloseKey(classes_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kUserChoice);
        MainWindowTest::TearDown();
    }
    // The classes root becomes <base>\Classes, opened with the given access.
    void Redirect(REGSAM access)
    {
        if (classes_ != nullptr)
            RegCloseKey(classes_);
        classes_ = nullptr;
        std::string key = base_ + "\\Classes";
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, access, nullptr, &classes_, nullptr),
                  ERROR_SUCCESS);
        RegistryHome().Classes = classes_;
    }
    void SetDefault(const std::string& key, const std::string& value)
    {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(classes_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(h);
    }
    std::string Default(const std::string& key)
    {
        char data[1024] = {};
        DWORD size = sizeof data;
        if (RegGetValueA(classes_, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
            return "<none>";
        return data;
    }
    HKEY classes_ = nullptr;
};

}  // namespace

TEST_F(AssociationTest, AssociationModeWritesFourDefaultsAndMakesNoOtherForm)
{
    Make({"C:\\x.zpf", "/sfa"});
    EXPECT_FALSE(created_);
    EXPECT_EQ(form1_->AssociationExitCode(), 0);
    std::string program = ProgramPath();
    EXPECT_EQ(Default(".zpf"), "zpffile");
    EXPECT_EQ(Default("zpffile"), "Tarvex Installer Project");
    EXPECT_EQ(Default("zpffile\\DefaultIcon"), program + ",1");
    EXPECT_EQ(Default("zpffile\\shell\\open\\command"), "\"" + program + "\" \"%1\"");
    EXPECT_TRUE(form1_->RecentList().empty());
}

TEST_F(AssociationTest, AFailedWriteEndsTheAssociationModeWithExitCodeOne)
{
    // An injected registry error: a classes root that is no open key (under Wine
    // HKEY_CLASSES_ROOT writes never fail, and key access rights are not enforced).
    RegistryHome().Classes = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0));
    Make({"/SFA"});
    EXPECT_FALSE(created_);
    EXPECT_EQ(form1_->AssociationExitCode(), 1);
}

TEST_F(AssociationTest, TheButtonIsOfferedOnlyWhenTheAssociationIsNotOurs)
{
    std::string ours = "\"C:\\any\\" + winlib::ExtractFileName(ProgramPath()) + "\" \"%1\"";
    struct TCase {
        const char* Name;
        const char* Extension;  // nullptr: no ".zpf" key
        const char* Command;    // nullptr: no command key
        bool UserChoice;
        bool Offered;
    } cases[] = {
        {"no .zpf key", nullptr, nullptr, false, true},
        {"ours without a command", "zpffile", nullptr, false, false},
        {"another case of the type name", "ZPFFILE", nullptr, false, true},
        {"our command", "zpffile", "<ours>", false, false},
        {"another program's command", "zpffile", "\"C:\\other.exe\" \"%1\"", false, true},
        {"a user choice in Explorer", "zpffile", nullptr, true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        RegDeleteTreeA(classes_, ".zpf");
        RegDeleteTreeA(classes_, "zpffile");
        RegDeleteTreeA(HKEY_CURRENT_USER, kUserChoice);
        if (c.Extension != nullptr)
            SetDefault(".zpf", c.Extension);
        if (c.Command != nullptr)
            SetDefault("zpffile\\shell\\open\\command", std::string(c.Command) == "<ours>" ? ours : c.Command);
        if (c.UserChoice) {
            HKEY h = nullptr;
            ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserChoice, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                      ERROR_SUCCESS);
            RegCloseKey(h);
        }
        Make().FormShow();
        EXPECT_EQ(Form15->Button10.Enabled(), c.Offered);
        ResetForms();
    }
}
