// Main window: layout of the tree, the splitter and the five settings pages, and
// the navigation between the pages.
#include "authoring/MainWindow.h"

#include <algorithm>

#include "winlib/Path.h"

using winlib::TBounds;

TForm1* Form1 = nullptr;

namespace {

constexpr int kTreeId = 200;
constexpr int kSplitterId = 201;
constexpr int kPageIdBase = 210;
constexpr int kSplitterWidth = 4;
constexpr int kTreeMinWidth = 10;

struct TPageDef {
    const char* Node;
    std::vector<const char*> Tabs;
};

// The five pages in tree order, with their tabs in the order the help topics number them.
const TPageDef kPages[5] = {
    {"General", {"Information", "Graphics", "Requirements", "Software Prerequisites"}},
    {"Installation", {"Parameters", "Files and Folders", "Additional Files", "Uninstallation", "Update"}},
    {"Dialogs", {"Main", "Languages", "License Agreement", "Readme", "User Information", "Finish"}},
    {"System", {"Shortcuts", "Registry", "INI Files", "Variables", "Commands"}},
    {"Register", {"File Associations", "Environment Variables", "Others"}},
};

}  // namespace

const std::array<TListPlace, kListCount>& ListPlaces()
{
    static const std::array<TListPlace, kListCount> places = {{
        {TListId::Prereq, "PrerequisitesCol", 6, pgGeneral, tabPrerequisites},
        {TListId::Files, "FilesCol", 4, pgInstallation, tabAdditionalFiles},
        {TListId::Shortcuts, "ShortcutsCol", 9, pgSystem, tabShortcuts},
        {TListId::Registry, "RegistryCol", 6, pgSystem, tabRegistry},
        {TListId::INI, "INICol", 6, pgSystem, tabINIFiles},
        {TListId::Commands, "CommandsCol", 6, pgSystem, tabCommands},
        {TListId::Variables, "VariablesCol", 5, pgSystem, tabVariables},
        {TListId::Ext, "ExtensionsCol", 5, pgRegister, tabFileAssociations},
        {TListId::Env, "EnvironmentCol", 4, pgRegister, tabEnvironmentVariables},
        {TListId::Others, "OthersCol", 3, pgRegister, tabOthers},
    }};
    return places;
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::CreateLayout()
{
    HWND h = Handle();
    CreateMenus();
    // Its pictures cost a command-line build more than a small project's packing.
    if (!AppState().NeverShown)
        CreateToolBar();
    tree_.Create(h, kTreeId, TBounds{0, 0, treeWidth_, 100});
    HTREEITEM root = tree_.Add(nullptr, "Project");
    for (const TPageDef& page : kPages)
        tree_.Add(root, page.Node);
    tree_.Expand(root);
    tree_.OnChange = [this] { TreeView1Change(); };
    splitter_.Create(h, kSplitterId, TBounds{treeWidth_, 0, kSplitterWidth, 100});
    splitter_.MinLeft = kTreeMinWidth;
    splitter_.OnMoved = [this](int left) { SetTreeWidth(left); };
    CreatePages();
    Relayout();
}

void TForm1::CreatePages()
{
    for (size_t i = 0; i < pages_.size(); ++i) {
        pages_[i].Create(Handle(), kPageIdBase + static_cast<int>(i), TBounds{0, 0, 100, 100});
        for (const char* tab : kPages[i].Tabs)
            pages_[i].AddPage(tab);
        pages_[i].Show(false);
    }
}

void TForm1::SetTreeWidth(int width)
{
    treeWidth_ = std::max(width, kTreeMinWidth);
    Relayout();
}

void TForm1::OnResize() { Relayout(); }

void TForm1::Relayout()
{
    if (tree_.Handle() == nullptr)
        return;
    RECT client;
    ::GetClientRect(Handle(), &client);
    ::SendMessageA(toolBar_.Handle(), TB_AUTOSIZE, 0, 0);
    int top = toolBar_.Height();
    int height = std::max(0, static_cast<int>(client.bottom) - top);
    tree_.SetBounds(TBounds{0, top, treeWidth_, height});
    splitter_.SetBounds(TBounds{treeWidth_, top, kSplitterWidth, height});
    int left = treeWidth_ + kSplitterWidth;
    TBounds pageBounds{left, top, std::max(0, static_cast<int>(client.right) - left), height};
    for (winlib::TPageControl& page : pages_) {
        page.SetBounds(pageBounds);
        page.Layout();
    }
}

int TForm1::VisiblePage() const
{
    for (size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i].Visible())
            return static_cast<int>(i) + 1;
    return 0;
}

void TForm1::ShowSettingsPage(int n)
{
    for (winlib::TPageControl& page : pages_)
        page.Show(false);
    if (n >= 1 && n <= static_cast<int>(pages_.size()))
        Page(n).Show(true);
    // Selecting the node raises the tree's change once more; the guard keeps
    // that from coming back here.
    HTREEITEM node = tree_.NodeAt(n);
    if (node != nullptr && node != tree_.Selected()) {
        winlib::TMaskScope guard(inPageChange_);
        tree_.Select(node);
    }
}

void TForm1::TreeView1Change()
{
    if (inPageChange_)
        return;
    HTREEITEM node = tree_.Selected();
    if (node == nullptr)
        return;
    winlib::TMaskScope guard(inPageChange_);
    ShowSettingsPage(tree_.IndexAmongSiblings(node) + 1);
}
