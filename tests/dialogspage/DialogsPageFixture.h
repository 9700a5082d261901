// The main window opened on a program folder of the test's own, whose Languages
// folder holds English, Deutsch and French language files and two look-alikes.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/mainwindow/MainWindowFixture.h"
#include "winlib/Application.h"
#include "winlib/Path.h"

class DialogsPageTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        folder_ = winlib::GetTempDir() + "\\kin_dialogs_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        winlib::DeleteTree(folder_);
        winlib::ForceDirectories(folder_ + "Languages\\Folder.lng");
        for (const char* name : {"English.lng", "Deutsch.lng", "French.lng", "x.txt", "y.lngx"})
            WriteLanguageFile(name);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        winlib::DeleteTree(folder_);
    }
    void WriteLanguageFile(const std::string& name)
    {
        HANDLE h = CreateFileA((folder_ + "Languages\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                               nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
        CloseHandle(h);
    }
    // The started window on the Dialogs page, with the project unmodified.
    TRecordingForm1& Open(int tab = tabMain)
    {
        TRecordingForm1& f = Make();
        AppState().ProgramFolder = folder_;
        f.ShowMain();
        f.ShowSettingsPage(pgDialogs);
        ShowTab(tab);
        f.ClearModified();
        return f;
    }
    void ShowTab(int tab)
    {
        form1_->Page(pgDialogs).SetActivePage(tab);
        winlib::ProcessMessages();
    }
    static std::vector<std::string> Names(const winlib::TCheckList& list)
    {
        std::vector<std::string> names;
        for (int i = 0; i < list.Count(); ++i)
            names.push_back(list.Cell(i, 0) + (list.Checked(i) ? "+" : ""));
        return names;
    }
    static std::vector<std::string> Rows(const winlib::TListView& list)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < list.Count(); ++i)
            rows.push_back(list.Cell(i, 0) + "=" + list.Cell(i, 1));
        return rows;
    }
    static int IndexOf(const winlib::TCheckList& list, const std::string& name)
    {
        for (int i = 0; i < list.Count(); ++i)
            if (list.Cell(i, 0) == name)
                return i;
        return -1;
    }

    std::string folder_;  // the program folder, with a trailing backslash
};
