// The Dialogs page: the built setup's wizard pages, languages, licence and readme
// files, user information and finish actions.
#include "authoring/Form1.h"

void TForm1::CreateDialogsPage() {}
