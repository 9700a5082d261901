// Program body of the setup runtime. Every built setup is a copy of this program
// with its package appended.
#include <windows.h>

#include <exception>
#include <string>

#include "runtime/Form1.h"
#include "runtime/SetupState.h"
#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "winlib/Application.h"
#include "winlib/MessageBox.h"
#include "winlib/VistaAltFix.h"

namespace {

std::string OwnPath()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // cut off: ask again with more room
    }
}

// A failure that no step of the start-up expected: say what it was (unless
// silent) and end as a setup that cannot run.
[[noreturn]] void FailUnexpected(const std::exception& e)
{
    if (!Setup().SilentSetup)
        winlib::ShowMessageBox(nullptr, e.what(), "Error", MB_OK | MB_ICONERROR);
    EndSetup(secCorruptPackage);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    TSetupState& s = Setup();
    s.SetupExe = OwnPath();
    s.Params = SplitCommandLine(GetCommandLineA());
    winlib::SetApplicationTitle("Setup");

    const bool silent = FindSwitch("/S") > 0;
    if (!silent) {
        // The display loads on its own thread while this one unpacks the package.
        winlib::WarmUpWindowing();
        UnpackSetupFiles();
    }
    TForm1 form;
    // "/S" is known now; a script's SilentInstall only later, and such a run
    // makes the whole form (and shows none of it).
    if (!form.Create(instance, silent))
        return secCorruptPackage;  // nothing made yet: no window, no folder
    s.Fields = &form;
    try {
        form.FormCreate();
        form.ShowWizard();
        winlib::TVistaAltFix altFix;  // access-key underlines on themed systems
        MSG msg;
        for (;;) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
                winlib::RunIdle();
            if (GetMessageA(&msg, nullptr, 0, 0) <= 0)
                break;
            // Tab and Shift+Tab move between the page's controls; other keys keep
            // the wizard's own handling (Enter in a field means Next).
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && IsDialogMessageA(form.Handle(), &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } catch (const std::exception& e) {
        FailUnexpected(e);
    }
    CleanupTemp();  // idempotent: however the wizard ended, the folder goes
    return s.InstallErrors && !s.CancelRequested ? secInstallErrors : secOk;
}
