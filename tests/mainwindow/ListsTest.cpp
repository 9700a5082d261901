// The project lists of the main window: each on its tab with the list table's
// columns, its buttons and its editor, driven through the real window.
#include "MainWindowFixture.h"
#include "winlib/Hint.h"
#include "winlib/testing/TestApi.h"

using namespace winlib::testing;

namespace {

struct TListCase {
    TListId List;
    TListKind Kind;
    bool Arrows;
};
const TListCase kLists[] = {
    {TListId::Prereq, TListKind::Prereq, true},       {TListId::Shortcuts, TListKind::Shortcuts, false},
    {TListId::Registry, TListKind::Registry, false},  {TListId::INI, TListKind::INI, false},
    {TListId::Commands, TListKind::Commands, true},   {TListId::Variables, TListKind::Variables, false},
    {TListId::Ext, TListKind::Ext, false},            {TListId::Env, TListKind::Env, false},
    {TListId::Others, TListKind::Others, false},
};

std::string ColumnCaption(const winlib::TListView& list, int column)
{
    char text[128] = {};
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = sizeof text;
    ::SendMessageA(list.Handle(), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
    return text;
}

winlib::TBounds BoundsIn(HWND control)
{
    RECT r = {};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace

TEST_F(MainWindowTest, EachListSitsOnItsSheetWithTheTableColumnsAndItsButtons)
{
    TRecordingForm1& form = Start();
    for (const TListCase& c : kLists) {
        const TListSpec& spec = ListSpecOf(c.Kind);
        SCOPED_TRACE(spec.Name);
        winlib::TListView& list = form.ListView(c.List);
        TProjectList& controls = form.ProjectList(c.List);
        ASSERT_NE(controls.Editor, nullptr);
        EXPECT_EQ(&controls.Editor->Spec(), &spec);
        ASSERT_EQ(list.ColumnCount(), static_cast<int>(spec.Columns.size()));
        for (size_t i = 0; i < spec.Columns.size(); ++i)
            EXPECT_EQ(ColumnCaption(list, static_cast<int>(i)), spec.Columns[i].Caption);

        const TListPlace& place = ListPlaces().at(static_cast<size_t>(c.List));
        HWND sheet = form.Sheet(place.Page, place.Tab);
        EXPECT_EQ(::GetParent(list.Handle()), sheet);
        RECT client = {};
        ::GetClientRect(sheet, &client);
        winlib::TBounds listBounds = BoundsIn(list.Handle());
        EXPECT_GT(listBounds.W, client.right / 2);
        EXPECT_EQ(controls.Add.Text(), "Add...");
        EXPECT_EQ(controls.Edit.Text(), "Edit...");
        EXPECT_EQ(controls.Remove.Text(), "Remove");
        for (winlib::TButton* button : {&controls.Add, &controls.Edit, &controls.Remove}) {
            EXPECT_EQ(::GetParent(button->Handle()), sheet);
            winlib::TBounds b = BoundsIn(button->Handle());
            EXPECT_GE(b.Y, listBounds.Y + listBounds.H);  // a row below the list, inside the sheet
            EXPECT_LE(b.Y + b.H, client.bottom);
        }
        EXPECT_EQ(controls.Arrows.Handle() != nullptr, c.Arrows);
        if (c.Arrows)
            EXPECT_EQ(winlib::Hint(controls.Arrows.Handle()), "Up/Down");
    }
    EXPECT_EQ(form.ProjectList(TListId::Files).Editor, nullptr);
}

TEST_F(MainWindowTest, UnboundListAddsNothingWhileSelectingARowAndMovingMarkTheProject)
{
    TRecordingForm1& form = Start();
    form.ShowSettingsPage(pgSystem);
    ClickTab(form.Page(pgSystem), tabCommands);
    winlib::TListView& list = form.ListView(TListId::Commands);
    TProjectList& controls = form.ProjectList(TListId::Commands);
    list.Add({"a.exe", {"", "Normal", "Before Installation", "No", "All"}});
    list.Add({"b.exe", {"", "Normal", "After Installation", "No", "All"}});
    AppState().ProjectModified = false;

    Click(controls.Add);  // no item dialog yet
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(AppState().ProjectModified);

    ClickRow(list, 1);
    EXPECT_TRUE(AppState().ProjectModified);
    ClickArrow(controls.Arrows, true);
    EXPECT_EQ(list.Cell(0, 0), "b.exe");
    EXPECT_TRUE(list.Selected(0));
}
