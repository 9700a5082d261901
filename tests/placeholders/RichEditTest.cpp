// The rich-text control's links: a left click hands the link's text to the opener.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/SharedRoutines.h"
#include "winlib/RichEdit.h"

namespace {

winlib::TRichEdit* notifyTarget = nullptr;
std::vector<std::string> opened;
int passedOn = 0;  // notifications the control did not claim

void RecordOpen(const std::string& target) { opened.push_back(target); }

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY && notifyTarget != nullptr) {
        LRESULT result = -1;
        if (notifyTarget->HandleNotify(lParam, result))
            return result;
        ++passedOn;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KinRichEditTestParent";
        RegisterClassA(&windowClass);  // a second registration fails harmlessly
        parent = CreateWindowExA(0, "KinRichEditTestParent", "test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        rich.Create(parent, 101, WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, WS_EX_CLIENTEDGE, 0, 0, 380, 260);
        rich.SetLinkOpener([](const std::string& link) { OpenDocument(link); });
        notifyTarget = &rich;
        previousOpener = SetDocumentOpener(&RecordOpen);
        opened.clear();
        passedOn = 0;
    }
    void TearDown() override
    {
        SetDocumentOpener(previousOpener);
        notifyTarget = nullptr;
        DestroyWindow(parent);
    }
    // What the control sends its parent for a mouse message over the characters [from, to).
    LRESULT SendLink(UINT mouseMessage, LONG from, LONG to, UINT code = EN_LINK)
    {
        ENLINK link = {};
        link.nmhdr.hwndFrom = rich.Handle();
        link.nmhdr.idFrom = 101;
        link.nmhdr.code = code;
        link.msg = mouseMessage;
        link.chrg.cpMin = from;
        link.chrg.cpMax = to;
        return SendMessageA(parent, WM_NOTIFY, 101, reinterpret_cast<LPARAM>(&link));
    }

    HWND parent = nullptr;
    winlib::TRichEdit rich;
    TDocumentOpener previousOpener = nullptr;
};

TEST_F(RichEditTest, CreationSwitchesOnUrlDetectionAndLinkNotifications)
{
    ASSERT_NE(rich.Handle(), nullptr);
    char className[64] = {};
    GetClassNameA(rich.Handle(), className, sizeof className);
    EXPECT_STREQ(className, "RichEdit20A");
    EXPECT_TRUE(SendMessageA(rich.Handle(), EM_GETEVENTMASK, 0, 0) & ENM_LINK);
    EXPECT_TRUE(SendMessageA(rich.Handle(), EM_GETAUTOURLDETECT, 0, 0));
}

TEST_F(RichEditTest, LeftClickOnALinkOpensExactlyItsText)
{
    const std::string url = "http://example.invalid/x";
    rich.SetText("Licence: " + url + " and more text");
    LONG from = 9, to = from + static_cast<LONG>(url.size());
    EXPECT_EQ(SendLink(WM_LBUTTONDOWN, from, to), 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], url);
    EXPECT_EQ(passedOn, 0);
}

TEST_F(RichEditTest, OtherMouseMessagesAndEmptyRangesOpenNothing)
{
    rich.SetText("see http://example.invalid/x");
    EXPECT_EQ(SendLink(WM_RBUTTONDOWN, 4, 28), 0);
    EXPECT_EQ(SendLink(WM_MOUSEMOVE, 4, 28), 0);
    EXPECT_EQ(SendLink(WM_LBUTTONUP, 4, 28), 0);
    EXPECT_EQ(SendLink(WM_LBUTTONDOWN, 4, 4), 0);
    EXPECT_EQ(SendLink(WM_LBUTTONDOWN, -1, 5), 0);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(passedOn, 0);
}

TEST_F(RichEditTest, OtherNotificationsArePassedOn)
{
    SendLink(WM_LBUTTONDOWN, 0, 3, EN_SELCHANGE);
    EXPECT_EQ(passedOn, 1);
    EXPECT_TRUE(opened.empty());
}

}  // namespace
