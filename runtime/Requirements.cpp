// What the target machine must have before the setup goes on.
#include "runtime/Seams.h"

void CheckRequirements() {}
