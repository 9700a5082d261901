#include "runtime/Seams.h"

#include "runtime/Form1.h"

// InstallSetupFonts: Language.cpp.
