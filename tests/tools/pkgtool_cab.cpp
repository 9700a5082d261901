#include "tests/tools/pkgtool.h"
int CmdCab(int, char**) { return 2; }
int CmdExtract(int, char**) { return 2; }
