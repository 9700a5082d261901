// The setup wizard: its pages, their order and their checks.
#include "runtime/Form1.h"
