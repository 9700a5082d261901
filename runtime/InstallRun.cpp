#include "runtime/InstallRun.h"

#include <windows.h>

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cabinet/CabIntf.h"
#include "cabinet/CabReader.h"
#include "cabinet/CabSTConsts.h"
#include "cabinet/CabUnpackAhead.h"
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
#include "winlib/IniDocument.h"
#include "winlib/MessageBox.h"
#include "winlib/MessageDialog.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

constexpr char SetupCaption[] = "Setup";
constexpr char CorruptText[] = "The setup file is corrupted.";
// The runtime's own prefix for the new copy of a file, written beside its target.
constexpr char NewCopyPrefix[] = "qzn";
// The progress bar and the file name change at most this often (about 20 times
// a second); messages wait at most this long, or this many bytes of a cabinet,
// so Cancel is answered at once, also in the middle of a large file.
constexpr ULONGLONG ShowIntervalMs = 50;
constexpr ULONGLONG PumpIntervalMs = 25;
constexpr long long PumpIntervalBytes = 256 * 1024;
// A file unpacked ahead is written in parts of this size, with Pace between them.
constexpr size_t WriteChunkBytes = 1 << 20;

// The longest target file and folder a run accepts: ANSI calls fail past
// MAX_PATH even in the \\?\ form, and a folder must leave room for the name
// of the new copy written beside each target ("\qznXXXX.tmp").
constexpr size_t MaxFileLength = MAX_PATH - 1;
constexpr size_t MaxFolderLength = MAX_PATH - 13;

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

// One [Files] record, read as its four fields say, and the CRC-32 of its file
// where the record carries one.
struct TFileRecord {
    std::string Target;     // expanded
    int Length = 0;         // bytes of its cabinet in the setup file
    std::string Mode;       // upper-cased
    bool Uninstall = false;
    bool UninstallerSlot = false;  // only reserves the uninstaller's place
    std::optional<uint32_t> Crc;
};

bool ReadFileRecord(const std::string& value, TFileRecord& record)
{
    std::vector<std::string> fields = winlib::SplitRecord(value, setupformat::FilesSeparator);
    if (fields.size() < 4 || !ParseLength(fields[1], record.Length))
        return false;
    // Normalised, so that no target is made or recorded with "." or ".." in it;
    // a relative one stays as it is, to be refused.
    record.Target = ExpandPlaceholders(fields[0]);
    if (IsRootedBelowRoot(record.Target))
        record.Target = winlib::ExpandFileName(record.Target);
    record.Mode = winlib::UpperCase(winlib::Trim(fields[2]));
    record.Uninstall = winlib::UpperCase(fields[3]) == "YES";
    record.UninstallerSlot = record.Length == 0 &&
        winlib::UpperCase(value).find(winlib::UpperCase(setupformat::UninstallerTarget)) != std::string::npos;
    if (fields.size() > setupformat::FilesCrcField && !fields[setupformat::FilesCrcField].empty()) {
        uint32_t crc = 0;
        if (!setupformat::ParseFileCrc(winlib::Trim(fields[setupformat::FilesCrcField]), crc))
            return false;
        record.Crc = crc;
    }
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
    // Hands the handle over, to be closed with its result checked.
    HANDLE Release() { HANDLE h = h_; h_ = INVALID_HANDLE_VALUE; return h; }
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

// Renames the complete new copy over target in one step: the old target is
// untouched unless the rename succeeds. oldAttributes: the target's, as just
// asked. Returns 0 or the OS error.
DWORD MoveOver(const std::string& newCopy, const std::string& target, DWORD oldAttributes)
{
    bool readOnly = oldAttributes != INVALID_FILE_ATTRIBUTES && (oldAttributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly)
        SetFileAttributesA(target.c_str(), oldAttributes & ~FILE_ATTRIBUTE_READONLY);  // the rename reports a refusal
    if (MoveFileExA(newCopy.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    DWORD error = GetLastError();
    if (readOnly)
        SetFileAttributesA(target.c_str(), oldAttributes);
    return error;
}

// Copies source to a temporary name in target's folder (so that the copy gets
// that folder's permissions) and renames it over target. Returns 0 or the OS error.
DWORD PlaceFile(const std::string& source, const std::string& target)
{
    std::string temp;
    HANDLE made = winlib::CreateUniqueFile(winlib::ExtractFileDir(target), NewCopyPrefix, temp);
    if (made == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(made);  // empty: the copy below fills it
    DWORD error = CopyFileA(source.c_str(), temp.c_str(), FALSE)
                      ? MoveOver(temp, target, GetFileAttributesA(target.c_str()))
                      : GetLastError();
    if (error != 0)
        DeleteFileA(temp.c_str());  // our own copy; nothing to report beyond the failure
    return error;
}

// New copies a run that was killed left in folder (nobody recorded them): the
// run's own names, so none is a file of the user's.
void DropLeftoverCopies(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + NewCopyPrefix + "*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((folder + "\\" + found.cFileName).c_str());  // one still in use stays: no harm
    } while (FindNextFileA(search, &found));
    FindClose(search);
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

// Defined below, beside CreateMissingFolders.
std::vector<std::string> FolderChain(const std::string& path, bool includeLast);
bool MakeMissingFolders(const std::vector<std::string>& missing, bool record, std::string& failedFolder);

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

// The wizard's fields as they stand when the run starts. Every record's target
// is expanded with them, and asking the window costs several window messages per
// field each time; nobody can change them while the run lasts.
class TFieldsAtStart : public IWizardFields {
public:
    explicit TFieldsAtStart(const IWizardFields& f)
        : installDir_(f.InstallDir()), programGroup_(f.ProgramGroup()), userName_(f.UserName()),
          userCompany_(f.UserCompany()), customUserInfo_(f.CustomUserInfo()), language_(f.Language())
    {
    }
    std::string InstallDir() const override { return installDir_; }
    std::string ProgramGroup() const override { return programGroup_; }
    std::string UserName() const override { return userName_; }
    std::string UserCompany() const override { return userCompany_; }
    std::string CustomUserInfo() const override { return customUserInfo_; }
    std::string Language() const override { return language_; }

private:
    std::string installDir_, programGroup_, userName_, userCompany_, customUserInfo_, language_;
};

enum class TRemembered { None, OverwriteAll, SkipAll };
enum class TUnpackResult { Placed, NotNewer, Failed };

class TInstallRun {
public:
    explicit TInstallRun(TForm1& form) : form_(form), s_(Setup()) {}
    ~TInstallRun()
    {
        if (fieldsAtStart_)
            s_.Fields = liveFields_;
    }
    void Run();

private:
    void Start();
    void CheckCancel();
    [[noreturn]] void Abort(int code);
    void OpenSetupFile();
    void CheckLengths();
    void RecordNewFolders();
    void StartUnpackAhead();
    std::vector<std::string> MissingFoldersOf(const std::string& target);
    bool Pace(int i, long long done, long long length, bool force = false);
    void InstallRecord(int i);
    DWORD TargetAttributes(const std::string& target) const;
    bool ResolveExisting(const TFileRecord& record, bool& versionTest);
    void MakeFolders(const TFileRecord& record);
    TUnpackResult UnpackAndPlace(int i, const TFileRecord& record, DWORD attributes, bool versionTest,
                                 bool& unregistered, std::string& error);
    bool Unpack(int i, const TFileRecord& record, std::string& newCopy, std::string& error);
    bool PlaceUnpackedAhead(int i, const TFileRecord& record, std::string& newCopy, int& members, uint32_t& crc);
    bool WriteNewCopy(int i, const TFileRecord& record, const TCabUnpacked& file, std::string& newCopy);
    void Stream(int i, const TFileRecord& record, std::string& newCopy, int& members, uint32_t& crc);
    void PassOver(const TFileRecord& record, bool cancelOthers);
    void RecordOwnFiles();
    void RunSections();
    void Finish();
    bool CopyIntoInstallDir(const std::string& source, const std::string& name);

    TForm1& form_;
    TSetupState& s_;
    IWizardFields* liveFields_ = nullptr;
    std::optional<TFieldsAtStart> fieldsAtStart_;
    std::string installDir_;
    TRemembered remembered_ = TRemembered::None;
    THandle exe_;
    std::unique_ptr<TCabUnpackAhead> ahead_;  // the file stage's cabinets, unpacked on workers
    long long offset_ = 0;  // read offset of the next file cabinet in the setup file
    int filesCount_ = 0;
    // The script's [Files] records, read and expanded once, in order: the raw
    // value ("" when the key is missing) and, when it reads, the record.
    struct TRecordLine {
        std::string Value;
        std::optional<TFileRecord> Record;
    };
    std::vector<TRecordLine> records_;
    const TRecordLine& Line(int i) const
    {
        static const TRecordLine none;
        return static_cast<size_t>(i) < records_.size() ? records_[static_cast<size_t>(i)] : none;
    }
    // Whether a record the stage reaches at offset can be taken: it reads, and its
    // cabinet lies within the setup file's files. Any other ends the run there.
    bool Fits(const TRecordLine& line, long long offset) const
    {
        return line.Record && line.Record->Length >= 0 && offset + line.Record->Length <= s_.SetupCabinetOffset;
    }
    std::map<std::string, bool> folderExists_;  // upper-cased folders looked at: whether they exist
    std::set<std::string> knownFolders_;  // upper-cased folders that exist: made or found ...
    std::set<std::string> madeFolders_;   // ... those the run made ...
    std::set<std::string> placed_;        // ... and the upper-cased files it placed
    std::string label_;                   // the file name due on LFile ...
    std::string shownLabel_;              // ... and the one it shows
    ULONGLONG shownAt_ = 0;
    ULONGLONG pumpedAt_ = 0;
    int pumpedIndex_ = -1;       // the record and the cabinet bytes read ...
    long long pumpedDone_ = 0;   // ... when messages were last processed
    int lastIndex_ = -1;  // the last record that reached the unpacking
    bool damaged_ = false;  // the last unpacking failed on damaged data
    std::exception_ptr paceFailure_;
};

void TInstallRun::Abort(int code)
{
    ahead_.reset();  // no worker may be inside cabinet.dll when the process ends
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
    // Normalised only once known absolute: a relative folder is refused, not resolved.
    if (IsRootedBelowRoot(installDir_))
        installDir_ = winlib::ExcludeTrailingBackslash(winlib::ExpandFileName(installDir_));
    form_.Edit1.SetText(installDir_);
    form_.ProgressBar1.SetPosition(0);
    form_.LTask.SetText(TaskText(Lng("Install", 2)));
    if (!InstallFolderAccepted(form_) || installDir_.size() > MaxFolderLength) {
        LogLine("Error dir: " + installDir_);
        ReportError(Lng("Messages", 13, TLngReader::InstallRun), installDir_);
        Abort(secInstallAborted);
    }
    if (s_.Fields) {
        liveFields_ = s_.Fields;
        fieldsAtStart_.emplace(*liveFields_);
        s_.Fields = &*fieldsAtStart_;
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
    winlib::TIniDocument files;
    try {
        // Read as the profile functions read it, once instead of once per record.
        files.LoadFromFile(Script().FileName());
    } catch (const winlib::EOSError& e) {
        LogLine("Error file: " + Script().FileName() + ": " + e.what());
        ReportError(Lng("Messages", 14), Script().FileName());
        Abort(secInstallAborted);
    }
    // Keys past the highest numbered one cannot exist: a huge count holds no more.
    long long highest = -1;
    for (const std::string& key : files.ReadSection("Files")) {
        long long number = 0;
        if (winlib::ParseDecimal(key, 0, INT_MAX, number) && number > highest)
            highest = number;
    }
    records_.resize(static_cast<size_t>(std::min<long long>(std::max(filesCount_, 0), highest + 1)));
    for (size_t i = 0; i < records_.size(); ++i) {
        TRecordLine& line = records_[i];
        line.Value = files.ReadString("Files", std::to_string(i), "");
        TFileRecord record;
        if (!line.Value.empty() && ReadFileRecord(line.Value, record))
            line.Record = std::move(record);
    }
}

// Every target of the run within the length limits, checked before anything is
// placed: a run that could not finish changes nothing.
void TInstallRun::CheckLengths()
{
    std::vector<std::string> targets;
    if (s_.UninstallEnabled)
        targets.push_back(UninstallLogPath());
    for (const TRecordLine& line : records_)
        if (line.Record)
            targets.push_back(line.Record->Target);  // a damaged record is reported when its turn comes
    for (const std::string& target : targets) {
        std::string folder = winlib::ExtractFileDir(target);
        std::string refused = target.size() > MaxFileLength ? target : folder.size() > MaxFolderLength ? folder : "";
        if (refused.empty())
            continue;
        LogLine("Error dir: " + refused);
        ReportError(Lng("Messages", 13, TLngReader::InstallRun), refused);
        Abort(secInstallAborted);
    }
}

// The folders of target's folder part that do not exist, from the root down.
// Each folder is looked at once in a run, and one below a missing folder not at
// all (Wine reads the whole parent folder to find that a name is absent).
std::vector<std::string> TInstallRun::MissingFoldersOf(const std::string& target)
{
    std::vector<std::string> missing;
    for (const std::string& folder : FolderChain(target, false)) {
        auto [known, added] = folderExists_.emplace(winlib::UpperCase(folder), false);
        if (added)
            known->second = missing.empty() && winlib::DirectoryExists(folder);
        if (!known->second)
            missing.push_back(folder);
    }
    return missing;
}

// The folders the file stage will make, recorded in [Folders] and saved in one
// go before the first file: a save per folder costs a flushed write of the
// whole log. Records are taken in the order the stage takes them, and the first
// record that needs a folder decides whether it is recorded, as when each is
// recorded as it is made (CreateMissingFolders then finds it recorded). A record
// the stage refuses ends the run, and an ended run's log goes.
void TInstallRun::RecordNewFolders()
{
    if (!s_.UninstallEnabled)
        return;
    std::set<std::string> looked;   // upper-cased: the folders of files looked at ...
    std::set<std::string> claimed;  // ... and the missing folders a record claimed
    const unsigned long next = NextLogKey(lsFolders);
    for (const TRecordLine& line : records_) {
        if (line.Value.empty())
            continue;
        if (!line.Record || !IsRootedBelowRoot(line.Record->Target))
            break;
        const TFileRecord& record = *line.Record;
        if (winlib::ExtractFileName(record.Target).empty() ||
            !looked.insert(winlib::UpperCase(winlib::ExtractFileDir(record.Target))).second)
            continue;
        for (const std::string& folder : MissingFoldersOf(record.Target))
            if (claimed.insert(winlib::UpperCase(folder)).second && record.Uninstall)
                AddLogRecord(lsFolders, folder);
    }
    if (NextLogKey(lsFolders) != next)
        SaveUninstallLog();
}

// The file stage's cabinets, unpacked into memory on worker threads ahead of the
// stage, which then only writes each file out: decompression is most of the work
// of a run, and this thread must stay free for the window. Listed in the stage's
// order at the offsets the stage reaches them at (each record with a valid length
// moves it, whether placed or passed over), up to the first record the stage
// would refuse: the run ends there.
void TInstallRun::StartUnpackAhead()
{
    std::vector<TCabAheadItem> items;
    long long offset = offset_;
    for (size_t i = 0; i < records_.size(); ++i) {
        const TRecordLine& line = records_[i];
        if (line.Value.empty())
            continue;
        if (!Fits(line, offset))
            break;
        if (line.Record->Length > 0)
            items.push_back({static_cast<int>(i), offset, line.Record->Length});
        offset += line.Record->Length;
    }
    if (items.size() < 2)
        return;  // nothing to overlap
    try {
        ahead_ = std::make_unique<TCabUnpackAhead>(s_.SetupExe, std::move(items), TCabUnpackAhead::DefaultLimits());
    } catch (const std::exception&) {
        // Ignored: the stage then unpacks every file on this thread, which is
        // slower, not wrong, and meets any failure to read the setup itself.
    }
}

// Between blocks and files: the progress and the file name shown at most about
// 20 times a second (force: now), messages processed often enough that Cancel is
// answered at once, the log saved when a record has waited. False once Cancel
// has been confirmed.
bool TInstallRun::Pace(int i, long long done, long long length, bool force)
{
    ULONGLONG now = GetTickCount64();
    if (i != pumpedIndex_ || done < pumpedDone_) {
        pumpedIndex_ = i;
        pumpedDone_ = 0;
    }
    if (now - pumpedAt_ >= PumpIntervalMs || done - pumpedDone_ >= PumpIntervalBytes) {
        pumpedAt_ = now;
        pumpedDone_ = done;
        winlib::ProcessMessages();
    }
    if (force || now - shownAt_ >= ShowIntervalMs) {
        shownAt_ = now;
        if (label_ != shownLabel_) {
            form_.LFile.SetText(label_);
            shownLabel_ = label_;
        }
        form_.ProgressBar1.SetPosition(InstallProgress(i, filesCount_, done, length));
    }
    SaveUninstallLogIfDue();
    return !s_.CancelRequested;
}

void TInstallRun::Run()
{
    Start();
    OpenUninstallLog(!form_.Edit1.Enabled(), installDir_);  // 2
    logOpen = true;
    WriteUninstallLogHeader(form_);                         // 3
    CheckCancel();                                          // 5
    OpenSetupFile();
    CheckLengths();
    RecordNewFolders();
    StartUnpackAhead();
    for (int i = 0; i < filesCount_; ++i)                   // 6
        InstallRecord(i);
    ahead_.reset();
    if (lastIndex_ >= 0)
        Pace(lastIndex_, 1, 1, true);  // the last file stays shown
    exe_.Close();                                           // 7
    winlib::ProcessMessages();
    RecordOwnFiles();                                       // 8
    SaveUninstallLog();
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
    const TRecordLine& line = Line(i);
    if (line.Value.empty())
        return;  // the read offset does not move
    if (!Fits(line, offset_)) {
        LogLine("Corrupt [Files] record " + std::to_string(i) + ": " + line.Value);
        if (!s_.SilentSetup)
            winlib::ShowMessageBox(form_.Handle(), CorruptText, "Error", MB_OK | MB_ICONERROR);
        Abort(secInstallAborted);
    }
    const TFileRecord& record = *line.Record;
    label_ = ShortenPath(record.Target);
    if (!Pace(i, 0, 1))
        Abort(secOk);
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
    DWORD attributes = TargetAttributes(record.Target);
    bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (exists && !ResolveExisting(record, versionTest))
        return;
    MakeFolders(record);
    if (record.UninstallerSlot)
        return;  // the uninstaller itself arrives at the end of the run
    lastIndex_ = i;

    bool unregistered = false;
    for (bool retry = false;; retry = true) {
        std::string error;
        if (retry)
            attributes = GetFileAttributesA(record.Target.c_str());  // the user may have changed it meanwhile
        TUnpackResult result = UnpackAndPlace(i, record, attributes, versionTest, unregistered, error);
        if (result == TUnpackResult::NotNewer) {
            PassOver(record, true);
            return;
        }
        if (result == TUnpackResult::Placed)
            break;
        LogLine("Error file: " + record.Target);
        LogLine(error);
        if (damaged_ && s_.SilentSetup) {
            // Damaged data fails its record without a box: nobody could answer one,
            // and a Retry would read the same bytes.
            s_.InstallErrors = true;
            PassOver(record, true);
            return;
        }
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
    placed_.insert(winlib::UpperCase(record.Target));
    if (s_.UninstallEnabled && record.Uninstall)
        AddLogRecord(lsFiles, record.Target);
    Pace(i, record.Length, record.Length);
}

// The target's attributes. A folder this run made holds only what the run put
// there, so a name there is not looked up on disk (Wine reads the whole folder
// to find that a name is not there).
DWORD TInstallRun::TargetAttributes(const std::string& target) const
{
    if (madeFolders_.count(winlib::UpperCase(winlib::ExtractFileDir(target))) &&
        !placed_.count(winlib::UpperCase(target)))
        return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesA(target.c_str());
}

// Step 6.4: what to do with a file that exists. False: the record is passed over.
bool TInstallRun::ResolveExisting(const TFileRecord& record, bool& versionTest)
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
    // Files of one folder usually follow each other: the folder is looked at once.
    const std::string path = winlib::ExtractFileDir(record.Target);
    const std::string folder = winlib::UpperCase(path);
    if (knownFolders_.count(folder))
        return;
    const std::vector<std::string> missing = MissingFoldersOf(record.Target);
    bool made = !missing.empty();  // then the file's own folder is among them
    if (!made)
        DropLeftoverCopies(path);
    std::string failed;
    if (MakeMissingFolders(missing, s_.UninstallEnabled && record.Uninstall, failed)) {
        for (const std::string& m : missing)
            folderExists_[winlib::UpperCase(m)] = true;
        knownFolders_.insert(folder);
        if (made)
            madeFolders_.insert(folder);
        return;
    }
    LogLine("Error dir: " + failed + ": " + OsErrorText(GetLastError()));
    ReportError(Lng("Messages", 13, TLngReader::InstallRun), failed);
    Abort(secInstallAborted);
}

// Step 6.7: the record's one file in a new file beside the target, named newCopy
// (with the runtime's own prefix) as soon as it is made: the file a worker
// unpacked ahead, or else the cabinet read in place out of the setup file. Either
// way its members are counted and its CRC-32 is summed, and judged alike here.
bool TInstallRun::Unpack(int i, const TFileRecord& record, std::string& newCopy, std::string& error)
{
    damaged_ = false;
    int members = 0;
    uint32_t crc = 0;
    try {
        if (!PlaceUnpackedAhead(i, record, newCopy, members, crc) && !s_.CancelRequested)
            Stream(i, record, newCopy, members, crc);
    } catch (const ESTCabinet& e) {
        error = e.what();
        damaged_ = e.IsDamagedData();
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (paceFailure_) {
        std::exception_ptr failure = paceFailure_;
        paceFailure_ = nullptr;
        std::rethrow_exception(failure);
    }
    if (error.empty() && members != 1)
        error = "The cabinet for this file holds " + std::to_string(members) + " entries instead of one file";
    // The copy's CRC-32, summed as its bytes were unpacked, against the builder's.
    if (error.empty() && record.Crc && crc != *record.Crc) {
        error = FdiErrorText(FDIERROR_CORRUPT_CABINET) + ": the file's CRC-32 is " + setupformat::FormatFileCrc(crc) +
                " instead of " + setupformat::FormatFileCrc(*record.Crc);
        damaged_ = true;
    }
    return error.empty();
}

// The file a worker unpacked ahead, written into the new copy. False when there
// is none (too large to hold in memory, or taken before: a Retry unpacks again)
// or it could not be written: Stream then does the work and meets any failure as
// it always did. Damaged data the worker found is thrown as the reader threw it.
bool TInstallRun::PlaceUnpackedAhead(int i, const TFileRecord& record, std::string& newCopy, int& members,
                                     uint32_t& crc)
{
    if (!ahead_)
        return false;
    TCabUnpacked file = ahead_->Take(i, [&] { return Pace(i, 0, record.Length); });
    if (file.State == TCabUnpacked::Failed)
        std::rethrow_exception(file.Failure);
    if (file.State != TCabUnpacked::Unpacked)
        return false;
    members = file.Members;
    crc = file.Crc;
    if (members != 1 || (record.Crc && crc != *record.Crc))
        return true;  // refused by Unpack: no copy to write
    return WriteNewCopy(i, record, file, newCopy);
}

// Writes a file unpacked in memory into a new copy beside the target as the
// reader writes one: its bytes, then its stored date, time and attributes. False,
// with nothing left behind, when that failed; true also when Cancel was
// confirmed on the way (the caller then drops the copy).
bool TInstallRun::WriteNewCopy(int i, const TFileRecord& record, const TCabUnpacked& file, std::string& newCopy)
{
    THandle copy(winlib::CreateUniqueFile(winlib::ExtractFileDir(record.Target), NewCopyPrefix, newCopy));
    if (!copy.Valid())
        return false;
    const size_t size = file.Bytes.size();
    bool written = true;
    for (size_t done = 0; written && done < size;) {
        DWORD part = static_cast<DWORD>(std::min(size - done, WriteChunkBytes));
        DWORD wrote = 0;
        written = WriteFile(copy.Get(), file.Bytes.data() + done, part, &wrote, nullptr) && wrote == part;
        done += part;
        if (!Pace(i, static_cast<long long>(record.Length * static_cast<double>(done) / size), record.Length))
            return true;
    }
    // As the reader does: a date or attributes that cannot be set leave the copy as it is.
    TSTCabReader::ApplyStoredInfo(copy.Get(), file.Date, file.Time, file.Attributes, false);
    if (CloseHandle(copy.Release()) && written)
        return true;
    DeleteFileA(newCopy.c_str());  // our own copy: Stream makes another and reports what fails
    newCopy.clear();
    return false;
}

// The record's cabinet, read in place out of the setup file by this thread's
// reader, its one file written straight into the new copy. Progress, messages
// and the cancel test between blocks.
void TInstallRun::Stream(int i, const TFileRecord& record, std::string& newCopy, int& members, uint32_t& crc)
{
    if (!s_.CabReader)
        s_.CabReader = std::make_unique<TSTCabReader>();  // a run driven without the start-up
    TSTCabReader& reader = *s_.CabReader;
    CabIntf::TCabinetRange range;
    range.File = exe_.Get();
    range.Offset = offset_;
    range.Length = record.Length;
    range.OnRead = [&](long long position) {
        try {
            return Pace(i, position, record.Length);
        } catch (...) {
            paceFailure_ = std::current_exception();  // nothing may cross cabinet.dll
            return false;
        }
    };
    // The cabinet holds one file, whatever its stored name: it becomes the new copy.
    const std::string folder = winlib::ExtractFileDir(record.Target);
    members = 0;
    reader.OnCopyFile = [&](TSTCabReader&, const std::string&, long, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string& destination, bool&) {
        destination = ++members == 1 ? record.Target : "";
    };
    reader.OnOpenFile = [&](TSTCabReader&, std::string& destination) {
        HANDLE file = winlib::CreateUniqueFile(folder, NewCopyPrefix, newCopy);
        destination = newCopy;
        return file;
    };
    struct TForget {
        TSTCabReader& Reader;
        ~TForget()
        {
            Reader.OnCopyFile = nullptr;
            Reader.OnOpenFile = nullptr;
        }
    } forget{reader};
    reader.ExtractRange(range, folder);
    crc = CabIntf::FdiWriteCrc;  // this thread's: the bytes the reader just wrote
}

// Steps 6.7-6.10: the new copy is written beside the target, under a name of the
// runtime's own, and is complete before the old file is touched; it replaces the
// old file in one rename, so a failure or a kill leaves the old file or the new
// one, never a torn one.
TUnpackResult TInstallRun::UnpackAndPlace(int i, const TFileRecord& record, DWORD attributes, bool versionTest,
                                          bool& unregistered, std::string& error)
{
    // Our own file: it goes on every way out but the rename (an abort ends the
    // process without unwinding, so it goes before the abort).
    std::string newCopy;
    struct TDrop {
        const std::string& Path;
        bool Keep = false;
        ~TDrop()
        {
            if (!Keep && !Path.empty())
                DeleteFileA(Path.c_str());  // a leftover would be found by nobody: nothing to report
        }
    } drop{newCopy};
    bool unpacked = Unpack(i, record, newCopy, error);
    if (s_.CancelRequested) {
        if (!newCopy.empty())
            DeleteFileA(newCopy.c_str());
        Abort(secOk);
    }
    if (!unpacked)
        return TUnpackResult::Failed;
    bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (versionTest && exists && !IsNewerFile(newCopy, record.Target))
        return TUnpackResult::NotNewer;
    if (exists && !unregistered && IsComServerName(record.Target)) {
        UnregisterDll(record.Target);
        unregistered = true;
        Sleep(300);  // lets a server's own clean-up threads end before the file is replaced
        winlib::ProcessMessages();
    }
    if (DWORD code = MoveOver(newCopy, record.Target, attributes)) {
        error = "Cannot replace " + record.Target + ": " + OsErrorText(code);
        return TUnpackResult::Failed;
    }
    drop.Keep = true;
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
            SaveUninstallLogIfDue();
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
        SaveUninstallLog();  // the end of a stage
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
    logOpen = false;
    if (!FinishUninstallLog() && entry)
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
        DiscardUninstallLog();  // the installed log, if any, stays as it was
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

namespace {

// The folders of path's folder part (of path itself when includeLast), from the
// root down; never a drive's root or \\server\share.
std::vector<std::string> FolderChain(const std::string& path, bool includeLast)
{
    std::string work = includeLast ? winlib::ExcludeTrailingBackslash(path) + "\\" : path;
    size_t start = 3;
    if (work.size() >= 2 && work[0] == '\\' && work[1] == '\\') {
        size_t serverEnd = work.find('\\', 2);
        size_t shareEnd = serverEnd == std::string::npos ? serverEnd : work.find('\\', serverEnd + 1);
        if (shareEnd == std::string::npos)
            return {};  // no folder below the share in the path
        start = shareEnd + 1;
    }
    std::vector<std::string> chain;
    for (size_t p = work.find('\\', start); p != std::string::npos; p = work.find('\\', p + 1)) {
        std::string folder = work.substr(0, p);
        if (!folder.empty() && folder.back() != '\\')
            chain.push_back(std::move(folder));
    }
    return chain;
}

// Makes the missing folders, from the root down. When record is set they are
// recorded in [Folders] and saved, all in one save, before any is made: after a
// kill, a later run could not tell a folder nobody recorded from the user's own.
bool MakeMissingFolders(const std::vector<std::string>& missing, bool record, std::string& failedFolder)
{
    if (missing.empty())
        return true;
    if (record) {
        const unsigned long next = NextLogKey(lsFolders);
        for (const std::string& folder : missing)
            AddLogRecord(lsFolders, folder);
        if (NextLogKey(lsFolders) != next)
            SaveUninstallLog();  // none new: recorded already (the run records its file stage's folders first)
    }
    const std::string logFolder = record ? winlib::ExtractFileDir(UninstallLogPath()) : std::string();
    for (const std::string& folder : missing) {
        if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            failedFolder = folder;
            return false;
        }
        if (record && winlib::SameText(folder, logFolder))
            SaveUninstallLog();  // the log waited for its own folder: saved before the folders below it are made
    }
    return true;
}

}  // namespace

bool CreateMissingFolders(const std::string& path, bool includeLast, bool record, std::string& failedFolder)
{
    // Looked at from the deepest up: an existing folder ends the search, so a
    // folder that is there costs one look.
    const std::vector<std::string> chain = FolderChain(path, includeLast);
    size_t firstMissing = chain.size();
    while (firstMissing > 0 && !winlib::DirectoryExists(chain[firstMissing - 1]))
        --firstMissing;
    return MakeMissingFolders({chain.begin() + static_cast<std::ptrdiff_t>(firstMissing), chain.end()}, record,
                              failedFolder);
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
