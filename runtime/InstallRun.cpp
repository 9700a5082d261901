// (being written) interim body so the runtime links
#include "runtime/InstallRun.h"
void InstallFiles(TForm1&) {}
