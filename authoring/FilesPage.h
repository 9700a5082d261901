// What the files page shares with its dialogs and tools: the file search and the
// fields of the file-properties dialog (TForm4) as the page addresses them.
#pragma once
#include <functional>
#include <string>
#include <vector>

// Appends to list the full path of every file under folder matching mask ("" is
// "*.*"), searching subfolders whose names match it too. With the option "Don't add
// hidden files and folders" on, hidden entries are left out and hidden folders not
// entered. addSizes: each file's size is added to the process's FolderSize.
// Entries that cannot be enumerated are not listed. keepGoing, when given, runs at
// each entry (it may run the window's messages); false from it stops the search with
// what was found so far, and FindFiles then returns false.
bool FindFiles(const std::string& folder, const std::string& mask, std::vector<std::string>& list, bool addSizes,
               const std::function<bool()>& keepGoing = nullptr);

// Whether the option "Don't add hidden files and folders" is on (the Options dialog).
bool SkipHiddenFiles();

// The file-properties dialog's fields by label.
namespace FileField {
inline constexpr const char* Destination = "Destination";
inline constexpr const char* FileName = "File name";
inline constexpr const char* IfExists = "If File Exists";
inline constexpr const char* DoNotRemove = "Do not remove during uninstallation";
}  // namespace FileField
