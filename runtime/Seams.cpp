#include "runtime/Seams.h"

#include "runtime/Form1.h"

void InstallSetupFonts(TForm1&) {}
