// Every value of the Dialogs page survives saving the project and opening it again.
#include <gtest/gtest.h>

#include "tests/dialogspage/DialogsPageFixture.h"

namespace {

// The page's values, one "name=value" line each, with the languages and both file lists.
std::vector<std::string> PageValues(TForm1& f)
{
    std::vector<std::string> v;
    const std::pair<const char*, const winlib::TCheckBox*> boxes[] = {
        {"SilentInstall", &f.CheckSilent},           {"DialogWelcome", &f.CheckBox28},
        {"DialogLicense", &f.CheckBox29},            {"DialogReadme", &f.CheckBox30},
        {"DialogUserInfo", &f.CheckBox31},           {"DialogDestinationFolder", &f.CheckBox32},
        {"DialogProgramGroup", &f.CheckBox33},       {"DialogReady", &f.CheckBox34},
        {"DialogFinish", &f.CheckBox35},             {"AutoDetectLanguage", &f.CheckAutoDetect},
        {"AcceptAgreement", &f.CheckAcceptAgg},      {"InfoUserName", &f.CheckUserName},
        {"InfoUserNameReq", &f.CheckUserNameReq},    {"InfoCompany", &f.CheckCompany},
        {"InfoCompanyReq", &f.CheckCompanyReq},      {"InfoCustom", &f.CheckQueryCustom},
        {"InfoCustomReq", &f.CheckQueryCustomReq},   {"RestartComputer", &f.CheckRestart},
        {"LaunchFile", &f.CheckLaunchProgram},       {"LaunchFileChecked", &f.CheckLaunchProgramDef},
        {"ViewReadme", &f.CheckViewReadme},          {"ViewReadmeChecked", &f.CheckViewReadmeDef},
        {"CustomAction", &f.CheckCustomFinish},      {"CustomActionChecked", &f.CheckCustomFinishDef},
    };
    for (const auto& [key, box] : boxes)
        v.push_back(std::string(key) + "=" + (box->Checked() ? "1" : "0"));
    const std::pair<const char*, const winlib::TControl*> texts[] = {
        {"DefaultLanguage", &f.ComboDefLng},         {"InfoCustomName", &f.EQueryCustomName},
        {"LaunchFileName", &f.ELaunchProgram},       {"ViewReadmeFile", &f.EViewReadme},
        {"CustomActionName", &f.ECustomFinishName},  {"CustomActionCommand", &f.ECustomFinishCommand},
    };
    for (const auto& [key, control] : texts)
        v.push_back(std::string(key) + "=" + control->Text());
    for (int i = 0; i < f.CheckListLng.Count(); ++i)
        v.push_back("[Languages]" + f.CheckListLng.Cell(i, 0) + (f.CheckListLng.Checked(i) ? "+" : ""));
    for (const winlib::TListView* list : {&f.ListLicense, &f.ListReadme})
        for (int i = 0; i < list->Count(); ++i)
            v.push_back(list->Cell(i, 0) + "=" + list->Cell(i, 1));
    return v;
}

int Row(const winlib::TListView& list, const std::string& language)
{
    for (int i = 0; i < list.Count(); ++i)
        if (list.Cell(i, 0) == language)
            return i;
    return -1;
}

}  // namespace

TEST_F(DialogsPageTest, SaveAndOpenRestoreEveryDialogsPageValue)
{
    TForm1& f = Open();
    for (const auto& [box, on] : std::initializer_list<std::pair<const winlib::TCheckBox*, bool>>{
             {&f.CheckBox28, false}, {&f.CheckBox29, true}, {&f.CheckBox30, true}, {&f.CheckBox31, true},
             {&f.CheckBox32, false}, {&f.CheckBox33, true}, {&f.CheckBox34, false}, {&f.CheckBox35, true},
             {&f.CheckAcceptAgg, false}, {&f.CheckAutoDetect, true}, {&f.CheckUserName, true},
             {&f.CheckUserNameReq, false}, {&f.CheckCompany, true}, {&f.CheckQueryCustom, true},
             {&f.CheckRestart, false}, {&f.CheckLaunchProgram, true}, {&f.CheckLaunchProgramDef, false},
             {&f.CheckViewReadme, true}, {&f.CheckCustomFinish, true}})
        box->SetChecked(on);
    for (const char* language : {"Deutsch", "French"})
        f.CheckListLng.SetChecked(IndexOf(f.CheckListLng, language), true);
    f.RebuildLanguageLists();
    f.ComboDefLng.SelectComboItem("French");
    f.EQueryCustomName.SetText("Employee ID");
    f.ELaunchProgram.SetText("<InstallDir>\\app.exe");
    f.EViewReadme.SetText("<InstallDir>\\readme.txt");
    f.ECustomFinishName.SetText("Visit Us");
    f.ECustomFinishCommand.SetText("http://x.example/");
    f.ListLicense.SetCell(Row(f.ListLicense, "(Default)"), 1, "C:\\l.rtf");
    f.ListLicense.SetCell(Row(f.ListLicense, "Deutsch"), 1, "C:\\de.rtf");
    f.ListReadme.SetCell(Row(f.ListReadme, "French"), 1, "C:\\fr.txt");
    const std::vector<std::string> saved = PageValues(f);

    const std::string file = folder_ + "p.zpf";
    f.SaveProject(file);
    f.NewProject();
    ASSERT_NE(PageValues(f), saved);
    ASSERT_TRUE(f.TForm1::LoadProject(file, false));
    EXPECT_EQ(PageValues(f), saved);
}
