// The setup script as the runtime will see it: the text of qzsetup.ini.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "authoring/SetupScriptWriter.h"
#include "tests/format/TestFolder.h"
#include "winlib/IniFile.h"

using namespace setupformat;

namespace {

// The file's lines without line ends.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> SectionNames(const std::string& text)
{
    std::vector<std::string> names;
    for (const std::string& line : Lines(text))
        if (!line.empty() && line.front() == '[') names.push_back(line.substr(1, line.size() - 2));
    return names;
}

// "key=value" lines of one section, in file order.
std::vector<std::string> SectionLines(const std::string& text, const std::string& section)
{
    std::vector<std::string> lines;
    bool inside = false;
    for (const std::string& line : Lines(text)) {
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
        } else if (inside && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

TSetupScript SampleScript()
{
    TSetupScript script;
    script.Set("BuildDate", "20240102");
    script.Set("Version", ScriptFormatVersion);
    script.Set("AppName", "Demo");
    script.SetBool("Uninstall", true);
    script.SetInteger("FilesCount", 3);
    script.SetInteger("FilesSize", ClampFilesSize(5000000000ULL));
    script.List(lsShortcuts).push_back({"<ProgramsMenu>\\App.lnk", "<InstallDir>\\app.exe", "App", "", "<InstallDir>",
                                        "<InstallDir>\\app.exe", "0", "Normal"});
    script.List(lsCommands).push_back({"<InstallDir>\\setup.cmd", "/q", "Hidden", "After", "Yes", "All"});
    script.Files.push_back(TFilesRecord{"<InstallDir>\\a.txt", 120, "Overwrite", "Yes"});
    script.Files.push_back(std::nullopt);
    script.Files.push_back(TFilesRecord{UninstallerTarget, 0, "Overwrite", "Yes"});
    script.EngineSize = 400000;
    return script;
}

}  // namespace

TEST(SetupScriptWriter, WritesSetupThenListsInFixedOrderThenFiles)
{
    TTestFolder folder;
    std::string file = folder / "qzsetup.ini";
    WriteSetupScript(SampleScript(), file);
    std::string text = TTestFolder::Read(file);

    EXPECT_EQ(SectionNames(text), (std::vector<std::string>{"Setup", "Shortcuts", "Commands", "Files"}))
        << "empty lists write no section; [Files] is last";
    EXPECT_EQ(SectionLines(text, "Setup"),
              (std::vector<std::string>{"BuildDate=20240102", "Version=5.4", "AppName=Demo", "Uninstall=1",
                                        "FilesCount=3", "FilesSize=2147483647", "EngineSize=400000"}))
        << "keys in the given order, EngineSize last";
    EXPECT_EQ(SectionLines(text, "Shortcuts"),
              (std::vector<std::string>{"0=<ProgramsMenu>\\App.lnk*?<InstallDir>\\app.exe*?App*?*?<InstallDir>*?"
                                        "<InstallDir>\\app.exe*?0*?Normal"}));
    EXPECT_EQ(SectionLines(text, "Files"),
              (std::vector<std::string>{"0=<InstallDir>\\a.txt?120?Overwrite?Yes",
                                        "2=<InstallDir>\\Uninstall.exe?0?Overwrite?Yes"}))
        << "an empty slot writes no key";
}

TEST(SetupScriptWriter, AllSlotsEmptyWritesNoFilesSection)
{
    TTestFolder folder;
    TSetupScript script;
    script.SetInteger("FilesCount", 2);
    script.Files.resize(2);
    WriteSetupScript(script, folder / "qzsetup.ini");
    EXPECT_EQ(SectionNames(TTestFolder::Read(folder / "qzsetup.ini")), (std::vector<std::string>{"Setup"}));
}

TEST(SetupScriptWriter, ReplacesAnOldFileInsteadOfMergingIntoIt)
{
    TTestFolder folder;
    std::string file = folder.Write("qzsetup.ini", "[Setup]\r\nStale=1\r\n[Registry]\r\n0=old\r\n");
    WriteSetupScript(SampleScript(), file);
    std::string text = TTestFolder::Read(file);
    EXPECT_EQ(text.find("Stale"), std::string::npos);
    EXPECT_EQ(text.find("[Registry]"), std::string::npos);
}

TEST(SetupScriptWriter, ValuesWithBlanksAndQuotesReadBackUnchanged)
{
    TTestFolder folder;
    TSetupScript script;
    const std::string command = "\"C:\\x y\\a.exe\" /a \"b\"";
    script.Set("AppName", " padded ");
    script.Set("CustomActionCommand", command);
    script.List(lsRegistry).push_back({"HKCU\\Software\\Demo", "Name", "String", "'q'", "Yes", "Yes"});
    WriteSetupScript(script, folder / "qzsetup.ini");

    winlib::TIniFile ini(folder / "qzsetup.ini");
    EXPECT_EQ(ini.ReadString("Setup", "AppName", ""), " padded ");
    EXPECT_EQ(ini.ReadString("Setup", "CustomActionCommand", ""), command);
    EXPECT_EQ(ini.ReadString("Registry", "0", ""), "HKCU\\Software\\Demo*?Name*?String*?'q'*?Yes*?Yes");
}

TEST(SetupScriptWriter, AQuestionMarkIsAllowedOutsideFiles)
{
    TTestFolder folder;
    TSetupScript script;
    script.List(lsCommands).push_back({"cmd.exe", "/c echo ?", "Hidden", "After", "Yes", "All"});
    EXPECT_NO_THROW(WriteSetupScript(script, folder / "qzsetup.ini"));
}

TEST(SetupScriptWriter, ValueOfExactlyThirtyTwoThousandCharactersIsWritten)
{
    TTestFolder folder;
    TSetupScript script;
    script.Set("AppName", std::string(32000, 'v'));
    WriteSetupScript(script, folder / "qzsetup.ini");
    EXPECT_EQ(winlib::TIniFile(folder / "qzsetup.ini").ReadString("Setup", "AppName", "").size(), 32000u);
}

// Every refusal names section and key, and nothing is written: not even a part of the file.
TEST(SetupScriptWriter, RefusesBadRecordsBeforeWritingAnything)
{
    struct {
        const char* What;
        std::function<void(TSetupScript&)> Spoil;
        const char* Names;
    } cases[] = {
        {"separator in a list field", [](TSetupScript& s) { s.List(lsCommands)[0][1] = "/a*?b"; },
         "[Commands] key \"0\""},
        {"question mark in a Files target", [](TSetupScript& s) { s.Files[0]->Target = "<InstallDir>\\a?.txt"; },
         "[Files] key \"0\""},
        {"question mark in a Files mode", [](TSetupScript& s) { s.Files[2]->Mode = "Ask?"; }, "[Files] key \"2\""},
        {"line feed in a Setup value", [](TSetupScript& s) { s.Set("AppName", "a\nb"); }, "[Setup] key \"AppName\""},
        {"carriage return in a list field", [](TSetupScript& s) { s.List(lsShortcuts)[0][2] = "a\rb"; },
         "[Shortcuts] key \"0\""},
        {"line feed in a Files field", [](TSetupScript& s) { s.Files[0]->Uninstall = "Yes\n"; }, "[Files] key \"0\""},
        {"value over 32,000 characters", [](TSetupScript& s) { s.Set("WebSite", std::string(32001, 'w')); },
         "[Setup] key \"WebSite\""},
        {"record over 32,000 characters",
         [](TSetupScript& s) { s.List(lsCommands)[0][0] = std::string(31990, 'c'); }, "[Commands] key \"0\""},
        {"wrong field count", [](TSetupScript& s) { s.List(lsIni).push_back({"a.ini", "S", "K"}); },
         "[INI] key \"0\""},
        {"unknown key", [](TSetupScript& s) { s.Set("AppNmae", "x"); }, "[Setup] key \"AppNmae\""},
        {"EngineSize among the keys", [](TSetupScript& s) { s.Set("EngineSize", "1"); },
         "[Setup] key \"EngineSize\""},
        {"key given twice", [](TSetupScript& s) { s.Setup.push_back({"appname", "again"}); },
         "[Setup] key \"appname\""},
        {"FilesCount that differs from the slots", [](TSetupScript& s) { s.SetInteger("FilesCount", 4); },
         "[Setup] key \"FilesCount\""},
        {"negative cabinet length", [](TSetupScript& s) { s.Files[0]->Length = -1; }, "[Files] key \"0\""},
    };
    for (const auto& c : cases) {
        TTestFolder folder;
        TSetupScript script = SampleScript();
        c.Spoil(script);
        std::string file = folder / "qzsetup.ini";
        try {
            WriteSetupScript(script, file);
            ADD_FAILURE() << c.What << ": not refused";
        } catch (const ESetupScriptError& e) {
            std::string message = e.what();
            EXPECT_NE(message.find(c.Names), std::string::npos) << c.What << ": " << message;
            EXPECT_NE(message.find(file), std::string::npos) << c.What << ": names the file: " << message;
        }
        EXPECT_FALSE(winlib::FileExists(file)) << c.What;
    }
}

TEST(SetupScriptWriter, RefusedScriptLeavesAnOldFileAlone)
{
    TTestFolder folder;
    const std::string old = "[Setup]\r\nAppName=Old\r\n";
    std::string file = folder.Write("qzsetup.ini", old);
    TSetupScript script = SampleScript();
    script.List(lsCommands)[0][0] = "a*?b";
    EXPECT_THROW(WriteSetupScript(script, file), ESetupScriptError);
    EXPECT_EQ(TTestFolder::Read(file), old);
}

TEST(UpdaterIni, GeneralSectionWithThreeKeysInOrder)
{
    TTestFolder folder;
    std::string file = folder / "Updater.ini";
    WriteUpdaterIni(file, "Demo", "1.2", "http://example.invalid/update.ini");
    std::string text = TTestFolder::Read(file);
    EXPECT_EQ(SectionNames(text), (std::vector<std::string>{"General"}));
    EXPECT_EQ(SectionLines(text, "General"),
              (std::vector<std::string>{"AppName=Demo", "AppVersion=1.2", "UpdateURL=http://example.invalid/update.ini"}));
    EXPECT_THROW(WriteUpdaterIni(folder / "Bad.ini", "Demo", "1\r\n2", ""), ESetupScriptError);
    EXPECT_FALSE(winlib::FileExists(folder / "Bad.ini"));
}
