// The runtime's uninstall log and Add/Remove entry, in-process against a scratch
// setup temp folder and the real registry (under a test GUID, removed afterwards).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../format/TestFolder.h"
#include "cabinet/UninstallLogFormat.h"
#include "runtime/Form1.h"
#include "runtime/Placeholders.h"
#include "winlib/Path.h"
#include "runtime/SetupState.h"
#include "runtime/UninstallLog.h"
#include "winlib/IniFile.h"
#include "winlib/Registry.h"

namespace {

using uninstlog::TUninstallLogReader;

constexpr char TestGuid[] = "{6B1D2A90-0C4E-4F7A-9E21-5A3C7D8E0F11}";
constexpr char UninstallParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class FakeFields : public IWizardFields {
public:
    std::string InstallDir() const override { return "C:\\Program Files\\KzLog App"; }
    std::string ProgramGroup() const override { return "KzLog Group"; }
    std::string UserName() const override { return ""; }
    std::string UserCompany() const override { return ""; }
    std::string CustomUserInfo() const override { return ""; }
    std::string Language() const override { return "English"; }
};

// A silent run with a script and language file in a scratch temp folder.
class LogRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::Setup() = TSetupState();
        TSetupState& s = ::Setup();
        s.SilentSetup = true;
        s.UninstallEnabled = true;
        s.Package64 = true;
        s.SetupTempDir = folder_.Path();
        s.Fields = &fields_;
        folder_.Write("Englishqz.lng",
                      "[Uninstall]\r\n0=Remove <AppName>?\r\n2=Done<#>bye\r\n6=six\r\n"
                      "[Updater]\r\n0=upd0\r\n8=upd8\r\n[Messages]\r\n14=Cannot write %s\r\n");
        s.LanguageIni = std::make_unique<winlib::TIniFile>(folder_ / "Englishqz.lng");
        s.SetupIni = std::make_unique<winlib::TIniFile>(folder_ / "qzsetup.ini");
        Script("AppName", "KzLog App");
        Script("AppVersion", "1.2");
        Script("GUID", TestGuid);
    }
    void TearDown() override
    {
        CloseUninstallLog();
        for (auto view : {winlib::RegView::View32, winlib::RegView::View64})
            for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
                winlib::TRegistry registry(root, view);
                for (const char* name : {TestGuid, "KzLog App"})
                    if (registry.KeyExists(std::string(UninstallParent) + name))
                        registry.DeleteKey(std::string(UninstallParent) + name);
            }
        ::Setup() = TSetupState();
    }
    void Script(const char* key, const std::string& value) { ::Setup().SetupIni->WriteString("Setup", key, value); }
    // The log's file, once the records kept in memory are saved.
    TUninstallLogReader Log() const
    {
        SaveUninstallLog();
        return TUninstallLogReader::FromFile(UninstallLogPath());
    }
    int Logged(const std::string& prefix) const
    {
        int count = 0;
        for (const std::string& line : ::Setup().LogList)
            count += line.rfind(prefix, 0) == 0;
        return count;
    }
    TTestFolder folder_;
    FakeFields fields_;
};

std::vector<std::string> Keys(const TUninstallLogReader& log, const char* section)
{
    std::vector<std::string> keys;
    for (const auto& data : log.Sections())
        if (data.Name == section)
            for (const auto& entry : data.Entries)
                keys.push_back(entry.Key);
    return keys;
}

TEST_F(LogRun, HeaderWritesTextsAndGeneralKeysInOrderUnderTheirConditions)
{
    struct {
        const char* Name;
        const char* Uninstall;
        const char* Updater;
        const char* MainExecutable;
        std::vector<std::string> Keys;
    } cases[] = {
        {"all on", "1", "1", "<InstallDir>\\app.exe",
         {"AppName", "AppVersion", "GUID", "Admin", "x64", "MainExecutable", "InstallDir", "ProgramGroupDir",
          "UninstallURL", "UninstallForce", "UninstallRestart", "SilentMode", "UpdateURL"}},
        {"log and updater off", "0", "0", "",
         {"AppName", "AppVersion", "GUID", "Admin", "x64", "InstallDir", "ProgramGroupDir"}},
    };
    for (const auto& c : cases) {
        Script("Uninstall", c.Uninstall);
        Script("Updater", c.Updater);
        Script("MainExecutable", c.MainExecutable);
        Script("UninstallURL", "http://kz.test/bye");
        OpenUninstallLog(false, "");
        TForm1 form;  // the header reads the wizard through Setup().Fields, not the window
        WriteUninstallLogHeader(form);
        CloseUninstallLog();
        TUninstallLogReader log = Log();
        EXPECT_EQ(Keys(log, "General"), c.Keys) << c.Name;
        EXPECT_EQ(log.Value("General", "Admin", "?"), "1") << c.Name;
        EXPECT_EQ(log.Value("General", "x64", "?"), "0") << c.Name;
        EXPECT_EQ(log.Value("General", "InstallDir", "?"), "C:\\Program Files\\KzLog App") << c.Name;
        EXPECT_EQ(log.Value("General", "ProgramGroupDir", "?"), ExpandPlaceholders("<ProgramGroup>")) << c.Name;
        EXPECT_EQ(log.Value("General", "UninstallURL", "none"), c.Uninstall[0] == '1' ? "" : "none") << c.Name;
        EXPECT_EQ(Keys(log, "Messages"), (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6"})) << c.Name;
        EXPECT_EQ(Keys(log, "Updater").size(), 9u) << c.Name;
        EXPECT_EQ(log.Value("Messages", "0", ""), "Remove KzLog App?") << c.Name;
        EXPECT_EQ(log.Value("Messages", "2", ""), "Done\r\nbye") << c.Name;
        EXPECT_EQ(log.Value("Updater", "8", ""), "upd8") << c.Name;
    }
    EXPECT_FALSE(::Setup().InstallErrors);
}

TEST_F(LogRun, UpgradeContinuesAfterTheInstalledRecords)
{
    TTestFolder installDir;
    installDir.Write("Uninstall.ini", std::string("[General]\r\nGUID=") + TestGuid +
                                          "\r\n[Files]\r\n0=C:\\a\r\n1=C:\\b\r\n2=C:\\c\r\n[Folders]\r\n0=C:\\d\r\n");
    OpenUninstallLog(true, installDir.Path());
    AddLogRecord(lsFiles, "C:\\new");
    AddLogRecord(lsRegistryKeys, "HKEY_CURRENT_USER\\Software\\KzLog");
    TUninstallLogReader log = Log();
    EXPECT_EQ(log.Value("Files", "3", ""), "C:\\new");
    EXPECT_EQ(log.Records("Files").size(), 4u);
    EXPECT_EQ(log.Value("RegistryKeys", "0", ""), "HKEY_CURRENT_USER\\Software\\KzLog");
    EXPECT_EQ(NextLogKey(lsFolders), 1u);
}

// A run over an installed copy continues its log and what a run that ended
// early left: each object once, the first record of it standing (an object
// created earlier stays created; a variable's original value stays the first).
TEST_F(LogRun, ContinuedLogHoldsEachObjectOnceWithItsFirstRecord)
{
    TTestFolder installDir;
    const std::string general = std::string("[General]\r\nGUID=") + TestGuid + "\r\nx64=0\r\n";
    installDir.Write("Uninstall.ini", general + "[Files]\r\n0=C:\\App\\a.txt\r\n[Folders]\r\n0=C:\\App\r\n"
                                      "[Environment]\r\n0=DKZ_NEW\r\n1=WKZ_OLD*?original\r\n2=UPATH*?C:\\bin\r\n"
                                      "[AssociationValues]\r\n0=HKEY_CLASSES_ROOT\\.kz*?kzfile*?REG_SZ*?own\r\n"
                                      "[Wallpaper]\r\n0=C:\\App\\p.bmp*?C:\\mine.bmp*?0*?2\r\n");
    installDir.Write("Uninstall.ini.part", general + "[Files]\r\n0=C:\\App\\a.txt\r\n1=C:\\App\\left.txt\r\n");
    OpenUninstallLog(false, installDir.Path());
    EXPECT_EQ(UninstallLogPath(), installDir.Path() + "\\Uninstall.ini.part");
    AddLogRecord(lsFiles, "c:\\app\\A.TXT");
    AddLogRecord(lsFiles, "C:\\App\\b.txt");
    AddLogRecord(lsFolders, "c:\\APP");
    AddUninstallItem("Environment", "WKZ_NEW*?v1");
    AddUninstallItem("Environment", "WKZ_OLD*?set by 1");
    AddUninstallItem("Environment", "UPATH*?C:\\other");
    AddUninstallItem("AssociationValues", "HKEY_CLASSES_ROOT\\.KZ*?kzfile2*?REG_SZ*?kzfile");
    AddUninstallItem("Wallpaper", "C:\\App\\p.bmp*?C:\\App\\p.bmp*?1*?0");
    EXPECT_TRUE(FinishUninstallLog());
    EXPECT_FALSE(winlib::FileExists(installDir.Path() + "\\Uninstall.ini.part"));
    TUninstallLogReader log = TUninstallLogReader::FromFile(installDir.Path() + "\\Uninstall.ini");
    EXPECT_EQ(log.Records("Files"), (std::vector<std::string>{"C:\\App\\a.txt", "C:\\App\\left.txt", "C:\\App\\b.txt"}));
    EXPECT_EQ(log.Records("Folders"), (std::vector<std::string>{"C:\\App"}));
    EXPECT_EQ(log.Records("Environment"),
              (std::vector<std::string>{"DKZ_NEW", "WKZ_OLD*?original", "UPATH*?C:\\bin", "UPATH*?C:\\other"}));
    // An association value keeps the first run's old value and takes what this run wrote.
    EXPECT_EQ(log.Records("AssociationValues"), (std::vector<std::string>{"HKEY_CLASSES_ROOT\\.kz*?kzfile2*?REG_SZ*?own"}));
    EXPECT_EQ(log.Records("Wallpaper"), (std::vector<std::string>{"C:\\App\\p.bmp*?C:\\mine.bmp*?0*?2"}));
    EXPECT_FALSE(::Setup().InstallErrors);
}

// A log this run must not continue is renamed aside, named in the setup log, and
// the run records as if there were none.
TEST_F(LogRun, LogOfAnotherProductOrWithoutHeaderIsKeptAside)
{
    const std::string files = "[Files]\r\n0=C:\\App\\old.txt\r\n";
    const std::string cases[] = {
        "[General]\r\nGUID={00000000-0000-0000-0000-000000000001}\r\nx64=0\r\n" + files,
        std::string("[General]\r\nGUID=") + TestGuid + "\r\nx64=1\r\n" + files,
        "garbage\r\n" + files,
    };
    for (const std::string& text : cases) {
        TTestFolder installDir;
        installDir.Write("Uninstall.ini", text);
        ::Setup().LogList.clear();
        OpenUninstallLog(false, installDir.Path());
        AddLogRecord(lsFiles, "C:\\App\\new.txt");
        EXPECT_EQ(Log().Records("Files"), (std::vector<std::string>{"C:\\App\\new.txt"})) << text;
        EXPECT_EQ(winlib::ReadWholeFile(installDir.Path() + "\\Uninstall.ini.old"), text);
        EXPECT_EQ(Logged("Uninstall log not continued"), 1) << text;
        CloseUninstallLog();
    }
    EXPECT_FALSE(::Setup().InstallErrors);
}

TEST_F(LogRun, RefusedRecordIsReportedOnceAndTheRunGoesOn)
{
    OpenUninstallLog(false, "");
    AddLogRecord(lsFiles, std::string(33000, 'x'));
    AddLogRecord(lsFiles, std::string(33000, 'y'));
    AddLogRecord(lsFiles, "C:\\kept");
    EXPECT_TRUE(::Setup().InstallErrors);
    EXPECT_EQ(Logged("Error file: " + UninstallLogPath()), 1);
    EXPECT_EQ(Log().Records("Files"), (std::vector<std::string>{"C:\\kept"}));
}

TEST_F(LogRun, AddUninstallItemKeepsOneRecordWhateverTheCase)
{
    OpenUninstallLog(false, "");
    AddUninstallItem("Fonts", "c:\\app\\A.DLL");
    AddUninstallItem("Fonts", "C:\\App\\a.dll");
    AddUninstallItem("Fonts", "C:\\App\\b.ttf");
    EXPECT_EQ(Log().Records("Fonts"), (std::vector<std::string>{"c:\\app\\A.DLL", "C:\\App\\b.ttf"}));
}

TEST(EstimatedSize, FilesSizeIsReadAsUnsigned32BitKilobytes)
{
    struct { const char* FilesSize; unsigned long Expected; } cases[] = {
        {"1048575", 1023}, {"0", 0}, {"", 0}, {"abc", 0},
        {"-1", 4194303}, {"-2147483648", 2097152}, {"4294967295", 4194303}, {"4294967296", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EstimatedSizeFromFilesSize(c.FilesSize), c.Expected) << c.FilesSize;
}

// ---- The Add/Remove entry (shares the machine's Uninstall key) --------------------

class EntryRun : public LogRun {
protected:
    void SetUp() override
    {
        LogRun::SetUp();
        Script("FilesSize", "1048575");
        Script("MainExecutable", "<InstallDir>\\app.exe");
        Script("CompanyName", "KzLog Co");
        OpenUninstallLog(false, "");
    }
    static bool EntryIn(HKEY root, winlib::RegView view, const std::string& name = TestGuid)
    {
        return winlib::TRegistry(root, view).KeyExists(std::string(UninstallParent) + name);
    }
};

TEST_F(EntryRun, RootFollowsInstallLevelAndAdminAndViewFollowsPackage)
{
    using V = winlib::RegView;
    struct { int Level; bool Admin; bool Package64; HKEY Root; V View; const char* LongRoot; } cases[] = {
        {0, true, true, HKEY_CURRENT_USER, V::View64, "HKEY_CURRENT_USER\\Software\\"},
        {1, false, true, HKEY_LOCAL_MACHINE, V::View64, "HKEY_LOCAL_MACHINE\\SOFTWARE\\"},
        {2, true, false, HKEY_LOCAL_MACHINE, V::View32, "HKEY_LOCAL_MACHINE\\SOFTWARE\\"},
        {2, false, true, HKEY_CURRENT_USER, V::View64, "HKEY_CURRENT_USER\\Software\\"},
    };
    for (const auto& c : cases) {
        ::Setup().InstallLevel = c.Level;
        ::Setup().UserIsAdmin = c.Admin;
        ::Setup().Package64 = c.Package64;
        std::string what = "level " + std::to_string(c.Level) + (c.Admin ? " admin" : " user");
        ASSERT_TRUE(WriteAddRemoveEntry()) << what;
        EXPECT_TRUE(EntryIn(c.Root, c.View)) << what;
        if (c.Root == HKEY_LOCAL_MACHINE)
            EXPECT_FALSE(EntryIn(c.Root, c.View == V::View64 ? V::View32 : V::View64)) << what;
        std::string fullName = std::string(c.LongRoot) + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + TestGuid;
        EXPECT_EQ(AddRemoveEntryName(), fullName) << what;
        EXPECT_TRUE(Log().HasRecord("RegistryKeys", fullName)) << what;
        DeleteAddRemoveEntry();
        EXPECT_FALSE(EntryIn(c.Root, c.View)) << what;
    }
    EXPECT_FALSE(::Setup().InstallErrors);
}

TEST_F(EntryRun, WritesThirteenValuesInOrderWithTheirTypesAndRecordsTheKeyOnce)
{
    ::Setup().InstallLevel = 1;
    ASSERT_TRUE(WriteAddRemoveEntry());
    ASSERT_TRUE(WriteAddRemoveEntry());  // an upgrade writes it again
    winlib::TRegistry entry(HKEY_LOCAL_MACHINE, winlib::RegView::View64);
    ASSERT_EQ(entry.OpenKeyReadOnly(std::string(UninstallParent) + TestGuid), ERROR_SUCCESS);
    std::vector<std::string> names;
    ASSERT_EQ(entry.GetValueNames(names), ERROR_SUCCESS);
    std::sort(names.begin(), names.end());  // Wine lists values by name, not in writing order
    EXPECT_EQ(names, (std::vector<std::string>{"DisplayIcon", "DisplayName", "DisplayVersion", "EstimatedSize",
                                               "HelpLink", "InstallDate", "InstallLocation", "NoModify",
                                               "NoRemove", "NoRepair", "Publisher", "URLInfoAbout",
                                               "UninstallString"}));
    for (const std::string& name : names) {
        DWORD type = 0;
        entry.ReadType(name, type);
        bool number = name == "EstimatedSize" || name.rfind("No", 0) == 0;
        EXPECT_EQ(type, number ? DWORD(REG_DWORD) : DWORD(REG_SZ)) << name;
    }
    DWORD size = 0, noRemove = 9;
    std::string text, date;
    entry.ReadInteger("EstimatedSize", size);
    entry.ReadInteger("NoRemove", noRemove);
    EXPECT_EQ(size, 1023u);
    EXPECT_EQ(noRemove, 0u);
    entry.ReadString("UninstallString", text);
    EXPECT_EQ(text, "C:\\Program Files\\KzLog App\\Uninstall.exe");
    entry.ReadString("InstallDate", date);
    EXPECT_EQ(date.size(), 8u);
    entry.ReadString("DisplayIcon", text);
    EXPECT_EQ(text, "C:\\Program Files\\KzLog App\\app.exe");
    EXPECT_EQ(Log().Records("RegistryKeys").size(), 1u);
}

TEST_F(EntryRun, NoIconWithoutMainExecutable)
{
    Script("MainExecutable", "");
    ::Setup().InstallLevel = 0;
    ASSERT_TRUE(WriteAddRemoveEntry());
    winlib::TRegistry entry(HKEY_CURRENT_USER, winlib::RegView::View64);
    ASSERT_EQ(entry.OpenKeyReadOnly(std::string(UninstallParent) + TestGuid), ERROR_SUCCESS);
    EXPECT_FALSE(entry.ValueExists("DisplayIcon"));
    EXPECT_TRUE(entry.ValueExists("NoRemove"));
}

TEST_F(EntryRun, OldEntryUnderTheProductNameGoesWithItsSubkeys)
{
    ::Setup().InstallLevel = 0;
    winlib::TRegistry old(HKEY_CURRENT_USER, winlib::RegView::View64);
    ASSERT_EQ(old.OpenKey(std::string(UninstallParent) + "KzLog App\\Sub", true), ERROR_SUCCESS);
    old.CloseKey();
    ASSERT_TRUE(WriteAddRemoveEntry());
    EXPECT_FALSE(EntryIn(HKEY_CURRENT_USER, winlib::RegView::View64, "KzLog App"));
    EXPECT_TRUE(EntryIn(HKEY_CURRENT_USER, winlib::RegView::View64));
}

TEST_F(EntryRun, UnsafeGuidWritesNothingAndUnsafeNameDeletesNothing)
{
    ::Setup().InstallLevel = 0;
    winlib::TRegistry uninstall(HKEY_CURRENT_USER, winlib::RegView::View64);
    ASSERT_EQ(uninstall.OpenKey(UninstallParent, true), ERROR_SUCCESS);
    std::vector<std::string> before, values;
    uninstall.GetKeyNames(before);
    uninstall.GetValueNames(values);
    for (const char* guid : {"", "..\\Uninstall", "{X}\\y"}) {
        Script("GUID", guid);
        EXPECT_FALSE(WriteAddRemoveEntry()) << guid;
    }
    EXPECT_EQ(Logged("Error registry key: HKEY_CURRENT_USER\\Software\\"), 3);
    EXPECT_TRUE(::Setup().InstallErrors);
    std::vector<std::string> after, valuesAfter;
    uninstall.GetKeyNames(after);
    uninstall.GetValueNames(valuesAfter);
    EXPECT_EQ(after, before);
    EXPECT_EQ(valuesAfter, values);
    EXPECT_FALSE(Log().HasSection("RegistryKeys"));

    // A valid GUID with an empty name, or a name equal to it, deletes nothing.
    Script("GUID", TestGuid);
    for (const char* name : {"", TestGuid}) {
        Script("AppName", name);
        ASSERT_TRUE(WriteAddRemoveEntry()) << name;
        EXPECT_TRUE(EntryIn(HKEY_CURRENT_USER, winlib::RegView::View64)) << name;
    }
    uninstall.GetKeyNames(after);
    EXPECT_EQ(after.size(), before.size() + 1);
}

}  // namespace
