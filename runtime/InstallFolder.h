// The one rule for the folder a product is installed into. The destination page
// and the install run both apply it, so that the page never accepts a folder the
// run then refuses.
#pragma once
#include <string>

class TForm1;

// A drive or share root: "X:", "X:\", "\\server\share" or "\\server\share\"
// (more trailing backslashes change nothing).
bool IsDriveOrShareRoot(const std::string& folder);

// The folder as the destination page takes it: blanks trimmed, and a drive alone
// ("X:") made its root ("X:\"), as the folder browser gives it.
std::string NormaliseInstallFolder(const std::string& text);

// Whether folder may be installed into: a folder below a drive or share root
// always; a root only when rootChosen, and never one that holds another
// product's uninstall log (both products would share Uninstall.exe and
// Uninstall.ini there). productGuid: this product's GUID.
bool InstallFolderAllowed(const std::string& folder, bool rootChosen, const std::string& productGuid);

// The rule applied to the window's folder (Edit1). A root counts as chosen when
// the user typed or browsed it on the destination page (the edit's modified
// flag), when it is the installed copy's folder (upgrade mode: Edit1 disabled),
// or when "/P" gave it as a root before expansion. A root that only came from
// expanding InstallationPath is refused: an empty placeholder must not spread a
// product over a drive.
bool InstallFolderAccepted(const TForm1& form);
