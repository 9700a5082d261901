// The layout check of a window as a user sees it: every visible control lies
// wholly inside its parent's client area, no two visible siblings overlap (a group
// box or page control and the controls wholly inside it are not an overlap), and
// the text of a label, button, check box or radio button fits the control.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace layout {

// A finding a person has looked at and accepted, with the reason.
struct TException {
    const char* Where;    // part of the window's name in the walk ("options/General", "/finished")
    const char* Control;  // part of the control's description ("Button #108", its text)
    const char* Rule;     // "outside", "overlap", "text"
    const char* Detail;   // part of the finding's detail ("" for any)
    const char* Reason;
};

struct TFinding {
    std::string Where, Control, Rule, Detail;
    std::string Text() const { return Where + ": " + Control + ": " + Rule + ": " + Detail; }
};

// Checks the visible controls of window (all levels below it).
void CheckWindow(HWND window, const std::string& where, std::vector<TFinding>& findings);

// How many visible controls the checks have looked at so far.
int ControlsChecked();

// Runs act once for each sheet of each visible page control of window, each sheet
// shown in turn by a click on its tab (a window without one: act once with "").
// act gets "/<tab text>" naming the sheet. The first sheet is shown again after.
void ForEachSheet(HWND window, const std::function<void(const std::string& sheet)>& act);

// The findings no exception covers; each used exception is counted in used.
std::vector<TFinding> Unexcused(const std::vector<TFinding>& findings, const std::vector<TException>& exceptions,
                                std::vector<int>& used);

// Prints what program checked, each exception with the findings it covers, and
// each finding no exception covers; returns how many of those there are.
int ReportFindings(const char* program, const std::vector<TFinding>& findings,
                   const std::vector<TException>& exceptions);

}  // namespace layout
