// Services most runtime steps share: the install log, message formatting, the
// clean-up of the setup temp folder, display forms of paths and sizes, free
// space, opening documents and restarting the computer.
#pragma once
#include <string>

// Appends one line to the install log (Setup().LogList), whatever /L says.
void LogLine(const std::string& text);

// A language-file message with its one argument: every "%s" (or "%S") becomes the
// argument, "%%" becomes "%", any other "%" stays as written; then every "<#>",
// the argument's included, becomes CR LF. The message is never a printf format.
std::string FormatMessage1(const std::string& format, const std::string& argument);

// The last work of every end of a setup: removes the setup font, deletes the
// setup temp folder this run created (the whole tree), and saves the install log
// to <TempDir>\QZSETUPLOG.TXT under /L or deletes an old one. Safe to call again.
void CleanupTemp();

// Display form of a path: up to 60 characters unchanged, else the folder three
// levels above the file + "\..\" + the file name.
std::string ShortenPath(const std::string& path);

// Opens a file, folder or address with the shell's default verb. Tests replace
// the opener so that no browser starts; SetDocumentOpener returns the previous one.
using TDocumentOpener = void (*)(const std::string& target);
void OpenDocument(const std::string& target);
TDocumentOpener SetDocumentOpener(TDocumentOpener opener);  // nullptr restores the shell's
void ShellOpenDocument(const std::string& target);          // the default opener

// "1.00 KB", "4656.61 GB", "-5 Byte(s)": two decimals with the user's separator.
std::string FormatByteSize(long long bytes);

// Bytes the current user may still use on drive letter + ":\"; 0 when the query
// fails (an empty drive shows no system box).
long long GetDriveFreeSpace(char letter);

// Restarts the computer, enabling the shutdown privilege when needed. Reports nothing.
void RebootComputer();
