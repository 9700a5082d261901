#include "runtime/Form1.h"

#include <iterator>

#include "runtime/Placeholders.h"
#include "runtime/Startup.h"
#include "winlib/MessageBox.h"

namespace {

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

constexpr char WindowClassName[] = "TForm1";
constexpr int ClientWidth = 500;
constexpr int ClientHeight = 362;
constexpr DWORD FormStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

enum TControlId : int {
    idImage1 = 100, idImage2, idEUser, idECompany, idECustomInfo, idEdit1, idButton4,
    idComboLng, idComboBox1, idCheckBox2, idCheckDesktop, idCheckQuick, idCheckAssociate,
    idLTask, idLFile, idProgressBar1,
};

// The children of the form, in the order of TForm1::Children(); the wizard gives
// each its place on its page.
struct TChildDef {
    int Id;
    const char* ClassName;
    DWORD Style;
};

constexpr DWORD Child = WS_CHILD | WS_TABSTOP;
constexpr DWORD EditStyle = Child | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD CheckStyle = Child | BS_AUTOCHECKBOX;

const TChildDef ChildTable[] = {
    {idImage1, "STATIC", WS_CHILD | SS_BITMAP},
    {idImage2, "STATIC", WS_CHILD | SS_BITMAP},
    {idEUser, "EDIT", EditStyle},
    {idECompany, "EDIT", EditStyle},
    {idECustomInfo, "EDIT", EditStyle},
    {idEdit1, "EDIT", EditStyle},
    {idButton4, "BUTTON", Child | BS_PUSHBUTTON},
    {idComboLng, "COMBOBOX", Child | WS_VSCROLL | CBS_DROPDOWNLIST},
    {idComboBox1, "COMBOBOX", Child | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL},
    {idCheckBox2, "BUTTON", CheckStyle},
    {idCheckDesktop, "BUTTON", CheckStyle},
    {idCheckQuick, "BUTTON", CheckStyle},
    {idCheckAssociate, "BUTTON", CheckStyle},
    {idLTask, "STATIC", WS_CHILD | SS_LEFT | SS_NOPREFIX},
    {idLFile, "STATIC", WS_CHILD | SS_LEFT | SS_NOPREFIX},
    {idProgressBar1, PROGRESS_CLASSA, WS_CHILD},
};

bool RegisterFormClass(HINSTANCE instance)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, WindowClassName, &wc))
        return true;  // a second window in the same process (tests)
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FormWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = WindowClassName;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

TForm1::~TForm1()
{
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

bool TForm1::Create(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);  // on failure the progress bar's creation below reports it
    if (!RegisterFormClass(instance))
        return false;
    RECT frame = {0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, FormStyle, FALSE, 0);  // on failure the client is merely smaller
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    hwnd_ = CreateWindowExA(0, WindowClassName, "", FormStyle, x, y, width, height, nullptr, nullptr,
                            instance, nullptr);
    if (!hwnd_)
        return false;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return CreateControls(instance);
}

bool TForm1::CreateControls(HINSTANCE instance)
{
    winlib::TControl* fields[] = {&Image1, &Image2, &EUser, &ECompany, &ECustomInfo, &Edit1, &Button4,
                                  &ComboLng, &ComboBox1, &CheckBox2, &CheckDesktop, &CheckQuick, &CheckAssociate,
                                  &LTask, &LFile, &ProgressBar1};
    static_assert(std::size(fields) == std::size(ChildTable));
    for (size_t i = 0; i < std::size(ChildTable); ++i) {
        const TChildDef& def = ChildTable[i];
        HWND child = CreateWindowExA(0, def.ClassName, "", def.Style, 0, 0, 10, 10, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.Id)), instance, nullptr);
        if (!child)
            return false;
        fields[i]->Attach(child);
    }
    return true;
}

void TForm1::FormCreate() { RunStartup(*this); }

bool TForm1::FormCloseQuery()
{
    TSetupState& s = Setup();
    if (s.CurrentPage != wpInstalling)
        return true;
    std::string text, caption;
    if (s.LanguageIni) {
        text = ExpandPlaceholders(s.LanguageIni->ReadString("Messages", "1", ""));
        caption = ExpandPlaceholders(s.LanguageIni->ReadString("Messages", "0", ""));
    }
    if (winlib::ShowMessageBox(hwnd_, text, caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
        s.CancelRequested = true;
    return false;
}

void TForm1::ShowWizard()
{
    ShowWindow(hwnd_, SW_SHOW);  // the previous visibility state is not an error
    UpdateWindow(hwnd_);
}

std::string TForm1::Caption() const { return winlib::TControl(hwnd_).Text(); }

void TForm1::SetCaption(const std::string& caption) const { winlib::TControl(hwnd_).SetText(caption); }

namespace {

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        if (auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); form && !form->FormCloseQuery())
            return 0;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_DESTROY:
        // Closing the window ends the message loop; the program body cleans up.
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace
