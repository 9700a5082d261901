// Common dialogs: open, save and folder browser. Each can be answered by a test
// instead of a person.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>
#include <vector>

namespace winlib {

// What open and save dialogs share.
class TFileDialog {
public:
    // Filter as "Text|pattern|Text|pattern"; flags are OFN_* flags.
    std::string Filter;
    DWORD Options = OFN_HIDEREADONLY | OFN_EXPLORER;
    std::string FileName;    // in: initial name; out: the chosen file (the first of several)
    std::vector<std::string> Files;  // out: every chosen file, full paths
    std::string InitialDir;
    std::string DefaultExt;  // without the dot
    std::string Title;       // empty: the system's default caption

protected:
    // Runs GetOpenFileNameA or GetSaveFileNameA; throws EOSError when the dialog fails.
    bool Run(HWND owner, BOOL(WINAPI* show)(LPOPENFILENAMEA), const char* what, LPOFNHOOKPROC hook = nullptr);
};

// The open-file dialog over GetOpenFileNameA. With OFN_ALLOWMULTISELECT, Files
// holds every chosen file.
class TOpenDialog : public TFileDialog {
public:
    // A picture open dialog: beside the files a preview of the selected bitmap
    // (the static with id PicturePreviewId on the dialog).
    bool PicturePreview = false;
    static constexpr int PicturePreviewId = 0x4F0;

    // True when the user chose a file (FileName holds it); false on Cancel.
    // Throws EOSError when the dialog itself fails.
    bool Execute(HWND owner);
};

// The save dialog over GetSaveFileNameA (add OFN_OVERWRITEPROMPT to Options).
class TSaveDialog : public TFileDialog {
public:
    bool Execute(HWND owner);
};

// Test hooks: while set, Execute calls them instead of showing the dialog. They get
// the dialog (filter, options, initial name) and return true with FileName (and
// Files) set to choose, false to cancel. An empty function restores the real dialog.
using TOpenDialogHook = std::function<bool(TOpenDialog& dialog)>;
void SetOpenDialogHook(TOpenDialogHook hook);
using TSaveDialogHook = std::function<bool(TSaveDialog& dialog)>;
void SetSaveDialogHook(TSaveDialogHook hook);

// What the folder browser shows beyond the plain tree.
struct TBrowseOptions {
    // A status line showing the path of the selected folder, with typed names
    // validated (BIF_STATUSTEXT | BIF_VALIDATE).
    bool ShowPath = false;
};

// The folder browser (SHBrowseForFolderA), starting at folder when it is set. True
// with folder set to the choice; false on Cancel. The test hook replaces it
// whatever the options.
bool BrowseForFolder(HWND owner, const std::string& prompt, std::string& folder,
                     const TBrowseOptions& options = TBrowseOptions());
using TBrowseForFolderHook = std::function<bool(const std::string& prompt, std::string& folder)>;
void SetBrowseForFolderHook(TBrowseForFolderHook hook);

// "a|b|c|d" as the dialog reads it: "a\0b\0c\0d\0\0".
std::string FilterToNulList(const std::string& filter);
// The dialog's result buffer as full paths. Explorer style: "folder\0name\0name\0\0"
// or one full path; old style: "folder name name" separated by blanks.
std::vector<std::string> ParseFileNames(const char* buffer, bool explorerStyle);

}  // namespace winlib
