// [Others] records: fonts, COM servers, type libraries, the screen saver and the
// wallpaper. A registration the system refused is reported and not recorded, so
// that the uninstaller never undoes what never happened.
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include "cabinet/UninstallLogFormat.h"
#include "runtime/Form1.h"
#include "runtime/InstallActions.h"
#include "runtime/Language.h"
#include "runtime/PackageView.h"
#include "runtime/Placeholders.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/UninstallLog.h"
#include "winlib/Application.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/StringList.h"

namespace {

constexpr WORD MachineI386 = 0x014C;

std::wstring Wide(const std::string& text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

void AddRecord(const char* section, const std::string& file, bool keep)
{
    if (Setup().UninstallEnabled && !keep)
        AddUninstallItem(section, file);
}

// Starts the command line without a window and waits for it; its exit code, or
// -1 when it could not start.
long RunHiddenAndWait(const std::string& commandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        LogLine("Error command: " + commandLine + " (" + std::to_string(GetLastError()) + ")");
        return -1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    if (!GetExitCodeProcess(pi.hProcess, &code))
        code = 1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<long>(code);
}

// A 32-bit server cannot load into this 64-bit process: the system's 32-bit
// regsvr32 registers it in the 32-bit registry view, where a 32-bit runtime put it.
bool RegisterI386Server(const std::string& file)
{
    std::string regsvr32 = GetFolderPath(pkWindowsDir) + "\\SysWOW64\\regsvr32.exe";
    return RunHiddenAndWait("\"" + regsvr32 + "\" /s \"" + file + "\"") == 0;
}

bool RegisterNativeServer(const std::string& file)
{
    EnsureComInitialised();
    // The altered search path lets the server find libraries beside it.
    HMODULE library = LoadLibraryExA(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        LogLine("Error activex: " + file + " does not load (" + std::to_string(GetLastError()) + ")");
        return false;
    }
    using TRegisterServer = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<TRegisterServer>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
    bool ok = false;
    if (entry)
        ok = SUCCEEDED(entry()) || SUCCEEDED(entry());  // a second try, as some servers need
    FreeLibrary(library);
    return ok;
}

}  // namespace

bool IsI386Image(const std::string& file)
{
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    IMAGE_DOS_HEADER dos = {};
    DWORD read = 0;
    bool i386 = false;
    if (ReadFile(handle, &dos, sizeof dos, &read, nullptr) && read == sizeof dos && dos.e_magic == IMAGE_DOS_SIGNATURE &&
        SetFilePointer(handle, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
        struct { DWORD Signature; WORD Machine; } nt = {};
        i386 = ReadFile(handle, &nt, 6, &read, nullptr) && read == 6 && nt.Signature == IMAGE_NT_SIGNATURE &&
               nt.Machine == MachineI386;
    }
    CloseHandle(handle);
    return i386;
}

void RegisterFont(const std::string& file, bool keep)
{
    if (!winlib::FileExists(file))
        return ReportMissingFile("Error font file: " + file, file);
    if (AddFontResourceA(file.c_str()) == 0)
        return ReportActionFailure("Error font: " + file, Lng("Messages", 21), file);
    // A window that does not answer must not hold up the setup.
    SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    AddRecord("Fonts", file, keep);
}

void RegisterActiveX(const std::string& file, bool keep)
{
    if (!winlib::FileExists(file))
        return ReportMissingFile("Error activex file: " + file, file);
    bool ok = IsI386Image(file) ? RegisterI386Server(file) : RegisterNativeServer(file);
    if (!ok)
        return ReportActionFailure("Error activex: " + file, Lng("Messages", 22), file);
    AddRecord("ActiveX", file, keep);
}

void RegisterTypeLibrary(const std::string& file, bool keep)
{
    if (!winlib::FileExists(file))
        return ReportMissingFile("Error tlb file: " + file, file);
    EnsureComInitialised();
    std::wstring path = Wide(file);
    std::wstring helpDir = Wide(winlib::ExtractFileDir(file));
    ITypeLib* library = nullptr;
    // RegisterTypeLib writes the registry view of its own process, the 64-bit one.
    HRESULT result = LoadTypeLib(path.c_str(), &library);
    if (SUCCEEDED(result)) {
        result = RegisterTypeLib(library, path.data(), helpDir.data());
        library->Release();
    }
    if (FAILED(result)) {
        LogLine("Error tlb: " + file + " (HRESULT " + std::to_string(static_cast<unsigned long>(result)) + ")");
        return ReportActionFailure("Error tlb: " + file, Lng("Messages", 23), file);
    }
    AddRecord("TypeLibrary", file, keep);
}

void InstallScreenSaver(const std::string& file)
{
    if (!winlib::FileExists(file))
        return ReportMissingFile("Error src file: " + file, file);
    TForm1* form = dynamic_cast<TForm1*>(Setup().Fields);
    // The control panel shows its own dialog and reports its own errors; the setup
    // does not wait for it.
    auto started = reinterpret_cast<INT_PTR>(ShellExecuteA(form ? form->Handle() : nullptr, "open", "rundll32.exe",
                                                           ("desk.cpl,InstallScreenSaver " + file).c_str(), nullptr,
                                                           SW_SHOWNORMAL));
    if (started <= 32)
        LogLine("Error command: rundll32.exe desk.cpl,InstallScreenSaver " + file);
    if (Setup().UninstallEnabled)
        AddUninstallItem("ScreenSaver", file);
}

void SetWallpaper(const std::string& file)
{
    winlib::TRegistry registry(HKEY_CURRENT_USER, PackageView().RegistryView());
    // What the desktop showed before goes into the log first, so that uninstalling
    // puts back the picture and how it was laid out.
    uninstlog::TWallpaperRecord before;
    before.Picture = file;
    if (registry.OpenKeyReadOnly("Control Panel\\Desktop") == ERROR_SUCCESS) {
        registry.ReadString("Wallpaper", before.Wallpaper);  // a missing value stays empty
        registry.ReadString("TileWallpaper", before.Tile);
        registry.ReadString("WallpaperStyle", before.Style);
        registry.CloseKey();
    }
    if (Setup().UninstallEnabled)
        AddUninstallItem(uninstlog::SecWallpaper, uninstlog::FormatWallpaperRecord(before));
    // A wallpaper is decoration: a refusal is logged, never reported as an install error.
    if (registry.OpenKey("Control Panel\\Desktop", true) != ERROR_SUCCESS ||
        registry.WriteString("Wallpaper", file) != ERROR_SUCCESS ||
        registry.WriteString("TileWallpaper", "0") != ERROR_SUCCESS)
        LogLine("Error registry value: HKEY_CURRENT_USER\\Control Panel\\Desktop: Wallpaper");
    // The file itself: a null path would put back the system's default picture.
    std::string picture = file;
    if (!SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, picture.data(), SPIF_SENDWININICHANGE))
        LogLine("Error wallpaper: " + file);
}

void ProcessOtherItem(const std::string& record)
{
    if (record.empty())
        return;
    std::vector<std::string> f = SplitActionRecord(record, 3);
    if (f.empty())
        return;
    std::string type = winlib::UpperCase(f[0]);
    std::string file = ExpandPlaceholders(f[1]);
    bool keep = IsYes(f[2]);
    if (type == "FONT") {
        ShowActionTask(LanguageText(Lng("Install", 7)));
        RegisterFont(file, keep);
    } else if (type == "DLL/ACTIVEX") {
        ShowActionTask(LanguageText(Lng("Install", 8)));
        RegisterActiveX(file, keep);
    } else if (type == "TYPE LIBRARY") {
        ShowActionTask(LanguageText(Lng("Install", 9)));
        RegisterTypeLibrary(file, keep);
    } else if (type == "SCREENSAVER") {
        InstallScreenSaver(file);
    } else if (type == "WALLPAPER") {
        SetWallpaper(file);
    }
    winlib::ProcessMessages();
}
