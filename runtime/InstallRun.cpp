#include "runtime/InstallRun.h"

#include <windows.h>

#include <cfenv>
#include <cmath>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "cabinet/CabReader.h"
#include "cabinet/SetupFormat.h"
#include "runtime/Commands.h"
#include "runtime/Form1.h"
#include "runtime/InstallActions.h"
#include "runtime/InstallFolder.h"
#include "runtime/Language.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "runtime/UninstallLog.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"
#include "winlib/MessageDialog.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

constexpr char SetupCaption[] = "Setup";
constexpr char TempCabinetName[] = "qzfile.cab";
constexpr char StageFolderName[] = "qzstage";
constexpr char CorruptText[] = "The setup file is corrupted.";
constexpr char TempCabinetError[] = "Error creating file:<#>%s<#><#>Access is denied.";
constexpr DWORD CopyBlockSize = 2048;

// Whether the uninstall log is open, so that AbortInstall closes only what was opened.
bool logOpen = false;
// The setup window while the run lasts: the owner of its boxes.
HWND runWindow = nullptr;

winlib::TIniFile& Script() { return *Setup().SetupIni; }

// A [Messages] text with its subject, shown unless silent.
void ReportError(TLngKey message, const std::string& subject)
{
    if (Setup().SilentSetup)
        return;
    winlib::ShowMessageBox(runWindow, LanguageText(message, subject), SetupCaption, MB_OK | MB_ICONERROR);
}

// An [Install] task line: the run expands its placeholders.
std::string TaskText(TLngKey task) { return ExpandPlaceholders(LanguageText(task)); }

std::string OsErrorText(DWORD code) { return winlib::SysErrorMessage(code) + " (code " + std::to_string(code) + ")"; }

// A strict signed 32-bit decimal after trimming; false for anything else.
bool ParseLength(const std::string& text, int& value)
{
    long long number = 0;
    if (!winlib::ParseDecimal(winlib::Trim(text), INT32_MIN, INT32_MAX, number))
        return false;
    value = static_cast<int>(number);
    return true;
}

// One [Files] record, read as its four fields say.
struct TFileRecord {
    std::string Target;     // expanded
    int Length = 0;         // bytes of its cabinet in the setup file
    std::string Mode;       // upper-cased
    bool Uninstall = false;
    bool UninstallerSlot = false;  // only reserves the uninstaller's place
};

bool ReadFileRecord(const std::string& value, TFileRecord& record)
{
    std::vector<std::string> fields = winlib::SplitRecord(value, setupformat::FilesSeparator);
    if (fields.size() < 4 || !ParseLength(fields[1], record.Length))
        return false;
    record.Target = ExpandPlaceholders(fields[0]);
    record.Mode = winlib::UpperCase(winlib::Trim(fields[2]));
    record.Uninstall = winlib::UpperCase(fields[3]) == "YES";
    record.UninstallerSlot = record.Length == 0 &&
        winlib::UpperCase(value).find(winlib::UpperCase(setupformat::UninstallerTarget)) != std::string::npos;
    return true;
}

// An open file handle, closed on every way out (an abort in a test unwinds).
class THandle {
public:
    THandle() = default;
    explicit THandle(HANDLE h) : h_(h) {}
    ~THandle() { Close(); }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    void Reset(HANDLE h) { Close(); h_ = h; }
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    void Close()
    {
        if (Valid())
            CloseHandle(h_);  // a read handle, or a file we are about to drop: nothing to flush
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Copies source to a temporary name in target's folder (so that the copy gets
// that folder's permissions) and renames it over target. The old target is
// untouched unless the rename succeeds. Returns 0 or the OS error.
DWORD PlaceFile(const std::string& source, const std::string& target)
{
    std::string folder = winlib::ExtractFileDir(target);
    char temp[MAX_PATH + 1] = {};
    if (!GetTempFileNameA(folder.c_str(), "qzn", 0, temp))
        return GetLastError();
    if (!CopyFileA(source.c_str(), temp, FALSE)) {
        DWORD error = GetLastError();
        DeleteFileA(temp);  // our own empty placeholder; nothing to report beyond the copy
        return error;
    }
    DWORD oldAttributes = GetFileAttributesA(target.c_str());
    bool readOnly = oldAttributes != INVALID_FILE_ATTRIBUTES && (oldAttributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly)
        SetFileAttributesA(target.c_str(), oldAttributes & ~FILE_ATTRIBUTE_READONLY);  // the rename reports a refusal
    if (MoveFileExA(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    DWORD error = GetLastError();
    DeleteFileA(temp);
    if (readOnly)
        SetFileAttributesA(target.c_str(), oldAttributes);
    return error;
}

// Registers an old COM server again after its replacement failed.
void RegisterDllAgain(const std::string& path)
{
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library)
        return;  // it did not load for the unregistration either
    using TEntry = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<TEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
    if (entry && FAILED(entry()))
        LogLine("Error activex: " + path);
    FreeLibrary(library);
}

bool IsComServerName(const std::string& path)
{
    std::string ext = winlib::UpperCase(winlib::ExtractFileExt(path));
    return ext == ".DLL" || ext == ".OCX";
}

// The list sections of step 9, in their order.
struct TSectionStep {
    const char* Section;
    std::optional<TLngKey> Task;  // none: the task text stays
    void (*Action)(TForm1& form, const std::string& record);
};

const TSectionStep SectionSteps[] = {
    {"Shortcuts", Lng("Install", 3), [](TForm1&, const std::string& r) { CreateShortcut(r); }},
    {"Extensions", Lng("Install", 6), [](TForm1& f, const std::string& r) { CreateAssociation(f, r); }},
    {"Registry", Lng("Install", 4), [](TForm1&, const std::string& r) { CreateRegistryValue(r); }},
    {"INI", Lng("Install", 5), [](TForm1&, const std::string& r) { WriteIniValue(r); }},
    {"Environments", Lng("Install", 10), [](TForm1&, const std::string& r) { ApplyEnvironmentVariable(r); }},
    {"Others", Lng("Install", 10), [](TForm1&, const std::string& r) { ProcessOtherItem(r); }},
    {"Commands", std::nullopt, [](TForm1&, const std::string& r) { RunCommands(2, r); }},
};

enum class TRemembered { None, OverwriteAll, SkipAll };
enum class TUnpackResult { Placed, NotNewer, Failed };

class TInstallRun {
public:
    explicit TInstallRun(TForm1& form) : form_(form), s_(Setup()) {}
    void Run();

private:
    void Start();
    void CheckCancel();
    [[noreturn]] void Abort(int code);
    void OpenSetupFile();
    void InstallRecord(int i);
    bool ResolveExisting(TFileRecord& record, bool& versionTest);
    void MakeFolders(const TFileRecord& record);
    void CopyCabinet(int i, const TFileRecord& record);
    TUnpackResult UnpackAndPlace(const TFileRecord& record, bool versionTest, bool& unregistered, std::string& error);
    bool StageFile(std::string& staged, std::string& error);
    void PassOver(const TFileRecord& record, bool cancelOthers);
    void RecordOwnFiles();
    void RunSections();
    void Finish();
    bool CopyIntoInstallDir(const std::string& source, const std::string& name);

    TForm1& form_;
    TSetupState& s_;
    std::string installDir_;
    TRemembered remembered_ = TRemembered::None;
    THandle exe_;
    long long offset_ = 0;  // read offset of the next file cabinet in the setup file
    int filesCount_ = 0;
};

void TInstallRun::Abort(int code)
{
    exe_.Close();
    AbortInstall(code);
}

// Cancel is tested before each record of every section and before the final
// steps, not only in the copy: a confirmed cancel must never let the run go on.
void TInstallRun::CheckCancel()
{
    winlib::ProcessMessages();
    if (s_.CancelRequested)
        Abort(secOk);
}

// Step 1, with the install folder checked by the destination page's rule: a
// drive or share root only when chosen, never one another product lives in.
void TInstallRun::Start()
{
    s_.CancelRequested = false;
    s_.InstallErrors = false;
    installDir_ = winlib::ExcludeTrailingBackslash(winlib::Trim(form_.Edit1.Text()));
    form_.Edit1.SetText(installDir_);
    form_.ProgressBar1.SetPosition(0);
    form_.LTask.SetText(TaskText(Lng("Install", 2)));
    if (!InstallFolderAccepted(form_)) {
        LogLine("Error dir: " + installDir_);
        ReportError(Lng("Messages", 13, TLngReader::InstallRun), installDir_);
        Abort(secInstallAborted);
    }
}

void TInstallRun::OpenSetupFile()
{
    exe_.Reset(CreateFileA(s_.SetupExe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!exe_.Valid()) {
        LogLine("Error file: " + s_.SetupExe + ": " + OsErrorText(GetLastError()));
        ReportError(Lng("Messages", 14), s_.SetupExe);
        Abort(secInstallAborted);
    }
    offset_ = s_.EngineSize;
    filesCount_ = Script().ReadInteger("Setup", "FilesCount", 0);
}

void TInstallRun::Run()
{
    Start();
    OpenUninstallLog(!form_.Edit1.Enabled(), installDir_);  // 2
    logOpen = true;
    WriteUninstallLogHeader(form_);                         // 3
    CheckCancel();                                          // 5
    OpenSetupFile();
    for (int i = 0; i < filesCount_; ++i) {                 // 6
        CheckCancel();
        InstallRecord(i);
    }
    exe_.Close();                                           // 7
    winlib::ProcessMessages();
    RecordOwnFiles();                                       // 8
    RunSections();                                          // 9
    CheckCancel();
    form_.ProgressBar1.SetPosition(100);                    // 11
    form_.LTask.SetText(TaskText(Lng("Install", 10)));
    CheckCancel();
    Finish();                                               // 12, 13
    winlib::ProcessMessages();                              // 14
}

// Passes a record's cabinet by; a file that will not be installed must not be
// registered, so its [Others] entries go unless the user's close was refused.
void TInstallRun::PassOver(const TFileRecord& record, bool cancelOthers)
{
    offset_ += record.Length;
    if (cancelOthers)
        CancelOtherItemsFor(record.Target);
}

void TInstallRun::InstallRecord(int i)
{
    std::string value = Script().ReadString("Files", std::to_string(i), "");
    if (value.empty())
        return;  // the read offset does not move
    TFileRecord record;
    if (!ReadFileRecord(value, record) || record.Length < 0 || offset_ + record.Length > s_.SetupCabinetOffset) {
        LogLine("Corrupt [Files] record " + std::to_string(i) + ": " + value);
        if (!s_.SilentSetup)
            winlib::ShowMessageBox(form_.Handle(), CorruptText, "Error", MB_OK | MB_ICONERROR);
        Abort(secInstallAborted);
    }
    form_.LFile.SetText(ShortenPath(record.Target));
    if (!IsRootedBelowRoot(record.Target)) {
        LogLine("Error dir: " + record.Target);
        ReportError(Lng("Messages", 13, TLngReader::InstallRun), record.Target);
        Abort(secInstallAborted);
    }
    // A target without a file name ("<InstallDir>\sub\") can never be placed: no
    // Retry could mend it, so the record fails without a box.
    if (winlib::ExtractFileName(record.Target).empty()) {
        LogLine("Error file: " + record.Target);
        s_.InstallErrors = true;
        PassOver(record, true);
        return;
    }
    bool versionTest = false;
    if (winlib::FileExists(record.Target) && !ResolveExisting(record, versionTest))
        return;
    MakeFolders(record);
    if (record.UninstallerSlot)
        return;  // the uninstaller itself arrives at the end of the run
    CopyCabinet(i, record);

    bool unregistered = false;
    for (;;) {
        std::string error;
        TUnpackResult result = UnpackAndPlace(record, versionTest, unregistered, error);
        if (result == TUnpackResult::NotNewer) {
            PassOver(record, true);
            return;
        }
        if (result == TUnpackResult::Placed)
            break;
        LogLine("Error file: " + record.Target);
        LogLine(error);
        // Shown also when silent: only a person can free a locked file.
        int answer = winlib::ShowMessageBox(form_.Handle(), LanguageText(Lng("Messages", 14), record.Target),
                                            SetupCaption, MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_DEFBUTTON2);
        if (answer == IDRETRY)
            continue;
        if (unregistered)
            RegisterDllAgain(record.Target);  // the old file stays, so its registration must too
        if (answer != IDIGNORE)
            Abort(secInstallAborted);
        s_.InstallErrors = true;
        PassOver(record, true);
        return;
    }
    offset_ += record.Length;
    if (s_.UninstallEnabled && record.Uninstall)
        AddLogRecord(lsFiles, record.Target);
    winlib::ProcessMessages();
}

// Step 6.4: what to do with a file that exists. False: the record is passed over.
bool TInstallRun::ResolveExisting(TFileRecord& record, bool& versionTest)
{
    std::string mode = record.Mode;
    if (s_.SilentSetup && mode == "ASK")
        mode = "OVERWRITE";
    if (remembered_ == TRemembered::None && mode == "ASK") {
        static const std::vector<winlib::TDialogButton> buttons = {
            {"&Yes", oaYes}, {"&No", oaNo}, {"N&o to All", oaNoToAll}, {"Yes to &All", oaYesToAll}};
        int answer = winlib::ShowMessageDialog(
            form_.Handle(), LanguageText(Lng("Messages", 12), record.Target), "Warning", IDI_WARNING,
            MB_ICONWARNING, buttons);
        switch (answer) {
        case oaYes: mode = "OVERWRITE"; break;
        case oaNo: mode = "SKIP"; break;
        case oaYesToAll: remembered_ = TRemembered::OverwriteAll; mode = "OVERWRITE"; break;
        case oaNoToAll: remembered_ = TRemembered::SkipAll; mode = "SKIP"; break;
        default:
            // Closed without a button: the window's close query decides.
            SendMessageA(form_.Handle(), WM_CLOSE, 0, 0);
            if (s_.CancelRequested)
                Abort(secOk);
            PassOver(record, false);
            return false;
        }
    }
    if (mode == "SKIP" || remembered_ == TRemembered::SkipAll) {
        PassOver(record, true);
        return false;
    }
    // Yes to All replaces without the version test; so does any mode but "only if newer".
    versionTest = mode == "OVERWRITE ONLY IF NEWER" && remembered_ != TRemembered::OverwriteAll;
    return true;
}

void TInstallRun::MakeFolders(const TFileRecord& record)
{
    std::string failed;
    if (CreateMissingFolders(record.Target, false, s_.UninstallEnabled && record.Uninstall, failed))
        return;
    LogLine("Error dir: " + failed + ": " + OsErrorText(GetLastError()));
    ReportError(Lng("Messages", 13, TLngReader::InstallRun), failed);
    Abort(secInstallAborted);
}

// Step 6.7: the record's cabinet into <SetupTempDir>\qzfile.cab, 2048 bytes at a
// time, with progress and a cancel test after each block.
void TInstallRun::CopyCabinet(int i, const TFileRecord& record)
{
    const std::string cabinet = s_.SetupTempDir + "\\" + TempCabinetName;
    auto fail = [&](THandle& out, DWORD error) {
        out.Close();
        LogLine("Error file: " + cabinet);
        LogLine(OsErrorText(error));
        if (!s_.SilentSetup)
            winlib::ShowMessageBox(form_.Handle(), FormatMessage1(TempCabinetError, cabinet), SetupCaption,
                                   MB_OK | MB_ICONERROR);
        Abort(secInstallAborted);
    };
    THandle out(CreateFileA(cabinet.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid())
        fail(out, GetLastError());
    LARGE_INTEGER position;
    position.QuadPart = offset_;
    if (!SetFilePointerEx(exe_.Get(), position, nullptr, FILE_BEGIN))
        fail(out, GetLastError());
    char block[CopyBlockSize];
    long long copied = 0;
    for (;;) {
        DWORD due = static_cast<DWORD>(std::min<long long>(CopyBlockSize, record.Length - copied));
        DWORD read = 0, written = 0;
        if (!ReadFile(exe_.Get(), block, due, &read, nullptr))
            fail(out, GetLastError());
        if (read < due)
            fail(out, ERROR_HANDLE_EOF);  // bounds were checked: the setup file changed under us
        if (read > 0 && (!WriteFile(out.Get(), block, read, &written, nullptr) || written != read))
            fail(out, GetLastError());
        copied += read;
        form_.ProgressBar1.SetPosition(InstallProgress(i, filesCount_, copied, record.Length));
        winlib::ProcessMessages();
        if (s_.CancelRequested) {
            out.Close();  // the temp folder can only go once the cabinet is closed
            Abort(secOk);
        }
        if (read < CopyBlockSize)
            break;
    }
    out.Close();
    winlib::ProcessMessages();
}

// Unpacks qzfile.cab into an emptied <SetupTempDir>\qzstage; its one file,
// whatever its stored name, is the new copy.
bool TInstallRun::StageFile(std::string& staged, std::string& error)
{
    const std::string stage = s_.SetupTempDir + "\\" + StageFolderName;
    winlib::DeleteTree(stage);  // what stays makes the count below fail, which is reported
    if (!CreateDirectoryA(stage.c_str(), nullptr)) {
        error = "Cannot create " + stage + ": " + OsErrorText(GetLastError());
        return false;
    }
    try {
        TSTCabReader reader;
        reader.ExtractFiles(s_.SetupTempDir + "\\" + TempCabinetName, stage, 1);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((stage + "\\*").c_str(), &found);
    int files = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (std::string(found.cFileName) != "." &&
                                                                         std::string(found.cFileName) != "..")) {
                ++files;
                staged = stage + "\\" + found.cFileName;
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (files != 1 || !winlib::FileExists(staged)) {
        error = "The cabinet for this file holds " + std::to_string(files) + " entries instead of one file";
        return false;
    }
    return true;
}

// Steps 6.8-6.10: the new copy is complete before the old file is touched, and
// the old file is replaced in one rename, so a failure leaves it as it was.
TUnpackResult TInstallRun::UnpackAndPlace(const TFileRecord& record, bool versionTest, bool& unregistered,
                                          std::string& error)
{
    std::string staged;
    if (!StageFile(staged, error))
        return TUnpackResult::Failed;
    bool exists = winlib::FileExists(record.Target);
    if (versionTest && exists && !IsNewerFile(staged, record.Target)) {
        winlib::DeleteTree(s_.SetupTempDir + "\\" + StageFolderName);  // a leftover goes with the temp folder
        return TUnpackResult::NotNewer;
    }
    if (exists && !unregistered && IsComServerName(record.Target)) {
        UnregisterDll(record.Target);
        unregistered = true;
        Sleep(300);  // lets a server's own clean-up threads end before the file is replaced
        winlib::ProcessMessages();
    }
    if (DWORD code = PlaceFile(staged, record.Target)) {
        error = "Cannot replace " + record.Target + ": " + OsErrorText(code);
        return TUnpackResult::Failed;
    }
    return TUnpackResult::Placed;
}

void TInstallRun::RecordOwnFiles()
{
    if (s_.UninstallEnabled && form_.Edit1.Enabled()) {
        AddLogRecord(lsFiles, installDir_ + "\\Uninstall.exe");
        AddLogRecord(lsFiles, installDir_ + "\\Uninstall.ini");
    }
    if (Script().ReadBool("Setup", "Updater", false))
        AddLogRecord(lsFiles, installDir_ + "\\Updater.exe");
}

void TInstallRun::RunSections()
{
    for (const TSectionStep& step : SectionSteps) {
        if (step.Task)
            form_.LTask.SetText(TaskText(*step.Task));
        std::vector<std::string> keys = Script().ReadSection(step.Section);
        for (const std::string& key : keys) {
            CheckCancel();
            std::string value = Script().ReadString(step.Section, key, "");
            try {
                step.Action(form_, value);
            } catch (const std::exception& e) {
                // An action reports its own failures; one that escapes still only fails its record.
                LogLine(std::string("Error ") + step.Section + ": " + value + ": " + e.what());
                s_.InstallErrors = true;
            }
        }
        if (std::string(step.Section) == "Environments" && !keys.empty()) {
            DWORD_PTR result = 0;  // the answer of the windows does not matter
            SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                                SMTO_ABORTIFHUNG, 5000, &result);
        }
        if (step.Task)
            form_.LFile.SetText("");
    }
}

bool TInstallRun::CopyIntoInstallDir(const std::string& source, const std::string& name)
{
    std::string target = installDir_ + "\\" + name;
    DWORD code = winlib::FileExists(source) ? PlaceFile(source, target) : ERROR_FILE_NOT_FOUND;
    if (code == 0)
        return true;
    LogLine("Error file: " + target);
    LogLine(source + ": " + OsErrorText(code));
    ReportError(Lng("Messages", 14), target);
    s_.InstallErrors = true;
    return false;
}

// Steps 12-13 in an order that never leaves an entry without its uninstaller
// and log: uninstaller and updater, the entry only with Uninstall.exe in place,
// then the log, and the entry goes again when the log cannot follow.
void TInstallRun::Finish()
{
    bool uninstallerPlaced = false;
    if (s_.UninstallEnabled)
        uninstallerPlaced = CopyIntoInstallDir(s_.SetupTempDir + "\\" + setupformat::UninstallerMemberName, "Uninstall.exe");
    if (Script().ReadBool("Setup", "Updater", false))
        CopyIntoInstallDir(s_.SetupTempDir + "\\" + setupformat::UpdaterMemberName, "Updater.exe");
    bool entry = false;
    if (uninstallerPlaced && Script().ReadBool("Setup", "ShowAddRemove", false))
        entry = WriteAddRemoveEntry();
    CloseUninstallLog();
    logOpen = false;
    if (s_.UninstallEnabled && !CopyIntoInstallDir(UninstallLogPath(), "Uninstall.ini") && entry)
        DeleteAddRemoveEntry();
}

}  // namespace

void InstallFiles(TForm1& form)
{
    runWindow = form.Handle();
    TInstallRun run(form);
    run.Run();
}

void AbortInstall(int exitCode)
{
    if (logOpen) {
        logOpen = false;
        CloseUninstallLog();  // it stays in the temp folder, which goes below
    }
    ReleaseSetupResources();
    EndSetup(exitCode);
}

bool IsRootedBelowRoot(const std::string& path)
{
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 4 && letter(path[0]) && path[1] == ':' && path[2] == '\\')
        return true;
    if (path.size() < 2 || path[0] != '\\' || path[1] != '\\')
        return false;
    size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2)
        return false;
    size_t shareEnd = path.find('\\', serverEnd + 1);
    return shareEnd != std::string::npos && shareEnd > serverEnd + 1 && shareEnd + 1 < path.size();
}

bool CreateMissingFolders(const std::string& path, bool includeLast, bool record, std::string& failedFolder)
{
    std::string work = includeLast ? winlib::ExcludeTrailingBackslash(path) + "\\" : path;
    // Below a drive's root, or below \\server\share: neither root is ever made.
    size_t start = 3;
    if (work.size() >= 2 && work[0] == '\\' && work[1] == '\\') {
        size_t serverEnd = work.find('\\', 2);
        size_t shareEnd = serverEnd == std::string::npos ? serverEnd : work.find('\\', serverEnd + 1);
        if (shareEnd == std::string::npos)
            return true;  // no folder below the share in the path
        start = shareEnd + 1;
    }
    for (size_t p = work.find('\\', start); p != std::string::npos; p = work.find('\\', p + 1)) {
        std::string folder = work.substr(0, p);
        if (folder.empty() || folder.back() == '\\' || winlib::DirectoryExists(folder))
            continue;
        if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            failedFolder = folder;
            return false;
        }
        if (record)
            AddLogRecord(lsFolders, folder);
    }
    return true;
}

int InstallProgress(int i, int filesCount, long long copied, long long length)
{
    if (filesCount <= 0)
        return 0;
    std::fesetround(FE_TONEAREST);  // nearbyint: halves to even
    double done = std::nearbyint(i * 100.0 / filesCount);
    double share = std::nearbyint(100.0 / filesCount);
    double part = std::nearbyint(static_cast<double>(copied) * share / (static_cast<double>(length) + 1));
    double position = done + part;
    return position < 0 ? 0 : position > 100 ? 100 : static_cast<int>(position);
}

unsigned long GetFileDateTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return (static_cast<unsigned long>(date) << 16) | time;
}

namespace {

// Four dot-separated decimal parts, or nothing.
bool SplitVersion(const std::string& text, unsigned long parts[4])
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t dot; (dot = text.find('.', start)) != std::string::npos; start = dot + 1)
        fields.push_back(text.substr(start, dot - start));
    fields.push_back(text.substr(start));
    if (fields.size() != 4)
        return false;
    for (int k = 0; k < 4; ++k) {
        if (fields[k].empty() || fields[k].size() > 9 || fields[k].find_first_not_of("0123456789") != std::string::npos)
            return false;
        parts[k] = std::stoul(fields[k]);
    }
    return true;
}

}  // namespace

bool IsNewerFile(const std::string& newFile, const std::string& oldFile)
{
    unsigned long newParts[4], oldParts[4];
    if (SplitVersion(GetFileVersionString(newFile), newParts) && SplitVersion(GetFileVersionString(oldFile), oldParts)) {
        for (int k = 0; k < 4; ++k)
            if (newParts[k] != oldParts[k])
                return newParts[k] > oldParts[k];
    }
    return GetFileDateTime(oldFile) < GetFileDateTime(newFile);
}

void UnregisterDll(const std::string& path)
{
    if (!winlib::FileExists(path))
        return;
    HMODULE library = LoadLibraryA(path.c_str());
    if (!library)
        return;  // not a library this process can load (an i386 one): nothing to undo before the copy
    using TEntry = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<TEntry>(reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
    // A server that fails to unregister is replaced anyway; it gets one more try first.
    if (entry && entry() != S_OK)
        entry();
    FreeLibrary(library);
}

void CancelOtherItemsFor(const std::string& target)
{
    winlib::TIniFile& script = Script();
    for (const std::string& key : script.ReadSection("Others")) {
        std::string value = script.ReadString("Others", key, "");
        std::vector<std::string> fields = winlib::SplitRecord(value, setupformat::FieldSeparator);
        if (fields.size() < 2 || !winlib::SameText(ExpandPlaceholders(fields[1]), target))
            continue;
        try {
            script.WriteString("Others", key, "");
        } catch (const std::exception& e) {
            // The item would act on a file that was not installed: say so.
            LogLine(std::string("Error file: ") + script.FileName() + ": " + e.what());
            Setup().InstallErrors = true;
        }
    }
}
