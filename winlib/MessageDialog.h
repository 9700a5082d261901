// A message box with buttons of the caller's choosing ("&Yes", "N&o to All", ...),
// which MessageBoxA cannot give. It looks and answers like a message box, so the
// test responder (TBoxResponder) answers it by button id.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace winlib {

struct TDialogButton {
    std::string Caption;
    int Id;  // returned when pressed; never IDCANCEL, which stands for the close box
};

// Shows text with a standard icon (IDI_WARNING, IDI_ERROR, ... or nullptr for
// none) and the buttons left to right, the first one the default. Returns the
// pressed button's Id, IDCANCEL when the box was closed without a button (close
// box, Escape), 0 when it could not be shown. iconFlag (MB_ICONWARNING, ...) is
// what the responder records.
int ShowMessageDialog(HWND owner, const std::string& text, const std::string& caption, LPCSTR icon,
                      UINT iconFlag, const std::vector<TDialogButton>& buttons);

}  // namespace winlib
