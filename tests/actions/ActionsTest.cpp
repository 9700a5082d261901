// Install actions in-process: the data rules of registry values, the planning of
// environment edits, the registry action against a key the machine refuses, and
// the route of a 32-bit COM server.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "../format/TestFolder.h"
#include "runtime/InstallActions.h"
#include "runtime/SetupState.h"
#include "runtime/UninstallLog.h"
#include "winlib/IniFile.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct TBinaryCase {
    const char* Data;
    bool Ok;
    Bytes Expected;
};

TEST(RegBinaryData, PairsAreReadEveryThirdCharacterAndBadPairsFail)
{
    const TBinaryCase cases[] = {
        {"0a 0B ff", true, {0x0A, 0x0B, 0xFF}},
        {"0a0b", true, {0x0A}},  // the separator rule eats the second pair's first digit
        {"x", true, {}},
        {"", true, {}},
        {"zz", false, {}},
        {"0a,zz", false, {}},
    };
    for (const TBinaryCase& c : cases) {
        Bytes bytes;
        EXPECT_EQ(ParseRegBinary(c.Data, bytes), c.Ok) << c.Data;
        if (c.Ok)
            EXPECT_EQ(bytes, c.Expected) << c.Data;
    }
}

TEST(RegBinaryData, FiveThousandPairsAreAllKept)
{
    std::string data;
    for (int i = 0; i < 5000; ++i)
        data += (i % 2 ? "5a " : "A5 ");
    Bytes bytes;
    ASSERT_TRUE(ParseRegBinary(data, bytes));
    ASSERT_EQ(bytes.size(), 5000u);
    EXPECT_EQ(bytes[4998], 0xA5);
    EXPECT_EQ(bytes[4999], 0x5A);
}

TEST(RegDwordData, TakesSignedAndUnsignedThirtyTwoBitRange)
{
    struct { const char* Data; bool Ok; DWORD Value; } cases[] = {
        {"-1", true, 0xFFFFFFFFu},
        {"4294967295", true, 0xFFFFFFFFu},
        {"-2147483648", true, 0x80000000u},
        {"12", true, 12},
        {"12x", false, 0},
        {"4294967296", false, 0},
        {"-2147483649", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {" 1", false, 0},
    };
    for (const auto& c : cases) {
        DWORD value = 0;
        EXPECT_EQ(ParseRegDword(c.Data, value), c.Ok) << c.Data;
        if (c.Ok)
            EXPECT_EQ(value, c.Value) << c.Data;
    }
}

TEST(EnvironmentChange, KeepsTypesAddsOnlyNewEntriesAndRecordsWhatToUndo)
{
    using E = TEnvironmentChange;
    struct {
        const char* Mode;
        const char* Value;
        bool Exists;
        const char* Old;
        DWORD OldType;
        E::TAction Action;
        const char* NewValue;
        DWORD NewType;
        const char* Record;
    } cases[] = {
        {"append", "C:\\T1", true, "%SystemRoot%\\system32", REG_EXPAND_SZ, E::eaWrite, "%SystemRoot%\\system32;C:\\T1", REG_EXPAND_SZ, "UPATH*?C:\\T1"},
        {"PREPEND", "C:\\T1", true, "C:\\A", REG_SZ, E::eaWrite, "C:\\T1;C:\\A", REG_SZ, "UPATH*?C:\\T1"},
        {"APPEND", "C:\\T1", true, "C:\\A;c:\\t1;C:\\B", REG_EXPAND_SZ, E::eaNone, "", REG_SZ, ""},
        {"APPEND", "C:\\A;C:\\B", true, "x;c:\\a;C:\\B;y", REG_SZ, E::eaNone, "", REG_SZ, ""},
        {"APPEND", "C:\\T1", true, "C:\\T1x", REG_SZ, E::eaWrite, "C:\\T1x;C:\\T1", REG_SZ, "UPATH*?C:\\T1"},
        {"APPEND", "C:\\T1", false, "", REG_NONE, E::eaWrite, "C:\\T1", REG_SZ, "DPATH"},
        {"OVERWRITE", "%WINDIR%\\x", false, "", REG_NONE, E::eaWrite, "%WINDIR%\\x", REG_EXPAND_SZ, "DPATH"},
        {"OVERWRITE", "new", true, "%OLD%", REG_EXPAND_SZ, E::eaWrite, "new", REG_EXPAND_SZ, "WPATH*?%OLD%"},
        {"REMOVE", "", true, "old", REG_SZ, E::eaDelete, "", REG_SZ, ""},
        {"REMOVE", "", false, "", REG_NONE, E::eaNone, "", REG_SZ, ""},
        {"Skip", "v", true, "old", REG_SZ, E::eaNone, "", REG_SZ, ""},
    };
    for (const auto& c : cases) {
        TEnvironmentChange change = PlanEnvironmentChange("PATH", c.Value, c.Mode, c.Exists, c.Old, c.OldType);
        std::string what = std::string(c.Mode) + " " + c.Value + " over " + c.Old;
        EXPECT_EQ(change.Action, c.Action) << what;
        EXPECT_EQ(change.Record, c.Record) << what;
        if (c.Action == E::eaWrite) {
            EXPECT_EQ(change.Value, c.NewValue) << what;
            EXPECT_EQ(change.Type, c.NewType) << what;
        }
    }
}

// A run with an open uninstall log in a scratch temp folder, silent, log on.
class ActionRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::Setup() = TSetupState();
        ::Setup().SilentSetup = true;
        ::Setup().UninstallEnabled = true;
        ::Setup().Package64 = true;
        ::Setup().SetupTempDir = folder_.Path();
        OpenUninstallLog(false, "");
    }
    void TearDown() override
    {
        CloseUninstallLog();
        SetKeyOpener(nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KzTUnit");
        ::Setup() = TSetupState();
    }
    std::vector<std::string> Records(const std::string& section) const
    {
        SaveUninstallLog();  // the run keeps its records in memory for a moment
        winlib::TIniFile log(UninstallLogPath());
        std::vector<std::string> values;
        for (const std::string& key : log.ReadSection(section))
            values.push_back(log.ReadString(section, key, ""));
        return values;
    }
    bool Logged(const std::string& line) const
    {
        for (const std::string& l : ::Setup().LogList)
            if (l == line)
                return true;
        return false;
    }
    TTestFolder folder_;
};

// The machine's answer for a key that exists but refuses writing (and, below
// it, making keys): only a read is allowed.
LONG WriteDeniedOpener(HKEY root, const std::string& key, REGSAM access, bool create, HKEY& result)
{
    if (key.rfind("Software\\KzTUnit", 0) == 0 && (create || (access & KEY_SET_VALUE)))
        return ERROR_ACCESS_DENIED;
    return create ? RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, access, nullptr, &result, nullptr)
                  : RegOpenKeyExA(root, key.c_str(), 0, access, &result);
}

TEST_F(ActionRun, WriteDeniedExistingKeyIsReportedAndNeverRecorded)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KzTUnit", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    SetKeyOpener(WriteDeniedOpener);

    CreateRegistryValue("HKCU\\Software\\KzTUnit*?v*?REG_SZ*?x*?Yes*?Yes");

    EXPECT_TRUE(::Setup().InstallErrors);
    EXPECT_TRUE(Logged("Error registry key: HKEY_CURRENT_USER\\Software\\KzTUnit"));
    EXPECT_TRUE(Records("RegistryKeys").empty());
    EXPECT_TRUE(Records("RegistryValues").empty());
}

TEST_F(ActionRun, MissingKeysAreRecordedRootDownButNotTheirExistingAncestors)
{
    CreateRegistryValue("HKCU\\Software\\KzTUnit\\A\\B\\*?n*?REG_DWORD*?12x*?Yes*?Yes");

    EXPECT_EQ(Records("RegistryKeys"), (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\KzTUnit",
                                                                 "HKEY_CURRENT_USER\\Software\\KzTUnit\\A",
                                                                 "HKEY_CURRENT_USER\\Software\\KzTUnit\\A\\B"}));
    EXPECT_TRUE(::Setup().InstallErrors);  // 12x is no integer: the keys stay recorded, the value is not
    EXPECT_TRUE(Logged("Error registry value: HKEY_CURRENT_USER\\Software\\KzTUnit\\A\\B: n"));
    EXPECT_TRUE(Records("RegistryValues").empty());
}

TEST_F(ActionRun, ThirtyTwoBitComServerGoesThroughSysWow64AndItsRefusalIsReported)
{
    std::string dll = folder_ / "kz32.dll";
    ASSERT_TRUE(CopyFileA(KZCOM_DLL, dll.c_str(), FALSE));
    EXPECT_FALSE(IsI386Image(dll));
    // Patch the COFF Machine field to i386.
    std::string image = TTestFolder::Read(dll);
    DWORD peOffset = *reinterpret_cast<const DWORD*>(image.data() + 0x3C);
    image[peOffset + 4] = '\x4C';
    image[peOffset + 5] = '\x01';
    folder_.Write("kz32.dll", image);
    ASSERT_TRUE(IsI386Image(dll));

    RegisterActiveX(dll, false);  // the test bed has no 32-bit regsvr32: the route must fail, not load

    EXPECT_TRUE(::Setup().InstallErrors);
    EXPECT_TRUE(Logged("Error activex: " + dll));
    EXPECT_TRUE(Records("ActiveX").empty());
}

}  // namespace
