// Requirement checks, the author's prerequisite rules and the fix-up links both
// offer. CheckRequirements itself is declared with the other start-up steps
// (runtime/Seams.h). Everything here reaches the machine through Machine().
#pragma once
#include <windows.h>

#include <string>

// Runs the fix-up program a link names and waits for it, or opens the link with
// the shell. The link is a file, optionally followed by " /" and its parameters,
// or an address. With run set and an existing file: runs it and answers true,
// even when it could not start (logged "Error run: "). Otherwise, with warn set,
// [Messages] 28 first; then the shell opens the file (with its parameters, in its
// folder) or the whole link; answers false.
bool OpenLinkOrRun(const std::string& link, bool run, bool warn);

// One [Prerequisites] rule: returns when it is met or does not apply here; else
// asks [Messages] 27, and ends the setup with code 5 unless a fix-up program ran
// and the rule is met on a later test.
void CheckPrerequisite(const std::string& rule);

// The key (keyPart) or the value name of a rule's registry path: the text after
// the first "\" is cut at its last "\"; without one it is both.
std::string SplitRegistryPath(const std::string& path, bool keyPart);

// Shared by the requirement, rule and previous-version boxes (their texts: LanguageText).
std::string WizardCaption();           // the setup window's caption
// A warning box without owner in the wizard's caption; the answer.
int AskWarning(const std::string& text, UINT buttons);
// A requirement refused: logs "Error requirement: <number> <argument>" and ends
// the setup with code 5.
[[noreturn]] void RefuseRequirement(int number, const std::string& argument);
