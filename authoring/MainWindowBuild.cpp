// Validation of the project and the commands that build and test its setup.
#include <cstdio>
#include <functional>

#include "authoring/Builder.h"
#include "authoring/MainWindow.h"
#include "authoring/BuildWindow.h"
#include "winlib/MessageBox.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"

namespace {

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool CanTakeFocus(HWND control) { return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control); }

// One validation check: "" passes, anything else is the warning to show.
struct TValidationCheck {
    int Page;  // 0: no page is shown
    int Tab;
    std::function<std::string()> Problem;
    const winlib::TControl* Focus;
};

// The licence and readme lists: row 0 is "(Default)", column 1 the file. An empty
// "(Default)" takes the second row's file when there is one.
std::string TextListProblem(winlib::TListView& list, const char* kind)
{
    std::string noDefault = std::string(kind) +
                            " File for the (Default) language must be specified.\r\n\r\n"
                            "To specify it double-click on the (Default) item.";
    if (list.Count() == 0)
        return noDefault;
    if (list.Cell(0, 1).empty()) {
        if (list.Count() < 2 || list.Cell(1, 1).empty())
            return noDefault;
        list.SetCell(0, 1, list.Cell(1, 1));
        list.SetCell(1, 1, "");
    }
    for (int i = 0; i < list.Count(); ++i) {
        std::string file = list.Cell(i, 1);
        if (!file.empty() && !winlib::FileExists(file))
            return std::string(kind) + " File for the \"" + list.Cell(i, 0) + "\" language is not found:\r\n" + file +
                   "\r\n\r\nCheck the file location.";
    }
    return std::string();
}

std::string Unless(bool passes, const char* message) { return passes ? std::string() : message; }

}  // namespace

int TForm1::ProjectInstallLevel() const
{
    int level = ComboInstallLevel.ItemIndex();
    return level >= 0 && level <= 2 ? level : 1;
}

void TForm1::ShowBuildWarning(const std::string& text)
{
    // In a command-line build the message sink turns this into a "warning:" line.
    winlib::ShowMessageBox(Handle(), text, kProductTitle, MB_OK | MB_ICONWARNING);
}

bool TForm1::ValidateProject()
{
    const std::string setupFile = ExpandProjectMacros(ESetupFile.Text());
    const std::string engine = AppState().ProgramFolder + setupformat::EngineTemplateName(ProjectInstallLevel());
    // Text present after trimming; text present while an option is on (as typed).
    auto notBlank = [](const winlib::TControl& control, const char* message) {
        return [&control, message] { return Unless(!Trim(control.Text()).empty(), message); };
    };
    auto filledWhen = [](const winlib::TCheckBox& option, const winlib::TControl& control, const char* message) {
        return [&option, &control, message] { return Unless(!option.Checked() || !control.Text().empty(), message); };
    };
    auto fileExists = [](const winlib::TEdit& edit, const char* message) {
        return [&edit, message] { return Unless(winlib::FileExists(edit.Text()), message); };
    };
    const TValidationCheck checks[] = {
        {pgGeneral, tabInformation, notBlank(EAppName, "Product Name must be specified."), &EAppName},
        {pgGeneral, tabInformation, notBlank(ESetupFile, "Setup File must be specified."), &ESetupFile},
        {pgGeneral, tabInformation,
         [&] {
             // A name that is not absolute would be built into whatever folder the
             // last file dialog left current.
             if (!winlib::IsAbsolutePath(setupFile)) {
                 std::string folder = winlib::ExtractFileDir(setupFile);
                 return "Folder doesn't exist:\r\n\r\n" + (folder.empty() ? setupFile : folder);
             }
             std::string folder = winlib::ExtractFileDir(winlib::ExpandFileName(setupFile));
             return winlib::DirectoryExists(folder) ? std::string() : "Folder doesn't exist:\r\n\r\n" + folder;
         },
         &ESetupFile},
        {pgGeneral, tabGraphics, fileExists(EWizard, "Wizard Bitmap file is not found."), &EWizard},
        {pgGeneral, tabGraphics, fileExists(EHeader, "Header Bitmap file is not found."), &EHeader},
        {pgGeneral, tabGraphics,
         [&] {
             if (CheckIcon.Checked() && EIcon.Text().empty())
                 CheckIcon.SetChecked(false);  // nothing chosen: the default icon is meant
             return Unless(!CheckIcon.Checked() || winlib::FileExists(EIcon.Text()), "Icon File is not found.");
         },
         &EIcon},
        {pgGeneral, tabRequirements,
         [&] {
             bool any = false;
             for (int i = 0; i < CheckListOS.Count(); ++i)
                 any = any || CheckListOS.Checked(i);
             return Unless(any, "At least one Windows version should be selected.");
         },
         nullptr},
        // Trimmed: the setup script holds the path trimmed, so blanks would install to the drive root.
        {pgInstallation, tabFilesAndFolders, notBlank(ComboInstallPath, "Destination Folder must be specified."),
         &ComboInstallPath},
        {pgInstallation, tabParameters,
         [&] {
             return Unless(CheckAdmin.Checked() || ProjectInstallLevel() != 1,
                           "As the Administrator Privileges option is not selected, the setup program won't be able "
                           "to install the application for All Users.");
         },
         nullptr},
        // A blank GUID would name the Add/Remove Programs "Uninstall" key itself.
        {pgInstallation, tabParameters,
         [&] {
             std::string guid = Trim(EGUID.Text());
             return Unless(!guid.empty() && guid.find('\\') == std::string::npos, "Product GUID must be specified.");
         },
         &EGUID},
        {pgDialogs, tabLanguages,
         [&] { return Unless(!ComboDefLng.Text().empty(), "Default Language must be specified."); }, &ComboDefLng},
        {pgDialogs, tabLicense,
         [&] { return CheckBox29.Checked() ? TextListProblem(ListLicense, "License") : std::string(); }, &ListLicense},
        {pgDialogs, tabReadme,
         [&] { return CheckBox30.Checked() ? TextListProblem(ListReadme, "Readme") : std::string(); }, &ListReadme},
        {pgDialogs, tabFinish,
         filledWhen(CheckLaunchProgram, ELaunchProgram, "File for Launch Application must be specified."),
         &ELaunchProgram},
        {pgDialogs, tabFinish, filledWhen(CheckViewReadme, EViewReadme, "File for View Readme File must be specified."),
         &EViewReadme},
        {pgDialogs, tabFinish,
         filledWhen(CheckCustomFinish, ECustomFinishName, "Name for Custom Action must be specified."),
         &ECustomFinishName},
        {pgDialogs, tabFinish,
         filledWhen(CheckCustomFinish, ECustomFinishCommand, "Command for Custom Action must be specified."),
         &ECustomFinishCommand},
        {pgSystem, tabShortcuts, notBlank(ComboProgramGroup, "Program Group must be specified."), &ComboProgramGroup},
        {0, 0,
         [&] {
             return winlib::FileExists(engine)
                        ? std::string()
                        : "File not found:\r\n" + engine + "\r\n\r\nPlease reinstall Tarvex Installer.";
         },
         nullptr},
        {pgInstallation, tabAdditionalFiles,
         [&] {
             for (const winlib::TListRow& row : ListFiles().Rows())
                 if (!winlib::FileExists(row.Caption))
                     return "File not found:\r\n" + row.Caption;
             return std::string();
         },
         nullptr},
    };
    for (const TValidationCheck& check : checks) {
        std::string problem = check.Problem();
        if (problem.empty())
            continue;
        if (check.Page != 0) {
            ShowSettingsPage(check.Page);
            Page(check.Page).SetActivePage(check.Tab);
        }
        ShowBuildWarning(problem);
        if (check.Focus != nullptr && CanTakeFocus(check.Focus->Handle()))
            check.Focus->SetFocus();
        return false;
    }
    return true;
}

unsigned long long TForm1::EstimateInstallSize()
{
    unsigned long long size = AppState().FolderSize + DataFolderSize;
    for (const winlib::TListRow& row : ListFiles().Rows()) {
        HANDLE file = CreateFileA(row.Caption.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;  // a file that cannot be opened adds nothing to an estimate
        LARGE_INTEGER length;
        if (GetFileSizeEx(file, &length))
            size += static_cast<unsigned long long>(length.QuadPart);
        CloseHandle(file);
    }
    if (CheckUninstaller.Checked())
        size += AppState().UninstallerSize;
    if (CheckUpdater.Checked())
        size += AppState().UpdaterSize;
    return size;
}

std::string TForm1::FormatSize(unsigned long long size)
{
    // Formatted by hand: printf's decimal point follows the C locale, and the text
    // must read the same on every machine.
    const std::pair<unsigned long long, const char*> units[] = {
        {1073741824ULL, " GB"}, {1048576ULL, " MB"}, {1024ULL, " KB"}};
    for (const auto& [unit, name] : units) {
        if (size / unit == 0)
            continue;
        unsigned long long hundredths =
            static_cast<unsigned long long>(static_cast<long double>(size) * 100 / unit + 0.5L);
        char text[64];
        std::snprintf(text, sizeof text, "%llu.%02llu%s", hundredths / 100, hundredths % 100, name);
        return text;
    }
    return std::to_string(size) + " Bytes";
}

void TForm1::RunTest()
{
    std::string setupFile = ExpandProjectMacros(ESetupFile.Text());
    if (winlib::FileExists(setupFile)) {
        winlib::ShellOpen(Handle(), "open", setupFile, "", winlib::ExtractFileDir(setupFile), SW_SHOWNORMAL);
        return;
    }
    const char* question = "The project has not been built yet.\r\n\r\nDo you want to build the project now?";
    if (winlib::ShowMessageBox(Handle(), question, kProductTitle, MB_YESNO | MB_ICONWARNING) == IDYES)
        BuildClick();
}

void TForm1::EnableTestCommand(bool on) { MainMenu().EnableItem(cmTest, on); }

// The build window in the GUI; a command-line build reports to stderr and stdout
// and returns the process's exit code.
int TForm1::BuildSetup()
{
    if (!AppState().SilentBuild) {
        if (Form5 != nullptr)
            Form5->ShowModal();
        return 0;
    }
    TSilentBuildReporter reporter;
    TBuildResult result = RunBuild(TakeBuildProject(), reporter);
    if (result.Outcome == boFailed)
        return boFailed;
    std::printf("Built %s (%s)\n", winlib::ExpandFileName(ExpandProjectMacros(ESetupFile.Text())).c_str(),
                FormatSize(result.Size).c_str());
    std::fflush(stdout);
    return result.Outcome;
}

void ShowInFolder(const std::string& path, HWND owner)
{
    if (winlib::FileExists(path)) {
        winlib::ShellOpen(owner, "open", "explorer.exe", "/select, \"" + path + "\"");
        return;
    }
    std::string folder = winlib::ExtractFileDir(path);
    if (!folder.empty() && winlib::DirectoryExists(folder))
        winlib::ShellOpen(owner, "open", folder);
}
