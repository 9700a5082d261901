// Tooltips ("hints") for child controls: one tooltip window per top-level window,
// made on first use and destroyed with it.
#pragma once
#include <windows.h>

#include <string>

namespace winlib {

// Shows text as the control's tooltip; an empty text removes it.
void SetHint(HWND control, const std::string& text);
// The control's tooltip text, or "" when it has none.
std::string Hint(HWND control);

}  // namespace winlib
