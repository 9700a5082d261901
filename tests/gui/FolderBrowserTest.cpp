// The real shell folder browser as winlib shows it: it opens on the start folder,
// the path option puts the selected folder's path in its status line, and OK
// returns the selection.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "winlib/Dialogs.h"

namespace {

// What the browser shows when it comes up: the text of every static not hidden.
struct TSeen {
    bool Answered = false;
    std::vector<std::string> Statics;
};
TSeen seen;
HHOOK hook = nullptr;

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM)
{
    // The dialog itself is not shown yet at activation: the child's own style says
    // whether it will be.
    bool shown = (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0;
    if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && shown) {
        char text[MAX_PATH + 1] = {};
        GetWindowTextA(child, text, sizeof text);
        seen.Statics.push_back(text);
    }
    return TRUE;
}

// The browser fills its tree, the start selection and the status line while it
// initialises, before it is activated: read them then and press OK.
LRESULT CALLBACK AnswerBrowser(int code, WPARAM wParam, LPARAM lParam)
{
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && !seen.Answered && ClassOf(window) == "#32770") {
        seen.Answered = true;
        EnumChildWindows(window, CollectStatic, 0);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

bool Shows(const std::string& text)
{
    for (const std::string& s : seen.Statics)
        if (lstrcmpiA(s.c_str(), text.c_str()) == 0)
            return true;
    return false;
}

// Runs the browser from start, answered with OK; the folder it returned in folder.
bool BrowseAndAccept(const std::string& start, bool showPath, std::string& folder)
{
    seen = TSeen();
    hook = SetWindowsHookExA(WH_CBT, AnswerBrowser, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook, nullptr);
    folder = start;
    winlib::TBrowseOptions options;
    options.ShowPath = showPath;
    bool chosen = winlib::BrowseForFolder(nullptr, "Choose the destination folder:", folder, options);
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(seen.Answered);
    return chosen;
}

std::string WindowsFolder()
{
    char path[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(path, sizeof path);
    return path;
}

TEST(FolderBrowser, WithThePathItOpensOnTheStartFolderAndShowsItsPath)
{
    std::string folder;
    ASSERT_TRUE(BrowseAndAccept(WindowsFolder(), true, folder));
    EXPECT_EQ(lstrcmpiA(folder.c_str(), WindowsFolder().c_str()), 0) << folder;
    EXPECT_TRUE(Shows(WindowsFolder())) << "status line not among the statics";
    EXPECT_TRUE(Shows("Choose the destination folder:"));
}

TEST(FolderBrowser, PlainItOpensOnTheStartFolderWithoutAStatusLine)
{
    std::string folder;
    ASSERT_TRUE(BrowseAndAccept(WindowsFolder(), false, folder));
    EXPECT_EQ(lstrcmpiA(folder.c_str(), WindowsFolder().c_str()), 0) << folder;
    EXPECT_FALSE(Shows(WindowsFolder()));
}

}  // namespace
