#include "authoring/ProjectInfo.h"

#include <commctrl.h>

#include <cstring>

#include "authoring/AppState.h"
#include "authoring/MainWindow.h"
#include "authoring/BuildWindow.h"
#include "winlib/Hint.h"
#include "winlib/Path.h"
#include "winlib/Shell.h"

using winlib::TBounds;

TProjectInfo* ProjectInfo = nullptr;
TForm3* Form3 = nullptr;
TProjectInfo::TCopySource TProjectInfo::CopySource = TProjectInfo::csNone;

namespace {

constexpr int kCopyId = 3101;


bool CopyToClipboard(HWND owner, const std::string& text)
{
    if (!::OpenClipboard(owner))
        return false;
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool done = false;
    if (memory != nullptr) {
        std::memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
        ::GlobalUnlock(memory);
        done = ::SetClipboardData(CF_TEXT, memory) != nullptr;
        if (!done)
            ::GlobalFree(memory);  // the clipboard did not take it
    }
    ::CloseClipboard();
    return done;
}

}  // namespace

// ---- value labels ----

void TValueLabel::Create(HWND parent, int id, const TBounds& bounds, winlib::TMenu* popup)
{
    TLabel::Create(parent, id, bounds, "");
    popup_ = popup;
    // SS_NOTIFY: a static without it is transparent to the mouse.
    ::SetWindowLongPtrA(Handle(), GWL_STYLE, ::GetWindowLongPtrA(Handle(), GWL_STYLE) | SS_NOTIFY);
    ::SetWindowSubclass(Handle(), MouseProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TValueLabel::MouseProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data)
{
    auto* label = reinterpret_cast<TValueLabel*>(data);
    if ((message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) && label->OnMouseDown)
        label->OnMouseDown();
    else if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, MouseProc, id);
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

bool TValueLabel::ReflectContextMenu(int x, int y)
{
    if (popup_ == nullptr)
        return false;
    popup_->Popup(::GetParent(Handle()), x, y);
    return true;
}

// ---- project information ----

TProjectInfo::~TProjectInfo()
{
    if (ProjectInfo == this)
        ProjectInfo = nullptr;
}

void TProjectInfo::CreateForm(HWND owner) { Create(owner, "Information", winlib::CentredDialogBounds(434, 227)); }

void TProjectInfo::OnCreate()
{
    HWND h = Handle();
    auto group = std::make_unique<winlib::TGroupBox>();
    group->Create(h, 200, TBounds{8, 8, 418, 172}, "Project Information");
    decor_.push_back(std::move(group));
    struct TRow {
        const char* Caption;
        winlib::TEdit* Edit;
        winlib::TButton* Button;
        winlib::TNotifyEvent Click;
    };
    const TRow rows[] = {{"Project File:", &Edit1, &Button1, [this] { Button1Click(); }},
                         {"Setup File:", &Edit2, &Button2, [this] { Button2Click(); }},
                         {"Source Folder:", &Edit3, &Button4, [this] { Button4Click(); }}};
    int y = 30, id = 210;
    for (const TRow& row : rows) {
        auto label = std::make_unique<winlib::TLabel>();
        label->Create(h, id++, TBounds{20, y + 3, 90, 18}, row.Caption);
        decor_.push_back(std::move(label));
        row.Edit->Create(h, id++, TBounds{112, y, 266, 21}, true);
        row.Button->Create(h, id++, TBounds{384, y, 30, 21}, "...");
        winlib::SetHint(row.Button->Handle(), "Open Folder...");
        row.Button->OnClick = row.Click;
        y += 30;
    }
    PopupMenu1.AddItem(nullptr, kCopyId, "Copy", [this] { Copy1Click(); });
    const std::pair<const char*, TValueLabel*> values[] = {{"Total Size:", &Label4}, {"Total Files:", &Label6}};
    for (const auto& [caption, value] : values) {
        auto label = std::make_unique<winlib::TLabel>();
        label->Create(h, id++, TBounds{20, y, 90, 18}, caption);
        decor_.push_back(std::move(label));
        value->Create(h, id++, TBounds{112, y, 300, 18}, &PopupMenu1);
        y += 24;
    }
    Label4.OnMouseDown = [] { CopySource = csTotalSize; };
    Label6.OnMouseDown = [] { CopySource = csTotalFiles; };
    Button3.Create(h, IDCANCEL, TBounds{434 - 83, 227 - 35, 75, 25}, "Close", true);
    Button3.ModalResult = winlib::mrCancel;
    DefaultButtonId = IDCANCEL;
}

void TProjectInfo::Button1Click() { ShowInFolder(Edit1.Text(), Handle()); }

// Also the build window's "Open Folder", possibly while this window is hidden.
void TProjectInfo::Button2Click() { ShowInFolder(Edit2.Text(), Handle()); }

void TProjectInfo::Button4Click()
{
    std::string folder = Edit3.Text();
    if (!folder.empty() && winlib::DirectoryExists(folder))
        winlib::ShellOpen(Handle(), "open", folder);
}

void TProjectInfo::Copy1Click()
{
    if (CopySource == csNone)
        return;
    CopyToClipboard(Handle(), (CopySource == csTotalSize ? Label4 : Label6).Text());
}

void TForm1::ShowInformation()
{
    if (ProjectInfo == nullptr)
        return;
    TAppState& state = AppState();
    ProjectInfo->Edit1.SetText(state.ProjectFileName);
    ProjectInfo->Edit2.SetText(ExpandProjectMacros(ESetupFile.Text()));
    ProjectInfo->Edit3.SetText(ESourceFolder.Text());
    size_t files = ListSFiles.size() + static_cast<size_t>(ListFiles().Count()) + (CheckUninstaller.Checked() ? 1 : 0) +
                   (CheckUpdater.Checked() ? 1 : 0);
    unsigned long long estimate = EstimateInstallSize();
    ProjectInfo->Label4.SetText(estimate == 0 ? std::string("0 Byte")
                                              : FormatSize(estimate) + " (" + std::to_string(estimate) + " bytes)");
    ProjectInfo->Label6.SetText(std::to_string(files));
    ProjectInfo->ShowModal();
}

// ---- About ----

TForm3::~TForm3()
{
    if (Form3 == this)
        Form3 = nullptr;
}

void TForm3::CreateForm(HWND owner) { Create(owner, "About Tarvex Installer", winlib::CentredDialogBounds(318, 274)); }

void TForm3::OnCreate()
{
    HWND h = Handle();
    Color = COLOR_WINDOW;
    Image1.Create(h, 300, TBounds{16, 16, 64, 61});
    ::SetWindowLongPtrA(Image1.Handle(), GWL_STYLE, WS_CHILD | WS_VISIBLE | SS_ICON);
    ::SendMessageA(Image1.Handle(), STM_SETICON,
                   reinterpret_cast<WPARAM>(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1))), 0);
    Label1.Create(h, 301, TBounds{96, 24, 210, 18}, kProductTitleVersion);
    Label2.Create(h, 302, TBounds{16, 100, 290, 36}, "Copyright (c) Quellix. All rights reserved.");
    Label31.Create(h, 303, TBounds{16, 140, 290, 36}, "This program is protected by copyright law.");
    ::EnableWindow(Label31.Handle(), FALSE);  // greyed
    Label3.Create(h, 304, TBounds{16, 186, 290, 18}, kVendorSite);
    Label3.OnClick = [] {
        if (Form1 != nullptr)
            Form1->VisitWebSiteClick();
    };
    Label4.Create(h, 305, TBounds{16, 208, 290, 18}, kVendorSupport);
    Label4.OnClick = [] {
        if (Form1 != nullptr)
            Form1->SupportClick();
    };
    Button1.Create(h, IDCANCEL, TBounds{318 - 83, 274 - 35, 75, 25}, "Close", true);
    Button1.ModalResult = winlib::mrCancel;
    DefaultButtonId = IDCANCEL;
}

void TForm1::ShowAbout()
{
    if (Form3 == nullptr)
        return;
    Form3->Label1.SetText(kProductTitleVersion);
    Form3->ShowModal();
}
