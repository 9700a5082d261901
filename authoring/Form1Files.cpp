// The files and folders page: source folder, main executable, additional files.
#include "authoring/Form1.h"

void TForm1::CreateFilesPage() {}
