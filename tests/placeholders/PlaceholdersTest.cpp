// Placeholder kinds and expansion rules against the real registry, shell and
// environment of the test machine.
#include <windows.h>
#include "winlib/Path.h"
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "runtime/Placeholders.h"
#include "winlib/IniFile.h"

using namespace phtest;

namespace {

std::string StripSlash(std::string path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

std::string ShellPath(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return StripSlash(path);
}

// Independent read of a string value in one registry view.
std::string RegValue(HKEY root, const char* key, const char* value, REGSAM view)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE | view, &handle) != ERROR_SUCCESS)
        return std::string();
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG result = RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    return StripSlash(data);
}

constexpr char CurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char HklmShellFolders[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char HkcuShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class PlaceholdersTest : public ::testing::Test {
protected:
    void SetUp() override { ResetState(&fields); }
    void TearDown() override
    {
        ::Setup() = TSetupState();
        if (!scratch.empty())
            winlib::DeleteTree(scratch);
    }
    // A script or language file in a scratch folder of the temp folder.
    winlib::TIniFile& MakeIni(std::unique_ptr<winlib::TIniFile>& slot, const char* name)
    {
        if (scratch.empty())
            scratch = MakeScratchDir(TempPathNoSlash(), "phini");
        slot = std::make_unique<winlib::TIniFile>(scratch + "\\" + name);
        return *slot;
    }
    TFakeFields fields;
    std::string scratch;
};

TEST_F(PlaceholdersTest, TableHoldsSixtyOneNamesInKindOrder)
{
    EXPECT_STREQ(PlaceholderTable[0], "<ProgramFiles>");
    EXPECT_STREQ(PlaceholderTable[pkInstallDir - 1], "<InstallDir>");
    EXPECT_STREQ(PlaceholderTable[43 - 1], "<Lng>");
    EXPECT_STREQ(PlaceholderTable[pkSystemDir64 - 1], "<SystemDir64>");
    EXPECT_STREQ(PlaceholderTable[60], "<SetupFile>");
    for (const char* name : PlaceholderTable)
        EXPECT_LE(std::string(name).size(), 20u) << name;
}

TEST_F(PlaceholdersTest, KindsOutsideTheTableGiveEmptyText)
{
    EXPECT_EQ(GetFolderPath(0), "");
    EXPECT_EQ(GetFolderPath(62), "");
    EXPECT_EQ(GetFolderPath(-1), "");
}

TEST_F(PlaceholdersTest, TempDirIsTheFolderTmpNamesWithoutBackslash)
{
    std::string dir = MakeScratchDir(TempPathNoSlash(), "phtmp");
    {
        TTempOverride tmp(dir + "\\");
        EXPECT_EQ(GetFolderPath(pkTempDir), dir);
        EXPECT_EQ(ExpandPlaceholders("<TempDir>\\x"), dir + "\\x");
    }
    winlib::DeleteTree(dir);
}

TEST_F(PlaceholdersTest, ShellKindsAreTheShellFoldersOfTheirIdentifiers)
{
    const struct { int kind; int csidl; } cases[] = {
        {6, CSIDL_FONTS}, {7, CSIDL_PERSONAL}, {11, CSIDL_SENDTO}, {12, CSIDL_FAVORITES},
        {13, CSIDL_COMMON_FAVORITES}, {14, CSIDL_TEMPLATES}, {15, CSIDL_APPDATA},
        {22, CSIDL_COMMON_DESKTOPDIRECTORY}, {23, CSIDL_COMMON_STARTMENU}, {24, CSIDL_COMMON_PROGRAMS},
        {25, CSIDL_COMMON_STARTUP}, {36, CSIDL_LOCAL_APPDATA},
    };
    for (const auto& c : cases) {
        std::string expected = ShellPath(c.csidl);
        EXPECT_FALSE(expected.empty()) << "kind " << c.kind;
        EXPECT_EQ(GetFolderPath(c.kind), expected) << "kind " << c.kind;
    }
}

TEST_F(PlaceholdersTest, LevelKindsFollowInstallLevelAndAdministrator)
{
    const int kinds[] = {18, 19, 20, 21};
    const int user[] = {CSIDL_DESKTOP, CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP};
    const int common[] = {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS,
                          CSIDL_COMMON_STARTUP};
    for (int level = 0; level <= 2; ++level) {
        for (bool admin : {false, true}) {
            ::Setup().InstallLevel = level;
            ::Setup().UserIsAdmin = admin;
            bool useCommon = level == 1 || (level == 2 && admin);
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(GetFolderPath(kinds[i]), ShellPath(useCommon ? common[i] : user[i]))
                    << "kind " << kinds[i] << " level " << level << " admin " << admin;
        }
    }
}

TEST_F(PlaceholdersTest, UserProfileIsTheParentOfTheLevelsDesktop)
{
    ::Setup().InstallLevel = 0;
    std::string desktop = ShellPath(CSIDL_DESKTOP);
    std::string profile = desktop.substr(0, desktop.rfind('\\'));
    EXPECT_EQ(GetFolderPath(17), profile);
    EXPECT_EQ(GetFolderPath(53), profile.substr(profile.rfind('\\') + 1));
    EXPECT_NE(GetFolderPath(53), "Public");

    // All users: the public profile, as the table defines it.
    ::Setup().InstallLevel = 1;
    std::string common = ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY);
    EXPECT_EQ(GetFolderPath(17), common.substr(0, common.rfind('\\')));
    EXPECT_EQ(GetFolderPath(53), "Public");
    EXPECT_EQ(GetFolderPath(40), common.substr(0, common.rfind('\\')));
}

TEST_F(PlaceholdersTest, RegistryKindsReadThe32BitViewForAPackageNotMarkedX64)
{
    EXPECT_EQ(GetFolderPath(pkProgramFiles), "C:\\Program Files (x86)");
    EXPECT_EQ(GetFolderPath(pkCommonFiles), RegValue(HKEY_LOCAL_MACHINE, CurrentVersion, "CommonFilesDir", KEY_WOW64_32KEY));
    EXPECT_EQ(GetFolderPath(49), RegValue(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramW6432Dir", KEY_WOW64_32KEY));
    EXPECT_EQ(GetFolderPath(52), RegValue(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir (x86)", KEY_WOW64_32KEY));
    EXPECT_NE(GetFolderPath(pkCommonFiles), "");
}

TEST_F(PlaceholdersTest, RegistryKindsReadThe64BitViewForAnX64Package)
{
    ::Setup().Package64 = true;
    EXPECT_EQ(GetFolderPath(pkProgramFiles), "C:\\Program Files");
    EXPECT_EQ(GetFolderPath(pkCommonFiles), RegValue(HKEY_LOCAL_MACHINE, CurrentVersion, "CommonFilesDir", KEY_WOW64_64KEY));
    EXPECT_NE(GetFolderPath(pkCommonFiles), "");
    // ProgramW6432Dir may be missing there: ProgramFilesDir stands in.
    std::string w6432 = RegValue(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramW6432Dir", KEY_WOW64_64KEY);
    EXPECT_EQ(GetFolderPath(49), w6432.empty() ? "C:\\Program Files" : w6432);
}

TEST_F(PlaceholdersTest, ShellFolderValuesOfTheRegistryAreReadAsWritten)
{
    for (bool x64 : {false, true}) {
        ::Setup().Package64 = x64;
        REGSAM view = x64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
        const struct { int kind; const char* value; } machine[] = {
            {37, "Common AppData"}, {39, "Common Templates"}, {57, "CommonPictures"},
            {58, "CommonMusic"}, {59, "Common Documents"}, {38, "Common Documents"},
        };
        for (const auto& c : machine)
            EXPECT_EQ(GetFolderPath(c.kind), RegValue(HKEY_LOCAL_MACHINE, HklmShellFolders, c.value, view))
                << "kind " << c.kind << " x64 " << x64;
        EXPECT_EQ(GetFolderPath(55), RegValue(HKEY_CURRENT_USER, HkcuShellFolders, "My Pictures", view));
        EXPECT_EQ(GetFolderPath(56), RegValue(HKEY_CURRENT_USER, HkcuShellFolders, "My Music", view));
        std::string local = RegValue(HKEY_CURRENT_USER, HkcuShellFolders, "Local Settings", view);
        EXPECT_EQ(GetFolderPath(16), local.empty() ? RegValue(HKEY_CURRENT_USER, HkcuShellFolders, "Local AppData", view)
                                                   : local);
        EXPECT_EQ(GetFolderPath(27), RegValue(HKEY_CURRENT_USER, HkcuShellFolders, "AppData", view) +
                                         "\\Microsoft\\Internet Explorer\\Quick Launch");
    }
    EXPECT_NE(GetFolderPath(59), "");
    EXPECT_NE(GetFolderPath(16), "");
}

TEST_F(PlaceholdersTest, SystemDirIsSysWow64ForA32BitPackageAndSystem32ForX64)
{
    EXPECT_TRUE(SameTextAscii(GetFolderPath(pkSystemDir), "C:\\windows\\syswow64")) << GetFolderPath(pkSystemDir);
    EXPECT_EQ(GetFolderPath(pkSystemDir64), GetFolderPath(pkSystemDir));
    ::Setup().Package64 = true;
    EXPECT_TRUE(SameTextAscii(GetFolderPath(pkSystemDir), "C:\\windows\\system32")) << GetFolderPath(pkSystemDir);
    EXPECT_EQ(GetFolderPath(pkSystemDir64), GetFolderPath(pkSystemDir));
    EXPECT_TRUE(SameTextAscii(GetFolderPath(pkWindowsDir), "C:\\windows"));
    EXPECT_EQ(GetFolderPath(8), "C:");
}

TEST_F(PlaceholdersTest, ControlKindsFollowTheWizardAtEachCall)
{
    ::Setup().InstallLevel = 0;
    fields.Dir = "D:\\Apps\\";
    fields.Group = "Foo Group";
    fields.User = "Ann";
    fields.Lang = "English";
    const std::string text = "<InstallDir>|<ProgramGroup>|<UserName>|<Language>|<InstallDrive>";
    std::string programs = ShellPath(CSIDL_PROGRAMS);
    EXPECT_EQ(ExpandPlaceholders(text), "D:\\Apps|" + programs + "\\Foo Group|Ann|English|D:");

    fields.Dir = "\\\\server\\share";
    fields.Group = "";
    fields.User = "Bob";
    fields.Lang = "Deutsch";
    EXPECT_EQ(ExpandPlaceholders(text), "\\\\server\\share|" + programs + "|Bob|Deutsch|");

    fields.Dir = "";
    fields.Company = "Acme";
    fields.Custom = "Key-1";
    EXPECT_EQ(ExpandPlaceholders("<InstallDir>|<InstallDrive>|<UserCompany>|<CustomUserInfo>"), "|C:|Acme|Key-1");
    fields.Dir = "NoSlash";
    EXPECT_EQ(GetFolderPath(50), "");
}

TEST_F(PlaceholdersTest, ScriptValuesLoseOneTrailingBackslash)
{
    winlib::TIniFile& ini = MakeIni(::Setup().SetupIni, "qzsetup.ini");
    ini.WriteString("Setup", "AppName", "Foo\\");
    ini.WriteString("Setup", "AppVersion", "1.0");
    ini.WriteString("Setup", "GUID", "{G}");
    EXPECT_EQ(GetFolderPath(pkAppName), "Foo");
    EXPECT_EQ(ExpandPlaceholders("<AppName> <appversion> <GUID> <CompanyName>."), "Foo 1.0 {G} .");
}

TEST_F(PlaceholdersTest, LanguageValuesStayAsTypedUntilTheLanguageFileIsOpen)
{
    EXPECT_EQ(ExpandPlaceholders("<Lng>/<LngID>/<Language>"), "<Lng>/<LngID>/");
    EXPECT_EQ(GetFolderPath(43), "");
    winlib::TIniFile& ini = MakeIni(::Setup().LanguageIni, "Englishqz.lng");
    ini.WriteString("Info", "lng", "en");
    ini.WriteString("Info", "id", "1033");
    EXPECT_EQ(ExpandPlaceholders("<Lng>/<LngID>"), "en/1033");
}

TEST_F(PlaceholdersTest, SetupFileKindsDescribeTheRunningSetup)
{
    ::Setup().SetupExe = "C:\\Downloads\\setup.exe";
    ::Setup().SetupTempDir = "C:\\T\\QZTMP123";
    EXPECT_EQ(ExpandPlaceholders("<CurrentDir>|<SetupExe>|<SetupFile>|<SetupTempDir>"),
              "C:\\Downloads|C:\\Downloads\\setup.exe|setup.exe|C:\\T\\QZTMP123");
    EXPECT_EQ(GetFolderPath(46), std::to_string(GetSystemDefaultLangID()));
    EXPECT_EQ(GetFolderPath(60).size(), 8u);
}

// ---- Expansion rules

TEST_F(PlaceholdersTest, NamesMatchWithoutRegardToCase)
{
    EXPECT_EQ(ExpandPlaceholders("<programfiles>\\Didu"), "C:\\Program Files (x86)\\Didu");
    EXPECT_EQ(ExpandPlaceholders("<PROGRAMFILES>\\Didu"), "C:\\Program Files (x86)\\Didu");
}

TEST_F(PlaceholdersTest, PerUserRewriteChangesEveryOccurrenceForNonAdministratorsAtLevelsZeroAndTwo)
{
    std::string appData = ShellPath(CSIDL_APPDATA);
    std::string machine = "C:\\Program Files (x86)";
    const std::string text = "<ProgramFiles>\\A;<programfiles>\\B";
    for (int level = 0; level <= 2; ++level) {
        for (bool admin : {false, true}) {
            ::Setup().InstallLevel = level;
            ::Setup().UserIsAdmin = admin;
            bool rewrite = !admin && level != 1;
            std::string base = rewrite ? appData : machine;
            EXPECT_EQ(ExpandPlaceholders(text), base + "\\A;" + base + "\\B") << "level " << level << " admin " << admin;
            std::string desktop = rewrite ? ShellPath(CSIDL_DESKTOP) : ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY);
            EXPECT_EQ(ExpandPlaceholders("<CommonDesktop>\\x.lnk|<CommonDesktop>"), desktop + "\\x.lnk|" + desktop)
                << "level " << level << " admin " << admin;
        }
    }
}

TEST_F(PlaceholdersTest, VariableValuesAreResolvedByTheLaterSteps)
{
    fields.Dir = "D:\\Apps";
    ::Setup().VariablesList = {"<Dir>?<InstallDir>\\data", "?never", "<Q>?a?b"};
    EXPECT_EQ(ExpandPlaceholders("<Dir>\\a.txt|<dir>|<Q>"), "D:\\Apps\\data\\a.txt|D:\\Apps\\data|a?b");
}

TEST_F(PlaceholdersTest, AValueHoldingItsOwnNameIsInsertedOnce)
{
    ::Setup().VariablesList = {"<V>?x<V>y"};
    EXPECT_EQ(ExpandPlaceholders("<V>-<V>"), "x<V>y-x<V>y");
    fields.Dir = "C:\\<InstallDir>";
    EXPECT_EQ(ExpandPlaceholders("<InstallDir>|<InstallDir>"), "C:\\<InstallDir>|C:\\<InstallDir>");
}

TEST_F(PlaceholdersTest, EveryEnvironmentReferenceExpandsLeftToRight)
{
    std::string temp = EnvValue("TEMP");
    std::string path = EnvValue("PATH");
    ASSERT_FALSE(temp.empty());
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(ExpandPlaceholders("<%TEMP%>;<%temp%>;<%PATH%>"), temp + ";" + temp + ";" + path);
    EXPECT_EQ(ExpandPlaceholders("[<%KIN_PH_SURELY_UNSET%>]"), "[]");
    EXPECT_EQ(ExpandPlaceholders("50<%abc and <%% stays"), "50<%abc and <%% stays");

    SetEnvironmentVariableA("KIN_PH_SELF", "<%PATH%>");
    EXPECT_EQ(ExpandPlaceholders("<%KIN_PH_SELF%>"), "<%PATH%>");  // not searched again
    std::string thousand(1000, 'v');
    SetEnvironmentVariableA("KIN_PH_LONG", thousand.c_str());
    EXPECT_EQ(ExpandPlaceholders("<%KIN_PH_LONG%>!"), thousand + "!");
    EXPECT_EQ(GetEnvVar("KIN_PH_LONG"), thousand);
    SetEnvironmentVariableA("KIN_PH_SELF", nullptr);
    SetEnvironmentVariableA("KIN_PH_LONG", nullptr);
}

TEST_F(PlaceholdersTest, EnvironmentSeenByA32BitPackageIsThatOfA32BitProcess)
{
    EXPECT_EQ(ExpandPlaceholders("<%ProgramFiles%>"), "C:\\Program Files (x86)");
    EXPECT_EQ(GetEnvVar("CommonProgramFiles"), EnvValue("CommonProgramFiles(x86)"));
    EXPECT_EQ(GetEnvVar("PROCESSOR_ARCHITECTURE"), "x86");
    EXPECT_EQ(GetEnvVar("PROCESSOR_ARCHITEW6432"), EnvValue("PROCESSOR_ARCHITECTURE"));
    ::Setup().Package64 = true;
    EXPECT_EQ(ExpandPlaceholders("<%ProgramFiles%>"), "C:\\Program Files");
    EXPECT_EQ(GetEnvVar("PROCESSOR_ARCHITECTURE"), EnvValue("PROCESSOR_ARCHITECTURE"));
    EXPECT_EQ(GetEnvVar("PROCESSOR_ARCHITEW6432"), "");
}

TEST_F(PlaceholdersTest, UnknownNamesStayAndLineBreaksBecomeCrLf)
{
    EXPECT_EQ(ExpandPlaceholders("<Foo> <#>x<#>"), "<Foo> \r\nx\r\n");
    EXPECT_EQ(ExpandPlaceholders(""), "");
}

}  // namespace
