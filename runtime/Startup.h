// The start of a setup: its command line, the unpacking of its package into a
// temporary folder of its own, the state every later step reads, and every way
// the process ends (each with its exit code, TSetupExitCode).
#pragma once
#include <string>
#include <vector>

#include "winlib/StringList.h"

class TForm1;

// The setup reads its command line with winlib::SplitCommandLine (shared with
// the uninstaller, which matches switches the same way).
using winlib::SplitCommandLine;

// 1-based position of the first parameter after the program (Setup().Params) equal
// to sw without regard to case; 0 when there is none.
int FindSwitch(const std::string& sw);

// Steps 3-5 without the window: finds the package, makes the temp folder and
// unpacks qzsetup.cab into it. Once per run: RunStartup does it unless it was
// done before the window was made. Every failure ends the process.
void UnpackSetupFiles();

// The start-up, run once the window exists. Needs Setup().SetupExe and Params.
// Returns only when the wizard is to be shown; every other way ends the process.
void RunStartup(TForm1& form);

// Makes <tempDir>\QZTMPnnn: from nnn = seed mod 1000 on, the next free name
// (wrapping after 999). Throws winlib::EOSError when all 1,000 names are taken or
// the folder cannot be made. Returns the folder made.
std::string CreateSetupTempDir(const std::string& tempDir, unsigned seed);

// Sets CheckAssociate's caption from [ShortcutsFolder] 6 and the script's
// [Extensions], shows and checks it; nothing without that section. The language
// switch of the wizard calls it again.
void UpdateAssociateBox(TForm1& form);

// Releases the script, the language file and the runtime lists.
void ReleaseSetupResources();

// The one end of the process: CleanupTemp, then the exit with code.
[[noreturn]] void EndSetup(int code);
// "The setup file is corrupt" (unless silent), then EndSetup(code).
[[noreturn]] void FailCorrupt(int code);
// A requirement ended the setup; its caller has already said why. Code 5.
[[noreturn]] void AbortSetup();
// The user said no: release, clean up, code 0.
[[noreturn]] void QuitSetup();

// Tests replace the final step of EndSetup (ExitProcess) with a function that
// throws, so that an end can be observed in-process. nullptr restores ExitProcess.
using TProcessExit = void (*)(int code);
void SetProcessExit(TProcessExit exitFunction);

// The text of the corrupt-setup box for a code.
std::string CorruptSetupText(int code);
