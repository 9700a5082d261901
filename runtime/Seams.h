// Steps of the setup that later parts of the runtime fill in. Each is a plain
// function with a small interim body, replaced in place when its part is built.
#pragma once
#include <string>

class TForm1;

void InstallSetupFonts(TForm1& form);  // errors that escape end the setup with code 3
// Fills ComboLng, chooses the language and opens LanguageIni; ends the setup with
// code 4 when the package holds no language file.
void LoadLanguageList(TForm1& form);

void CheckRequirements();                   // may end the setup with code 5
void CheckPreviousVersion(TForm1& form);    // may end the setup with code 0

// Built: the install run, its actions, the uninstall log and the commands.
#include "runtime/Commands.h"
#include "runtime/InstallRun.h"
#include "runtime/UninstallLog.h"
