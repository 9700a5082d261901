// The Tools menu: autorun.inf beside the built setup, a data archive the setup
// unpacks after installing, the ODBC data-source dialog, and two shortcuts into
// the system.
#include <windows.h>

#include <cstdio>

#include "authoring/MainWindow.h"
#include "authoring/ItemDialogBinding.h"
#include "authoring/OdbcDialog.h"
#include "winlib/Application.h"
#include "winlib/Dialogs.h"
#include "winlib/MessageBox.h"
#include "winlib/OsError.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/Shell.h"
#include "winlib/StringList.h"

namespace {

constexpr const char* kArchiverTarget = "<SetupTempDir>\\7za.exe";
constexpr const char* kArchiverCommand = "x \"<CurrentDir>\\data.zip\" -o\"<InstallDir>\" -aoa";

int Box(HWND owner, const std::string& text, UINT flags, const std::string& caption = kProductTitle)
{
    return winlib::ShowMessageBox(owner, text, caption, flags);
}

// Whether some row's column, upper-cased, equals text (upper-cased).
bool HasRow(const winlib::TListView& list, int column, const std::string& text)
{
    std::string wanted = winlib::UpperCase(text);
    for (int i = 0; i < list.Count(); ++i)
        if (winlib::UpperCase(list.Cell(i, column)) == wanted)
            return true;
    return false;
}

// Writes the whole text or throws EOSError naming the file.
void WriteTextFile(const std::string& path, const std::string& text)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        winlib::RaiseLastOSError("Cannot create \"" + path + "\"");
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    DWORD code = ::GetLastError();
    ::CloseHandle(file);
    if (!ok || written != text.size())
        throw winlib::EOSError(ok ? ERROR_WRITE_FAULT : code, "Cannot write \"" + path + "\"");
}

}  // namespace

void TForm1::RunTool(int command)
{
    switch (command) {
    case cmCreateAutorun: CreateAutorun1Click(); break;
    case cmCreateDataFile: CreateDataFile1Click(); break;
    case cmCreateOdbcDsn: CreateODBCConnection1Click(); break;
    case cmOpenProgramFiles: OpenProgramFilesfolder1Click(); break;
    case cmProgramsAndFeatures: ControlPanelProgramsandFeatures1Click(); break;
    default: break;  // "Add Tarvex Downloader..." stays disabled
    }
}

void TForm1::CreateAutorun1Click()
{
    std::string setup = ExpandProjectMacros(ESetupFile.Text());
    if (!winlib::FileExists(setup)) {
        Box(Handle(), "The project has not been built yet.", MB_OK | MB_ICONWARNING);
        return;
    }
    std::string folder = winlib::ExtractFilePath(setup);
    std::string name = winlib::ExtractFileName(setup);
    try {
        WriteTextFile(folder + "autorun.inf", "[autorun]\r\nopen=" + name + "\r\nicon=" + name + "\r\n");
    } catch (const winlib::EOSError& error) {
        Box(Handle(), winlib::SysErrorMessage(error.Code()), MB_OK | MB_ICONERROR);
        return;
    }
    Box(Handle(),
        "File \"" + folder + "autorun.inf\" has been successfully created!\r\n\r\n"
        "AutoRun runs a setup program when a CD or DVD is inserted into a Windows-based system.\r\n"
        "You should place \"autorun.inf\" and \"" + name + "\" files in the root directory of a CD or DVD.",
        MB_OK | MB_ICONINFORMATION);
}

// Packs a folder into data.zip beside the setup and adds what the setup needs to
// unpack it after installing: the archiver as a temporary file and its command.
void TForm1::CreateDataFile1Click()
{
    std::string archiver = AppState().ProgramFolder + "Data\\7za.exe";
    if (!winlib::FileExists(archiver)) {
        Box(Handle(), "File not found:\r\n" + archiver + "\r\n\r\nPlease reinstall Tarvex Installer.",
            MB_OK | MB_ICONERROR, "");
        return;
    }
    std::string folder = winlib::ExcludeTrailingBackslash(winlib::ExtractFilePath(ExpandProjectMacros(ESetupFile.Text())));
    if (folder.empty() || !winlib::DirectoryExists(folder)) {
        Box(Handle(), "Folder doesn't exist:\r\n\r\n" + folder, MB_OK | MB_ICONWARNING);
        return;
    }
    std::string archive = folder + "\\data.zip";
    Box(Handle(), "The following data file will be created:\r\n\r\n\"" + archive + "\"", MB_OK | MB_ICONINFORMATION,
        "Create Data File");
    std::string source;
    if (!winlib::BrowseForFolder(Handle(), "Select Source Folder:", source) || source.empty())
        return;
    if (winlib::FileExists(archive) && !::DeleteFileA(archive.c_str())) {
        Box(Handle(), "Cannot delete file:\r\n" + archive + "\r\n\r\n" + winlib::SysErrorMessage(::GetLastError()),
            MB_OK | MB_ICONERROR);
        return;
    }
    winlib::ProcessMessages();
    ::Sleep(200);
    std::string parameters = "a \"" + archive + "\" \"" + winlib::IncludeTrailingBackslash(source) + "*\"";
    try {
        HANDLE process = winlib::ShellStart(Handle(), "open", archiver, parameters,
                                            AppState().ProgramFolder + "Data", SW_SHOWNORMAL);
        if (process != nullptr)
            ::CloseHandle(process);  // not waited for: the archiver writes under a temporary name
    } catch (const winlib::EOSError& error) {
        Box(Handle(), "Cannot run:\r\n" + archiver + "\r\n\r\n" + winlib::SysErrorMessage(error.Code()),
            MB_OK | MB_ICONERROR);
        return;
    }
    winlib::ProcessMessages();
    DataFolderSize = winlib::FolderTreeSize(source, winlib::ProcessMessages);
    Action1Execute();
    AddDataFileRows(archiver);
}

void TForm1::AddDataFileRows(const std::string& archiver)
{
    if (!HasRow(ListFiles(), 1, kArchiverTarget))
        ListFiles().Add({archiver, {kArchiverTarget, "Overwrite", "Yes"}});
    winlib::TListView& commands = ListView(TListId::Commands);
    if (!HasRow(commands, 0, kArchiverTarget))
        commands.Add({kArchiverTarget, {kArchiverCommand, "Normal", "After Installation", "Yes", "All"}});
    CheckUninstaller.SetChecked(true);
    CheckUninstallForce.SetChecked(true);
    RebuildDestinationTree();
}

void TForm1::CreateODBCConnection1Click()
{
    ShowSettingsPage(pgSystem);
    Page(pgSystem).SetActivePage(tabRegistry);
    if (Form20 != nullptr)
        Form20->ShowModal();
}

// The 32-bit program folder on 64-bit Windows, where most setups install.
void TForm1::OpenProgramFilesfolder1Click()
{
    winlib::TRegistry machine(HKEY_LOCAL_MACHINE, winlib::RegView::View64);
    if (machine.OpenKeyReadOnly("SOFTWARE\\Microsoft\\Windows\\CurrentVersion") != ERROR_SUCCESS)
        return;
    std::string folder;
    if (machine.ReadString("ProgramFilesDir (x86)", folder) != ERROR_SUCCESS &&
        machine.ReadString("ProgramFilesDir", folder) != ERROR_SUCCESS)
        return;
    winlib::ShellOpen(Handle(), "open", folder);
}

void TForm1::ControlPanelProgramsandFeatures1Click()
{
    winlib::ShellOpen(Handle(), "open", "rundll32.exe", "shell32.dll Control_RunDLL appwiz.cpl");
}
