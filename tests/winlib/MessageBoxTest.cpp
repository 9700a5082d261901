#include <gtest/gtest.h>

#include <windows.h>

#include "winlib/MessageBox.h"

using winlib::ShowMessageBox;
using winlib::TBoxResponder;

namespace {

TEST(MessageBoxes, ScriptedAnswersComeInOrderWithCaptionTextAndFlagsRecorded)
{
    TBoxResponder responder({IDNO, IDYES, IDRETRY});
    EXPECT_EQ(ShowMessageBox(nullptr, "Replace the file?", "First", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(ShowMessageBox(nullptr, "Save changes?\r\nSecond line", "Second", MB_YESNOCANCEL | MB_DEFBUTTON3), IDYES);
    EXPECT_EQ(ShowMessageBox(nullptr, "Disk busy.", "Third", MB_RETRYCANCEL | MB_ICONERROR), IDRETRY);

    const auto& boxes = responder.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].Caption, "First");
    EXPECT_EQ(boxes[0].Text, "Replace the file?");
    EXPECT_EQ(boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(boxes[0].Answer, IDNO);
    EXPECT_EQ(boxes[1].Text, "Save changes?\r\nSecond line");
    EXPECT_EQ(boxes[1].Flags, static_cast<UINT>(MB_YESNOCANCEL | MB_DEFBUTTON3));
    EXPECT_EQ(boxes[1].Answer, IDYES);
    EXPECT_EQ(boxes[2].Caption, "Third");
    EXPECT_EQ(boxes[2].Answer, IDRETRY);
    for (const auto& box : boxes)
        EXPECT_TRUE(box.Scripted);
    EXPECT_EQ(responder.UnscriptedCount(), 0);
}

TEST(MessageBoxes, BoxesBeyondTheScriptGetCancelNoOrOkAndAreRecordedAsUnscripted)
{
    TBoxResponder responder({IDYES});
    EXPECT_EQ(ShowMessageBox(nullptr, "one", "c", MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(ShowMessageBox(nullptr, "two", "c", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(ShowMessageBox(nullptr, "three", "c", MB_YESNO), IDNO);
    EXPECT_EQ(ShowMessageBox(nullptr, "four", "c", MB_OK), IDOK);
    ASSERT_EQ(responder.Boxes().size(), 4u);
    EXPECT_TRUE(responder.Boxes()[0].Scripted);
    EXPECT_FALSE(responder.Boxes()[1].Scripted);
    EXPECT_EQ(responder.Boxes()[3].Text, "four");
    EXPECT_EQ(responder.UnscriptedCount(), 3);
}

TEST(MessageBoxes, AScriptedButtonTheBoxLacksCountsAsUnscripted)
{
    TBoxResponder responder({IDYES, IDOK});
    EXPECT_EQ(ShowMessageBox(nullptr, "Continue?", "c", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(ShowMessageBox(nullptr, "Done.", "c", MB_OK), IDOK);
    ASSERT_EQ(responder.Boxes().size(), 2u);
    EXPECT_FALSE(responder.Boxes()[0].Scripted);
    EXPECT_TRUE(responder.Boxes()[1].Scripted);
}

TEST(MessageBoxes, BoxOwnedByAWindowIsAnsweredAndTheOwnerKeepsWorking)
{
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr) << "no desktop: is DISPLAY set?";
    {
        TBoxResponder responder({IDOK, IDOK});
        EXPECT_EQ(ShowMessageBox(owner, "a", "c", MB_OK), IDOK);
        EXPECT_EQ(ShowMessageBox(owner, "b", "c", MB_OKCANCEL), IDOK);
        EXPECT_EQ(responder.UnscriptedCount(), 0);
    }
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(MessageBoxes, InnerResponderAnswersWhileItLivesThenTheOuterOneAgain)
{
    TBoxResponder outer({IDNO, IDNO});
    {
        TBoxResponder inner({IDYES});
        EXPECT_EQ(ShowMessageBox(nullptr, "inner", "c", MB_YESNO), IDYES);
    }
    EXPECT_EQ(ShowMessageBox(nullptr, "outer", "c", MB_YESNO), IDNO);
    ASSERT_EQ(outer.Boxes().size(), 1u);
    EXPECT_EQ(outer.Boxes()[0].Text, "outer");
}

}  // namespace
