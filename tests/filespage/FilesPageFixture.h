// A started main window on its files page, a file-properties dialog double and a
// folder of real files under the temp folder for each test.
#pragma once
#include <functional>
#include <map>
#include <string>

#include "MainWindowFixture.h"
#include "authoring/FilesPage.h"
#include "winlib/testing/TestApi.h"

// An item dialog that keeps its fields in maps. Like the real file-properties
// dialog, its activation resets destination, If File Exists and the check box
// unless it is shown to edit (ResetOnShow). Execute records what it showed, then
// the test's Answer may change fields and decides OK.
class TFakeItemDialog : public IItemDialog {
public:
    bool ResetOnShow = true;
    std::function<bool(TFakeItemDialog&)> Answer = [](TFakeItemDialog&) { return true; };
    std::map<std::string, std::string> Texts;
    std::map<std::string, bool> Checks, Disabled;
    std::string Caption;
    struct TShown {
        std::string Caption, FileName;
        bool FileNameEnabled = true;
    };
    std::vector<TShown> Shown;

    void SetCaption(const std::string& caption, TMode) override { Caption = caption; }
    std::string FieldText(const std::string& label) const override { return Value(label); }
    void SetFieldText(const std::string& label, const std::string& text) override { Texts[label] = text; }
    bool FieldChecked(const std::string& label) const override { return Checks.count(label) && Checks.at(label); }
    void SetFieldChecked(const std::string& label, bool on) override { Checks[label] = on; }
    std::string FieldChoice(const std::string& label) const override { return Value(label); }
    bool ChooseFieldItem(const std::string& label, const std::string& text) override
    {
        Texts[label] = text;
        return true;
    }
    void EnableField(const std::string& label, bool on) override { Disabled[label] = !on; }
    bool Execute() override
    {
        if (ResetOnShow && Caption != "Edit Selected Item(s)") {
            Texts[FileField::Destination] = "<InstallDir>";
            Texts[FileField::IfExists] = "Overwrite";
            Checks[FileField::DoNotRemove] = false;
        }
        Shown.push_back({Caption, Value(FileField::FileName), !Disabled[FileField::FileName]});
        return Answer(*this);
    }

private:
    std::string Value(const std::string& label) const { return Texts.count(label) ? Texts.at(label) : ""; }
};

class FilesPageTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        root_ = winlib::GetTempDir() + "\\FilesPage " + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        winlib::DeleteTree(root_);
        winlib::ForceDirectories(root_);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        EXPECT_TRUE(winlib::DeleteTree(root_));
    }

    // The window shown on the Installation page, tab, with the dialog double bound.
    TRecordingForm1& Open(int tab)
    {
        TRecordingForm1& form = Start();
        form.FileItemDialog = &dialog_;
        form.ShowSettingsPage(pgInstallation);
        winlib::testing::ClickTab(form.Page(pgInstallation), tab);
        return form;
    }
    // A file of size bytes at root\relative (folders made); its full path.
    std::string Put(const std::string& relative, size_t size = 0)
    {
        std::string path = root_ + "\\" + relative;
        winlib::ForceDirectories(winlib::ExtractFileDir(path));
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        std::string bytes(size, 'x');
        DWORD written = 0;
        if (size > 0) {
            EXPECT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(size), &written, nullptr));
        }
        CloseHandle(h);
        return path;
    }
    std::string Dir(const std::string& relative)
    {
        std::string path = root_ + "\\" + relative;
        winlib::ForceDirectories(path);
        return path;
    }
    static std::vector<std::string> InstallTo(const winlib::TListView& list)
    {
        std::vector<std::string> cells;
        for (int i = 0; i < list.Count(); ++i)
            cells.push_back(list.Cell(i, 1));
        return cells;
    }

    std::string root_;
    TFakeItemDialog dialog_;
};
