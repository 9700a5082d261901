// Pictures of every tab of the settings pages at the window's usual size, for a
// person to look at: each control with its caption, nothing overlapping or cut.
#include <string>

#include "MainWindowFixture.h"
#include "winlib/Application.h"

namespace {

// A 24-bit bottom-up BMP of the window as the screen shows it.
bool WriteWindowBitmap(HWND window, const std::string& path)
{
    RECT r = {};
    ::GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    bool copied = ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
    ::GdiFlush();
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    bool written = false;
    HANDLE out = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (copied && out != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written = ::WriteFile(out, &file, sizeof file, &done, nullptr) &&
                  ::WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) &&
                  ::WriteFile(out, bits, imageSize, &done, nullptr);
    }
    if (out != INVALID_HANDLE_VALUE)
        ::CloseHandle(out);
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return written;
}

}  // namespace

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
        EXPECT_TRUE(WriteWindowBitmap(f.Handle(), path)) << path;
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
