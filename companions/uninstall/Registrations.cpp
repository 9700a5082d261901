// Undoing what the setup registered with the system: COM servers, type
// libraries, fonts, the screen saver and the wallpaper; and the logged commands.
#include "companions/uninstall/Uninstaller.h"

#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>
#include <utility>

#include "winlib/Path.h"
#include "winlib/Registry.h"
#include "winlib/StringList.h"

using namespace uninstlog;

namespace uninst {

namespace {

// The COFF machine of a PE image; 0 when the file is not one.
WORD ImageMachine(const std::string& file)
{
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    IMAGE_DOS_HEADER dos = {};
    DWORD read = 0;
    WORD machine = 0;
    DWORD signature = 0;
    if (::ReadFile(h, &dos, sizeof dos, &read, nullptr) && read == sizeof dos && dos.e_magic == IMAGE_DOS_SIGNATURE &&
        ::SetFilePointer(h, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ::ReadFile(h, &signature, sizeof signature, &read, nullptr) && read == sizeof signature &&
        signature == IMAGE_NT_SIGNATURE && ::ReadFile(h, &machine, sizeof machine, &read, nullptr) && read == sizeof machine) {
        ::CloseHandle(h);
        return machine;
    }
    ::CloseHandle(h);
    return 0;
}

// Runs a program and waits; true when it ran and answered 0.
bool RunWaitZero(const std::string& commandLine, const std::string& folder)
{
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (code != 0)
        ::SetLastError(ERROR_GEN_FAILURE);
    return code == 0;
}

std::string WindowsDir()
{
    return winlib::AskSizedText([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); });
}

// An i386 server cannot load into this 64-bit process: the 32-bit regsvr32 does it.
bool UnregisterServer(const std::string& file)
{
    if (ImageMachine(file) == IMAGE_FILE_MACHINE_I386)
        return RunWaitZero("\"" + WindowsDir() + "\\SysWOW64\\regsvr32.exe\" /u /s \"" + file + "\"", std::string());
    HMODULE module = ::LoadLibraryExA(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return false;
    using TUnregister = HRESULT(STDAPICALLTYPE*)();
    auto unregister = reinterpret_cast<TUnregister>(reinterpret_cast<void*>(::GetProcAddress(module, "DllUnregisterServer")));
    HRESULT hr = unregister ? unregister() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    ::FreeLibrary(module);
    if (FAILED(hr))
        ::SetLastError(static_cast<DWORD>(hr));
    return SUCCEEDED(hr);
}

std::wstring Wide(const std::string& text)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

// Whether HKCR\TypeLib\{guid}\<major>.<minor> is there (hexadecimal version, as
// the system registers it), in this 64-bit process's view where it was registered.
bool TypeLibRegistered(const TLIBATTR& attr)
{
    wchar_t guid[64] = {};
    if (::StringFromGUID2(attr.guid, guid, 64) == 0)
        return true;  // cannot tell: let the system answer
    char key[128];
    std::snprintf(key, sizeof key, "TypeLib\\%ls\\%x.%x", guid, attr.wMajorVerNum, attr.wMinorVerNum);
    return winlib::TRegistry(HKEY_CLASSES_ROOT, winlib::RegView::View64).KeyExists(key);
}

// S_OK also when there is nothing left to undo: the file is gone, or the library
// is no longer registered (the user or another product's uninstaller did it).
HRESULT UnregisterTypeLibrary(const std::string& file)
{
    if (!winlib::FileExists(file))
        return S_OK;
    ITypeLib* lib = nullptr;
    HRESULT hr = ::LoadTypeLibEx(Wide(file).c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        if (TypeLibRegistered(*attr))
            hr = ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        lib->ReleaseTLibAttr(attr);
    }
    lib->Release();
    return hr;
}

// Clears a desktop setting of HKCU\Control Panel\Desktop that still names file.
void ClearDesktopValue(const char* valueName, const std::string& file, TUndoReport& report)
{
    winlib::TRegistry reg(HKEY_CURRENT_USER, winlib::RegView::View64);
    std::string current;
    if (reg.OpenKey("Control Panel\\Desktop", false) != ERROR_SUCCESS || reg.ReadString(valueName, current) != ERROR_SUCCESS)
        return;
    if (!winlib::SameText(current, file))
        return;  // the user chose another one since
    LONG result = reg.WriteString(valueName, "");
    if (result != ERROR_SUCCESS)
        report.Fail(std::string("Error ") + valueName, file, result);
}

// Puts back the desktop of before the setup, while it still shows the setup's
// picture (the user may have chosen another since), and applies it at once.
void RestoreWallpaper(const std::string& text, TUndoReport& report)
{
    TWallpaperRecord record;
    if (!ParseWallpaperRecord(text, record))
        return report.Fail("Refused wallpaper", text, ERROR_INVALID_DATA);
    if (!record.HasBefore)
        return ClearDesktopValue("Wallpaper", record.Picture, report);
    winlib::TRegistry reg(HKEY_CURRENT_USER, winlib::RegView::View64);
    std::string current;
    if (reg.OpenKey("Control Panel\\Desktop", false) != ERROR_SUCCESS || reg.ReadString("Wallpaper", current) != ERROR_SUCCESS ||
        !winlib::SameText(current, record.Picture))
        return;
    const std::pair<const char*, const std::string*> values[] = {
        {"TileWallpaper", &record.Tile}, {"WallpaperStyle", &record.Style}, {"Wallpaper", &record.Wallpaper}};
    for (const auto& [name, before] : values) {
        // An empty field: the value was not there; Wallpaper itself is then empty (no picture).
        LONG result = before->empty() && std::string(name) != "Wallpaper" ? reg.DeleteValue(name) : reg.WriteString(name, *before);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            report.Fail(std::string("Error ") + name, record.Picture, result);
    }
    std::string picture = record.Wallpaper;
    if (!::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, picture.data(), SPIF_UPDATEINIFILE | SPIF_SENDCHANGE))
        report.Fail("Error wallpaper", record.Wallpaper, ::GetLastError());
}

}  // namespace

bool StartLoggedCommand(const std::string& record)
{
    std::vector<std::string> f = winlib::SplitRecord(record, FieldSeparator);
    if (f.empty()) {
        ::SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    f.resize(4);
    std::string show = winlib::UpperCase(f[2]);
    int showCode = show == "MAXIMIZE" ? SW_SHOWMAXIMIZED : show == "MINIMIZE" ? SW_SHOWMINIMIZED
                 : show == "HIDE" ? SW_HIDE : SW_SHOWNORMAL;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = "open";
    info.lpFile = f[0].c_str();
    info.lpParameters = f[1].empty() ? nullptr : f[1].c_str();
    std::string folder = winlib::ExtractFileDir(f[0]);  // a bare name runs in the current folder
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = showCode;
    if (!::ShellExecuteExA(&info))
        return false;
    if (info.hProcess) {
        if (winlib::UpperCase(f[3]) == "YES")
            ::WaitForSingleObject(info.hProcess, INFINITE);
        ::CloseHandle(info.hProcess);
    }
    return true;
}

void UndoRegistrations(const TLogView& log, TUndoReport& report)
{
    for (const std::string& file : log.Records(SecActiveX))
        if (winlib::FileExists(file) && !UnregisterServer(file))  // a server whose file is gone has nothing to undo
            report.Fail("Error activex", file, ::GetLastError());
    for (const std::string& file : log.Records(SecTypeLibrary)) {
        HRESULT hr = UnregisterTypeLibrary(file);
        if (FAILED(hr))
            report.Fail("Error tlb", file, static_cast<DWORD>(hr));
    }
    std::vector<std::string> fonts = log.Records(SecFonts);
    for (const std::string& file : fonts)
        ::RemoveFontResourceA(file.c_str());  // answers 0 for a font added by another process: not a failure
    if (!fonts.empty()) {
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    }
    for (const std::string& file : log.Records(SecScreenSaver))
        ClearDesktopValue("SCRNSAVE.EXE", file, report);
    std::vector<std::string> wallpapers = log.Records(SecWallpaper);
    for (auto it = wallpapers.rbegin(); it != wallpapers.rend(); ++it)  // a later run's "before" is an earlier run's picture
        RestoreWallpaper(*it, report);
}

}  // namespace uninst
