// Process-wide application services of a GUI program: its title, the message loop
// and the pumping of the queue while long work runs on the GUI thread.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace winlib {

class TForm;

// Dispatches every pending message and returns; re-entrant. A WM_QUIT met on the
// way is posted again (with its exit code), so that the program's loop still sees it.
void ProcessMessages();

// Starts loading the common controls and the display on a short-lived thread of
// their own, so that the caller can do other work meanwhile; its first window
// then finds them ready. Under Wine the first window of a process loads the
// display driver and the theme, about 50 ms. A refused thread only loses time.
// The calling thread makes no window, and shows no box, before AwaitWarmUp.
void WarmUpWindowing();
// Waits until the warm-up, if one runs, has ended. Under Wine a window made
// while another thread loads the display can deadlock the two (seen with a box
// shown at once by a setup that finds itself corrupt): every box waits here, and
// so does the setup's window.
void AwaitWarmUp();

// The application's title (the caption of boxes that have no better one).
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// Runs the program's message loop until Terminate or the main form's destruction;
// returns the exit code. Keys pass key preview, accelerators and dialog navigation
// (Tab, Enter, Esc) of their form first.
int RunMessageLoop();
// Ends the program's loop (and any modal loop) with exitCode.
void Terminate(int exitCode);
bool Terminated();
int ExitCode();

// Key preview, accelerators and dialog navigation for one message; true when it
// was consumed. Installed by the form layer; without forms it takes nothing.
using TMessageFilter = bool (*)(MSG& msg);
void SetMessageFilter(TMessageFilter filter);
// Gets, filters and dispatches one message; false on WM_QUIT (which it posts again).
// Runs the idle handler first when the queue is empty.
bool HandleOneMessage();

// The one function run at each idle point of the message loops (when the queue is
// empty, before waiting); nullptr removes it.
void SetIdleHandler(std::function<void()> handler);
// Runs the idle handler (a program's own loop calls this before it waits).
void RunIdle();

// The program's forms in creation order (registered by TForm::Create).
const std::vector<TForm*>& Forms();
void RegisterForm(TForm* form);
void UnregisterForm(TForm* form);

// The one place a handler's exception is reported: an error box through the
// message function, owned by owner's top-level window.
void ReportException(HWND owner, const std::exception& error);

// The boundary of every callback into our code: runs fn, reporting an exception once.
template <class F>
void RunGuarded(HWND owner, F&& fn)
{
    try {
        fn();
    } catch (const std::exception& error) {
        ReportException(owner, error);
    }
}

// The hourglass while it lives; nests.
class THourglass {
public:
    THourglass();
    ~THourglass();
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace winlib
