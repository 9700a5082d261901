// (being written) interim body so the runtime links
#include "runtime/UninstallLog.h"
void FillProgramGroups(TForm1&) {}
