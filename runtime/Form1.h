// The setup's one window. Start-up fills its controls; the wizard (Wizard.cpp)
// shows its pages; the language (Language.cpp) puts its texts on it. Created
// hidden; start-up runs after creation, outside the window procedure, so that
// boxes, pumping and ending the process never happen inside a message handler.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "runtime/SetupState.h"
#include "winlib/Controls.h"
#include "winlib/RichEdit.h"

// The installing page's progress bar (msctls_progress32, 0 to 100).
class TProgressBar : public winlib::TControl {
public:
    using TControl::TControl;
    void SetPosition(int position) const { ::SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }
    int Position() const { return static_cast<int>(::SendMessageA(hwnd_, PBM_GETPOS, 0, 0)); }
};

// A picture a page host paints, held without a window of its own (a window costs
// dozens of server round trips under Wine, and the host paints it anyway). Owns
// its bitmap.
class TWizardPicture {
public:
    TWizardPicture() = default;
    TWizardPicture(const TWizardPicture&) = delete;
    TWizardPicture& operator=(const TWizardPicture&) = delete;
    ~TWizardPicture() { SetBitmap(nullptr); }
    void SetBitmap(HBITMAP bitmap)
    {
        if (bitmap_)
            DeleteObject(bitmap_);
        bitmap_ = bitmap;
    }
    HBITMAP Bitmap() const { return bitmap_; }

private:
    HBITMAP bitmap_ = nullptr;
};

// A page host or content panel: hands its controls' notifications back to them,
// and paints a picture (stretched into PictureRect) on a white or button-face ground.
class TWizardPanel : public winlib::TControl {
public:
    using TControl::TControl;
    // shown: visible within its parent from the start (the header); a page host
    // starts hidden, so that the window's first paint is not a paint of every page.
    void Create(HWND parent, const winlib::TBounds& bounds, bool white = false, bool shown = true);
    void SetPicture(const TWizardPicture* picture, RECT where);
    // The picture stretched into PictureRect's size, made at its first paint: a
    // halftone stretch costs milliseconds under Wine, and the host repaints on
    // every page change. Null when it cannot be made (the paint stretches then).
    HBITMAP Stretched(HDC dc, HBITMAP source, const BITMAP& info);

    TWizardPanel() = default;
    TWizardPanel(const TWizardPanel&) = delete;
    TWizardPanel& operator=(const TWizardPanel&) = delete;
    ~TWizardPanel();

    const TWizardPicture* Picture = nullptr;
    RECT PictureRect = {};
    bool White = false;

private:
    void DropStretched();
    HBITMAP stretched_ = nullptr;
    HBITMAP stretchedFrom_ = nullptr;  // the picture it was made of
};

// A word-wrapped label whose ground is whatever lies beneath it (a picture). A
// new text repaints that ground first, so no trace of the old text stays.
class TWizardLabel : public winlib::TControl {
public:
    using TControl::TControl;
    // accessKey: an "&" underlines the next letter (a field's caption), else it shows.
    void Create(HWND parent, const winlib::TBounds& bounds, bool transparent, bool accessKey = false);
    void SetCaption(const std::string& text) const;
    HBRUSH ReflectCtlColor(HDC dc) override;

private:
    bool transparent_ = false;
};

// The finished page's check boxes sit on the picture's white side.
class TWhiteCheckBox : public winlib::TCheckBox {
public:
    using TCheckBox::TCheckBox;
    HBRUSH ReflectCtlColor(HDC dc) override;
};

// A radio button on the finished page's white ground; OnClick runs on a user's click.
class TRadioButton : public winlib::TControl {
public:
    using TControl::TControl;
    void Create(HWND parent, int id, const winlib::TBounds& bounds, bool firstOfGroup);
    bool Checked() const { return ::SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool on) const { ::SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    void Click() const { ::SendMessageA(hwnd_, BM_CLICK, 0, 0); }
    winlib::TNotifyEvent OnClick;
    bool ReflectCommand(WORD code, WORD id) override;
    HBRUSH ReflectCtlColor(HDC dc) override;
};

// The restart choice: a frame with two choices, the first preselected.
struct TRadioGroup {
    winlib::TGroupBox Frame;
    TRadioButton Choice[2];
    bool Visible() const { return Frame.Visible(); }
    void Show(bool on) const;
    int ItemIndex() const { return Choice[0].Checked() ? 0 : Choice[1].Checked() ? 1 : -1; }
};

// Face, sizes and character set of the window's fonts.
struct TFormFonts {
    std::string Face = "Tahoma";
    int TextSize = 8;     // window font and Text1
    int HeaderSize = 10;  // Label1
    int Charset = DEFAULT_CHARSET;
};

class TForm1 : public IWizardFields {
public:
    TForm1() = default;
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Makes the hidden window (client 500 x 362, centred) and the controls of the
    // pages the start-up fills; the other pages' controls come with their first
    // show (the fields among them keep the start-up's values without a window).
    // False when the system refuses a window (GetLastError tells why).
    // silent: the run will never show a page, so no window is made at all (Handle()
    // is null: boxes have no owner); the fields whose values the run reads keep
    // them without windows, every other wrapper's calls do nothing.
    bool Create(HINSTANCE instance, bool silent = false);
    HWND Handle() const { return hwnd_; }
    // Made for a silent run: the window, pages, pictures and fonts do not exist.
    bool Silent() const { return silent_; }

    // The start-up; returns only when the wizard is to be shown.
    void FormCreate();
    // Shows the window; its first activation (or the start message posted here,
    // whichever comes first) shows the first page.
    void ShowWizard();
    // A task box of the Start-menu page, made when first asked for (see Form1.cpp).
    const winlib::TCheckBox& MakeStartupBox(winlib::TCheckBox& box);

    std::string Caption() const;
    void SetCaption(const std::string& caption) const;
    const TFormFonts& Fonts() const { return fonts_; }
    // Makes the fonts and gives them to every control that uses them.
    void SetFonts(const TFormFonts& fonts);

    // ---- The wizard's events (Wizard.cpp, Language.cpp) ----
    void FormActivate();  // the first one starts the wizard
    void ShowPage(int page, bool forward);
    void BtnNextClick();
    void BtnBackClick();
    void BtnCancelClick();
    void CheckBox1Click();
    void CheckBox2Click();
    void Button4Click();
    void ComboLngChange();
    void FinishControlClick();  // page 10's boxes and choices: focus Next
    // Decides a close request (Cancel, the close box, Alt+F4, Finish); true: the
    // window is to close (the end is posted, never done inside the handler).
    bool FormCloseQuery();
    void RunFinishActions();
    // Enter in ComboLng, Edit1 or ComboBox1.
    void EnterPressed();
    void FocusIfPossible(const winlib::TControl& control) const;
    // RichEdit1 (licence) or RichEdit2 (readme), made on first use.
    const winlib::TRichEdit& RichText(bool licence);
    // Ends the wizard from the main loop (posted by the close and the late cancel).
    void EndWizard();

    // IWizardFields: what placeholders read at each expansion.
    std::string InstallDir() const override { return Edit1.Text(); }
    std::string ProgramGroup() const override { return ComboBox1.Text(); }
    std::string UserName() const override { return EUser.Text(); }
    std::string UserCompany() const override { return ECompany.Text(); }
    std::string CustomUserInfo() const override { return ECustomInfo.Text(); }
    std::string Language() const override { return ComboLng.Text(); }

    // Hosts: Panel1 the full-picture pages, Panel2 the header pages with P1..P7.
    TWizardPanel Panel1, Panel2, Header, P1, P2, P3, P4, P5, P6, P7;
    TWizardPicture Image1;   // the large wizard picture (Panel1 paints it)
    TWizardPicture Image2;   // the header picture (Header paints it)
    TWizardLabel Label1, Label2, Text1, Text2;
    winlib::TButton BtnBack, BtnNext, BtnCancel;
    winlib::TComboBox ComboLng;   // languages (page 1)
    // Page 3: licence.
    TWizardLabel Label4, Label11;
    winlib::TRichEdit RichEdit1;  // made by RichText
    winlib::TCheckBox CheckBox1;
    // Page 4: readme.
    TWizardLabel Label18;
    winlib::TRichEdit RichEdit2;  // made by RichText
    // Page 5: user information.
    TWizardLabel Label5, LUser, LCompany, LCustomInfo;
    winlib::TEdit EUser, ECompany, ECustomInfo;
    // Page 6: destination.
    winlib::TControl Image5;
    TWizardLabel Label10, Label6, LSpaceRequired, LSpaceFree;
    winlib::TGroupBox GroupBox1;
    winlib::TEdit Edit1;     // destination folder
    winlib::TButton Button4; // its Browse button
    // Page 7: Start-menu folder.
    winlib::TControl Image3;
    TWizardLabel Label3;
    winlib::TComboBox ComboBox1;  // Start-menu folder
    winlib::TCheckBox CheckBox2;  // "Don't create a Start Menu folder"
    winlib::TCheckBox CheckDesktop, CheckQuick, CheckAssociate;
    // Page 8: ready.
    TWizardLabel Label7;
    winlib::TControl Memo1;
    // Page 9: installing.
    winlib::TControl LTask;       // the task
    winlib::TControl LFile;       // the current item
    TProgressBar ProgressBar1;    // the progress, 0 to 100
    // Page 10: finished.
    TWhiteCheckBox CheckLaunchFile, CheckViewReadme, CheckCustomRun;
    TRadioGroup RadioGroup1;

private:
    void CreateControls();
    void CreatePanel1();
    void CreateHeaderPages();
    void CreateContentPages();
    void WireEvents();
    // Makes the controls of a page made on its first show (once).
    void MakePage(int page);
    HWND MakePageHost(TWizardPanel& host);
    // The finished page's restart question, or the boxes (launch, readme,
    // custom action) that are to show.
    void MakeFinishChoices(bool restart, const bool (&boxes)[3]);
    void SubclassEnterKey(const winlib::TControl& field);
    void ShowPageContent(int page);
    void ShowLicensePage();
    void ShowUserInfoPage();
    void ShowDestinationPage();
    void ShowReadyPage();
    void ShowInstallingPage();
    void ShowFinishedPage();
    bool UserInfoComplete();
    bool DestinationAccepted();
    bool ProgramGroupAccepted();
    void UpdateFreeSpaceLine(const std::string& folder);
    void AgreedClose();  // posts the end: the window goes from the main loop

    HWND hwnd_ = nullptr;
    bool silent_ = false;
    mutable std::string caption_;  // silent: the title boxes take
    bool pageMade_[wpFinished + 1] = {};  // indexed by page number
    TFormFonts fonts_;
    HFONT windowFont_ = nullptr, headerFont_ = nullptr, titleFont_ = nullptr, cancelFont_ = nullptr;
};

// Replaceable steps of the wizard: the install run, the folder browser's free
// space, the restart and the end of the process. Tests set their own.
struct TWizardSeams {
    void (*InstallRun)(TForm1& form) = nullptr;  // InstallFiles
    long long (*DriveFreeSpace)(char letter) = nullptr;  // GetDriveFreeSpace
    void (*Reboot)() = nullptr;                  // RebootComputer
    void (*EndProcess)(TForm1& form) = nullptr;  // destroys the window: the loop ends
};
TWizardSeams& WizardSeams();
