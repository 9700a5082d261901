// The author's [Commands]: programs, documents and addresses started at fixed
// moments of the setup, or recorded for the uninstaller.
#pragma once
#include <string>

// Stages: 0 before installation (start-up), 1 after the folder is chosen,
// 2 after installation (uninstall-time rows are recorded at this stage).
void RunCommands(int stage, const std::string& record);

// Starts a program and waits for it to end. False when it could not start.
bool RunAndWait(const std::string& program, const std::string& parameters, int showCode);
