// Screenshots of every page of the setup wizard, in English and in German, for a
// person to look at (clipped, overlapping or cut-off texts show only there). The
// wizard runs in-process through the production start-up (WizardSession.h). At
// each step this program writes NN-<lang>-<name>.ready into the output folder and
// waits, pumping messages, for wizard_gallery.sh to answer with the screen as
// NN-<lang>-<name>.png.
//
// With --layout instead of a folder, each step runs the layout check on the
// window instead (tests/layout/layout_check.sh) and no screenshot is taken.
//
// usage: wizard_gallery.exe OUTPUT_FOLDER | --layout
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/layout/GalleryShot.h"
#include "tests/layout/LayoutCheck.h"
#include "tests/wizard/WizardSession.h"
#include "winlib/Application.h"
#include "winlib/OsError.h"

using namespace wizard_test;

namespace {

// ---- Screenshots ----

struct TGallery {
    std::string Folder;  // where the .ready and .png files go
    std::string Tag;     // "en" or "de": the language pass
    int Step = 0;        // NN within the pass
    int Failures = 0;
    bool Stalled = false;  // a screenshot never came: later ones are not waited for
    bool Layout = false;   // --layout: check each step's window, take no screenshot
    std::vector<layout::TFinding> Findings;
};

// Layout findings a person has looked at, with the reason they stay. All three
// come from the full-picture pages' fixed boxes: the title (178,18, 308 x 71) and
// the text (178,88, 308 x 209) keep their places and sizes on every such page,
// and the language list, the finish boxes and the restart group sit on the text
// box's lower part. The shots show each text ending above what lies under it.
const std::vector<layout::TException> kLayoutExceptions = {
    {"/", "Static #0", "overlap", "at (178,88)-(486,89)",
     "the fixed title box's last row is the fixed text box's first; it stays blank unless a title fills the box"},
    {"/finished", "Static #0", "overlap", "with Button #0",
     "the finish boxes and the restart group lie on the fixed text box; the finished texts end above them"},
    {"/language", "Static #0", "overlap", "with ComboBox #0",
     "the language list lies on the fixed text box; the language prompt ends above it"},
};
TGallery gallery;

void Fail(const std::string& what)
{
    ++gallery.Failures;
    std::printf("wizard_gallery: FAIL: %s\n", what.c_str());
    std::fflush(stdout);
}

// Paints what is pending, as a user would see it (nothing is invalidated, so a
// page that forgets to repaint shows so). Wine copies a window's pixels to the X
// server only when its thread waits for messages; Windows paints the screen
// directly. The empty wait makes the X screen show what was painted.
void PaintNow(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    winlib::ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);  // only the flush is wanted
}

// One screenshot of the screen with window on top. Never throws: it also runs
// inside the wizard's handlers and a message box's loop.
void Capture(const std::string& what, HWND window)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++gallery.Step);
    const std::string stem = gallery.Folder + "\\" + number + "-" + gallery.Tag + "-" + what;
    if (gallery.Stalled)
        return;
    PaintNow(window);
    if (gallery.Layout) {
        layout::CheckWindow(window, gallery.Tag + "/" + what, gallery.Findings);
        return;
    }
    switch (layout::RequestShot(stem)) {
    case layout::TShot::Taken: break;
    case layout::TShot::NotAsked:
        Fail("cannot write " + stem + ".ready: " + winlib::SysErrorMessage(GetLastError()));
        break;
    case layout::TShot::NotAnswered:
        gallery.Stalled = true;
        Fail("no " + stem + ".png within 20 s: wizard_gallery.sh answers each .ready file with a screenshot");
        break;
    }
}

// ---- Pictures and documents of the package ----

// A 24-bit bottom-up BMP whose pixels pixel(x, y) gives (0x00RRGGBB).
template <class F>
std::string Bitmap(int width, int height, F pixel)
{
    const int stride = (width * 3 + 3) & ~3;
    const int imageSize = stride * height;
    std::string bytes(54 + static_cast<size_t>(imageSize), '\0');
    auto put = [&](size_t at, unsigned value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(0, 'B' | ('M' << 8), 2);
    put(2, static_cast<unsigned>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<unsigned>(width), 4);
    put(22, static_cast<unsigned>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, static_cast<unsigned>(imageSize), 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            put(54 + static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3, pixel(x, y), 3);
    return bytes;
}

// The large picture fills the page host (500 x 314): art on the left, the white
// ground the texts and finish boxes stand on to the right of x = 164.
std::string WizardPicture()
{
    return Bitmap(500, 314, [](int x, int y) -> unsigned {
        if (x >= 164)
            return 0xFFFFFF;
        const unsigned blue = 0x60 + static_cast<unsigned>(y * 0x90 / 314);
        const int dx = x - 82, dy = y - 110;
        const bool disc = dx * dx + dy * dy < 40 * 40;
        return disc ? 0xF0C040 : (0x10u << 16) | ((blue / 2) << 8) | blue;
    });
}

// The header picture (498 x 55): white, a logo square on the right.
std::string HeaderPicture()
{
    return Bitmap(498, 55, [](int x, int y) -> unsigned {
        const bool logo = x >= 446 && x < 490 && y >= 6 && y < 50;
        return logo ? 0x2060C0 : 0xFFFFFF;
    });
}

// Scratch files holding the pictures while the gallery runs.
struct TPictureFiles {
    std::string Wizard = ScratchName("gallery-wizard") + ".bmp";
    std::string Header = ScratchName("gallery-header") + ".bmp";
    TPictureFiles()
    {
        WriteWholeFile(Wizard, WizardPicture());
        WriteWholeFile(Header, HeaderPicture());
    }
    ~TPictureFiles()
    {
        DeleteFileA(Wizard.c_str());
        DeleteFileA(Header.c_str());
    }
};

const char LicenceEnglish[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs16"
    "{\\b END USER LICENCE AGREEMENT}\\par \\par "
    "This agreement is between you and Tarvex Software. By installing the program you accept its terms.\\par \\par "
    "{\\b 1. Grant.} You may install and use one copy of the program on each computer you own.\\par \\par "
    "{\\b 2. Restrictions.} You may not rent, lease or lend the program, nor reverse engineer it except as the law "
    "expressly permits.\\par \\par "
    "{\\b 3. Warranty.} The program is provided as it is, without warranty of any kind.\\par \\par "
    "{\\b 4. Liability.} In no event shall Tarvex Software be liable for any damages arising from the use of the "
    "program.\\par }";

const char LicenceGerman[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs16"
    "{\\b ENDBENUTZER-LIZENZVERTRAG}\\par \\par "
    "Dieser Vertrag wird zwischen Ihnen und Tarvex Software geschlossen. Mit der Installation des Programms "
    "stimmen Sie seinen Bedingungen zu.\\par \\par "
    "{\\b 1. Nutzungsrecht.} Sie d\\'fcrfen je eine Kopie des Programms auf jedem Ihrer Computer installieren und "
    "verwenden.\\par \\par "
    "{\\b 2. Einschr\\'e4nkungen.} Sie d\\'fcrfen das Programm weder vermieten noch verleihen oder zur\\'fcckentwickeln, "
    "soweit das Gesetz dies nicht ausdr\\'fccklich erlaubt.\\par \\par "
    "{\\b 3. Gew\\'e4hrleistung.} Das Programm wird ohne jede Gew\\'e4hrleistung bereitgestellt.\\par \\par "
    "{\\b 4. Haftung.} Tarvex Software haftet in keinem Fall f\\'fcr Sch\\'e4den aus der Nutzung des Programms.\\par }";

const char ReadmeEnglish[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs16"
    "{\\b What's new in version 2.4}\\par \\par "
    "\\bullet  Faster import of large photo folders\\par "
    "\\bullet  New slide show with music\\par "
    "\\bullet  Albums can be shared by e-mail\\par \\par "
    "Visit https://www.example.com/photostudio for help and updates.\\par }";

const char ReadmeGerman[] =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs16"
    "{\\b Neu in Version 2.4}\\par \\par "
    "\\bullet  Schnellerer Import gro\\'dfer Fotoordner\\par "
    "\\bullet  Neue Diashow mit Musik\\par "
    "\\bullet  Alben lassen sich per E-Mail teilen\\par \\par "
    "Hilfe und Updates finden Sie unter https://www.example.com/photostudio.\\par }";

std::map<std::string, std::string> Documents()
{
    return {{"LEnglish.rtf", LicenceEnglish},
            {"LDeutsch.rtf", LicenceGerman},
            {"L(Default).rtf", LicenceEnglish},
            {"REnglish.rtf", ReadmeEnglish},
            {"RDeutsch.rtf", ReadmeGerman},
            {"R(Default).rtf", ReadmeEnglish}};
}

// ---- The language passes ----

struct TLanguagePass {
    const char* Tag;
    const char* Name;   // the language file and its ComboLng entry
    const char* Other;  // the language page switches to this one and back
    unsigned Id;
    const char* CustomAction;
};
const TLanguagePass Passes[] = {
    {"en", "English", "Deutsch", 1033, "Open the &online help"},
    {"de", "Deutsch", "English", 1031, "&Online-Hilfe \xF6" "ffnen"},
};

// What every package's script holds: the language, the pictures' program name,
// the folders and the finish page's boxes.
std::string CommonScript(const TLanguagePass& pass)
{
    return std::string("DefaultLanguage=") + pass.Name +
           "\r\nInstallationPath=C:\\Program Files\\<AppName>\r\nProgramGroup=<AppName>\r\n"
           "FilesSize=52428800\r\nLaunchFile=1\r\nLaunchFileChecked=1\r\n"
           "LaunchFileName=<InstallDir>\\photostudio.exe\r\nViewReadme=1\r\nViewReadmeFile=<InstallDir>\\readme.txt\r\n"
           "CustomAction=1\r\nCustomActionName=" + pass.CustomAction +
           "\r\nCustomActionCommand=https://www.example.com/photostudio/help\r\n";
}

// Every page and every optional control of pages 1-8.
std::string AllPagesScript(const TLanguagePass& pass)
{
    return CommonScript(pass) +
           "DialogWelcome=1\r\nDialogLicense=1\r\nDialogReadme=1\r\nDialogUserInfo=1\r\n"
           "DialogDestinationFolder=1\r\nDialogProgramGroup=1\r\nDialogReady=1\r\nDialogFinish=1\r\n"
           "AcceptAgreement=1\r\nInfoUserName=1\r\nInfoUserNameReq=1\r\nInfoCompany=1\r\nInfoCustom=1\r\n"
           "InfoCustomReq=1\r\nInfoCustomName=Serial number\r\n"
           "[Shortcuts]\r\n0=<CommonDesktop>*?Photo Studio*?<InstallDir>\\photostudio.exe*?*?*?\r\n"
           "1=<QuickLaunch>*?Photo Studio*?<InstallDir>\\photostudio.exe*?*?*?\r\n"
           "[Extensions]\r\n0=jpg*?Tarvex.Photo*?<InstallDir>\\photostudio.exe\r\n"
           "1=png*?Tarvex.Photo*?<InstallDir>\\photostudio.exe\r\n"
           "2=tif*?Tarvex.Photo*?<InstallDir>\\photostudio.exe\r\n";
}

// ---- Driving the wizard as a user ----

void RequireReachable(const winlib::TControl& control, const char* what)
{
    if (!IsWindowVisible(control.Handle()) || !IsWindowEnabled(control.Handle()))
        throw std::runtime_error(std::string(what) + " is hidden or disabled: a user could not use it");
}

void Click(const winlib::TControl& button, const char* what)
{
    RequireReachable(button, what);
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
}

void Type(const winlib::TControl& edit, const std::string& text, const char* what)
{
    RequireReachable(edit, what);
    SendMessageA(edit.Handle(), EM_SETSEL, 0, -1);
    SendMessageA(edit.Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void Choose(const winlib::TComboBox& combo, const std::string& item)
{
    RequireReachable(combo, "the language list");
    LRESULT index = SendMessageA(combo.Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(item.c_str()));
    if (index == CB_ERR)
        throw std::runtime_error("the language list has no " + item);
    SendMessageA(combo.Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // CB_SETCURSEL notifies nothing; a user's choice sends CBN_SELCHANGE.
    SendMessageA(GetParent(combo.Handle()), WM_COMMAND, MAKEWPARAM(combo.Id(), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo.Handle()));
}

// One wizard from start-up to its end; the pictures and the program name of the
// gallery's packages.
class TGallerySession : public TWizardSession {
public:
    TGallerySession(const TPictureFiles& pictures, const TLanguagePass& pass)
    {
        WizardPicture = pictures.Wizard;
        HeaderPicture = pictures.Header;
        AppName = "Tarvex Photo Studio";
        AppVersion = "2.4";
        if (!BeginSession())
            throw std::runtime_error("cannot make the wizard window: " + winlib::SysErrorMessage(GetLastError()));
        fakes.LanguageId = pass.Id;
    }
    ~TGallerySession() { EndSession(); }
    TGallerySession(const TGallerySession&) = delete;
    TGallerySession& operator=(const TGallerySession&) = delete;

    TForm1& Form() { return form_; }

    void Open(const std::string& script, const std::vector<std::string>& languages)
    {
        int code = Start(script, languages, Documents());
        if (code != -1)
            throw std::runtime_error("the start-up ended the setup with code " + std::to_string(code));
    }

    void Shot(const std::string& what, int page)
    {
        if (Page() != page)
            throw std::runtime_error(what + ": the wizard shows page " + std::to_string(Page()) + ", not page " +
                                     std::to_string(page));
        Capture(what, form_.Handle());
    }

    void Next(int expectedPage)
    {
        Click(form_.BtnNext, "Next");
        Pump();
        if (Page() != expectedPage)
            throw std::runtime_error("Next led to page " + std::to_string(Page()) + ", not page " +
                                     std::to_string(expectedPage));
    }
};

// ---- The cancel question, shot inside its own modal loop ----

struct TBoxShot {
    std::string What;
    bool Answered = false;
};
TBoxShot boxShot;

BOOL CALLBACK FindShownBox(HWND window, LPARAM found)
{
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A thread timer: the box's modal loop dispatches it while the box is up.
void CALLBACK ShootBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr)
        return;  // not shown yet: the next tick looks again
    KillTimer(nullptr, timer);
    // Wine 8 in a virtual desktop shows a box that lies wholly over the wizard
    // black, the real setup's too (moved partly off the wizard it paints);
    // Windows paints it. The shot shows what Wine shows.
    Capture(boxShot.What, box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
    boxShot.Answered = true;
}

void ShootCancelQuestion(TGallerySession& session)
{
    const int page = session.Page();
    boxShot = TBoxShot{"cancel-question"};
    UINT_PTR timer = SetTimer(nullptr, 0, 50, ShootBox);
    if (timer == 0)
        throw std::runtime_error("SetTimer: " + winlib::SysErrorMessage(GetLastError()));
    Click(session.Form().BtnCancel, "Cancel");  // returns once the box is answered
    KillTimer(nullptr, timer);                  // already gone when the box was shot
    session.Pump();
    if (!boxShot.Answered)
        throw std::runtime_error("Cancel showed no question box");
    if (session.Page() != page)
        throw std::runtime_error("answering No to the cancel question left page " + std::to_string(page));
}

// ---- The walks ----

// The installing page half-way: the fake run shows a task, a file and 50 %.
void ShootMidRun(TForm1& form)
{
    form.LTask.SetText(LanguageText(Lng("Install", 6)));
    form.LFile.SetText("C:\\Program Files\\Tarvex Photo Studio\\plugins\\raw-import.dll");
    form.ProgressBar1.SetPosition(50);
    winlib::ProcessMessages();
    Capture("installing", form.Handle());
}

void WalkAllPages(const TPictureFiles& pictures, const TLanguagePass& pass)
{
    TGallerySession session(pictures, pass);
    TForm1& form = session.Form();
    fakes.DuringInstall = ShootMidRun;
    session.Open(AllPagesScript(pass), {"English", "Deutsch"});
    session.Shot("language", wpLanguage);
    Choose(form.ComboLng, pass.Other);
    session.Shot("language-switched", wpLanguage);
    Choose(form.ComboLng, pass.Name);
    session.Next(wpWelcome);
    session.Shot("welcome", wpWelcome);
    session.Next(wpLicense);
    session.Shot("license", wpLicense);
    Click(form.CheckBox1, "the licence acceptance box");
    session.Next(wpReadme);
    session.Shot("readme", wpReadme);
    session.Next(wpUserInfo);
    Type(form.EUser, "Anna Beispiel", "the user name");
    Type(form.ECompany, "Beispiel Fotografie GmbH", "the company");
    Type(form.ECustomInfo, "PS24-7F3K-Q9ZD-81MX", "the custom field");
    session.Shot("user-information", wpUserInfo);
    session.Next(wpDestination);
    session.Shot("destination", wpDestination);
    ShootCancelQuestion(session);
    session.Next(wpProgramGroup);
    session.Shot("shortcuts", wpProgramGroup);
    session.Next(wpReady);
    session.Shot("ready", wpReady);
    session.Next(wpFinished);  // the installing page is shot inside the run
    if (fakes.InstallRuns != 1)
        throw std::runtime_error("the install run ran " + std::to_string(fakes.InstallRuns) + " times");
    session.Shot("finished", wpFinished);
}

// The licence page when no acceptance box is asked for: the notice and "I Agree".
void ShootLicenceNotice(const TPictureFiles& pictures, const TLanguagePass& pass)
{
    TGallerySession session(pictures, pass);
    session.Open(CommonScript(pass) + "DialogLicense=1\r\nDialogReady=1\r\n", {pass.Name});
    session.Shot("license-notice", wpLicense);
}

// The finished page after a failed run, with a restart, and with both.
void ShootFinishedVariants(const TPictureFiles& pictures, const TLanguagePass& pass)
{
    const struct {
        const char* What;
        bool Errors;
        bool Restart;
    } variants[] = {{"finished-failure", true, false},
                    {"finished-restart", false, true},
                    {"finished-restart-failure", true, true}};
    for (const auto& v : variants) {
        TGallerySession session(pictures, pass);
        fakes.InstallErrors = v.Errors;
        std::string script = CommonScript(pass) + "DialogFinish=1\r\n";
        if (v.Restart)
            script += "RestartComputer=1\r\n";
        session.Open(script, {pass.Name});  // no page before: the run starts at once
        session.Shot(v.What, wpFinished);
    }
}

// Runs one walk; a failure is reported and the gallery goes on with the next.
template <class F>
void Walk(const char* name, F walk)
{
    try {
        walk();
    } catch (const std::exception& e) {
        Fail(gallery.Tag + " " + name + ": " + e.what());
    }
    // The wizard's window ends the setup's loop with WM_QUIT when it goes; the next
    // wizard runs on the same thread, and a WM_QUIT left queued would end its
    // message boxes at once.
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("usage: wizard_gallery.exe OUTPUT_FOLDER | --layout\n");
        return 2;
    }
    gallery.Layout = std::strcmp(argv[1], "--layout") == 0;
    gallery.Folder = argv[1];
    try {
        TPictureFiles pictures;
        for (const TLanguagePass& pass : Passes) {
            gallery.Tag = pass.Tag;
            gallery.Step = 0;
            Walk("all pages", [&] { WalkAllPages(pictures, pass); });
            Walk("licence notice", [&] { ShootLicenceNotice(pictures, pass); });
            Walk("finished variants", [&] { ShootFinishedVariants(pictures, pass); });
        }
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    if (gallery.Layout) {
        int left = layout::ReportFindings("wizard_gallery", gallery.Findings, kLayoutExceptions);
        if (left != 0)
            Fail(std::to_string(left) + " layout finding(s)");
    }
    std::printf("wizard_gallery: %d failure(s)\n", gallery.Failures);
    return gallery.Failures == 0 ? 0 : 1;
}
