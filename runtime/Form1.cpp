#include "runtime/Form1.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "runtime/SharedRoutines.h"
#include "runtime/Startup.h"
#include "winlib/Application.h"
#include "winlib/OsError.h"
#include "winlib/WindowHook.h"

namespace {

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PanelWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT EnterKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, void* data);

constexpr char WindowClassName[] = "TForm1";
constexpr char PanelClassName[] = "TForm1Panel";
constexpr int ClientWidth = 500;
constexpr int ClientHeight = 362;
constexpr DWORD FormStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Posted by ShowWizard and by the first activation: the first of the two shows
// page 1. The wizard never starts inside WM_ACTIVATE, where an install run's
// pumping would leave the window unpainted.
constexpr UINT WM_WIZARD_START = WM_APP + 1;
// Posted by an agreed close: the window goes from the main loop, never while
// one of its handlers is still on the stack.
constexpr UINT WM_WIZARD_END = WM_APP + 2;

using winlib::TBounds;

TForm1* FormOf(HWND hwnd) { return reinterpret_cast<TForm1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

bool RegisterClass(HINSTANCE instance, const char* name, WNDPROC proc, HBRUSH background)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, name, &wc))
        return true;  // a second window in the same process (tests)
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

HFONT MakeFont(const std::string& face, int points, bool bold, int charset)
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    LOGFONTA lf = {};
    lf.lfHeight = -MulDiv(points, dpi, 72);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(charset);
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

// redraw: the control repaints at once. Not for a window not shown yet: it paints
// when shown, and under Wine each repaint asked for is two server round trips.
void SetFont(HWND control, HFONT font, bool redraw = true)
{
    if (font)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

struct TFontTarget {
    HFONT Font;
    HWND Skip[3];
    bool Redraw;
};

// Every descendant uses the window font except the ones with fonts of their own:
// Win32 has no inheritance, so the font is handed to each.
BOOL CALLBACK GiveWindowFont(HWND child, LPARAM data)
{
    auto* target = reinterpret_cast<TFontTarget*>(data);
    for (HWND skip : target->Skip)
        if (child == skip)
            return TRUE;
    SetFont(child, target->Font, target->Redraw);
    return TRUE;
}

HICON ShellIcon(int index)
{
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), "shell32.dll", static_cast<UINT>(index));
    return reinterpret_cast<UINT_PTR>(icon) > 1 ? icon : LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

HWND MakeChild(const char* className, DWORD style, DWORD exStyle, HWND parent, const TBounds& b)
{
    HWND child = CreateWindowExA(exStyle, className, "", WS_CHILD | style, b.X, b.Y, b.W, b.H, parent, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (!child)
        winlib::RaiseLastOSError(std::string("Cannot create a control of class ") + className);
    return child;
}

// An etched line across the parent at y. The static control sizes itself when it
// is created (a 1-pixel edge on each side of the client it is given, no client
// height), so the line is put back to the exact width it must span.
void MakeSeparator(HWND parent, int y, int width)
{
    HWND line = MakeChild("STATIC", WS_VISIBLE | SS_ETCHEDHORZ, 0, parent, {0, y, width, 2});
    SetWindowPos(line, nullptr, 0, y, width, 2, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// ---- Panels, labels, boxes ----

void TWizardPanel::Create(HWND parent, const TBounds& b, bool white, bool shown)
{
    White = white;
    hwnd_ = MakeChild(PanelClassName, shown ? WS_VISIBLE : 0, WS_EX_CONTROLPARENT, parent, b);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void TWizardPanel::SetPicture(const TWizardPicture* picture, RECT where)
{
    Picture = picture;
    PictureRect = where;
    DropStretched();  // made for another place
}

TWizardPanel::~TWizardPanel() { DropStretched(); }

void TWizardPanel::DropStretched()
{
    if (stretched_)
        DeleteObject(stretched_);
    stretched_ = nullptr;
}

HBITMAP TWizardPanel::Stretched(HDC dc, HBITMAP source, const BITMAP& info)
{
    if (stretched_ && stretchedFrom_ == source)
        return stretched_;
    DropStretched();
    const int width = PictureRect.right - PictureRect.left;
    const int height = PictureRect.bottom - PictureRect.top;
    HDC from = CreateCompatibleDC(dc);
    HDC to = CreateCompatibleDC(dc);
    HBITMAP made = from && to ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (made) {
        HGDIOBJ oldFrom = SelectObject(from, source);
        HGDIOBJ oldTo = SelectObject(to, made);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        if (StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY)) {
            stretched_ = made;
            stretchedFrom_ = source;
        }
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        if (!stretched_)
            DeleteObject(made);
    }
    if (from)
        DeleteDC(from);
    if (to)
        DeleteDC(to);
    return stretched_;
}

void TWizardLabel::Create(HWND parent, const TBounds& bounds, bool transparent, bool accessKey)
{
    transparent_ = transparent;
    CreateWindowed(0, "STATIC", "", WS_VISIBLE | SS_LEFT | (accessKey ? 0 : SS_NOPREFIX), parent, 0, bounds);
}

void TWizardLabel::SetCaption(const std::string& text) const
{
    if (!hwnd_)
        return;  // a silent run's form has no labels (and no ground to repaint)
    SetText(text);
    if (!transparent_)
        return;
    // The label paints only its letters: the ground beneath is repainted first.
    RECT r = {};
    GetWindowRect(hwnd_, &r);
    HWND parent = GetParent(hwnd_);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HBRUSH TWizardLabel::ReflectCtlColor(HDC dc)
{
    if (!transparent_)
        return nullptr;
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

namespace {

HBRUSH WhiteGround(HDC dc)
{
    SetBkColor(dc, RGB(255, 255, 255));
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

}  // namespace

HBRUSH TWhiteCheckBox::ReflectCtlColor(HDC dc) { return WhiteGround(dc); }

HBRUSH TRadioButton::ReflectCtlColor(HDC dc) { return WhiteGround(dc); }

void TRadioButton::Create(HWND parent, int id, const TBounds& bounds, bool firstOfGroup)
{
    CreateWindowed(0, "BUTTON", "", WS_TABSTOP | BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP : 0), parent, id,
                   bounds);
}

bool TRadioButton::ReflectCommand(WORD code, WORD)
{
    if (code != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

void TRadioGroup::Show(bool on) const
{
    Frame.Show(on);
    Choice[0].Show(on);
    Choice[1].Show(on);
}

// ---- The window ----

TForm1::~TForm1()
{
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    for (HFONT font : {windowFont_, headerFont_, titleFont_, cancelFont_})
        if (font)
            DeleteObject(font);
}

bool TForm1::Create(HINSTANCE instance, bool silent)
{
    silent_ = silent;
    // Fields the start-up fills before their page is made keep their values
    // without a window until then (MakePage gives them theirs).
    for (winlib::TControl* field : std::initializer_list<winlib::TControl*>{
             &ComboLng, &EUser, &ECompany, &ECustomInfo, &CheckDesktop, &CheckQuick, &CheckAssociate})
        field->MakeWindowless();
    if (silent_) {
        // Nothing is ever shown, and boxes have no owner to hide behind: the folder
        // and the Start-menu folder, which the run reads too, keep theirs the same
        // way, and the rest stay unmade.
        Edit1.MakeWindowless();
        ComboBox1.MakeWindowless();
        return true;
    }
    winlib::AwaitWarmUp();
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);  // on failure the progress bar's creation below reports it
    if (!RegisterClass(instance, WindowClassName, FormWindowProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) ||
        !RegisterClass(instance, PanelClassName, PanelWindowProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)))
        return false;
    RECT frame = {0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, FormStyle, FALSE, 0);  // on failure the client is merely smaller
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, WindowClassName, "", FormStyle, x, y, width, height, nullptr, nullptr,
                            instance, nullptr);
    if (!hwnd_)
        return false;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    try {
        winlib::TNoCreationFont fontsFromTheStartUp;  // SetFonts gives every control its font
        CreateControls();
    } catch (const winlib::EOSError& e) {
        SetLastError(e.Code());
        return false;
    }
    return true;
}

void TForm1::CreateControls()
{
    MakeSeparator(hwnd_, 314, ClientWidth);
    // Wider than the usual 75: "&Fertig stellen" or "Ich &stimme zu" fill a 75-pixel
    // button to its edges in Tahoma 8.
    BtnBack.Create(hwnd_, 0, {221, 328, 87, 23}, "");
    BtnNext.Create(hwnd_, 0, {308, 328, 87, 23}, "", true);
    BtnCancel.Create(hwnd_, 0, {403, 328, 87, 23}, "");
    CreatePanel1();
    CreateHeaderPages();
    CreateContentPages();
    WireEvents();
    // The fonts come with the start-up (InstallSetupFonts), before any page shows.
}

void TForm1::CreatePanel1()
{
    Panel1.Create(hwnd_, {0, 0, ClientWidth, 314}, false, false);
    Panel1.SetPicture(&Image1, {0, 0, ClientWidth, 314});
    Label1.Create(Panel1.Handle(), {178, 18, 308, 71}, true);
    Label2.Create(Panel1.Handle(), {178, 88, 308, 209}, true);
}

void TForm1::CreateHeaderPages()
{
    Panel2.Create(hwnd_, {0, 0, ClientWidth, 314}, false, false);
    Header.Create(Panel2.Handle(), {0, 0, ClientWidth, 58}, true);
    Header.SetPicture(&Image2, {1, 1, 499, 56});
    Text1.Create(Header.Handle(), {24, 5, 460, 18}, true);
    Text2.Create(Header.Handle(), {40, 26, 393, 30}, true);
    MakeSeparator(Panel2.Handle(), 58, ClientWidth);
    for (TWizardPanel* p : {&P4, &P5, &P7})
        MakePageHost(*p);  // the others' with their pages
}

// A header page's host, hidden, below the header: at most one shows at a time.
HWND TForm1::MakePageHost(TWizardPanel& host)
{
    if (!host.Handle())
        host.Create(Panel2.Handle(), {0, 65, ClientWidth, 240}, false, false);
    return host.Handle();
}

// The pages the start-up fills (destination, Start-menu folder) and the
// installing page are made with the window; the others when first shown.
void TForm1::CreateContentPages()
{
    HWND p = P4.Handle();
    Image5.Attach(MakeChild("STATIC", WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, p, {40, 8, 37, 37}));
    SendMessageA(Image5.Handle(), STM_SETICON, reinterpret_cast<WPARAM>(ShellIcon(3)), 0);
    Label10.Create(p, {96, 10, 361, 39}, false);
    Label6.Create(p, {40, 56, 420, 33}, false);
    GroupBox1.Create(p, 0, {40, 96, 420, 63}, "");
    Edit1.Create(p, 0, {56, 121, 292, 21});
    Button4.Create(p, 0, {360, 120, 87, 23}, "");  // "&Durchsuchen..." needs more than 75
    LSpaceRequired.Create(p, {40, 200, 420, 16}, false);
    LSpaceFree.Create(p, {40, 224, 420, 16}, false);

    p = P5.Handle();
    Image3.Attach(MakeChild("STATIC", WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, p, {40, 8, 45, 39}));
    SendMessageA(Image3.Handle(), STM_SETICON, reinterpret_cast<WPARAM>(ShellIcon(19)), 0);
    Label3.Create(p, {96, 5, 364, 52}, false);
    ComboBox1.Create(p, 0, {40, 64, 420, 21}, true);
    CheckBox2.Create(p, 0, {40, 96, 420, 17}, "");
    // The desktop, Quick Launch and file-type boxes: made by MakeStartupBox.

    p = P7.Handle();
    LTask.Attach(MakeChild("STATIC", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, p, {40, 8, 420, 16}));
    LFile.Attach(MakeChild("STATIC", WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 0, p, {40, 32, 420, 16}));
    ProgressBar1.Attach(MakeChild(PROGRESS_CLASSA, WS_VISIBLE, 0, p, {40, 56, 420, 17}));
}

// Under Wine each control costs dozens of server round trips, so a page that a
// setup may never show (the language, licence, readme, user and ready pages,
// the finish choices) gets its controls, and a header page its host, when it is
// first shown. Each is made in the order of the tab stops, and gets the window
// font.
void TForm1::MakePage(int page)
{
    if (page < 0 || page > wpFinished || pageMade_[page])
        return;
    pageMade_[page] = true;
    winlib::TNoCreationFont windowFontBelow;  // each made control gets the window font below
    HWND p = nullptr;
    std::vector<const winlib::TControl*> made;
    switch (page) {
    case wpLanguage:
        // Below four lines of Label2: the language prompt wraps to two or three.
        ComboLng.Create(Panel1.Handle(), 0, {178, 150, 308, 21});
        SubclassEnterKey(ComboLng);
        made = {&ComboLng};
        break;
    case wpLicense:
        p = MakePageHost(P1);
        Label4.Create(p, {40, 8, 420, 33}, false);
        Label11.Create(p, {40, 213, 420, 26}, false);  // two lines: the German notice wraps
        CheckBox1.Create(p, 0, {40, 220, 420, 17}, "");
        made = {&Label4, &Label11, &CheckBox1};
        break;
    case wpReadme:
        Label18.Create(MakePageHost(P2), {40, 8, 420, 30}, false);
        made = {&Label18};
        break;
    case wpUserInfo:
        p = MakePageHost(P3);
        Label5.Create(p, {40, 8, 420, 30}, false);
        LUser.Create(p, {40, 40, 420, 16}, false, true);
        EUser.Create(p, 0, {40, 56, 420, 21});
        LCompany.Create(p, {40, 88, 420, 16}, false, true);
        ECompany.Create(p, 0, {40, 104, 420, 21});
        LCustomInfo.Create(p, {40, 136, 420, 16}, false, true);
        ECustomInfo.Create(p, 0, {40, 152, 420, 21});
        made = {&Label5, &LUser, &EUser, &LCompany, &ECompany, &LCustomInfo, &ECustomInfo};
        break;
    case wpReady:
        p = MakePageHost(P6);
        Label7.Create(p, {40, 8, 420, 49}, false);
        Memo1.Attach(MakeChild("EDIT",
                               WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                               WS_EX_CLIENTEDGE, p, {40, 64, 420, 169}));
        made = {&Label7, &Memo1};
        break;
    default:
        return;  // made with the window; the finish choices by MakeFinishChoices
    }
    for (const winlib::TControl* control : made)
        SetFont(control->Handle(), windowFont_);
}

// The start-up shows a task box on the Start-menu page only for the shortcuts and
// file types a setup has, and most have none: each is made when the start-up
// first asks for it, below the boxes before it (in the order of the tab stops),
// with the window font. A silent run has no window to make it in.
const winlib::TCheckBox& TForm1::MakeStartupBox(winlib::TCheckBox& box)
{
    if (silent_ || box.Handle())
        return box;
    winlib::TCheckBox* const order[] = {&CheckDesktop, &CheckQuick, &CheckAssociate};
    HWND after = CheckBox2.Handle();  // the last made box before this one
    int slot = 0;
    while (order[slot] != &box) {
        if (order[slot]->Handle())
            after = order[slot]->Handle();
        ++slot;
    }
    winlib::TNoCreationFont windowFontBelow;
    box.Create(P5.Handle(), 0, {40, 144 + 32 * slot, 420, 17}, "");
    SetWindowPos(box.Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetFont(box.Handle(), windowFont_);
    return box;
}

// Each once, when the finished page first asks for it: the restart question,
// or the boxes the settings show (a box never made is neither shown nor ticked).
void TForm1::MakeFinishChoices(bool restart, const bool (&boxes)[3])
{
    HWND p = Panel1.Handle();
    winlib::TNoCreationFont windowFontBelow;  // each made control gets the window font below
    auto ready = [this](const winlib::TControl& made) {
        made.Show(false);  // the page shows it
        SetFont(made.Handle(), windowFont_);
    };
    TWhiteCheckBox* box[] = {&CheckLaunchFile, &CheckViewReadme, &CheckCustomRun};
    const int top[] = {184, 208, 232};
    for (int i = 0; i < 3; ++i)
        if (!restart && boxes[i] && !box[i]->Handle()) {
            box[i]->Create(p, 0, {178, top[i], 308, 17}, "");
            ready(*box[i]);
        }
    if (!restart || RadioGroup1.Frame.Handle())
        return;
    // Below eight lines of Label2: a failed run's text, the restart text and its question.
    RadioGroup1.Frame.Create(p, 0, {178, 208, 308, 73}, "");
    RadioGroup1.Choice[0].Create(p, 0, {190, 228, 288, 17}, true);
    RadioGroup1.Choice[1].Create(p, 0, {190, 252, 288, 17}, false);
    RadioGroup1.Choice[0].SetChecked(true);  // restart now, unless the user says later
    ready(RadioGroup1.Frame);
    ready(RadioGroup1.Choice[0]);
    ready(RadioGroup1.Choice[1]);
}

void TForm1::SubclassEnterKey(const winlib::TControl& field)
{
    winlib::HookWindow(field.Handle(), EnterKeyProc, this);
    // An editable combo box types into an edit of its own.
    if (HWND inner = FindWindowExA(field.Handle(), nullptr, "EDIT", nullptr))
        winlib::HookWindow(inner, EnterKeyProc, this);
}

// The licence and readme boxes are made when their page is first shown: loading
// the rich-text library costs tens of milliseconds, and most setups show neither.
const winlib::TRichEdit& TForm1::RichText(bool licence)
{
    winlib::TRichEdit& box = licence ? RichEdit1 : RichEdit2;
    if (box.Handle())
        return box;
    constexpr DWORD RichStyle = WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
    HWND made = licence ? box.Create(MakePageHost(P1), 0, RichStyle, WS_EX_CLIENTEDGE, 40, 48, 420, 161)
                        : box.Create(MakePageHost(P2), 0, RichStyle, WS_EX_CLIENTEDGE, 40, 40, 420, 193);
    // Right after the page's heading in the tab order, as if made with the page.
    SetWindowPos(made, (licence ? Label4 : Label18).Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetFont(made, windowFont_);
    return box;
}

void TForm1::WireEvents()
{
    BtnNext.OnClick = [this] { BtnNextClick(); };
    BtnBack.OnClick = [this] { BtnBackClick(); };
    BtnCancel.OnClick = [this] { BtnCancelClick(); };
    CheckBox1.OnClick = [this] { CheckBox1Click(); };
    CheckBox2.OnClick = [this] { CheckBox2Click(); };
    Button4.OnClick = [this] { Button4Click(); };
    ComboLng.OnChange = [this] { ComboLngChange(); };
    for (winlib::TCheckBox* box : {&CheckLaunchFile, &CheckViewReadme, &CheckCustomRun})
        box->OnClick = [this] { FinishControlClick(); };
    for (TRadioButton& choice : RadioGroup1.Choice)
        choice.OnClick = [this] { FinishControlClick(); };
    // A left click on a web address in the licence or the readme opens it.
    for (winlib::TRichEdit* box : {&RichEdit1, &RichEdit2})
        box->SetLinkOpener([](const std::string& link) { OpenDocument(link); });
    SubclassEnterKey(Edit1);  // ComboLng's when its page is made
    SubclassEnterKey(ComboBox1);
}

void TForm1::SetFonts(const TFormFonts& fonts)
{
    fonts_ = fonts;
    if (silent_)
        return;  // nothing is drawn
    HFONT made[] = {MakeFont(fonts.Face, fonts.TextSize, false, fonts.Charset),
                    MakeFont(fonts.Face, fonts.HeaderSize, true, fonts.Charset),
                    MakeFont(fonts.Face, fonts.TextSize, true, fonts.Charset),
                    MakeFont(fonts.Face, fonts.TextSize, false, fonts.Charset)};
    const bool redraw = IsWindowVisible(hwnd_) != FALSE;  // a language chosen on the first page
    TFontTarget target = {made[0], {Label1.Handle(), Text1.Handle(), BtnCancel.Handle()}, redraw};
    EnumChildWindows(hwnd_, GiveWindowFont, reinterpret_cast<LPARAM>(&target));
    SetFont(Label1.Handle(), made[1], redraw);
    SetFont(Text1.Handle(), made[2], redraw);
    SetFont(BtnCancel.Handle(), made[3], redraw);
    HFONT* slots[] = {&windowFont_, &headerFont_, &titleFont_, &cancelFont_};
    for (int i = 0; i < 4; ++i) {
        if (*slots[i])
            DeleteObject(*slots[i]);  // no control holds it any more
        *slots[i] = made[i];
    }
}

void TForm1::FormCreate() { RunStartup(*this); }

void TForm1::ShowWizard()
{
    ShowWindow(hwnd_, SW_SHOW);  // the previous visibility state is not an error
    // Not painted here: the posted start comes before the paint, so the first
    // paint is of the first page rather than of an empty window.
    PostMessageA(hwnd_, WM_WIZARD_START, 0, 0);
}

void TForm1::AgreedClose() { PostMessageA(hwnd_, WM_WIZARD_END, 0, 0); }

std::string TForm1::Caption() const { return silent_ ? caption_ : winlib::TControl(hwnd_).Text(); }

void TForm1::SetCaption(const std::string& caption) const
{
    if (silent_)
        caption_ = caption;
    else
        winlib::TControl(hwnd_).SetText(caption);
}

void TForm1::FocusIfPossible(const winlib::TControl& control) const
{
    if (IsWindowVisible(control.Handle()) && IsWindowEnabled(control.Handle()))
        control.SetFocus();
}

namespace {

// Handles what both the form and its panels receive: the controls' own events,
// and links clicked in the licence and readme.
bool HandleControlMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    bool handled = false;
    winlib::RunGuarded(hwnd, [&] {
        TForm1* form = FormOf(GetAncestor(hwnd, GA_ROOT));
        if (message == WM_NOTIFY && form &&
            (form->RichEdit1.HandleNotify(lParam, result) || form->RichEdit2.HandleNotify(lParam, result))) {
            handled = true;
            return;
        }
        handled = winlib::ReflectMessage(message, wParam, lParam, result);
    });
    return handled;
}

void PaintPicture(HWND hwnd, HDC dc)
{
    auto* panel = reinterpret_cast<TWizardPanel*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    RECT client = {};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(panel && panel->White ? COLOR_WINDOW : COLOR_BTNFACE));
    HBITMAP bitmap = panel && panel->Picture ? panel->Picture->Bitmap() : nullptr;
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return;  // no picture (yet): the plain ground
    const RECT& r = panel->PictureRect;
    HBITMAP stretched = panel->Stretched(dc, bitmap, info);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, stretched ? stretched : bitmap);
    if (stretched) {
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, info.bmWidth, info.bmHeight,
                   SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

LRESULT CALLBACK PanelWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_ERASEBKGND:
        PaintPicture(hwnd, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (HandleControlMessage(hwnd, message == WM_CTLCOLORBTN ? WM_CTLCOLORSTATIC : message, wParam, lParam, result))
            return result;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool IsComboBox(HWND hwnd)
{
    char name[16] = {};
    return GetClassNameA(hwnd, name, sizeof name) > 0 && lstrcmpiA(name, WC_COMBOBOXA) == 0;
}

// Whether Enter on this field closes an open list: the field is a combo box, or
// the edit inside one.
bool ListDroppedDown(HWND field)
{
    HWND combo = IsComboBox(field) ? field : IsComboBox(GetParent(field)) ? GetParent(field) : nullptr;
    return combo && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0);
}

// Asks about the list only for Enter: the question goes to a subclassed window
// and so comes back through here, and asking on every message nests without end
// (Windows overflows the stack; Wine stops at 64 levels).
LRESULT EnterKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, void* data)
{
    if (message == WM_KEYDOWN && wParam == VK_RETURN && !ListDroppedDown(hwnd)) {
        auto* form = static_cast<TForm1*>(data);
        winlib::RunGuarded(form->Handle(), [form] { form->EnterPressed(); });
        return 0;
    }
    if (message == WM_CHAR && wParam == '\r')
        return 0;  // swallowed: no beep
    if (message == WM_GETDLGCODE && lParam && reinterpret_cast<MSG*>(lParam)->wParam == VK_RETURN)
        return DLGC_WANTALLKEYS;
    return winlib::CallNextHook(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    TForm1* form = FormOf(hwnd);
    LRESULT result = 0;
    switch (message) {
    case WM_ACTIVATE:
        // The hidden window is also activated when a start-up box closes: only
        // the shown wizard starts, never one still inside the start-up.
        if (form && LOWORD(wParam) != WA_INACTIVE && IsWindowVisible(hwnd))
            PostMessageA(hwnd, WM_WIZARD_START, 0, 0);
        break;
    case WM_WIZARD_START:
        if (form && IsWindowVisible(hwnd))
            winlib::RunGuarded(hwnd, [form] { form->FormActivate(); });
        return 0;
    case WM_WIZARD_END:
        if (form)
            form->EndWizard();
        return 0;
    case WM_CLOSE:
        if (form) {
            bool close = false;
            winlib::RunGuarded(hwnd, [&] { close = form->FormCloseQuery(); });
            if (close)
                PostMessageA(hwnd, WM_WIZARD_END, 0, 0);
        }
        return 0;
    case WM_DESTROY:
        // Closing the window ends the message loop; the program body cleans up.
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
        if (HandleControlMessage(hwnd, message, wParam, lParam, result))
            return result;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace
