// The setup's one window. Start-up fills its controls; the wizard lays them out
// and shows its pages. Created hidden; start-up runs after creation, outside the
// window procedure, so that boxes, pumping and ending the process never happen
// inside a message handler.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "runtime/SetupState.h"
#include "winlib/Controls.h"

// The installing page's progress bar (msctls_progress32, 0 to 100).
class TProgressBar : public winlib::TControl {
public:
    using TControl::TControl;
    void SetPosition(int position) const { ::SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }
    int Position() const { return static_cast<int>(::SendMessageA(hwnd_, PBM_GETPOS, 0, 0)); }
};

class TForm1 : public IWizardFields {
public:
    TForm1() = default;
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Makes the hidden window (client 500 x 362, centred) and its controls.
    // False when the system refuses a window (GetLastError tells why).
    bool Create(HINSTANCE instance);
    HWND Handle() const { return hwnd_; }

    // The start-up; returns only when the wizard is to be shown.
    void FormCreate();
    // Until the wizard exists: the window is shown; closing it ends the message loop.
    void ShowWizard();

    // Decides a close request. While the installation runs (page 9) it asks
    // [Messages] 1; Yes sets CancelRequested and the window stays, because the
    // run ends the setup at its next test of the flag. Other pages close.
    bool FormCloseQuery();

    std::string Caption() const;
    void SetCaption(const std::string& caption) const;

    // IWizardFields: what placeholders read at each expansion.
    std::string InstallDir() const override { return Edit1.Text(); }
    std::string ProgramGroup() const override { return ComboBox1.Text(); }
    std::string UserName() const override { return EUser.Text(); }
    std::string UserCompany() const override { return ECompany.Text(); }
    std::string CustomUserInfo() const override { return ECustomInfo.Text(); }
    std::string Language() const override { return ComboLng.Text(); }

    winlib::TImage Image1;   // the large wizard picture
    winlib::TImage Image2;   // the header picture
    winlib::TEdit EUser, ECompany, ECustomInfo;
    winlib::TEdit Edit1;     // destination folder
    winlib::TButton Button4; // its Browse button
    winlib::TComboBox ComboLng;   // languages
    winlib::TComboBox ComboBox1;  // Start-menu folder
    winlib::TCheckBox CheckBox2;  // "Don't create a Start Menu folder"
    winlib::TCheckBox CheckDesktop, CheckQuick, CheckAssociate;
    winlib::TControl LTask;       // installing page: the task
    winlib::TControl LFile;       // ... the current item
    TProgressBar ProgressBar1;    // ... and the progress, 0 to 100

private:
    bool CreateControls(HINSTANCE instance);
    HWND hwnd_ = nullptr;
};
