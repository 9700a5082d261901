#include "winlib/Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "winlib/OsError.h"

namespace winlib {

namespace {

TOpenDialogHook& OpenDialogHook()
{
    static TOpenDialogHook hook;
    return hook;
}

TSaveDialogHook& SaveDialogHook()
{
    static TSaveDialogHook hook;
    return hook;
}

TBrowseForFolderHook& BrowseHook()
{
    static TBrowseForFolderHook hook;
    return hook;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

// Large enough for a few thousand names chosen at once.
constexpr size_t ResultBufferSize = 256 * 1024;

// What the browser's callback needs: the start folder ("" for none) and whether
// the status line follows the selection.
struct TBrowseState {
    std::string Start;
    bool ShowPath;
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM param, LPARAM data)
{
    const TBrowseState& state = *reinterpret_cast<const TBrowseState*>(data);
    if (message == BFFM_INITIALIZED && !state.Start.empty())
        ::SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(state.Start.c_str()));
    if (message == BFFM_SELCHANGED && state.ShowPath) {
        char path[MAX_PATH + 1] = {};
        if (!::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(param), path))
            path[0] = '\0';  // a virtual folder has no path to show
        ::SendMessageA(window, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;  // BFFM_VALIDATEFAILED needs an edit box, which this browser does not ask for
}

// The picture preview (explorer-style hook, no template): at start the dialog grows
// to the right by a preview box; the box shows the selected bitmap scaled to fit.
constexpr int kPreviewWidth = 200, kPreviewHeight = 150, kPreviewMargin = 8;

void ShowPreview(HWND dialog)
{
    HWND preview = ::GetDlgItem(dialog, TOpenDialog::PicturePreviewId);
    if (preview == nullptr)
        return;
    char path[MAX_PATH + 1] = {};
    HBITMAP picture = nullptr;
    if (::SendMessageA(dialog, CDM_GETFILEPATH, sizeof path, reinterpret_cast<LPARAM>(path)) > 0)
        picture = static_cast<HBITMAP>(::LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP size = {};
    if (picture != nullptr && ::GetObjectA(picture, sizeof size, &size) != 0 && size.bmWidth > 0 && size.bmHeight > 0) {
        double scale = std::min({1.0, static_cast<double>(kPreviewWidth) / size.bmWidth,
                                 static_cast<double>(kPreviewHeight) / size.bmHeight});
        int w = std::max(1, static_cast<int>(size.bmWidth * scale));
        int h = std::max(1, static_cast<int>(size.bmHeight * scale));
        if (w != size.bmWidth || h != size.bmHeight)
            picture = static_cast<HBITMAP>(::CopyImage(picture, IMAGE_BITMAP, w, h, LR_COPYDELETEORG));
    }
    HGDIOBJ old = reinterpret_cast<HGDIOBJ>(
        ::SendMessageA(preview, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (old != nullptr)
        ::DeleteObject(old);  // the static does not own what it was given
}

UINT_PTR CALLBACK PreviewHook(HWND child, UINT message, WPARAM, LPARAM lParam)
{
    HWND dialog = ::GetParent(child);
    if (message == WM_NOTIFY) {
        const NMHDR& header = reinterpret_cast<const OFNOTIFYA*>(lParam)->hdr;
        if (header.code == CDN_INITDONE) {
            RECT frame = {}, client = {};
            ::GetWindowRect(dialog, &frame);
            ::GetClientRect(dialog, &client);
            ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + kPreviewWidth + 2 * kPreviewMargin,
                           frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
            auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(TOpenDialog::PicturePreviewId));
            HWND preview = ::CreateWindowExA(WS_EX_CLIENTEDGE, "STATIC", "",
                                             WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE,
                                             client.right + kPreviewMargin, kPreviewMargin, kPreviewWidth,
                                             kPreviewHeight, dialog, id, ::GetModuleHandleA(nullptr), nullptr);
            if (preview != nullptr)  // without it the dialog still opens files
                ShowPreview(dialog);
        } else if (header.code == CDN_SELCHANGE) {
            ShowPreview(dialog);
        }
    } else if (message == WM_DESTROY) {
        HWND preview = ::GetDlgItem(dialog, TOpenDialog::PicturePreviewId);
        if (preview != nullptr)
            if (HGDIOBJ old = reinterpret_cast<HGDIOBJ>(::SendMessageA(preview, STM_SETIMAGE, IMAGE_BITMAP, 0)))
                ::DeleteObject(old);
    }
    return 0;
}

}  // namespace

std::string FilterToNulList(const std::string& filter)
{
    std::string list = filter;
    for (char& c : list)
        if (c == '|')
            c = '\0';
    list.append(2, '\0');
    return list;
}

std::vector<std::string> ParseFileNames(const char* buffer, bool explorerStyle)
{
    std::vector<std::string> names;
    if (!explorerStyle) {
        std::string all = buffer, part;
        std::vector<std::string> parts;
        for (char c : all + " ") {
            if (c == ' ') {
                if (!part.empty())
                    parts.push_back(part);
                part.clear();
            } else {
                part += c;
            }
        }
        if (parts.size() <= 1)
            return parts;
        for (size_t i = 1; i < parts.size(); ++i)
            names.push_back(JoinPath(parts[0], parts[i]));
        return names;
    }
    std::string first = buffer;
    const char* p = buffer + first.size() + 1;
    if (*p == '\0')  // one file: a full path
        return first.empty() ? names : std::vector<std::string>{first};
    for (; *p != '\0'; p += std::strlen(p) + 1)
        names.push_back(JoinPath(first, p));
    return names;
}

bool TFileDialog::Run(HWND owner, BOOL(WINAPI* show)(LPOPENFILENAMEA), const char* what, LPOFNHOOKPROC hook)
{
    std::string filter = FilterToNulList(Filter);
    std::vector<char> name(ResultBufferSize, '\0');
    FileName.copy(name.data(), name.size() - 2);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.Flags = Options;
    if (hook != nullptr) {
        ofn.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK;
        ofn.lpfnHook = hook;
    }
    if (show(&ofn)) {
        Files = (Options & OFN_ALLOWMULTISELECT) ? ParseFileNames(name.data(), (Options & OFN_EXPLORER) != 0)
                                                 : std::vector<std::string>{name.data()};
        FileName = Files.empty() ? std::string() : Files.front();
        return true;
    }
    DWORD error = CommDlgExtendedError();
    if (error != 0)
        throw EOSError(error, std::string("The ") + what + " dialog failed (common dialog error)");
    return false;
}

void SetOpenDialogHook(TOpenDialogHook hook) { OpenDialogHook() = std::move(hook); }
void SetSaveDialogHook(TSaveDialogHook hook) { SaveDialogHook() = std::move(hook); }
void SetBrowseForFolderHook(TBrowseForFolderHook hook) { BrowseHook() = std::move(hook); }

bool TOpenDialog::Execute(HWND owner)
{
    if (OpenDialogHook())
        return OpenDialogHook()(*this);
    return Run(owner, GetOpenFileNameA, "open-file", PicturePreview ? PreviewHook : nullptr);
}

bool TSaveDialog::Execute(HWND owner)
{
    if (SaveDialogHook())
        return SaveDialogHook()(*this);
    return Run(owner, GetSaveFileNameA, "save-file");
}

bool BrowseForFolder(HWND owner, const std::string& prompt, std::string& folder, const TBrowseOptions& options)
{
    if (BrowseHook())
        return BrowseHook()(prompt, folder);
    TBrowseState state{folder, options.ShowPath};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | (options.ShowPath ? BIF_STATUSTEXT | BIF_VALIDATE : 0);
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&state);
    LPITEMIDLIST list = ::SHBrowseForFolderA(&info);
    if (list == nullptr)
        return false;
    char path[MAX_PATH + 1] = {};
    BOOL ok = ::SHGetPathFromIDListA(list, path);
    ::CoTaskMemFree(list);
    if (!ok)
        return false;  // a virtual folder (no file-system path) counts as no choice
    folder = path;
    return true;
}

}  // namespace winlib
