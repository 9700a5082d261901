// What later parts of the program provide, as stand-ins: loading and validation
// fail, the save question allows, the rest does nothing yet.
#include "authoring/Form1.h"

bool TForm1::LoadProject(const std::string& /*path*/) { return false; }
void TForm1::NewProject()
{
    AppState().ProjectFileName = "New Product";
    SetProjectCaption("New Product");
    ShowSettingsPage(pgGeneral);
    ClearModified();
}
bool TForm1::QuerySaveChanges() { return true; }
void TForm1::RebuildRecentMenu() {}
bool TForm1::ValidateProject() { return false; }
int TForm1::BuildSetup() { return 3; }  // nothing is built yet
void TForm1::Refresh1Click() {}
void TForm1::ShowOptions() {}
void TForm1::ShowAbout() {}
void TForm1::ShowInformation() {}
void TForm1::SaveAs1Click() {}
void TForm1::ToolButton2Click() {}
void TForm1::ToolButton3Click() {}
void TForm1::RunTest() {}
void TForm1::RunTool(int /*command*/) {}
