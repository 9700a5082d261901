// The uninstaller's guards: what a damaged or hostile log can never make it
// delete, and the environment edit that must give back the old value exactly.
#include <gtest/gtest.h>

#include <string>

#include "companions/uninstall/Uninstaller.h"

namespace {

struct TCase {
    const char* Input;
    bool Allowed;
};

TEST(UninstallGuards, PathsMustBeAbsoluteBelowARootWithoutDotsOrWildcards)
{
    const TCase cases[] = {
        {"C:\\App\\a.txt", true},          {"c:\\App\\", true},
        {"\\\\server\\share\\App\\a", true}, {"C:\\", false},
        {"C:", false},                     {"C:App\\a.txt", false},
        {"App\\a.txt", false},             {"\\App\\a.txt", false},
        {"", false},                       {"C:\\App\\..\\Windows", false},
        {"C:/App/../Windows", false},      {"C:\\App\\.\\a", false},
        {"C:\\App\\*.txt", false},         {"C:\\App\\a?.txt", false},
        {"\\\\?\\C:\\App", false},         {"\\\\server\\share", false},
        {"\\\\server\\share\\", false},    {"\\\\server\\\\x", false},
        {"C:\\App\\\\a.txt", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(uninst::IsSafePath(c.Input), c.Allowed) << c.Input;
}

TEST(UninstallGuards, KeysDeletedOnlyDeepEnoughAndNeverSharedOnes)
{
    const TCase cases[] = {
        {"HKEY_CURRENT_USER\\Software\\KzT", true},
        {"HKEY_CURRENT_USER\\Software\\KzT\\A\\B", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\KzT", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{1-2}", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.kzt", true},
        {"HKEY_CLASSES_ROOT\\.kzt", true},
        {"HKEY_CLASSES_ROOT\\CLSID\\{1-2}", true},
        {"HKEY_USERS\\S-1-5-21-7\\Software\\KzT", true},
        {"hkey_current_user\\software\\kzt\\", true},
        {"HKEY_CURRENT_USER\\Software", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE", false},
        {"HKEY_LOCAL_MACHINE", false},
        {"HKEY_USERS\\S-1-5-21-7", false},
        {"HKEY_USERS\\S-1-5-21-7\\Software", false},
        {"HKEY_USERS\\S-1-5-21-7\\Software\\Classes", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", false},
        {"hkey_local_machine\\software\\microsoft\\windows\\currentversion\\uninstall", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft", false},
        {"HKEY_CURRENT_USER\\Software\\Classes", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes\\TypeLib", false},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", false},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control", false},
        {"HKEY_CLASSES_ROOT\\CLSID", false},
        {"HKEY_CLASSES_ROOT\\clsid", false},
        {"HKEY_CLASSES_ROOT\\Interface", false},
        {"HKEY_CLASSES_ROOT\\TypeLib", false},
        {"HKEY_CLASSES_ROOT\\AppID", false},
        {"HKEY_CLASSES_ROOT\\*", false},
        {"HKEY_CLASSES_ROOT\\Directory", false},
        {"HKEY_CLASSES_ROOT\\Folder", false},
        {"HKEY_CLASSES_ROOT\\Wow6432Node", false},
        {"HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID", false},
        {"HKLM\\SOFTWARE\\KzT", false},
        {"HKEY_CURRENT_USER\\Software\\\\KzT", false},
        {"HKEY_CURRENT_USER", false},
        {"", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(uninst::IsSafeKeyToDelete(c.Input), c.Allowed) << c.Input;
}

TEST(UninstallGuards, ValuesNeedOnlyAKeyBelowARoot)
{
    const TCase cases[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", true},
        {"HKEY_CURRENT_USER\\Environment", true},  // per-user variables
        {"HKEY_LOCAL_MACHINE\\SOFTWARE", true},
        {"HKEY_USERS\\S-1-5-21-7\\Environment", true},
        {"HKEY_CLASSES_ROOT\\.kzt", true},
        {"HKEY_CURRENT_USER\\", false},
        {"HKEY_CURRENT_USER", false},
        {"HKEY_USERS\\S-1-5-21-7", false},
        {"HKEY_NOWHERE\\SOFTWARE\\KzT", false},
        {"HKEY_CURRENT_USER\\\\Environment", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(uninst::IsSafeKeyForValues(c.Input), c.Allowed) << c.Input;
}

TEST(UninstallEnvironment, RemovingTheAddedEntriesGivesBackTheOldValueByteForByte)
{
    struct {
        const char* Value;
        const char* Added;
        bool Found;
        const char* After;
    } cases[] = {
        {"%SystemRoot%\\system32;%SystemRoot%;C:\\T1", "C:\\T1", true, "%SystemRoot%\\system32;%SystemRoot%"},
        {"C:\\T1;%SystemRoot%", "C:\\T1", true, "%SystemRoot%"},
        {"C:\\T1", "C:\\T1", true, ""},
        {"A;c:\\t1;B", "C:\\T1", true, "A;B"},
        {"A;C:\\T10;C:\\T1", "C:\\T1", true, "A;C:\\T10"},
        {"C:\\T1;A;C:\\T1", "C:\\T1", true, "A;C:\\T1"},
        {"A;C:\\T1;C:\\T2;B", "C:\\T1;C:\\T2", true, "A;B"},
        {"A;;C:\\T1", "C:\\T1", true, "A;"},
        {"A;B", "C:\\T1", false, "A;B"},
        {"A;xC:\\T1", "C:\\T1", false, "A;xC:\\T1"},
    };
    for (const auto& c : cases) {
        std::string value = c.Value;
        EXPECT_EQ(uninst::RemoveEnvEntries(value, c.Added), c.Found) << c.Value;
        EXPECT_EQ(value, c.After) << c.Value;
    }
}

}  // namespace
