#include "winlib/Application.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "winlib/MessageBox.h"

namespace winlib {

namespace {

std::string& TitleStorage()
{
    static std::string title;
    return title;
}

TMessageFilter messageFilter = nullptr;
std::function<void()> idleHandler;

// Idle when nothing waits in the queue.
void IdleIfEmpty()
{
    MSG msg;
    if (idleHandler && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        RunIdle();
}
bool terminated = false;
int exitCode = 0;

std::vector<TForm*>& FormList()
{
    static std::vector<TForm*> forms;
    return forms;
}

void Dispatch(MSG& msg)
{
    if (messageFilter != nullptr && messageFilter(msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

HANDLE warmUp = nullptr;  // the warm-up thread while it may run

DWORD WINAPI WarmUp(LPVOID)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    // Never shown: its making loads the display, and it goes with this thread.
    if (HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr))
        DestroyWindow(probe);
    return 0;
}

}  // namespace

void WarmUpWindowing()
{
    if (warmUp == nullptr)
        warmUp = CreateThread(nullptr, 0, WarmUp, nullptr, 0, nullptr);
}

void AwaitWarmUp()
{
    if (warmUp == nullptr)
        return;
    WaitForSingleObject(warmUp, INFINITE);
    CloseHandle(warmUp);
    warmUp = nullptr;
}

void ProcessMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The loop that must end is the program's own: hand the request on to it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

bool HandleOneMessage()
{
    IdleIfEmpty();
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        // -1 (invalid arguments) cannot happen with a null window; treat it as the end.
        PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : exitCode);
        return false;
    }
    Dispatch(msg);
    return true;
}

int RunMessageLoop()
{
    MSG msg;
    while (!terminated) {
        IdleIfEmpty();
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            terminated = true;
            exitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1)
            break;
        Dispatch(msg);
    }
    return exitCode;
}

void Terminate(int code)
{
    terminated = true;
    exitCode = code;
    PostQuitMessage(code);
}

bool Terminated() { return terminated; }
int ExitCode() { return exitCode; }

void SetMessageFilter(TMessageFilter filter) { messageFilter = filter; }

void SetIdleHandler(std::function<void()> handler) { idleHandler = std::move(handler); }

void RunIdle()
{
    if (idleHandler)
        RunGuarded(nullptr, idleHandler);
}

const std::vector<TForm*>& Forms() { return FormList(); }
void RegisterForm(TForm* form) { FormList().push_back(form); }
void UnregisterForm(TForm* form)
{
    auto& forms = FormList();
    forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

void ReportException(HWND owner, const std::exception& error)
{
    HWND root = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
    ShowMessageBox(root, error.what(), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

void SetApplicationTitle(const std::string& title) { TitleStorage() = title; }

const std::string& ApplicationTitle() { return TitleStorage(); }

THourglass::THourglass() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
THourglass::~THourglass() { SetCursor(previous_); }

}  // namespace winlib
