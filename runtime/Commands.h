// The author's [Commands]: programs, documents and addresses started at fixed
// moments of the setup, or recorded for the uninstaller.
#pragma once
#include <cstddef>
#include <string>

// Stages: 0 before installation (start-up), 1 after the folder is chosen,
// 2 after installation (uninstall-time rows are recorded at this stage).
void RunCommands(int stage, const std::string& record);

// Starts a program and waits for it to end. False when it could not start.
bool RunAndWait(const std::string& program, const std::string& parameters, int showCode);

// The longest command line CreateProcess takes. A longer one is never cut to fit:
// a cut line would run the program on a truncated path or switch.
constexpr size_t MaxCommandLineLength = 32767;

// RunAndWait's command line: the quoted program, one blank, the parameters, whole.
std::string BuildCommandLine(const std::string& program, const std::string& parameters);

// RunAndWait's working folder: the program's folder with its trailing backslash,
// "" for a bare program name (which then runs in the setup's current folder).
std::string CommandWorkingFolder(const std::string& program);
