// Pictures of every tab of the settings pages at the window's usual size, for a
// person to look at: each control with its caption, nothing overlapping or cut.
#include <string>

#include "MainWindowFixture.h"
#include "winlib/Application.h"
#include "winlib/testing/TestApi.h"

class SettingsScreenshots : public MainWindowTest {};

TEST_F(SettingsScreenshots, EveryTabOfTheFourPagesIsWrittenAsABitmap)
{
    TForm1& f = Start();
    ::SetWindowPos(f.Handle(), HWND_TOP, 0, 0, 1000, 700, SWP_SHOWWINDOW);
    const char* names[] = {"", "general", "installation", "dialogs", "system", "register"};
    ::CreateDirectoryA(KIN_SCREENSHOT_DIR, nullptr);
    auto shoot = [&](int page, int tab, const std::string& suffix) {
        f.ShowSettingsPage(page);
        f.Page(page).SetActivePage(tab);
        ::RedrawWindow(f.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        winlib::ProcessMessages();
        std::string path =
            std::string(KIN_SCREENSHOT_DIR) + "\\" + names[page] + "-" + std::to_string(tab) + suffix + ".bmp";
        EXPECT_TRUE(winlib::testing::WriteWindowPicture(f.Handle(), path)) << path;
    };
    for (int page : {pgGeneral, pgInstallation, pgSystem, pgRegister})
        for (int tab = 0; tab < f.Page(page).PageCount(); ++tab)
            shoot(page, tab, "");
    // The controls that only the other mode or a checked box shows or enables.
    f.ComboInstallMode.SetItemIndex(1);
    f.ApplyInstallMode(1);
    f.CheckVersions.SetChecked(true);
    shoot(pgInstallation, tabParameters, "-upgrade");
    f.CheckUninstaller.SetChecked(true);
    f.CheckUninstallURL.SetChecked(true);
    shoot(pgInstallation, tabUninstallation, "-on");
    f.CheckUpdater.SetChecked(true);
    f.CheckAutoUpdate.SetChecked(true);
    shoot(pgInstallation, tabUpdate, "-on");
}
