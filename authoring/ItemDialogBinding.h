// The item dialogs of the running program: made at process start after the main
// window (makers for the forms table), bound to the list editors and the files
// page, and served by the main window through one host.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "winlib/Controls.h"
#include "winlib/Form.h"

class TForm1;
class IItemDialogHost;
class TForm4;
class TForm6;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
class TForm17;
class TForm18;
class TForm20;

extern TForm4* Form4;
extern TForm6* Form6;
extern TForm8* Form8;
extern TForm9* Form9;
extern TForm10* Form10;
extern TForm11* Form11;
extern TForm12* Form12;
extern TForm13* Form13;
extern TForm14* Form14;
extern TForm17* Form17;
extern TForm18* Form18;
extern TForm20* Form20;

// The main window (Form1) as the dialogs' host.
IItemDialogHost& MainWindowDialogHost();

// Makers for the forms table of process start.
std::unique_ptr<winlib::TForm> MakeForm4(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm6(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm8(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm9(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm10(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm11(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm12(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm13(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm14(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm17(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm18(HWND owner);
std::unique_ptr<winlib::TForm> MakeForm20(HWND owner);

// Hands the made dialogs to the nine list editors, the files page and the path
// pickers; run once after the forms are made. A dialog not made stays unbound.
void BindItemDialogs(TForm1& form);

// A local file for a prerequisite's command: the main window's open dialog (first
// file only), opened once to be sure it can be read. The edit becomes
// "<SetupTempDir>\" + its name and the answer is its path; "" when cancelled or
// unreadable (the box has been shown, nothing changed).
std::string PickLocalPrerequisiteFile(TForm1& form, winlib::TEdit& edit);
// Packs that file with the setup: an Additional Files row to the setup's temporary
// folder, and the destination tree follows.
void AddPrerequisiteFileRow(TForm1& form, const std::string& path);
