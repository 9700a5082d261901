// Process start of the authoring program: the forms in their fixed order, the
// silent build frame and the message loop.
#pragma once

// Runs the program with Parameters() already set; returns the exit code.
// Silent build ("/S"): 0 built, 1 nothing loaded, 2 invalid, 3 build failed or
// refused, 4 built with missing source files left out.
int RunKInstaller();
