// Link labels: the hand cursor over them and the underline only while the mouse
// is over them. The mouse messages are sent straight to the label and no message
// is pumped in between, so where the real pointer is plays no part.
#include <gtest/gtest.h>

#include <memory>

#include "winlib/Application.h"
#include "winlib/Form.h"
#include "winlib/testing/TestApi.h"

namespace {

class TLinkForm : public winlib::TForm {
public:
    TLinkForm() { Create(nullptr, "Link test", {40, 40, 320, 200}); }
    winlib::TLinkLabel Link;
    int Clicks = 0;

protected:
    void OnCreate() override
    {
        Link.Create(Handle(), 10, winlib::TBounds{8, 8, 200, 18}, "www.example.com");
        Link.OnClick = [this] { ++Clicks; };
    }
};

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)); }

LOGFONTA Describe(HFONT font)
{
    LOGFONTA lf = {};
    EXPECT_NE(GetObjectA(font, sizeof lf, &lf), 0);
    return lf;
}

void MouseMove(HWND control) { SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4)); }
void MouseLeave(HWND control) { SendMessageA(control, WM_MOUSELEAVE, 0, 0); }

}  // namespace

TEST(LinkLabel, HoverUnderlinesTheLabelAndShowsTheHandUntilTheMouseLeaves)
{
    TLinkForm form;
    form.Show();
    HWND link = form.Link.Handle();
    HFONT plain = FontOf(link);
    EXPECT_FALSE(form.Link.Hot());
    EXPECT_FALSE(Describe(plain).lfUnderline);

    MouseMove(link);
    EXPECT_TRUE(form.Link.Hot());
    LOGFONTA hot = Describe(FontOf(link));
    EXPECT_TRUE(hot.lfUnderline);
    EXPECT_STREQ(hot.lfFaceName, Describe(plain).lfFaceName);
    EXPECT_EQ(hot.lfHeight, Describe(plain).lfHeight);

    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

    MouseLeave(link);
    EXPECT_FALSE(form.Link.Hot());
    EXPECT_EQ(FontOf(link), plain);

    winlib::testing::ClickLink(form.Link);
    EXPECT_EQ(form.Clicks, 1);
}

TEST(LinkLabel, ANewFontIsTheOneUnderlinedAndComesBackPlain)
{
    LOGFONTA big = Describe(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    big.lfHeight = -20;
    HFONT font = CreateFontIndirectA(&big);
    ASSERT_NE(font, nullptr);
    {
        TLinkForm form;  // goes before the font it is given
        HWND link = form.Link.Handle();
        MouseMove(link);
        SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        LOGFONTA hot = Describe(FontOf(link));
        EXPECT_TRUE(hot.lfUnderline);
        EXPECT_EQ(hot.lfHeight, -20);
        MouseLeave(link);
        EXPECT_EQ(FontOf(link), font);
    }
    DeleteObject(font);
}

TEST(LinkLabel, AHotLabelDestroyedWithItsFormFreesItsUnderlinedFont)
{
    auto form = std::make_unique<TLinkForm>();
    MouseMove(form->Link.Handle());
    ASSERT_TRUE(form->Link.Hot());
    HGDIOBJ underlined = FontOf(form->Link.Handle());
    EXPECT_EQ(GetObjectType(underlined), static_cast<DWORD>(OBJ_FONT));

    form.reset();  // the wrapper goes first, then the window
    winlib::ProcessMessages();
    EXPECT_EQ(GetObjectType(underlined), 0u);
}
