// The package builder: turns a snapshot of the open project into one setup
// executable. The snapshot is taken from the main window when the build starts
// (BuilderSnapshot.cpp), so nothing the user does while the build pumps messages
// can change what is packed.
//
// The builder talks to the outside through one reporter: the "Building Setup"
// window (TForm5) shows its status, progress and boxes and lets the user stop it;
// a command-line build writes the boxes to stderr and never stops.
//
// The setup file is written under a temporary name beside the target and renamed
// over it only when complete: a failed or cancelled build leaves the old setup as
// it was.
//
// The files' cabinets are compressed on worker threads, one per processor (the
// environment variable KIN_BUILD_WORKERS sets another number), and appended in
// project order: the setup is the one a build on one thread makes.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "authoring/SetupScriptWriter.h"
#include "cabinet/SetupFormat.h"

// One Additional Files row.
struct TBuildFileRow {
    std::string Source;     // File column
    std::string InstallTo;  // full target path, placeholders kept
    std::string Mode;       // If Exists
    std::string Uninstall;  // "Yes"/"No"
};

// A licence or readme row: the language caption and its RTF file.
struct TBuildTextRow {
    std::string Caption;
    std::string File;
};

struct TBuildProject {
    std::string Target;         // the setup file, macros expanded
    std::string ProgramFolder;  // with a trailing backslash
    std::string ProjectFile;    // full path, "" when never saved
    int InstallLevel = 1;       // chooses the engine and uninstaller templates

    // [Setup] keys from BuildDate to ProgramGroup and the list sections; the
    // builder adds FilesCount, FilesSize and [Files].
    TSetupScript Script;

    std::string SourceFolder;              // as the project holds it
    std::vector<std::string> SourceFiles;  // the last scan, in list order
    std::string ExistMode;                 // project default for source-folder files
    bool NotRemove = false;
    std::vector<TBuildFileRow> AdditionalFiles;

    std::vector<std::string> Languages;  // in list order
    std::vector<TBuildTextRow> Licences, Readmes;  // empty when that page is off
    std::string WizardBitmap, HeaderBitmap;
    bool Uninstaller = false;
    bool Updater = false;
    bool UpdaterIni = false;  // check for updates before installation
    std::string AppName, AppVersion, UpdateUrl;
    unsigned long long EstimatedSize = 0;

    // The package must stay below this size; only tests lower it.
    unsigned long long SizeLimit = setupformat::PackageSizeLimit;
};

// How a build ended; the command-line build's exit code follows from it.
enum TBuildOutcome {
    boBuilt = 0,
    boFailed = 3,          // refused, failed or cancelled: the old setup is untouched
    boBuiltIncomplete = 4  // built, but missing source-folder files were left out
};

struct TBuildResult {
    TBuildOutcome Outcome = boFailed;
    bool Cancelled = false;
    unsigned long long Size = 0;  // of the setup file, when built
    std::string WorkFolder;       // where the cabinets were made; removed when the build ends
};

class IBuildReporter {
public:
    virtual ~IBuildReporter() = default;
    virtual void Status(const std::string& text) = 0;
    virtual void Progress(int percent) = 0;
    // An error box (error icon, OK) owned by the build window.
    virtual void Message(const std::string& text) = 0;
    // Lets the window's messages run; true when the user asked to stop.
    virtual bool PumpAndPoll() = 0;
};

TBuildResult RunBuild(const TBuildProject& project, IBuildReporter& reporter);

// The name a file cabinet stores for a target path: its file name with each of
// /:*?"<>| made "_" (placeholders such as <AppName> cannot be file names).
std::string StoredFileName(const std::string& targetPath);
// Whether the Install To text binds the row to the setup's temporary folder.
bool IsSetupTempRow(const std::string& installTo);
// Progress percentages round to the nearest integer, halves to even.
int RoundHalfEven(double value);
