// "Building Setup": the modal window in which the package builder runs. Its
// activation starts the build; Stop asks, then sets the flag the builder polls.
#pragma once
#include <string>

#include "authoring/Builder.h"
#include "winlib/Controls.h"
#include "winlib/Form.h"

// The common controls' progress bar, 0..100.
class TProgressBar : public winlib::TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const winlib::TBounds& bounds);
    void SetPosition(int percent) const;
    int Position() const;
};

class TForm5 : public winlib::TForm, public IBuildReporter {
public:
    TForm5() = default;
    ~TForm5() override;
    void CreateForm(HWND owner);

    winlib::TLabel Label1;
    TProgressBar ProgressBar1;
    winlib::TButton Button1;  // "Test"
    winlib::TButton Button2;  // "Cancel", "Stop" while building, "Close" when done
    winlib::TButton Button3;  // "Open Folder"

    void BuildSetup();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    bool Building() const { return building_; }
    bool CancelRequested() const { return cancel_; }

    // IBuildReporter
    void Status(const std::string& text) override { Label1.SetText(text); }
    void Progress(int percent) override { ProgressBar1.SetPosition(percent); }
    void Message(const std::string& text) override;
    bool PumpAndPoll() override;

protected:
    void OnCreate() override;
    void OnActivate() override;
    bool OnCloseQuery() override { return !building_; }

private:
    void AbortBuild();
    std::string target_;
    bool building_ = false;
    bool cancel_ = false;
};

// A command-line build: boxes go through the message function (whose sink writes
// them to stderr); nothing is pumped and nothing stops the build.
class TSilentBuildReporter : public IBuildReporter {
public:
    void Status(const std::string&) override {}
    void Progress(int) override {}
    void Message(const std::string& text) override;
    bool PumpAndPoll() override { return false; }
};

// Shows a file in its folder: Explorer with the file selected when it exists,
// else the folder when that exists, else nothing.
void ShowInFolder(const std::string& path, HWND owner);

extern TForm5* Form5;
