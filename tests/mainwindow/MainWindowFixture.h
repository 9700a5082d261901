// A main window with recording stand-ins, its Options dialog, and a registry
// home of its own for each test.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "authoring/MainWindow.h"
#include "authoring/OptionsDialog.h"
#include "winlib/Path.h"
#include "winlib/Registry.h"

class TRecordingForm1 : public TForm1 {
public:
    std::vector<std::string> Loaded;
    int NewProjects = 0;
    bool LoadResult = false;
    bool ValidResult = false;
    int BuildResult = 0;

    bool LoadProject(const std::string& path, bool /*ask*/) override
    {
        Loaded.push_back(path);
        if (LoadResult)
            AppState().ProjectFileName = path;
        return LoadResult;
    }
    void NewProject() override
    {
        ++NewProjects;
        TForm1::NewProject();
    }
    bool ValidateProject() override { return ValidResult; }
    int BuildSetup() override { return BuildResult; }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_ = std::string("Software\\KinTests\\") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
        RegistryHome().Base = base_;
        AppState() = TAppState{};
        Parameters().clear();
    }
    // Forms and state gone; the registry and files stay.
    void ResetForms()
    {
        form1_.reset();
        form15_.reset();
        reg_.reset();
        Form1 = nullptr;
        Form15 = nullptr;
        AppState() = TAppState{};
    }
    // Also the registry home.
    void Reset()
    {
        ResetForms();
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    }
    void TearDown() override
    {
        Reset();
        for (const std::string& file : files_)
            DeleteFileA(file.c_str());
    }

    // The window as process start makes it, not shown yet.
    TRecordingForm1& Make(std::vector<std::string> params = {})
    {
        Parameters() = std::move(params);
        form15_ = std::make_unique<TForm15>();
        form15_->CreateForm(nullptr);
        Form15 = form15_.get();
        form1_ = std::make_unique<TRecordingForm1>();
        Form1 = form1_.get();
        created_ = form1_->CreateForm();
        form1_->SetMainForm(false);  // tests end it themselves, not the program's loop
        return *form1_;
    }
    TRecordingForm1& Start(std::vector<std::string> params = {})
    {
        Make(std::move(params)).ShowMain();
        return *form1_;
    }
    // The window's destruction writes the preferences.
    void Close() { form1_->Destroy(); }

    winlib::TRegistry& Settings(bool create = true)
    {
        reg_ = std::make_unique<winlib::TRegistry>(HKEY_CURRENT_USER, winlib::RegView::View64);
        EXPECT_EQ(reg_->OpenKey(RegistryHome().Settings(), create), ERROR_SUCCESS);
        return *reg_;
    }
    winlib::TRegistry& Recent()
    {
        reg_ = std::make_unique<winlib::TRegistry>(HKEY_CURRENT_USER, winlib::RegView::View64);
        EXPECT_EQ(reg_->OpenKey(RegistryHome().Recent(), true), ERROR_SUCCESS);
        return *reg_;
    }
    std::string MakeFile(const std::string& name)
    {
        std::string path = winlib::GetTempDir() + "\\" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
        files_.push_back(path);
        return path;
    }

    std::string base_;
    std::unique_ptr<TForm15> form15_;
    std::unique_ptr<TRecordingForm1> form1_;
    std::unique_ptr<winlib::TRegistry> reg_;
    std::vector<std::string> files_;
    bool created_ = false;
};
