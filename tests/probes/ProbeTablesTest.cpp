// The registry and version-table probes on a fake machine: each key and value a
// probe reads is planted in one registry view, and the probe's answer is checked.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "runtime/OSInfo.h"
#include "runtime/SetupState.h"

using winlib::RegView;

namespace {

const char* const NetSetup = "SOFTWARE\\Microsoft\\NET Framework Setup\\";
const char* const Acrobat = "SOFTWARE\\Adobe\\Acrobat Reader";
const char* const Java = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char* const IE = "SOFTWARE\\Microsoft\\Internet Explorer";
const char* const SqlCe = "SOFTWARE\\Microsoft\\Microsoft SQL Server Compact Edition\\";
const char* const Sql = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\";

// A registry of two views and a Windows version, as the probes see them.
class TFakeMachine : public TProbeSource, public TRegistryReader {
public:
    struct TValue {
        bool IsText;
        std::string Text;
        DWORD Number;
    };
    using TKey = std::map<std::string, TValue>;

    OSVERSIONINFOA Version = {sizeof(OSVERSIONINFOA), 6, 1, 7601, VER_PLATFORM_WIN32_NT, ""};
    bool VersionKnown = true;
    bool Windows64 = true;

    void AddKey(RegView view, const std::string& path)
    {
        for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1))
            keys_[Id(view, path.substr(0, slash))];
        keys_[Id(view, path)];
    }
    void SetText(RegView view, const std::string& path, const std::string& name, const std::string& text)
    {
        AddKey(view, path);
        keys_[Id(view, path)][name] = {true, text, 0};
    }
    void SetDword(RegView view, const std::string& path, const std::string& name, DWORD number)
    {
        AddKey(view, path);
        keys_[Id(view, path)][name] = {false, "", number};
    }

    TRegistryReader& Registry() override { return *this; }
    bool QueryVersion(OSVERSIONINFOA& info) override
    {
        info = Version;
        return VersionKnown;
    }
    bool WindowsIs64() override { return Windows64; }

    bool Open(RegView view, const std::string& key) override
    {
        auto found = keys_.find(Id(view, key));
        open_ = found == keys_.end() ? nullptr : &found->second;
        openId_ = found == keys_.end() ? std::string() : found->first;
        return open_ != nullptr;
    }
    bool KeyExists(RegView view, const std::string& key) override { return keys_.count(Id(view, key)) > 0; }
    bool ReadText(const std::string& name, std::string& value) override
    {
        const TValue* v = Find(name);
        if (!v || !v->IsText)
            return false;
        value = v->Text;
        return true;
    }
    bool ReadDword(const std::string& name, DWORD& value) override
    {
        const TValue* v = Find(name);
        if (!v || v->IsText)
            return false;
        value = v->Number;
        return true;
    }
    bool SubkeyNames(std::vector<std::string>& names) override
    {
        if (!open_)
            return false;
        names.clear();
        std::string prefix = openId_ + "\\";
        for (const auto& [id, values] : keys_) {
            if (id.compare(0, prefix.size(), prefix) == 0 && id.find('\\', prefix.size()) == std::string::npos)
                names.push_back(id.substr(prefix.size()));
        }
        return true;
    }

private:
    static std::string Id(RegView view, const std::string& path)
    {
        return (view == RegView::View64 ? "64:" : "32:") + path;
    }
    const TValue* Find(const std::string& name) const
    {
        if (!open_)
            return nullptr;
        auto found = open_->find(name);
        return found == open_->end() ? nullptr : &found->second;
    }

    std::map<std::string, TKey> keys_;
    TKey* open_ = nullptr;
    std::string openId_;
};

class Probes : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = TOSInfo::SetSource(&machine_);
        ::Setup().Package64 = false;
    }
    void TearDown() override
    {
        TOSInfo::SetSource(previous_);
        ::Setup().Package64 = false;
    }
    // The view an x86 package reads.
    void Text(const std::string& key, const std::string& name, const std::string& text)
    {
        machine_.SetText(RegView::View32, key, name, text);
    }
    void Dword(const std::string& key, const std::string& name, DWORD number)
    {
        machine_.SetDword(RegView::View32, key, name, number);
    }
    void Key(const std::string& key) { machine_.AddKey(RegView::View32, key); }
    void NetInstall(const std::string& sub, const char* name = "Install")
    {
        Dword(std::string(NetSetup) + sub, name, 1);
    }

    TFakeMachine machine_;
    TProbeSource* previous_ = nullptr;
};

// ---- .NET ----

TEST_F(Probes, DotNetEachStepAloneGivesItsLevel)
{
    struct {
        const char* Key;
        const char* Value;
        int Level;
    } rows[] = {
        {"NDP\\v1.1.4322", "Install", 1},     {"NDP\\v2.0.50727", "Install", 2}, {"NDP\\v3.0\\Setup", "InstallSuccess", 3},
        {"NDP\\v3.5", "Install", 4},          {"DotNetClient\\v3.5", "Install", 5}, {"NDP\\v4\\Client", "Install", 7},
        {"NDP\\v4\\Full", "Install", 8},
    };
    for (const auto& row : rows) {
        TFakeMachine fresh;
        TOSInfo::SetSource(&fresh);
        fresh.SetDword(RegView::View32, std::string(NetSetup) + row.Key, row.Value, 1);
        EXPECT_EQ(TOSInfo::GetDotNetLevel(), row.Level) << row.Key;
    }
    TFakeMachine policy;
    TOSInfo::SetSource(&policy);
    EXPECT_EQ(TOSInfo::GetDotNetLevel(), -1);
    policy.AddKey(RegView::View32, "SOFTWARE\\Microsoft\\.NETFramework\\Policy\\v1.0");
    EXPECT_EQ(TOSInfo::GetDotNetLevel(), 0);
}

TEST_F(Probes, DotNetReleaseNumberSplitsFourFullInto45And451)
{
    const std::pair<DWORD, int> rows[] = {{378388, 8}, {378389, 9}, {378674, 9}, {378675, 10}};
    for (auto [release, level] : rows) {
        Dword(std::string(NetSetup) + "NDP\\v4\\Full", "Release", release);
        NetInstall("NDP\\v4\\Full");
        EXPECT_EQ(TOSInfo::GetDotNetLevel(), level) << release;
    }
}

TEST_F(Probes, DotNetHighestLevelWinsSoSp1WithClientProfileIs35Sp1)
{
    NetInstall("NDP\\v3.5");
    Dword(std::string(NetSetup) + "NDP\\v3.5", "SP", 1);
    NetInstall("DotNetClient\\v3.5");
    EXPECT_EQ(TOSInfo::GetDotNetLevel(), 6);
    NetInstall("NDP\\v2.0.50727");
    EXPECT_EQ(TOSInfo::GetDotNetLevel(), 6);
}

TEST_F(Probes, DotNetWrongTypedOrZeroValuesCountAsAbsentAndHideNothing)
{
    Text(std::string(NetSetup) + "NDP\\v2.0.50727", "Install", "1");
    Dword(std::string(NetSetup) + "NDP\\v1.1.4322", "Install", 0);
    EXPECT_EQ(TOSInfo::GetDotNetLevel(), -1);
    NetInstall("NDP\\v4\\Full");
    Text(std::string(NetSetup) + "NDP\\v4\\Full", "Release", "378675");
    EXPECT_EQ(TOSInfo::GetDotNetLevel(), 8);
}

// ---- Acrobat Reader, Java, Internet Explorer ----

TEST_F(Probes, AcrobatGreatestNumericSubkeyCutToOneMinorDigit)
{
    const std::pair<std::vector<const char*>, const char*> rows[] = {
        {{"9.0", "11.0", "DC"}, "11.0"}, {{"10.15"}, "10.1"}, {{"11"}, "11"},
        {{"9.5.1", "DC"}, "0.0"},        {{}, "0.0"},         {{"9.0", "10.0", "8.0"}, "10.0"},
    };
    for (const auto& [names, expected] : rows) {
        TFakeMachine fresh;
        TOSInfo::SetSource(&fresh);
        for (const char* name : names)
            fresh.AddKey(RegView::View32, std::string(Acrobat) + "\\" + name);
        EXPECT_EQ(TOSInfo::GetAcrobatReaderVersion(), expected) << (names.empty() ? "" : names[0]);
    }
}

TEST_F(Probes, JavaGreatestThreeCharacterVersion)
{
    for (const char* name : {"1.6", "1.8.0_201", "1.10", "10", "x.9"})
        Key(std::string(Java) + "\\" + name);
    EXPECT_EQ(TOSInfo::GetJavaVersion(), "1.8");
    TFakeMachine empty;
    TOSInfo::SetSource(&empty);
    EXPECT_EQ(TOSInfo::GetJavaVersion(), "0.0");
}

TEST_F(Probes, InternetExplorerServiceVersionWinsOverVersion)
{
    EXPECT_EQ(TOSInfo::GetIEVersion(), "");
    Text(IE, "Version", "9.11.9600.19036");
    EXPECT_EQ(TOSInfo::GetIEVersion(), "9.11.9600.19036");
    Text(IE, "svcVersion", "11.0.9600.19036");
    EXPECT_EQ(TOSInfo::GetIEVersion(), "11.0.9600.19036");
}

// ---- SQL Server Compact and SQL Server ----

TEST_F(Probes, SqlCompactEveryBranch)
{
    struct {
        const char* Version35;
        const char* ServicePack;  // nullptr: missing
        const char* Version40;    // nullptr: no 4.0 key
        int Level;
    } rows[] = {
        {nullptr, nullptr, nullptr, -1}, {"3.5.5692.0", nullptr, nullptr, 0}, {"3.5.5692.0", "1", nullptr, 1},
        {"3.5.8080.0", "2", nullptr, 2}, {"3.5.8080.0", "3", nullptr, 0},     {"3.0.1", "2", nullptr, -1},
        {nullptr, nullptr, "4.0.8482.1", 3}, {"3.5.8080.0", "2", "4.0.8482.1", 3}, {"3.5.8080.0", "1", "5.0", 1},
    };
    for (const auto& row : rows) {
        TFakeMachine fresh;
        TOSInfo::SetSource(&fresh);
        std::string v35 = std::string(SqlCe) + "v3.5\\ENU", v40 = std::string(SqlCe) + "v4.0\\ENU";
        if (row.Version35)
            fresh.SetText(RegView::View32, v35, "DesktopRuntimeVersion", row.Version35);
        if (row.ServicePack)
            fresh.SetText(RegView::View32, v35, "DesktopRuntimeServicePackLevel", row.ServicePack);
        if (row.Version40)
            fresh.SetText(RegView::View32, v40, "DesktopRuntimeVersion", row.Version40);
        EXPECT_EQ(TOSInfo::GetSqlCompactLevel(), row.Level)
            << (row.Version35 ? row.Version35 : "-") << " " << (row.Version40 ? row.Version40 : "-");
    }
}

TEST_F(Probes, SqlServerLongestMatchingPrefixWinsAndExpressOnlyWithoutClient)
{
    struct {
        const char* Client;  // "90 9.00.3042": release folder and CurrentVersion
        const char* Express;
        int Level;
    } rows[] = {
        {"100 10.50.4000.0", nullptr, 11}, {"110 11.00.3000", nullptr, 13}, {"110 11.0.3000", nullptr, 13},
        {"110 11.00.2100", nullptr, 12},   {"90 9.00.3042", nullptr, 2},    {"90 9.00.5000", nullptr, 4},
        {"100 10.00.5500", nullptr, 8},    {"120 12.0.2000", nullptr, 14},  {"100 10.50.1600", nullptr, 9},
        {nullptr, "10.50.1600.1", 9},      {nullptr, "10.50.4000", 11},     {nullptr, "12.0.2000.8", 14},
        {"90 9.00.5000", "12.0.2000.8", 4},  // no Express after a match
        {"90 8.0", "10.0.1600", 5},          // a client key without a match leaves Express to decide
        {nullptr, "8.0", -1},
    };
    for (const auto& row : rows) {
        TFakeMachine fresh;
        TOSInfo::SetSource(&fresh);
        if (row.Client) {
            std::string client = row.Client;
            size_t blank = client.find(' ');
            fresh.SetText(RegView::View32,
                          std::string(Sql) + client.substr(0, blank) + "\\Tools\\ClientSetup\\CurrentVersion",
                          "CurrentVersion", client.substr(blank + 1));
        }
        if (row.Express)
            fresh.SetText(RegView::View32, std::string(Sql) + "SQLEXPRESS\\MSSQLServer\\CurrentVersion",
                          "CurrentVersion", row.Express);
        EXPECT_EQ(TOSInfo::GetSqlServerLevel(), row.Level)
            << (row.Client ? row.Client : "-") << " / " << (row.Express ? row.Express : "-");
    }
}

TEST_F(Probes, LevelNameTablesMatchTheProbesRanges)
{
    EXPECT_STREQ(DotNetLevelNames[10], "4.5.1");
    EXPECT_STREQ(SqlCompactLevelNames[3], "4.0");
    EXPECT_STREQ(SqlServerLevelNames[11], "2008 R2 SP2");
    EXPECT_STREQ(SqlServerLevelNames[14], "2014");
}

// ---- Views ----

// Each probe with its keys planted in one view, and the answer it gives when it
// finds them against the one when it does not.
struct TViewRow {
    const char* Probe;
    std::function<void(TFakeMachine&, RegView)> Plant;
    std::function<std::string()> Ask;
    std::string Found;
    std::string Neutral;
};

std::vector<TViewRow> ViewRows()
{
    return {
        {"dotnet", [](TFakeMachine& m, RegView v) { m.SetDword(v, std::string(NetSetup) + "NDP\\v4\\Client", "Install", 1); },
         [] { return std::to_string(TOSInfo::GetDotNetLevel()); }, "7", "-1"},
        {"java", [](TFakeMachine& m, RegView v) { m.AddKey(v, std::string(Java) + "\\1.8"); },
         [] { return TOSInfo::GetJavaVersion(); }, "1.8", "0.0"},
        {"ie", [](TFakeMachine& m, RegView v) { m.SetText(v, IE, "svcVersion", "11.0.1"); },
         [] { return TOSInfo::GetIEVersion(); }, "11.0.1", ""},
        {"sqlce", [](TFakeMachine& m, RegView v) { m.SetText(v, std::string(SqlCe) + "v4.0\\ENU", "DesktopRuntimeVersion", "4.0.1"); },
         [] { return std::to_string(TOSInfo::GetSqlCompactLevel()); }, "3", "-1"},
        {"sql", [](TFakeMachine& m, RegView v) {
             m.SetText(v, std::string(Sql) + "120\\Tools\\ClientSetup\\CurrentVersion", "CurrentVersion", "12.0.1"); },
         [] { return std::to_string(TOSInfo::GetSqlServerLevel()); }, "14", "-1"},
        {"owner", [](TFakeMachine& m, RegView v) {
             m.SetText(v, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner", "Alice"); },
         [] { return TOSInfo::GetRegisteredInfo("user"); }, "Alice", ""},
    };
}

TEST_F(Probes, SixtyFourBitViewIsReadExactlyWhenThePackageIsX64)
{
    for (const TViewRow& row : ViewRows()) {
        for (bool package64 : {false, true}) {
            for (RegView planted : {RegView::View32, RegView::View64}) {
                TFakeMachine fresh;
                TOSInfo::SetSource(&fresh);
                ::Setup().Package64 = package64;
                row.Plant(fresh, planted);
                bool seen = (planted == RegView::View64) == package64;
                EXPECT_EQ(row.Ask(), seen ? row.Found : row.Neutral)
                    << row.Probe << " package64=" << package64 << " planted64=" << (planted == RegView::View64);
            }
        }
    }
}

TEST_F(Probes, AcrobatAlwaysReadsTheThirtyTwoBitView)
{
    for (bool package64 : {false, true}) {
        ::Setup().Package64 = package64;
        TFakeMachine only64, only32;
        only64.AddKey(RegView::View64, std::string(Acrobat) + "\\11.0");
        only32.AddKey(RegView::View32, std::string(Acrobat) + "\\11.0");
        TOSInfo::SetSource(&only64);
        EXPECT_EQ(TOSInfo::GetAcrobatReaderVersion(), "0.0") << package64;
        TOSInfo::SetSource(&only32);
        EXPECT_EQ(TOSInfo::GetAcrobatReaderVersion(), "11.0") << package64;
    }
}

// ---- Registered owner, Windows name, WOW64, groups on 9x ----

TEST_F(Probes, RegisteredInfoReadsOwnerOrOrganisationOfThePlatformsKey)
{
    Text("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner", "Alice");
    Text("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOrganization", "Acme");
    Text("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner", "Bob");
    EXPECT_EQ(TOSInfo::GetRegisteredInfo("user"), "Alice");
    EXPECT_EQ(TOSInfo::GetRegisteredInfo("company"), "Acme");
    EXPECT_EQ(TOSInfo::GetRegisteredInfo("User"), "");
    machine_.Version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_EQ(TOSInfo::GetRegisteredInfo("user"), "Bob");
    EXPECT_EQ(TOSInfo::GetRegisteredInfo("company"), "");
}

TEST_F(Probes, WindowsNameForEveryVersionRow)
{
    const DWORD NT = VER_PLATFORM_WIN32_NT, W9x = VER_PLATFORM_WIN32_WINDOWS;
    struct {
        DWORD Major, Minor, Platform;
        bool Windows64;
        const char* Name;
    } rows[] = {
        {4, 0, NT, true, "WinNT"},        {4, 0, W9x, false, "Win9x"},      {4, 10, W9x, false, "Win9x"},
        {4, 90, W9x, false, "Win9x"},     {4, 1, NT, true, "WinUnknow"},    {5, 0, NT, true, "Win2000"},
        {5, 1, NT, false, "WinXP"},       {5, 2, NT, true, "WinXP"},        {5, 2, NT, false, "WinSrv2003"},
        {5, 3, NT, true, "WinUnknow"},    {6, 0, NT, true, "WinVista"},     {6, 1, NT, true, "Win7"},
        {6, 2, NT, true, "Win8"},         {6, 3, NT, true, "Win8"},         {6, 9, NT, true, "Win8"},
        {6, 10, NT, true, "WinUnknow"},   {7, 0, NT, true, "Win8"},         {7, 3, NT, true, "Win8"},
        {8, 0, NT, true, "WinUnknow"},    {10, 0, NT, true, "WinUnknow"},   {3, 51, NT, true, "WinUnknow"},
    };
    for (const auto& row : rows) {
        machine_.Version.dwMajorVersion = row.Major;
        machine_.Version.dwMinorVersion = row.Minor;
        machine_.Version.dwPlatformId = row.Platform;
        machine_.Windows64 = row.Windows64;
        EXPECT_EQ(TOSInfo::GetWindowsName(), row.Name) << row.Major << "." << row.Minor;
    }
    machine_.VersionKnown = false;
    EXPECT_EQ(TOSInfo::GetWindowsName(), "WinUnknow");
}

TEST_F(Probes, IsWow64IsTrueInOurBuildAndTheSourceCanDenyIt)
{
    machine_.Windows64 = false;
    EXPECT_FALSE(TOSInfo::IsWow64());
    TOSInfo::SetSource(nullptr);
    EXPECT_TRUE(TOSInfo::IsWow64());
}

TEST_F(Probes, OnWindows9xEveryUserCountsAsAdministratorAndPowerUser)
{
    machine_.Version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    machine_.Version.dwMajorVersion = 4;
    machine_.Version.dwMinorVersion = 10;
    EXPECT_TRUE(TOSInfo::IsAdministrator());
    EXPECT_TRUE(TOSInfo::IsPowerUser());
    EXPECT_TRUE(TOSInfo::IsInLocalGroup(0x12345));
}

}  // namespace
