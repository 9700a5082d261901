// The Dialogs page: the built setup's wizard pages, languages, licence and readme
// files, user information and finish actions. This file makes the page's controls
// from a layout table, gives them their first values and runs the enabling rules
// of the Main, User Information and Finish tabs; the languages and the per-language
// files live in MainWindowDialogsLanguages.cpp.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "authoring/MainWindow.h"
#include "authoring/PageLayout.h"

using winlib::TBounds;

namespace {

using namespace pagelayout;

constexpr int kDialogsIdBase = 3600;

using TKind = TPlaceKind;


}  // namespace

void TForm1::CreateDialogsPage()
{
    CreateDialogsControls();
    WireDialogsHandlers();
}

void TForm1::CreateDialogsControls()
{
    const std::vector<TPlace> places = {
        // Main.
        {TKind::Check, &CheckSilent, "Silent Installation", pgDialogs, tabMain, {16, 16, 240, kCheckHeight}},
        {TKind::Group, nullptr, "Dialogs to Show", pgDialogs, tabMain, {8, 44, 260, 222}},
        {TKind::Check, &CheckBox28, "Welcome", pgDialogs, tabMain, {20, 66, 230, kCheckHeight}},
        {TKind::Check, &CheckBox29, "License Agreement", pgDialogs, tabMain, {20, 90, 230, kCheckHeight}},
        {TKind::Check, &CheckBox30, "Readme", pgDialogs, tabMain, {20, 114, 230, kCheckHeight}},
        {TKind::Check, &CheckBox31, "User Information", pgDialogs, tabMain, {20, 138, 230, kCheckHeight}},
        {TKind::Check, &CheckBox32, "Destination Folder", pgDialogs, tabMain, {20, 162, 230, kCheckHeight}},
        {TKind::Check, &CheckBox33, "Program Group", pgDialogs, tabMain, {20, 186, 230, kCheckHeight}},
        {TKind::Check, &CheckBox34, "Ready to Install", pgDialogs, tabMain, {20, 210, 230, kCheckHeight}},
        {TKind::Check, &CheckBox35, "Finish", pgDialogs, tabMain, {20, 234, 230, kCheckHeight}},
        // Languages.
        {TKind::Label, nullptr, "Setup Languages:", pgDialogs, tabLanguages, {8, 10, 220, kLabelHeight}},
        {TKind::CheckList, &CheckListLng, "", pgDialogs, tabLanguages, {8, 28, 220, 240}},
        {TKind::Group, nullptr, "Default Language", pgDialogs, tabLanguages, {240, 22, 230, 86}},
        {TKind::DropDown, &ComboDefLng, "", pgDialogs, tabLanguages, {252, 44, 206, kDropHeight}},
        {TKind::Check, &CheckAutoDetect, "Auto Detect", pgDialogs, tabLanguages, {252, 78, 206, kCheckHeight}},
        // License Agreement.
        {TKind::Check, &CheckAcceptAgg, "Show the 'I accept the agreement' check box", pgDialogs, tabLicense,
         {8, 10, 360, kCheckHeight}},
        {TKind::List, &ListLicense, "License File", pgDialogs, tabLicense, {8, 34, 340, 210}},
        {TKind::Button, &BLSpecify, "Specify...", pgDialogs, tabLicense, {356, 34, 90, kButtonHeight}},
        {TKind::Button, &BLEdit, "Edit...", pgDialogs, tabLicense, {356, 62, 90, kButtonHeight}},
        {TKind::Button, &BLClear, "Clear", pgDialogs, tabLicense, {356, 90, 90, kButtonHeight}},
        // Readme.
        {TKind::List, &ListReadme, "Readme File", pgDialogs, tabReadme, {8, 10, 340, 234}},
        {TKind::Button, &BRSpecify, "Specify...", pgDialogs, tabReadme, {356, 10, 90, kButtonHeight}},
        {TKind::Button, &BREdit, "Edit...", pgDialogs, tabReadme, {356, 38, 90, kButtonHeight}},
        {TKind::Button, &BRClear, "Clear", pgDialogs, tabReadme, {356, 66, 90, kButtonHeight}},
        // User Information.
        {TKind::Group, nullptr, "Information To Query", pgDialogs, tabUserInformation, {8, 8, 380, 136}},
        {TKind::Check, &CheckUserName, "User Name", pgDialogs, tabUserInformation, {20, 30, 150, kCheckHeight}},
        {TKind::Check, &CheckUserNameReq, "Required", pgDialogs, tabUserInformation, {200, 30, 150, kCheckHeight}},
        {TKind::Check, &CheckCompany, "Company Name", pgDialogs, tabUserInformation, {20, 54, 150, kCheckHeight}},
        {TKind::Check, &CheckCompanyReq, "Required", pgDialogs, tabUserInformation, {200, 54, 150, kCheckHeight}},
        {TKind::Check, &CheckQueryCustom, "Custom Field", pgDialogs, tabUserInformation, {20, 78, 150, kCheckHeight}},
        {TKind::Check, &CheckQueryCustomReq, "Required", pgDialogs, tabUserInformation, {200, 78, 150, kCheckHeight}},
        {TKind::Edit, &EQueryCustomName, "Field Name:", pgDialogs, tabUserInformation, {116, 106, 250, kEditHeight}, 80},
        // Finish.
        {TKind::Group, nullptr, "After Installation", pgDialogs, tabFinish, {8, 8, 470, 312}},
        {TKind::Check, &CheckRestart, "Restart Computer", pgDialogs, tabFinish, {20, 30, 300, kCheckHeight}},
        {TKind::Check, &CheckLaunchProgram, "Launch Application", pgDialogs, tabFinish, {20, 58, 300, kCheckHeight}},
        {TKind::Edit, &ELaunchProgram, "File:", pgDialogs, tabFinish, {110, 82, 320, kEditHeight}, 70},
        {TKind::Button, &Button7, "...", pgDialogs, tabFinish, {434, 81, 25, kButtonHeight}},
        {TKind::Check, &CheckLaunchProgramDef, "Checked by Default", pgDialogs, tabFinish, {110, 108, 200, kCheckHeight}},
        {TKind::Check, &CheckViewReadme, "View Readme File", pgDialogs, tabFinish, {20, 136, 300, kCheckHeight}},
        {TKind::Edit, &EViewReadme, "File:", pgDialogs, tabFinish, {110, 160, 320, kEditHeight}, 70},
        {TKind::Button, &Button8, "...", pgDialogs, tabFinish, {434, 159, 25, kButtonHeight}},
        {TKind::Check, &CheckViewReadmeDef, "Checked by Default", pgDialogs, tabFinish, {110, 186, 200, kCheckHeight}},
        {TKind::Check, &CheckCustomFinish, "Custom Action", pgDialogs, tabFinish, {20, 214, 300, kCheckHeight}},
        {TKind::Edit, &ECustomFinishName, "Name:", pgDialogs, tabFinish, {110, 238, 320, kEditHeight}, 70},
        {TKind::Edit, &ECustomFinishCommand, "Command:", pgDialogs, tabFinish, {110, 266, 320, kEditHeight}, 70},
        {TKind::Button, &Button9, "...", pgDialogs, tabFinish, {434, 265, 25, kButtonHeight}},
        {TKind::Check, &CheckCustomFinishDef, "Checked by Default", pgDialogs, tabFinish, {110, 294, 200, kCheckHeight}},
    };
    PlaceControls(*this, places, kDialogsIdBase, dialogsStatics_, nullptr,
                  [](const TPlace& place, HWND sheet, int id) {
                      const TBounds& b = place.Bounds;
                      if (place.Kind == TKind::List) {  // licence or readme files by language
                          auto* list = static_cast<winlib::TListView*>(place.Control);
                          list->Create(sheet, id, b, false);
                          list->AddColumn("Language", 80);
                          list->AddColumn(place.Caption, 250);
                          return;
                      }
                      // The languages: one column of names, like a check list box, no header.
                      auto* list = static_cast<winlib::TCheckList*>(place.Control);
                      list->Create(sheet, id, b, "Language", b.W - 24, "", 0);
                      HWND h = list->Handle();
                      ::SetWindowLongPtrA(h, GWL_STYLE, ::GetWindowLongPtrA(h, GWL_STYLE) | LVS_NOCOLUMNHEADER);
                  });
    // First values where they differ from a new control's.
    for (winlib::TCheckBox* box :
         {&CheckBox28, &CheckBox29, &CheckBox30, &CheckBox31, &CheckBox32, &CheckBox33, &CheckBox34, &CheckBox35})
        box->SetChecked(true);
    ECustomFinishName.SetText("Visit Web Site");
    const std::vector<const winlib::TControl*> disabled = {
        &CheckAcceptAgg,   &ListLicense,          &ListReadme,          &BLSpecify,        &BLEdit,
        &BRSpecify,        &BREdit,               &CheckUserNameReq,    &CheckCompanyReq,  &CheckQueryCustomReq,
        &EQueryCustomName, &ELaunchProgram,       &Button7,             &CheckLaunchProgramDef,
        &EViewReadme,      &Button8,              &CheckViewReadmeDef,  &ECustomFinishName,
        &ECustomFinishCommand, &Button9,          &CheckCustomFinishDef};
    for (const winlib::TControl* control : disabled)
        control->Enable(false);
}

void TForm1::WireDialogsHandlers()
{
    CheckSilent.OnClick = [this] { CheckSilentClick(); };
    CheckBox29.OnClick = [this] { CheckBox29Click(); };
    CheckBox30.OnClick = [this] { CheckBox30Click(); };
    CheckBox31.OnClick = [this] { CheckBox31Click(); };
    CheckUserName.OnClick = [this] { CheckUserNameClick(); };
    CheckCompany.OnClick = [this] { CheckCompanyClick(); };
    CheckQueryCustom.OnClick = [this] { CheckQueryCustomClick(); };
    CheckRestart.OnClick = [this] { CheckRestartClick(); };
    CheckLaunchProgram.OnClick = [this] { CheckLaunchProgramClick(); };
    CheckViewReadme.OnClick = [this] { CheckViewReadmeClick(); };
    CheckCustomFinish.OnClick = [this] { CheckCustomFinishClick(); };
    Button7.OnClick = [this] { Button7Click(); };
    Button8.OnClick = [this] { Button8Click(); };
    Button9.OnClick = [this] { Button9Click(); };
    // Controls whose only effect is the modified mark.
    for (winlib::TCheckBox* box : {&CheckBox28, &CheckBox32, &CheckBox33, &CheckBox34, &CheckBox35, &CheckAutoDetect,
                                   &CheckAcceptAgg, &CheckUserNameReq, &CheckCompanyReq, &CheckQueryCustomReq,
                                   &CheckLaunchProgramDef, &CheckViewReadmeDef, &CheckCustomFinishDef})
        box->OnClick = [this] { Action1Execute(); };
    ComboDefLng.OnChange = [this] { Action1Execute(); };
    WireLanguageHandlers();
}

void TForm1::CheckBox29Click() { ApplyEnableRule(CheckBox29); }
void TForm1::CheckBox30Click() { ApplyEnableRule(CheckBox30); }
void TForm1::CheckBox31Click() { ApplyEnableRule(CheckBox31); }
void TForm1::CheckUserNameClick() { ApplyEnableRule(CheckUserName); }
void TForm1::CheckCompanyClick() { ApplyEnableRule(CheckCompany); }
void TForm1::CheckQueryCustomClick() { ApplyEnableRule(CheckQueryCustom); }
void TForm1::CheckRestartClick() { ApplyEnableRule(CheckRestart); }
void TForm1::CheckLaunchProgramClick() { ApplyEnableRule(CheckLaunchProgram); }
void TForm1::CheckViewReadmeClick() { ApplyEnableRule(CheckViewReadme); }
void TForm1::CheckCustomFinishClick() { ApplyEnableRule(CheckCustomFinish); }

// A silent setup shows no licence, readme or user page; leaving silent mode gives
// back the five pages that need no further setting, not the three it cleared.
void TForm1::CheckSilentClick()
{
    bool silent = CheckSilent.Checked();
    if (silent) {
        CheckBox29.SetChecked(false);
        CheckBox30.SetChecked(false);
        CheckBox31.SetChecked(false);
    }
    for (winlib::TCheckBox* box : {&CheckBox28, &CheckBox32, &CheckBox33, &CheckBox34, &CheckBox35})
        box->SetChecked(!silent);
    for (winlib::TCheckBox* box :
         {&CheckBox28, &CheckBox29, &CheckBox30, &CheckBox31, &CheckBox32, &CheckBox33, &CheckBox34, &CheckBox35})
        box->Enable(!silent);
    Action1Execute();
}

void TForm1::Button7Click() { PickFinishFile(ELaunchProgram); }
void TForm1::Button8Click() { PickFinishFile(EViewReadme); }
void TForm1::Button9Click() { PickFinishFile(ECustomFinishCommand); }

// The destination picker opens on the field's path; OK puts its choice in the
// field, cancel keeps the text. Either way the project counts as changed.
void TForm1::PickFinishFile(winlib::TEdit& edit)
{
    std::string chosen;
    if (PickDestinationFile(edit.Text(), chosen))
        edit.SetText(chosen);
    Action1Execute();
}

bool TForm1::OnKeyPreview(UINT key, unsigned shift)
{
    if (shift != winlib::ssCtrl || ::GetFocus() != CheckListLng.Handle())
        return false;
    if (key == 'A')
        SelectAll2Click();
    else if (key == 'N')
        SelectNone1Click();
    else
        return false;
    return true;
}
