// Validation of the project and the build of its setup.
#include "authoring/Form1.h"
