// The install run in-process: packages made here (a stand-in engine, one cabinet
// per file), the runtime state filled as the start-up would, boxes answered by
// the responder, and the end observed through the replaced process exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "cabinet/CabWriter.h"
#include "runtime/Form1.h"
#include "runtime/InstallRun.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "tests/startup/TestFiles.h"
#include "winlib/IniFile.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"

using namespace startup_test;

namespace {

const std::string VersionDir = INSTALL_VERSION_DIR;  // ver1.dll, ver2.dll, ver3.dll

struct TSetupEnded {
    int Code;
};
void ThrowEnded(int code) { throw TSetupEnded{code}; }

// One installed file of a test package.
struct TPkgFile {
    std::string Name;     // under the install folder
    std::string Content;  // new bytes; "" with Source set: a copy of Source
    std::string Mode = "Overwrite";
    std::string Uninstall = "Yes";
    std::string Source = {};
    std::string RawCabinet = {};  // bytes used as the cabinet instead of a real one
};

// Runs code in a window procedure's place: a control's messages seen by a test.
std::function<void(UINT, WPARAM, LPARAM)> subclassHandler;
WNDPROC subclassOld = nullptr;
LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (subclassHandler)
        subclassHandler(message, wParam, lParam);
    return CallWindowProcA(subclassOld, hwnd, message, wParam, lParam);
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::Setup() = TSetupState();
        SetProcessExit(ThrowEnded);
        ASSERT_TRUE(form_.Create(GetModuleHandleA(nullptr))) << GetLastError();
        TSetupState& s = ::Setup();
        s.Fields = &form_;
        s.CurrentPage = wpInstalling;
        s.SetupTempDir = CreateSetupTempDir(GetFolderPath(pkTempDir), GetTickCount() ^ GetCurrentProcessId());
        s.TempDirCreated = true;
        root_ = ScratchName("run");
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
        installDir_ = root_ + "\\App";
        form_.Edit1.SetText(installDir_ + "\\ ");
        WriteWholeFile(s.SetupTempDir + "\\English.lng",
                       "[Messages]\r\n0=App Setup\r\n1=Cancel the setup?\r\n12=Overwrite %s?\r\n"
                       "13=Cannot create the folder %s\r\n14=Cannot create %s\r\n"
                       "[Install]\r\n5=Modifying INI files...\r\n");
        s.LanguageIni = std::make_unique<winlib::TIniFile>(s.SetupTempDir + "\\English.lng");
    }

    void TearDown() override
    {
        if (subclassOld)
            SetWindowLongPtrA(subclassHwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassOld));
        subclassOld = nullptr;
        subclassHandler = nullptr;
        CleanupTemp();
        SetProcessExit(nullptr);
        winlib::DeleteTree(root_);
    }

    // Writes the package and the script. extra: more script lines ("[Others]\r\n0=...").
    void MakePackage(const std::vector<TPkgFile>& files, const std::string& extra = "")
    {
        TSetupState& s = ::Setup();
        std::string package = std::string(100, 'E');
        std::string script = "[Setup]\r\nAppName=App\r\nAppVersion=1.0\r\nFilesCount=" + std::to_string(files.size()) +
                             "\r\nEngineSize=100\r\nUninstall=1\r\nShowAddRemove=0\r\n[Files]\r\n";
        for (size_t i = 0; i < files.size(); ++i) {
            std::string cab = files[i].RawCabinet.empty() ? Cabinet(files[i]) : files[i].RawCabinet;
            package += cab;
            script += std::to_string(i) + "=<InstallDir>\\" + files[i].Name + "?" + std::to_string(cab.size()) + "?" +
                      files[i].Mode + "?" + files[i].Uninstall + "\r\n";
        }
        s.SetupExe = root_ + "\\setup.exe";
        WriteWholeFile(s.SetupExe, package);
        s.SetupCabinetOffset = static_cast<long long>(package.size());
        s.EngineSize = 100;
        WriteWholeFile(s.SetupTempDir + "\\qzsetup.ini", script + extra);
        s.SetupIni = std::make_unique<winlib::TIniFile>(s.SetupTempDir + "\\qzsetup.ini");
        s.UninstallEnabled = true;
        WriteWholeFile(s.SetupTempDir + "\\QZUninstall.exe", "uninstaller");
    }

    std::string Cabinet(const TPkgFile& file)
    {
        std::string source = file.Source;
        if (source.empty()) {
            source = root_ + "\\src-" + winlib::ExtractFileName(file.Name);
            WriteWholeFile(source, file.Content);
        }
        std::string cab = root_ + "\\one.cab";
        TSTCabWriter writer;
        writer.Open(cab);
        writer.AddFile(source, winlib::ExtractFileName(file.Name), false);
        writer.Close(true);
        return ReadWholeFile(cab);
    }

    // The file as it stands before the run.
    void Existing(const std::string& name, const std::string& content)
    {
        winlib::ForceDirectories(winlib::ExtractFileDir(Path(name)));
        WriteWholeFile(Path(name), content);
    }

    std::string Path(const std::string& name) const { return installDir_ + "\\" + name; }
    std::string Content(const std::string& name) const { return ReadWholeFile(Path(name)); }

    // -1 when the run returned, else the exit code it ended with.
    int Run()
    {
        try {
            InstallFiles(form_);
            return -1;
        } catch (const TSetupEnded& ended) {
            return ended.Code;
        }
    }

    void Subclass(HWND control, std::function<void(UINT, WPARAM, LPARAM)> handler)
    {
        subclassHwnd_ = control;
        subclassHandler = std::move(handler);
        subclassOld = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    }

    void ExpectEndedCleanly()
    {
        EXPECT_FALSE(winlib::FileExists(Path("Uninstall.ini")));
        EXPECT_FALSE(winlib::FileExists(Path("Uninstall.exe")));
        EXPECT_FALSE(winlib::DirectoryExists(tempDir_));
    }

    TForm1 form_;
    std::string root_, installDir_, tempDir_;
    HWND subclassHwnd_ = nullptr;
};

// ---- the overwrite question ----------------------------------------------------

struct TAskCase {
    const char* Name;
    std::vector<std::string> Modes;  // of existing files f0, f1, ...
    std::vector<int> Answers;
    std::vector<bool> Replaced;
};

TEST_F(InstallRun, EachWarningAnswerDecidesThisAndLaterExistingFiles)
{
    const TAskCase cases[] = {
        {"YesThenNo", {"Ask", "Ask"}, {oaYes, oaNo}, {true, false}},
        {"NoToAllSkipsEveryMode", {"Ask", "Overwrite", "Overwrite only if newer", "Ask"}, {oaNoToAll}, {false, false, false, false}},
        {"YesToAllSkipsTheVersionTestButNotSkip", {"Ask", "Overwrite only if newer", "Skip", "Ask"}, {oaYesToAll}, {true, true, false, true}},
    };
    for (const TAskCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<TPkgFile> files;
        for (size_t i = 0; i < c.Modes.size(); ++i) {
            std::string name = "d\\f" + std::to_string(i) + ".txt";
            Existing(name, "old");
            files.push_back({name, "new", c.Modes[i]});
        }
        MakePackage(files);
        // The old files are newer than the new ones: only Yes to All replaces "only if newer".
        for (size_t i = 0; i < c.Modes.size(); ++i) {
            HANDLE h = CreateFileA(Path(files[i].Name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            FILETIME future;
            SYSTEMTIME st = {2037, 1, 0, 1, 0, 0, 0, 0};
            SystemTimeToFileTime(&st, &future);
            SetFileTime(h, nullptr, nullptr, &future);
            CloseHandle(h);
        }
        winlib::TBoxResponder responder(c.Answers);
        ASSERT_EQ(Run(), -1);
        EXPECT_EQ(responder.UnscriptedCount(), 0);
        ASSERT_EQ(responder.Boxes().size(), c.Answers.size());
        EXPECT_EQ(responder.Boxes()[0].Caption, "Warning");
        EXPECT_EQ(responder.Boxes()[0].Text, "Overwrite " + Path(files[0].Name) + "?");
        for (size_t i = 0; i < c.Modes.size(); ++i)
            EXPECT_EQ(Content(files[i].Name), c.Replaced[i] ? "new" : "old") << "file " << i;
        winlib::DeleteTree(installDir_);
    }
}

TEST_F(InstallRun, ClosedWarningWithCancelRefusedSkipsTheFileAndKeepsItsOthers)
{
    Existing("a.dll", "old");
    MakePackage({{"a.dll", "new", "Ask"}, {"b.txt", "bee"}}, "[Others]\r\n0=XTYPE*?<InstallDir>\\a.dll*?No\r\n");
    winlib::TBoxResponder responder({IDCANCEL, IDNO});
    ASSERT_EQ(Run(), -1);
    ASSERT_EQ(responder.Boxes().size(), 2u);
    EXPECT_EQ(responder.Boxes()[1].Text, "Cancel the setup?");
    EXPECT_EQ(Content("a.dll"), "old");
    EXPECT_EQ(Content("b.txt"), "bee");
    winlib::TIniFile script(::Setup().SetupTempDir + "\\qzsetup.ini");
    EXPECT_EQ(script.ReadString("Others", "0", ""), "XTYPE*?<InstallDir>\\a.dll*?No");
}

TEST_F(InstallRun, ClosedWarningWithCancelConfirmedEndsWithZeroAndLeavesTheTarget)
{
    Existing("a.txt", "old");
    MakePackage({{"a.txt", "new", "Ask"}, {"b.txt", "bee"}});
    tempDir_ = ::Setup().SetupTempDir;
    winlib::TBoxResponder responder({IDCANCEL, IDYES});
    EXPECT_EQ(Run(), secOk);
    EXPECT_EQ(Content("a.txt"), "old");
    EXPECT_FALSE(winlib::FileExists(Path("b.txt")));
    ExpectEndedCleanly();
}

// ---- failures while unpacking -------------------------------------------------

TEST_F(InstallRun, LockedTargetIsReplacedAfterRetryOnceReleased)
{
    Existing("a.txt", "old");
    MakePackage({{"a.txt", "new"}});
    ::Setup().SilentSetup = true;  // the box shows all the same
    static HANDLE lock;
    lock = CreateFileA(Path("a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    // Releases the file when the failure box comes up, before the responder answers Retry.
    HHOOK release = SetWindowsHookExA(
        WH_CBT,
        [](int code, WPARAM w, LPARAM l) -> LRESULT {
            if (code == HCBT_ACTIVATE && lock != INVALID_HANDLE_VALUE) {
                CloseHandle(lock);
                lock = INVALID_HANDLE_VALUE;
            }
            return CallNextHookEx(nullptr, code, w, l);
        },
        nullptr, GetCurrentThreadId());
    {
        winlib::TBoxResponder responder({IDRETRY});
        ASSERT_EQ(Run(), -1);
        UnhookWindowsHookEx(release);
        ASSERT_EQ(responder.Boxes().size(), 1u);
        EXPECT_EQ(responder.Boxes()[0].Text, "Cannot create " + Path("a.txt"));
        EXPECT_EQ(responder.Boxes()[0].Flags, static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_DEFBUTTON2));
    }
    EXPECT_EQ(Content("a.txt"), "new");
    EXPECT_FALSE(::Setup().InstallErrors);
}

TEST_F(InstallRun, IgnoreKeepsTheOldFileUnrecordedAndClearsItsOthers)
{
    Existing("a.dll", "old bytes");
    MakePackage({{"a.dll", "", "Overwrite", "Yes", "", "not a cabinet at all"}, {"b.txt", "bee"}},
                "[Others]\r\n0=XTYPE*?<InstallDir>\\a.dll*?No\r\n1=XTYPE*?<InstallDir>\\a.dll.bak*?No\r\n");
    // Not silent: a silent run fails a damaged cabinet's record without a box (damage_e2e.sh).
    std::string script = ::Setup().SetupTempDir + "\\qzsetup.ini";
    winlib::TBoxResponder responder({IDIGNORE});
    ASSERT_EQ(Run(), -1);
    EXPECT_EQ(responder.Boxes().size(), 1u);
    EXPECT_EQ(Content("a.dll"), "old bytes");
    EXPECT_EQ(Content("b.txt"), "bee");
    EXPECT_TRUE(::Setup().InstallErrors);
    winlib::TIniFile ini(script);
    EXPECT_EQ(ini.ReadString("Others", "0", "x"), "");
    EXPECT_EQ(ini.ReadString("Others", "1", ""), "XTYPE*?<InstallDir>\\a.dll.bak*?No");  // exact match only
    std::string log = ReadWholeFile(Path("Uninstall.ini"));
    EXPECT_EQ(log.find("a.dll"), std::string::npos);
    EXPECT_NE(log.find("b.txt"), std::string::npos);
}

TEST_F(InstallRun, AbortEndsWithSixKeepsTheOldFileAndPutsNoLogInPlace)
{
    Existing("a.txt", "old bytes");
    MakePackage({{"a.txt", "", "Overwrite", "Yes", "", "garbage"}, {"b.txt", "bee"}});
    tempDir_ = ::Setup().SetupTempDir;
    winlib::TBoxResponder responder({IDABORT});
    EXPECT_EQ(Run(), secInstallAborted);
    EXPECT_EQ(Content("a.txt"), "old bytes");
    EXPECT_FALSE(winlib::FileExists(Path("b.txt")));
    ExpectEndedCleanly();
}

// ---- upgrade and cancel -------------------------------------------------------

TEST_F(InstallRun, UpgradeAddsNewRecordsAfterTheInstalledLogs)
{
    Existing("Uninstall.ini", "[General]\r\nGUID=\r\n[Files]\r\n0=C:\\x\\1\r\n1=C:\\x\\2\r\n2=C:\\x\\3\r\n");
    MakePackage({{"new.txt", "n"}});
    form_.Edit1.Enable(false);
    ASSERT_EQ(Run(), -1);
    winlib::TIniFile log(Path("Uninstall.ini"));
    EXPECT_EQ(log.ReadString("Files", "0", ""), "C:\\x\\1");
    EXPECT_EQ(log.ReadString("Files", "3", ""), Path("new.txt"));
    EXPECT_EQ(log.ReadString("Files", "4", ""), "");  // Uninstall.exe and .ini are not recorded again
}

// A target with "." or ".." segments is made and recorded in its plain form:
// the uninstaller refuses a record that climbs with "..".
TEST_F(InstallRun, TargetIsNormalisedBeforeItIsPlacedAndRecorded)
{
    MakePackage({{"sub\\..\\.\\dots.txt", "d"}});
    ASSERT_EQ(Run(), -1);
    EXPECT_EQ(Content("dots.txt"), "d");
    EXPECT_FALSE(winlib::DirectoryExists(Path("sub")));
    winlib::TIniFile log(Path("Uninstall.ini"));
    EXPECT_EQ(log.ReadString("Files", "0", ""), Path("dots.txt"));
}

TEST_F(InstallRun, CancelDuringALargeCopyEndsWithZeroBeforeTheFileIsTouched)
{
    Existing("big.bin", "old");
    std::string big(300000, '\0');
    unsigned seed = 12345;
    for (char& c : big)
        c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);  // incompressible: many blocks
    MakePackage({{"big.bin", big}});
    tempDir_ = ::Setup().SetupTempDir;
    HWND window = form_.Handle();
    // Asked when the file's name is shown; the run takes the answer between two
    // blocks of its cabinet, while the new copy is being written.
    Subclass(form_.LFile.Handle(), [window](UINT message, WPARAM, LPARAM text) {
        if (message == WM_SETTEXT && std::string(reinterpret_cast<const char*>(text)).find("big.bin") != std::string::npos)
            PostMessageA(window, WM_CLOSE, 0, 0);
    });
    winlib::TBoxResponder responder({IDYES});
    EXPECT_EQ(Run(), secOk);
    EXPECT_EQ(responder.Boxes().size(), 1u);
    EXPECT_EQ(Content("big.bin"), "old");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((installDir_ + "\\qzn*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "the partial new copy stayed: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    ExpectEndedCleanly();
}

TEST_F(InstallRun, CancelAtTheIniSectionEndsWithZeroBeforeItsRecords)
{
    std::string ini = root_ + "\\values.ini";
    MakePackage({{"a.txt", "a"}}, "[INI]\r\n0=" + ini + "*?S*?K1*?V1*?Yes*?Yes\r\n1=" + ini + "*?S*?K2*?V2*?Yes*?Yes\r\n");
    tempDir_ = ::Setup().SetupTempDir;
    HWND window = form_.Handle();
    Subclass(form_.LTask.Handle(), [window](UINT message, WPARAM, LPARAM text) {
        if (message == WM_SETTEXT && std::string(reinterpret_cast<const char*>(text)) == "Modifying INI files...")
            PostMessageA(window, WM_CLOSE, 0, 0);
    });
    winlib::TBoxResponder responder({IDYES});
    EXPECT_EQ(Run(), secOk);
    EXPECT_EQ(Content("a.txt"), "a");
    EXPECT_FALSE(winlib::FileExists(ini));
    ExpectEndedCleanly();
}

// ---- units -----------------------------------------------------------------

TEST(InstallProgressTest, StaysWithinAHundredForOneToSevenFiles)
{
    for (int count = 1; count <= 7; ++count)
        for (int i = 0; i < count; ++i)
            for (long long copied : {0LL, 2048LL, 4095LL, 4096LL})
                EXPECT_LE(InstallProgress(i, count, copied, 4096), 100) << count << " " << i << " " << copied;
    EXPECT_EQ(InstallProgress(1, 8, 0, 10), 12);   // 12.5 rounds to even
    EXPECT_EQ(InstallProgress(3, 8, 0, 10), 38);   // 37.5 rounds to even
    EXPECT_EQ(InstallProgress(6, 7, 4096, 4096), 100);
}

class NewerFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = ScratchName("newer"); CreateDirectoryA(dir_.c_str(), nullptr); }
    void TearDown() override { winlib::DeleteTree(dir_); }
    // A copy of a version file (or a plain file for "") with the given year as its date.
    std::string Make(const std::string& version, WORD year)
    {
        std::string path = dir_ + "\\f" + std::to_string(++n_) + ".dll";
        if (version.empty())
            WriteWholeFile(path, "plain");
        else
            CopyFileA((VersionDir + "\\ver" + version + ".dll").c_str(), path.c_str(), FALSE);
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SYSTEMTIME st = {year, 6, 0, 15, 12, 0, 0, 0};
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        SetFileTime(h, nullptr, nullptr, &ft);
        CloseHandle(h);
        return path;
    }
    std::string dir_;
    int n_ = 0;
};

TEST_F(NewerFileTest, VersionsDecideFirstThenDates)
{
    struct {
        const char* NewVersion;
        WORD NewYear;
        const char* OldVersion;
        WORD OldYear;
        bool Newer;
    } cases[] = {
        {"2", 2000, "1", 2020, true},    // higher version wins over an older date
        {"1", 2020, "2", 2000, false},   // lower version loses to a newer date
        {"3", 2010, "3", 2000, true},    // equal versions: the later date
        {"3", 2000, "3", 2010, false},
        {"3", 2010, "3", 2010, false},   // equal in everything: not newer
        {"", 2010, "2", 2000, true},     // a version missing: dates decide
        {"", 2000, "", 2010, false},
    };
    for (const auto& c : cases) {
        std::string newFile = Make(c.NewVersion, c.NewYear);
        std::string oldFile = Make(c.OldVersion, c.OldYear);
        EXPECT_EQ(IsNewerFile(newFile, oldFile), c.Newer) << c.NewVersion << "/" << c.NewYear << " vs " << c.OldVersion << "/" << c.OldYear;
    }
    EXPECT_EQ(GetFileVersionString(VersionDir + "\\ver2.dll"), "2.0.0.0");
    EXPECT_EQ(GetFileDateTime(dir_ + "\\missing.dll"), 0u);
}

TEST(InstallFoldersTest, InstallDirMustNameAFolderBelowADriveOrShareRoot)
{
    for (const char* good : {"C:\\A", "c:\\Program Files\\App", "\\\\srv\\share\\x"})
        EXPECT_TRUE(IsRootedBelowRoot(good)) << good;
    for (const char* bad : {"", "C:", "C:\\", "App", "\\App", "C:App", "\\\\srv\\share", "\\\\srv\\share\\", "\\\\srv"})
        EXPECT_FALSE(IsRootedBelowRoot(bad)) << bad;
}

}  // namespace
