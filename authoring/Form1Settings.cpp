// The settings pages: General, the Parameters, Uninstallation and Update tabs of
// Installation, and the program group of System.
#include "authoring/Form1.h"

void TForm1::CreateSettingsPages() {}
