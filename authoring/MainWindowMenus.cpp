// Menus, tool bar, help topics, web links and the update check.
#include "authoring/MainWindow.h"

#include "authoring/OptionsDialog.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"

namespace {

const char* const kHelpPages[5] = {"Settings/General/", "Settings/Installation/", "Settings/Dialogs/",
                                   "Settings/System/", "Settings/Register/"};
const char* const kVersionQuery = "?vid=5.4";

}  // namespace

void TForm1::CreateMenus()
{
    HMENU file = menu_.AddSubmenu(nullptr, "&File");
    menu_.AddItem(file, cmNew, "New", [this] { ToolButton1Click(); }, "Ctrl+N");
    menu_.AddItem(file, cmOpen, "Open...", [this] { ToolButton2Click(); }, "Ctrl+O");
    recentMenu_ = menu_.AddSubmenu(file, "Recent Projects");
    menu_.AddItem(file, cmSave, "Save", [this] { ToolButton3Click(); }, "Ctrl+S");
    menu_.AddItem(file, cmSaveAs, "Save As...", [this] { SaveAs1Click(); });
    menu_.AddSeparator(file);
    menu_.AddItem(file, cmExit, "Exit", [this] { Close(); }, "Alt+F4");

    HMENU view = menu_.AddSubmenu(nullptr, "&View");
    const char* const pages[5] = {"General Page", "Installation Page", "Dialogs Page", "System Page", "Register Page"};
    for (int i = 0; i < 5; ++i)
        menu_.AddItem(view, cmViewGeneral + i, pages[i], [this, i] { ShowSettingsPage(i + 1); });
    menu_.AddSeparator(view);
    menu_.AddItem(view, cmInstallerVariables, "Installer Variables", [this] { InstallerVariablesClick(); });
    menu_.AddItem(view, cmOptions, "Options...", [this] { ShowOptions(); });

    HMENU project = menu_.AddSubmenu(nullptr, "&Project");
    menu_.AddItem(project, cmBuild, "Build", [this] { BuildClick(); }, "F8");
    menu_.AddItem(project, cmTest, "Test", [this] { RunTest(); }, "F9");
    menu_.AddItem(project, cmInformation, "Information", [this] { ShowInformation(); });

    HMENU tools = menu_.AddSubmenu(nullptr, "&Tools");
    const char* const toolItems[6] = {"Create CD/DVD Autorun...", "Create Data File...", "Create ODBC DSN...",
                                      "Add Tarvex Downloader...", "Open Program Files Folder",
                                      "Control Panel - Programs and Features"};
    for (int i = 0; i < 6; ++i) {
        int id = cmCreateAutorun + i;
        menu_.AddItem(tools, id, toolItems[i], [this, id] { RunTool(id); });
    }
    menu_.EnableItem(cmAddDownloader, false);  // nothing enables it

    HMENU help = menu_.AddSubmenu(nullptr, "&Help");
    menu_.AddItem(help, cmHelpTopics, "Help Topics", [this] { ToolButton7Click(); }, "F1");
    menu_.AddItem(help, cmVisitWebSite, "Visit Web Site...", [this] { VisitWebSiteClick(); });
    menu_.AddItem(help, cmFaq, "FAQ...", [this] { FaqClick(); });
    menu_.AddItem(help, cmSupport, "Support...", [this] { SupportClick(); });
    menu_.AddItem(help, cmCheckUpdates, "Check for Updates...", [this] { CheckUpdatesClick(); });
    menu_.AddSeparator(help);
    menu_.AddItem(help, cmAbout, "About...", [this] { ShowAbout(); });
    SetMenu(menu_);

    SetAccelerators({
        {FVIRTKEY | FCONTROL, 'N', cmNew},
        {FVIRTKEY | FCONTROL, 'O', cmOpen},
        {FVIRTKEY | FCONTROL, 'S', cmSave},
        {FVIRTKEY, VK_F8, cmBuild},
        {FVIRTKEY, VK_F9, cmTest},
        {FVIRTKEY, VK_F1, cmHelpTopics},
    });
}

namespace {

// The tool bar's pictures are icon resources 101.. in button order. A module
// without them (the in-process tests) keeps the image list's blank pictures.
void LoadToolBarPictures()
{
    constexpr int kFirstPicture = 101;
    constexpr int kPictures = 6;
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    for (int i = 0; i < kPictures; ++i) {
        HICON icon = static_cast<HICON>(
            ::LoadImageA(module, MAKEINTRESOURCEA(kFirstPicture + i), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        if (icon == nullptr)
            continue;
        winlib::SetSharedImage(i, icon);  // the list keeps a copy
        ::DestroyIcon(icon);
    }
}

}  // namespace

void TForm1::CreateToolBar()
{
    LoadToolBarPictures();
    toolBar_.Create(Handle(), 199, winlib::SharedImageList());
    toolBar_.AddButton(tbNew, 0, "New Project", [this] { ToolButton1Click(); });
    // The drop-down lists the recent projects; a click opens a project.
    toolBar_.AddButton(tbRecent, 1, "Open Project", [this] { ToolButton2Click(); }, &recentDropDown_);
    toolBar_.AddButton(tbSave, 2, "Save Project", [this] { ToolButton3Click(); });
    toolBar_.AddSeparator();
    toolBar_.AddButton(tbBuild, 3, "Build Project", [this] { BuildClick(); });
    toolBar_.AddSeparator();
    toolBar_.AddButton(tbWebSite, 4, "Visit Web Site", [this] { VisitWebSiteClick(); });
    toolBar_.AddButton(tbHelp, 5, "Help", [this] { ToolButton7Click(); });
}

void TForm1::ToolButton1Click()
{
    if (QuerySaveChanges())
        NewProject();
}

void TForm1::BuildClick()
{
    if (ValidateProject())
        BuildSetup();
}

void TForm1::ShowHelpTopic(const std::string& topic, int show)
{
    // The help viewer is a separate program; a missing one or missing help file gives no message.
    // Quoted: the program folder may hold blanks.
    winlib::RunProgram("hh \"" + AppState().ProgramFolder + "KInstaller.chm::/" + topic + "\"", show);
}

std::string TForm1::HelpTopic() const
{
    HTREEITEM node = tree_.Selected();
    if (node == nullptr)
        return "Introduction/index.html";
    int index = tree_.IndexAmongSiblings(node);
    if (index < 0 || index >= 5)
        return "Introduction/index.html";
    int tab = pages_[static_cast<size_t>(index)].ActivePage();
    return std::string(kHelpPages[index]) + std::to_string(tab + 1) + ".html";
}

void TForm1::ToolButton7Click() { ShowHelpTopic(HelpTopic(), SW_SHOWNORMAL); }

void TForm1::InstallerVariablesClick() { ShowHelpTopic("Description/2.html", SW_SHOWMAXIMIZED); }

void TForm1::VisitWebSiteClick()
{
    std::string site = IsRegionalLocale() ? kVendorRegionalSite : kVendorSite;
    winlib::ShellOpen(Handle(), "open", site + kVersionQuery);  // result not examined: no handler, no message
}

void TForm1::FaqClick() { winlib::ShellOpen(Handle(), "open", std::string(kVendorSite) + "help/faq.php" + kVersionQuery); }

void TForm1::SupportClick()
{
    winlib::ShellOpen(Handle(), "open", std::string("mailto:") + kVendorSupport + "?subject=Tarvex_Installer_5.4");
}

void TForm1::StartUpdater(const std::string& parameter)
{
    // By full path, never through the search order; not waited for, failure gives no message.
    const std::string& folder = AppState().ProgramFolder;
    winlib::ShellOpen(nullptr, "open", folder + "Updater.exe", parameter, winlib::ExcludeTrailingBackslash(folder),
                      SW_SHOWNORMAL);
}

void TForm1::CheckUpdatesClick() { StartUpdater("/A"); }

void TForm1::ShowOptions(int tab)
{
    if (Form15 != nullptr)
        Form15->Execute(tab);
}
