// Sub-commands of pkgtool. Each takes the arguments after its name and returns the exit code:
// 0 done, 1 failed (the reason is on stderr and no output file is left), 2 bad arguments.
#pragma once

int CmdPackage(int argc, char** argv);  // pkgtool_package.cpp
int CmdCab(int argc, char** argv);      // pkgtool_cab.cpp
int CmdExtract(int argc, char** argv);  // pkgtool_cab.cpp
