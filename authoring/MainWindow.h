// The main window. Its controls are the open project; the pages and lists are
// grouped here by page, and the methods live in one source file per concern:
//   MainWindow.cpp          layout: tree, page controls and their tab sheets, splitter
//   MainWindowMenus.cpp     menus, tool bar, help topics, web links, update check
//   MainWindowStartup.cpp   creation, preferences, first show, close, destruction
//   MainWindowDocument.cpp  modified state, caption, macro expansion
//   MainWindowLists.cpp     the project list views, their buttons and editors
//   MainWindowSettings*.cpp, MainWindowFiles.cpp, FilesPageList.cpp, MainWindowDialogs*.cpp  the pages
//   MainWindowProject.cpp, ProjectDocument.cpp  the project file, New/Open/Save, recent list
//   MainWindowBuild.cpp     validation and build;  MainWindowTools.cpp, MainWindowRegImport.cpp  tools
//
// For the settings pages and the list editors:
//   - Page(n) is the page control of settings page n (1 General .. 5 Register);
//     Sheet(n, tab) is the parent window for the controls of one tab. Tabs are
//     in the order of TGeneralTab ... TRegisterTab below.
//   - ListView(id) is the list view of one project list. BuildProjectLists (in
//     MainWindowLists.cpp, run by creation before the preferences are read) creates
//     it on its sheet with its columns; the stored column widths are then
//     applied to it and written back from it at destruction.
//   - Single-line edits of the pages are registered with RegisterEdit so that
//     IsModified and ClearModified see their changed marks.
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "authoring/AppState.h"
#include "authoring/ListEditor.h"
#include "authoring/PageLayout.h"
#include "winlib/Controls.h"
#include "winlib/Dialogs.h"
#include "winlib/IniDocument.h"
#include "winlib/Form.h"
#include "winlib/Menus.h"
#include "winlib/Views.h"
#include "winlib/VistaAltFix.h"

// The project lists, in the order of their stored column widths.
enum class TListId { Prereq, Files, Shortcuts, Registry, INI, Commands, Variables, Ext, Env, Others, Count };
constexpr int kListCount = static_cast<int>(TListId::Count);

enum TSettingsPage { pgGeneral = 1, pgInstallation, pgDialogs, pgSystem, pgRegister };
enum TGeneralTab { tabInformation, tabGraphics, tabRequirements, tabPrerequisites };
enum TInstallationTab { tabParameters, tabFilesAndFolders, tabAdditionalFiles, tabUninstallation, tabUpdate };
enum TDialogsTab { tabMain, tabLanguages, tabLicense, tabReadme, tabUserInformation, tabFinish };
enum TSystemTab { tabShortcuts, tabRegistry, tabINIFiles, tabVariables, tabCommands };
enum TRegisterTab { tabFileAssociations, tabEnvironmentVariables, tabOthers };

// Where a list sits and the registry names of its column widths.
struct TListPlace {
    TListId List;
    const char* WidthPrefix;  // "FilesCol" ...
    int Columns;
    int Page;  // TSettingsPage
    int Tab;
};
// In the order the widths are read and written.
const std::array<TListPlace, kListCount>& ListPlaces();

// A project list's editor and the controls around its list view (MainWindowLists.cpp).
// The Files list has none: the files page drives it.
struct TProjectList {
    std::unique_ptr<TListEditor> Editor;
    winlib::TButton Add, Edit, Remove;
    winlib::TUpDown Arrows;  // made for the lists whose rows have an order
};

// Command ids of menus and tool buttons.
enum TCommandId : int {
    cmNew = 1001, cmOpen, cmSave, cmSaveAs, cmExit,
    cmViewGeneral = 1011, cmViewInstallation, cmViewDialogs, cmViewSystem, cmViewRegister,
    cmInstallerVariables, cmOptions,
    cmBuild = 1021, cmTest, cmInformation,
    cmCreateAutorun = 1031, cmCreateDataFile, cmCreateOdbcDsn, cmAddDownloader, cmOpenProgramFiles, cmProgramsAndFeatures,
    cmHelpTopics = 1041, cmVisitWebSite, cmFaq, cmSupport, cmCheckUpdates, cmAbout,
    cmRecentFirst = 1100,  // recent projects: cmRecentFirst + i
    tbNew = 1201, tbRecent, tbSave, tbBuild, tbWebSite, tbHelp,
};

// The vendor's addresses (a placeholder site).
constexpr const char* kVendorSite = "https://www.tarvex.example/";
constexpr const char* kVendorRegionalSite = "https://ru.tarvex.example/";
constexpr const char* kVendorSupport = "support@tarvex.example";

// The "Select File or Folder" dialog over the destination tree: opens on the node
// of start (a destination path such as "<InstallDir>\bin\a.exe"); true on OK with the
// chosen path.
class IPathPicker {
public:
    virtual ~IPathPicker() = default;
    virtual bool Execute(const std::string& start, std::string& chosen) = 0;
};

class TForm1 : public winlib::TForm {
public:
    TForm1() = default;
    ~TForm1() override;
    // Makes the window and runs FormCreate. False when the association mode ran:
    // the process then ends with AssociationExitCode() and no other form is made.
    bool CreateForm();
    int AssociationExitCode() const { return associationExit_; }
    bool AssociationModeRan() const { return associationRan_; }

    // The first-show steps; run by the first Show, or directly by a silent build,
    // which never shows the window. Then SilentExitCode() is the process's code.
    void FormShow();
    int SilentExitCode() const { return silentExit_; }
    // What closing the window keeps: the window's bounds and list columns (not after
    // a silent build, whose window was never the user's) and the recent list.
    void SaveSettings();
    // Shows the window (maximized when the preferences say so).
    void ShowMain();
    // The keyboard-cue repaint of this program's windows (made with the window).
    winlib::TVistaAltFix* AltFix() const { return altFix_.get(); }

    // Pages, sheets and lists (see the top of this file).
    winlib::TPageControl& Page(int page) { return pages_.at(static_cast<size_t>(page - 1)); }
    HWND Sheet(int page, int tab) { return Page(page).Sheet(tab); }
    winlib::TListView& ListView(TListId id) { return lists_.at(static_cast<size_t>(id)); }
    TProjectList& ProjectList(TListId id) { return projectLists_.at(static_cast<size_t>(id)); }
    winlib::TTreeView& TreeView1() { return tree_; }
    winlib::TToolBar& ToolBar1() { return toolBar_; }
    winlib::TMenu& MainMenu() { return menu_; }
    HMENU Recent1() const { return recentMenu_; }
    std::vector<std::string>& RecentList() { return recentList_; }

    // Navigation: hides all pages, shows page n (1..5) and selects tree node n.
    void ShowSettingsPage(int n);
    int VisiblePage() const;  // 1..5, 0 none

    // Document state.
    void RegisterEdit(winlib::TEdit& edit) { edits_.push_back(&edit); }
    bool IsModified() const;
    void ClearModified();
    void Action1Execute() { AppState().ProjectModified = true; }
    void SetProjectCaption(const std::string& name);
    std::string ExpandProjectMacros(const std::string& text) const;

    // ---- The controls of the pages: they are the open project. ----
    // General page, tab Information.
    winlib::TEdit EAppName, EAppVersion, ECompanyName, EWebSite, ESupport, ESetupFile;
    winlib::TButton Button1;  // "..." of ESetupFile
    // General page, tab Graphics.
    winlib::TEdit EWizard, EHeader, EIcon;
    winlib::TButton Button2, Button3, Button5;
    winlib::TCheckBox CheckIcon;
    // General page, tab Requirements.
    winlib::TCheckList CheckListOS;
    winlib::TCheckBox Check64OS, CheckAdmin, CheckInet, CheckCloseApp;
    winlib::TEdit ECloseApp, ECloseText;
    // General page, tab Software Prerequisites (the list is ListView(TListId::Prereq)).
    winlib::TCheckBox CheckDotNET, CheckIE, CheckAcrobat, CheckJava, CheckSQLC, CheckSQLE;
    winlib::TComboBox ComboDotNET, ComboIE, ComboAcrobat, ComboJava, ComboSQLC, ComboSQLE;
    winlib::TLinkLabel Label18;  // "View/edit links..."
    // Installation page, tab Parameters.
    winlib::TComboBox ComboInstallMode, ComboInstallLevel;
    winlib::TEdit EGUID, EMinVer, EMaxVer;
    winlib::TButton Button39;  // "Change..." / "Select..."
    winlib::TCheckBox CheckPrompt, CheckUninstSilent, CheckVersions;
    // Installation page, tab Files and Folders (hidden lists are plain vectors).
    winlib::TComboBox ComboInstallPath, ComboExecutable, ComboBasic;
    winlib::TEdit ESourceFolder;  // read-only
    winlib::TButton Button25, Button30;  // source folder "...", destination folder "..."
    winlib::TCheckBox CheckDontRemove;
    std::vector<std::string> ListSFiles, ListDFiles;
    // Installation page, tab Additional Files (the list is ListView(TListId::Files)).
    winlib::TButton BAddFolder, BAddFiles, BEdit, BRemove;
    winlib::TUpDown UpDown3;
    std::vector<std::string> ListBox1;  // staged paths waiting to be added
    winlib::TListView& ListFiles() { return ListView(TListId::Files); }
    // Installation page, tab Uninstallation.
    winlib::TCheckBox CheckUninstaller, CheckAddRemove, CheckUninstallURL, CheckUninstallForce,
        CheckUninstallRestart, CheckUSilent;
    winlib::TEdit EUninstallAddress;
    winlib::TButton Button43;  // "Test"
    // Installation page, tab Update.
    winlib::TCheckBox CheckUpdater, CheckUpdateBefore, CheckAutoUpdate, CheckSilentUpdate;
    winlib::TEdit EUpdateURL, EDay;
    winlib::TButton Button44;  // "Test"
    // Dialogs page, tab Main.
    winlib::TCheckBox CheckSilent;
    winlib::TCheckBox CheckBox28, CheckBox29, CheckBox30, CheckBox31, CheckBox32, CheckBox33, CheckBox34,
        CheckBox35;
    // Dialogs page, tab Languages.
    winlib::TCheckList CheckListLng;
    winlib::TComboBox ComboDefLng;
    winlib::TCheckBox CheckAutoDetect;
    // Dialogs page, tabs License Agreement and Readme.
    winlib::TCheckBox CheckAcceptAgg;
    winlib::TListView ListLicense, ListReadme;
    winlib::TButton BLSpecify, BLEdit, BLClear, BRSpecify, BREdit, BRClear;
    // Dialogs page, tab User Information.
    winlib::TCheckBox CheckUserName, CheckUserNameReq, CheckCompany, CheckCompanyReq, CheckQueryCustom,
        CheckQueryCustomReq;
    winlib::TEdit EQueryCustomName;
    // Dialogs page, tab Finish.
    winlib::TCheckBox CheckRestart, CheckLaunchProgram, CheckLaunchProgramDef, CheckViewReadme,
        CheckViewReadmeDef, CheckCustomFinish, CheckCustomFinishDef;
    winlib::TEdit ELaunchProgram, EViewReadme, ECustomFinishName, ECustomFinishCommand;
    winlib::TButton Button7, Button8, Button9;
    // System page, tab Shortcuts.
    winlib::TComboBox ComboProgramGroup;

    // The item dialogs the pages use beyond the project lists' own: the files
    // page's "Add Folder/Files" and "Edit" dialog and the path picker. Null until
    // bound; the pages then do nothing where they would show them.
    IItemDialog* FileItemDialog = nullptr;  // TForm4
    IPathPicker* PathPicker = nullptr;      // TForm12

    // ---- Settings pages: General, Installation (Parameters, Uninstallation, Update), System (MainWindowSettings.cpp) ----
    winlib::TLabel LabelMinVer, LabelMaxVer;  // shown with their edits in mode UPGRADE
    // Selects the first item equal to text ignoring case; no match leaves the selection.
    bool SelectComboItem(const winlib::TComboBox& combo, const std::string& text) const;
    void ApplyInstallMode(int mode);  // 0 STANDART, 1 UPGRADE
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void CheckIconClick();
    void Check64OSClick();
    void Label18Click();
    void ComboInstallModeChange();
    void Button39Click();
    void CheckUninstallerClick();
    void CheckUpdaterClick();
    void CheckAutoUpdateClick();
    void CheckUpdateBeforeClick();
    void Button43Click();
    void Button44Click();
    // Extra space above a list on a tab that holds settings of its own (MainWindowLists.cpp lays out).
    static int ListTopOffset(TListId id);

private:
    void CreateSettingsControls();
    void SetSettingsInitialValues();
    void WireSettingsHandlers();
    void ApplyEnableRule(const winlib::TCheckBox& source);
    void ShowWithLabel(const winlib::TControl& control, bool visible);
    void BrowsePicture(winlib::TEdit& edit, const std::string& filter, const std::string& fallback);
    void ReplaceToolShortcut(const std::string& target, const std::string& name, bool add);
    std::vector<std::unique_ptr<winlib::TControl>> settingsStatics_;  // labels and groups
    std::vector<TPlacedLabel> captionLabels_;

public:
    // ---- Files and folders page (MainWindowFiles.cpp) ----
    // The files page (MainWindowFiles.cpp, FilesPageList.cpp; FindFiles in FilesPage.h).
    // Each staged path in ListBox1 has the folder its destination is relative to
    // here, at the same index: a file's own folder, or a dropped folder's parent.
    std::vector<std::string> ListBox1Bases;
    winlib::TButton Button22;       // Register page, tab Others: "Add all DLL/ActiveX"
    winlib::TMenu FilesPopup{true};  // pop-up menu of ListFiles
    // Refills ListSFiles, ListDFiles and FolderSize from ESourceFolder.
    void ScanSourceFolder();
    // Refills ComboExecutable and the destination tree from every destination.
    void RebuildDestinationTree();
    // Every installed path as one node per component (see DestinationTree.h).
    const std::vector<winlib::TTreeNodeData>& DestinationTree() const { return destinationTree_; }
    // Applies the chosen main executable: launch option and the two automatic shortcuts.
    void ComboExecutableSelect();
    void Button25Click();  // source folder "..."
    void Button30Click();  // destination folder "...": the placeholders' help topic
    void BAddFolderClick();
    void BAddFilesClick();
    void WMDropFiles(const std::vector<std::string>& paths);
    void BEditClick();
    void BRemoveClick();
    void UpDown3Click(bool up);
    void FileLocationClick();
    void CreateShortcutClick();
    void Button22Click();  // Add all DLL/ActiveX
    // The path picker opened on path; true on OK, with chosen set to the picked
    // path (chosen is path itself otherwise).
    bool PickDestinationFile(const std::string& path, std::string& chosen);

private:
    void CreateAdditionalFilesTab(int firstId);
    void CreateDllButton(int id);
    void AttachFilesList();
    void AddStagedFiles();
    std::vector<winlib::TTreeNodeData> destinationTree_;
    std::vector<std::unique_ptr<winlib::TControl>> filesStatics_;  // labels and the group

public:
    // ---- Dialogs page (MainWindowDialogs.cpp) ----
    // Main, User Information and Finish: the enabling rules (one table).
    void CheckSilentClick();
    void CheckBox29Click();
    void CheckBox30Click();
    void CheckBox31Click();
    void CheckUserNameClick();
    void CheckCompanyClick();
    void CheckQueryCustomClick();
    void CheckRestartClick();
    void CheckLaunchProgramClick();
    void CheckViewReadmeClick();
    void CheckCustomFinishClick();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    // Languages (MainWindowDialogsLanguages.cpp). Clear: the licence and readme files
    // and the default start over (project reader, new project, start-up); Keep:
    // a user's change keeps what still applies.
    enum class TLanguageRebuild { Clear, Keep };
    void RebuildLanguageLists(TLanguageRebuild mode = TLanguageRebuild::Clear);
    void CheckListLngClickCheck();
    void SelectAll2Click();
    void SelectNone1Click();
    void Edit3Click();  // also the list's double click
    void LanguagesRefreshClick();  // the menu's Refresh: keeps the checks of names still there
    void OpenLanguageFolder1Click();
    enum TLanguageMenuId : int { cmLngSelectAll = 1401, cmLngSelectNone, cmLngEdit, cmLngRefresh, cmLngOpenFolder };
    winlib::TMenu LanguageMenu{true};  // CheckListLng's pop-up menu
    // Licence and readme files, per language (MainWindowDialogsLanguages.cpp).
    void BLSpecifyClick();
    void BLEditClick();
    void BLClearClick();
    void BRSpecifyClick();
    void BREditClick();
    void BRClearClick();

protected:
    // Ctrl+A and Ctrl+N of the language menu while the language list has the focus
    // (before the main menu's accelerators, as a control's own shortcuts go first).
    bool OnKeyPreview(UINT key, unsigned shift) override;

private:
    void CreateDialogsControls();
    void WireDialogsHandlers();
    void WireLanguageHandlers();
    void PickFinishFile(winlib::TEdit& edit);
    void ScanLanguages(bool keepChecks);
    void SpecifyLanguageFile(winlib::TListView& list);
    void EditLanguageFile(winlib::TListView& list, const char* kind);
    void ClearLanguageFile(winlib::TListView& list);
    std::vector<std::unique_ptr<winlib::TControl>> dialogsStatics_;  // labels and groups

public:
    // ---- Project file and document: save, load, new, recent (MainWindowProject.cpp) ----
    // Writes the open project to fileName in one atomic step, then sets the caption,
    // the recent list and the modified state. Throws (EIniError, EOSError) with
    // "Unable to write to <file>"; the old file and the document then stay as they were.
    void SaveProject(const std::string& fileName);
    // Save and Save As with their error reporting: true only when the file was written.
    bool SaveDocument();
    bool SaveDocumentAs();
    void AddRecentProject(const std::string& path);
    void RecentItemClick(int index);
    // The byte size of the folder last packed into a data file; stored as FolderSize.
    std::uint64_t DataFolderSize = 0;

private:
    bool ReadProjectFile(const std::string& path, winlib::TIniDocument& doc);
    void LoadProjectValues(winlib::TIniDocument& doc, const std::string& path);
    void LoadGeneralValues(winlib::TIniDocument& doc, const std::string& path);
    void LoadInstallationValues(const winlib::TIniDocument& doc);
    void LoadDialogsValues(const winlib::TIniDocument& doc);
    void LoadFileValues(const winlib::TIniDocument& doc);
    void LoadListSections(const winlib::TIniDocument& doc);
    void AssignProductGuid(winlib::TIniDocument& doc, const std::string& path);
    void UpdateVersionFromExecutable();
    void ResetNewProjectValues();
    void ShowNewProjectWizard();  // the last step of New, when the Options ask for it
    void WriteListSections(winlib::TIniDocument& doc, const std::string& path);
    bool SaveReported(const std::string& path);
    winlib::TOpenDialog openDialog_;  // keeps its folder and file name between uses

public:
    // ---- Registry tab: "Import..." of a registry export (MainWindowRegImport.cpp) ----
    winlib::TButton Button20;
    void Button20Click();

    // ---- Tools menu (MainWindowTools.cpp) ----
    void CreateAutorun1Click();
    void CreateDataFile1Click();
    void CreateODBCConnection1Click();
    void OpenProgramFilesfolder1Click();
    void ControlPanelProgramsandFeatures1Click();
    // The archiver as a temporary file of the setup and its After Installation
    // command, each unless present; the uninstaller with Force Uninstall.
    void AddDataFileRows(const std::string& archiver);

    // ---- Validation and building (MainWindowBuild.cpp, Form5) ----
    void ShowBuildWarning(const std::string& text);
    unsigned long long EstimateInstallSize();
    static std::string FormatSize(unsigned long long size);  // "5.00 MB", "1023 Bytes"
    int ProjectInstallLevel() const;                         // 0..2 from ComboInstallLevel
    void EnableTestCommand(bool on);                         // the Test menu item
    // What a build packs, taken from the controls (BuilderSnapshot.cpp).
    struct TBuildProject TakeBuildProject();

    // Commands.
    void ToolButton7Click();  // help topic of the shown page and tab
    void InstallerVariablesClick();
    void VisitWebSiteClick();
    void FaqClick();
    void SupportClick();
    void CheckUpdatesClick();
    void ShowHelpTopic(const std::string& topic, int show);
    std::string HelpTopic() const;
    void StartUpdater(const std::string& parameter);  // "/S" at start, "/A" from the menu
    void ToolButton1Click();  // New
    void BuildClick();

    // Seams filled in by later parts (stand-ins now).
    // ask: run the save question first (Open has asked already and passes false).
    virtual bool LoadProject(const std::string& path, bool ask);
    virtual void NewProject();
    virtual bool QuerySaveChanges();
    virtual void RebuildRecentMenu();
    virtual bool ValidateProject();
    virtual int BuildSetup();  // the builder's exit code for a silent build
    virtual void Refresh1Click();
    virtual void ShowOptions(int tab = 0);  // the Options dialog, modal, on tab
    virtual void ShowAbout();
    virtual void ShowInformation();
    virtual void SaveAs1Click();
    virtual void ToolButton2Click();  // Open
    virtual void ToolButton3Click();  // Save
    virtual void RunTest();
    virtual void RunTool(int command);

    // Window bounds and tree width as the preferences hold them.
    int TreeWidth() const { return treeWidth_; }
    void SetTreeWidth(int width);
    bool StartMaximized() const { return startMaximized_; }

protected:
    void OnCreate() override;
    void OnFirstShow() override { FormShow(); }
    bool OnCloseQuery() override;
    void OnDestroy() override;
    void OnResize() override;

private:
    // MainWindow.cpp
    void CreateLayout();
    void CreatePages();
    void Relayout();
    void TreeView1Change();
    // MainWindowMenus.cpp
    void CreateMenus();
    void CreateToolBar();
    // MainWindowLists.cpp
    void BuildProjectLists();
    // The pages' own controls, made after the project lists.
    void CreateSettingsPages();  // MainWindowSettings.cpp
    void CreateFilesPage();      // MainWindowFiles.cpp
    void CreateDialogsPage();    // MainWindowDialogs.cpp
    void WireEnableRules();      // MainWindowRules.cpp
    // MainWindowStartup.cpp
    bool RunAssociationMode();
    void ReadWindowPreferences();
    void KeepOnWorkArea();
    void LoadRecentList();
    void EnableAssociationButton();
    void ReadOptionPreferences();
    void RunCommandLine();
    void WritePreferences();
    void WriteRecentList();

    winlib::TMenu menu_;
    std::unique_ptr<winlib::TVistaAltFix> altFix_;  // access-key underlines on themed systems
    HMENU recentMenu_ = nullptr;
    winlib::TToolBar toolBar_;
    winlib::TMenu recentDropDown_{true};
    winlib::TTreeView tree_;
    winlib::TSplitter splitter_;
    std::array<winlib::TPageControl, 5> pages_;
    std::array<winlib::TListView, kListCount> lists_;
    std::array<TProjectList, kListCount> projectLists_;  // after lists_: editors go first
    std::vector<winlib::TEdit*> edits_;
    std::vector<std::string> recentList_;

    int treeWidth_ = 153;
    bool startMaximized_ = false;
    bool inPageChange_ = false;
    bool associationRan_ = false;
    int associationExit_ = 0;
    int silentExit_ = 0;
};

// The forms of the process, made at start in a fixed order.
extern TForm1* Form1;
