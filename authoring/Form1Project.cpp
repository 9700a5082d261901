// The project file: save, load, new project, recent projects.
#include "authoring/Form1.h"
