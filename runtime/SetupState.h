// The setup runtime's state: one instance per process, filled by the start-up and
// read by every later step (placeholders, wizard, install run, uninstall log).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cabinet/CabReader.h"
#include "winlib/IniFile.h"

// Exit codes of a setup process. A silent caller's only report, so each end has its own.
enum TSetupExitCode : int {
    secOk = 0,                 // normal end; a refusal by the user; a confirmed cancel
    secCorruptPackage = 1,     // no trailer, or the package cannot be unpacked or read
    secPictures = 2,           // a wizard picture does not load
    secFonts = 3,              // the setup font step failed
    secNoLanguage = 4,         // the package holds no language file
    secRequirement = 5,        // a requirement or prerequisite rule ended the setup
    secInstallAborted = 6,     // the install run was aborted by a failure
    secInstallErrors = 7,      // the install run finished, but some actions failed
};

// Wizard pages by number; PageEnabled and CurrentPage use these.
enum TWizardPage : int {
    wpLanguage = 1, wpWelcome, wpLicense, wpReadme, wpUserInfo,
    wpDestination, wpProgramGroup, wpReady, wpInstalling, wpFinished,
};

// What placeholders read from the wizard's controls at the moment of each expansion.
// The setup window implements it; tests fake it.
class IWizardFields {
public:
    virtual ~IWizardFields() = default;
    virtual std::string InstallDir() const = 0;      // Edit1
    virtual std::string ProgramGroup() const = 0;    // ComboBox1
    virtual std::string UserName() const = 0;        // EUser
    virtual std::string UserCompany() const = 0;     // ECompany
    virtual std::string CustomUserInfo() const = 0;  // ECustomInfo
    virtual std::string Language() const = 0;        // ComboLng
};

struct TSetupState {
    // The running setup file and its parameters (parameter 0 is the program path).
    std::string SetupExe;
    std::vector<std::string> Params;

    bool SilentSetup = false;
    bool LogSetup = false;
    bool FirstActivation = true;

    std::string SetupTempDir;     // <TempDir>\QZTMPnnn, no trailing backslash
    bool TempDirCreated = false;  // only a folder this run made is ever removed
    bool SetupFilesUnpacked = false;  // qzsetup.cab is unpacked into SetupTempDir
    long long SetupCabinetOffset = 0;  // where qzsetup.cab starts in the setup file

    std::unique_ptr<TSTCabReader> CabReader;
    std::unique_ptr<winlib::TIniFile> SetupIni;
    std::unique_ptr<winlib::TIniFile> LanguageIni;

    std::vector<std::string> VariablesList;  // NAME + "?" + VALUE
    std::vector<std::string> UninstallItems;
    std::vector<std::string> FieldList;      // one record split into fields
    std::vector<std::string> ListBox1;       // key list of the section being read
    std::vector<std::string> LogList;        // the install log

    std::string SetupTitle;
    bool Package64 = false;
    bool AdminRequired = true;
    bool UninstallEnabled = false;
    int EngineSize = 0;
    bool UserIsAdmin = false;
    int InstallLevel = 1;
    bool PageEnabled[wpFinished + 1] = {};  // indexed by page number 1..10

    bool CancelRequested = false;
    bool InstallErrors = false;
    std::string SetupFontFile;
    int CurrentPage = 0;
    std::string DataZipPath;  // the data.zip the user chose at start-up

    IWizardFields* Fields = nullptr;  // the setup window, once it exists
};

// The process's one runtime state. Inside a GoogleTest fixture write ::Setup():
// the fixture base class has a member of the same name.
TSetupState& Setup();
