#include "runtime/SetupState.h"

TSetupState& Setup()
{
    static TSetupState state;
    return state;
}
