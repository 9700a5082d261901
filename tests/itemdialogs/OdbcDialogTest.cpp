// "Create ODBC DSN" over data sources seeded in a test key of HKEY_CURRENT_USER:
// what choosing a data source loads, and the registry rows OK appends.
#include <gtest/gtest.h>

#include <algorithm>

#include "authoring/OdbcDialog.h"
#include "winlib/Registry.h"
#include "winlib/testing/TestApi.h"

using namespace winlib;
using namespace winlib::testing;

namespace {

const std::string kBase = "Software\\KinTests\\ItemDialogsOdbc";

class OdbcDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kBase.c_str());
        TRegistry reg(HKEY_CURRENT_USER, RegView::View64);
        ASSERT_EQ(reg.OpenKey(kBase + "\\ODBC.INI\\ODBC Data Sources", true), ERROR_SUCCESS);
        reg.WriteString("Demo", "SQL Server");
        ASSERT_EQ(reg.OpenKey(kBase + "\\ODBC.INI\\Demo", true), ERROR_SUCCESS);
        reg.WriteString("Server", "srv");
        reg.WriteString("Database", "db");
        reg.WriteInteger("Port", 1433);  // not a string: skipped
        form_.CreateForm(nullptr);
        form_.OdbcKey = kBase + "\\ODBC.INI";
        form_.AddRegistryRow = [this](const TListRow& row) { rows_.push_back(row); };
    }
    void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kBase.c_str()); }

    // Types into a grid cell as a user does: click it, type, Enter.
    void EditCell(int row, int column, const std::string& text)
    {
        form_.StringGrid1.EditCell(row, column);
        ASSERT_NE(form_.StringGrid1.Editor(), nullptr);
        TEdit editor(form_.StringGrid1.Editor());
        Type(editor, text);
        PressKeyInLoop(editor.Handle(), VK_RETURN);
    }

    TForm20 form_;
    std::vector<TListRow> rows_;
    TModalResponder modal_;
};

}  // namespace

TEST_F(OdbcDialog, ChoosingADataSourceLoadsItsDriverAndStringValuesAndADriverChangeKeepsEdits)
{
    TExpectBoxes none;
    modal_.Expect([&](TForm&) {
        ASSERT_EQ(form_.ComboBox1.Count(), 1);
        ChooseItem(form_.ComboBox1, 0);
        EXPECT_EQ(form_.ComboBox2.Text(), "SQL Server");
        ASSERT_EQ(form_.StringGrid1.RowCount(), 2);
        EditCell(0, 1, "edited");
        form_.ComboBox2.Add("Other");
        ChooseItem(form_.ComboBox2, 1);
        EXPECT_EQ(form_.StringGrid1.Cell(0, 1), "edited");
        Click(form_.Button2);
    });
    EXPECT_EQ(form_.ShowModal(), mrCancel);
    EXPECT_TRUE(rows_.empty());
    EXPECT_EQ(form_.StringGrid1.Header(0), "Name");
}

TEST_F(OdbcDialog, OkAppendsTheSourceAndEveryNonEmptyGridRowForTheChosenRoot)
{
    modal_.Expect([&](TForm&) {
        ChooseItem(form_.ComboBox1, 0);
        ChooseItem(form_.ComboBox3, 1);
        ::SendMessageA(form_.Handle(), WM_COMMAND, cmGridAdd, 0);
        EditCell(2, 1, "v");
        ::SendMessageA(form_.Handle(), WM_COMMAND, cmGridAdd, 0);  // both cells empty: no row
        Click(form_.Button1);
    });
    ASSERT_EQ(form_.ShowModal(), mrOk);
    const std::string key = "HKLM\\SOFTWARE\\ODBC\\ODBC.INI\\";
    std::vector<std::vector<std::string>> got;
    for (const TListRow& row : rows_) {
        got.push_back({row.Caption});
        got.back().insert(got.back().end(), row.Texts.begin(), row.Texts.end());
    }
    std::vector<std::vector<std::string>> want = {
        {key + "ODBC Data Sources", "Demo", "REG_SZ", "SQL Server", "Yes", "Yes"},
        {key + "Demo", "Server", "REG_SZ", "srv", "Yes", "Yes"},
        {key + "Demo", "Database", "REG_SZ", "db", "Yes", "Yes"},
        {key + "Demo", "", "REG_SZ", "v", "Yes", "Yes"},
    };
    // The data source's row first; the values in the registry's order (the last row typed in).
    ASSERT_EQ(got.size(), want.size());
    std::sort(got.begin() + 1, got.end() - 1);
    std::sort(want.begin() + 1, want.end() - 1);
    EXPECT_EQ(got, want);
}

TEST_F(OdbcDialog, AnEmptyDataSourceNameIsRefusedAndAddsNothing)
{
    TExpectBoxes boxes({IDOK});
    modal_.Expect([&](TForm& form) {
        TypeInCombo(form_.ComboBox1, "  ");
        Click(form_.Button1);
        EXPECT_EQ(form.ModalResult(), mrNone);
        EXPECT_TRUE(::GetFocus() == form_.ComboBox1.Handle() || ::IsChild(form_.ComboBox1.Handle(), ::GetFocus()));
        Click(form_.Button2);
    });
    EXPECT_EQ(form_.ShowModal(), mrCancel);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "Incorrect data source name.");
    EXPECT_EQ(boxes.Boxes()[0].Icon(), static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(rows_.empty());
}
