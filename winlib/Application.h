// Process-wide application services of a GUI program: its title and the pumping
// of the message queue while long work runs on the GUI thread.
#pragma once
#include <string>

namespace winlib {

// Dispatches every pending message and returns. A WM_QUIT met on the way is posted
// again (with its exit code), so that the program's message loop still sees it.
void ProcessMessages();

// The application's title (the caption of boxes that have no better one).
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

}  // namespace winlib
