// Uninstall.exe [/S]: the uninstaller stand-in's entry (see Uninstaller.h).
#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <exception>

#include "companions/uninstall/Uninstaller.h"
#include "winlib/Path.h"
#include "winlib/StringList.h"

namespace {

struct TSwitches {
    bool Silent = false;
    bool Copy = false;
    DWORD FirstInstancePid = 0;
    HANDLE ResultPipe = nullptr;
    std::string InstallDir;
    HANDLE FolderLock = nullptr;  // the lock file in the copy's folder
    HANDLE Image = nullptr;       // the copy's own file, opened for deletion on close
};

HANDLE HandleParam(const std::string& text)
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(text.c_str(), nullptr, 10)));
}

bool IsNumber(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Switches are whole parameters compared without case, as the setup reads its own.
TSwitches ReadSwitches()
{
    std::vector<std::string> params = winlib::SplitCommandLine(::GetCommandLineA());
    TSwitches s;
    for (size_t i = 1; i < params.size(); ++i) {
        if (lstrcmpiA(params[i].c_str(), "/S") == 0) {
            s.Silent = true;
        } else if (lstrcmpiA(params[i].c_str(), uninst::CopySwitch) == 0 && i + 3 < params.size()) {
            s.Copy = true;
            s.FirstInstancePid = std::strtoul(params[i + 1].c_str(), nullptr, 10);
            s.ResultPipe = HandleParam(params[i + 2]);
            s.InstallDir = params[i + 3];
            i += 3;
            if (i + 2 < params.size() && IsNumber(params[i + 1]) && IsNumber(params[i + 2])) {
                s.FolderLock = HandleParam(params[i + 1]);
                s.Image = HandleParam(params[i + 2]);
                i += 2;
            }
        }
    }
    return s;
}

int RunAsCopy(const TSwitches& s)
{
    // The inherited handles stay with this process: a command it starts must not
    // keep the result pipe open (the first instance would miss the end of a copy
    // that died) nor the lock and the file (its folder would stay).
    for (HANDLE handle : {s.ResultPipe, s.FolderLock, s.Image})
        if (handle)
            ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    // Opened first: the first instance ends once it has the result.
    HANDLE firstInstance = ::OpenProcess(SYNCHRONIZE, FALSE, s.FirstInstancePid);
    std::vector<std::string> folders;
    int result = uninst::urItemsLeft;
    try {
        result = uninst::RunCopy(s.InstallDir, s.Silent, folders);
    } catch (const std::exception& e) {
        uninst::LogFailure(std::string("Error: ") + e.what());
    }
    if (s.ResultPipe) {
        DWORD code = static_cast<DWORD>(result), written = 0;
        if (!::WriteFile(s.ResultPipe, &code, sizeof code, &written, nullptr))
            uninst::LogFailure("Error result pipe (code " + std::to_string(::GetLastError()) + ")");
        ::CloseHandle(s.ResultPipe);
    }
    uninst::FinishCopy(s.InstallDir, firstInstance, result, folders, s.FolderLock, s.Image);
    return result;
}

std::string SelfPath()
{
    return winlib::AskSizedText([](char* buffer, DWORD size) {
        DWORD length = ::GetModuleFileNameA(nullptr, buffer, size);
        return length >= size ? size * 2 : length;  // a cut name: ask with a larger buffer
    });
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // COM for the shell's starts and the type-library calls.
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    TSwitches s = ReadSwitches();
    int result = uninst::urRelaunchFailed;
    try {
        result = s.Copy ? RunAsCopy(s) : uninst::RunFirstInstance(SelfPath(), s.Silent);
    } catch (const std::exception& e) {
        uninst::LogFailure(std::string("Error: ") + e.what());
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return result;
}
