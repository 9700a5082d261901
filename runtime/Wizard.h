// The wizard's rules that need no window: which page a step lands on, the
// folder the browser gives, the summary of the ready page.
#pragma once
#include <string>
#include <vector>

// The page ShowPage lands on from page going forward or back, with enabled[1..8]
// (index 0 unused); 9 when forward passes the last enabled page. Below 1 is page 1.
int LandingPage(int page, bool forward, const bool (&enabled)[11]);
// Whether no page after page (up to 8) is enabled: Next there starts the
// installation and reads [Buttons] 3.
bool LastPageBeforeInstalling(int page, const bool (&enabled)[11]);

// The destination after the folder browser chose chosen (mode 0: chosen + the
// last folder of the current text, 1: chosen as it is, 2: its drive root).
std::string BrowseDestination(const std::string& current, const std::string& chosen, int mode);
// The folder the browser starts in: the folder holding the current text, or its
// parent when that does not exist.
std::string BrowseStart(const std::string& current);

// [Setup] FilesSize as the unsigned 32-bit number it is meant to be: a size of
// 2 GB or more written as a negative number reads as itself again.
long long FilesSizeValue(const std::string& text);

// The ready page's summary lines (TAB-indented values).
struct TReadySummary {
    std::string DestinationHeading, Destination;
    bool HasGroup = false;
    std::string GroupHeading, Group;
    std::string TasksHeading;
    std::vector<std::string> Tasks;
};
std::vector<std::string> ReadySummaryLines(const TReadySummary& summary);
