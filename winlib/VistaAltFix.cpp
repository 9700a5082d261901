#include "winlib/VistaAltFix.h"

#include <commctrl.h>

#include "winlib/Application.h"
#include "winlib/WindowHook.h"

namespace winlib {

struct TVistaAltFix::TWatcher {
    HWND Window = nullptr;
    bool Seen = true;
    bool CueChanged = false;
    bool RepaintAll = true;
};

namespace {

std::string ClassOf(HWND hwnd)
{
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// The program's own top-level windows: of a class this module registered (not
// message boxes, tool tips or the system's IME windows).
BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM list)
{
    auto module = reinterpret_cast<HMODULE>(::GetClassLongPtrA(hwnd, GCLP_HMODULE));
    if (module == ::GetModuleHandleA(nullptr))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

}  // namespace

bool AltFixNeeded()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&version) || version.dwMajorVersion <= 5)
        return false;
#pragma GCC diagnostic pop
    HMODULE theme = ::LoadLibraryA("uxtheme.dll");
    if (theme == nullptr)
        return false;
    using TIsThemeActive = BOOL(WINAPI*)();
    auto isThemeActive = reinterpret_cast<TIsThemeActive>(
        reinterpret_cast<void*>(::GetProcAddress(theme, "IsThemeActive")));
    bool active = isThemeActive != nullptr && isThemeActive() != FALSE;
    ::FreeLibrary(theme);
    return active;
}

namespace {
TVistaAltFix::TMode autoMode = TVistaAltFix::Auto;
}

void TVistaAltFix::SetAutoMode(TMode mode) { autoMode = mode; }

TVistaAltFix::TVistaAltFix(TMode mode)
{
    if (mode == Auto)
        mode = autoMode;
    active_ = mode == ForceActive || (mode == Auto && AltFixNeeded());
    if (active_)
        SetIdleHandler([this] { Idle(); });
}

TVistaAltFix::~TVistaAltFix()
{
    if (active_)
        SetIdleHandler(nullptr);
    // Windows that outlive the fix get their own handling back.
    while (!watchers_.empty())
        Drop(watchers_.size() - 1);
}

LRESULT TVistaAltFix::WatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, void* data)
{
    auto* watcher = static_cast<TWatcher*>(data);
    LRESULT result = CallNextHook(hwnd, message, wParam, lParam);
    if (message == WM_UPDATEUISTATE)
        watcher->CueChanged = true;
    else if (message == WM_NCDESTROY) {
        UnhookWindow(hwnd, WatchProc);
        watcher->Window = nullptr;  // the next idle pass drops it
    }
    return result;
}

void TVistaAltFix::Idle()
{
    for (auto& watcher : watchers_)
        watcher->Seen = false;
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        bool known = false;
        for (auto& watcher : watchers_)
            if (watcher->Window == window) {
                watcher->Seen = known = true;
                break;
            }
        if (known)
            continue;
        auto watcher = std::make_unique<TWatcher>();
        watcher->Window = window;
        watcher->RepaintAll = RepaintAll;
        if (HookWindow(window, WatchProc, watcher.get()))
            watchers_.push_back(std::move(watcher));
    }
    for (size_t i = watchers_.size(); i-- > 0;) {
        if (watchers_[i]->Seen)
            Repaint(*watchers_[i]);
        else
            Drop(i);
    }
}

void TVistaAltFix::Drop(size_t index)
{
    TWatcher& watcher = *watchers_[index];
    if (watcher.Window != nullptr)
        UnhookWindow(watcher.Window, WatchProc);
    watchers_.erase(watchers_.begin() + static_cast<long>(index));
}

void TVistaAltFix::Repaint(TWatcher& watcher)
{
    if (!watcher.CueChanged)
        return;
    watcher.CueChanged = false;
    RepaintTree(watcher.Window, watcher.RepaintAll);
}

void TVistaAltFix::RepaintControl(HWND control)
{
    ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    if (OnRepaint)
        OnRepaint(control);
}

// Depth first over the children in their order. With all, every control; else
// buttons only (not entered), and a page control's hidden sheets are passed over.
void TVistaAltFix::RepaintTree(HWND parent, bool all)
{
    bool parentIsTabs = ClassOf(parent) == WC_TABCONTROLA;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (all) {
            RepaintControl(child);
            RepaintTree(child, all);
        } else if (::lstrcmpiA(ClassOf(child).c_str(), "Button") == 0) {
            RepaintControl(child);
        } else if (!(parentIsTabs && !(::GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE))) {
            RepaintTree(child, all);
        }
    }
}

}  // namespace winlib
