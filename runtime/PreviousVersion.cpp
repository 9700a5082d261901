// An installed copy of the product: removed first, or upgraded in place.
#include "runtime/Seams.h"

#include "runtime/Form1.h"

void CheckPreviousVersion(TForm1&) {}
