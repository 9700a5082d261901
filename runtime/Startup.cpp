#include "runtime/Startup.h"

#include <windows.h>

#include <string>

#include "cabinet/CabReader.h"
#include "cabinet/SetupFormat.h"
#include "runtime/Form1.h"
#include "runtime/Language.h"
#include "runtime/OSInfo.h"
#include "runtime/Payload.h"
#include "runtime/Placeholders.h"
#include "runtime/Seams.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "winlib/Application.h"
#include "winlib/Dialogs.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

TProcessExit processExit = nullptr;

constexpr int TempNameCount = 1000;
constexpr char DataZipFilter[] = "Data.zip|Data.zip|Archive File (*.zip)|*.zip";
constexpr char DataZipCommand[] = "X \"<CURRENTDIR>\\DATA.ZIP\"";


std::string ThreeDigits(int n)
{
    char digits[4] = {static_cast<char>('0' + n / 100), static_cast<char>('0' + n / 10 % 10),
                      static_cast<char>('0' + n % 10), '\0'};
    return digits;
}

// Different in every process and at every start, so that two setups started
// together rarely probe the same names.
unsigned TempNameSeed()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned seed = now.dwLowDateTime ^ (GetCurrentProcessId() * 2654435761u) ^ GetTickCount();
    return seed * 2246822519u;
}

// "<date> <time>" in the user's short date and default time formats.
std::string DateTimeText()
{
    char date[128] = {};
    char time[128] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date))
        date[0] = '\0';  // a log header without the date is still a log
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time))
        time[0] = '\0';
    return std::string(date) + " " + time;
}

// The reason behind a corrupt-setup code: the box has a fixed text, so the detail
// goes to the log and the debugger.
void RecordFailure(const std::string& detail)
{
    LogLine(detail);
    OutputDebugStringA((detail + "\r\n").c_str());
}

winlib::TIniFile& Script() { return *Setup().SetupIni; }

// Step 5.5: the wizard picture and the header picture.
void LoadPictures(TForm1& form)
{
    const char* names[] = {setupformat::WizardPictureName, setupformat::HeaderPictureName};
    TWizardPicture* pictures[] = {&form.Image1, &form.Image2};
    for (int i = 0; i < 2; ++i) {
        std::string path = Setup().SetupTempDir + "\\" + names[i];
        HANDLE bitmap = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
        if (!bitmap)
            winlib::RaiseLastOSError("Cannot load the picture " + path);
        if (form.Silent())
            DeleteObject(bitmap);  // a silent run shows none, but a bad picture still ends it as before
        else
            pictures[i]->SetBitmap(static_cast<HBITMAP>(bitmap));
    }
}

// Steps 3-5 and 5.5: the package's files, then the pictures and the setup font.
void UnpackPackage(TForm1& form)
{
    UnpackSetupFiles();
    int stage = secPictures;
    try {
        winlib::ProcessMessages();
        LoadPictures(form);

        stage = secFonts;
        InstallSetupFonts(form);
    } catch (const std::exception& e) {
        RecordFailure(e.what());
        FailCorrupt(stage);
    }
}

}  // namespace

void UnpackSetupFiles()
{
    TSetupState& s = Setup();
    if (s.SetupFilesUnpacked)
        return;  // done before the window was made
    payload::TTrailerHit hit;
    try {
        payload::TSetupFile file(s.SetupExe);
        if (!payload::FindTrailer(file.Handle(), file.Size(), hit)) {
            file.Close();
            RecordFailure("No setup package in " + s.SetupExe);
            FailCorrupt(secCorruptPackage);
        }
        s.SetupCabinetOffset = hit.CabinetOffset();
        s.SetupTempDir = CreateSetupTempDir(GetFolderPath(pkTempDir), TempNameSeed());
        s.TempDirCreated = true;
        std::string cabinet = s.SetupTempDir + "\\" + setupformat::SetupCabinetName;
        payload::CopySetupCabinet(file.Handle(), hit, cabinet);
        file.Close();
        if (s.Fields)
            winlib::ProcessMessages();  // none before the window: and the display may still be loading
        s.CabReader = std::make_unique<TSTCabReader>();
        s.CabReader->ExtractFiles(cabinet, s.SetupTempDir, 0);
        if (!winlib::FileExists(s.SetupTempDir + "\\" + setupformat::SetupScriptName))
            throw std::runtime_error("The setup cabinet holds no setup script");
        s.SetupFilesUnpacked = true;
    } catch (const std::exception& e) {
        RecordFailure(e.what());
        FailCorrupt(secCorruptPackage);
    }
}

namespace {

// Step 9: the script's basic settings.
void ReadBasicSettings()
{
    TSetupState& s = Setup();
    winlib::TIniFile& ini = Script();
    s.Package64 = ini.ReadBool("Setup", "x64", false);  // from here on, PackageView() answers for x64
    s.AdminRequired = ini.ReadBool("Setup", "Admin", true);
    s.UninstallEnabled = ini.ReadBool("Setup", "Uninstall", false);
    s.EngineSize = ini.ReadInteger("Setup", setupformat::EngineSizeKey, 0);
    if (s.EngineSize < 0 || s.EngineSize > s.SetupCabinetOffset) {
        RecordFailure("EngineSize " + std::to_string(s.EngineSize) + " lies outside the setup file");
        FailCorrupt(secCorruptPackage);
    }
    s.UserIsAdmin = TOSInfo::IsAdminOrPowerUser();
    s.InstallLevel = ini.ReadInteger("Setup", "InstallLevel", 1);
    if (s.InstallLevel < 0 || s.InstallLevel > 2)
        s.InstallLevel = 1;
    if (ini.ReadBool("Setup", "SilentInstall", false))
        s.SilentSetup = true;
}

// Step 10: the log header.
void WriteLogHeader()
{
    TSetupState& s = Setup();
    s.LogSetup = FindSwitch("/L") > 0;
    if (!s.LogSetup)
        return;
    LogLine(s.SetupExe);
    LogLine(s.SetupTitle);
    LogLine(DateTimeText());
    LogLine(TOSInfo::GetWindowsName());
    LogLine(s.UserIsAdmin ? "Admin" : "NotAdmin");
}

// Steps 12 and 17: every [Variables] record, in file order.
void LoadVariables()
{
    TSetupState& s = Setup();
    s.ListBox1 = Script().ReadSection("Variables");
    for (const std::string& key : s.ListBox1)
        LoadRegistryVariable(Script().ReadString("Variables", key, ""));
}

// Step 16, for one [Commands] row that unpacks data.zip: the archive must lie
// beside the setup, or the user points at it.
void AskForDataZip(TForm1& form)
{
    TSetupState& s = Setup();
    std::string expected = ExpandPlaceholders("<CurrentDir>\\data.zip");
    if (winlib::FileExists(expected))
        return;
    if (!s.SilentSetup)
        winlib::ShowMessageBox(form.Handle(), LanguageText(Lng("Messages", 29), expected), form.Caption(),
                               MB_OK | MB_ICONWARNING);
    winlib::TOpenDialog dialog;
    dialog.Filter = DataZipFilter;
    dialog.Options = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_ENABLESIZING;
    dialog.FileName = s.DataZipPath;
    if (!dialog.Execute(form.Handle()) || !winlib::FileExists(dialog.FileName))
        QuitSetup();
    s.DataZipPath = dialog.FileName;
}

// Step 16. A 64-bit runtime needs no file-system redirection switch: the commands
// see the folders of the package view through the placeholders.
void RunBeforeCommands(TForm1& form)
{
    for (const std::string& key : Script().ReadSection("Commands")) {
        std::string command = Script().ReadString("Commands", key, "");
        if (winlib::UpperCase(command).find(DataZipCommand) != std::string::npos)
            AskForDataZip(form);
        RunCommands(0, command);
    }
}

// Step 18: reserved variables fill the user-information fields.
void ApplyReservedVariables(TForm1& form)
{
    const std::string userName = "<UserNameVar>";
    const std::string company = "<CompanyNameVar>";
    const std::string custom = "<CustomUserInfoVar>";
    std::string value = ExpandPlaceholders(userName);
    if (value != userName)
        form.EUser.SetText(value);
    value = ExpandPlaceholders(company);
    if (value != company)
        form.ECompany.SetText(value);
    value = ExpandPlaceholders(custom);
    form.ECustomInfo.SetText(value == custom ? std::string() : value);
}

// Step 20: the installation folder; "/P <folder>" wins over the script.
void SetInstallationPath(TForm1& form)
{
    TSetupState& s = Setup();
    form.Edit1.SetText(ExpandPlaceholders(Script().ReadString("Setup", "InstallationPath", "")));
    int i = FindSwitch("/P");
    // A "/P" with nothing after it is ignored rather than emptying the folder.
    if (i > 0 && static_cast<size_t>(i) + 1 < s.Params.size())
        form.Edit1.SetText(ExpandPlaceholders(s.Params[static_cast<size_t>(i) + 1]));
}

// Step 21: which wizard pages are shown.
void SetPageFlags(TForm1& form)
{
    static const struct {
        int Page;
        const char* Key;
    } dialogKeys[] = {
        {wpWelcome, "DialogWelcome"},       {wpLicense, "DialogLicense"},
        {wpReadme, "DialogReadme"},         {wpUserInfo, "DialogUserInfo"},
        {wpDestination, "DialogDestinationFolder"}, {wpProgramGroup, "DialogProgramGroup"},
        {wpReady, "DialogReady"},           {wpFinished, "DialogFinish"},
    };
    TSetupState& s = Setup();
    s.PageEnabled[wpLanguage] = form.ComboLng.Count() > 1;
    for (const auto& row : dialogKeys)
        s.PageEnabled[row.Page] = Script().ReadBool("Setup", row.Key, false);
    s.PageEnabled[wpInstalling] = true;
}

// Step 23: shortcuts on the desktop or in Quick Launch show their task boxes.
void ShowShortcutBoxes(TForm1& form)
{
    for (const std::string& key : Script().ReadSection("Shortcuts")) {
        std::string value = winlib::UpperCase(Script().ReadString("Shortcuts", key, ""));
        if (value.find("DESKTOP>") != std::string::npos) {
            form.MakeStartupBox(form.CheckDesktop).Show(true);
            form.CheckDesktop.SetChecked(true);
        }
        if (value.find("<QUICKLAUNCH>") != std::string::npos) {
            form.MakeStartupBox(form.CheckQuick).Show(true);
            form.CheckQuick.SetChecked(true);
        }
    }
}

}  // namespace

int FindSwitch(const std::string& sw)
{
    const std::vector<std::string>& params = Setup().Params;
    for (size_t i = 1; i < params.size(); ++i)
        if (lstrcmpiA(params[i].c_str(), sw.c_str()) == 0)
            return static_cast<int>(i);
    return 0;
}

std::string CreateSetupTempDir(const std::string& tempDir, unsigned seed)
{
    if (tempDir.empty())
        throw winlib::EOSError(ERROR_PATH_NOT_FOUND, "No temporary folder for the setup files");
    int first = static_cast<int>(seed % TempNameCount);
    for (int k = 0; k < TempNameCount; ++k) {
        std::string dir = tempDir + "\\QZTMP" + ThreeDigits((first + k) % TempNameCount);
        if (CreateDirectoryA(dir.c_str(), nullptr))
            return dir;
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            throw winlib::EOSError(error, "Cannot create the setup folder " + dir);
    }
    throw winlib::EOSError(ERROR_ALREADY_EXISTS, "Every QZTMP000-999 folder in " + tempDir + " is taken");
}

void UpdateAssociateBox(TForm1& form)
{
    if (!Script().SectionExists("Extensions"))
        return;
    std::string list;
    for (const std::string& key : Script().ReadSection("Extensions")) {
        std::string value = Script().ReadString("Extensions", key, "");
        list += " ." + value.substr(0, value.find(setupformat::FieldSeparator));
    }
    const winlib::TCheckBox& box = form.MakeStartupBox(form.CheckAssociate);
    box.SetText(LanguageText(Lng("ShortcutsFolder", 6), list));
    box.Show(true);
    box.SetChecked(true);
}

void RunStartup(TForm1& form)
{
    TSetupState& s = Setup();
    s.Fields = &form;
    s.SilentSetup = FindSwitch("/S") > 0;                    // 1
    s.FirstActivation = true;
    s.LogSetup = false;
    UnpackPackage(form);                                     // 2-6
    s.VariablesList.clear();                                 // 7
    s.UninstallItems.clear();
    s.FieldList.clear();
    s.SetupIni = std::make_unique<winlib::TIniFile>(s.SetupTempDir + "\\" + setupformat::SetupScriptName);
    s.SetupIni->KeepAnswers();  // the package's own script: nothing changes it
    s.SetupTitle = ExpandPlaceholders("<AppName>") + " " + ExpandPlaceholders("<AppVersion>");  // 8
    ReadBasicSettings();                                     // 9
    WriteLogHeader();                                        // 10
    form.EUser.SetText(TOSInfo::GetRegisteredInfo("user"));   // 11
    form.ECompany.SetText(TOSInfo::GetRegisteredInfo("company"));
    LoadVariables();                                         // 12
    LoadLanguageList(form);                                  // 13
    if (FindSwitch("/N") == 0)                               // 14
        CheckRequirements();
    s.DataZipPath.clear();                                   // 15
    RunBeforeCommands(form);                                 // 16
    s.VariablesList.clear();                                 // 17
    LoadVariables();
    ApplyReservedVariables(form);                            // 18
    FillProgramGroups(form);                                 // 19
    SetInstallationPath(form);                               // 20
    SetPageFlags(form);                                      // 21
    CheckPreviousVersion(form);                              // 22
    ShowShortcutBoxes(form);                                 // 23
    UpdateAssociateBox(form);                                // 24
    if (s.SilentSetup) {                                     // 25
        InstallFiles(form);
        EndSetup(s.InstallErrors ? secInstallErrors : secOk);
    }
}

void ReleaseSetupResources()
{
    TSetupState& s = Setup();
    s.SetupIni.reset();
    s.LanguageIni.reset();
    s.VariablesList.clear();
    s.FieldList.clear();
    s.UninstallItems.clear();
}

void EndSetup(int code)
{
    CleanupTemp();
    if (processExit)
        processExit(code);  // a test's replacement throws; it never comes back here
    ExitProcess(static_cast<UINT>(code));
}

std::string CorruptSetupText(int code)
{
    return "The setup file is corrupt.\r\n\r\nError code: " + std::to_string(code);
}

void FailCorrupt(int code)
{
    if (!Setup().SilentSetup)
        winlib::ShowMessageBox(nullptr, CorruptSetupText(code), "Error", MB_OK | MB_ICONERROR);
    EndSetup(code);
}

void AbortSetup()
{
    ReleaseSetupResources();
    EndSetup(secRequirement);
}

void QuitSetup()
{
    ReleaseSetupResources();
    EndSetup(secOk);
}

void SetProcessExit(TProcessExit exitFunction) { processExit = exitFunction; }
