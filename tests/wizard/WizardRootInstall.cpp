// A drive root chosen with Browse in drive-only mode, installed into by the real
// install run. Run by wizard_root_e2e.sh, which maps the scratch drive named by
// KZ_SCRATCH_DRIVE to an empty folder and checks the result and the uninstall
// with host tools; without that drive these tests fail.
#include "tests/wizard/WizardFixture.h"

#include <cstdlib>

using namespace wizard_test;
using winlib::testing::Click;
using winlib::testing::TDialogResponder;
using winlib::testing::TExpectBoxes;

namespace {

const char ProductGuid[] = "{6B1D0F7E-3C2A-4E55-9A10-0000C0FFEE02}";

class WizardRootRun : public WizardRun {
protected:
    void SetUp() override
    {
        WizardRun::SetUp();
        const char* letter = std::getenv("KZ_SCRATCH_DRIVE");
        ASSERT_TRUE(letter && *letter) << "KZ_SCRATCH_DRIVE names no mapped drive";
        root_ = std::string(1, *letter) + ":\\";
        ASSERT_TRUE(winlib::DirectoryExists(root_)) << root_;
        WizardSeams().InstallRun = nullptr;  // the real install run
    }

    // Page 6 of a drive-only setup, the drive root picked with Browse.
    void BrowseToTheRoot()
    {
        Files = {{"<InstallDir>\\a.txt", "alpha\r\n"}};
        ASSERT_EQ(Start(std::string("DialogDestinationFolder=1\r\nDialogReady=1\r\nSelectFolderMode=2\r\n"
                                    "InstallationPath=C:\\kzt-root\\App\r\nInstallLevel=1\r\nUninstall=1\r\n"
                                    "ShowAddRemove=1\r\nGUID=") +
                            ProductGuid + "\r\n",
                        {"English"}, {{"QZUninstall.exe", ReadWholeFile(UNINSTALLER)}}),
                  -1);
        ASSERT_EQ(Page(), wpDestination);
        TDialogResponder dialogs;
        dialogs.Choose({root_ + "Apps"});
        Click(form_.Button4);
        EXPECT_EQ(form_.Edit1.Text(), root_);
    }

    std::string root_;
};

// Before the install: the root is still empty.
TEST_F(WizardRootRun, ARootHoldingAnotherProductsUninstallLogIsRefusedOnPageSix)
{
    const std::string log = root_ + "Uninstall.ini";
    WriteWholeFile(log, "[General]\r\nGUID={00000000-0000-0000-0000-000000000001}\r\n");
    BrowseToTheRoot();
    {
        TExpectBoxes boxes({IDOK});
        Click(form_.BtnNext);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].Text, "Please choose the folder where App will be installed.");
    }
    EXPECT_EQ(Page(), wpDestination);
    EXPECT_EQ(GetFocus(), form_.Edit1.Handle());
    DeleteFileA(log.c_str());
}

TEST_F(WizardRootRun, DriveOnlyBrowseThenInstallInstallsIntoTheChosenRoot)
{
    BrowseToTheRoot();
    TExpectBoxes none;
    Click(form_.BtnNext);
    ASSERT_EQ(Page(), wpReady);
    Click(form_.BtnNext);
    Pump();
    EXPECT_EQ(fakes.Ends, 1);
    EXPECT_FALSE(::Setup().InstallErrors);
    EXPECT_EQ(ReadWholeFile(root_ + "a.txt"), "alpha\r\n");
}

}  // namespace
