// The authoring program's own handlers driven in-process as a user drives them,
// for end-to-end scripts that check the results with independent tools:
//
//   authoring_driver import-reg <project.zpf> <file.reg>
//       opens the project, Registry tab > "Import..." with the .reg file, prints
//       the text of the box that reports the import, saves the project.
//   authoring_driver create-data <project.zpf> <source folder>
//       opens the project, Tools > Create Data File from the source folder with
//       the shipped archiver, waits for data.zip beside the setup, saves the project.
//
// Exit code 0 when every step did what a user would see; 1 with a line on stderr
// otherwise (including any unexpected box, dialog or unreachable control).
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "winlib/Application.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

constexpr DWORD kArchiverTimeoutMs = 60000;
constexpr DWORD kPollMs = 100;

struct EDriver : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The build's dist folder (the engines, languages, pictures and Data\7za.exe) as
// Wine maps it: Unix paths are under Z:.
std::string DistFolder()
{
    std::string folder = "Z:" KIN_DIST_DIR;
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    return winlib::IncludeTrailingBackslash(folder);
}

// The test API reports through GoogleTest; here a reported failure ends the run.
void CheckNoFailure(const std::string& step)
{
    if (::testing::UnitTest::GetInstance()->Failed())
        throw EDriver(step + ": the test API reported a failure (see above)");
}

// The main window as process start makes it, with the project given on the
// command line, the program folder pointed at the dist folder, and preferences
// in a registry home of its own so that the user's are never touched.
class TSession {
public:
    explicit TSession(const std::string& project)
    {
        base_ = "Software\\KinTests\\AuthoringDriver-" + std::to_string(::GetCurrentProcessId());
        RegistryHome().Base = base_;
        AppState() = TAppState{};
        Parameters() = {project};
        form15_ = std::make_unique<TForm15>();
        form15_->CreateForm(nullptr);
        Form15 = form15_.get();
        form1_ = std::make_unique<TForm1>();
        Form1 = form1_.get();
        if (!form1_->CreateForm())
            throw EDriver("the main window was not created");
        form1_->SetMainForm(false);  // the driver ends it, not the program's loop
        AppState().ProgramFolder = DistFolder();
        {
            TExpectBoxes none;  // loading a valid project shows nothing
            form1_->ShowMain();  // the first show loads the project named on the command line
        }
        if (!winlib::SameText(AppState().ProjectFileName, winlib::ExpandFileName(project)))
            throw EDriver("the project was not loaded: " + project);
        CheckNoFailure("loading " + project);
    }
    ~TSession()
    {
        form1_.reset();
        form15_.reset();
        Form1 = nullptr;
        Form15 = nullptr;
        // A leftover key only costs space in the test prefix: nothing to report.
        (void)RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    TForm1& Form() { return *form1_; }

    // File > Save: the project goes back to the file it came from.
    void Save()
    {
        {
            TExpectBoxes none;
            ClickMenuItem(*form1_, form1_->MainMenu(), cmSave);
        }
        CheckNoFailure("File > Save");
        if (form1_->IsModified())
            throw EDriver("the project is still modified after File > Save");
    }

private:
    std::string base_;
    std::unique_ptr<TForm15> form15_;
    std::unique_ptr<TForm1> form1_;
};

int ImportReg(const std::string& project, const std::string& regFile)
{
    TSession session(project);
    TForm1& form = session.Form();
    ClickMenuItem(form, form.MainMenu(), cmViewSystem);
    ClickTab(form.Page(pgSystem), tabRegistry);
    {
        TDialogResponder dialogs;
        dialogs.Choose({regFile});
        TExpectBoxes boxes({IDOK});  // the box that lists what was not imported
        Click(form.Button20);
        if (dialogs.Requests().size() != 1)
            throw EDriver("Import... did not ask for a file");
        for (const winlib::TBoxRecord& box : boxes.Boxes())
            std::printf("%s\n", box.Text.c_str());
        std::fflush(stdout);
    }  // the responders report what they did not expect when they end
    CheckNoFailure("Import...");
    session.Save();
    return 0;
}

// Whether a process runs from this program file (compared as full paths).
bool ProgramRuns(const std::string& program)
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        throw EDriver("CreateToolhelp32Snapshot failed with error " + std::to_string(::GetLastError()));
    bool found = false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !found; more = ::Process32Next(snapshot, &entry)) {
        if (!winlib::SameText(entry.szExeFile, winlib::ExtractFileName(program)))
            continue;
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (process == nullptr)
            continue;  // ended between the snapshot and now
        char image[MAX_PATH];
        DWORD size = sizeof image;
        found = ::QueryFullProcessImageNameA(process, 0, image, &size) && winlib::SameText(image, program);
        ::CloseHandle(process);
    }
    ::CloseHandle(snapshot);
    return found;
}

// The archiver runs on its own: it writes data.zip.tmp and renames it to
// data.zip when complete, then ends.
void WaitForArchiver(const std::string& archiver, const std::string& archive)
{
    for (DWORD waited = 0; waited < kArchiverTimeoutMs; waited += kPollMs) {
        winlib::ProcessMessages();
        if (winlib::FileExists(archive) && !winlib::FileExists(archive + ".tmp") && !ProgramRuns(archiver))
            return;
        ::Sleep(kPollMs);
    }
    throw EDriver("no complete " + archive + " after " + std::to_string(kArchiverTimeoutMs / 1000) + " s");
}

int CreateData(const std::string& project, const std::string& source)
{
    TSession session(project);
    TForm1& form = session.Form();
    const std::string archiver = AppState().ProgramFolder + "Data\\7za.exe";
    const std::string archive =
        winlib::ExtractFilePath(form.ExpandProjectMacros(form.ESetupFile.Text())) + "data.zip";
    {
        TDialogResponder dialogs;
        dialogs.Choose({source});
        TExpectBoxes boxes({IDOK});  // "The following data file will be created"
        ClickMenuItem(form, form.MainMenu(), cmCreateDataFile);
        for (const winlib::TBoxRecord& box : boxes.Boxes())
            std::printf("%s\n", box.Text.c_str());
        std::fflush(stdout);
        if (boxes.Boxes().size() != 1 || dialogs.Requests().size() != 1)
            throw EDriver("Create Data File did not show its one box and the folder browser");
    }
    CheckNoFailure("Tools > Create Data File");
    WaitForArchiver(archiver, archive);
    session.Save();
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: authoring_driver import-reg <project.zpf> <file.reg>\n"
                 "       authoring_driver create-data <project.zpf> <source folder>\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return Usage();
    const std::string command = argv[1];
    try {
        if (command == "import-reg")
            return ImportReg(argv[2], argv[3]);
        if (command == "create-data")
            return CreateData(argv[2], argv[3]);
        return Usage();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "authoring_driver %s: %s\n", command.c_str(), error.what());
        return 1;
    }
}
