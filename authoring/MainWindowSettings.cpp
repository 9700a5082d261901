// The settings pages: General, the Parameters, Uninstallation and Update tabs of
// Installation, and the program group of System. This file makes the controls
// from layout tables and gives them their initial values; the handlers live in
// MainWindowSettingsHandlers.cpp.
#include <windows.h>

#include <string>
#include <vector>

#include "authoring/MainWindow.h"
#include "authoring/PageLayout.h"
#include "winlib/Hint.h"

using winlib::TBounds;

namespace {

using namespace pagelayout;

using TControls = std::initializer_list<const winlib::TControl*>;

constexpr int kSettingsIdBase = 2000;

using TKind = TPlaceKind;

std::string Site(const char* path) { return std::string(kVendorSite) + path; }

const std::vector<std::string> kOsItems = {"Windows 9x", "Windows NT",          "Windows 2000", "Windows XP",
                                           "Windows Server 2003", "Windows Vista", "Windows 7", "Windows 8"};

}  // namespace

int TForm1::ListTopOffset(TListId id)
{
    switch (id) {
    case TListId::Prereq:
        return 160;  // the "Minimum Software Version" group and the list's caption
    case TListId::Shortcuts:
        return 32;  // the program group
    default:
        return 0;
    }
}

void TForm1::CreateSettingsPages()
{
    CreateSettingsControls();
    SetSettingsInitialValues();
    WireSettingsHandlers();
}

void TForm1::CreateSettingsControls()
{
    constexpr int G = pgGeneral, I = pgInstallation, S = pgSystem;
    const std::vector<TPlace> places = {
        // General, Information.
        {TKind::Edit, &EAppName, "Product Name:", G, tabInformation, {120, 16, 360, kEditHeight}, 104},
        {TKind::Edit, &EAppVersion, "Product Version:", G, tabInformation, {120, 44, 360, kEditHeight}, 104},
        {TKind::Edit, &ECompanyName, "Company Name:", G, tabInformation, {120, 72, 360, kEditHeight}, 104},
        {TKind::Edit, &EWebSite, "Web Site:", G, tabInformation, {120, 100, 360, kEditHeight}, 104},
        {TKind::Edit, &ESupport, "Support Page:", G, tabInformation, {120, 128, 360, kEditHeight}, 104},
        {TKind::Edit, &ESetupFile, "Save Setup As:", G, tabInformation, {120, 156, 360, kEditHeight}, 104},
        {TKind::Button, &Button1, "...", G, tabInformation, {484, 155, 25, kButtonHeight}},
        // General, Graphics.
        {TKind::Edit, &EWizard, "Wizard Bitmap:", G, tabGraphics, {120, 16, 360, kEditHeight}, 104},
        {TKind::Button, &Button2, "...", G, tabGraphics, {484, 15, 25, kButtonHeight}},
        {TKind::Edit, &EHeader, "Header Bitmap:", G, tabGraphics, {120, 44, 360, kEditHeight}, 104},
        {TKind::Button, &Button3, "...", G, tabGraphics, {484, 43, 25, kButtonHeight}},
        {TKind::Check, &CheckIcon, "Custom Icon", G, tabGraphics, {16, 78, 200, kCheckHeight}},
        {TKind::Edit, &EIcon, "Icon File:", G, tabGraphics, {120, 102, 360, kEditHeight}, 104},
        {TKind::Button, &Button5, "...", G, tabGraphics, {484, 101, 25, kButtonHeight}},
        // General, Requirements.
        {TKind::Group, nullptr, "Required OS", G, tabRequirements, {8, 8, 340, 140}},
        {TKind::CheckList, &CheckListOS, "", G, tabRequirements, {20, 28, 316, 84}},
        {TKind::Check, &Check64OS, "64-bit only", G, tabRequirements, {20, 120, 200, kCheckHeight}},
        {TKind::Group, nullptr, "Other Requirements", G, tabRequirements, {8, 158, 400, 158}},
        {TKind::Check, &CheckAdmin, "Administrator Privileges", G, tabRequirements, {20, 178, 300, kCheckHeight}},
        {TKind::Check, &CheckInet, "Internet Connection", G, tabRequirements, {20, 202, 300, kCheckHeight}},
        {TKind::Check, &CheckCloseApp, "Close Running Application", G, tabRequirements, {20, 226, 300, kCheckHeight}},
        {TKind::Edit, &ECloseApp, "File Name:", G, tabRequirements, {116, 250, 280, kEditHeight}, 80},
        {TKind::Edit, &ECloseText, "Description:", G, tabRequirements, {116, 280, 280, kEditHeight}, 80},
        // General, Software Prerequisites (the list follows below, see ListTopOffset).
        {TKind::Group, nullptr, "Minimum Software Version", G, tabPrerequisites, {8, 8, 560, 124}},
        {TKind::Check, &CheckDotNET, ".NET Framework:", G, tabPrerequisites, {20, 30, 130, kCheckHeight}},
        {TKind::DropDown, &ComboDotNET, "", G, tabPrerequisites, {152, 28, 110, kDropHeight}},
        {TKind::Check, &CheckIE, "Internet Explorer:", G, tabPrerequisites, {20, 58, 130, kCheckHeight}},
        {TKind::DropDown, &ComboIE, "", G, tabPrerequisites, {152, 56, 110, kDropHeight}},
        {TKind::Check, &CheckAcrobat, "Adobe Reader:", G, tabPrerequisites, {20, 86, 130, kCheckHeight}},
        {TKind::DropDown, &ComboAcrobat, "", G, tabPrerequisites, {152, 84, 110, kDropHeight}},
        {TKind::Check, &CheckJava, "Java (JRE):", G, tabPrerequisites, {290, 30, 140, kCheckHeight}},
        {TKind::DropDown, &ComboJava, "", G, tabPrerequisites, {432, 28, 120, kDropHeight}},
        {TKind::Check, &CheckSQLC, "SQL Server Compact:", G, tabPrerequisites, {290, 58, 140, kCheckHeight}},
        {TKind::DropDown, &ComboSQLC, "", G, tabPrerequisites, {432, 56, 120, kDropHeight}},
        {TKind::Check, &CheckSQLE, "SQL Server Express:", G, tabPrerequisites, {290, 86, 140, kCheckHeight}},
        {TKind::DropDown, &ComboSQLE, "", G, tabPrerequisites, {432, 84, 120, kDropHeight}},
        {TKind::Link, &Label18, "View/edit links...", G, tabPrerequisites, {20, 110, 120, kLabelHeight}},
        {TKind::Label, nullptr, "Additional Prerequisites:", G, tabPrerequisites, {8, 144, 200, kLabelHeight}},
        // Installation, Parameters.
        {TKind::DropDown, &ComboInstallMode, "Installation Mode:", I, tabParameters, {128, 16, 140, kDropHeight}, 112},
        {TKind::Edit, &EGUID, "Product GUID:", I, tabParameters, {128, 46, 260, kEditHeight}, 112},
        {TKind::Button, &Button39, "Change...", I, tabParameters, {394, 45, 80, kButtonHeight}},
        {TKind::Group, nullptr, "Options", I, tabParameters, {8, 80, 466, 112}},
        {TKind::Check, &CheckPrompt, "Uninstall old version before installation", I, tabParameters,
         {20, 100, 340, kCheckHeight}},
        {TKind::Check, &CheckUninstSilent, "Silently uninstall", I, tabParameters, {20, 124, 340, kCheckHeight}},
        {TKind::Check, &CheckVersions, "Upgrade only if installed version has", I, tabParameters,
         {20, 100, 340, kCheckHeight}},
        {TKind::Edit, &EMinVer, "", I, tabParameters, {128, 126, 90, kEditHeight}},
        {TKind::Edit, &EMaxVer, "", I, tabParameters, {128, 156, 90, kEditHeight}},
        {TKind::DropDown, &ComboInstallLevel, "Install product for:", I, tabParameters,
         {128, 206, 346, kDropHeight}, 112},
        // Installation, Uninstallation.
        {TKind::Check, &CheckUninstaller, "Include Uninstaller", I, tabUninstallation, {16, 16, 300, kCheckHeight}},
        {TKind::Group, nullptr, "Options", I, tabUninstallation, {8, 44, 520, 190}},
        {TKind::Check, &CheckAddRemove, "Show in Programs and Features List (Control Panel)", I, tabUninstallation,
         {20, 64, 460, kCheckHeight}},
        {TKind::Check, &CheckUninstallURL, "Prompt to visit the product feedback page", I, tabUninstallation,
         {20, 88, 460, kCheckHeight}},
        {TKind::Edit, &EUninstallAddress, "URL:", I, tabUninstallation, {76, 112, 360, kEditHeight}, 40},
        {TKind::Button, &Button43, "Test", I, tabUninstallation, {442, 111, 70, kButtonHeight}},
        {TKind::Check, &CheckUninstallForce, "Force Uninstall", I, tabUninstallation, {20, 146, 300, kCheckHeight}},
        {TKind::Check, &CheckUninstallRestart, "Restart Computer", I, tabUninstallation,
         {20, 170, 300, kCheckHeight}},
        {TKind::Check, &CheckUSilent, "Silent Mode", I, tabUninstallation, {20, 194, 300, kCheckHeight}},
        // Installation, Update.
        {TKind::Check, &CheckUpdater, "Include 'Tarvex Updater' tool", I, tabUpdate, {16, 16, 300, kCheckHeight}},
        {TKind::Group, nullptr, "Options", I, tabUpdate, {8, 44, 520, 172}},
        {TKind::Edit, &EUpdateURL, "Update Info URL:", I, tabUpdate, {120, 66, 316, kEditHeight}, 100},
        {TKind::Button, &Button44, "Test", I, tabUpdate, {442, 65, 70, kButtonHeight}},
        {TKind::Check, &CheckUpdateBefore, "Check for updates before installation", I, tabUpdate,
         {20, 100, 400, kCheckHeight}},
        {TKind::Check, &CheckAutoUpdate, "Automatically check for updates", I, tabUpdate, {20, 124, 400, kCheckHeight}},
        {TKind::Edit, &EDay, "Every", I, tabUpdate, {80, 148, 40, kEditHeight}, 44},
        {TKind::Label, nullptr, "day(s).", I, tabUpdate, {126, 151, 80, kLabelHeight}},
        {TKind::Check, &CheckSilentUpdate, "Silently install updates", I, tabUpdate, {20, 182, 400, kCheckHeight}},
        // System, Shortcuts (the list follows below, see ListTopOffset).
        {TKind::EditCombo, &ComboProgramGroup, "Program Group name:", S, tabShortcuts, {128, 8, 320, kDropHeight}, 120},
    };
    int id = PlaceControls(*this, places, kSettingsIdBase, settingsStatics_, &captionLabels_,
                           [](const TPlace& place, HWND sheet, int controlId) {
                               // The OS list: names in two columns, no header.
                               const TBounds& b = place.Bounds;
                               static_cast<winlib::TCheckList*>(place.Control)
                                   ->Create(sheet, controlId, b, "", b.W / 2 - 4, "", 0);
                           });
    // The version bounds' labels are shown and hidden with the edits, so they are named.
    HWND parameters = Sheet(I, tabParameters);
    LabelMinVer.Create(parameters, id++, TBounds{36, 129, 88, kLabelHeight}, "Min. Version:");
    LabelMaxVer.Create(parameters, id++, TBounds{36, 159, 88, kLabelHeight}, "Max. Version:");
    captionLabels_.push_back({&EMinVer, &LabelMinVer});
    captionLabels_.push_back({&EMaxVer, &LabelMaxVer});
    // The operating systems flow in two columns.
    HWND os = CheckListOS.Handle();
    ::SetWindowLongPtrA(os, GWL_STYLE, (::GetWindowLongPtrA(os, GWL_STYLE) & ~LVS_TYPEMASK) | LVS_LIST | LVS_NOCOLUMNHEADER);
    ::SendMessageA(os, LVM_SETCOLUMNWIDTH, 0, 150);
}

void TForm1::SetSettingsInitialValues()
{
    const std::pair<const winlib::TEdit*, std::string> texts[] = {
        {&EAppName, "New Product"},      {&EAppVersion, "1.0"},
        {&ECompanyName, "Company"},      {&EWebSite, kVendorSite},
        {&ESupport, Site("support.html")}, {&ESetupFile, "C:\\MySetup.exe"},
        {&EWizard, "Wizard.bmp"},        {&EHeader, "Header.bmp"},
        {&ECloseApp, "iexplore.exe"},    {&ECloseText, "Internet Explorer"},
        {&EGUID, "n/a"},                 {&EMinVer, "1.0"},
        {&EUninstallAddress, Site("uninstall.html")}, {&EUpdateURL, Site("update.txt")},
        {&EDay, "1"},
    };
    for (const auto& [edit, text] : texts)
        edit->SetText(text);

    const std::pair<const winlib::TComboBox*, std::vector<std::string>> lists[] = {
        {&ComboDotNET, {"1.0", "1.1", "2.0", "3.0", "3.5", "3.5 SP1 Client", "3.5 SP1", "4.0 Client", "4.0 Full", "4.5",
                        "4.5.1"}},
        {&ComboIE, {"5.0", "6.0", "7.0", "8.0", "9.0", "10.0", "11.0"}},
        {&ComboAcrobat, {"5.0", "6.0", "7.0", "8.0", "9.0", "X (10.0)", "XI (11.0)"}},
        {&ComboJava, {"1.2", "1.3", "1.4", "1.5", "1.6", "1.7", "1.8"}},
        {&ComboSQLC, {"3.5", "3.5 SP1", "3.5 SP2", "4.0"}},
        {&ComboSQLE, {"2005", "2005 SP1", "2005 SP2", "2005 SP3", "2005 SP4", "2008", "2008 SP1", "2008 SP2",
                      "2008 SP3", "2008 R2", "2008 R2 SP1", "2008 R2 SP2", "2012", "2012 SP1", "2014"}},
        {&ComboInstallMode, {"STANDART", "UPGRADE"}},
        {&ComboInstallLevel, {"Current User", "All Users (admin privileges required)",
                              "All Users if user has admin privileges, Current User otherwise"}},
        {&ComboProgramGroup, {"<AppName>", "<AppName> <AppVersion>", "<CompanyName>\\<AppName>",
                              "<CompanyName>\\<AppName> <AppVersion>"}},
    };
    for (const auto& [combo, items] : lists) {
        combo->SetItems(items);
        combo->SetItemIndex(combo == &ComboInstallLevel ? 1 : 0);
    }
    for (const std::string& os : kOsItems)
        CheckListOS.Add(os, "", false);
    CheckPrompt.SetChecked(true);  // before any handler is bound
    for (const winlib::TButton* browse : {&Button1, &Button2, &Button3, &Button5})
        winlib::SetHint(browse->Handle(), "Browse...");

    const winlib::TControl* disabled[] = {
        &EIcon, &Button5, &ECloseApp, &ECloseText, &ComboDotNET, &ComboIE, &ComboAcrobat, &ComboJava, &ComboSQLC,
        &ComboSQLE, &EGUID, &EMinVer, &EMaxVer,
        // The Uninstallation tab's options.
        &CheckAddRemove, &CheckUninstallURL, &EUninstallAddress, &Button43, &CheckUninstallForce,
        &CheckUninstallRestart, &CheckUSilent,
        // The Update tab's options.
        &EUpdateURL, &Button44, &CheckUpdateBefore, &CheckAutoUpdate, &EDay, &CheckSilentUpdate,
    };
    for (const winlib::TControl* control : disabled)
        control->Enable(false);
    for (const winlib::TControl* control : TControls{&CheckVersions, &EMinVer, &EMaxVer})
        ShowWithLabel(*control, false);
}

void TForm1::ShowWithLabel(const winlib::TControl& control, bool visible)
{
    control.Show(visible);
    for (const TPlacedLabel& placed : captionLabels_)
        if (placed.Owner == &control)
            placed.Label->Show(visible);
}
