#include "authoring/Builder.h"

#include <cmath>
#include <memory>
#include <optional>
#include <set>

#include "authoring/ItemDialogChecks.h"
#include "authoring/PackageWriter.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

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
    long long AppendCabinet(const std::string& source, const std::string& storedName);
    void PackSourceFiles();
    void PackAdditionalFiles();
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

long long TBuild::AppendCabinet(const std::string& source, const std::string& storedName)
{
    try {
        return writer_->AppendFileCabinet(source, storedName);
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

void TBuild::PackSourceFiles()
{
    double count = FileCount();
    const std::string uninstall = project_.NotRemove ? "No" : "Yes";
    for (size_t i = 0; i < project_.SourceFiles.size(); ++i) {
        const std::string& source = project_.SourceFiles[i];
        ShowFile(source, (static_cast<double>(i) * 100 + 100) / count);
        if (!winlib::FileExists(source)) {
            // The slot stays without a key; the runtime skips it.
            reporter_.Message("File not found:\r\n" + source);
            missing_ = true;
            continue;
        }
        long long length = AppendCabinet(source, winlib::ExtractFileName(source));
        slots_[i] = TFilesRecord{ReplaceFirstIgnoringCase(source, project_.SourceFolder, "<InstallDir>"), length,
                                 project_.ExistMode, uninstall};
    }
}

void TBuild::PackAdditionalFiles()
{
    double count = FileCount();
    size_t first = project_.SourceFiles.size();
    for (size_t j = 0; j < project_.AdditionalFiles.size(); ++j) {
        const TBuildFileRow& row = project_.AdditionalFiles[j];
        ShowFile(row.Source, static_cast<double>(first + j) * 100 / count);
        if (IsSetupTempRow(row.InstallTo))
            continue;  // packed into qzsetup.cab
        long long length = AppendCabinet(row.Source, StoredFileName(row.InstallTo));
        slots_[first + j] = TFilesRecord{row.InstallTo, length, row.Mode, row.Uninstall};
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
        PackSourceFiles();
        PackAdditionalFiles();
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
