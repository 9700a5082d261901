// Common dialogs. Each can be answered by a test instead of a person.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>

namespace winlib {

// The open-file dialog over GetOpenFileNameA.
class TOpenDialog {
public:
    // Filter as "Text|pattern|Text|pattern"; flags are OFN_* flags.
    std::string Filter;
    DWORD Options = OFN_HIDEREADONLY | OFN_EXPLORER;
    std::string FileName;  // in: initial name; out: the chosen file
    std::string Title;     // empty: the system's default caption

    // True when the user chose a file (FileName holds it); false on Cancel.
    // Throws EOSError when the dialog itself fails.
    bool Execute(HWND owner);
};

// Test hook: while set, Execute calls it instead of showing the dialog. It gets the
// dialog (filter, options, initial name) and returns true with FileName set to
// choose a file, false to cancel. An empty function restores the real dialog.
using TOpenDialogHook = std::function<bool(TOpenDialog& dialog)>;
void SetOpenDialogHook(TOpenDialogHook hook);

}  // namespace winlib
