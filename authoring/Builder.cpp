#include "authoring/Builder.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "authoring/ItemDialogChecks.h"
#include "authoring/PackageWriter.h"
#include "cabinet/CabIntf.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"
#include "winlib/Crc32.h"

using namespace setupformat;

namespace {

constexpr char kForbiddenNameChars[] = "/:*?\"<>|";

// The build has ended; its message has been shown already (or it was cancelled).
struct TBuildStopped {
    bool Cancelled = false;
};

std::string AfterLastBackslash(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first occurrence of what, in any letter case, replaced by with.
std::string ReplaceFirstIgnoringCase(const std::string& text, const std::string& what, const std::string& with)
{
    if (what.empty())
        return text;
    size_t at = winlib::UpperCase(text).find(winlib::UpperCase(what));
    if (at == std::string::npos)
        return text;
    return text.substr(0, at) + with + text.substr(at + what.size());
}

std::string SamePathKey(const std::string& path) { return winlib::UpperCase(winlib::ExpandFileName(path)); }


// How many files are compressed at once: one per processor, at least two. The
// environment variable KIN_BUILD_WORKERS (1 to 64) sets another number; tests and
// the benchmark use it to compare with a build on one worker.
unsigned CompressionWorkers()
{
    if (const char* text = std::getenv("KIN_BUILD_WORKERS")) {
        char* end = nullptr;
        long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 64)
            return static_cast<unsigned>(n);
    }
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::max<unsigned>(2, info.dwNumberOfProcessors);
}

// One installed file to compress; a file packed into the setup's own cabinet has none.
struct TCabinetJob {
    std::string Source;
    std::string StoredName;
    bool HasCabinet = true;
};

// Compresses the files' cabinets on worker threads, ahead of the thread that appends
// them to the package in project order. Every file is its own cabinet with its own
// compression context, so each cabinet's bytes are what one thread alone would make.
// Workers run at most a few files ahead, so the work folder holds few cabinets at a time.
// Stop (and the destructor) sets the flag the compressions' status reports answer
// with an abort, then waits for every worker: no thread is ever ended from outside.
class TCompressionPool {
public:
    TCompressionPool(const TPackageWriter& writer, std::vector<TCabinetJob> jobs, unsigned workers)
        : writer_(writer), jobs_(std::move(jobs)), results_(jobs_.size()), done_(jobs_.size(), false)
    {
        workers = std::max(1u, std::min<unsigned>(workers, static_cast<unsigned>(jobs_.size())));
        ahead_ = 2 * static_cast<size_t>(workers) + 2;
        if (jobs_.empty())
            return;
        try {
            // The library binding has no lock: it is loaded here, before any worker runs.
            CabIntf::LoadCabinetLibrary();
            wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            if (wake_ == nullptr)
                winlib::RaiseLastOSError("Cannot create an event for the compression workers");
        } catch (...) {
            startFailure_ = std::current_exception();  // each file then fails with it, in order
            return;
        }
        for (unsigned i = 0; i < workers; ++i) {
            try {
                threads_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break;  // fewer workers do the same work
            }
        }
        if (threads_.empty())
            startFailure_ = std::make_exception_ptr(
                winlib::EOSError(ERROR_NOT_ENOUGH_MEMORY, "Cannot start a compression worker"));
    }
    ~TCompressionPool()
    {
        Stop();
        // Cabinets made but never appended (a stop, a failure, a file gone since): those
        // in the work folder go with it, those in memory go here.
        for (const TResult& result : results_)
            if (CabIntf::IsMemoryFileName(result.Made.Cabinet))
                CabIntf::DiscardMemoryFile(result.Made.Cabinet);
        if (wake_ != nullptr)
            CloseHandle(wake_);
    }
    TCompressionPool(const TCompressionPool&) = delete;
    TCompressionPool& operator=(const TCompressionPool&) = delete;

    // What a worker made of one file: its cabinet, and the CRC-32 of the file it read.
    struct TMade {
        std::string Cabinet;
        uint32_t Crc = 0;
    };

    // The cabinet of job i, once made. While waiting, poll runs the caller's messages;
    // when it answers true the workers stop and EPackageCancelled follows. A job that
    // failed re-throws its failure here, in project order.
    TMade Take(size_t i, const std::function<bool()>& poll)
    {
        if (startFailure_)
            std::rethrow_exception(startFailure_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            taken_ = i;
        }
        ready_.notify_all();
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (done_[i]) {
                    TResult result = std::move(results_[i]);
                    results_[i] = TResult{};  // taken: the caller owns the cabinet now
                    if (result.Failure)
                        std::rethrow_exception(result.Failure);
                    return result.Made;
                }
            }
            if (poll()) {
                Stop();
                throw EPackageCancelled("The build was cancelled");
            }
            // Woken by a finished file or by a message for the window; the time limit
            // only bounds the wait for a message that arrived before the call.
            MsgWaitForMultipleObjects(1, &wake_, FALSE, 100, QS_ALLINPUT);
        }
    }

    void Stop()
    {
        stop_ = true;
        ready_.notify_all();
        for (std::thread& thread : threads_)
            if (thread.joinable())
                thread.join();
    }

private:
    struct TResult {
        TMade Made;
        std::exception_ptr Failure;
    };

    void Work()
    {
        for (;;) {
            size_t i = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return stop_ || next_ >= jobs_.size() || next_ < taken_ + ahead_; });
                if (stop_ || next_ >= jobs_.size())
                    return;
                i = next_++;
            }
            TResult result;
            const TCabinetJob& job = jobs_[i];
            if (job.HasCabinet) {
                try {
                    result.Made.Cabinet = writer_.MakeFileCabinet(i, job.Source, job.StoredName, &stop_);
                    // Read again here, while the file is fresh in the cache and beside
                    // the other workers, not once more on the appending thread.
                    if (!winlib::FileCrc32(winlib::ExpandFileName(job.Source), result.Made.Crc))
                        throw EPackageError("Cannot read \"" + job.Source + "\" for its CRC-32");
                } catch (...) {
                    result.Failure = std::current_exception();
                }
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                results_[i] = std::move(result);
                done_[i] = true;
            }
            SetEvent(wake_);
        }
    }

    const TPackageWriter& writer_;
    const std::vector<TCabinetJob> jobs_;
    std::vector<TResult> results_;
    std::vector<bool> done_;
    std::exception_ptr startFailure_;
    std::mutex mutex_;
    std::condition_variable ready_;
    size_t next_ = 0;   // the next job a worker takes
    size_t taken_ = 0;  // the job the package waits for
    size_t ahead_ = 0;
    std::atomic<bool> stop_{false};
    HANDLE wake_ = nullptr;
    std::vector<std::thread> threads_;
};

class TBuild {
public:
    TBuild(const TBuildProject& project, IBuildReporter& reporter)
        : project_(project), reporter_(reporter), target_(winlib::ExpandFileName(project.Target))
    {
    }

    TBuildResult Run();

private:
    [[noreturn]] void Fail(const std::string& text)
    {
        reporter_.Message(text);
        throw TBuildStopped{};
    }
    [[noreturn]] void FailCannotCreate()
    {
        Fail("Cannot create file:\r\n" + target_ + "\r\n\r\n" +
             "Please select another location or filename for the setup file.");
    }
    [[noreturn]] void FailAccessDenied() { Fail("File access denied:\r\n" + target_); }
    [[noreturn]] void FailCompressing(const std::string& source, const std::string& detail = "")
    {
        Fail("Compressing file error:\r\n" + source + detail);
    }
    [[noreturn]] void FailTooLarge() { Fail("The setup file would exceed 2 GB:\r\n" + target_); }

    int FileCount() const;
    void CheckTargetIsNoInput();
    std::vector<TSetupMember> SetupMembers() const;
    void CheckStoredNames(const std::vector<TSetupMember>& members);
    void StartPackage();
    TFilesRecord AppendCabinet(TCompressionPool& pool, size_t job, const std::string& source);
    void PackFiles();
    void WriteScript(const std::string& scriptFile);
    void FinishPackage(std::vector<TSetupMember> members);
    void ShowFile(const std::string& source, double progress);

    const TBuildProject& project_;
    IBuildReporter& reporter_;
    std::string target_;
    std::unique_ptr<TPackageWriter> writer_;
    std::vector<std::optional<TFilesRecord>> slots_;
    long long engineSize_ = 0;
    bool missing_ = false;
};

int TBuild::FileCount() const
{
    return static_cast<int>(project_.SourceFiles.size() + project_.AdditionalFiles.size()) +
           (project_.Uninstaller ? 1 : 0) + (project_.Updater ? 1 : 0);
}

// Writing the setup over one of its own inputs would destroy that input.
void TBuild::CheckTargetIsNoInput()
{
    if (winlib::DirectoryExists(target_))
        FailCannotCreate();
    std::vector<std::string> inputs = project_.SourceFiles;
    for (const TBuildFileRow& row : project_.AdditionalFiles)
        inputs.push_back(row.Source);
    for (const auto* rows : {&project_.Licences, &project_.Readmes})
        for (const TBuildTextRow& row : *rows)
            inputs.push_back(row.File);
    inputs.push_back(project_.WizardBitmap);
    inputs.push_back(project_.HeaderBitmap);
    inputs.push_back(project_.ProjectFile);
    std::string key = winlib::UpperCase(target_);
    for (const std::string& input : inputs)
        if (!input.empty() && SamePathKey(input) == key)
            FailCannotCreate();
    // The program folder holds the languages, engines, pictures and tools every build
    // reads: a setup written there would replace one of them.
    std::string program = winlib::IncludeTrailingBackslash(SamePathKey(project_.ProgramFolder));
    if (!project_.ProgramFolder.empty() && key.compare(0, program.size(), program) == 0)
        FailCannotCreate();
}

std::vector<TSetupMember> TBuild::SetupMembers() const
{
    const std::string& folder = project_.ProgramFolder;
    std::vector<TSetupMember> members;
    for (const std::string& language : project_.Languages)
        members.push_back({folder + "Languages\\" + language + ".lng", LanguageMemberName(language),
                           TMemberKind::Language});
    for (const TBuildTextRow& row : project_.Licences)
        if (!row.File.empty())
            members.push_back({row.File, LicenceMemberName(row.Caption), TMemberKind::Licence});
    for (const TBuildTextRow& row : project_.Readmes)
        if (!row.File.empty())
            members.push_back({row.File, ReadmeMemberName(row.Caption), TMemberKind::Readme});
    members.push_back({project_.WizardBitmap, WizardPictureName, TMemberKind::WizardPicture});
    members.push_back({project_.HeaderBitmap, HeaderPictureName, TMemberKind::HeaderPicture});
    for (const TBuildFileRow& row : project_.AdditionalFiles)
        if (IsSetupTempRow(row.InstallTo))
            members.push_back({row.Source, AfterLastBackslash(row.InstallTo), TMemberKind::TempFile});
    if (project_.Uninstaller)
        members.push_back({folder + UninstallTemplateName(project_.InstallLevel), UninstallerMemberName,
                           TMemberKind::Uninstaller});
    if (project_.Updater)
        members.push_back({folder + "Updater.exe", UpdaterMemberName, TMemberKind::Updater});
    return members;
}

// The runtime unpacks qzsetup.cab into one folder under the stored names: a name it
// cannot create stops even a silent setup, and a repeated one replaces a setup file.
void TBuild::CheckStoredNames(const std::vector<TSetupMember>& members)
{
    std::set<std::string> fixed = {winlib::UpperCase(SetupScriptName)};
    if (project_.UpdaterIni)
        fixed.insert(winlib::UpperCase(UpdaterIniName));
    for (const TSetupMember& member : members)
        if (member.Kind != TMemberKind::TempFile)
            fixed.insert(winlib::UpperCase(member.Name));
    std::set<std::string> temp;
    for (const TSetupMember& member : members) {
        if (member.Kind != TMemberKind::TempFile)
            continue;
        std::string key = winlib::UpperCase(member.Name);
        if (member.Name.empty() || member.Name.find_first_of(kForbiddenNameChars) != std::string::npos ||
            fixed.count(key) != 0 || !temp.insert(key).second)
            FailCompressing(member.Source, "\r\n\r\nInvalid or duplicate file name: " + member.Name);
    }
    // A row must name a file: "<InstallDir>\sub\" has no name to store, and the
    // setup temp folder is one flat folder ("<SetupTempDir>\sub\x" cannot be made).
    for (const TBuildFileRow& row : project_.AdditionalFiles) {
        std::string name = IsSetupTempRow(row.InstallTo) ? BelowSetupTempDir(row.InstallTo)
                                                         : StoredFileName(row.InstallTo);
        if (name.empty() || name.find('\\') != std::string::npos)
            FailCompressing(row.Source, "\r\n\r\nInvalid or duplicate file name: " + name);
    }
}

void TBuild::StartPackage()
{
    try {
        writer_ = std::make_unique<TPackageWriter>(target_);
        writer_->SizeLimit = project_.SizeLimit;
        writer_->OnBlock = [this](long long, long long) { return !reporter_.PumpAndPoll(); };
        engineSize_ = writer_->CopyEngine(project_.ProgramFolder + EngineTemplateName(project_.InstallLevel));
    } catch (const std::exception&) {
        FailCannotCreate();
    }
}

// The record of the appended file, with the cabinet's length and the file's CRC-32
// (which the setup checks its unpacked copy against); the caller fills in the rest.
TFilesRecord TBuild::AppendCabinet(TCompressionPool& pool, size_t job, const std::string& source)
{
    try {
        TCompressionPool::TMade made = pool.Take(job, [this] { return reporter_.PumpAndPoll(); });
        TFilesRecord record;
        record.Length = writer_->AppendMadeCabinet(made.Cabinet);
        record.Crc = made.Crc;
        return record;
    } catch (const EPackageCancelled&) {
        throw TBuildStopped{true};
    } catch (const EPackageTooLarge&) {
        FailTooLarge();
    } catch (const EPackageError&) {
        FailCompressing(source);
    } catch (const winlib::EOSError&) {
        FailAccessDenied();
    }
}

void TBuild::ShowFile(const std::string& source, double progress)
{
    reporter_.Status("Compressing: " + winlib::ExtractFileName(source));
    reporter_.Progress(RoundHalfEven(progress));
    if (reporter_.PumpAndPoll())
        throw TBuildStopped{true};
}

// The source-folder files, then the Additional Files rows, each in list order:
// compressed ahead on the workers, shown and appended here one after the other.
void TBuild::PackFiles()
{
    double count = FileCount();
    const size_t first = project_.SourceFiles.size();
    std::vector<TCabinetJob> jobs;
    for (const std::string& source : project_.SourceFiles)
        jobs.push_back({source, winlib::ExtractFileName(source)});
    for (const TBuildFileRow& row : project_.AdditionalFiles)
        jobs.push_back({row.Source, StoredFileName(row.InstallTo), !IsSetupTempRow(row.InstallTo)});
    TCompressionPool pool(*writer_, std::move(jobs), CompressionWorkers());

    const std::string uninstall = project_.NotRemove ? "No" : "Yes";
    for (size_t i = 0; i < first; ++i) {
        const std::string& source = project_.SourceFiles[i];
        ShowFile(source, (static_cast<double>(i) * 100 + 100) / count);
        if (!winlib::FileExists(source)) {
            // The slot stays without a key; the runtime skips it.
            reporter_.Message("File not found:\r\n" + source);
            missing_ = true;
            continue;
        }
        TFilesRecord record = AppendCabinet(pool, i, source);
        record.Target = ReplaceFirstIgnoringCase(source, project_.SourceFolder, "<InstallDir>");
        record.Mode = project_.ExistMode;
        record.Uninstall = uninstall;
        slots_[i] = record;
    }
    for (size_t j = 0; j < project_.AdditionalFiles.size(); ++j) {
        const TBuildFileRow& row = project_.AdditionalFiles[j];
        ShowFile(row.Source, static_cast<double>(first + j) * 100 / count);
        if (IsSetupTempRow(row.InstallTo))
            continue;  // packed into qzsetup.cab
        TFilesRecord record = AppendCabinet(pool, first + j, row.Source);
        record.Target = row.InstallTo;
        record.Mode = row.Mode;
        record.Uninstall = row.Uninstall;
        slots_[first + j] = record;
    }
}

void TBuild::WriteScript(const std::string& scriptFile)
{
    TSetupScript script = project_.Script;
    script.SetInteger(FilesCountKey, FileCount());
    script.SetInteger(FilesSizeKey, ClampFilesSize(project_.EstimatedSize));
    script.Files = slots_;
    script.EngineSize = engineSize_;
    try {
        WriteSetupScript(script, scriptFile);
    } catch (const std::exception& e) {
        // A value the setup script cannot carry: the message names section and key.
        Fail(e.what());
    }
}

void TBuild::FinishPackage(std::vector<TSetupMember> members)
{
    for (const TSetupMember& member : members)
        if (!winlib::FileExists(member.Source))
            FailCompressing(member.Source);
    try {
        writer_->Finish(writer_->WorkFolder() + "\\" + SetupScriptName, members);
    } catch (const EPackageTooLarge&) {
        FailTooLarge();
    } catch (const EPackageError& e) {
        FailCompressing(SetupCabinetName, std::string("\r\n\r\n") + e.what());
    } catch (const winlib::EOSError& e) {
        if (e.Context().rfind("Cannot create", 0) == 0)
            FailCannotCreate();  // the finished package could not replace the target
        FailAccessDenied();
    }
}

TBuildResult TBuild::Run()
{
    TBuildResult result;
    try {
        reporter_.Status("Preparing...");
        reporter_.Progress(0);
        // A stop pressed before anything was written needs no clean-up.
        if (reporter_.PumpAndPoll())
            throw TBuildStopped{true};
        std::vector<TSetupMember> members = SetupMembers();
        CheckTargetIsNoInput();
        CheckStoredNames(members);
        StartPackage();
        result.WorkFolder = writer_->WorkFolder();
        slots_.assign(static_cast<size_t>(FileCount()), std::nullopt);
        PackFiles();
        if (project_.Uninstaller)
            slots_[project_.SourceFiles.size() + project_.AdditionalFiles.size()] =
                TFilesRecord{UninstallerTarget, 0, "Overwrite", "Yes"};
        WriteScript(writer_->WorkFolder() + "\\" + SetupScriptName);
        reporter_.Status("Packaging files...");
        // Messages run, but a stop is no longer taken: qzsetup.cab is packed whole.
        reporter_.PumpAndPoll();
        if (project_.UpdaterIni) {
            std::string updaterIni = writer_->WorkFolder() + "\\" + UpdaterIniName;
            try {
                WriteUpdaterIni(updaterIni, project_.AppName, project_.AppVersion, project_.UpdateUrl);
            } catch (const std::exception& e) {
                Fail(e.what());
            }
            members.push_back({updaterIni, UpdaterIniName, TMemberKind::UpdaterIni});
        }
        FinishPackage(std::move(members));
        result.Size = static_cast<unsigned long long>(writer_->Position());  // the whole file, trailer included
        writer_.reset();
        result.Outcome = missing_ ? boBuiltIncomplete : boBuilt;
        reporter_.Progress(100);
    } catch (const TBuildStopped& stopped) {
        result.Cancelled = stopped.Cancelled;
        writer_.reset();  // removes the temporary package and the work folder
    }
    return result;
}

}  // namespace

TBuildResult RunBuild(const TBuildProject& project, IBuildReporter& reporter)
{
    return TBuild(project, reporter).Run();
}

std::string StoredFileName(const std::string& targetPath)
{
    std::string name = AfterLastBackslash(targetPath);
    for (char& c : name)
        if (std::string(kForbiddenNameChars).find(c) != std::string::npos)
            c = '_';
    return name;
}

bool IsSetupTempRow(const std::string& installTo)
{
    return winlib::UpperCase(installTo).find("<SETUPTEMPDIR>") != std::string::npos;
}

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }
